#include "platform/RegularFile.h"

#include "fakes/TempDir.h"
#include "fakes/XvfbRun.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// What lies at the path (a file holding that text, or what "missing",
// "pipe", "folder" or "device" name), how it is opened (an fopen mode,
// "whole" for the whole-file read of at most 3 bytes, or "stream") and what
// comes of it.
struct Opening {
    const char* at;
    const char* how;
    const char* outcome;
};

class RegularFile : public ::testing::TestWithParam<Opening> {};

std::string Place(const Testing::TempDir& dir, const std::string& at)
{
    const std::string path = dir / "file";
    if (at == "pipe")
        mkfifo(path.c_str(), 0600);
    else if (at == "folder")
        std::filesystem::create_directory(path);
    else if (at == "device")
        return "/dev/null";
    else if (at != "missing")
        dir.WriteFile("file", at);
    return path;
}

// Through an fopen mode: the first character read, then the file's text
// once "XY" is written, and whether it has the permissions fopen gives.
std::string Open(const Testing::TempDir& dir, const std::string& path, const std::string& how)
{
    if (how == "whole") {
        std::vector<uint8_t> contents;
        return Platform::ReadRegularFile(path, 3, contents) ? std::string(contents.begin(), contents.end())
                                                            : "refused";
    }
    if (how == "stream") {
        Platform::RegularFileStream stream(path);
        std::string word;
        stream.seekg(0, std::ios::end);
        const std::string size = std::to_string(stream.tellg());
        if (!(stream.seekg(1) >> word))
            return "refused";
        stream.Close();
        return word + "," + size + (stream.seekg(0) >> word ? ",still open" : "");
    }
    std::FILE* file = Platform::OpenRegularFile(path, how.c_str());
    if (!file)
        return "refused";
    const int first = std::fgetc(file);
    std::clearerr(file);
    std::fseek(file, 0, SEEK_CUR);
    std::fputs("XY", file);
    std::fclose(file);
    std::fclose(std::fopen((dir / "made").c_str(), "w"));
    const bool asFopen
        = std::filesystem::status(path).permissions() == std::filesystem::status(dir / "made").permissions();
    return (first == EOF ? "EOF" : std::string(1, static_cast<char>(first))) + "," + Testing::ReadTextFile(path)
           + (asFopen ? "" : ",other permissions");
}

TEST_P(RegularFile, ReadsARegularFileAndRefusesAnyOtherAtOnce)
{
    const Testing::TempDir dir;
    const std::string path = Place(dir, GetParam().at);
    // A reader that waits on the pipe is killed, and the test program with it.
    alarm(20);
    EXPECT_EQ(Open(dir, path, GetParam().how), GetParam().outcome);
    alarm(0);
}

INSTANTIATE_TEST_SUITE_P(Openings, RegularFile,
    ::testing::Values(Opening{"abc", "r", "a,abc"}, Opening{"abc", "rb", "a,abc"}, Opening{"abc", "r+", "a,aXY"},
        Opening{"abc", "w", "EOF,XY"}, Opening{"abc", "w+", "EOF,XY"}, Opening{"abc", "a", "EOF,abcXY"},
        Opening{"abc", "a+", "a,abcXY"}, Opening{"abc", "q", "refused"}, Opening{"abc", "whole", "abc"},
        Opening{"abcd", "whole", "refused"}, Opening{"abc", "stream", "bc,3"}, Opening{"missing", "r", "refused"},
        Opening{"missing", "r+", "refused"}, Opening{"missing", "w", "EOF,XY"}, Opening{"missing", "whole", "refused"},
        Opening{"missing", "stream", "refused"}, Opening{"pipe", "r", "refused"}, Opening{"pipe", "w", "refused"},
        Opening{"pipe", "a", "refused"}, Opening{"pipe", "whole", "refused"}, Opening{"pipe", "stream", "refused"},
        Opening{"folder", "r", "refused"}, Opening{"device", "r", "refused"}, Opening{"device", "r+", "refused"},
        Opening{"device", "whole", "refused"}),
    [](const ::testing::TestParamInfo<Opening>& info) {
        std::string name = std::string(info.param.at) + "_" + info.param.how;
        return name.back() == '+' ? name.replace(name.size() - 1, 1, "Plus") : name;
    });

} // namespace
