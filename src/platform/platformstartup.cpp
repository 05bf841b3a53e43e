// The platform's start-up and tear-down: PlatformMain in its order, the Win32 start-up of the impl
// (folders, the player's data folders with "-wd=", the single instance, the version block, the
// pointer-polling thread), the game-state modules, the display set-up, the cursors and the reaction
// to configuration writes. Paths are strings of any length here, never fixed 260-byte buffers.
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/commandline.h"
#include "core/config.h"
#include "core/file.h"
#include "core/folder.h"
#include "core/log.h"
#include "core/path.h"
#include "core/stringtable.h"
#include "os/dll.h"
#include "os/msgbox.h"
#include "os/paths.h"
#include "os/process.h"
#include "os/text.h"
#include "os/thread.h"
#include "os/time.h"
#include "os/version.h"
#include "platform/platform.h"
#include "platform/platformimpl.h"
#include "render/assetmanager.h"
#include "render/drawcontext.h"
#include "render/dxdisplayhandler.h"
#include "services/gamestate.h"
#include "services/portal.h"
#include "sound/soundmanager.h"
#include "ui/vectorfont.h"
#include "ui/windowmanager.h"

namespace {

// A wide call that answers its length, or the units it needs when the buffer is short.
template <class Call>
TString ReadWide(Call call) {
  std::vector<char16_t> buffer(MAX_PATH);
  for (int tries = 0; tries < 4; ++tries) {
    DWORD n = call(buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return TString();
    if (n < buffer.size()) return FromWide(buffer.data());
    buffer.assign(n + 1, 0);
  }
  return TString();
}

// One of the path layer's buffer calls: 0 success, -1 failure, else the size it needs.
template <class Call>
bool ReadFolder(Call call, TString* out) {
  std::vector<char> buffer(MAX_PATH);
  int r = call(buffer.data(), static_cast<int>(buffer.size()));
  if (r > 0) {
    buffer.assign(static_cast<size_t>(r) + 1, 0);
    r = call(buffer.data(), static_cast<int>(buffer.size()));
  }
  if (r != 0) return false;
  *out = TString(buffer.data());
  return true;
}

TString ShortForm(const TString& path) {
  std::u16string wide = os::Utf8ToUtf16(path.CStr());
  TString shortPath = ReadWide([&](char16_t* b, DWORD n) { return GetShortPathNameW(wide.c_str(), b, n); });
  return shortPath.Length() ? shortPath : path;
}

void DropTrailingBackslash(TString* folder) {
  int n = folder->Length();
  if (n > 0 && folder->CStr()[n - 1] == '\\') *folder = TString(folder->CStr(), n - 1);
}

}  // namespace

TString MakeSingleInstanceText(const TString& exePath) {
  TString shortPath = ShortForm(exePath);
  std::string text;
  for (const char* p = shortPath.CStr(); *p; ++p) {
    if (*p == '\\' || *p == ':') continue;
    text.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(*p))));
  }
  return TString(text.c_str());
}

// A portal host's mute and pause reach the program's own sound and cursor.
void InstallPortalHooks(TPlatform* platform) {
  TPortalHooks hooks;
  hooks.getMasterVolume = [platform] {
    TSoundManager* sound = platform->GetSoundManager();
    return sound ? sound->GetVolume() : 1.0f;
  };
  hooks.setMasterVolume = [platform](float volume) {
    if (TSoundManager* sound = platform->GetSoundManager()) sound->SetVolume(volume);
  };
  hooks.restoreGameCursor = [platform] {
    // The host's pause showed the system arrow; the game draws its own cursor again.
    TPlatformImpl* impl = platform->GetImpl();
    ::SetCursor(nullptr);
    impl->RefreshCursor();
    if (TWindowManager* manager = impl->GetWindowManager()) manager->Invalidate();
  };
  SetPortalHooks(std::move(hooks));
}

