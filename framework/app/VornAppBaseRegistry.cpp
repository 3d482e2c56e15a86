// Registry settings: the user's typed values in the settings store, recorded
// into a demo and taken back from it during playback, and the settings the
// core loads at start and saves at exit.

#include "framework/app/VornAppBase.h"

#include "framework/resources/PakInterface.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <vector>

namespace Vorn {

namespace {

constexpr char kKeyRoot[] = "SOFTWARE\\";

std::array<uint8_t, 4> DwordBytes(int32_t value)
{
    const auto bits = static_cast<uint32_t>(value);
    return {static_cast<uint8_t>(bits), static_cast<uint8_t>(bits >> 8), static_cast<uint8_t>(bits >> 16),
            static_cast<uint8_t>(bits >> 24)};
}

// Volumes are stored as whole hundredths, truncated. Out of 0..1 they are
// clamped: a volume that is not a number has no integer at all.
int32_t VolumeHundredths(double volume)
{
    if (!(volume > 0.0))
        return 0;
    if (volume >= 1.0)
        return 100;
    return static_cast<int32_t>(volume * 100.0);
}

// An edited or damaged store may hold any number.
double StoredVolume(int32_t hundredths)
{
    return std::clamp(hundredths / 100.0, 0.0, 1.0);
}

} // namespace

bool VornAppBase::RegistryLocation(const std::string& valueName, std::string& keyPath, std::string& name) const
{
    if (mRegKey.empty())
        return false;
    std::string key = mRegKey;
    if (key.back() == '\\' || key.back() == '/')
        key.pop_back();
    keyPath = kKeyRoot + key;
    const size_t slash = valueName.rfind('\\');
    if (slash == std::string::npos) {
        name = valueName;
    } else {
        keyPath += '\\' + valueName.substr(0, slash);
        name = valueName.substr(slash + 1);
    }
    return true;
}

bool VornAppBase::WriteRegistryValue(const std::string& valueName, uint32_t type, const uint8_t* data, int32_t length)
{
    std::string keyPath;
    std::string name;
    if (!RegistryLocation(valueName, keyPath, name))
        return false;
    if (mPlaying)
        return mDemoStream.IsClosedByUser() || mDemoStream.ReplayRegistryWrite();

    // A write the store refuses is a failure, in this run and in its replay.
    const bool written =
        mSettings && length >= 0 && mSettings->SetValue(keyPath, name, type, data, static_cast<size_t>(length));
    mDemoStream.RecordRegistryWrite(mUpdateCount, written);
    return written;
}

bool VornAppBase::WriteRegistryString(const std::string& valueName, const std::string& value)
{
    const int32_t length = value.size() > static_cast<size_t>(INT32_MAX) ? -1 : static_cast<int32_t>(value.size());
    return WriteRegistryValue(valueName, Platform::kSettingString, reinterpret_cast<const uint8_t*>(value.data()),
                              length);
}

bool VornAppBase::WriteRegistryInteger(const std::string& valueName, int32_t value)
{
    const std::array<uint8_t, 4> bytes = DwordBytes(value);
    return WriteRegistryValue(valueName, Platform::kSettingDword, bytes.data(), static_cast<int32_t>(bytes.size()));
}

bool VornAppBase::WriteRegistryBoolean(const std::string& valueName, bool value)
{
    return WriteRegistryInteger(valueName, value ? 1 : 0);
}

bool VornAppBase::ReadRegistryValue(const std::string& valueName, uint32_t& type, uint8_t* data, int32_t& length)
{
    std::string keyPath;
    std::string name;
    if (!RegistryLocation(valueName, keyPath, name))
        return false;
    if (mPlaying)
        return !mDemoStream.IsClosedByUser() && mDemoStream.ReplayRegistryRead(type, data, length);

    uint32_t storedType = 0;
    std::vector<uint8_t> stored;
    bool found = mSettings && mSettings->QueryValue(keyPath, name, storedType, stored);
    const size_t capacity = data ? static_cast<size_t>(std::max(length, 0)) : 0;
    if (found && stored.size() > capacity) {
        length = static_cast<int32_t>(std::min<size_t>(stored.size(), INT32_MAX));
        found = false;
    }
    if (!found) {
        mDemoStream.RecordRegistryRead(mUpdateCount, false, 0, nullptr, 0);
        return false;
    }
    std::copy(stored.begin(), stored.end(), data);
    type = storedType;
    length = static_cast<int32_t>(stored.size());
    mDemoStream.RecordRegistryRead(mUpdateCount, true, type, data, length);
    return true;
}

bool VornAppBase::ReadRegistryInteger(const std::string& valueName, int32_t& value)
{
    std::array<uint8_t, 4> bytes{};
    uint32_t type = 0;
    auto length = static_cast<int32_t>(bytes.size());
    if (!ReadRegistryValue(valueName, type, bytes.data(), length) || type != Platform::kSettingDword)
        return false;
    value = static_cast<int32_t>(uint32_t{bytes[0]} | uint32_t{bytes[1]} << 8 | uint32_t{bytes[2]} << 16 |
                                 uint32_t{bytes[3]} << 24);
    return true;
}

bool VornAppBase::ReadRegistryBoolean(const std::string& valueName, bool& value)
{
    int32_t number = 0;
    if (!ReadRegistryInteger(valueName, number))
        return false;
    value = number != 0;
    return true;
}

void VornAppBase::EraseRegistryValue(const std::string& valueName)
{
    std::string keyPath;
    std::string name;
    if (mSettings && RegistryLocation(valueName, keyPath, name))
        mSettings->DeleteValue(keyPath, name);
}

void VornAppBase::LoadSettings()
{
    mSaveSettingsAtShutdown = true;
    mRegKey = GetString("RegistryKey", mRegKey);
    if (mRegKey.empty())
        return;

    int32_t value = 0;
    if (ReadRegistryInteger("MusicVolume", value))
        mMusicVolume = StoredVolume(value);
    if (ReadRegistryInteger("SfxVolume", value))
        mSfxVolume = StoredVolume(value);
    // Below 0 no mute could ever take effect.
    if (ReadRegistryInteger("Muted", value))
        mMuteCount = std::max(value, 0);
    if (ReadRegistryInteger("ScreenMode", value))
        mIsWindowed = value == 0;
    if (ReadRegistryInteger("PreferredX", value))
        mPreferredX = value;
    if (ReadRegistryInteger("PreferredY", value))
        mPreferredY = value;
    if (ReadRegistryInteger("CustomCursors", value))
        SetCustomCursors(value != 0);
    if (ReadRegistryInteger("WaitForVSync", value))
        mWaitForVSync = value != 0;
    // Marked as running by Init once it knows whether a demo plays.
    if (ReadRegistryInteger("InProgress", value))
        mLastRunEndedCleanly = value == 0;
}

bool VornAppBase::WriteSettingDirect(const std::string& valueName, const std::string& text)
{
    std::string keyPath;
    std::string name;
    if (mPlaying || !mSettings || !RegistryLocation(valueName, keyPath, name))
        return false;
    return mSettings->SetValue(keyPath, name, Platform::kSettingString, reinterpret_cast<const uint8_t*>(text.c_str()),
        text.size() + 1);
}

void VornAppBase::MarkRunInProgress()
{
    std::string keyPath;
    std::string name;
    if (mPlaying || mIsScreenSaver || !mSettings || !RegistryLocation("InProgress", keyPath, name))
        return;
    const std::array<uint8_t, 4> bytes = DwordBytes(1);
    mSettings->SetValue(keyPath, name, Platform::kSettingDword, bytes.data(), bytes.size());
}

void VornAppBase::SaveSettings()
{
    WriteRegistryInteger("MusicVolume", VolumeHundredths(mMusicVolume));
    WriteRegistryInteger("SfxVolume", VolumeHundredths(mSfxVolume));
    WriteRegistryInteger("Muted", int64_t{mMuteCount} - mAutoMuteCount > 0 ? 1 : 0);
    WriteRegistryInteger("ScreenMode", mIsWindowed ? 0 : 1);
    WriteRegistryInteger("PreferredX", mPreferredX);
    WriteRegistryInteger("PreferredY", mPreferredY);
    WriteRegistryInteger("CustomCursors", mCustomCursorsEnabled ? 1 : 0);
    WriteRegistryInteger("InProgress", 0);
    WriteRegistryBoolean("WaitForVSync", mWaitForVSync);
}

bool ReadBufferFromFile(const std::string& fileName, Buffer& buffer)
{
    PakFileHandle* file = PakFOpen(fileName.c_str(), "rb");
    if (!file)
        return false;
    std::vector<uint8_t> bytes;
    bool read = false;
    if (PakFSeek(file, 0, SEEK_END) == 0) {
        const long size = PakFTell(file);
        // A buffer counts its length in bits: larger files cannot be held.
        if (size >= 0 && size <= Buffer::kMaxSetDataBytes && PakFSeek(file, 0, SEEK_SET) == 0) {
            bytes.resize(static_cast<size_t>(size));
            read = bytes.empty() || PakFRead(bytes.data(), 1, bytes.size(), file) == bytes.size();
        }
    }
    PakFClose(file);
    if (!read)
        return false;
    buffer.Clear();
    buffer.SetData(bytes.data(), static_cast<int32_t>(bytes.size()));
    return true;
}

} // namespace Vorn
