#include "platform/FileSettingsStore.h"
#include "platform/AtomicFile.h"
#include "platform/posix/NameMatch.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_set>

namespace fs = std::filesystem;

namespace Platform {

namespace {

using Detail::AsciiLower;
using Detail::FindEntryNoCase;
using Detail::SameNameNoCase;

constexpr char kValuesFile[] = "values.txt";
constexpr char kHeader[] = "vorn-settings 1";
constexpr char kEnd[] = "end";
constexpr char kHexDigits[] = "0123456789abcdef";

struct Value {
    std::string name;
    uint32_t type = 0;
    std::vector<uint8_t> data;
};
using Values = std::vector<Value>;

Values::iterator FindValue(Values& values, const std::string& name)
{
    for (auto it = values.begin(); it != values.end(); ++it) {
        if (SameNameNoCase(it->name, name))
            return it;
    }
    return values.end();
}

// ---- Writing the text

template <typename Bytes>
void AppendQuoted(std::string& out, const Bytes& bytes)
{
    out += '"';
    for (const auto byte : bytes) {
        const auto c = static_cast<unsigned char>(byte);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            out += "\\x";
            out += kHexDigits[c >> 4];
            out += kHexDigits[c & 0x0F];
        }
    }
    out += '"';
}

void AppendData(std::string& out, const Value& value)
{
    const std::vector<uint8_t>& data = value.data;
    if (value.type == kSettingString) {
        AppendQuoted(out, data);
    } else if (value.type == kSettingDword && data.size() == 4) {
        const uint32_t number = uint32_t{data[0]} | uint32_t{data[1]} << 8 | uint32_t{data[2]} << 16 |
                                uint32_t{data[3]} << 24;
        out += std::to_string(number);
    } else {
        for (const uint8_t byte : data) {
            out += kHexDigits[byte >> 4];
            out += kHexDigits[byte & 0x0F];
        }
    }
}

std::string Serialize(const Values& values)
{
    std::string out = std::string(kHeader) + '\n';
    for (const Value& value : values) {
        AppendQuoted(out, value.name);
        out += ' ' + std::to_string(value.type) + ' ' + std::to_string(value.data.size());
        if (!value.data.empty()) {
            out += ' ';
            AppendData(out, value);
        }
        out += '\n';
    }
    return out + kEnd + '\n';
}

// ---- Reading it back: line by line, keeping every value that reads back
// as the writer wrote it and noting whether anything else was met, so that
// a damaged file loses only its damaged lines.

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

class LineParser {
public:
    explicit LineParser(const std::string& line) : mLine(line) {}

    bool AtEnd() const { return mPos == mLine.size(); }

    bool Space()
    {
        if (AtEnd() || mLine[mPos] != ' ')
            return false;
        ++mPos;
        return true;
    }

    // Bounded by `max` at every digit, so no run of digits can overflow.
    bool Number(uint64_t max, uint64_t& number)
    {
        const size_t start = mPos;
        number = 0;
        while (!AtEnd() && mLine[mPos] >= '0' && mLine[mPos] <= '9') {
            number = number * 10 + static_cast<uint64_t>(mLine[mPos] - '0');
            if (number > max)
                return false;
            ++mPos;
        }
        return mPos > start;
    }

    // The writer stores a DWORD unsigned; a hand-written -1 .. -2147483648
    // means the same bits.
    bool Dword(uint32_t& number)
    {
        uint64_t magnitude = 0;
        if (AtEnd() || mLine[mPos] != '-') {
            if (!Number(UINT32_MAX, magnitude))
                return false;
            number = static_cast<uint32_t>(magnitude);
            return true;
        }
        ++mPos;
        if (!Number(uint64_t{1} << 31, magnitude) || magnitude == 0)
            return false;
        number = static_cast<uint32_t>(0 - magnitude);
        return true;
    }

    bool Quoted(std::string& text)
    {
        if (AtEnd() || mLine[mPos] != '"')
            return false;
        ++mPos;
        text.clear();
        while (!AtEnd()) {
            const char c = mLine[mPos++];
            if (c == '"')
                return true;
            if (static_cast<unsigned char>(c) < 0x20)
                return false;
            if (c != '\\') {
                text += c;
                continue;
            }
            if (AtEnd())
                return false;
            const char escaped = mLine[mPos++];
            if (escaped == '"' || escaped == '\\') {
                text += escaped;
            } else if (escaped == 'x' && mLine.size() - mPos >= 2) {
                const int high = HexValue(mLine[mPos]);
                const int low = HexValue(mLine[mPos + 1]);
                if (high < 0 || low < 0)
                    return false;
                text += static_cast<char>(high << 4 | low);
                mPos += 2;
            } else {
                return false;
            }
        }
        return false;
    }

