#include "platform/CoverageScaler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using namespace Platform;
using Words = std::vector<uint32_t>;

// Output pixels' (first source pixel, weights), taps that weigh nothing left
// out.
using AxisTaps = std::vector<std::pair<int, std::vector<int>>>;

AxisTaps TapsOf(const CoverageAxis& axis)
{
    AxisTaps taps;
    for (int i = 0; i < axis.Count(); ++i) {
        std::vector<int> weights;
        for (int tap = 0; tap < axis.Taps(); ++tap)
            weights.push_back(axis.Weight(i, tap));
        while (weights.back() == 0)
            weights.pop_back();
        taps.emplace_back(axis.First(i), weights);
    }
    return taps;
}

// 5 onto 9 (1.8 times): an output pixel covers 5/9 of a source pixel; where
// it straddles two, the parts are 4/5 and 1/5 (weights 102 and 26: 102.4 and
// 25.6 rounded at the boundary) or 3/5 and 2/5 (77 and 51).
TEST(CoverageAxis, WeighsEachSourcePixelByThePartOfTheOutputPixelItCovers)
{
    const struct { int source, count; AxisTaps taps; } cases[] = {
        {5, 9, {{0, {128}}, {0, {102, 26}}, {1, {128}}, {1, {77, 51}}, {2, {128}}, {2, {51, 77}}, {3, {128}},
                   {3, {26, 102}}, {4, {128}}}},
        {3, 2, {{0, {85, 43}}, {1, {43, 85}}}},
        {3, 5, {{0, {128}}, {0, {85, 43}}, {1, {128}}, {1, {43, 85}}, {2, {128}}}},
        {2, 1, {{0, {64, 64}}}},
        {3, 1, {{0, {43, 42, 43}}}},
        {1, 3, {{0, {128}}, {0, {128}}, {0, {128}}}},
        {2, 6, {{0, {128}}, {0, {128}}, {0, {128}}, {1, {128}}, {1, {128}}, {1, {128}}}},
        {7, 2, {{0, {37, 36, 37, 18}}, {3, {18, 37, 36, 37}}}},
        {4, 4, {{0, {128}}, {1, {128}}, {2, {128}}, {3, {128}}}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.source) + " onto " + std::to_string(c.count));
        const CoverageAxis axis(c.source, c.count);
        EXPECT_EQ(TapsOf(axis), c.taps);
        size_t most = 0;
        for (const auto& [first, weights] : c.taps)
            most = std::max(most, weights.size());
        EXPECT_EQ(axis.Taps(), static_cast<int>((most + 1) / 2 * 2));
    }
}

// Along any axis the weights of an output pixel add up to 128, and every
// source pixel weighs 128 times the outputs per source pixel within one
// 128th: none counts twice where its neighbour counts once.
TEST(CoverageAxis, EverySourcePixelKeepsTheSameWeight)
{
    const std::pair<int, int> sizes[] = {{800, 1440}, {600, 1080}, {800, 1280}, {600, 1024}, {800, 1920},
        {1066, 1920}, {800, 799}, {800, 801}, {1440, 800}, {16384, 3}, {3, 16384}, {1, 1}, {1, 16384}, {16384, 1},
        {1000, 7}, {97, 1000}};
    for (const auto& [source, count] : sizes) {
        SCOPED_TRACE(std::to_string(source) + " onto " + std::to_string(count));
        const CoverageAxis axis(source, count);
        std::vector<int64_t> total(static_cast<size_t>(source));
        for (int i = 0; i < count; ++i) {
            int sum = 0;
            for (int tap = 0; tap < axis.Taps(); ++tap) {
                const int weight = axis.Weight(i, tap);
                ASSERT_GE(weight, 0);
                if (weight > 0) {
                    ASSERT_LT(axis.First(i) + tap, source);
                    total[static_cast<size_t>(axis.First(i) + tap)] += weight;
                }
                sum += weight;
            }
            ASSERT_EQ(sum, 128) << i;
        }
        for (int i = 0; i < source; ++i)
            ASSERT_LE(std::llabs(total[static_cast<size_t>(i)] * source - int64_t{128} * count), source) << i;
    }
}

