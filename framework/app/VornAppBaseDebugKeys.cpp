// The developer's keys (switched on and off with Ctrl+Alt+D) and the video
// statistics they show.

#include "framework/app/VornAppBase.h"

#include "framework/app/ModVal.h"
#include "framework/app/Profiler.h"
#include "framework/app/StringUtils.h"
#include "framework/display/D3DInterface.h"
#include "framework/display/DDInterface.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/resources/ResourceManager.h"
#include "framework/resources/ResourceManagerException.h"
#include "framework/sound/SoundManager.h"
#include "framework/widgets/WidgetManager.h"

#include <cctype>
#include <iterator>

namespace Vorn {

namespace {

constexpr int kKeyR = 'R';
constexpr int kKeyF2 = 0x71;
constexpr int kKeyF3 = 0x72;
constexpr int kKeyF8 = 0x77;
constexpr int kKeyF10 = 0x79;
constexpr int kKeyF11 = 0x7A;

constexpr double kSlowMotion = 0.25;

std::string KiloBytes(int64_t bytes)
{
    return GroupThousands(static_cast<int>(bytes / 1024));
}

} // namespace

bool VornAppBase::UsesAltKey(int keyCode)
{
    const int key = std::tolower(static_cast<unsigned char>(keyCode));
    return key == '\r' || key == 'r';
}

bool VornAppBase::PreviewKeyDown(int, bool, bool)
{
    return false;
}

bool VornAppBase::HandleDebugKey(int keyCode)
{
    auto& held = mWidgetManager->mKeyDown;
    const bool shift = held[Platform::VK_SHIFT] != 0;
    const bool ctrl = held[Platform::VK_CONTROL] != 0;
    const bool alt = held[Platform::VK_MENU] != 0;
    switch (keyCode) {
    case kKeyR:
        if (!alt)
            return false;
        if (ModValReparse()) {
            // The data set's click stands in for the desktop's menu sound.
            if (mResourceManager) {
                try {
                    PlaySoundById(mResourceManager->GetSoundOrThrow("SOUND_CLICK"));
                } catch (const ResourceManagerException&) {
                }
            }
        } else {
            // The message box took the key-up messages of the held keys.
            held.fill(0);
        }
        return false;
    case kKeyF3:
        if (shift) {
            mShowFPSMode = (mShowFPSMode + 1) % 2;
            mShowFPS = true;
        } else {
            mShowFPS = !mShowFPS;
        }
        mWidgetManager->MarkAllDirty();
        if (mShowFPS) {
            mOverlayTimerStart = Now();
            mOverlayTimerRunning = true;
            mOverlayFrames = 0;
            mOverlayFrameRate = 0;
            mForceFrameRate = true;
        }
        return false;
    case kKeyF8:
        if (shift) {
            const bool want3D = !Is3DEnabled();
            if (mDDInterface)
                ChangeScreenMode(mIsWindowed, want3D, false);
            ShowMessageBox(FormatString("3D-Mode: %s", want3D ? "ON" : "OFF"), "Mode Switch", 0);
        } else {
            GetVideoStats();
        }
        return true;
    case kKeyF10:
        if (ctrl) {
            mUpdateMultiplier = mUpdateMultiplier == kSlowMotion ? 1.0 : kSlowMotion;
        } else if (shift) {
            mStepMode = kStepNormal;
            ResetFractionTime();
        } else {
            mStepMode = kStepRunOne;
        }
        return true;
    case kKeyF11:
        if (shift)
            DumpImages();
        else
            TakeScreenshot();
        return true;
    case kKeyF2: {
        Profiler& profiler = TheProfiler();
        if (!profiler.IsRunning()) {
            ResetFractionTime();
            profiler.Start();
        } else {
            profiler.Stop();
            ShowMessageBox(profiler.GetSummary(), "Perf Results", 0);
            ResetFractionTime();
        }
        return false;
    }
    default:
        return false;
    }
}

// The software 3D device keeps its textures in ordinary memory, so there is
// no video memory to ask about: that line stays 0/0, as without a display.
std::string VornAppBase::VideoStatsText()
{
    const int64_t totalVideoMemory = 0;
    const int64_t freeVideoMemory = 0;
    static constexpr const char* kFormats[] = {"A8R8G8B8", "A4R4G4B4", "R5G6B5", "Palette8"};
    static constexpr int kFormatKeys[] = {1, 2, 4, 8};
    int64_t textureBytes = 0;
    int formatCounts[4] = {};
    int64_t formatBytes[4] = {};
    size_t imageCount = 0;
    {
        // The loading thread adds images meanwhile.
        const AutoCrit lock(ImageLock());
        imageCount = mMemoryImageSet.size();
        for (const MemoryImage* image : mMemoryImageSet) {
            const TextureSet* textures = image->mD3DData;
            if (!textures)
                continue;
            textureBytes += textures->mTextureMemory;
            for (size_t i = 0; i < std::size(kFormatKeys); ++i) {
                if (textures->mFormat == kFormatKeys[i]) {
                    ++formatCounts[i];
                    formatBytes[i] += textures->mTextureMemory;
                }
            }
        }
    }
    const char* verdict = Is3DRecommended() ? "Recommended" : Is3DSupported() ? "Supported" : "Unsupported";
    std::string text =
        FormatString("3D-Mode is %s (3D is %s on this system)\r\n\r\n", Is3DEnabled() ? "On" : "Off", verdict);
    text += FormatString("Num Images: %d\r\n", static_cast<int>(imageCount));
    text += FormatString("Num Sounds: %d\r\n", mSoundManager ? mSoundManager->GetNumSounds() : 0);
    text += "Video Memory: " + KiloBytes(totalVideoMemory - freeVideoMemory) + "/" + KiloBytes(totalVideoMemory) +
            " KB\r\n";
    text += "Texture Memory: " + KiloBytes(textureBytes) + " KB\r\n";
    for (size_t i = 0; i < std::size(kFormats); ++i)
        text += FormatString("%s: %d - %s KB\r\n", kFormats[i], formatCounts[i], KiloBytes(formatBytes[i]).c_str());
    return text;
}

void VornAppBase::GetVideoStats()
{
    ShowMessageBox(VideoStatsText(), "Video Stats", 0);
}

} // namespace Vorn
