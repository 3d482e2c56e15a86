#pragma once
// The floors of the four tracks and the colours each track's pictures share.

#include <cstdint>

namespace DataGen {

class Canvas;

// 0xRRGGBB colours of one track's look.
struct Theme {
    uint32_t dark;
    uint32_t mid;
    uint32_t accent;
    // The walls of the track.
    uint32_t wall;
};

// track and variant 0..3.
const Theme& TrackTheme(int track);
// An opaque 800 x 600 floor.
void DrawBackground(Canvas& canvas, int track, int variant);

} // namespace DataGen
