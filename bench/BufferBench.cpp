// The demo stream's load: every recorded event is a short header and a few
// fields of 1 to 12 bits, now and then a 32-bit value or a short string.

#include "framework/app/Buffer.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace {

enum class Event { Move, Button, Position, Key, WebResult };

struct Command {
    Event event;
    int32_t a;
    int32_t b;
    std::string text;
};

std::vector<Command> MakeCommands(int count)
{
    std::mt19937 rng(7);
    std::vector<Command> commands;
    for (int i = 0; i < count; ++i) {
        const auto event = static_cast<Event>(rng() % 5);
        std::string text;
        if (event == Event::WebResult)
            text.assign(rng() % 24, 'q');
        commands.push_back({event, static_cast<int32_t>(rng() % 4096), static_cast<int32_t>(rng() % 4096), text});
    }
    return commands;
}

void WriteCommand(Vorn::Buffer& buffer, const Command& c)
{
    buffer.WriteBits(c.a & 3, 4);
    const bool mouse = c.event == Event::Move || c.event == Event::Button;
    buffer.WriteBits(mouse ? 1 : 0, 1);
    switch (c.event) {
    case Event::Move:
        buffer.WriteBits(0, 1);
        buffer.WriteBits(c.a % 63 - 31, 6);
        buffer.WriteBits(c.b % 63 - 31, 6);
        break;
    case Event::Button:
        buffer.WriteBits(1, 1);
        buffer.WriteBits(c.a & 1, 1);
        buffer.WriteBits(c.b % 7 - 3, 3);
        break;
    case Event::Position:
        buffer.WriteBits(0, 5);
        buffer.WriteBits(c.a, 12);
        buffer.WriteBits(c.b, 12);
        break;
    case Event::Key:
        buffer.WriteBits(3, 5);
        buffer.WriteBits(c.a & 0xFF, 8);
        break;
    case Event::WebResult:
        buffer.WriteBits(17, 5);
        buffer.WriteInt32(c.a);
        buffer.WriteBits(c.b & 0xFF, 8);
        buffer.WriteString(c.text);
        break;
    }
}

int64_t ReadCommand(Vorn::Buffer& buffer)
{
    int64_t sum = buffer.ReadBits(4, false);
    if (buffer.ReadBits(1, false) != 0) {
        if (buffer.ReadBits(1, false) == 0)
            return sum + buffer.ReadBits(6, true) + buffer.ReadBits(6, true);
        return sum + buffer.ReadBits(1, false) + buffer.ReadBits(3, true);
    }
    switch (buffer.ReadBits(5, false)) {
    case 0:
        return sum + buffer.ReadBits(12, false) + buffer.ReadBits(12, false);
    case 3:
        return sum + buffer.ReadBits(8, false);
    default:
        sum += buffer.ReadInt32();
        sum += buffer.ReadBits(8, false);
        return sum + static_cast<int64_t>(buffer.ReadString().size());
    }
}

constexpr int kCommands = 4096;

void BM_WriteDemoCommands(benchmark::State& state)
{
    const std::vector<Command> commands = MakeCommands(kCommands);
    Vorn::Buffer buffer;
    for (auto _ : state) {
        buffer.Clear();
        for (const Command& c : commands)
            WriteCommand(buffer, c);
        benchmark::DoNotOptimize(buffer.GetBytes());
    }
    state.SetItemsProcessed(state.iterations() * kCommands);
}
BENCHMARK(BM_WriteDemoCommands);

void BM_ReadDemoCommands(benchmark::State& state)
{
    Vorn::Buffer buffer;
    for (const Command& c : MakeCommands(kCommands))
        WriteCommand(buffer, c);
    for (auto _ : state) {
        buffer.Rewind();
        int64_t sum = 0;
        while (!buffer.AtEnd())
            sum += ReadCommand(buffer);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kCommands);
}
BENCHMARK(BM_ReadDemoCommands);

} // namespace
