#include "game/Sprite.h"

#include "game/Renderer.h"

Sprite::Sprite(Renderer* renderer, float x, float y) : mX(x), mY(y), mRenderer(renderer) {}

Sprite::~Sprite() = default;

void Sprite::UpdateTransform()
{
    if (!mVisible)
        return;
    mTransform.Reset();
    mTransform.Scale(mScaleX, mScaleY);
    mTransform.RotateRad(mRotation);
}

void Sprite::Queue()
{
    if (mVisible)
        mRenderer->mDrawQueue.push_back(this);
}
