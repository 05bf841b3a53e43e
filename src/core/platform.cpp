// The platform facade (see platform.h).
#include "core/platform.h"

#include <cstring>
#include <string>

#include "core/commandline.h"
#include "core/platformimpl.h"
#include "core/timer.h"
#include "os/clipboard.h"
#include "os/shellexec.h"
#include "os/text.h"
#include "os/time.h"
#include "render/dxdisplayhandler.h"
#include "services/portal.h"

namespace {

TPlatform* gInstance = nullptr;

uint32_t FrameworkTimer() { return gInstance ? gInstance->GetTimer() : timeGetTime(); }

// Copies bytes into a movable block for the clipboard; null when memory cannot be had.
HGLOBAL BlockWith(const void* bytes, size_t size) {
  HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, size);
  if (!mem) return nullptr;
  void* p = GlobalLock(mem);
  if (!p) {
    GlobalFree(mem);
    return nullptr;
  }
  std::memcpy(p, bytes, size);
  GlobalUnlock(mem);
  return mem;
}

}  // namespace

TPlatform::TPlatform(std::unique_ptr<TPlatformImpl> impl) : mImpl(std::move(impl)) {
  gInstance = this;
  SetFrameworkTimerSource(FrameworkTimer);
}

TPlatform::~TPlatform() {
  mImpl->StopPollingThread();
  SetFrameworkTimerSource(nullptr);
  gInstance = nullptr;
  mImpl.reset();
  mRestoreTasks.Clear();
}

TPlatform* TPlatform::GetInstance() { return gInstance; }

void TPlatform::GetEvent(TPlatformEvent* event) { mImpl->GetEvent(event); }

uint32_t TPlatform::GetTimer() const {
  return timeGetTime() + static_cast<uint32_t>(mImpl->mClockOffset) - mImpl->mStartTime - GetPortalPauseTotal();
}

void TPlatform::Sleep(uint32_t ms) { ::Sleep(ms); }

void TPlatform::PostQuitMessage(int exitCode) { ::PostQuitMessage(exitCode); }

TString TPlatform::GetGameName() const { return mImpl->mGameName; }

TString TPlatform::GetVersionString() const { return mImpl->mVersionText; }

void TPlatform::SetWindowTitle(const TString& title) {
  if (mImpl->mWideApi) SetWindowTextW(mImpl->mMainWindow, os::Utf8ToUtf16(title.CStr()).c_str());
  else SetWindowTextA(mImpl->mMainWindow, title.CStr());
}

bool TPlatform::CreateMainWindow() { return mImpl->CreateMainWindow(); }

bool TPlatform::HasFocus() const {
  HWND foreground = GetForegroundWindow();
  HWND main = mImpl->mMainWindow;
  if (!foreground) return false;
  if (foreground == main) return true;
  if (!CommandLineHas(kSwitchHostDriven)) return false;
  for (HWND cur = GetParent(main); cur; cur = GetParent(cur))
    if (cur == foreground) return true;
  return false;
}

bool TPlatform::SetFullScreen(bool fullScreen) {
  TDxDisplayHandler* display = mImpl->GetDisplayHandler();
  if (CommandLineHas(kSwitchHostDriven)) {
    mImpl->SendHostFullScreen(fullScreen);
    if (display) display->SetFullScreen(false);
    return true;
  }
  return display && display->SetFullScreen(fullScreen);
}

bool TPlatform::IsFullScreen() const {
  if (CommandLineHas(kSwitchHostDriven)) return mImpl->HostFullScreenState();
  TDxDisplayHandler* display = mImpl->GetDisplayHandler();
  return display && display->IsFullScreen();
}

bool TPlatform::IsDisplayReady() const {
  TDxDisplayHandler* display = mImpl->GetDisplayHandler();
  return display && display->IsFlipDone();
}

void TPlatform::SetMousePosition(POINT point) { mImpl->SetCursorPosition(point); }

int32_t TPlatform::GetInputMode() const { return mImpl->mInputMode; }

bool TPlatform::StringToClipboard(const TString& text) {
  if (!OpenClipboard(mImpl->mMainWindow)) return false;
  EmptyClipboard();
  HGLOBAL bytes = BlockWith(text.CStr(), static_cast<size_t>(text.Length()) + 1);
  if (!bytes) {
    CloseClipboard();
    return false;
  }
  SetClipboardData(CF_TEXT, bytes);
  if (mImpl->mWideApi) {
    std::u16string wide = os::Utf8ToUtf16(text.CStr());
    if (HGLOBAL units = BlockWith(wide.c_str(), (wide.size() + 1) * sizeof(char16_t)))
      SetClipboardData(CF_UNICODETEXT, units);
  }
  CloseClipboard();
  return true;
}

TString TPlatform::GetClipboardText() {
  if (!IsClipboardFormatAvailable(CF_TEXT) || !OpenClipboard(mImpl->mMainWindow)) return TString();
  TString text;
  HANDLE data = nullptr;
  bool wide = mImpl->mWideApi && IsClipboardFormatAvailable(CF_UNICODETEXT);
  data = GetClipboardData(wide ? CF_UNICODETEXT : CF_TEXT);
  if (data) {
    const void* p = GlobalLock(data);
    size_t size = GlobalSize(data);
    if (p && wide) {
      const auto* units = static_cast<const char16_t*>(p);
      size_t n = 0;
      while (n < size / 2 && units[n]) ++n;  // bounded by the block, terminator or not
      text = TString(os::Utf16ToUtf8(std::u16string_view(units, n)).c_str());
    } else if (p) {
      text = TString(static_cast<const char*>(p), static_cast<ptrdiff_t>(strnlen(static_cast<const char*>(p), size)));
    }
    GlobalUnlock(data);
  }
  CloseClipboard();
  return text;
}

void TPlatform::OpenUrl(const TString& link) {
  HWND host = mImpl->GetHostWindow();
  if (CommandLineHas(kSwitchHostDriven) && mImpl->HostFullScreenState() && host)
    ShowWindow(GetAncestor(host, GA_ROOT), SW_MINIMIZE);
  if (!mImpl->mHosted) {
    ShellExecuteA(mImpl->mMainWindow, "open", link.CStr(), nullptr, nullptr, SW_SHOWNORMAL);
    return;
  }
  std::string program = "iexplore.exe";
  if (const char* after = CommandLineAfter(kSwitchHostProgram)) {
    size_t n = std::strcspn(after, " ");
    program.assign(after, n < 259 ? n : 259);
  }
  ShellExecuteA(mImpl->mMainWindow, "open", program.c_str(), link.CStr(), nullptr, SW_SHOWNORMAL);
}

TWindowManager* TPlatform::GetWindowManager() const { return mImpl->GetWindowManager(); }

TTaskList* TPlatform::GetTaskList() const { return &mImpl->mTaskList; }

void TPlatform::AddTask(std::unique_ptr<TTask> task) { mImpl->mTaskList.Add(std::move(task)); }

bool TPlatform::RemoveTask(TTask* task) { return mImpl->mTaskList.Remove(task); }

void TPlatform::AddRestoreTask(std::unique_ptr<TTask> task) { mRestoreTasks.Add(std::move(task)); }
