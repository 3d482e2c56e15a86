#pragma once
// Textures of every layout the rasteriser's vector rows read, and a fetch
// of the same texels they do not know, for the tests that hold the rows to
// the generic kernel.

#include "framework/graphics/TriangleRasterizer.h"

#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace Testing {

namespace SWTri = Vorn::SWTri;

// The same texels through a fetch the vector rows do not know: the generic
// kernel draws with it.
template <typename Fetch>
struct Generic {
    static constexpr bool kPremultiplied = Fetch::kPremultiplied;
    Fetch fetch;
    int width;
    int height;
    uint32_t operator()(int x, int y) const { return fetch(x, y); }
};

template <typename Fetch>
Generic<Fetch> GenericOf(const Fetch& fetch)
{
    return Generic<Fetch>{fetch, fetch.width, fetch.height};
}

inline uint32_t PremultipliedWord(uint32_t t)
{
    const SWTri::Lanes l = SWTri::Premultiplied(t);
    return l.a << 24 | l.r << 16 | l.g << 8 | l.b;
}

// A texture of every layout at once: `colours` straight ARGB words of
// every alpha class, laid out by indices, and 16-bit words of their own.
struct Texture {
    Texture(int w, int h, std::mt19937& random) : width(w), height(h)
    {
        std::uniform_int_distribution<uint32_t> any;
        for (uint32_t& c : table) {
            const uint32_t alphas[4] = {0, 0xFF, any(random) & 0xFF, 1};
            c = alphas[any(random) % 4] << 24 | (any(random) & 0xFFFFFF);
        }
        // A few transparent words with colour: an unweighted fetch adds it.
        table[3] = 0x00FFFFFF;
        for (size_t i = 0; i < table.size(); ++i) {
            premultipliedTable[i] = PremultipliedWord(table[i]);
        }
        const size_t count = static_cast<size_t>(w) * static_cast<size_t>(h);
        indices.resize(count);
        argb.resize(count);
        premultiplied.resize(count);
        // Runs of one index, as pictures have them, and single texels.
        for (size_t i = 0; i < count;) {
            const auto index = static_cast<uint8_t>(any(random) % 40);
            for (size_t run = 1 + any(random) % 6; run > 0 && i < count; --run, ++i) {
                indices[i] = index;
                argb[i] = table[index];
                premultiplied[i] = premultipliedTable[index];
            }
        }
        // Rows of 16-bit texels with room after them.
        pitch16 = w * 2 + 6;
        packed.resize(static_cast<size_t>(pitch16) * static_cast<size_t>(h));
        for (uint8_t& byte : packed)
            byte = static_cast<uint8_t>(any(random));
    }

    int width;
    int height;
    std::array<uint32_t, 256> table{};
    std::array<uint32_t, 256> premultipliedTable{};
    std::vector<uint8_t> indices;
    std::vector<uint32_t> argb;
    std::vector<uint32_t> premultiplied;
    int pitch16 = 0;
    std::vector<uint8_t> packed;
};

// A test run at one level of vector rows, the level before put back after
// it; skipped where the processor lacks the level.
class AtRowLevel : public ::testing::TestWithParam<SWTri::RowLevel> {
protected:
    void SetUp() override
    {
        if (!SWTri::SetRowLevel(GetParam()))
            GTEST_SKIP() << "the processor has no rows of this level";
    }
    void TearDown() override { SWTri::SetRowLevel(mBefore); }

private:
    const SWTri::RowLevel mBefore = SWTri::CurrentRowLevel();
};

inline std::string RowLevelName(const ::testing::TestParamInfo<SWTri::RowLevel>& info)
{
    return info.param == SWTri::RowLevel::Avx2 ? "Avx2" : "Sse2";
}

// A level of rows and how its rows read texels (only AVX2 rows have a
// choice).
struct Rows {
    SWTri::RowLevel level;
    SWTri::TexelReads reads;
};

// As AtRowLevel, the reads before also put back.
class AtRows : public ::testing::TestWithParam<Rows> {
protected:
    void SetUp() override
    {
        if (!SWTri::SetRowLevel(GetParam().level))
            GTEST_SKIP() << "the processor has no rows of this level";
        SWTri::SetTexelReads(GetParam().reads);
    }
    void TearDown() override
    {
        SWTri::SetRowLevel(mLevel);
        SWTri::SetTexelReads(mReads);
    }

private:
    const SWTri::RowLevel mLevel = SWTri::CurrentRowLevel();
    const SWTri::TexelReads mReads = SWTri::gTexelReads.load();
};

inline const auto kEveryRows = ::testing::Values(Rows{SWTri::RowLevel::Sse2, SWTri::TexelReads::Loads},
    Rows{SWTri::RowLevel::Avx2, SWTri::TexelReads::Loads}, Rows{SWTri::RowLevel::Avx2, SWTri::TexelReads::Gather});

inline std::string RowsName(const ::testing::TestParamInfo<Rows>& info)
{
    if (info.param.level == SWTri::RowLevel::Sse2)
        return "Sse2";
    return info.param.reads == SWTri::TexelReads::Gather ? "Avx2Gather" : "Avx2Loads";
}

} // namespace Testing
