#pragma once
// The display of the application's main window: what frames are drawn into
// and presented from, and the software cursor.

#include "framework/app/CriticalSection.h"
#include "framework/display/NativeDisplay.h"

#include <cstdint>
#include <string>

namespace Vorn {

class VornAppBase;

class DDInterface : public NativeDisplay {
public:
    explicit DDInterface(VornAppBase* app);

    VornAppBase* mApp;
    // True while the screen image is drawn through the 3D path.
    bool mIs3D = false;
    // Guards initialisation, presentation, cursor updates and surface
    // creation; the holder may enter again.
    CriticalSection mCritSect;
    int32_t mWidth = 0;
    int32_t mHeight = 0;
    int32_t mRefreshRate = 60;
    int32_t mMillisecondsPerFrame = 16;
    int32_t mCursorX = 0;
    int32_t mCursorY = 0;
    // Where the cursor goes at the next presentation.
    int32_t mNextCursorX = 0;
    int32_t mNextCursorY = 0;
    // The last failure, as operation name, ": " and result name.
    std::string mErrorString;
};

} // namespace Vorn