HWND LoadTestHarness(const char** commandLine) {
  HMODULE harness = LoadLibraryA("vxHarness.dll");
  if (!harness) return nullptr;
  using Hook = HWND (*)(const char**);
  auto hook = reinterpret_cast<Hook>(GetProcAddress(harness, "TestHook"));
  return hook ? hook(commandLine) : nullptr;
}

bool TPlatformImpl::RecordFolders() {
  TString system = ReadWide([](char16_t* b, DWORD n) { return GetSystemDirectoryW(b, n); });
  TString exePath = ReadWide([](char16_t* b, DWORD n) { return GetModuleFileNameW(nullptr, b, n); });
  TString current = ReadWide([](char16_t* b, DWORD n) { return GetCurrentDirectoryW(n, b); });
  const char* path = exePath.CStr();
  const char* cut = std::strrchr(path, '\\');
  if (!exePath.Length() || !cut || !current.Length()) {
    LogPrintf("The program's folders cannot be read");
    return false;
  }
  mSystemFolder = system;
  mExePath = exePath;
  mExeFolder = TString(path, cut - path + 1);
  mStartupFolder = ShortForm(current);
  mAssetsFolder = mExeFolder + "assets\\";
  mUserDataFolder = mCommonDataFolder = mDesktopFolder = mExeFolder;
  SetCurrentDirectoryW(os::Utf8ToUtf16(mExeFolder.CStr()).c_str());
  return true;
}

void TPlatformImpl::SetupDataFolders(const TString& gameName) {
  if (!mHosted || CommandLineHas(kSwitchHostDriven)) {
    TString user;
    if (ReadFolder([&](char* b, int n) { return MakeUserDataFolder(false, gameName.CStr(), b, n); }, &user))
      mUserDataFolder = user;
    TString common;
    mCommonDataFolder =
        ReadFolder([&](char* b, int n) { return MakeUserDataFolder(true, gameName.CStr(), b, n); }, &common)
            ? common
            : mUserDataFolder;
    TString desktop;
    mDesktopFolder = ReadFolder([](char* b, int n) { return GetSpecialFolder(b, n); }, &desktop) ? desktop
                                                                                                : mUserDataFolder;
  }
  DropTrailingBackslash(&mUserDataFolder);
  DropTrailingBackslash(&mCommonDataFolder);
  if (CommandLineHas(kSwitchWorkFolder)) {
    TString folder = CommandLineValue(kSwitchWorkFolder);
    LogPrintf("Switching current directory to: %s", folder.CStr());
    SetCurrentDirectoryW(os::Utf8ToUtf16(folder.CStr()).c_str());
  }
}

DWORD TPlatformImpl::CursorThreadProc(LPVOID param) {
  auto* impl = static_cast<TPlatformImpl*>(param);
  std::atomic<bool>* stop = impl->mPollingStop;
  while (!*stop) {
    POINT point{-1, -1};
    TDxDisplayHandler* display = impl->mDisplay;
    TWindowManager* manager = impl->mWindowManager;
    if (display && manager && !manager->IsMovieOpen() && display->CanRender())
      point = display->SetMouseImagePosition(-1, -1);
    Sleep(point.x != -1 ? 16 : 250);
  }
  delete stop;
  return 0;
}

void TPlatformImpl::StartPollingThread() {
  if (mPollingThread) return;
  mPollingStop = new std::atomic<bool>(false);
  mPollingThread = CreateThread(nullptr, 0, CursorThreadProc, this, 0, &mPollingThreadId);
  if (!mPollingThread) {
    delete mPollingStop;
    mPollingStop = nullptr;
    return;
  }
  SetThreadPriority(mPollingThread, THREAD_PRIORITY_TIME_CRITICAL);
}

void TPlatformImpl::StopPollingThread() {
  if (!mPollingThread) return;
  *mPollingStop = true;  // the thread frees the flag once it has seen it
  DWORD code = STILL_ACTIVE;
  while (GetExitCodeThread(mPollingThread, &code) && code == STILL_ACTIVE) Sleep(1);
  CloseHandle(mPollingThread);
  mPollingThread = nullptr;
  mPollingStop = nullptr;
}

