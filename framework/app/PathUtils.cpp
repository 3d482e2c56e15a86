#include "framework/app/PathUtils.h"

namespace Vorn {

namespace {

constexpr const char* kSeparators = "\\/";

std::string gAppDataFolder;

bool IsSeparator(char c)
{
    return c == '\\' || c == '/';
}

bool HasDrive(const std::string& path)
{
    return path.size() >= 2 && path[1] == ':';
}

// "a/./b/." becomes "a/b/", "./" and "." become "". Without this a ".." in the
// relative path would take the "." for a folder to step out of.
std::string WithoutDotComponents(const std::string& dir)
{
    std::string result;
    size_t start = 0;
    while (start < dir.size()) {
        const size_t slash = dir.find_first_of(kSeparators, start);
        const size_t nameEnd = slash == std::string::npos ? dir.size() : slash;
        const size_t next = slash == std::string::npos ? dir.size() : slash + 1;
        if (dir.compare(start, nameEnd - start, ".") != 0)
            result.append(dir, start, next - start);
        start = next;
    }
    return result;
}

// Drops the last component of `dir`, which ends in a separator; a last
// component of ".." cannot be stepped out of and gains another instead. The
// root has no parent and stays.
void StepUp(std::string& dir, char separator)
{
    if (dir.size() == 1)
        return;
    const size_t previous = dir.find_last_of(kSeparators, dir.size() - 2);
    const size_t nameStart = previous == std::string::npos ? 0 : previous + 1;
    if (dir.compare(nameStart, dir.size() - 1 - nameStart, "..") == 0) {
        dir += "..";
        dir += separator;
    } else {
        dir.erase(nameStart);
    }
}

} // namespace

std::string GetFileDir(const std::string& path)
{
    const size_t slash = path.find_last_of(kSeparators);
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string GetFileNameNoExtension(const std::string& path)
{
    const size_t slash = path.find_last_of(kSeparators);
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos)
        name.erase(dot);
    return name;
}

std::string AddTrailingSlash(const std::string& path)
{
    if (path.empty() || IsSeparator(path.back()))
        return path;
    return path + '\\';
}

std::string RemoveTrailingSlash(const std::string& path)
{
    if (!path.empty() && IsSeparator(path.back()))
        return path.substr(0, path.size() - 1);
    return path;
}

std::string ResolvePath(const std::string& relative, const std::string& directory)
{
    if (HasDrive(relative))
        return relative;

    const bool backslashes = relative.find('\\') != std::string::npos
                          || directory.find('\\') != std::string::npos;
    const char separator = backslashes ? '\\' : '/';

    std::string drive;
    std::string dir = directory;
    if (HasDrive(dir)) {
        drive = dir.substr(0, 2);
        dir.erase(0, 2);
    }
    dir = WithoutDotComponents(dir);
    if (!dir.empty() && !IsSeparator(dir.back()))
        dir += separator;

    std::string rest = relative;
    while (!dir.empty()) {
        const size_t slash = rest.find_first_of(kSeparators);
        if (slash == std::string::npos)
            break;
        const std::string component = rest.substr(0, slash);
        rest.erase(0, slash + 1);
        if (component == "..") {
            StepUp(dir, separator);
        } else if (component == ".") {
            continue;
        } else if (component.empty()) {
            dir = separator;
            break;
        } else {
            dir += component;
            dir += separator;
            break;
        }
    }

    std::string result = drive + dir + rest;
    for (char& c : result) {
        if (IsSeparator(c))
            c = separator;
    }
    return result;
}

std::string GetAppDataFolder()
{
    return gAppDataFolder;
}

void SetAppDataFolder(const std::string& path)
{
    gAppDataFolder = AddTrailingSlash(path);
}

} // namespace Vorn
