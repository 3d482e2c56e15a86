#pragma once
// The per-user settings the framework keeps between runs: typed values in a
// tree of keys. The type numbers are those of the Windows registry the
// framework was designed on; demo files and stored settings carry them.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace Platform {

inline constexpr uint32_t kSettingString = 1;
inline constexpr uint32_t kSettingBinary = 3;
inline constexpr uint32_t kSettingDword = 4;

// Key paths are backslash-separated ("SOFTWARE\\Tavoren\\Zarquel\\Test3D");
// empty components are skipped. Key and value names compare without regard to
// ASCII case and keep the spelling they were first written with. Any type
// number and any bytes are kept exactly as given.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;

    // Whether the key can be opened for reading.
    virtual bool KeyExists(const std::string& keyPath) = 0;

    // Opens the key for writing, creating it and any missing parent; false
    // when it cannot be made.
    virtual bool CreateKey(const std::string& keyPath) = 0;

    // Creates the key when missing, then adds the value or replaces the one
    // of the same name. False, with nothing changed, when the key cannot be
    // created or the store cannot be written; also for null data with a
    // non-zero length.
    virtual bool SetValue(const std::string& keyPath, const std::string& name, uint32_t type,
                          const uint8_t* data, size_t length) = 0;

    // False when the key or the value is missing; `type` and `data` are left
    // untouched then.
    virtual bool QueryValue(const std::string& keyPath, const std::string& name, uint32_t& type,
                            std::vector<uint8_t>& data) = 0;

    // False when there was no such value or the store cannot be written.
    virtual bool DeleteValue(const std::string& keyPath, const std::string& name) = 0;
};

} // namespace Platform
