#pragma once
// One particle effect loaded from an effect file: it owns the emitters the
// file describes, lists them in a renderer's particle system, and places,
// layers and switches them all together.
//
// An effect file is a stream of tokens separated by white space. "Emitter"
// starts a new emitter with the default description; each later key sets a
// field of the newest one ("Texture" takes a file name below "FX\\"; curves
// take a count and then value-time pairs, colour curves red, green, blue,
// alpha and time per key). Unknown tokens, and keys before the first
// "Emitter", are skipped. Reading stops at the end or at the first value that
// cannot be read as its type, keeping everything set until then.

#include "game/ParticleEmitter.h"
#include "game/Rendered.h"

#include <istream>
#include <memory>
#include <string>
#include <vector>

class Renderer;

class FXSprite final : public Rendered {
public:
    static constexpr int kDefaultLayer = 1000000;

    explicit FXSprite(Renderer* renderer);
    ~FXSprite();
    FXSprite(const FXSprite&) = delete;
    FXSprite& operator=(const FXSprite&) = delete;

    // Reads "FX\\" + name from the disk, then places every emitter at the
    // effect's truncated position. A missing file gives no emitters.
    void Load(const std::string& name);
    // The reader itself, on any stream.
    void Read(std::istream& in);

    // Also gives the layer to every emitter.
    void SetLayer(int layer) override;
    void SetVisible(bool visible) override { mVisible = visible; }
    int GetLayer() const override { return mLayer; }
    bool IsVisible() const override { return mVisible; }
    // Only stored: the emitters move with SetEmittersPosition.
    void SetX(float x) override { mX = x; }
    void SetY(float y) override { mY = y; }
    float GetX() const override { return mX; }
    float GetY() const override { return mY; }

    void SetEmittersPosition(int x, int y);
    // Switching on restarts each emitter's clock, so it emits at the next
    // particle step.
    void SetEmittersActive(bool on);
    // Every emitter out of the particle system and deleted.
    void DeleteEmitters();

    // Not owned.
    Renderer* mRenderer;
    int mLayer = 0;
    // Stored and reported; particles are drawn regardless.
    bool mVisible = true;
    float mX = 0.0f;
    float mY = 0.0f;
    std::vector<std::unique_ptr<ParticleEmitter>> mEmitters;

private:
    ParticleEmitter& AddEmitter();
};
