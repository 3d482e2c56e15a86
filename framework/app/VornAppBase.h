#pragma once
// The one application object of the process. It owns the window, the
// display, the sound manager, the music interface, the widget manager, the
// resource manager, the open dialogs and the demo stream, keeps every
// setting the core reads or writes, and runs the main loop. The game's
// application class derives from it and fills its hooks.
//
// Threads: everything runs on the main thread except the loading body
// (RunLoadingThread) and the cursor thread; the flags those read or write
// are atomic. Any thread may call RequestShutdown.

#include "framework/app/CriticalSection.h"
#include "framework/app/DemoFile.h"
#include "framework/app/DemoStream.h"
#include "framework/app/PlaybackDialog.h"
#include "framework/display/Ratio.h"
#include "framework/graphics/ImageRef.h"
#include "framework/graphics/Rect.h"
#include "framework/widgets/ButtonListener.h"
#include "framework/widgets/DialogListener.h"
#include "platform/Process.h"
#include "platform/Services.h"
#include "platform/Thread.h"

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace Platform {
class Cursor;
class SingleInstance;
} // namespace Platform

namespace Vorn {

class DDImage;
class DDInterface;
class Dialog;
class Font;
class Image;
class MemoryImage;
class MusicInterface;
class ResourceManager;
class SoundManager;
class Widget;
class WidgetManager;

class VornAppBase : public ButtonListener, public DialogListener {
public:
    // Loop states.
    static constexpr int32_t kStatePumpMessages = 0;
    static constexpr int32_t kStateUpdate = 1;
    static constexpr int32_t kStateFractionUpdate = 2;
    static constexpr int32_t kStateFinished = 3;

    // Step modes.
    static constexpr int32_t kStepNormal = 0;
    static constexpr int32_t kStepRunOne = 1;
    static constexpr int32_t kStepStepped = 2;

    // Cursor numbers. Without an image of their own, 1 and 2 show the hand
    // cursors Init makes, 11 and 12 show none and the others the system's
    // cursor of that shape.
    static constexpr int kCursorPointer = 0;
    static constexpr int kCursorHand = 1;
    static constexpr int kCursorDragging = 2;
    static constexpr int kCursorText = 3;
    static constexpr int kCursorCircleSlash = 4;
    static constexpr int kCursorSizeAll = 5;
    static constexpr int kCursorSizeBackslash = 6;
    static constexpr int kCursorSizeVertical = 7;
    static constexpr int kCursorSizeSlash = 8;
    static constexpr int kCursorSizeHorizontal = 9;
    static constexpr int kCursorWait = 10;
    static constexpr int kCursorNone = 11;
    static constexpr int kCursorCustom = 12;
    static constexpr int kNumCursors = 13;

    // The main window's timer: the mouse-leave test, the web-page watch and
    // the idle check run on it.
    static constexpr uintptr_t kMainTimerId = 100;

    // A message the window procedure left for the main loop, with the window
    // it was sent to.
    struct QueuedMessage {
        Platform::Window* window = nullptr;
        Platform::MessageRecord message;
    };

    // Starts a program found on the search path with its arguments, without
    // waiting for it; false when it could not be started.
    using ProgramStarter = std::function<bool(const std::string& program, const std::vector<std::string>& arguments)>;

    explicit VornAppBase(Platform::Services services = Platform::SystemServices());
    VornAppBase(const VornAppBase&) = delete;
    VornAppBase& operator=(const VornAppBase&) = delete;

    // Virtual operations, in the order of the application's operation table.

