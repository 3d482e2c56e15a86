#pragma once
// Text drawn the same on every machine: fontconfig is made to know only the
// DejaVu Sans faces of fonts-dejavu-core, whatever the desktop has, so that
// system fonts of any face name draw with them.

#include <string>

namespace Testing {

inline const std::string kDejaVuSans = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
inline const std::string kDejaVuSansBold = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";

// For the rest of the process; false when the faces are not installed.
bool PinSystemFonts();

} // namespace Testing
