#include "tools/datagen/DataSet.h"

#include "GameData.h"
#include "fakes/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <optional>
#include <set>

namespace {

using Testing::ReadLooseFile;

// The build ran the generator once; a second run here must give the same
// bytes, for the archive and for every loose file.
TEST(DataSet, ASecondRunMakesTheSameBytesAsTheBuild)
{
    const DataGen::DataSet set = DataGen::MakeDataSet();
    const std::optional<std::string> archive = Tools::BuildPak(set.packed);
    ASSERT_TRUE(archive);
    EXPECT_TRUE(*archive == ReadLooseFile("main.pak")) << "main.pak differs from a fresh run";
    for (const Tools::PakFile& file : set.loose)
        EXPECT_TRUE(file.data == ReadLooseFile(file.name)) << file.name << " differs from a fresh run";
}

TEST(DataSet, WritesTheArchiveAndTheLooseFilesTheGameOpensFromDisk)
{
    const std::set<std::string> loose = {"properties/track_0.cfg", "properties/track_1.cfg", "properties/track_2.cfg",
        "properties/track_3.cfg", "FX/explode.fx", "FX/particle.png", "Music/Music.ogg"};
    for (const std::string& name : loose)
        EXPECT_FALSE(ReadLooseFile(name).empty()) << name;
    Testing::GameArchive archive;
    ASSERT_TRUE(archive.Added());
    EXPECT_FALSE(archive.Read("properties\\resources.xml").empty());
}

TEST(DataSet, WriteFailsWithTheNameOfTheFileItCouldNotWrite)
{
    Testing::TempDir dir;
    dir.WriteFile("blocked", "a file where a folder must go");
    DataGen::DataSet set;
    set.packed.push_back({"a.txt", "a"});
    set.loose.push_back({"blocked/inside.txt", "b"});
    std::string error;
    EXPECT_FALSE(DataGen::WriteDataSet(set, dir.Path(), error));
    EXPECT_EQ(error, "cannot write " + dir / "blocked/inside.txt");

    set.loose.clear();
    EXPECT_TRUE(DataGen::WriteDataSet(set, dir / "made", error));
    std::string written;
    {
        std::ifstream in(dir / "made/main.pak", std::ios::binary);
        written.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    EXPECT_EQ(written, *Tools::BuildPak(set.packed));
}

} // namespace
