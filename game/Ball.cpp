#include "game/Ball.h"

#include "game/GameResources.h"
#include "game/PhysicsWorld.h"
#include "platform/Random.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace {

constexpr int kShadowLayer = 1;
constexpr int kBodyLayer = 2;
// The overlay is queued after the symbol on the same layer, so a
// translucent ball's faint symbol shows through it.
constexpr int kFaceLayer = 3;

constexpr int kGrowStep = 2;
constexpr int kRemovalStep = 5;
constexpr int kFlipStep = 4;
constexpr float kHoverScale = 1.1f;
constexpr int kFaintSymbolAlpha = 100;

Vorn::Image* TokenPicture(int number)
{
    const std::array<Vorn::Image*, 6> tokens = {
        IMAGE_TOKEN_1, IMAGE_TOKEN_2, IMAGE_TOKEN_3, IMAGE_TOKEN_4, IMAGE_TOKEN_5, IMAGE_TOKEN_6};
    return tokens[static_cast<size_t>(number)];
}

} // namespace

Ball::Ball(Renderer* renderer, float x, float y, float size)
    : PhysSprite(renderer, x, y, 0.0f, 0.0f, size), mSize(size)
{
}

void Ball::SetUp(int symbol, int symbolSet)
{
    mBodySprite = AddSprite(TokenPicture(Platform::Rand() % 6), kBodyLayer, 0);
    mSymbolSprite = AddSprite(IMAGE_SYMBOLS, kFaceLayer, symbol);
    mShadowSprite = AddSprite(IMAGE_TOKEN_SHADOW, kShadowLayer, 0);
    mOverlaySprite = AddSprite(IMAGE_BONUS, kFaceLayer, mSpecialKind);
    mSymbol = symbol;
    mSymbolSet = symbolSet;
    // A random one of 100 turns, in steps of 2 × 3.14 / 100 radians, so
    // that bodies of one colour do not all look alike. Each step falls 0.05 %
    // short of a hundredth of a circle, which never shows on a round body;
    // with 3.14 a game played from a given seed (a recorded demo) shows its
    // bodies at the angles it always has.
    mBodySprite->mRotation = 2.0f * 3.14f * static_cast<float>(Platform::Rand() % 100) / 100.0f;
    mGrowCounter = kFullCount;
    CreateBody();
    Update();
}

void Ball::Update()
{
    bool shown = mOpen || mHeldShown;

    if (mSpecialLifetime != 0) {
        --mSpecialLifetime;
        const double pulse = (std::sin(mSpecialLifetime / 20.0) + 1.0) * 128.0;
        mOverlaySprite->mAlpha = static_cast<int>(std::clamp(pulse, 0.0, 255.0));
        // The kind ends; the overlay keeps pulsing.
        if (mSpecialLifetime == 0)
            SetSpecial(kSpecialNone);
    }

    if (mGrowCounter != 0) {
        mGrowCounter -= kGrowStep;
        const float scale = (1.0f - static_cast<float>(mGrowCounter) / 100.0f) * mSize;
        mScaleX = scale;
        mScaleY = scale;
        dGeomSphereSetRadius(mGeom, kRadius * scale);
    } else if (mRemovalCounter != 0) {
        mRemovalCounter -= kRemovalStep;
        const float scale = static_cast<float>(mRemovalCounter) / 100.0f * mSize;
        mScaleX = scale;
        mScaleY = scale;
    } else if (mFlipCounter != 0) {
        mFlipCounter -= kFlipStep;
        mScaleX = static_cast<float>(std::fabs(std::cos(mFlipCounter / 100.0 * std::numbers::pi))) * mSize;
        mScaleY = mSize;
        // The face changes half-way through the turn.
        shown = shown ? mFlipCounter < 50 : mFlipCounter > 50;
    } else {
        const float scale = mHovered ? mSize * kHoverScale : mSize;
        mScaleX = scale;
        mScaleY = scale;
    }

    mSymbolSprite->mVisible = shown;
    mOverlaySprite->mVisible = !shown;
    if (mTranslucent && !shown) {
        mSymbolSprite->mVisible = true;
        mSymbolSprite->mAlpha = kFaintSymbolAlpha;
    } else {
        mSymbolSprite->mAlpha = 255;
    }

    PhysSprite::Update();
}

void Ball::UpdateHover(int pointerX, int pointerY)
{
    const float dx = static_cast<float>(pointerX) - mX;
    const float dy = static_cast<float>(pointerY) - mY;
    mHovered = std::sqrt(dx * dx + dy * dy) < kRadius * mSize;
}

void Ball::Flip()
{
    mOpen = !mOpen;
    if (!mHeldShown)
        mFlipCounter = kFullCount;
}

void Ball::SetHeldShown(bool shown)
{
    mHeldShown = shown;
    if (!mOpen)
        mFlipCounter = kFullCount;
}

void Ball::StartRemoval()
{
    mRemovalCounter = kFullCount;
    mBeingRemoved = true;
}

void Ball::SetSpecial(int kind)
{
    mOverlaySprite->mFrame = kind;
    mSpecialKind = kind;
    mSpecialLifetime = kSpecialLifetime;
}

dGeomID Ball::CreateGeom()
{
    return dCreateSphere(gPhysicsSpace, kRadius * mSize);
}
