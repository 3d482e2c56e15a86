// The command line: name=value pairs separated by blanks, selecting demo
// recording or playback and the demo file, the screen-saver mode, the
// working folder, or a test crash.

#include "framework/app/VornAppBase.h"

#include "framework/app/PathUtils.h"
#include "platform/Paths.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <set>
#include <system_error>

namespace Vorn {

namespace {

// For testing the crash catcher: the fault it exists to report, a write to
// address 0. Through a pointer the compiler cannot see to be null, so that it
// stays that write; the sanitizer's own check of it is left out.
__attribute__((no_sanitize("undefined"), noinline)) void RaiseAccessViolation()
{
    volatile int* volatile address = nullptr;
    *address = 0;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Read like the runtime's atoi: leading blanks, an optional sign, digits up
// to the first other character; no digits reads as 0. Beyond the int32 range
// it saturates instead of overflowing.
int32_t ReadInt(const std::string& text)
{
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    constexpr int64_t kLimit = int64_t{INT32_MAX} + 1;
    int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = std::min(value * 10 + (text[i] - '0'), kLimit);
    return static_cast<int32_t>(std::clamp<int64_t>(negative ? -value : value, INT32_MIN, INT32_MAX));
}

// A drive letter, a third character '\\' (as in "C:\\") or a leading '/'.
bool IsAbsoluteDemoName(const std::string& name)
{
    if (!name.empty() && name[0] == '/')
        return true;
    return name.size() >= 2 && (name[1] == ':' || (name.size() >= 3 && name[2] == '\\'));
}

// Demos are written to the application-data folder, or the current
// directory while there is none.
std::string InDemoFolder(const std::string& name)
{
    return IsAbsoluteDemoName(name) ? name : GetAppDataFolder() + name;
}

// The number of a numbered demo file: base name, digits as the program
// writes them (no sign, no leading zero), ".dmo", and nothing else; the
// number must fit int32.
std::optional<int32_t> DemoNumber(const std::string& fileName, const std::string& baseName)
{
    static const std::string kExtension = ".dmo";
    if (fileName.size() <= baseName.size() + kExtension.size() || fileName.compare(0, baseName.size(), baseName) != 0 ||
        fileName.compare(fileName.size() - kExtension.size(), kExtension.size(), kExtension) != 0)
        return std::nullopt;
    const std::string digits = fileName.substr(baseName.size(), fileName.size() - baseName.size() - kExtension.size());
    if (digits.size() > 10 || (digits.size() > 1 && digits[0] == '0'))
        return std::nullopt;
    int64_t value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value > INT32_MAX)
        return std::nullopt;
    return static_cast<int32_t>(value);
}

} // namespace

void VornAppBase::SetCommandLine(int argc, const char* const* argv)
{
    std::string text;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i] ? argv[i] : "";
        if (argument.empty())
            continue;
        if (!text.empty())
            text += ' ';
        // A blank would end the pair; quoted it stays in the value.
        if (argument.find(' ') != std::string::npos)
            text += '"' + argument + '"';
        else
            text += argument;
    }
    mCommandLine = std::move(text);
}

void VornAppBase::FetchCommandLine()
{
    if (!mCommandLine.empty())
        SplitCommandLine(mCommandLine);
    mCommandLineFetched = true;
}

void VornAppBase::SplitCommandLine(const std::string& text)
{
    std::string name;
    std::string value;
    bool inQuotes = false;
    bool seenEquals = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        bool pairEnds = false;
        if (c == '"') {
            inQuotes = !inQuotes;
            pairEnds = !inQuotes;
        } else if (c == ' ' && !inQuotes) {
            pairEnds = true;
        } else if (c == '=' && !seenEquals) {
            seenEquals = true;
        } else if (seenEquals) {
            value += c;
        } else {
            name += c;
        }

        if ((pairEnds || i + 1 == text.size()) && !name.empty()) {
            ApplyCommandLineOption(name, value);
            name.clear();
            value.clear();
            seenEquals = false;
        }
    }
}

void VornAppBase::ApplyCommandLineOption(const std::string& name, const std::string& value)
{
    if (name == "-play") {
        SetDemoMode(DemoMode::Playing);
    } else if (name == "-recnum") {
        int32_t keep = ReadInt(value);
        if (keep <= 0)
            keep = 5;
        const int64_t next = std::min<int64_t>(int64_t{RotateDemoFiles(keep, true)} + 1, INT32_MAX);
        mDemoFileName = InDemoFolder(mDemoBaseName + std::to_string(next) + ".dmo");
        SetDemoMode(DemoMode::Recording);
    } else if (name == "-playnum") {
        const auto back = static_cast<int32_t>(std::max<int64_t>(int64_t{ReadInt(value)} - 1, 0));
        const int32_t number = RotateDemoFiles(back, false) - back;
        mDemoFileName = InDemoFolder(mDemoBaseName + std::to_string(number) + ".dmo");
        SetDemoMode(DemoMode::Playing);
    } else if (name == "-record") {
        SetDemoMode(DemoMode::Recording);
    } else if (name == "-demofile") {
        mDemoFileName = InDemoFolder(value);
    } else if (name == "-crash") {
        RaiseAccessViolation();
    } else if (name == "-screensaver") {
        mIsScreenSaver = true;
    } else if (name == "-changedir") {
        mWorkingFolder = value;
    } else {
        ShowFatalError(GetString("INVALID_COMMANDLINE_PARAM", "Invalid command line parameter: ") + name);
        ExitProgram(kFailedExitCode);
    }
}

int32_t VornAppBase::RotateDemoFiles(int32_t keep, bool deleteOldest)
{
    const std::string folder = GetAppDataFolder();
    const std::string diskFolder = folder.empty() ? std::string(".") : Platform::ResolveFileName(folder);

    std::set<int32_t> numbers;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(diskFolder, ec), end; !ec && it != end; it.increment(ec)) {
        if (const auto number = DemoNumber(it->path().filename().string(), mDemoBaseName))
            numbers.insert(*number);
    }
    if (numbers.empty())
        return 0;

    if (deleteOldest && static_cast<int64_t>(numbers.size()) > int64_t{keep} - 1) {
        const std::string oldest = mDemoBaseName + std::to_string(*numbers.begin()) + ".dmo";
        std::filesystem::remove(Platform::ResolveFileName(folder + oldest), ec);
    }
    return *numbers.rbegin();
}

} // namespace Vorn
