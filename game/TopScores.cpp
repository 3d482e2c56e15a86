#include "game/TopScores.h"

#include "framework/app/FileUtils.h"
#include "framework/app/PathUtils.h"
#include "game/Board.h"
#include "game/GameApp.h"
#include "platform/AtomicFile.h"
#include "platform/Paths.h"
#include "platform/RegularFile.h"

#include <algorithm>
#include <sstream>

std::deque<TopScoreEntry> gTopScores;
int gNewTopScoreIndex = -1;

namespace {

constexpr int kEmptyTableStart = 10000;
constexpr const char* kPaddingName = "Anonymous";

void Keep(std::string& name, int c)
{
    if (name.size() < kMaxTopScoreName)
        name.push_back(static_cast<char>(c));
}

// The rest of the line after the blanks, up to the newline and at most the
// longest name kept; a carriage return just before the newline is dropped,
// as a text-mode read would.
std::string ReadName(std::istream& in)
{
    while (in.peek() == ' ' || in.peek() == '\t')
        in.get();
    std::string name;
    bool carriageReturn = false;
    int c = in.get();
    for (; c != std::char_traits<char>::eof() && c != '\n'; c = in.get()) {
        if (carriageReturn)
            Keep(name, '\r');
        carriageReturn = c == '\r';
        if (!carriageReturn)
            Keep(name, c);
    }
    if (carriageReturn && c != '\n')
        Keep(name, '\r');
    return name;
}

} // namespace

std::string TopScoresPath()
{
    return Vorn::GetAppDataFolder() + kSaveFolderName + kTopScoresFileName;
}

void ReadTopScores(std::istream& in)
{
    gTopScores.clear();
    int score;
    while (gTopScores.size() < kMaxTopScoreLines && in >> score)
        gTopScores.push_back({score, ReadName(in)});

    int padding = gTopScores.empty() ? kEmptyTableStart : gTopScores.back().score / 2;
    while (gTopScores.size() < kTopScoreCount) {
        padding /= 2;
        gTopScores.push_back({padding, kPaddingName});
    }
}

void LoadTopScores()
{
    Platform::RegularFileStream in(Platform::ResolveFileName(TopScoresPath()));
    ReadTopScores(in);
}

bool SaveTopScores()
{
    std::ostringstream text;
    const size_t count = std::min<size_t>(kTopScoreCount, gTopScores.size());
    for (size_t i = 0; i < count; ++i)
        text << gTopScores[i].score << ' ' << gTopScores[i].name << '\n';
    Vorn::MakeDirectories(Vorn::GetAppDataFolder() + kSaveFolderName);
    return Platform::WriteFileAtomically(Platform::ResolveFileName(TopScoresPath()), text.str());
}

void AddTopScore(const Board& board)
{
    LoadTopScores();
    gNewTopScoreIndex = -1;
    const auto place = std::find_if(gTopScores.begin(), gTopScores.end(),
        [&board](const TopScoreEntry& entry) { return entry.score < board.mDisplayedScore; });
    if (place != gTopScores.end()) {
        const auto index = static_cast<int>(place - gTopScores.begin());
        gTopScores.insert(place, {board.mDisplayedScore, ""});
        gNewTopScoreIndex = index;
    }
    // The high-score screen writes the typed name into the new entry's row:
    // without a saved table it must not name another player's.
    if (!SaveTopScores())
        gNewTopScoreIndex = -1;
}
