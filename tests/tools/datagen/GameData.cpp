#include "GameData.h"

#include <fstream>
#include <iterator>

namespace Testing {

std::string ReadLooseFile(const std::string& name)
{
    std::ifstream in(kGameFolder + "/" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

GameArchive::GameArchive()
    : mPrevious(std::exchange(Vorn::gPakInterface, &mPak)), mAdded(mPak.AddArchive(kGameFolder + "/main.pak"))
{
}

GameArchive::~GameArchive()
{
    Vorn::gPakInterface = mPrevious;
}

std::string GameArchive::Read(const std::string& name)
{
    Vorn::PakFileHandle* file = Vorn::PakFOpen(name.c_str(), "rb");
    if (!file)
        return {};
    std::string data;
    char buffer[65536];
    size_t got = 0;
    while ((got = Vorn::PakFRead(buffer, 1, sizeof buffer, file)) > 0)
        data.append(buffer, got);
    Vorn::PakFClose(file);
    return data;
}

} // namespace Testing
