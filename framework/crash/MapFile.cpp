#include "framework/crash/MapFile.h"

#include "framework/app/StringUtils.h"
#include "platform/CrashSignals.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <utility>

namespace CrashCatcher {

namespace {

// Section and offset, compared as an unsigned pair.
using Key = std::pair<uint32_t, uint32_t>;

struct SourceLine {
    std::string file;
    int line = 0;
};

struct MapTables {
    std::map<Key, std::string> symbols;
    std::map<Key, SourceLine> lines;
};

constexpr size_t kLongestLine = 4096;
constexpr size_t kShortestSymbolLine = 23;
constexpr size_t kLineEntriesLine = 80;
constexpr size_t kLineEntryWidth = 20;
constexpr size_t kAddressLength = 13;

std::optional<Key> ParseAddress(std::string_view text)
{
    uint32_t section = 0;
    uint32_t offset = 0;
    if (!ParseHex(text.substr(0, 4), section) || !ParseHex(text.substr(5, 8), offset))
        return std::nullopt;
    return Key{section, offset};
}

void ReadSymbolLine(std::string_view line, MapTables& tables)
{
    const std::optional<Key> key = ParseAddress(line.substr(1, 13));
    if (!key || line[20] != ' ')
        return;
    const size_t end = line.find(' ', 21);
    if (end == std::string_view::npos)
        return;
    tables.symbols[*key] = std::string(line.substr(21, end - 21));
}

void ReadLineEntries(std::string_view line, const std::string& file, MapTables& tables)
{
    for (size_t p = 0; p < kLineEntriesLine; p += kLineEntryWidth) {
        const std::string_view entry = line.substr(p, kLineEntryWidth);
        const std::optional<Key> key = ParseAddress(entry.substr(7, kAddressLength));
        if (key)
            tables.lines[*key] = {file, std::atoi(std::string(entry.substr(0, 6)).c_str())};
    }
}

std::optional<std::filesystem::path> FirstMapFile(const std::string& folder)
{
    std::optional<std::filesystem::path> first;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::filesystem::path& path = it->path();
        if (Vorn::StringToLower(path.extension().string()) != ".map" || !it->is_regular_file(ec))
            continue;
        if (!first || path.filename() < first->filename())
            first = path;
    }
    return first;
}

bool ReadMapFile(const std::string& folder, MapTables& tables)
{
    const std::optional<std::filesystem::path> path = FirstMapFile(folder);
    if (!path)
        return false;
    std::ifstream in(*path);
    if (!in)
        return false;
    std::string file;
    bool inSource = false;
    for (std::string text; std::getline(in, text);) {
        std::string_view line(text);
        line = line.substr(0, kLongestLine);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.size() >= kShortestSymbolLine && line[5] == ':') {
            ReadSymbolLine(line, tables);
        } else if (line.substr(0, 12) == "Line numbers") {
            const size_t open = line.find('(');
            const size_t close = line.rfind(')');
            const size_t from = open == std::string_view::npos ? line.size() : open + 1;
            const size_t to = close == std::string_view::npos || close < from ? line.size() : close;
            file = std::string(line.substr(from, to - from));
            inSource = true;
        } else if (inSource && line.size() == kLineEntriesLine) {
            ReadLineEntries(line, file, tables);
        }
    }
    return true;
}

// The entry at or below the key in its section; none before the section's
// first.
template <typename Value>
const std::pair<const Key, Value>* AtOrBelow(const std::map<Key, Value>& table, const Key& key)
{
    auto it = table.upper_bound(key);
    if (it == table.begin())
        return nullptr;
    --it;
    return it->first.first == key.first ? &*it : nullptr;
}

} // namespace

bool ParseHex(std::string_view text, uint32_t& value)
{
    uint32_t result = 0;
    for (const char c : text) {
        uint32_t digit;
        if (c >= '0' && c <= '9')
            digit = static_cast<uint32_t>(c - '0');
        else if (c >= 'A' && c <= 'F')
            digit = static_cast<uint32_t>(c - 'A' + 10);
        else if (c >= 'a' && c <= 'f')
            digit = static_cast<uint32_t>(c - 'a' + 10);
        else {
            value = 0;
            return false;
        }
        result = result << 4 | digit;
    }
    value = result;
    return true;
}

void GetMapFileLine(std::string& report, const std::string& folder)
{
    MapTables tables;
    if (!ReadMapFile(folder, tables))
        return;
    size_t i = 0;
    while (i + kAddressLength <= report.size()) {
        const std::optional<Key> key =
            report[i + 4] == ':' ? ParseAddress(std::string_view(report).substr(i, kAddressLength)) : std::nullopt;
        const auto* symbol = key ? AtOrBelow(tables.symbols, *key) : nullptr;
        if (symbol == nullptr) {
            ++i;
            continue;
        }
        std::string text = Platform::DemangleSymbol(symbol->second).substr(0, kLongestLine);
        const uint32_t displacement = key->second - symbol->first.second;
        if (displacement != 0)
            text += Vorn::FormatString("+0x%X", displacement);
        if (const auto* line = AtOrBelow(tables.lines, *key))
            text += Vorn::FormatString("\r\n    %s line %d +0x%X", line->second.file.c_str(), line->second.line,
                                       key->second - line->first.second);
        report.replace(i, kAddressLength, text);
        // The inserted text is not searched again: it may hold addresses of
        // its own.
        i += text.size();
    }
}

} // namespace CrashCatcher