    // Frame timing and updates; false when it would have to sleep and
    // sleeping is not allowed.
    virtual bool Process(bool allowSleep);
    virtual void RunOneUpdate();
    // The update gate with the loading hand-over; true when an update ran.
    virtual bool RunUpdateTick();
    virtual void RunFractionUpdate(float fraction);
    virtual void CreateMainWindow();
    virtual void ApplyCursor();
    virtual void RebuildAllImages();
    virtual void FreeAllImageSoftwareData();
    virtual void FreeAllImageDerivedData();
    // Main thread, once, at the update that takes over from the finished
    // loading thread.
    virtual void OnLoadingFinished();
    virtual ~VornAppBase();
    virtual std::unique_ptr<MusicInterface> CreateMusicInterface(Platform::Window* window);
    // Called at the end of Init.
    virtual void PostInit();
    // Called by Shutdown.
    virtual void OnShutdown();
    // Called by Start after the loop, before SaveSettings.
    virtual void PreTerminate();
    // The body of the loading thread.
    virtual void RunLoadingThread();
    virtual void SaveSettings();
    virtual void LoadSettings();
    virtual Dialog* MakeDialog(int32_t id, bool isModal, const std::string& header, const std::string& lines,
                               const std::string& footer, int32_t buttonMode);
    // Called by Init after the window classes and cursors, before the window.
    virtual void PreCreateWindow();
    virtual void EnterMessageBoxMode();
    virtual void LeaveMessageBoxMode();
    virtual int ShowMessageBoxW(const std::u16string& text, const std::u16string& caption, uint32_t flags);
    virtual int ShowMessageBox(const std::string& text, const std::string& caption, uint32_t flags);
    virtual void ShowFatalErrorW(const std::u16string& text);
    // Shows the text; does not end the program (callers do, with ExitProgram).
    virtual void ShowFatalError(const std::string& text);
    // From a thread other than the main one: the main loop's next pass shows
    // the text with ShowFatalError.
    void PostFatalError(const std::string& text);
    virtual void AppendToErrorLog(const std::string& text);
    // Deletes the widget once the loop is back at the depth it was queued at.
    virtual void QueueWidgetDeletion(Widget* widget);
    virtual void OnWebPageFailed(const std::string& url);
    virtual void OnWebPageOpened(const std::string& url);
    virtual bool OpenWebPage(const std::string& url, bool shutdownAfter);
    virtual std::string GetProductVersion(const std::string& path);
    virtual void HideForCrash();
    virtual std::string GetCrashInfo();
    // Not called.
    virtual void ReservedHookC(int value);
    // On the main thread ends the main loop; from any other thread only asks
    // the main loop to do so.
    virtual void Shutdown();
    virtual void FetchCommandLine();
    // Splits into name=value pairs, each handed to ApplyCommandLineOption.
    virtual void SplitCommandLine(const std::string& text);
    virtual void ApplyCommandLineOption(const std::string& name, const std::string& value);
    virtual void BringToFront(uint32_t wParam, uint32_t lParam);
    virtual void NotifyRunningInstanceAndExit();
    // Runs the whole program after Init.
    virtual void Start();
    virtual void Init();
    // Around each display (re)initialisation.
    virtual void PreDisplayInit();
    virtual void PostDisplayInit();
    // True when the hook changed the working directory itself.
    virtual bool OnChangeDirectory(const std::string& path);
    virtual void PlaySoundByIdWithPan(int id, int pan);
    virtual void PlaySoundById(int id);
    virtual double GetMasterVolume();
    virtual double GetMusicVolume();
    virtual double GetSfxVolume();
    virtual bool IsMuted();
    virtual void SetMasterVolume(double volume);
    virtual void SetMusicVolume(double volume);
    virtual void SetSfxVolume(double volume);
    // Mutes nest; automatic ones (focus loss, fast-forward) pass true.
    virtual void Mute(bool autoMute);
    virtual void Unmute(bool autoMute);
    virtual double GetLoadingProgress();
    // The file decoded with its alpha image into a new display image; null
    // when it cannot be read or there is no display.
    virtual std::unique_ptr<DDImage> GetImage(const std::string& path);
    // Makes `reference` hold the shared image of the path and variant (case
    // does not matter), decoding the file on the first request; `isNew` (may
    // be null) tells whether this request made it. A path beginning with '!'
    // gives an empty image for the caller to fill. A caller asking for an
    // image another thread is decoding waits for it; no caller may hold the
    // display lock.
    virtual void FindOrCreatePooledImage(ImageRef& reference, const std::string& path, const std::string& variant,
                                         bool* isNew);
    // Takes back a shared image that `reference` alone holds, at once and not
    // at the next update: a new entry whose loading failed half-way must not
    // be found by the next request. The reference is left empty.
    virtual void DiscardPooledImage(ImageRef& reference);
    virtual void ChangeScreenMode(bool windowed, bool want3D, bool force);
    virtual void ChangeScreenModeKeep3D(bool windowed);
    virtual void ReapplyScreenMode();
    virtual void SetDrawToVideoMemory(bool drawToVideoMemory);
    virtual Dialog* OpenDialog(int32_t id, bool isModal, const std::string& header, const std::string& lines,
                               const std::string& footer, int32_t buttonMode);
    virtual Dialog* GetDialog(int32_t id);
    virtual void AddDialogObject(Dialog* dialog);
    virtual void AddDialog(int32_t id, Dialog* dialog);
    virtual bool CloseDialogObject(Dialog* dialog);
    virtual bool CloseDialog(int32_t id);
    virtual bool RemoveDialog(int32_t id, bool removeWidget, bool deleteDialog);
    virtual int GetDialogCount();
    virtual void ModalOpen();
    virtual void ModalClose();
    virtual void GotFocus();
    virtual void LostFocus();
    virtual bool UsesAltKey(int keyCode);
    virtual bool HandleDebugKey(int keyCode);
    virtual bool PreviewKeyDown(int keyCode, bool ctrlDown, bool altDown);
    virtual void CloseRequest();
    virtual void On3DTestCompleted();
    virtual std::string GetCrashAttachmentName();
    // Extra form fields of a crash upload, by name; none in the base.
    virtual std::map<std::string, std::string> GetCrashUploadFields();
    // Not called.
    virtual bool ReservedQuery(int first, int second);
    // True when a frame was drawn and presented.
    virtual bool DrawDirty();
    virtual void Redraw(const Rect* clip);
    // Holds the program while the desktop's screen saver should run, and
    // lets it go again on input; a step of DrawDirty.
    void CheckScreenSaverIdle(uint32_t now);
    // Steps of DrawDirty while the overlays are shown.
    void DrawFpsOverlay();
    void DrawMouseOverlay(int x, int y);
    void DrawDemoTimeOverlay();
    // Called by Init before LoadSettings.
    virtual void InitHook();
    virtual void RunMainLoop();
    // One step of the loop's state machine; false only when the current step
    // is to be left (shutdown). `updated` may be null.
    virtual bool StepLoopState(bool* updated);
    // Steps until an update ran (true) or a step was refused (false).
    virtual bool StepUntilUpdate();
    virtual bool IsWindowEnabled();

