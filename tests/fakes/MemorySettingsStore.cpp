#include "fakes/MemorySettingsStore.h"

namespace Testing {

namespace {

std::string Lower(std::string text)
{
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

// The lower-case key path with empty components dropped, and every parent of
// it before it.
std::vector<std::string> KeyAndParents(const std::string& keyPath)
{
    std::vector<std::string> paths;
    std::string path;
    size_t start = 0;
    while (start <= keyPath.size()) {
        size_t slash = keyPath.find('\\', start);
        if (slash == std::string::npos)
            slash = keyPath.size();
        if (slash > start) {
            path += (path.empty() ? "" : "\\") + Lower(keyPath.substr(start, slash - start));
            paths.push_back(path);
        }
        start = slash + 1;
    }
    if (paths.empty())
        paths.push_back("");
    return paths;
}

std::string KeyOf(const std::string& keyPath)
{
    return KeyAndParents(keyPath).back();
}

} // namespace

void MemorySettingsStore::SetWritesFail(bool fail)
{
    std::lock_guard lock(mMutex);
    mWritesFail = fail;
}

void MemorySettingsStore::MakeKey(const std::string& keyPath)
{
    for (const std::string& path : KeyAndParents(keyPath))
        mKeys[path];
}

bool MemorySettingsStore::KeyExists(const std::string& keyPath)
{
    std::lock_guard lock(mMutex);
    return mKeys.count(KeyOf(keyPath)) > 0;
}

bool MemorySettingsStore::CreateKey(const std::string& keyPath)
{
    std::lock_guard lock(mMutex);
    if (mWritesFail)
        return false;
    MakeKey(keyPath);
    return true;
}

bool MemorySettingsStore::SetValue(const std::string& keyPath, const std::string& name, uint32_t type,
                                   const uint8_t* data, size_t length)
{
    std::lock_guard lock(mMutex);
    if (mWritesFail || (!data && length > 0))
        return false;
    MakeKey(keyPath);
    // try_emplace keeps the name as first written when the value is replaced.
    Value& value = mKeys[KeyOf(keyPath)].try_emplace(Lower(name), Value{name, type, {}}).first->second;
    value.type = type;
    value.data.assign(data, data + length);
    return true;
}

bool MemorySettingsStore::QueryValue(const std::string& keyPath, const std::string& name, uint32_t& type,
                                     std::vector<uint8_t>& data)
{
    std::lock_guard lock(mMutex);
    const auto key = mKeys.find(KeyOf(keyPath));
    if (key == mKeys.end())
        return false;
    const auto value = key->second.find(Lower(name));
    if (value == key->second.end())
        return false;
    type = value->second.type;
    data = value->second.data;
    return true;
}

bool MemorySettingsStore::DeleteValue(const std::string& keyPath, const std::string& name)
{
    std::lock_guard lock(mMutex);
    if (mWritesFail)
        return false;
    const auto key = mKeys.find(KeyOf(keyPath));
    return key != mKeys.end() && key->second.erase(Lower(name)) > 0;
}

} // namespace Testing
