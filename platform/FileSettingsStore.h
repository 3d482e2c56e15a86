#pragma once
// The settings store on disk. A key is a folder below the root: the leading
// "SOFTWARE" of a key path names the root itself, so "SOFTWARE\\Tavoren\\Zarquel"
// is root/Tavoren/Zarquel (the application passes UserConfigFolder() as root).
// Sub-keys are sub-folders, found whatever their letter case. A key's values
// are one text file in its folder, "values.txt":
//
//   vorn-settings 1
//   "MusicVolume" 4 4 85
//   "Player" 1 5 "Ann\x0a!"
//   "Window" 3 3 00ff10
//   end
//
// A value line holds the quoted name, the type number, the length of the data
// in bytes and the data: a string as quoted text, a 4-byte DWORD as its
// unsigned decimal value, anything else as hex; nothing when the length is 0.
// Quoted text escapes '"' and '\\' with a backslash and writes every byte
// outside printable ASCII as \xHH, so any name and any data survive. The
// "end" line tells a complete file from one cut short.
//
// A damaged file keeps every value line that reads back: a line end of
// "\r\n", a missing final newline, header or end line are taken in stride,
// and a DWORD may be written by hand as a negative number from -2147483648
// (its two's complement). A file that held more (a damaged or repeated line,
// more than kMaxFileBytes, not a regular file) is kept as "values.txt.bad"
// before the first write replaces it. Writes go to a temporary file beside
// it, synced, then renamed over it: a crash leaves the old file or the new
// one, never a mix.
//
// Key names that could not be one folder of their own (".", "..", containing
// '/' or a zero byte, or starting with "values.txt") are refused.

#include "platform/SettingsStore.h"

#include <mutex>

namespace Platform {

class FileSettingsStore final : public SettingsStore {
public:
    static constexpr size_t kMaxFileBytes = size_t{1} << 20;

    explicit FileSettingsStore(std::string rootFolder);

    bool KeyExists(const std::string& keyPath) override;
    bool CreateKey(const std::string& keyPath) override;
    bool SetValue(const std::string& keyPath, const std::string& name, uint32_t type,
                  const uint8_t* data, size_t length) override;
    bool QueryValue(const std::string& keyPath, const std::string& name, uint32_t& type,
                    std::vector<uint8_t>& data) override;
    bool DeleteValue(const std::string& keyPath, const std::string& name) override;

private:
    bool KeyFolder(const std::string& keyPath, bool create, std::string& folder) const;

    std::string mRoot;
    // Each change reads, edits and rewrites a whole file.
    std::mutex mMutex;
};

} // namespace Platform
