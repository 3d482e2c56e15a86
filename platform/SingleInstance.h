#pragma once
// One running copy of the program per user. The first copy holds a lock on
// "<product>.lock" in the runtime folder and listens on the socket
// "<product>.sock" beside it; a later copy finds the lock taken and connects
// to the socket to bring the first one to the front. The lock dies with its
// process, so a crash never leaves the program unable to start.

#include <functional>
#include <string>
#include <thread>

namespace Platform {

class SingleInstance {
public:
    enum class Claim {
        First,          // this copy holds the lock
        AlreadyRunning, // another copy holds it
        Failed,         // no lock could be made (see Error); run unguarded
    };

    // `folder` is normally RuntimeFolder(). Nothing is touched until Acquire.
    SingleInstance(std::string product, std::string folder);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    Claim Acquire();

    // After First: answers every later copy's knock by calling `onNotify` on
    // a thread of its own, until this object goes; the handler typically
    // posts the registered notify message to the main window, which its pump
    // then delivers. False (see Error) when the socket cannot be opened; the
    // lock is kept all the same.
    bool Listen(std::function<void()> onNotify);

    // After AlreadyRunning: knocks at the first copy. False (see Error) when
    // it does not answer, for example while it is still starting.
    bool NotifyRunning();

    const std::string& Error() const { return mError; }
    std::string LockPath() const { return mFolder + "/" + mProduct + ".lock"; }
    std::string SocketPath() const { return mFolder + "/" + mProduct + ".sock"; }

private:
    void Serve();
    bool Fail(const std::string& what, int error);

    std::string mProduct;
    std::string mFolder;
    std::string mError;
    int mLockFd = -1;
    int mListenFd = -1;
    // Written to on destruction to wake the listening thread.
    int mWakeFds[2] = {-1, -1};
    std::function<void()> mOnNotify;
    std::thread mListener;
};

} // namespace Platform