    // Outside the operation table: virtual so that a test can stand in the
    // display's answers. Initialises the display on the main window in the
    // mode the window was created in; the display's result code.
    virtual int32_t InitDisplay();

    // Dialog buttons 1000 and 1001 become ButtonPress / ButtonDepress with the
    // dialog id + 2000 and + 3000.
    void DialogButtonPress(int dialogId, int buttonId) override;
    void DialogButtonDepress(int dialogId, int buttonId) override;

    bool IsScreenSaver() const { return mIsScreenSaver; }

    // The application's texts by name, with the English default when the
    // name has none.
    std::string GetString(const std::string& name, const std::string& defaultText) const;
    void SetString(const std::string& name, const std::u16string& text);

    // The program's arguments after its own name; read by FetchCommandLine.
    void SetCommandLine(int argc, const char* const* argv);

    // May be called from any thread: the main loop shuts the program down at
    // its next pass.
    void RequestShutdown();
    // For the game's loading body: its resources failed. The main loop shuts
    // the program down at its next pass, and the hand-over is the game's to
    // skip (LoadingFailed tells it).
    void SetLoadingFailed();
    bool LoadingFailed() const { return mLoadingFailed; }

    // Reads "properties\\resources.xml" into the resource manager; a manifest
    // that cannot be read is reported and ends the program.
    void ReadResourceManifest();
    // Shows the resource manager's error text in the fatal-error box and,
    // with `exit`, ends the program. Without it any thread may call it: on
    // another than the main one the box waits for the main loop's next pass.
    void ReportResourceFailure(bool exit);

    void ResetFractionTime();
    void AccumulateFractionTime();
    void DeleteQueuedWidgets();

    void StartLoadingThread();
    void StartCursorThread();
    void WaitForLoadingThread();
    // The cursor thread's polling loop, until shutdown.
    void RunCursorThread();
    // For a loading body: true once the program is closing, from any thread
    // or the main window; the body stops after the resource in progress.
    bool IsLoadingCancelled() const { return mShutdownRequested || mShutdown; }

    // The largest number among the numbered demo files (base name + digits +
    // ".dmo") in the demo folder, 0 when there is none; with deleteOldest,
    // deletes the smallest once more than keep - 1 exist.
    int32_t RotateDemoFiles(int32_t keep, bool deleteOldest);

    // Refresh rate from the display; while recording, command 23.
    void RecordDisplayMode();
    // Switches 3D on or off; with reinit, initialises the display again at
    // once, falling back from 3D to 2D. A failure in 2D ends the program.
    void ReinitDisplayFor3D(bool want3D, bool reinit);

    // The procedure of the main window: handles painting, the cursor, the
    // developer's key preview and the playback keys at once and leaves input
    // and state messages for DispatchQueuedMessages.
    void WindowProc(Platform::Window& window, const Platform::MessageRecord& message);
    // Screen-saver mode: true when the message is swallowed before the
    // procedure sees it.
    bool CheckScreenSaverPassword(Platform::Window& window, const Platform::MessageRecord& message);
    // Forgets every held key: the widget manager's and Ctrl and Alt.
    void ClearKeyState();

