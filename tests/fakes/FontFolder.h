#pragma once
// A font's files in a folder of their own, made the working folder, with a
// file layer of their own: descriptors, width lists and uncompressed TGA
// images written by the test. Its application has a display, so that layer
// images can be shared, and writes down every fatal-error text instead of
// showing it.

#include "fakes/PoolingApp.h"
#include "fakes/TempDir.h"
#include "framework/resources/PakInterface.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace Testing {

// An uncompressed top-down 32-bit TGA of the pixels, row by row.
inline std::string Tga(int width, int height, const std::vector<uint32_t>& pixels)
{
    std::string bytes = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, char(width), char(width >> 8), char(height),
        char(height >> 8), 32, 0x28};
    for (const uint32_t p : pixels)
        bytes += {char(p), char(p >> 8), char(p >> 16), char(p >> 24)};
    return bytes;
}

class ReportingApp : public PoolingApp {
public:
    void ShowFatalError(const std::string& text) override { mFatalErrors.push_back(text); }

    std::vector<std::string> mFatalErrors;
};

class FontFolder {
public:
    FontFolder() : mFolder(std::filesystem::current_path()), mLayer(std::exchange(Vorn::gPakInterface, &mPak))
    {
        std::filesystem::current_path(mDir.Path());
    }
    ~FontFolder()
    {
        std::filesystem::current_path(mFolder);
        Vorn::gPakInterface = mLayer;
    }
    FontFolder(const FontFolder&) = delete;
    FontFolder& operator=(const FontFolder&) = delete;

    void Write(const std::string& name, const std::string& contents) const { mDir.WriteFile(name, contents); }

    TempDir mDir;
    Vorn::PakInterface mPak;
    std::filesystem::path mFolder;
    Vorn::PakInterface* mLayer;
    ReportingApp mApp;
};

} // namespace Testing