    bool Hex(size_t length, std::vector<uint8_t>& data)
    {
        if ((mLine.size() - mPos) / 2 < length)
            return false;
        data.resize(length);
        for (size_t i = 0; i < length; ++i) {
            const int high = HexValue(mLine[mPos++]);
            const int low = HexValue(mLine[mPos++]);
            if (high < 0 || low < 0)
                return false;
            data[i] = static_cast<uint8_t>(high << 4 | low);
        }
        return true;
    }

private:
    const std::string& mLine;
    size_t mPos = 0;
};

bool ParseValue(const std::string& line, Value& value)
{
    LineParser parser(line);
    uint64_t type = 0;
    uint64_t length = 0;
    if (!parser.Quoted(value.name) || !parser.Space() || !parser.Number(UINT32_MAX, type) ||
        !parser.Space() || !parser.Number(FileSettingsStore::kMaxFileBytes, length))
        return false;
    value.type = static_cast<uint32_t>(type);
    value.data.clear();
    if (length == 0)
        return parser.AtEnd();
    if (!parser.Space())
        return false;
    if (value.type == kSettingString) {
        std::string text;
        if (!parser.Quoted(text) || text.size() != length)
            return false;
        value.data.assign(text.begin(), text.end());
    } else if (value.type == kSettingDword && length == 4) {
        uint32_t number = 0;
        if (!parser.Dword(number))
            return false;
        value.data = {static_cast<uint8_t>(number), static_cast<uint8_t>(number >> 8),
                      static_cast<uint8_t>(number >> 16), static_cast<uint8_t>(number >> 24)};
    } else if (!parser.Hex(static_cast<size_t>(length), value.data)) {
        return false;
    }
    return parser.AtEnd();
}

// The file's lines without their line ends; a hand-edited file may end its
// lines with "\r\n" and its last line with nothing.
std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    for (size_t start = 0; start < text.size();) {
        size_t newline = text.find('\n', start);
        if (newline == std::string::npos)
            newline = text.size();
        std::string line = text.substr(start, newline - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(std::move(line));
        start = newline + 1;
    }
    return lines;
}

// Every value that reads back; true when nothing else was met (the header
// and the end line may be missing: a file cut at a line end loses nothing
// that could be read). The first of two values of one name holds.
bool Parse(const std::string& text, Values& values)
{
    std::vector<std::string> lines = SplitLines(text);
    bool whole = true;
    size_t first = 0;
    if (!lines.empty() && lines.front() == kHeader)
        first = 1;
    else if (!lines.empty())
        whole = false;
    size_t last = lines.size();
    if (last > first && lines[last - 1] == kEnd)
        --last;
    std::unordered_set<std::string> seen;
    for (size_t i = first; i < last; ++i) {
        Value value;
        if (!ParseValue(lines[i], value) || !seen.insert(AsciiLower(value.name)).second) {
            whole = false;
            continue;
        }
        values.push_back(std::move(value));
    }
    return whole;
}

// ---- The file

enum class ReadResult { Missing, Whole, Partial };

// At most kMaxFileBytes of the file; a longer one is cut after its last
// complete line within the limit and reads as partial.
ReadResult ReadBounded(const std::string& path, std::string& text)
{
    // Non-blocking, so that a pipe put in the file's place cannot hang the reader.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return errno == ENOENT ? ReadResult::Missing : ReadResult::Partial;
    struct stat info {};
    bool ok = fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    bool cut = false;
    char chunk[65536];
    while (ok && !cut) {
        const ssize_t got = read(fd, chunk, sizeof chunk);
        if (got == 0)
            break;
        if (got < 0) {
            ok = errno == EINTR;
            continue;
        }
        // Checked as it comes: the file may be growing under us.
        const size_t room = FileSettingsStore::kMaxFileBytes - text.size();
        cut = static_cast<size_t>(got) > room;
        text.append(chunk, cut ? room : static_cast<size_t>(got));
    }
    close(fd);
    if (cut) {
        const size_t lastNewline = text.rfind('\n');
        text.resize(lastNewline == std::string::npos ? 0 : lastNewline + 1);
    }
    return ok && !cut ? ReadResult::Whole : ReadResult::Partial;
}

std::string ValuesPath(const std::string& folder)
{
    return folder + '/' + kValuesFile;
}

// A key's values, and whether its file was read whole.
struct Loaded {
    Values values;
    bool whole = true;
};

Loaded Load(const std::string& folder)
{
    std::string text;
    Loaded loaded;
    const ReadResult read = ReadBounded(ValuesPath(folder), text);
    const bool parsed = Parse(text, loaded.values);
    loaded.whole = read != ReadResult::Partial && parsed;
    return loaded;
}

// The damaged file stays beside the new one: what could not be read may
// still be the player's. A link keeps it whole whatever its size or kind.
bool KeepAside(const std::string& folder)
{
    const std::string damaged = ValuesPath(folder);
    const std::string aside = damaged + ".bad";
    std::error_code ec;
    fs::remove(aside, ec);
    fs::create_hard_link(damaged, aside, ec);
    if (!ec)
        return true;
    return fs::copy_file(damaged, aside, fs::copy_options::overwrite_existing, ec);
}

bool Save(const std::string& folder, const Loaded& loaded)
{
    const std::string text = Serialize(loaded.values);
    // Refused rather than written: the reader would lose what is past the limit.
    if (text.size() > FileSettingsStore::kMaxFileBytes)
        return false;
    if (!loaded.whole && !KeepAside(folder))
        return false;
    return WriteFileAtomically(ValuesPath(folder), text);
}

// ---- Key folders

bool IsFolderName(const std::string& name)
{
    const std::string reserved = kValuesFile;
    return name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos && !SameNameNoCase(name.substr(0, reserved.size()), reserved);
}

std::vector<std::string> KeyComponents(const std::string& keyPath)
{
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= keyPath.size()) {
        size_t slash = keyPath.find('\\', start);
        if (slash == std::string::npos)
            slash = keyPath.size();
        if (slash > start)
            parts.push_back(keyPath.substr(start, slash - start));
        start = slash + 1;
    }
    if (!parts.empty() && SameNameNoCase(parts.front(), "SOFTWARE"))
        parts.erase(parts.begin());
    return parts;
}

