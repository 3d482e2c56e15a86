#pragma once
// The command stream of a demo: everything that reached the program from
// outside during a recorded run, each command stamped with the fixed-time
// update at which it took effect, packed bit by bit into a Vorn::Buffer.
//
// Every command starts with a header: the update delta from the previous
// command (4 bits; longer gaps are bridged by filler commands), a mouse flag
// (1 bit), then the mouse kind (1 bit: move or button) or the command number
// (5 bits). The fields follow, least significant bit first, never aligned:
//
//   mouse move      dx 6 bits signed, dy 6 bits signed
//   mouse button    down 1 bit, click 3 bits signed
//    0 position     x 12 bits, y 12 bits (low bits of each; read signed)
//    1 active       1 bit
//    2 minimized    8 bits boolean
//    3 key down     8 bits          4 key up   8 bits
//    5 character    wide 1 bit, then 8 bits (16 when wide)
//    6 close   7 mouse enter   8 mouse leave   9 loading done: no fields
//   11 registry read    found 1 bit; when found: type 32, length 32, bytes
//   12 registry write   success 1 bit
//   17 web result       transfer id 32, result 8, content string
//   18 kept buffer      byte count 32, bytes
//   21 wheel        8 bits signed, in steps of 120 units
//   23 display mode windowed 8 bits boolean, refresh rate 8 bits
//   31 filler       no fields
//
// Input commands (mouse, 0 to 9, 21, 23) are replayed at their update by the
// main loop. Commands 11, 12, 17 and 18 carry values the program asked for
// (registry results, web results, kept buffers): their producers take them
// back at the same point of the replayed run.
//
// Main thread only, but for the crash catcher: a fault on any thread stops
// the writers and saves the stream as it is (StopWritersForCrash,
// WriteClosedStream). Each recorded command is written whole under a lock
// of its own for that, and the mode is atomic.

#include "framework/app/Buffer.h"
#include "framework/app/ByteSink.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace Vorn {

enum class DemoMode { Off, Recording, Playing };

enum class DemoCommandType {
    MouseMove,
    MouseButton,
    Position,
    Active,
    Minimized,
    KeyDown,
    KeyUp,
    Character,
    Close,
    MouseEnter,
    MouseLeave,
    LoadingDone,
    Wheel,
    DisplayMode,
};

// An input command as the main loop records and replays it. What each type
// carries (fields it does not use stay 0 or false):
//   MouseMove: x, y = dx, dy (-31..31)      Position: x, y (-2048..2047)
//   MouseButton: flag = down, code = click  Active, Minimized: flag
//   KeyDown, KeyUp: code = key (0..255)     Character: code = 0..255
//   Wheel: code = steps (-128..127)         DisplayMode: flag = windowed,
//                                           code = refresh rate (0..255)
struct DemoCommand {
    DemoCommandType type = DemoCommandType::Close;
    int32_t x = 0;
    int32_t y = 0;
    int32_t code = 0;
    bool flag = false;

    static DemoCommand MouseMove(int32_t dx, int32_t dy) { return {DemoCommandType::MouseMove, dx, dy, 0, false}; }
    static DemoCommand MouseButton(bool down, int32_t click) { return {DemoCommandType::MouseButton, 0, 0, click, down}; }
    static DemoCommand Position(int32_t x, int32_t y) { return {DemoCommandType::Position, x, y, 0, false}; }
    static DemoCommand Active(bool active) { return {DemoCommandType::Active, 0, 0, 0, active}; }
    static DemoCommand Minimized(bool minimized) { return {DemoCommandType::Minimized, 0, 0, 0, minimized}; }
    static DemoCommand KeyDown(int32_t key) { return {DemoCommandType::KeyDown, 0, 0, key, false}; }
    static DemoCommand KeyUp(int32_t key) { return {DemoCommandType::KeyUp, 0, 0, key, false}; }
    static DemoCommand Character(int32_t character) { return {DemoCommandType::Character, 0, 0, character, false}; }
    static DemoCommand Close() { return {DemoCommandType::Close, 0, 0, 0, false}; }
    static DemoCommand MouseEnter() { return {DemoCommandType::MouseEnter, 0, 0, 0, false}; }
    static DemoCommand MouseLeave() { return {DemoCommandType::MouseLeave, 0, 0, 0, false}; }
    static DemoCommand LoadingDone() { return {DemoCommandType::LoadingDone, 0, 0, 0, false}; }
    static DemoCommand Wheel(int32_t steps) { return {DemoCommandType::Wheel, 0, 0, steps, false}; }
    static DemoCommand DisplayMode(bool windowed, int32_t refreshRate)
    {
        return {DemoCommandType::DisplayMode, 0, 0, refreshRate, windowed};
    }

    bool operator==(const DemoCommand&) const = default;
};

class DemoStream {
public:
    // Record* act only while recording, Replay* only while playing; the
    // header primitives act in every mode.
    explicit DemoStream(DemoMode mode = DemoMode::Off);
    // The stream, its mode and its reader state; never while it is written.
    DemoStream(const DemoStream& other);
    DemoStream& operator=(const DemoStream& other);

    DemoMode GetMode() const { return mMode; }
    void SetMode(DemoMode mode) { mMode = mode; }

