#include "game/Renderer.h"

#include "framework/app/VornAppBase.h"
#include "framework/graphics/Graphics.h"
#include "game/Sprite.h"

#include <algorithm>
#include <cstdint>

namespace {

// The sprite's frame within the cels its image has.
int CelInRange(const Sprite& sprite)
{
    const Vorn::Image& image = *sprite.mImage;
    const int64_t cels = int64_t{std::max(image.mNumRows, 1)} * std::max(image.mNumCols, 1);
    return static_cast<int>(std::clamp<int64_t>(sprite.mFrame, 0, cels - 1));
}

} // namespace

Renderer::Renderer() : Renderer(Vorn::gApplication != nullptr ? Vorn::gApplication->mRandSeed : 0) {}

Renderer::Renderer(uint32_t particleSeed) : mParticleSystem(std::make_unique<veParticleSystem>(particleSeed)) {}

Renderer::~Renderer() = default;

void Renderer::Draw(Vorn::Graphics* g)
{
    std::stable_sort(mDrawQueue.begin(), mDrawQueue.end(),
        [](const Sprite* a, const Sprite* b) { return a->mLayer < b->mLayer; });
    for (const Sprite* sprite : mDrawQueue) {
        if (sprite->mImage == nullptr)
            continue;
        const Vorn::Rect source = sprite->mImage->GetCelRect(CelInRange(*sprite));
        if (sprite->mAlpha < 255) {
            g->SetColorize(true);
            g->SetColor(Vorn::Color(255, 255, 255, std::max(sprite->mAlpha, 0)));
        } else {
            g->SetColorize(false);
        }
        g->DrawImageTransform(sprite->mImage, sprite->mTransform, source, sprite->mX + sprite->mOffsetX,
            sprite->mY + sprite->mOffsetY);
    }
    mDrawQueue.clear();
}

void Renderer::DrawParticles(Vorn::Graphics* g)
{
    mParticleSystem->Draw(g);
}
