#include "platform/ModuleSymbols.h"

#include <elfutils/libdwfl.h>
#include <filesystem>
#include <string_view>

namespace Platform {

namespace {

// Each module is opened from the file named, never found by other means.
int FindNoModuleFile(Dwfl_Module*, void**, const char*, Dwarf_Addr, char**, Elf**)
{
    return -1;
}

// Separate debug files are looked for on this machine only, by the module's
// build id: a crash report must not wait on, or tell anything to, a server.
int FindLocalDebugFile(Dwfl_Module* module, void** userData, const char* name, Dwarf_Addr start,
                       const char* file, const char* debugLink, GElf_Word crc, char** debugFile)
{
    return dwfl_build_id_find_debuginfo(module, userData, name, start, file, debugLink, crc, debugFile);
}

const Dwfl_Callbacks kModuleSymbolsCallbacks = {
    FindNoModuleFile,
    FindLocalDebugFile,
    nullptr,
    nullptr,
};

// A line table may name its files from the folder the compiler ran in; the
// reader wants a file to open.
std::string SourcePath(const char* file, const char* compiledIn)
{
    const std::filesystem::path path(file);
    if (path.is_absolute() || compiledIn == nullptr || compiledIn[0] == '\0')
        return path.string();
    return (std::filesystem::path(compiledIn) / path).lexically_normal().string();
}

} // namespace

struct ModuleSymbols::Module {
    // Not in the unnamed namespace: g++ refuses a field of such a type when
    // this file is compiled inside a batch of sources.
    struct DwflEnd {
        void operator()(Dwfl* dwfl) const { dwfl_end(dwfl); }
    };
    std::unique_ptr<Dwfl, DwflEnd> dwfl;
    // Null when the file could not be read as a module.
    Dwfl_Module* module = nullptr;
};

ModuleSymbols::ModuleSymbols() = default;

ModuleSymbols::~ModuleSymbols() = default;

bool ModuleSymbols::Lookup(const std::string& file, uint64_t moduleStart, uint64_t address, CodeSymbol& symbol)
{
    symbol = CodeSymbol();
    std::unique_ptr<Module>& entry = mModules[{file, moduleStart}];
    if (!entry) {
        entry = std::make_unique<Module>();
        entry->dwfl.reset(dwfl_begin(&kModuleSymbolsCallbacks));
        if (entry->dwfl) {
            dwfl_report_begin(entry->dwfl.get());
            // Placed where the loader put its first byte, the module's
            // addresses are the process's.
            entry->module = dwfl_report_elf(entry->dwfl.get(), file.c_str(), file.c_str(), -1, moduleStart, false);
            if (dwfl_report_end(entry->dwfl.get(), nullptr, nullptr) != 0)
                entry->module = nullptr;
        }
    }
    Dwfl_Module* module = entry->module;
    if (module == nullptr || dwfl_addrmodule(entry->dwfl.get(), address) != module)
        return false;

    GElf_Off offset = 0;
    GElf_Sym found{};
    if (const char* name = dwfl_module_addrinfo(module, address, &offset, &found, nullptr, nullptr, nullptr)) {
        // Without the version the table may add ("name@@LIB_2.34"), as the
        // loader names it.
        symbol.name = std::string(name).substr(0, std::string_view(name).find('@'));
        symbol.address = address - offset;
    }
    Dwarf_Addr lineAddress = 0;
    int line = 0;
    if (Dwfl_Line* record = dwfl_module_getsrc(module, address)) {
        if (const char* source = dwfl_lineinfo(record, &lineAddress, &line, nullptr, nullptr, nullptr)) {
            symbol.sourceFile = SourcePath(source, dwfl_line_comp_dir(record));
            symbol.line = line;
            symbol.lineAddress = lineAddress;
        }
    }
    return true;
}

} // namespace Platform
