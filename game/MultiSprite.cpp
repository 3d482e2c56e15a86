#include "game/MultiSprite.h"

MultiSprite::MultiSprite(Renderer* renderer, float x, float y, float scale)
    : mX(x), mY(y), mScaleX(scale), mScaleY(scale), mRenderer(renderer)
{
}

MultiSprite::~MultiSprite() = default;

void MultiSprite::SyncChildren()
{
    for (const auto& child : mChildren) {
        child->mX = mX;
        child->mY = mY;
        child->mScaleX = mScaleX;
        child->mScaleY = mScaleY;
    }
    for (const auto& child : mChildren)
        child->UpdateTransform();
}

void MultiSprite::QueueChildren()
{
    for (const auto& child : mChildren)
        child->Queue();
}

Sprite* MultiSprite::AddSprite(Vorn::Image* image, int layer, int frame)
{
    auto child = std::make_unique<Sprite>(mRenderer, 0.0f, 0.0f);
    child->mImage = image;
    child->mLayer = layer;
    child->mFrame = frame;
    mChildren.push_back(std::move(child));
    return mChildren.back().get();
}
