#pragma once
// The game in progress as the autosave file holds it: plain text, ints in
// decimal, floats with 6 significant digits, booleans as 0 or 1, each value
// followed by a newline (game fields) or a blank (list items). The scores
// appear twice with the same values; the second pair wins.
//
// Reading fills the record and checks it before anyone uses it: a file the
// game did not write whole, or with a value the game never writes, is
// refused as a whole. A partial restore would break the pairing of the
// symbols and stall the stage.

#include <istream>
#include <ostream>
#include <vector>

struct AutosaveRecord {
    struct SavedBall {
        float size = 0.5f;
        float x = 0.0f;
        float y = 0.0f;
        // The velocity the ball was made with, not its motion.
        float velocityX = 0.0f;
        float velocityY = 0.0f;
        int symbol = 0;
        int symbolSet = 0;
        bool hovered = false;
        bool open = false;
        int specialKind = 0;
        bool beingRemoved = false;
        bool reserved1 = false;
        bool reserved2 = false;
        int flipCounter = 0;
        int removalCounter = 0;
        int specialLifetime = 0;
        bool heldShown = false;
        bool translucent = false;
    };

    // Writes the file's text.
    void Write(std::ostream& out) const;
    // True when the stream held a whole valid record; the record is then
    // filled. On false its contents are unspecified.
    bool Read(std::istream& in);

    int displayedScore = 0;
    int scoreToAdd = 0;
    int stage = 0;
    int difficulty = 1;
    bool spawnRequested = false;
    bool lost = false;
    int reserved = 0;
    float trackSpeed = 0.0f;
    int combo = 0;
    int misses = 0;
    int stopTimer = 0;
    int reverseTimer = 0;
    int revealTimer = 0;
    int revealCounter = 0;
    int speedUpTimer = 0;
    float travel = 0.0f;
    std::vector<int> pending;
    std::vector<SavedBall> balls;
};