    // For the crash catcher, in a signal handler: turns the stream off, so
    // that no writer changes it any more, and waits at most `wait` for a
    // command under way to be whole. False when the wait ran out (the writer
    // may be the failing thread itself): the stream is then taken as it is.
    bool StopWritersForCrash(std::chrono::milliseconds wait);
    // Puts the stream's bytes to the sink followed, without allocating or
    // changing the stream, by a filler command at `updateCount` (and the
    // fillers a gap above 15 needs), so that the file ends at that update.
    // False when the sink refused bytes.
    bool WriteClosedStream(int32_t updateCount, ByteSink& sink) const;
    // The player closed the window: from now on nothing is read from the
    // stream.
    void MarkClosedByUser() { mClosedByUser = true; }
    bool IsClosedByUser() const { return mClosedByUser; }

    // The stream itself: saved to and loaded from the demo file.
    Buffer& GetBuffer() { return mBuffer; }
    const Buffer& GetBuffer() const { return mBuffer; }

    // While recording, the update of the last header written; while playing,
    // the update of the command whose header was read last.
    int32_t GetLastCommandUpdate() const { return mLastCommandUpdate; }
    bool IsHeaderPending() const { return mHeaderPending; }
    // Playback has nothing more to give: the next header has yet to be read
    // and fewer bits remain than the shortest command takes, so the zero bits
    // that pad the file's last byte never replay as a command.
    bool Ended() const;

    // The update delta of a command at `updateCount`, preceded by the fillers
    // a gap above 15 needs. The caller writes the kind or number and fields;
    // a command written this way is not kept whole from the crash catcher.
    void WriteCommandHeader(int32_t updateCount);
    // Reads the next header when one is pending; true when the current
    // command belongs to `updateCount`. A caller that goes on to read the
    // command's fields sets the header pending first.
    bool ReadCommandHeader(int32_t updateCount);
    void SetHeaderPending() { mHeaderPending = true; }

    void RecordCommand(int32_t updateCount, const DemoCommand& command);
    // A command without fields: the file then ends at `updateCount`.
    void RecordFiller(int32_t updateCount);
    // `length` bytes of `data` follow a found value.
    void RecordRegistryRead(int32_t updateCount, bool found, uint32_t type, const uint8_t* data, int32_t length);
    void RecordRegistryWrite(int32_t updateCount, bool success);
    // The content is stored empty when the result is 2.
    void RecordWebResult(int32_t updateCount, int32_t transferId, int32_t result, const std::string& content);

    // The next input command due at `updateCount`, or nothing when none is
    // due (the header of a later command then stays read) or the stream has
    // ended. Fillers, unused numbers and the values of commands 11, 12, 17 and
    // 18 met here are passed over: a screen-mode switch while recording
    // writes them unasked, and their fields must not be read as headers.
    std::optional<DemoCommand> ReplayNextCommand(int32_t updateCount);

    // The producers take their command back whatever its update. When the
    // next command is not theirs, or claims more bytes than the stream holds,
    // they take nothing and leave the stream exactly as it was.
    //
    // Registry read: false when not found or nothing was taken. At most
    // `length` bytes (the capacity of `data`) are copied and the rest of a
    // longer value is passed over; `length` then gives the recorded length,
    // so the caller sees that its buffer was too small.
    bool ReplayRegistryRead(uint32_t& type, uint8_t* data, int32_t& length);
    // False also when nothing was taken.
    bool ReplayRegistryWrite();
    // Only a command 17 due at `updateCount` with this transfer id is taken.
    bool ReplayWebResult(int32_t updateCount, int32_t transferId, int32_t& result, std::string& content);
    // The display state start-up takes after the window creation: only a
    // command 23 due at `updateCount` is taken. The refresh rate is the
    // stored byte as it is.
    bool ReplayDisplayMode(int32_t updateCount, bool& windowed, int32_t& refreshRate);

    // Keep a value identical between a recorded run and its replay: recording
    // stores it as command 18, playing replaces it by the recorded one (left
    // as it is when nothing is taken). Texts are cut to
    // Buffer::kMaxStringLength bytes while recording or playing, so that both
    // runs see the same text.
    void RecordOrReplayBuffer(int32_t updateCount, Buffer& buffer);
    void RecordOrReplayString(int32_t updateCount, std::string& text);
    void RecordOrReplayBool(int32_t updateCount, bool& value);

private:
    struct ReadState {
        int32_t position;
        int32_t lastCommandUpdate;
        bool headerPending;
        bool mouse;
        int32_t number;
    };

    // Holds the writers' lock for one command.
    class WriteLock {
    public:
        explicit WriteLock(DemoStream& stream);
        ~WriteLock();
        WriteLock(const WriteLock&) = delete;
        WriteLock& operator=(const WriteLock&) = delete;

    private:
        DemoStream& mStream;
    };

    bool Recording() const { return mMode == DemoMode::Recording; }
    bool Reading() const { return mMode == DemoMode::Playing && !mClosedByUser; }
    void ReadHeaderIfPending();
    void WriteNumberHeader(int32_t updateCount, int32_t number);
    // Reads the header when pending; true when the current command is
    // `number`, with the header then marked pending for the next one.
    bool TakeHeaderOf(int32_t number);
    ReadState SaveReadState() const;
    void RestoreReadState(const ReadState& state);
    // Whole bytes readable from here.
    int32_t BytesLeft() const;
    void SkipBytes(int64_t count);
    // The fields of the command whose header was read: the command when it is
    // an input command; any other command's fields are passed over.
    std::optional<DemoCommand> ReadCommandFields();

    Buffer mBuffer;
    std::atomic<DemoMode> mMode;
    // Taken while a command is written: a spin lock, which the crash catcher
    // can try in a signal handler.
    std::atomic<bool> mWriting{false};
    bool mClosedByUser = false;
    int32_t mLastCommandUpdate = 0;
    bool mHeaderPending = true;
    bool mMouse = false;
    int32_t mNumber = 0;
};

} // namespace Vorn
