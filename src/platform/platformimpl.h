// The Win32 side of the platform: the event pump that turns window messages and the pending flags
// into one TPlatformEvent per call, the window procedure that feeds those flags, activation, the
// host-window messaging and the creation of the main window; the Win32 start-up (folders, managers,
// the single instance, the version block, the polling thread) and its tear-down.
#pragma once
#include <chrono>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

#include "core/random.h"
#include "core/string.h"
#include "core/task.h"
#include "os/winuser.h"
#include "platform/platformevent.h"

class TAssetManager;
class TPlatform;
class TDxDisplayHandler;
class TSoundManager;
class TStringTable;
class TTexture;
class TWindowManager;

class TPlatformImpl {
 public:
  TPlatformImpl();
  ~TPlatformImpl();

  // Fills one event and returns (main thread only).
  void GetEvent(TPlatformEvent* event);
  void MakeEvent(TPlatformEvent* event, int32_t type, int32_t x, int32_t y, int32_t data, int32_t modifiers) {
    ::MakeEvent(event, type, x, y, data, modifiers);
  }
  // Registers the class "<className>_WNDCLASS" and creates the main window (top-level, or a child of
  // the host window). Ends the process with -1 when the host window is gone.
  bool CreateMainWindow();
  void OnActivateApp(HWND window, bool active);
  void SetActive(HWND window, bool active, bool forced);
  void KeepOnTop();
  // Puts the system pointer on a point of the game's view (scaled, plus the cursor rectangle).
  void SetCursorPosition(POINT point);

  // ---- start-up and shutdown ----
  // The Win32 start-up: initial fields, the managers, the folders, the single instance, the assets
  // folder, the clock, the version block and the polling thread. The command line must already be
  // the process's (SetProcessCommandLine). False, with a message box, when the program's folders
  // cannot be read; the caller then ends start-up.
  bool Init(HINSTANCE instance, int showCommand, bool allowMultiple);
  // Creates the window manager, the asset manager (the process-wide one) and the string table.
  void CreateManagers();
  // The Win32 tear-down: clock period, cursors, the mutex, the main window (unless it is the
  // host's), texts and the task list. The facade has deleted the managers before.
  void Shutdown();
  // The display mode: host wishes, viewport scale, the display handler, first-time set-up, the
  // wake-up timer and the cursors.
  void SetDisplay(int32_t width, int32_t height, bool fullScreen);
  // Keeps a cursor (hardware or drawn) and hands it to the display handler (see TPlatform::SetCursor).
  void SetCursor(const std::shared_ptr<TTexture>& texture, int32_t hotX, int32_t hotY, bool hardware);
  // Hands the kept drawn and hardware cursors to the display handler again.
  void RefreshCursor();
  // The reaction to a configuration write while the platform exists.
  void OnConfigChanged(const TString& key, const TString& value);

  // Records the system folder, the executable's path and folder, the start-up folder, and makes the
  // executable folder current. False (nothing changed) when a path cannot be read.
  bool RecordFolders();
  // Fills the user, common and desktop data folders and honours "-wd=".
  void SetupDataFolders(const TString& gameName);
  // Unless multiple copies are allowed: takes the single-instance mutex "<text>_MUTEX"; when another
  // copy holds it, brings that copy's window ("<text>_WNDCLASS") to the front and ends the process
  // with 0.
  void EnsureSingleInstance(bool allowMultiple);
  // "-wnd=<hex handle>": the host window; hosted, "activex" = "1". A zero or dead handle ends the
  // process with -1. False when the switch is absent.
  bool ReadHostWindowSwitch();
  // Version text, game name and internal name from the executable's version resource; the game name
  // falls back to the "gamename" setting, then to "Tallowmark Application".
  void ReadVersionResource();
  // Starts the pointer-polling thread at time-critical priority; StopPollingThread ends it and waits.
  void StartPollingThread();
  void StopPollingThread();

  // Writes the viewport scale and answers whether the window is hosted.
  bool GetViewportScale(float* scale) const {
    *scale = mViewportScale[0];
    return mHosted;
  }

  // Host messaging.
  HWND GetHostWindow() const { return mHostWindow; }
  void SendHostFullScreen(bool state);
  bool HostFullScreenState() const { return mHostFullScreen; }
  LRESULT SendToHost(UINT message, WPARAM wParam, LPARAM lParam);

  // The display handler and window manager the pump and the polling thread use: the start-up's own,
  // or ones a test hands over.
  void SetDisplayHandler(TDxDisplayHandler* display) { mDisplay = display; }
  TDxDisplayHandler* GetDisplayHandler() const { return mDisplay; }
  void SetWindowManager(TWindowManager* manager) { mWindowManager = manager; }
  TWindowManager* GetWindowManager() const { return mWindowManager; }
  // The sound manager's idle update and activation calls (the facade points them at its manager).
  std::function<void()> mSoundUpdate;
  std::function<void(bool)> mSoundSetAppActive;

