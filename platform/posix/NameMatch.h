#pragma once
// Names compared as the framework's data expects: ASCII letters without regard
// to case, every other byte exactly. Shared by the file-name resolver and the
// settings store, which both find folders written in another case.

#include <string>

namespace Platform::Detail {

inline char AsciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

inline std::string AsciiLower(std::string text)
{
    for (char& c : text)
        c = AsciiLower(c);
    return text;
}

inline bool SameNameNoCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    }
    return true;
}

// The entry of `folder` ("" meaning the working folder) equal to `name` but for
// case, only folders when asked; the smallest such name when several differ
// only in case, so the answer does not depend on the order of the listing.
bool FindEntryNoCase(const std::string& folder, const std::string& name, bool foldersOnly, std::string& found);

} // namespace Platform::Detail
