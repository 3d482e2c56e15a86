#include "framework/app/CriticalSection.h"

namespace Vorn {

void CriticalSection::Enter()
{
    mMutex.lock();
}

void CriticalSection::Leave()
{
    mMutex.unlock();
}

bool CriticalSection::try_lock()
{
    return mMutex.try_lock();
}

AutoCrit::AutoCrit(CriticalSection& section) : mSection(section)
{
    mSection.Enter();
}

AutoCrit::~AutoCrit()
{
    mSection.Leave();
}

} // namespace Vorn
