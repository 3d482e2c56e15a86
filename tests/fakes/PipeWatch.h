#pragma once
// Guards a test that puts a named pipe where a file belongs: a reader that
// waits on the pipe for a writer (or a writer for a reader) fails the test
// instead of holding it forever.

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace Testing {

// Makes a named pipe at `path`; false when it cannot be made.
bool MakePipe(const std::string& path);

class PipeWatch {
public:
    // Watches from now until destruction. Whoever is still waiting on the
    // pipe after `seconds` fails the test and is then let go, again and
    // again, by a partner that opens the other end and closes it at once.
    explicit PipeWatch(std::string path, int seconds = 20);
    ~PipeWatch();
    PipeWatch(const PipeWatch&) = delete;
    PipeWatch& operator=(const PipeWatch&) = delete;

private:
    void Watch(int seconds);

    const std::string mPath;
    std::mutex mLock;
    std::condition_variable mDoneChanged;
    bool mDone = false;
    std::thread mWatcher;
};

} // namespace Testing