    // Playback controls: the two dialogs answer -1 when they cannot be shown.
    int DemoMarkerListDialog();
    int DemoJumpDialog();
    // The marker list's lines: the markers still ahead, with the time from
    // each to the demo's end.
    std::vector<MarkerListDialog::Item> DemoMarkerListItems() const;
    // Sets the fast-forward target, at most the demo's length; false, with
    // nothing changed, for an update the replay has reached.
    bool JumpToUpdate(int64_t update);
    // Seconds from "h:m:s" fields (any number of them, each its leading
    // digits), saturating.
    static int64_t ParseDemoJumpTime(const std::string& text);
    // The update one second before `seconds` before the end.
    int64_t DemoJumpTarget(int64_t seconds) const;
    std::string ReadDemoJumpTime();
    void StoreDemoJumpTime(const std::string& text);
    // Shows the dialog over the last frame until it ends, taking the main
    // window's input; its result, or -1 when it cannot be shown.
    int RunPlaybackDialog(PlaybackDialog& dialog);
    // The open playback dialog, which takes the main window's input.
    PlaybackDialog* mPlaybackDialog = nullptr;
    // Music and effects off, or back to their volumes before.
    void ToggleDemoSound();

    // Developer aids.
    // The video statistics in a message box, and their text.
    void GetVideoStats();
    std::string VideoStatsText();
    // The screen as the next numbered PNG under the application-data folder.
    void TakeScreenshot();
    // Every image of the image set as PNG, JPEG thumbnail and HTML listing,
    // in a fresh dump folder under the application-data folder.
    void DumpImages();
    // The dump's thumbnail of width x height pixels.
    static constexpr int kDumpThumbSize = 64;
    static std::vector<uint32_t> DumpThumbnail(const uint32_t* bits, int width, int height);

    void SetDemoMode(DemoMode mode);
    // Acts on every input command recorded for the current update.
    void ReplayDemoCommands();
    // Handles one queued input record; true while more remain.
    bool DispatchQueuedMessages();
    // The header of a command at the current update; the caller writes the
    // rest on the stream's buffer.
    void WriteCommandHeader();
    // Reads the next header when one is due; true when that command belongs
    // to the current update.
    bool ReadCommandHeader();
    void RecordLoadingDone();
    // Writes the demo file while recording; a file that cannot be written is
    // not reported.
    void SaveDemoFile();
    // For the crash catcher, inside its signal handler, where nothing may
    // allocate: stops every other writer of the demo stream (waiting a
    // moment for one that is writing), and when a demo is being recorded
    // closes it with a filler at the current update and writes the file
    // from memory as it is. Then nothing more is recorded or replayed. True
    // when a demo was being recorded and its file was written.
    bool KeepDemoAfterCrash();
    // Reads the demo file into the stream and takes its seed, markers and
    // length; false with the text to show otherwise.
    bool LoadDemoFile(std::string& error);
    // Keep a value identical between a recorded run and its replay (the
    // clipboard, the display test's verdict).
    void RecordOrReplayBuffer(Buffer& buffer);
    void RecordOrReplayString(std::string& text);
    void RecordOrReplayBool(bool& value);

    // Settings of the user, under "SOFTWARE\\" + the registry key. A value
    // name with backslashes names a value of a sub-key: "Test3D\\RuntimeError"
    // is RuntimeError in the sub-key Test3D. Every read and write is recorded
    // into a demo and, while one plays, taken from it without touching the
    // store. An empty registry key reads and writes nothing.
    bool WriteRegistryValue(const std::string& valueName, uint32_t type, const uint8_t* data, int32_t length);
    bool WriteRegistryString(const std::string& valueName, const std::string& value);
    bool WriteRegistryInteger(const std::string& valueName, int32_t value);
    bool WriteRegistryBoolean(const std::string& valueName, bool value);
    // `length` holds the capacity of `data` on entry and the value's length on
    // return. A value longer than the capacity is not read (false), as the
    // system registry refuses it; `length` then says how much it needs.
    bool ReadRegistryValue(const std::string& valueName, uint32_t& type, uint8_t* data, int32_t& length);
    // True only for a value stored as a number (kSettingDword).
    bool ReadRegistryInteger(const std::string& valueName, int32_t& value);
    bool ReadRegistryBoolean(const std::string& valueName, bool& value);
    // Acts in every demo mode and is never recorded.
    void EraseRegistryValue(const std::string& valueName);
    // Straight to the store, never a demo command, and nothing while a demo
    // plays: for what belongs to this machine, not to a recorded game.
    bool WriteSettingDirect(const std::string& valueName, const std::string& text);
    // The store's key and value name for a value name; false without a
    // registry key.
    bool RegistryLocation(const std::string& valueName, std::string& keyPath, std::string& name) const;

    // has-focus = active and not minimized; a change mutes or unmutes and
    // reaches the widget manager and the focus hooks.
    void UpdateFocusState();
    void SetCursor(int cursorNumber);
    void SetCustomCursors(bool customCursors);

    // The clipboard's text; nothing is read or written while a demo plays.
    // What is read is cut to the length a demo can store, recorded, and
    // during a replay taken from the demo.
    void CopyToClipboard(const std::string& text);
    std::string GetClipboard();

