#include "framework/app/FileUtils.h"

#include "platform/Paths.h"

#include <chrono>
#include <filesystem>

namespace fs = std::filesystem;

namespace Vorn {

namespace {

bool DeleteTree(const fs::path& dir)
{
    std::error_code ec;
    fs::directory_iterator it(dir, ec);
    if (ec)
        return false;
    bool complete = true;
    for (const fs::directory_iterator end; it != end; it.increment(ec)) {
        std::error_code entryError;
        // A link is an entry of this tree, its target is not: it is removed
        // itself, so nothing outside the tree is touched.
        if (it->symlink_status(entryError).type() == fs::file_type::directory) {
            complete = DeleteTree(it->path()) && complete;
        } else {
            fs::remove(it->path(), entryError);
            complete = complete && !entryError;
        }
    }
    if (ec)
        complete = false;
    fs::remove(dir, ec);
    return complete && !ec;
}

} // namespace

bool IsWindows9x()
{
    return false;
}

bool FileExists(const std::string& path)
{
    std::error_code ec;
    return fs::exists(Platform::ResolveFileName(path), ec);
}

int64_t GetFileDate(const std::string& path)
{
    std::error_code ec;
    const fs::file_time_type written = fs::last_write_time(Platform::ResolveFileName(path), ec);
    if (ec)
        return 0;
    const auto sinceEpoch = std::chrono::file_clock::to_sys(written).time_since_epoch();
    return std::chrono::duration_cast<std::chrono::seconds>(sinceEpoch).count();
}

void MakeDirectories(const std::string& path)
{
    std::error_code ec;
    for (size_t slash = path.find_first_of("\\/"); slash != std::string::npos;
         slash = path.find_first_of("\\/", slash + 1))
        fs::create_directory(Platform::ResolveFileName(path.substr(0, slash)), ec);
    fs::create_directory(Platform::ResolveFileName(path), ec);
}

bool DeleteDirectoryTree(const std::string& path)
{
    if (path.size() < 2)
        return false;
    std::string dir = Platform::ResolveFileName(path);
    // With a trailing separator the system would look through a link.
    while (!dir.empty() && dir.back() == '/')
        dir.pop_back();
    std::error_code ec;
    if (fs::is_symlink(fs::symlink_status(dir, ec)))
        return fs::remove(dir, ec) && !ec;
    return DeleteTree(dir);
}

// The data folder lives in the user's own home, already theirs alone.
bool GrantEveryoneAccess(const std::string&)
{
    return true;
}

} // namespace Vorn