// The reference: each channel of each output pixel summed over its taps of
// both axes, rounded half up.
Words Reference(const Words& source, int sourceWidth, int sourceHeight, int width, int height)
{
    const CoverageAxis across(sourceWidth, width);
    const CoverageAxis down(sourceHeight, height);
    Words out;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint32_t word = 0xFF000000;
            for (int shift = 0; shift < 24; shift += 8) {
                int64_t sum = 0;
                for (int ty = 0; ty < down.Taps(); ++ty)
                    for (int tx = 0; tx < across.Taps(); ++tx) {
                        const int weight = down.Weight(y, ty) * across.Weight(x, tx);
                        if (weight != 0) {
                            const uint32_t pixel = source[static_cast<size_t>((down.First(y) + ty) * sourceWidth +
                                                                              across.First(x) + tx)];
                            sum += weight * int64_t{pixel >> shift & 0xFF};
                        }
                    }
                word |= static_cast<uint32_t>((sum + 8192) >> 14) << shift;
            }
            out.push_back(word);
        }
    return out;
}

Words Noise(size_t count, uint32_t seed)
{
    Words words(count);
    for (uint32_t& word : words) {
        seed = seed * 1664525u + 1013904223u;
        word = seed ^ seed >> 13;
    }
    return words;
}

Words Scaled(const Words& source, int sourceWidth, int sourceHeight, int width, int height)
{
    const Frame frame{source.data(), sourceWidth * 4, sourceWidth, sourceHeight, kFormatX8R8G8B8};
    Words out(static_cast<size_t>(width) * static_cast<size_t>(height) + 1, 0x12345678);
    CoverageScaler(sourceWidth, sourceHeight, width, height)
        .Scale(frame, reinterpret_cast<uint8_t*>(out.data()), width * 4, kFormatX8R8G8B8);
    EXPECT_EQ(out.back(), 0x12345678u);
    out.pop_back();
    return out;
}

// Frames of every shape, up and down, odd and even, one pixel wide or high,
// match the reference pixel for pixel (the vector passes and their tails
// alike); the unused byte of the frame never shows.
TEST(CoverageScaler, EveryPixelIsTheWeighedSumOfWhatItCovers)
{
    const struct { int sourceWidth, sourceHeight, width, height; } cases[] = {{5, 5, 9, 9}, {7, 5, 13, 9},
        {8, 6, 15, 11}, {3, 2, 2, 1}, {13, 11, 4, 3}, {13, 11, 5, 7}, {1, 1, 17, 3}, {300, 2, 7, 40}, {5, 3, 1, 1},
        {17, 19, 17, 19}, {4, 4, 8, 12}, {80, 60, 144, 108}, {11, 1, 16, 1}, {1, 9, 1, 16}, {64, 48, 33, 29}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.sourceWidth) + "x" + std::to_string(c.sourceHeight) + " onto " +
                     std::to_string(c.width) + "x" + std::to_string(c.height));
        const Words source = Noise(static_cast<size_t>(c.sourceWidth) * static_cast<size_t>(c.sourceHeight), 7);
        const Words out = Scaled(source, c.sourceWidth, c.sourceHeight, c.width, c.height);
        const Words expected = Reference(source, c.sourceWidth, c.sourceHeight, c.width, c.height);
        for (size_t i = 0; i < out.size(); ++i)
            ASSERT_EQ(out[i], expected[i]) << "pixel " << i % c.width << ", " << i / c.width;
    }
}

// The last step rounds half up and nothing else: 5 x 3 onto 7 x 2 with
// channels whose sums fall one short of a half (blue at 5, 1: 1712127, with
// 8192 just short of 105 times 16384; green at 1, 1, through the vector
// loop) and on a half (red at 6, 1: 2596864 + 8192 is 159 times 16384).
TEST(CoverageScaler, RoundsHalfUpAtTheLastStepOnly)
{
    const int blue[3][5] = {{6, 141, 105, 72, 206}, {236, 71, 219, 143, 163}, {166, 231, 7, 79, 84}};
    const int green[3][5] = {{235, 241, 18, 193, 252}, {80, 132, 134, 209, 0}, {121, 188, 175, 146, 174}};
    const int red[3][5] = {{77, 153, 116, 103, 171}, {200, 208, 120, 109, 31}, {133, 127, 70, 200, 223}};
    Words source;
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            source.push_back(static_cast<uint32_t>(red[y][x] << 16 | green[y][x] << 8 | blue[y][x]));
    const Words out = Scaled(source, 5, 3, 7, 2);
    EXPECT_EQ(out, Reference(source, 5, 3, 7, 2));
    EXPECT_EQ(out[7 + 5] & 0xFF, 104u);
    EXPECT_EQ(out[7 + 1] >> 8 & 0xFF, 144u);
    EXPECT_EQ(out[7 + 6] >> 16 & 0xFF, 159u);
}

