#include "fakes/TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace Testing {

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "zarquel-test-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    mPath = pattern;
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::remove_all(mPath, ec);
}

void TempDir::WriteFile(const std::string& name, const std::string& contents) const
{
    const std::filesystem::path path = std::filesystem::path(mPath) / name;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out << contents;
}

} // namespace Testing
