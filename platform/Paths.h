#pragma once
// File names and per-user folders. The data names the framework uses carry
// backslashes and mixed case ("Images\\Ball.PNG"); every disk access passes
// through ResolveFileName so they find the files on a case-sensitive system.

#include <string>

namespace Platform {

// '\\' becomes '/'. When that name does not exist, each component is matched
// case-insensitively (ASCII) against its folder's entries; components that
// match nothing are kept as written, so a file about to be created keeps its
// name. Successful matches are cached and re-checked on use.
std::string ResolveFileName(const std::string& name);

// $XDG_DATA_HOME, else .local/share in the home folder ($HOME, else the
// password database's); no trailing separator. Empty without a home.
std::string UserDataFolder();

// $XDG_CONFIG_HOME, else .config in the home folder; no trailing separator.
// Empty without a home.
std::string UserConfigFolder();

// $XDG_RUNTIME_DIR, else the system's temporary folder; no trailing separator.
std::string RuntimeFolder();

} // namespace Platform