// A whole number of output pixels per source pixel along each axis copies
// every pixel into its block; one colour stays that colour at any scale.
TEST(CoverageScaler, WholeNumberScalesCopyAndOneColourStaysItself)
{
    const Words source = Noise(7 * 5, 3);
    for (const auto& [across, down] : {std::pair{1, 1}, {2, 2}, {3, 1}, {1, 4}, {2, 3}}) {
        SCOPED_TRACE(std::to_string(across) + "x" + std::to_string(down));
        const Words out = Scaled(source, 7, 5, 7 * across, 5 * down);
        for (int y = 0; y < 5 * down; ++y)
            for (int x = 0; x < 7 * across; ++x)
                ASSERT_EQ(out[static_cast<size_t>(y * 7 * across + x)],
                          source[static_cast<size_t>(y / down * 7 + x / across)] | 0xFF000000u) << x << ", " << y;
    }
    for (const uint32_t colour : {0x00000000u, 0x00FFFFFFu, 0x00FE0180u, 0x12345678u})
        for (const auto& [width, height] : {std::pair{9, 7}, {1440, 3}, {3, 1}, {16, 16}}) {
            const Words out = Scaled(Words(10 * 6, colour), 10, 6, width, height);
            EXPECT_EQ(out, Words(out.size(), colour | 0xFF000000u)) << std::hex << colour << " " << width;
        }
}

// A one-pixel checkerboard at 1.8 times: every 9 x 9 square of output
// pixels, wherever it lies, covers 5 x 5 source pixels and averages
// mid-grey within 6 steps (12 or 13 of the 25 are white), where a pixel
// under each centre gives squares 14 steps off.
TEST(CoverageScaler, ACheckerboardAtOnePointEightTimesStaysMidGreyInEverySquareOfNinePixels)
{
    Words board(40 * 30);
    for (size_t i = 0; i < board.size(); ++i)
        board[i] = (i % 40 + i / 40) % 2 ? 0xFFFFFFFF : 0xFF000000;
    const Words out = Scaled(board, 40, 30, 72, 54);
    for (int top = 0; top + 9 <= 54; ++top)
        for (int left = 0; left + 9 <= 72; ++left) {
            int sum = 0;
            for (int y = top; y < top + 9; ++y)
                for (int x = left; x < left + 9; ++x) {
                    const uint32_t pixel = out[static_cast<size_t>(y * 72 + x)];
                    ASSERT_TRUE((pixel & 0xFF) == (pixel >> 8 & 0xFF) && (pixel & 0xFF) == (pixel >> 16 & 0xFF));
                    sum += static_cast<int>(pixel & 0xFF);
                }
            ASSERT_NEAR(sum / 81.0, 127.5, 6.0) << left << ", " << top;
        }
}

// Into 16-bit pixels each channel of the word is rounded to the format's:
// whole-number scales give back every pixel of the frame.
TEST(CoverageScaler, SixteenBitOutputRoundsTheWordsAndCopiesAtWholeNumberScales)
{
    std::vector<uint16_t> source(64 * 32);
    for (size_t i = 0; i < source.size(); ++i)
        source[i] = static_cast<uint16_t>(i * 37 + (i >> 6));
    const Frame frame{source.data(), 128, 64, 32, kFormatR5G6B5};
    std::vector<uint16_t> doubled(128 * 64 + 1, 0xABCD);
    CoverageScaler(64, 32, 128, 64).Scale(frame, reinterpret_cast<uint8_t*>(doubled.data()), 256, kFormatR5G6B5);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 128; ++x)
            ASSERT_EQ(doubled[static_cast<size_t>(y * 128 + x)], source[static_cast<size_t>(y / 2 * 64 + x / 2)]);
    EXPECT_EQ(doubled.back(), 0xABCD);

    std::vector<uint8_t> odd(2 * 115 * 57 + 1, 0xEE);
    CoverageScaler(64, 32, 115, 57).Scale(frame, odd.data() + 1, 230, kFormatX1R5G5B5);
    Words words(115 * 57);
    CoverageScaler(64, 32, 115, 57).Scale(frame, reinterpret_cast<uint8_t*>(words.data()), 460, kFormatX8R8G8B8);
    const PixelConverter narrow(kFormatX1R5G5B5);
    for (size_t i = 0; i < words.size(); ++i)
        ASSERT_EQ(odd[1 + 2 * i] | odd[2 + 2 * i] << 8, narrow.Pixel(words[i])) << i;
    EXPECT_EQ(odd[0], 0xEE);
}

} // namespace
