// Start-up pieces of the platform's Win32 side: the folders it records, the player's data folders
// with "-wd=", the single-instance text, the test-harness hook and the pointer-polling thread.
// Paths are strings of any length here, never fixed 260-byte buffers.
#include <cctype>
#include <cstring>
#include <vector>

#include "core/commandline.h"
#include "core/config.h"
#include "core/log.h"
#include "core/path.h"
#include "core/platformimpl.h"
#include "os/dll.h"
#include "os/paths.h"
#include "os/process.h"
#include "os/text.h"
#include "os/thread.h"
#include "os/version.h"
#include "os/time.h"
#include "render/dxdisplayhandler.h"
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
