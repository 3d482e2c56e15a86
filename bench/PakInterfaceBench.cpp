// Reading from the archive: a few large files (music, big pictures) and many
// small ones (cels, sounds, descriptors), each opened by name, read whole and
// closed, as the resource loader does. Throughput in bytes per second.

#include "framework/resources/PakInterface.h"
#include "tools/PakWriter.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

struct Set {
    std::unique_ptr<Vorn::PakInterface> pak = std::make_unique<Vorn::PakInterface>();
    std::vector<std::string> names;
    size_t fileSize = 0;
};

Set MakeSet(const char* prefix, int count, size_t size)
{
    Set set;
    set.fileSize = size;
    std::vector<Tools::PakFile> files;
    for (int i = 0; i < count; ++i) {
        std::string data(size, '\0');
        for (size_t b = 0; b < size; ++b)
            data[b] = static_cast<char>(b * 31 + static_cast<size_t>(i));
        set.names.push_back(std::string(prefix) + "\\file" + std::to_string(i) + ".bin");
        files.push_back({set.names.back(), std::move(data), 0});
    }
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("pak-bench-" + std::to_string(getpid()) + "-" + prefix + ".pak")).string();
    Tools::WritePak(path, files);
    set.pak->AddArchive(path);
    // The mapping keeps the data; the name is not needed any more.
    std::filesystem::remove(path);
    return set;
}

void ReadEveryFile(benchmark::State& state, const Set& set)
{
    std::vector<uint8_t> buffer(set.fileSize);
    for (auto _ : state) {
        for (const std::string& name : set.names) {
            Vorn::PakFileHandle* handle = set.pak->FOpen(name.c_str(), "rb");
            benchmark::DoNotOptimize(set.pak->FRead(buffer.data(), 1, buffer.size(), handle));
            set.pak->FClose(handle);
        }
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(set.names.size() * set.fileSize));
}

void BM_ReadLargeArchiveFiles(benchmark::State& state)
{
    static const Set set = MakeSet("music", 4, size_t{8} << 20);
    ReadEveryFile(state, set);
}
BENCHMARK(BM_ReadLargeArchiveFiles);

void BM_ReadSmallArchiveFiles(benchmark::State& state)
{
    static const Set set = MakeSet("images", 2000, 2048);
    ReadEveryFile(state, set);
}
BENCHMARK(BM_ReadSmallArchiveFiles);

} // namespace