void TPlatformImpl::EnsureSingleInstance(bool allowMultiple) {
  if (mClassBaseName.Length() == 0) mClassBaseName = MakeSingleInstanceText(mExePath);
  if (allowMultiple) return;
  TString mutexName = mClassBaseName + "_MUTEX";
  mInstanceMutex = CreateMutexA(nullptr, TRUE, mutexName.CStr());
  if (GetLastError() != ERROR_ALREADY_EXISTS) return;  // other failures are ignored
  TString className = mClassBaseName + "_WNDCLASS";
  if (HWND other = FindWindowA(className.CStr(), nullptr)) {
    SetForegroundWindow(other);
    ShowWindow(other, SW_SHOWNORMAL);
  }
  ExitProcess(0);
}

bool TPlatformImpl::ReadHostWindowSwitch() {
  if (!CommandLineHas(kSwitchHostWindow)) return false;
  uint32_t handle = 0;
  CommandLineHexValue(kSwitchHostWindow, &handle);
  mHostWindow = reinterpret_cast<HWND>(static_cast<uintptr_t>(handle));
  mHosted = true;
  SetConfig("activex", "1");
  if (!handle || !IsWindow(mHostWindow)) ExitProcess(static_cast<UINT>(-1));  // the log is not open yet
  return true;
}

void TPlatformImpl::ReadVersionResource() {
  std::string exe = mExePath.CStr();
  DWORD size = GetFileVersionInfoSizeA(exe.c_str(), nullptr);
  TString productName;
  if (size > 0) {
    std::vector<char> block(size);
    if (GetFileVersionInfoA(exe.c_str(), 0, size, block.data())) {
      VS_FIXEDFILEINFO* fixed = nullptr;
      UINT len = 0;
      if (VerQueryValueA(block.data(), "\\", reinterpret_cast<LPVOID*>(&fixed), &len) && fixed &&
          len >= sizeof(VS_FIXEDFILEINFO)) {
        mVersionText = TString::Format("%d.%d.%d.%d", HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
                                       HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS));
      }
      char* text = nullptr;
      if (VerQueryValueA(block.data(), "\\StringFileInfo\\040904b0\\ProductName", reinterpret_cast<LPVOID*>(&text),
                         &len) && text) {
        while (*text == ' ' || *text == '\t') ++text;
        productName = text;
      }
      if (VerQueryValueA(block.data(), "\\StringFileInfo\\040904b0\\InternalName", reinterpret_cast<LPVOID*>(&text),
                         &len) && text)
        mInternalName = text;
    }
  }
  mGameName = GetConfig("gamename", productName);
  if (mGameName.Length() == 0) mGameName = GetConfig("gamename", "Tallowmark Application");
}

// ---- the impl's start-up and tear-down ----

void TPlatformImpl::CreateManagers() {
  if (!mOwnedWindowManager) {
    mOwnedWindowManager = std::make_unique<TWindowManager>();
    SetWindowManager(mOwnedWindowManager.get());
  }
  if (!mAssetManager) {
    mAssetManager = std::make_unique<TAssetManager>();
    TAssetManager::SetInstance(mAssetManager.get());
  }
  if (!mStringTable) mStringTable = std::make_unique<TStringTable>();
}

bool TPlatformImpl::Init(HINSTANCE instance, int showCommand, bool allowMultiple) {
  mInstance = instance;
  mShowCommand = showCommand;
  mWideApi = GetSettingFlag("utf8mode");
  timeBeginPeriod(1);
  mTimePeriodSet = true;
  mScreenWidth = GetSystemMetrics(SM_CXSCREEN);
  mScreenHeight = GetSystemMetrics(SM_CYSCREEN);
  CreateManagers();
  if (!RecordFolders()) {
    // A path that cannot be read or held ends start-up here, before anything uses it.
    MessageBoxA(nullptr, "The program's folder cannot be read, so the game cannot start.", "Error", MB_ICONERROR);
    return false;
  }
  mClassBaseName = MakeSingleInstanceText(mExePath);
  EnsureSingleInstance(allowMultiple);
  mStartTime = timeGetTime();
  mClockOffset = 0;
  ReadVersionResource();
  StartPollingThread();
  return true;
}

