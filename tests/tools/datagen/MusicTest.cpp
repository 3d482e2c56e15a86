// "Music/Music.ogg" read page by page: a whole, checksummed Ogg stream of
// one Vorbis song, stereo at 44.1 kHz, at least a minute long.

#include "GameData.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>

namespace {

uint64_t OggLe(const std::string& data, size_t at, int bytes)
{
    uint64_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = value << 8 | static_cast<uint8_t>(data[at + static_cast<size_t>(i)]);
    return value;
}

// The Ogg page checksum: CRC-32 of polynomial 0x04C11DB7, not reflected,
// over the page with its checksum field zeroed.
uint32_t PageChecksum(std::string page)
{
    for (size_t i = 22; i < 26; ++i)
        page[i] = 0;
    uint32_t crc = 0;
    for (const char c : page) {
        crc ^= static_cast<uint32_t>(static_cast<uint8_t>(c)) << 24;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
    }
    return crc;
}

TEST(Music, IsOneWholeVorbisStreamOfAtLeastAMinute)
{
    const std::string ogg = Testing::ReadLooseFile("Music/Music.ogg");
    ASSERT_GT(ogg.size(), 100000u);
    size_t at = 0;
    int pages = 0;
    uint64_t serial = 0;
    uint64_t lastGranule = 0;
    bool ended = false;
    std::string firstBody;
    while (at < ogg.size()) {
        ASSERT_FALSE(ended) << "data after the last page";
        ASSERT_EQ(ogg.compare(at, 4, "OggS"), 0) << "page " << pages;
        ASSERT_EQ(ogg[at + 4], 0);
        const int type = static_cast<uint8_t>(ogg[at + 5]);
        const uint64_t granule = OggLe(ogg, at + 6, 8);
        const int segments = static_cast<uint8_t>(ogg[at + 26]);
        size_t body = 0;
        for (int s = 0; s < segments; ++s)
            body += static_cast<uint8_t>(ogg[at + 27 + static_cast<size_t>(s)]);
        const size_t length = 27 + static_cast<size_t>(segments) + body;
        ASSERT_LE(at + length, ogg.size());
        EXPECT_EQ(OggLe(ogg, at + 22, 4), PageChecksum(ogg.substr(at, length))) << "page " << pages;
        EXPECT_EQ(OggLe(ogg, at + 18, 4), static_cast<uint64_t>(pages));
        if (pages == 0) {
            serial = OggLe(ogg, at + 14, 4);
            EXPECT_EQ(type & 2, 2) << "the first page begins the stream";
            firstBody = ogg.substr(at + 27 + static_cast<size_t>(segments), body);
        } else {
            EXPECT_EQ(OggLe(ogg, at + 14, 4), serial);
        }
        if (granule != ~uint64_t{0})
            lastGranule = granule;
        ended = (type & 4) != 0;
        at += length;
        ++pages;
    }
    EXPECT_TRUE(ended) << "the last page ends the stream";
    // The identification header: packet type 1, "vorbis", version 0,
    // channels, rate.
    ASSERT_GE(firstBody.size(), 30u);
    EXPECT_EQ(firstBody.substr(0, 7), std::string("\x01vorbis"));
    EXPECT_EQ(OggLe(firstBody, 7, 4), 0u);
    EXPECT_EQ(static_cast<uint8_t>(firstBody[11]), 2);
    EXPECT_EQ(OggLe(firstBody, 12, 4), 44100u);
    EXPECT_GE(static_cast<double>(lastGranule) / 44100.0, 60.0);
}

} // namespace