    // The set of live memory images, under the display lock (the
    // application's own lock while there is no display). Removing an image
    // also lets the display drop its textures.
    void AddToImageSet(MemoryImage* image);
    void RemoveFromImageSet(MemoryImage* image);
    // The display lock, or the application's own lock while there is no
    // display: it guards the image set and the shared images.
    CriticalSection& ImageLock();
    // Once a shared image lost its last reference: deletes every shared
    // image that has none.
    void FreeUnusedSharedImages();
    // A new display image of the rectangle of `image`, with its cels and
    // animation; null without a display.
    std::unique_ptr<DDImage> CopyImageRect(Image* image, const Rect& rect);
    std::unique_ptr<DDImage> CopyImage(Image* image);
    // The display draws through the 3D path.
    bool Is3DEnabled() const;
    // Lets the display release the image's textures; nothing without one.
    void DropTextureData(MemoryImage* image);
    // Fills the image's allocated pixel words from its textures; false when
    // they cannot stand in for them.
    bool ReadBackTextureBits(MemoryImage* image);
    // The display's capability test ran and found no failure (Supported),
    // and no doubt either (Recommended).
    bool Is3DSupported() const;
    bool Is3DRecommended() const;

    uint32_t Now() const { return mClock->Milliseconds(); }

    Platform::Clock* mClock;
    // The registry; may be null (nothing is found, every write fails).
    Platform::SettingsStore* mSettings;

    // Names, paths and strings.
    std::string mCaptionPrefix;
    std::string mVendorFolder;
    std::string mProductName = "Product";
    std::string mTitle = "VornApp";
    std::string mRegKey;
    std::string mWorkingFolder;

    // Window and screen.
    int32_t mPreferredX = -1;
    int32_t mPreferredY = -1;
    int32_t mWidth = 640;
    int32_t mHeight = 480;
    int32_t mColorDepth = 16;

    // Sound settings.
    double mMusicVolume = 0.85;
    double mSfxVolume = 0.85;
    double mSavedMusicVolume = 0.0;
    double mSavedSfxVolume = 0.0;
    bool mNoSound = false;
    bool mWantFMod = false;
    bool mCommandLineFetched = false;

    // Makes the main window's object; CreateMainWindow asks for it once.
    std::function<std::unique_ptr<Platform::Window>()> mMakeWindow;

    // Single instance: the lock is taken in this folder.
    std::unique_ptr<Platform::SingleInstance> mInstanceLock;
    std::string mInstanceFolder;
    bool mSingleInstanceMode = true;
    uint32_t mNotifyMessage = 0;

    CriticalSection mCritSect;

    // Entry i is min(i, 255): entry (a + b) adds two channel values with
    // saturation.
    std::array<uint8_t, 512> mAdd8BitMaxTable{};

    // Owned objects and containers.
    std::unique_ptr<WidgetManager> mWidgetManager;
    std::map<int32_t, Dialog*> mDialogMap;
    std::list<Dialog*> mDialogList;
    std::thread::id mMainThreadId;
    // The same thread as the system numbers it, for the crash report.
    uint32_t mMainThreadSystemId = 0;
    std::atomic<bool> mCrashed{false};
    std::atomic<bool> mShutdown{false};
    bool mLeaveStep = false;
    bool mIsWindowed = true;
    bool mIsPhysWindowed = true;
    bool mDisplayModeChanged = false;
    // Full screen is forced: the window would not fit the desktop, or the
    // desktop's colour depth cannot be used in a window. Blocks Alt+Enter.
    bool mForceFullScreen = false;
    // Full screen could not be set up: the program stays in a window.
    // Blocks Alt+Enter.
    bool mFullScreenFailed = false;
    bool mInitialized = false;
    uint32_t mLoadTime;
    // The main window while one is created, else null; the object it is
    // created in outlives every re-creation.
    Platform::Window* mMainWindow = nullptr;
    std::unique_ptr<Platform::Window> mMainWindowObject;
    Platform::Window* mInvisibleWindow = nullptr;
    std::unique_ptr<Platform::Window> mInvisibleWindowObject;
    // The main window's object for the threads (cursor, single-instance
    // listener): set once it exists, and it outlives them.
    std::atomic<Platform::Window*> mThreadWindow{nullptr};
    bool mIsScreenSaver = false;
    bool mMessageBoxPopup = false;
    bool mUseFlipping = true;
    bool mTabletPC = false;
    std::unique_ptr<DDInterface> mDDInterface;
    bool mDrawToVideoMemory = false;
    std::unique_ptr<MusicInterface> mMusicInterface;
    bool mSaveSettingsAtShutdown = false;
    std::string mProductVersion;
    std::array<Image*, kNumCursors> mCursorImages{};
    bool mIsOpeningURL = false;
    std::string mOpeningURL;
    bool mShutdownOnURLOpened = false;
    uint32_t mOpeningURLTime = 0;
    // How OpenWebPage starts the desktop's opener; tests put their own here.
    ProgramStarter mStartProgram = Platform::StartProgram;
    int32_t mMuteCount = 0;
    int32_t mAutoMuteCount = 0;
    bool mMutedForFastForward = false;
    bool mMuteOnLostFocus = true;
    std::set<MemoryImage*> mMemoryImageSet;
    // A shared image, and whether the file of a new one is being decoded:
    // the decoding runs outside the display lock, which presentation and the
    // cursor thread need meanwhile.
    struct SharedImage {
        PooledImage mPooled;
        bool mLoading = false;
    };
    // By upper-cased path and variant; under ImageLock. A record stays where
    // it is in the map for its life: references point into it.
    std::map<std::pair<std::string, std::string>, SharedImage> mSharedImageMap;
    // Set when a shared image lost its last reference: the next update frees
    // the unreferenced ones. Set on the loading thread too.
    std::atomic<bool> mCleanSharedImages{false};
    // Wakes the callers waiting for a shared image being decoded; mLoading
    // turns false and the image is stored under this mutex.
    std::mutex mSharedImageLoadMutex;
    std::condition_variable mSharedImageLoaded;

