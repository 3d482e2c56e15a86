#pragma once
// The demo file ".dmo": what a replay needs besides the command stream, then
// the stream itself. Little-endian throughout:
//
//   magic 0x42BEEF78                 4 bytes
//   format version (2 is written)    4
//   random seed of the recorded run  4
//   product version string           2-byte length L, then L bytes
//   marker block size M              4   (format 2 and later)
//   marker block                     M   (format 2 and later)
//   total updates                    4
//   the command stream               to the end of the file
//
// The marker block is a Vorn::Buffer image: a 32-bit count, then per marker its
// name (WriteString) and update (WriteInt32).

#include "framework/app/Buffer.h"
#include "framework/app/ByteSink.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace Vorn {

struct DemoMarker {
    std::string name;
    int32_t update = 0;

    bool operator==(const DemoMarker&) const = default;
};

// Everything in the file but the version string and the stream.
struct DemoFileInfo {
    // Loading returns it; reseeding the generators is the caller's.
    uint32_t seed = 0;
    std::vector<DemoMarker> markers;
    // The update count when the file was written.
    int32_t totalUpdates = 0;
};

// Everything before the command stream, without allocating (the crash
// catcher writes a demo from its signal handler). A version string longer
// than its 16-bit length field is stored as its first 65535 bytes, a marker
// name as its first Buffer::kMaxStringLength bytes. False when the sink
// refused bytes.
bool WriteDemoFileHead(ByteSink& sink, std::string_view versionString, uint32_t seed,
                       const std::vector<DemoMarker>& markers, int32_t totalUpdates);

// False when the file cannot be created or written.
bool SaveDemoFile(const std::string& path, const std::string& versionString, const DemoFileInfo& info,
                  const Buffer& stream);

// On success `info` and `stream` (rewound) take the file's contents; on
// failure they stay as they were and `error` says why: "Demo file not found: "
// and the path, "Invalid demo file.", or "This demo file appears to be for '"
// the stored version string "'" when it differs from `expectedVersionString`.
bool LoadDemoFile(const std::string& path, const std::string& expectedVersionString, DemoFileInfo& info,
                  Buffer& stream, std::string& error);

} // namespace Vorn
