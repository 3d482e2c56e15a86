#include "game/AutosaveRecord.h"

#include "game/Ball.h"
#include "game/Board.h"
#include "game/Level.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <iomanip>
#include <limits>
#include <string>
#include <system_error>

namespace {

constexpr int kMaxStage = 1000000;
constexpr int kMaxCombo = 1000000;
constexpr int kMaxScore = 2000000000;
constexpr int kMaxSymbol = 15;
constexpr int kMaxSpecialKind = 4;
constexpr float kMinSize = 0.5f;
constexpr float kMaxSize = 0.95f;
constexpr int kMaxSpecialLifetime = 1000;
constexpr int kMaxStopTimer = 300;
constexpr int kMaxReverseTimer = 400;
constexpr int kMaxRevealTimer = 500;
constexpr int kMaxRevealCounter = 10;
constexpr int kMaxSpeedUpTimer = 200;
constexpr int kMaxMisses = 10;
// The counters run down from 100 by these steps.
constexpr int kSavedFlipStep = 4;
constexpr int kSavedRemovalStep = 5;

// The travel starts again from 0 once it passes the spawn distance. It
// falls only while a reverse runs, by at most the top speed an update, and
// reverses follow one another only while a reverse ball (which only a saved
// game brings) is left to match: its special lasts at most its lifetime, and
// the last one matched runs on for a reverse's length after it. A saved game
// must leave room for the fall still ahead of it (ReverseUpdatesAhead), or
// the game would go on to write a file this reader refuses.
constexpr float kLeastTravel = -static_cast<float>(kMaxSpecialLifetime + kMaxReverseTimer) * Board::kTopSpeed;
// The play field's planes hold every ball's centre within 20 of the
// window's edges; one further than a whole ball's radius outside the window
// would not be on the screen at all.
constexpr float kFieldWidth = 800.0f;
constexpr float kFieldHeight = 600.0f;
constexpr float kFieldMargin = Ball::kRadius;

// The updates a reverse may still run: what is left of the running one, or
// a whole reverse started by a reverse ball matched on the last update of
// its special.
int ReverseUpdatesAhead(int reverseTimer, const std::vector<AutosaveRecord::SavedBall>& balls)
{
    int updates = reverseTimer;
    for (const AutosaveRecord::SavedBall& ball : balls) {
        if (ball.specialKind == Ball::kSpecialReverse)
            updates = std::max(updates, kMaxReverseTimer + ball.specialLifetime);
    }
    return updates;
}

bool Within(int value, int least, int most)
{
    return value >= least && value <= most;
}

// A value a counter running down from 100 by `step` takes.
bool CounterValue(int value, int step)
{
    return Within(value, 0, 100) && (100 - value) % step == 0;
}

bool ScoreValue(int64_t value)
{
    return value >= -kMaxScore && value <= kMaxScore;
}

// Each value is one whole token: "0.55" where an int belongs is no int,
// and a value beyond its type's range cannot be read.
bool ReadToken(std::istream& in, std::string& token)
{
    return static_cast<bool>(in >> token);
}

template <typename Number>
bool ParseWhole(const std::string& token, Number& value)
{
    const char* end = token.data() + token.size();
    const auto [stop, error] = std::from_chars(token.data(), end, value);
    return error == std::errc() && stop == end;
}

// Reads one value of each kind; false when it cannot be read or is outside
// the range.
bool ReadInt(std::istream& in, int& value, int least, int most)
{
    std::string token;
    return ReadToken(in, token) && ParseWhole(token, value) && Within(value, least, most);
}

bool ReadAnyInt(std::istream& in, int& value)
{
    std::string token;
    return ReadToken(in, token) && ParseWhole(token, value);
}

// Through a double: a float the game wrote near the bottom of its range
// (a subnormal) must read back, and one beyond the top of it must not.
bool ReadFloat(std::istream& in, float& value)
{
    std::string token;
    double wide;
    if (!ReadToken(in, token) || !ParseWhole(token, wide) || !(std::fabs(wide) <= std::numeric_limits<float>::max()))
        return false;
    value = static_cast<float>(wide);
    return true;
}

bool ReadFloatWithin(std::istream& in, float& value, float least, float most)
{
    return ReadFloat(in, value) && value >= least && value <= most;
}

// The feed rate of at most the top speed (down to the difficulty's floor),
// run backwards by a reverse or tripled by the speed-up; while the first
// balls roll in, the opening speed is stored instead.
bool TrackSpeedValue(float speed)
{
    const float fastest = Board::kTopSpeed * Board::kSpeedUpFactor;
    return (speed >= -Board::kTopSpeed && speed <= fastest) || speed == Board::kOpeningSpeed;
}

bool ReadBool(std::istream& in, bool& value)
{
    std::string token;
    if (!ReadToken(in, token) || (token != "0" && token != "1"))
        return false;
    value = token == "1";
    return true;
}

bool ReadScores(std::istream& in, int& displayed, int& toAdd)
{
    return ReadInt(in, displayed, -kMaxScore, kMaxScore) && ReadInt(in, toAdd, -kMaxScore, kMaxScore) &&
           ScoreValue(int64_t{displayed} + toAdd);
}

// A list's length, checked against what is left of the stage's balls before
// anything is reserved for it.
bool ReadCount(std::istream& in, int64_t& count, int64_t most)
{
    std::string token;
    return ReadToken(in, token) && ParseWhole(token, count) && count >= 0 && count <= most;
}

// Every ball is made at rest, and a resumed one with the velocity it was
// saved with: the game writes no other start velocity. Only a ball being
// removed counts its removal down. A special ends when its lifetime runs
// out; one without any lifetime would last for ever.
bool ReadBall(std::istream& in, AutosaveRecord::SavedBall& ball)
{
    return ReadFloatWithin(in, ball.size, kMinSize, kMaxSize) &&
           ReadFloatWithin(in, ball.x, -kFieldMargin, kFieldWidth + kFieldMargin) &&
           ReadFloatWithin(in, ball.y, -kFieldMargin, kFieldHeight + kFieldMargin) &&
           ReadFloatWithin(in, ball.velocityX, 0.0f, 0.0f) && ReadFloatWithin(in, ball.velocityY, 0.0f, 0.0f) &&
           ReadInt(in, ball.symbol, 0, kMaxSymbol) && ReadInt(in, ball.symbolSet, 0, kMaxSymbol) &&
           ReadBool(in, ball.hovered) && ReadBool(in, ball.open) && ReadInt(in, ball.specialKind, 0, kMaxSpecialKind) &&
           ReadBool(in, ball.beingRemoved) && ReadBool(in, ball.reserved1) && ReadBool(in, ball.reserved2) &&
           ReadInt(in, ball.flipCounter, 0, 100) && CounterValue(ball.flipCounter, kSavedFlipStep) &&
           ReadInt(in, ball.removalCounter, 0, 100) && CounterValue(ball.removalCounter, kSavedRemovalStep) &&
           (ball.beingRemoved || ball.removalCounter == 0) &&
           ReadInt(in, ball.specialLifetime, 0, kMaxSpecialLifetime) &&
           (ball.specialKind == Ball::kSpecialNone || ball.specialLifetime > 0) && ReadBool(in, ball.heldShown) &&
           ReadBool(in, ball.translucent);
}

} // namespace

