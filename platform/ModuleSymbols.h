#pragma once
// Names and source lines for code addresses of a process, read from the files
// of its modules: their symbol tables (functions private to one source file
// included) and their debug information. Reads files and allocates: the
// crash reporter calls it, never a signal handler.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>

namespace Platform {

struct CodeSymbol {
    // As the symbol table holds it (mangled, without a version); empty when
    // no symbol covers the address.
    std::string name;
    // Where the symbol starts, in the process's addresses.
    uint64_t address = 0;
    // The source line holding the address, its file by an absolute path
    // where the line table tells the folder; empty when the module has no
    // line table for it.
    std::string sourceFile;
    int line = 0;
    // Where that line's first instruction is.
    uint64_t lineAddress = 0;
};

class ModuleSymbols {
public:
    ModuleSymbols();
    ~ModuleSymbols();
    ModuleSymbols(const ModuleSymbols&) = delete;
    ModuleSymbols& operator=(const ModuleSymbols&) = delete;

    // `address` lies in the module read from `file`, whose first byte was
    // mapped at `moduleStart`. False when the file cannot be read as a module
    // or the address lies outside it; otherwise what was found (which may be
    // nothing). Each file is read once.
    bool Lookup(const std::string& file, uint64_t moduleStart, uint64_t address, CodeSymbol& symbol);

private:
    struct Module;
    std::map<std::pair<std::string, uint64_t>, std::unique_ptr<Module>> mModules;
};

} // namespace Platform
