#include "fakes/PipeWatch.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace Testing {

bool MakePipe(const std::string& path)
{
    return mkfifo(path.c_str(), 0600) == 0;
}

PipeWatch::PipeWatch(std::string path, int seconds) : mPath(std::move(path))
{
    mWatcher = std::thread([this, seconds] { Watch(seconds); });
}

PipeWatch::~PipeWatch()
{
    {
        const std::lock_guard lock(mLock);
        mDone = true;
    }
    mDoneChanged.notify_all();
    mWatcher.join();
}

void PipeWatch::Watch(int seconds)
{
    std::unique_lock lock(mLock);
    if (mDoneChanged.wait_for(lock, std::chrono::seconds(seconds), [this] { return mDone; }))
        return;
    ADD_FAILURE() << "still waiting on the pipe " << mPath << " after " << seconds << " s";
    // Without blocking: each end opens only when the other is wanted.
    while (!mDoneChanged.wait_for(lock, std::chrono::milliseconds(10), [this] { return mDone; })) {
        for (const int end : {O_WRONLY, O_RDONLY}) {
            const int fd = open(mPath.c_str(), end | O_NONBLOCK | O_CLOEXEC);
            if (fd >= 0)
                close(fd);
        }
    }
}

} // namespace Testing
