#pragma once
// The game's whole data set, made from code: the archive's files and the
// files that go loose beside the program. The same bytes on every run.

#include "tools/PakWriter.h"

#include <string>
#include <vector>

namespace DataGen {

struct DataSet {
    // Into "main.pak".
    std::vector<Tools::PakFile> packed;
    // Beside the program, by their relative names with '/' separators.
    std::vector<Tools::PakFile> loose;
};

// Throws std::runtime_error when a face, a picture or the music encoder fails.
DataSet MakeDataSet();

// Writes the archive and the loose files below `folder`, making the folders
// they need. False (with the reason in `error`) when a file cannot be written.
bool WriteDataSet(const DataSet& set, const std::string& folder, std::string& error);

} // namespace DataGen
