#include "framework/app/PrecisionTimer.h"

#include "platform/Clock.h"

namespace Vorn {

void PrecisionTimer::Start()
{
    mRunning = true;
    mStart = Platform::PerformanceCounter();
}

void PrecisionTimer::Stop()
{
    if (!mRunning)
        return;
    UpdateDuration();
    mRunning = false;
}

double PrecisionTimer::GetDuration()
{
    if (mRunning)
        UpdateDuration();
    return mDuration;
}

void PrecisionTimer::UpdateDuration()
{
    const int64_t now = Platform::PerformanceCounter();
    const int64_t frequency = Platform::PerformanceFrequency();
    mDuration = static_cast<double>((now - mStart) * 1000) / static_cast<double>(frequency);
}

} // namespace Vorn
