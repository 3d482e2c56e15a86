#pragma once
// The data set the build made beside the program, opened the way the game
// opens it: the archive through the file layer, the loose files from disk.

#include "framework/resources/PakInterface.h"

#include <string>
#include <utility>

namespace Testing {

// The folder the game runs in.
inline const std::string kGameFolder = GAME_DATA_DIR;

// A file beside the program; empty when it cannot be read.
std::string ReadLooseFile(const std::string& name);

// While it lives, the file layer serves the game's archive.
class GameArchive {
public:
    GameArchive();
    ~GameArchive();
    GameArchive(const GameArchive&) = delete;
    GameArchive& operator=(const GameArchive&) = delete;

    bool Added() const { return mAdded; }
    // A file of the archive (or the disk) through the file layer; empty when
    // it is missing.
    static std::string Read(const std::string& name);

private:
    Vorn::PakInterface mPak;
    Vorn::PakInterface* mPrevious;
    bool mAdded;
};

} // namespace Testing
