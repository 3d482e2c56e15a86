// Makes the game's data set into the folder named on the command line:
// "main.pak" and the loose files beside it.

#include "tools/datagen/DataSet.h"

#include <cstdio>
#include <exception>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    try {
        std::string error;
        if (!DataGen::WriteDataSet(DataGen::MakeDataSet(), argv[1], error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "cannot make the game's data: %s\n", e.what());
        return 1;
    }
    return 0;
}
