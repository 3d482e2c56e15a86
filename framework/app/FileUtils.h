#pragma once
// File-system queries and changes. Names are the framework's own ("Save\\",
// mixed case); each is found on disk through Platform::ResolveFileName.

#include <cstdint>
#include <string>

namespace Vorn {

// There is no such system here; callers still branch on it.
bool IsWindows9x();

// True for an existing file or folder.
bool FileExists(const std::string& path);

// Last-write time in whole seconds since 1970-01-01 00:00 UTC; 0 when the file
// is not found.
int64_t GetFileDate(const std::string& path);

// Creates every folder along the path; what already exists or cannot be made
// is passed over silently.
void MakeDirectories(const std::string& path);

// Deletes a folder with everything below it. True only when all of it went.
// Symbolic links are removed themselves, never followed.
bool DeleteDirectoryTree(const std::string& path);

bool GrantEveryoneAccess(const std::string& path);

} // namespace Vorn
