// The loading thread, which runs the game's resource loading once while the
// main thread shows and animates the title screen, and the cursor thread.

#include "framework/app/VornAppBase.h"

#include "framework/app/DebugPrint.h"
#include "platform/Thread.h"

#include <algorithm>

namespace Vorn {

void VornAppBase::StartLoadingThread()
{
    if (mLoadingThreadStarted)
        return;
    mLoadingThreadRunning = true;
    Platform::SetCurrentThreadPriority(Platform::kThreadPriorityAboveNormal);
    mLoadingThreadStarted = true;
    mLoadingThread = std::thread([this] { LoadingThreadEntry(); });
}

void VornAppBase::LoadingThreadEntry()
{
    RunLoadingThread();
    DebugPrint("Resource Loading Time: %d\r\n", static_cast<int32_t>(Now() - mLoadTime));
    mLoadingThreadFinished = true;
}

void VornAppBase::RunLoadingThread() {}

void VornAppBase::OnLoadingFinished() {}

void VornAppBase::WaitForLoadingThread()
{
    if (!mLoadingThreadStarted)
        return;
    while (!mLoadingThreadFinished)
        mClock->Sleep(20);
    if (mLoadingThread.joinable())
        mLoadingThread.join();
}

double VornAppBase::GetLoadingProgress()
{
    if (mLoadingHandedOver)
        return 1.0;
    const int32_t total = mNumLoadingThreadTasks;
    if (!mLoadingThreadStarted || total <= 0)
        return 0.0;
    return std::min(static_cast<double>(mCompletedLoadingThreadTasks) / total, 1.0);
}

// The cursor thread moves the display's software cursor between frames; with
// no display there is no cursor to move, and no thread is started.
void VornAppBase::StartCursorThread() {}

} // namespace Vorn