  // ---- fields the pump and the window procedure read and write ----
  int32_t mShowCommand = SW_SHOWNORMAL;
  bool mHosted = false;
  bool mHostTestMode = false;
  float mViewportScale[2] = {1.0f, 1.0f};
  // The shortest time between two idle turns, in microseconds (0: no pacing). Without it a screen
  // would be drawn as often as the loop can turn where the display has no vertical sync.
  int64_t mFramePeriodUs = 1000000 / 60;
  std::chrono::steady_clock::time_point mNextFrameAt{};
  // Cursors: wanted as the system pointer's image, the drawn and the hardware one with hot spots.
  bool mHardwareCursorWanted = true;
  std::shared_ptr<TTexture> mDrawnCursor, mHardwareCursor;
  POINT mDrawnHotSpot{0, 0}, mHardwareHotSpot{0, 0};
  // Pending flags, one byte each, in this order.
  bool mSpareFlag = true;
  bool mDisplayChangedPending = false;
  bool mWindowActive = true;
  bool mActivationChangedPending = false;
  bool mCloseRequested = false;
  bool mAppActive = true;
  bool mAppActivationPending = false;
  bool mSuspended = false;
  bool mRedrawPending = false;
  // Mouse bookkeeping.
  bool mMouseBlock = false;
  uint32_t mMouseBlockTime = 0;
  bool mPointerInside = false;
  bool mCaptureLostPending = false;
  bool mLeaveTracking = false;
  int32_t mInputMode = 0;  // 1 = relative mouse
  POINT mCentre{0, 0};
  POINT mLastRecentre{0, 0};
  // Owned managers (the sound manager from TPlatform::InitSoundManager on).
  std::unique_ptr<TWindowManager> mOwnedWindowManager;
  std::unique_ptr<TAssetManager> mAssetManager;
  std::unique_ptr<TSoundManager> mSoundManager;
  std::unique_ptr<TStringTable> mStringTable;
  TRandom mRandom;
  TTaskList mTaskList;
  std::shared_ptr<TTexture> mSystemCursor;  // loaded on first need
  bool mDisplayInitialised = false;         // the first display set-up ran
  bool mTimePeriodSet = false;              // timeBeginPeriod(1) is to be matched
  int32_t mScreenWidth = 0, mScreenHeight = 0;
  HINSTANCE mInstance = nullptr;
  HWND mMainWindow = nullptr;
  HWND mHostWindow = nullptr;
  bool mWideApi = false;
  TString mGameName, mVersionText, mInternalName;
  uint32_t mStartTime = 0;   // timeGetTime at start-up
  int32_t mClockOffset = 0;
  TString mClassBaseName;  // the single-instance text; the class is that plus "_WNDCLASS"
  HANDLE mInstanceMutex = nullptr;
  // Folders, held as strings of any length.
  TString mAssetsFolder, mExeFolder, mExePath, mUserDataFolder, mCommonDataFolder, mDesktopFolder, mSystemFolder,
      mStartupFolder;

 private:
  bool DisplayReady() const;
  bool MouseBlocked(bool buttonUp);
  POINT CursorImagePosition(LPARAM fallback) const;
  // Moves the cursor image to a mouse message's place (client coordinates) and answers it.
  POINT PlaceCursorImage(LPARAM at);
  // True once each time the cursor image has moved since the last call (a frame must show it).
  bool CursorImageMoved();
  POINT mCursorShownAt{-1, -1};
  void EventFromMessage(const MSG& msg, TPlatformEvent* event);
  // Holds the idle turns (each draws a frame) to the frame rate: waits, waking for input, until the
  // next frame is due. False when no wait was needed.
  bool WaitForFrameTurn();

  static DWORD CursorThreadProc(LPVOID param);

  // Read by the polling thread while the main thread sets them.
  std::atomic<TDxDisplayHandler*> mDisplay{nullptr};
  std::atomic<TWindowManager*> mWindowManager{nullptr};
  DWORD mPollingThreadId = 0;
  HANDLE mPollingThread = nullptr;
  std::atomic<bool>* mPollingStop = nullptr;  // owned by the thread, freed when it ends
  bool mHostFullScreen = false;
  char16_t mHighSurrogate = 0;
  bool mWasMinimized = false;

  friend LRESULT PlatformWindowProc(HWND, UINT, WPARAM, LPARAM);
};

// The window procedure of the main window's class. Index 0 of the window's extra bytes holds the
// platform (the impl until the facade exists).
LRESULT PlatformWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// Whether the first GetEvent of the process has sent the start-up notices (tests reset it).
void ResetFirstEventNotices();

// The single-instance text of an executable path: its short form, lower-cased, without "\" and ":".
// The mutex name is this plus "_MUTEX", the window class name this plus "_WNDCLASS".
TString MakeSingleInstanceText(const TString& exePath);
// Loads "vxHarness.dll" from the normal search path and, when it exports "TestHook", calls it with
// the address of the command-line pointer (it may replace the command line). Answers the window
// that gets the final quit message, or 0. The library is never freed.
HWND LoadTestHarness(const char** commandLine);
// Lets a portal host's mute and pause act on the platform's sound manager and cursor.
void InstallPortalHooks(TPlatform* platform);
