#include "tools/datagen/DataSet.h"

#include "tools/datagen/Makers.h"
#include "tools/datagen/Typefaces.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <future>

namespace DataGen {

namespace {

struct Batch {
    Files packed;
    Files loose;
};

// Each batch is made on a thread of its own; they are joined in a fixed
// order, so the set is the same however the threads ran.
std::future<Batch> Start(std::function<void(Batch&)> make)
{
    return std::async(std::launch::async, [make = std::move(make)] {
        Batch batch;
        make(batch);
        return batch;
    });
}

} // namespace

DataSet MakeDataSet()
{
    // The faces are used by one thread only, and outlive every picture.
    const Typefaces faces;
    std::vector<std::future<Batch>> batches;
    batches.push_back(Start([&faces](Batch& b) {
        MakeScoreFont(faces, b.packed);
        MakeMenus(faces, b.packed);
        MakeScreens(faces, b.packed);
    }));
    batches.push_back(Start([](Batch& b) {
        MakeTokens(b.packed);
        MakeVortex(b.packed);
        MakeEffect(b.loose);
    }));
    batches.push_back(Start([](Batch& b) { MakeBackgrounds(b.packed); }));
    batches.push_back(Start([](Batch& b) { MakeTracks(b.packed, b.loose); }));
    batches.push_back(Start([](Batch& b) {
        MakeSounds(b.packed);
        b.packed.push_back({"properties/resources.xml", Manifest()});
    }));
    batches.push_back(Start([](Batch& b) { MakeMusic(b.loose); }));

    DataSet set;
    for (std::future<Batch>& future : batches) {
        Batch batch = future.get();
        set.packed.insert(set.packed.end(), batch.packed.begin(), batch.packed.end());
        set.loose.insert(set.loose.end(), batch.loose.begin(), batch.loose.end());
    }
    return set;
}

bool WriteDataSet(const DataSet& set, const std::string& folder, std::string& error)
{
    namespace fs = std::filesystem;
    const fs::path root(folder);
    std::error_code ec;
    fs::create_directories(root, ec);
    if (!Tools::WritePak((root / "main.pak").string(), set.packed)) {
        error = "cannot write " + (root / "main.pak").string();
        return false;
    }
    for (const Tools::PakFile& file : set.loose) {
        const fs::path path = root / file.name;
        fs::create_directories(path.parent_path(), ec);
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(file.data.data(), static_cast<std::streamsize>(file.data.size()));
        out.close();
        if (out.fail()) {
            error = "cannot write " + path.string();
            return false;
        }
    }
    return true;
}

} // namespace DataGen