void AutosaveRecord::Write(std::ostream& out) const
{
    out << std::defaultfloat << std::setprecision(6) << std::noboolalpha << std::dec;
    out << displayedScore << ' ' << scoreToAdd << '\n';
    out << stage << '\n' << difficulty << '\n' << spawnRequested << '\n' << lost << '\n' << reserved << '\n';
    out << trackSpeed << '\n' << displayedScore << '\n' << scoreToAdd << '\n' << combo << '\n' << misses << '\n';
    out << stopTimer << '\n' << reverseTimer << '\n' << revealTimer << '\n' << revealCounter << '\n';
    out << speedUpTimer << '\n' << travel << '\n';
    out << pending.size() << '\n';
    for (const int symbol : pending)
        out << symbol << ' ';
    out << '\n' << balls.size() << '\n';
    for (const SavedBall& ball : balls) {
        out << ball.size << ' ' << ball.x << ' ' << ball.y << ' ' << ball.velocityX << ' ' << ball.velocityY << ' ';
        out << ball.symbol << ' ' << ball.symbolSet << ' ' << ball.hovered << ' ' << ball.open << ' ';
        out << ball.specialKind << ' ' << ball.beingRemoved << ' ' << ball.reserved1 << ' ' << ball.reserved2 << ' ';
        out << ball.flipCounter << ' ' << ball.removalCounter << ' ' << ball.specialLifetime << ' ';
        out << ball.heldShown << ' ' << ball.translucent << ' ' << '\n';
    }
}

bool AutosaveRecord::Read(std::istream& in)
{
    if (!ReadScores(in, displayedScore, scoreToAdd) || !ReadInt(in, stage, 0, kMaxStage) ||
        !ReadInt(in, difficulty, 1, 8) || (difficulty > 3 && difficulty != 8))
        return false;
    if (!ReadBool(in, spawnRequested) || !ReadBool(in, lost) || !ReadAnyInt(in, reserved) || !ReadFloat(in, trackSpeed) ||
        !TrackSpeedValue(trackSpeed) ||
        !ReadScores(in, displayedScore, scoreToAdd) || !ReadInt(in, combo, 0, kMaxCombo) ||
        !ReadInt(in, misses, 0, kMaxMisses) || !ReadInt(in, stopTimer, 0, kMaxStopTimer) ||
        !ReadInt(in, reverseTimer, 0, kMaxReverseTimer) || !ReadInt(in, revealTimer, 0, kMaxRevealTimer) ||
        !ReadInt(in, revealCounter, 0, kMaxRevealCounter) || !ReadInt(in, speedUpTimer, 0, kMaxSpeedUpTimer) ||
        !ReadFloatWithin(in, travel, kLeastTravel, Board::kSpawnDistance))
        return false;

    const int64_t stageBalls = Level::BallCountFor(stage);
    int64_t count = 0;
    if (!ReadCount(in, count, stageBalls))
        return false;
    pending.clear();
    for (int64_t i = 0; i < count; ++i) {
        int symbol;
        if (!ReadInt(in, symbol, 0, kMaxSymbol))
            return false;
        pending.push_back(symbol);
    }

    if (!ReadCount(in, count, stageBalls - static_cast<int64_t>(pending.size())))
        return false;
    balls.clear();
    for (int64_t i = 0; i < count; ++i) {
        SavedBall ball;
        if (!ReadBall(in, ball))
            return false;
        balls.push_back(ball);
    }
    return travel >= kLeastTravel + static_cast<float>(ReverseUpdatesAhead(reverseTimer, balls)) * Board::kTopSpeed;
}
