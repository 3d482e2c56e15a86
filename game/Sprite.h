#pragma once
// One image cel on the play field, drawn centred on its position through a
// transform of its scale and rotation, in the order of its layer.

#include "framework/graphics/Image.h"
#include "framework/graphics/Transform.h"

class Renderer;

class Sprite {
public:
    // The creator fills in the image, layer and frame.
    Sprite(Renderer* renderer, float x, float y);
    virtual ~Sprite();
    Sprite(const Sprite&) = delete;
    Sprite& operator=(const Sprite&) = delete;

    // Rebuilds the transform from scale, then rotation, while visible; a
    // hidden sprite keeps its last one. The position is not part of it.
    virtual void UpdateTransform();
    // Onto the renderer's draw queue while visible.
    virtual void Queue();

    // The centre of the cel, in play-field pixels; the offset is added when
    // drawing.
    float mX;
    float mY;
    float mOffsetX = 0.0f;
    float mOffsetY = 0.0f;
    float mScaleX = 1.0f;
    float mScaleY = 1.0f;
    // Radians.
    float mRotation = 0.0f;
    int mLayer = 0;
    bool mVisible = true;
    // The cel drawn.
    int mFrame = 0;
    // 0..255; below 255 the cel is drawn translucent.
    int mAlpha = 255;
    Vorn::Transform mTransform;
    // Not owned.
    Vorn::Image* mImage = nullptr;
    Renderer* mRenderer;
};
