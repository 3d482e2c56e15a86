#include "fakes/TempDir.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <stdexcept>
#include <unistd.h>
#include <vector>

namespace Testing {

namespace {

std::mutex gLiveTempDirsMutex;

std::vector<const TempDir*>& LiveTempDirs()
{
    static std::vector<const TempDir*> dirs;
    return dirs;
}

} // namespace

TempDir::TempDir() : mOwner(getpid())
{
    std::string pattern = (std::filesystem::temp_directory_path() / "zarquel-test-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    mPath = pattern;
    const std::lock_guard lock(gLiveTempDirsMutex);
    LiveTempDirs().push_back(this);
}

TempDir::~TempDir()
{
    {
        const std::lock_guard lock(gLiveTempDirsMutex);
        auto& dirs = LiveTempDirs();
        dirs.erase(std::remove(dirs.begin(), dirs.end(), this), dirs.end());
    }
    std::error_code ec;
    std::filesystem::remove_all(mPath, ec);
}

void TempDir::RemoveThoseOfThisProcess()
{
    const std::lock_guard lock(gLiveTempDirsMutex);
    const int self = getpid();
    for (const TempDir* dir : LiveTempDirs()) {
        std::error_code ec;
        if (dir->mOwner == self)
            std::filesystem::remove_all(dir->mPath, ec);
    }
}

void TempDir::WriteFile(const std::string& name, const std::string& contents) const
{
    const std::filesystem::path path = std::filesystem::path(mPath) / name;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out << contents;
}

} // namespace Testing
