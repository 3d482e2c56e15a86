#include "fakes/XvfbRun.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

namespace Testing {

uint32_t Screenshot::At(int x, int y) const
{
    const size_t at = (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3;
    return uint32_t{rgb[at]} << 16 | uint32_t{rgb[at + 1]} << 8 | rgb[at + 2];
}

Screenshot ReadScreenshot(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int width = 0;
    int height = 0;
    int max = 0;
    if (!(in >> magic >> width >> height >> max) || magic != "P6" || max != 255 || width < 1 || height < 1 ||
        width > 16384 || height > 16384 || in.get() != '\n')
        return {};
    Screenshot shot{width, height, std::vector<uint8_t>(static_cast<size_t>(width) * static_cast<size_t>(height) * 3)};
    if (!in.read(reinterpret_cast<char*>(shot.rgb.data()), static_cast<std::streamsize>(shot.rgb.size())))
        return {};
    return shot;
}

std::string ReadTextFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

bool HasXvfb()
{
    return std::system("command -v xvfb-run >/dev/null") == 0;
}

bool RunUnderXvfb(const TempDir& dir, const std::string& script, int seconds, const std::string& screen)
{
    for (const char* folder : {"config", "data", "runtime"})
        std::filesystem::create_directories(dir / folder);
    std::filesystem::permissions(dir / "runtime", std::filesystem::perms::owner_all);
    dir.WriteFile("script.sh", script);
    // xvfb-run -a takes the first free display from its start number on; runs
    // side by side starting from the same number could both pick it.
    std::random_device device;
    const int firstDisplay = std::uniform_int_distribution<int>(100, 30000)(device);
    const std::string command = "cd '" + dir.Path() + "' && timeout -k 5 " + std::to_string(seconds) +
                                " env -u SDL_VIDEODRIVER ASAN_OPTIONS=detect_leaks=0 XDG_CONFIG_HOME=\"$PWD/config\" "
                                "XDG_DATA_HOME=\"$PWD/data\" XDG_RUNTIME_DIR=\"$PWD/runtime\" xvfb-run -a -n " +
                                std::to_string(firstDisplay) + " -s '-screen 0 " + screen + "' sh script.sh";
    return std::system(command.c_str()) == 0;
}

} // namespace Testing
