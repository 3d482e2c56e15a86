#pragma once
// SDL's video subsystem held up for an object's life. SDL counts the
// holders, so windows, cursors and message boxes each hold it and the last
// one to go takes it down.

#include <string>

namespace Platform::Detail {

class VideoSubsystem {
public:
    VideoSubsystem();
    ~VideoSubsystem();
    VideoSubsystem(const VideoSubsystem&) = delete;
    VideoSubsystem& operator=(const VideoSubsystem&) = delete;

    bool IsUp() const { return mUp; }
    // Why it could not be brought up.
    const std::string& Error() const { return mError; }
    // Up, but on a driver that shows nothing anyone could see or answer.
    bool IsHeadless() const;

private:
    bool mUp = false;
    std::string mError;
};

} // namespace Platform::Detail
