#include "platform/Paths.h"
#include "platform/posix/NameMatch.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <pwd.h>
#include <unistd.h>
#include <unordered_map>
#include <vector>

namespace fs = std::filesystem;

namespace Platform {

namespace {

using Detail::AsciiLower;
using Detail::FindEntryNoCase;
using Detail::SameNameNoCase;

std::mutex gCacheMutex;
std::unordered_map<std::string, std::string> gResolved;
constexpr size_t kCacheLimit = 4096;

bool Exists(const std::string& path)
{
    std::error_code ec;
    return fs::symlink_status(path, ec).type() != fs::file_type::not_found && !ec;
}

std::string Join(const std::string& dir, const std::string& name)
{
    if (dir.empty())
        return name;
    if (dir.back() == '/')
        return dir + name;
    return dir + '/' + name;
}

// $HOME, else the user's entry in the password database; empty when the
// user has no home at all.
std::string HomeFolder()
{
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/')
        return home;
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir &&
        found->pw_dir[0] == '/')
        return found->pw_dir;
    return {};
}

// Never a folder other users share: without a home there is none.
std::string EnvFolder(const char* variable, const char* homeRelative)
{
    const char* value = std::getenv(variable);
    // Relative values are invalid by the XDG rules and are ignored.
    if (value && value[0] == '/')
        return value;
    const std::string home = HomeFolder();
    return home.empty() ? std::string() : home + homeRelative;
}

std::string WithoutTrailingSlash(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

} // namespace

std::string ResolveFileName(const std::string& name)
{
    std::string path = name;
    std::replace(path.begin(), path.end(), '\\', '/');
    if (path.empty() || Exists(path))
        return path;

    const std::string key = AsciiLower(path);
    {
        std::lock_guard lock(gCacheMutex);
        auto hit = gResolved.find(key);
        if (hit != gResolved.end()) {
            if (Exists(hit->second))
                return hit->second;
            gResolved.erase(hit);
        }
    }

    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t slash = path.find('/', start);
        if (slash == std::string::npos)
            slash = path.size();
        if (slash > start)
            parts.push_back(path.substr(start, slash - start));
        start = slash + 1;
    }

    std::string resolved = path[0] == '/' ? "/" : "";
    bool complete = true;
    for (const std::string& part : parts) {
        std::string candidate = Join(resolved, part);
        std::string match;
        if (!complete || part == "." || part == ".." || Exists(candidate)) {
            resolved = std::move(candidate);
        } else if (FindEntryNoCase(resolved, part, false, match)) {
            resolved = Join(resolved, match);
        } else {
            complete = false;
            resolved = std::move(candidate);
        }
    }
    if (path.back() == '/' && resolved.back() != '/')
        resolved += '/';

    if (complete) {
        std::lock_guard lock(gCacheMutex);
        if (gResolved.size() >= kCacheLimit)
            gResolved.clear();
        gResolved[key] = resolved;
    }
    return resolved;
}

std::string UserDataFolder()
{
    return WithoutTrailingSlash(EnvFolder("XDG_DATA_HOME", "/.local/share"));
}

std::string UserConfigFolder()
{
    return WithoutTrailingSlash(EnvFolder("XDG_CONFIG_HOME", "/.config"));
}

std::string RuntimeFolder()
{
    const char* value = std::getenv("XDG_RUNTIME_DIR");
    if (value && value[0] == '/')
        return WithoutTrailingSlash(value);
    std::error_code ec;
    std::string temp = fs::temp_directory_path(ec).string();
    return ec || temp.empty() ? std::string("/tmp") : WithoutTrailingSlash(temp);
}

} // namespace Platform
