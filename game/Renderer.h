#pragma once
// Draws what moves on the play field: each frame the sprites queued on it,
// sorted by layer, then its particles over them all. One per stage.

#include "game/veParticleSystem.h"

#include <cstdint>
#include <memory>
#include <vector>

class Sprite;

namespace Vorn {
class Graphics;
}

class Renderer {
public:
    // The particles start from the seed the application's random numbers
    // started from, which a demo records.
    Renderer();
    explicit Renderer(uint32_t particleSeed);
    ~Renderer();
    Renderer(const Renderer&) = delete;
    Renderer& operator=(const Renderer&) = delete;

    // Draws the queue by ascending layer and empties it. Sprites of one layer
    // keep the order they were queued in, so every run draws a frame alike.
    void Draw(Vorn::Graphics* g);
    void DrawParticles(Vorn::Graphics* g);

    // Borrowed for one frame: a queued sprite must not be deleted before Draw.
    std::vector<Sprite*> mDrawQueue;
    std::unique_ptr<veParticleSystem> mParticleSystem;
};
