#pragma once
// The folder the build made the game's data set in, beside the program.

#include <string>

namespace Testing {

inline const std::string kGameFolder = GAME_DATA_DIR;

} // namespace Testing