void TPlatformImpl::Shutdown() {
  StopPollingThread();
  if (mTimePeriodSet) {
    timeEndPeriod(1);
    mTimePeriodSet = false;
  }
  mDrawnCursor.reset();
  mHardwareCursor.reset();
  if (mInstanceMutex) CloseHandle(mInstanceMutex);
  mInstanceMutex = nullptr;
  if (mMainWindow && IsWindow(mMainWindow)) {
    // The window must never reach a platform that is gone, even when it lives on as the host's.
    SetWindowLongA(mMainWindow, 0, 0);
    if (mMainWindow != mHostWindow) DestroyWindow(mMainWindow);
  }
  mMainWindow = nullptr;
  mGameName = mVersionText = mInternalName = TString();
  mSystemCursor.reset();
  mTaskList.Clear();
  ClearFontMap();
}

// ---- display set-up and cursors ----

void TPlatformImpl::SetDisplay(int32_t width, int32_t height, bool fullScreen) {
  if (CommandLineHas(kSwitchHostDriven)) {
    SendHostFullScreen(fullScreen);
    fullScreen = false;
  }
  mViewportScale[0] = mViewportScale[1] = 1.0f;
  if (mHosted && width > 0) {
    RECT client{0, 0, 0, 0};
    if (mHostWindow && GetClientRect(mHostWindow, &client))
      mViewportScale[0] = mViewportScale[1] = static_cast<float>(client.right - client.left) / width;
  }
  TDxDisplayHandler* display = GetDisplayHandler();
  if (!display) {
    display = TDrawContext::GetInstance()->GetDisplayHandler();
    SetDisplayHandler(display);
  }
  display->SetDisplay(width, height, fullScreen, false, false, mHosted);
  if (!mDisplayInitialised) {
    mDisplayInitialised = true;
    display->PresentFrame(0xFF000000);  // the screen starts black
  }
  display->TestRenderTargets();
  SetTimer(mMainWindow, 1, 250, nullptr);  // only wakes the loop
  RefreshCursor();
}

void TPlatformImpl::SetCursor(const std::shared_ptr<TTexture>& texture, int32_t hotX, int32_t hotY, bool hardware) {
  std::shared_ptr<TTexture> shown = texture;
  if (hardware) {
    mHardwareCursor = texture;
    mHardwareHotSpot = POINT{hotX, hotY};
  } else {
    mDrawnCursor = texture;
    mDrawnHotSpot = POINT{hotX, hotY};
    if (!mHardwareCursorWanted) return;
  }
  if (!mHardwareCursor) {
    if (!mSystemCursor) {
      TCursorTextureLoader loader = GetCursorTextureLoader();
      if (loader) mSystemCursor = loader("__systemcursor__.png");
    }
    shown = mSystemCursor;
  }
  TDxDisplayHandler* display = GetDisplayHandler();
  if (display) display->SetMouseTexture(shown, hotX, hotY, hardware);
  SetClassLongA(mMainWindow, GCL_HCURSOR, 0);
  if (display) display->UpdateSystemCursor();  // a colour cursor stays the pointer's image
}

void TPlatformImpl::RefreshCursor() {
  if (mDrawnCursor) SetCursor(mDrawnCursor, mDrawnHotSpot.x, mDrawnHotSpot.y, false);
  if (mHardwareCursor) SetCursor(mHardwareCursor, mHardwareHotSpot.x, mHardwareHotSpot.y, true);
}