    // Main loop.
    int32_t mCatchUpCount = 0;
    int32_t mFrameTime = 10;
    bool mIsDrawing = false;
    bool mNothingDrawn = false;
    bool mUpdateSinceDraw = true;
    double mFractionalUpdateAcc = 0.0;
    double mTimeAcc = 0.0;
    uint32_t mLastTime = 0;
    uint32_t mLastUserInputTick = 0;
    int32_t mSleepCount = 0;
    // Read by the cursor thread.
    std::atomic<int32_t> mDrawCount{0};
    // Read by the crash catcher, on whichever thread failed.
    std::atomic<int32_t> mUpdateCount{0};
    int32_t mLoopState = kStatePumpMessages;
    int32_t mLoopDepth = 0;
    double mUpdateMultiplier = 1.0;
    bool mPaused = false;
    int32_t mFastForwardToUpdateNum = 0;
    bool mHoldFastForward = false;
    bool mFastForwardOneStep = false;
    uint32_t mFastForwardStartTick = 0;
    bool mFastForwardStarted = false;
    uint32_t mLastDrawTick;
    // Read by the cursor thread.
    std::atomic<uint32_t> mNextDrawTick;
    int32_t mStepMode = kStepNormal;
    int32_t mCursorNum = 0;
    std::unique_ptr<SoundManager> mSoundManager;
    std::unique_ptr<Platform::Cursor> mHandCursor;
    std::unique_ptr<Platform::Cursor> mDraggingCursor;
    // (loop depth at queueing, widget)
    std::list<std::pair<int32_t, Widget*>> mDeferredDeleteQueue;
    // While set (the screen saver should take over) no update runs.
    bool mUpdatesHeld = false;

    // Activity.
    bool mMouseIn = false;
    std::atomic<bool> mRunning{false};
    bool mActive = true;
    bool mMinimized = false;
    bool mSecondWindowFlag = false;
    bool mIsDisabled = false;
    bool mHasFocus = true;

    // Draw statistics.
    int32_t mDrawTime = 0;
    int32_t mScreenBltTime = 0;
    int32_t mDirtyUpdateCount = 0;
    int32_t mPresentCount = 0;
    // The last presentation failed; the next draws only retry it. The
    // display is repaired at most once a second while inactive.
    bool mRedrawFailed = false;
    uint32_t mLastRepairTick = 0;
    bool mShowFPS = false;
    // 0 shows the frame rate, 1 the mouse position.
    int32_t mShowFPSMode = 0;
    // The developer overlays, made on first use: the frame rate or mouse
    // position, and the time left in a playing demo, in the overlay font.
    std::unique_ptr<DDImage> mOverlayImage;
    std::unique_ptr<DDImage> mDemoTimeImage;
    std::unique_ptr<Font> mOverlayFont;
    int32_t mOverlayFrames = 0;
    int32_t mOverlayFrameRate = 0;
    bool mForceFrameRate = false;
    uint32_t mOverlayTimerStart = 0;
    bool mOverlayTimerRunning = false;
    uint32_t mDemoTimeDrawnTick = 0;
    bool mDemoTimeDrawn = false;
    // The screen-saver idle check: when it last ran, when it last asked the
    // desktop, and what the desktop said.
    uint32_t mLastIdleCheckTick = 0;
    uint32_t mScreenSaverQueryTick = 0;
    bool mScreenSaverQueried = false;
    bool mScreenSaverActive = false;
    int32_t mIdleLimitMs = 0;
    uint32_t mLastInputSeenTick = 0;
    bool mInputSeen = false;

