#pragma once
// Path splitting and resolution on the framework's names, where both '\\' and
// '/' separate components, and the application-data folder.

#include <string>

namespace Vorn {

// The part before the last separator; "" when there is none.
std::string GetFileDir(const std::string& path);

// The part after the last separator, without its extension.
std::string GetFileNameNoExtension(const std::string& path);

// "" stays ""; a path ending in a separator is unchanged; otherwise '\\' is
// appended.
std::string AddTrailingSlash(const std::string& path);

// Drops one final separator.
std::string RemoveTrailingSlash(const std::string& path);

// `relative` resolved against `directory`. Only the leading run of ".", ".."
// and empty components of `relative` is resolved: "a/../b" against "d/" gives
// "d/a/../b". A drive-qualified `relative` ("D:...") is returned unchanged.
// The result uses one separator: '\\' when either argument has one, else '/'.
std::string ResolvePath(const std::string& relative, const std::string& directory);

// Set once during start-up; always ends in a separator once set.
std::string GetAppDataFolder();
void SetAppDataFolder(const std::string& path);

} // namespace Vorn
