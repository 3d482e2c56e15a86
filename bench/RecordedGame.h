#pragma once
// A demo stream shaped like a recorded game: mostly pointer moves, with
// clicks, keys and wheel turns among them, a few commands per update and now
// and then a long pause.

#include "framework/app/DemoStream.h"

#include <cstdint>
#include <random>

namespace Bench {

inline Vorn::DemoStream RecordGame(uint32_t seed, int commands, int32_t& lastUpdate)
{
    using Vorn::DemoCommand;
    std::mt19937 rng(seed);
    Vorn::DemoStream recorder(Vorn::DemoMode::Recording);
    int32_t update = 0;
    for (int i = 0; i < commands; ++i) {
        const uint32_t r = rng();
        update += r % 64 == 0 ? 40 : static_cast<int32_t>(r % 3);
        const auto small = static_cast<int32_t>(r >> 8 & 31) - 15;
        switch (r >> 16 & 7) {
        case 0: recorder.RecordCommand(update, DemoCommand::MouseButton((r & 1) != 0, 1)); break;
        case 1: recorder.RecordCommand(update, DemoCommand::KeyDown(static_cast<int32_t>(r >> 24))); break;
        case 2: recorder.RecordCommand(update, DemoCommand::Position(small * 100, small * 37)); break;
        case 3: recorder.RecordCommand(update, DemoCommand::Wheel(small / 8)); break;
        default: recorder.RecordCommand(update, DemoCommand::MouseMove(small, -small)); break;
        }
    }
    lastUpdate = update;
    return recorder;
}

} // namespace Bench
