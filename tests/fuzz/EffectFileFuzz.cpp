// libFuzzer target: any bytes, read as an effect file, then run for a third of a second
// of frames with a small picture on every emitter and drawn into a small
// image. Whatever the file sets, nothing may crash, divide by zero, overflow
// or turn a value that is no number into an int.

#include "framework/graphics/Graphics.h"
#include "framework/graphics/MemoryImage.h"
#include "game/FXSprite.h"
#include "game/Renderer.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <sstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Renderer renderer(7);
    FXSprite effect(&renderer);
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    effect.Read(in);
    effect.SetEmittersPosition(40, 30);
    effect.SetEmittersActive(true);

    const uint32_t spark[4] = {0xFFFFFFFFu, 0x80FF0000u, 0x8000FF00u, 0x400000FFu};
    for (const auto& emitter : effect.mEmitters) {
        auto picture = std::make_unique<Vorn::MemoryImage>(nullptr);
        picture->SetBits(spark, 2, 2, true);
        emitter->mImage = std::move(picture);
    }
    Vorn::MemoryImage screen(nullptr);
    screen.Create(80, 60);
    Vorn::Graphics g(&screen);
    renderer.mParticleSystem->SetFrameTime(0.01f);
    for (int frame = 0; frame < 30; ++frame)
        renderer.DrawParticles(&g);
    return 0;
}
