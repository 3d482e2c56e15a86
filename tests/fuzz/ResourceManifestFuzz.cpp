// libFuzzer target: any bytes, read as a resource manifest file, must end in
// records or a recorded failure, never a crash or a runaway allocation.

#include "framework/resources/ResourceManager.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The manager reads only files: one scratch file per fuzzing process.
    static const std::string path =
        (std::filesystem::temp_directory_path() / ("zarquel-manifest-" + std::to_string(std::random_device{}()) + ".xml"))
            .string();
    {
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    Vorn::ResourceManager manager(nullptr);
    if (!manager.ReadManifestFile(path) && manager.GetErrorText().empty())
        __builtin_trap();
    std::remove(path.c_str());
    return 0;
}