void TPlatformImpl::OnConfigChanged(const TString& key, const TString& value) {
  if (key == "vsync") {
    if (TDxDisplayHandler* display = GetDisplayHandler()) display->SetCursorOption(std::atoi(value.CStr()) != 0);
  } else if (key == "memorymax") {
    LogInit(TString::Format("%s=%d", kLogMemoryMaxMarker, std::atoi(value.CStr())));
  } else if (key == "viewportscale") {
    mViewportScale[0] = static_cast<float>(std::atof(value.CStr()));
  }
}

// ---- the process ----

std::unique_ptr<TPlatformImpl> CreatePlatformImpl(HINSTANCE instance, HINSTANCE, const char* commandLine,
                                                  int showCommand, bool allowMultiple) {
  std::srand((timeGetTime() * 8627u) % 104729u);
  SetProcessCommandLine(commandLine);
  auto impl = std::make_unique<TPlatformImpl>();
  if (!impl->Init(instance, showCommand, allowMultiple)) return nullptr;
  return impl;
}

namespace {

// Every entry of the current folder whose name holds ".vxmod" that loads as a module joins the hub.
void LoadGameStateModules() {
  TDirectoryIterator entries(GetCurrentDir());
  TString name;
  while (entries.Next(&name, nullptr)) {
    if (!std::strstr(name.CStr(), ".vxmod")) continue;
    auto module = std::make_unique<TDllGameState>();
    if (module->Load(name)) GetGameState()->AddHandler(std::move(module));
  }
}

}  // namespace

int RunPlatform(HINSTANCE instance, const char* commandLine, int showCommand, TGameMain gameMain, bool allowMultiple) {
  const char* line = commandLine ? commandLine : "";
  HWND quitTarget = LoadTestHarness(&line);
  if (std::strstr(line, kSwitchHostWindow) || std::strstr(line, kSwitchMultiple)) allowMultiple = true;
  std::unique_ptr<TPlatformImpl> impl = CreatePlatformImpl(instance, nullptr, line, showCommand, allowMultiple);
  if (!impl) return -1;
  TPlatformImpl* p = impl.get();
  p->ReadHostWindowSwitch();
  if (CommandLineHas(kSwitchMsn)) CreateMsnHandler();
  if (CommandLineHas(kSwitchZylom)) CreateZylomHandler();
  if (CommandLineHas(kSwitchAol)) CreateAolHandler();
  if (CommandLineHas(kSwitchHostTest)) p->mHosted = p->mHostTestMode = true;
  p->SetupDataFolders(p->mGameName);
  if (!p->mHosted || CommandLineHas(kSwitchHostDriven)) LogInit(p->mUserDataFolder);

  auto platform = std::make_unique<TPlatform>(std::move(impl));
  platform->CreateMainWindow();
  if (p->mHostTestMode) {
    p->mHostWindow = p->mMainWindow;
    SetConfig("activex", "1");
  }
  platform->InitSoundManager();
  InstallPortalHooks(platform.get());
  p->SetDisplayHandler(TDrawContext::GetInstance()->GetDisplayHandler());
  SetConfig("installkey", ShortForm(p->mExeFolder));
  SetConfig("startupdir", p->mStartupFolder);
  ApplyCommandLineOptions(GetProcessCommandLine());
  if (CommandLineHas(kSwitchHostDriven)) CreateMsnHandler();
  LoadGameStateModules();
  TGameState* hub = GetGameState();
  hub->SendState("cmdline", GetProcessCommandLine());
  hub->SendState("commondatadir", p->mCommonDataFolder);
  hub->SendState("userdatadir", p->mUserDataFolder);

  if (gameMain) gameMain(platform.get(), GetProcessCommandLine());

  PostMessageA(quitTarget, WM_QUIT, 0, 0);
  SetPortalHooks(TPortalHooks());  // they reach into the platform, which goes now
  platform.reset();
  return 0;
}

void PlatformMain(HINSTANCE instance, HINSTANCE, const char* commandLine, int showCommand, TGameMain gameMain,
                  bool allowMultiple) {
  int code = RunPlatform(instance, commandLine, showCommand, gameMain, allowMultiple);
  std::exit(code);
}