    // Loading thread.
    bool mAutoStartLoadingThread = true;
    bool mLoadingThreadStarted = false;
    std::atomic<bool> mLoadingThreadFinished{false};
    bool mLoadingHandedOver = false;
    std::atomic<bool> mLoadingThreadRunning{false};
    std::thread mLoadingThread;
    std::thread mCursorThread;
    // Starts a thread running the body; throws std::system_error when none
    // can be started. Tests put their own here.
    std::function<std::thread(std::function<void()>)> mStartThread = Platform::StartThread;

    // The one shutdown request: from another thread's Shutdown, or the game
    // reporting that loading failed. Process acts on it.
    std::atomic<bool> mShutdownRequested{false};
    std::atomic<bool> mLoadingFailed{false};
    // Fatal errors reported on another thread, shown by the main loop.
    std::mutex mPendingErrorsMutex;
    std::vector<std::string> mPendingErrors;
    std::atomic<bool> mCursorThreadRunning{false};

    // Cursors.
    bool mSystemCursor = true;
    bool mCustomCursorsEnabled = false;
    bool mForceRedraw = false;

    bool mLastRunEndedCleanly = true;

    // Loading progress; the loading thread raises the completed count.
    std::atomic<int32_t> mNumLoadingThreadTasks{0};
    std::atomic<int32_t> mCompletedLoadingThreadTasks{0};

    // Demo recording and playback; changed through SetDemoMode, so that the
    // stream records or replays with them. Never both.
    std::atomic<bool> mRecording{false};
    std::atomic<bool> mPlaying{false};
    std::string mDemoBaseName;
    std::string mDemoFileName;
    // The command stream with its reader state: the update of the last
    // command header written or read, and whether the next header is due.
    DemoStream mDemoStream;
    uint32_t mRandSeed = 0;
    int32_t mDemoLength = 0;
    // Read by the cursor thread.
    std::atomic<int32_t> mLastDemoMouseX{0};
    std::atomic<int32_t> mLastDemoMouseY{0};
    // Where the widgets last saw the pointer live; starts where a replay does.
    int32_t mLastMouseX = 0;
    int32_t mLastMouseY = 0;
    bool mDemoLoadingDoneReplayed = false;
    std::vector<DemoMarker> mDemoMarkerList;

    // Window procedure.
    bool mWindowCreatedWindowed = false;
    bool mMaximizeBox = false;
    bool mAllowMonitorPowersave = true;
    bool mCtrlDown = false;
    bool mAltDown = false;
    // Input and state messages in arrival order, emptied by the main loop.
    std::deque<QueuedMessage> mDeferredMessages;
    // Tick of the last timer message handled, and since when they have come
    // without a gap of more than half a second.
    uint32_t mLastTimerTick = 0;
    uint32_t mSteadyTimerTick = 0;
    bool mDebugKeysEnabled = false;

    // Screen-saver mode: the pointer's moves since the saver started, where
    // it was last seen, and when the monitor was last powered down.
    bool mScreenSaverStarted = false;
    bool mScreenSaverEnding = false;
    int32_t mScreenSaverMoves = 0;
    Platform::Point mScreenSaverCursor;
    std::optional<uint32_t> mLastMonitorPowerTick;

    // Refresh-paced updates.
    int32_t mRefreshRate = 100;
    bool mVSyncUpdates = true;
    bool mVSyncBroken = false;
    int32_t mVSyncStrikes = 0;
    uint32_t mVSyncCheckTick = 0;
    int32_t mVSyncCheckUpdates = 0;
    bool mWaitForVSync = false;
    bool mSoftVSyncWait = true;

    // 3D.
    bool mTestedHardwareAcceleration = false;
    bool mAutoEnable3D = false;
    bool mTest3D = false;
    int32_t mMinVidMemory3D = 6;
    int32_t mRecommendedVidMemory3D = 14;
    bool mWidenToDesktopAspect = false;
    Rect mLetterbox;
    bool mAspectCorrection = false;
    Ratio mAspect;

    // Properties by name.
    std::map<std::string, std::u16string> mWStringProperties;
    std::map<std::string, std::string> mStringProperties;
    std::map<std::string, bool> mBoolProperties;
    std::map<std::string, int32_t> mIntProperties;
    std::map<std::string, double> mDoubleProperties;

    std::unique_ptr<ResourceManager> mResourceManager;

