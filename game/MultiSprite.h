#pragma once
// A group of sprites that move and scale together: at every synchronisation
// the children take the group's position and scale, and keep their own
// rotation, offsets, frame, alpha, layer and visibility.

#include "game/Sprite.h"

#include <memory>
#include <vector>

class MultiSprite {
public:
    MultiSprite(Renderer* renderer, float x, float y, float scale);
    virtual ~MultiSprite();
    MultiSprite(const MultiSprite&) = delete;
    MultiSprite& operator=(const MultiSprite&) = delete;

    virtual float GetX() const { return mX; }
    virtual float GetY() const { return mY; }
    virtual float GetScaleX() const { return mScaleX; }
    virtual float GetScaleY() const { return mScaleY; }
    // Position and scale into every child, then every child's transform.
    virtual void SyncChildren();
    // Every child onto the draw queue, in the order of the children.
    virtual void QueueChildren();

    // A new child at (0, 0) on the group's renderer.
    Sprite* AddSprite(Vorn::Image* image, int layer, int frame);

    float mX;
    float mY;
    float mScaleX;
    float mScaleY;
    std::vector<std::unique_ptr<Sprite>> mChildren;
    // Given to every child; not owned.
    Renderer* mRenderer;
};
