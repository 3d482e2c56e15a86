#pragma once
// One token on the track: a physics sprite of four layered pictures (body,
// symbol, shadow, special overlay) bearing a hidden symbol. It grows in on
// arrival, narrows and widens as it turns over, shrinks away when removed,
// and its special overlay pulses while the special lasts.

#include "game/PhysSprite.h"

class Ball : public PhysSprite {
public:
    // The radius is this times the size.
    static constexpr float kRadius = 48.0f;
    // Counters run from this down to 0.
    static constexpr int kFullCount = 100;
    static constexpr int kSpecialLifetime = 1000;

    // Special kinds; each is also the overlay's cel.
    static constexpr int kSpecialNone = 0;
    static constexpr int kSpecialReverse = 1;
    static constexpr int kSpecialStop = 2;
    static constexpr int kSpecialReveal = 3;
    static constexpr int kSpecialBomb = 4;

    Ball(Renderer* renderer, float x, float y, float size);

    // Pictures and body; the ball then grows in.
    void SetUp(int symbol, int symbolSet);
    void Update() override;
    // Hovered when the pointer lies strictly within the full-size radius.
    void UpdateHover(int pointerX, int pointerY);
    // Turns over, with the animation unless the reveal holds it shown.
    void Flip();
    void SetHeldShown(bool shown);
    void StartRemoval();
    void SetSpecial(int kind);
    dGeomID CreateGeom() override;
    int GetTypeId() const override { return kTypeBall; }

    bool mHovered = false;
    bool mOpen = false;
    int mSymbol = -1;
    int mSymbolSet = 0;
    int mSpecialKind = kSpecialNone;
    bool mBeingRemoved = false;
    // Never set in play; a saved game keeps them.
    bool mReserved1 = false;
    bool mReserved2 = false;
    float mSize;
    int mGrowCounter = 0;
    int mFlipCounter = 0;
    int mRemovalCounter = 0;
    int mSpecialLifetime = 0;
    bool mHeldShown = false;
    bool mTranslucent = false;

    // Children, made by SetUp.
    Sprite* mBodySprite = nullptr;
    Sprite* mSymbolSprite = nullptr;
    Sprite* mShadowSprite = nullptr;
    Sprite* mOverlaySprite = nullptr;
};