// The sub-folder of `folder` named `name` but for ASCII case: the exact
// spelling first, else the smallest matching name, so the answer does not
// depend on the order the folder lists its entries in.
bool FindSubFolder(const std::string& folder, const std::string& name, std::string& found)
{
    std::error_code ec;
    if (fs::is_directory(folder + '/' + name, ec)) {
        found = name;
        return true;
    }
    return FindEntryNoCase(folder, name, true, found);
}

std::string RootWithoutTrailingSlash(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

} // namespace

FileSettingsStore::FileSettingsStore(std::string rootFolder) : mRoot(RootWithoutTrailingSlash(std::move(rootFolder))) {}

bool FileSettingsStore::KeyFolder(const std::string& keyPath, bool create, std::string& folder) const
{
    const std::vector<std::string> parts = KeyComponents(keyPath);
    for (const std::string& part : parts) {
        if (!IsFolderName(part))
            return false;
    }
    std::error_code ec;
    if (create && !mRoot.empty())
        fs::create_directories(mRoot, ec);
    if (!fs::is_directory(mRoot, ec))
        return false;
    folder = mRoot;
    for (const std::string& part : parts) {
        std::string found;
        if (!FindSubFolder(folder, part, found)) {
            if (!create)
                return false;
            fs::create_directory(folder + '/' + part, ec);
            // Looked up again rather than trusted: another process may have
            // made the folder meanwhile, in another letter case.
            if (!FindSubFolder(folder, part, found))
                return false;
        }
        folder += '/' + found;
    }
    return true;
}

bool FileSettingsStore::KeyExists(const std::string& keyPath)
{
    std::lock_guard lock(mMutex);
    std::string folder;
    return KeyFolder(keyPath, false, folder);
}

bool FileSettingsStore::CreateKey(const std::string& keyPath)
{
    std::lock_guard lock(mMutex);
    std::string folder;
    return KeyFolder(keyPath, true, folder);
}

bool FileSettingsStore::SetValue(const std::string& keyPath, const std::string& name, uint32_t type,
                                 const uint8_t* data, size_t length)
{
    if (!data && length > 0)
        return false;
    std::lock_guard lock(mMutex);
    std::string folder;
    if (!KeyFolder(keyPath, true, folder))
        return false;
    Loaded loaded = Load(folder);
    Values& values = loaded.values;
    auto it = FindValue(values, name);
    if (it == values.end())
        it = values.insert(values.end(), Value{name, 0, {}});
    it->type = type;
    it->data.assign(data, data + length);
    return Save(folder, loaded);
}

bool FileSettingsStore::QueryValue(const std::string& keyPath, const std::string& name, uint32_t& type,
                                   std::vector<uint8_t>& data)
{
    std::lock_guard lock(mMutex);
    std::string folder;
    if (!KeyFolder(keyPath, false, folder))
        return false;
    Values values = Load(folder).values;
    const auto it = FindValue(values, name);
    if (it == values.end())
        return false;
    type = it->type;
    data = std::move(it->data);
    return true;
}

bool FileSettingsStore::DeleteValue(const std::string& keyPath, const std::string& name)
{
    std::lock_guard lock(mMutex);
    std::string folder;
    if (!KeyFolder(keyPath, false, folder))
        return false;
    Loaded loaded = Load(folder);
    const auto it = FindValue(loaded.values, name);
    if (it == loaded.values.end())
        return false;
    loaded.values.erase(it);
    return Save(folder, loaded);
}

} // namespace Platform