    // Joined arguments for FetchCommandLine.
    std::string mCommandLine;

private:
    // The frame time as the pacing uses it: below 1 ms it would divide by
    // zero and spin.
    int32_t FrameTime() const;
    // True when the step ended inside fast-forward.
    bool RunFastForward(float fraction);
    // False when the step goes on to draw or sleep instead.
    bool ProcessPendingUpdate(double step, bool paced, uint32_t now);
    void CheckUpdateSpeed(uint32_t now);
    void ProcessFractionUpdates(double step, float fraction, bool paced);
    void RunExtraUpdates(bool countCatchUp);
    void HandOverLoading();
    void LoadingThreadEntry();
    void StopCursorThread();
    // Once: the object every main window is created in.
    void MakeMainWindowObject();
    void MakeAppDataFolder();
    void ClaimSingleInstance();
    void MakeHandCursors();
    // Whether a window of the application's size fits the desktop's
    // maximised client area.
    bool FitsDesktop() const;
    // After a display (re)initialisation: images rebuilt for it under the
    // display lock, the new screen image to the widgets, everything dirty.
    void AdoptDisplay(bool rebuildImages);
    // Redraw's repair of a display whose presentation failed.
    void RepairDisplay();
    // The overlay image to write into, made at the overlay font's height.
    DDImage* OverlayImage(std::unique_ptr<DDImage>& image);
    void WriteOverlay(DDImage* image, const std::string& text);
    void ConfirmHardwareAcceleration();
    // Both the framework's generator and the runtime's one that the game
    // draws from.
    void SeedRandomGenerators(uint32_t seed);
    void ActOnReplayedCommand(const DemoCommand& command);
    // The fatal errors other threads reported, on the main thread.
    void ShowPendingErrors();
    // The end of every window creation: focus, images, the widget manager's
    // drawing image and the timer.
    void FinishMainWindow();
    // Lets the desktop's screen saver run where the program holds for it.
    void AllowScreenSaverWhenIdle();
    // The fatal error of a display that cannot be initialised in 2D.
    [[noreturn]] void FailDisplayInit(int32_t result, const std::string& errorText);
    bool WindowedPosition(Platform::Point& position) const;
    void QueueMessage(Platform::Window& window, const Platform::MessageRecord& message);
    // Input of the main window while a playback dialog is open: the dialog's
    // or nobody's. False for what the window procedure handles as usual.
    bool RouteToPlaybackDialog(const Platform::MessageRecord& message);
    bool IsCoalesced(uint32_t message) const;
    // Ends the saver by closing the window.
    void EndScreenSaver(Platform::Window& window, uint32_t message);
    void HandlePlaybackKey(uint8_t key);
    // Writes a command while recording, unless shutdown has begun.
    void RecordInput(const DemoCommand& command);
    void HandleQueuedMessage(const QueuedMessage& record);
    void RecordQueuedMessage(const QueuedMessage& record, int32_t x, int32_t y);
    void DispatchKeyDown(const Platform::MessageRecord& message);
    void DispatchSize(const QueuedMessage& record);
    void DispatchTimer();
    void DispatchMouse(uint32_t message, int32_t x, int32_t y);
    // A pointer position in the window into the screen's pixels.
    void WindowToScreen(int& x, int& y) const;
    void TakeReplayedDisplayMode(bool windowed, int32_t refreshRate);
    // Straight to the store, never a demo command: a replay must not depend
    // on whether the previous run on its machine ended cleanly.
    void MarkRunInProgress();
    // A new shared image for the path: decoded from the file, or empty for a
    // path beginning with '!'; null when the file cannot be read or there is
    // no display.
    std::unique_ptr<MemoryImage> MakeSharedImage(const std::string& path);
    // Stores the decoded image (null when there is none) and wakes those
    // waiting for it.
    void FinishSharedImage(SharedImage& shared, std::unique_ptr<MemoryImage> image);
    // Waits without the display lock until the record's image is stored.
    void WaitForSharedImage(const SharedImage& shared);
    void DeleteAllSharedImages();
};

extern VornAppBase* gApplication;

// Ends the process at once with the code, after flushing standard output
// and error. Destructors of globals do not run: other threads may still use
// them.
[[noreturn]] void ExitProgram(int code);

// What the process ends with after a fatal error box: whatever the error,
// the shell or launcher that started it learns that it failed.
inline constexpr int kFailedExitCode = 1;

// Called by ExitProgram with its code before the process ends; null by
// default. Only the test harness installs one, so that a test reaching a
// fatal path fails instead of ending its process as a pass. Returns the hook
// it replaces.
using ExitProgramHook = void (*)(int code);
ExitProgramHook SetExitProgramHook(ExitProgramHook hook);

// The whole file, read through the file layer, replaces the buffer's
// contents; false, with the buffer unchanged, when it cannot be opened or
// read whole or is larger than a buffer holds.
bool ReadBufferFromFile(const std::string& fileName, Buffer& buffer);

} // namespace Vorn
