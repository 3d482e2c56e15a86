#pragma once
// Settings held in memory, with the store's rules for names, for tests of the
// code that reads and writes settings. Writes can be made to fail, to check
// how a caller reports a store it cannot write.

#include "platform/SettingsStore.h"

#include <map>
#include <mutex>

namespace Testing {

class MemorySettingsStore final : public Platform::SettingsStore {
public:
    // While set, CreateKey, SetValue and DeleteValue fail and change nothing;
    // reads go on working.
    void SetWritesFail(bool fail);

    bool KeyExists(const std::string& keyPath) override;
    bool CreateKey(const std::string& keyPath) override;
    bool SetValue(const std::string& keyPath, const std::string& name, uint32_t type,
                  const uint8_t* data, size_t length) override;
    bool QueryValue(const std::string& keyPath, const std::string& name, uint32_t& type,
                    std::vector<uint8_t>& data) override;
    bool DeleteValue(const std::string& keyPath, const std::string& name) override;

private:
    struct Value {
        std::string name;
        uint32_t type = 0;
        std::vector<uint8_t> data;
    };
    using Values = std::map<std::string, Value>; // by lower-case name

    void MakeKey(const std::string& keyPath);

    std::mutex mMutex;
    std::map<std::string, Values> mKeys; // by lower-case path, empty components dropped
    bool mWritesFail = false;
};

} // namespace Testing
