#pragma once
// The ten best scores with the players' names, kept in memory and in the
// file "topscores" of the save folder: one line per entry, best first, the
// score in decimal, one blank, the name.

#include <deque>
#include <istream>
#include <string>

class Board;

struct TopScoreEntry {
    int score = 0;
    std::string name;
};

inline constexpr const char* kTopScoresFileName = "topscores";
// The table on the disk holds at most this many entries.
inline constexpr int kTopScoreCount = 10;
// Reading keeps no more than this of a file, however long it is.
inline constexpr int kMaxTopScoreLines = 100;
inline constexpr size_t kMaxTopScoreName = 256;

// Best first; in memory it may hold more than ten.
extern std::deque<TopScoreEntry> gTopScores;
// The entry just made for the ended game, or -1.
extern int gNewTopScoreIndex;

std::string TopScoresPath();

// The table from the file, padded to at least ten entries named "Anonymous".
void LoadTopScores();
// The reader itself, on any stream.
void ReadTopScores(std::istream& in);
// The first ten entries; false when the file could not be written.
bool SaveTopScores();
// Enters the board's displayed score below every entry not lower than it,
// and saves. The index of the new entry stays -1 when it was not entered or
// could not be saved.
void AddTopScore(const Board& board);
