#include "platform/posix/NameMatch.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace Platform::Detail {

bool FindEntryNoCase(const std::string& folder, const std::string& name, bool foldersOnly, std::string& found)
{
    std::error_code ec;
    fs::directory_iterator it(folder.empty() ? std::string(".") : folder, ec);
    if (ec)
        return false;
    bool any = false;
    for (const fs::directory_iterator end; it != end; it.increment(ec)) {
        if (ec)
            break;
        std::string entry = it->path().filename().string();
        if (!SameNameNoCase(entry, name) || (any && entry >= found))
            continue;
        std::error_code typeError;
        if (foldersOnly && !it->is_directory(typeError))
            continue;
        found = std::move(entry);
        any = true;
    }
    return any;
}

} // namespace Platform::Detail
