// Windows of the stand-in: painting, focus and activation, the screen's parameters, and the test
// control of the windowing layer (foreign windows, recorded messages, metrics, reset).
#include <algorithm>
#include <cctype>
#include <cstring>
#include <unistd.h>

#include "os/faultinject.h"
#include "os/time.h"
#include "os/user_internal.h"
#include "os/text.h"

using namespace os::user;

// ---- painting ----

BOOL InvalidateRect(HWND hwnd, const RECT*, BOOL) {
  State& s = S();
  Lock lk(s.lock);
  if (!hwnd) {
    for (HWND h : s.windows)
      if (auto w = Find(h); w && !w->foreign && !w->remote) w->needsPaint = true;
  } else {
    auto w = Find(hwnd);
    if (!w) return FALSE;
    w->needsPaint = true;
  }
  s.wake.notify_all();
  return TRUE;
}

BOOL ValidateRect(HWND hwnd, const RECT*) {
  return OnWindow(hwnd, [](Window& w) { w.needsPaint = false; });
}

BOOL UpdateWindow(HWND hwnd) {
  bool paint;
  {
    State& s = S();
    Lock lk(s.lock);
    auto w = Find(hwnd);
    if (!w) return FALSE;
    paint = w->needsPaint && w->visible;
  }
  if (paint) SendMessageA(hwnd, WM_PAINT, 0, 0);
  return TRUE;
}

HDC BeginPaint(HWND hwnd, PAINTSTRUCT* paint) {
  State& s = S();
  Lock lk(s.lock);
  auto w = Find(hwnd);
  if (!w || !paint) return nullptr;
  std::memset(paint, 0, sizeof(*paint));
  RECT c = ClientScreenRect(*w);
  paint->rcPaint = RECT{0, 0, c.right - c.left, c.bottom - c.top};
  paint->fErase = FALSE;
  paint->hdc = reinterpret_cast<HDC>(hwnd);  // stands for the window's device context
  w->needsPaint = false;
  return paint->hdc;
}

BOOL EndPaint(HWND, const PAINTSTRUCT*) { return TRUE; }

// ---- activation and focus ----

HWND SetFocus(HWND hwnd) {
  State& s = S();
  HWND prev;
  {
    Lock lk(s.lock);
    prev = s.focus;
    if (hwnd && !IsOurs(hwnd)) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return nullptr;
    }
    if (prev == hwnd) return prev;
  }
  if (hwnd) {
    HWND root = RootOf(hwnd);
    if (GetActiveWindow() != root) ActivateOurs(root, WA_ACTIVE);
    Lock lk(s.lock);
    prev = s.focus;
    if (prev == hwnd) return prev;
    s.focus = hwnd;
  } else {
    Lock lk(s.lock);
    s.focus = nullptr;
  }
  if (prev && IsOurs(prev)) SendMessageA(prev, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
  if (hwnd) SendMessageA(hwnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(prev), 0);
  return prev;
}

HWND GetFocus() { return ReadState(&State::focus); }

HWND SetActiveWindow(HWND hwnd) {
  HWND prev = GetActiveWindow();
  if (!IsOurs(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  ActivateOurs(RootOf(hwnd), WA_ACTIVE);
  return prev;
}

HWND GetActiveWindow() { return ReadState(&State::active); }

BOOL SetForegroundWindow(HWND hwnd) {
  if (os::ShouldFail("SetForegroundWindow")) return FALSE;
  auto w = FindOrFail(hwnd);
  if (!w) return FALSE;
  if (w->remote) {
    if (!os::remote::Request(w->remoteClass, "raise")) {
      SetLastError(ERROR_ACCESS_DENIED);
      return FALSE;
    }
    DeactivateApp(hwnd);
    return TRUE;
  }
  if (w->foreign) {
    DeactivateApp(hwnd);
    return TRUE;
  }
  HWND root = RootOf(hwnd);
  ActivateOurs(root, WA_ACTIVE);
  if (w->isMain || (Find(root) && Find(root)->isMain)) os::sdl::RaiseMainWindow();
  return TRUE;
}

HWND GetForegroundWindow() {
  State& s = S();
  Lock lk(s.lock);
  return Find(s.foreground) ? s.foreground : nullptr;
}

BOOL BringWindowToTop(HWND hwnd) {
  return SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

// ---- screen ----

int GetSystemMetrics(int index) { return Metric(index); }

BOOL SystemParametersInfoA(UINT action, UINT, LPVOID data, UINT) {
  if (action != SPI_GETWORKAREA || !data) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  State& s = S();
  RECT r;
  {
    Lock lk(s.lock);
    if (s.workAreaSet) {
      *static_cast<RECT*>(data) = s.workArea;
      return TRUE;
    }
  }
  if (!os::sdl::UsableBounds(&r)) r = RECT{0, 0, Metric(SM_CXSCREEN), Metric(SM_CYSCREEN)};
  *static_cast<RECT*>(data) = r;
  return TRUE;
}

// ---- test control ----

namespace os {

HWND TestCreateForeignWindow(const std::string& className, const std::string& title, int clientWidth,
                             int clientHeight) {
  auto w = std::make_shared<Window>();
  w->foreign = true;
  w->visible = true;
  w->remoteClass = className;
  w->title = title;
  w->style = WS_OVERLAPPEDWINDOW;
  RECT f = FrameOf(w->style, 0);
  w->rect = RECT{0, 0, clientWidth + f.left + f.right, clientHeight + f.top + f.bottom};
  HWND h = static_cast<HWND>(NewHandle(w));
  w->self = h;
  State& s = S();
  Lock lk(s.lock);
  s.windows.push_back(h);
  s.zorder.push_back(h);
  return h;
}

std::vector<RecordedMessage> TestForeignMessages(HWND hwnd) {
  State& s = S();
  Lock lk(s.lock);
  auto w = LookupHandleAs<Window>(hwnd);
  return w ? w->record : std::vector<RecordedMessage>{};
}

std::vector<std::string> TestRemoteRequests() {
  State& s = S();
  Lock lk(s.lock);
  return s.remoteRequests;
}

void TestSetSystemMetric(int index, int value) {
  State& s = S();
  Lock lk(s.lock);
  s.metrics[index] = value;
}

void TestSetWorkArea(const RECT& rect) {
  State& s = S();
  Lock lk(s.lock);
  s.workArea = rect;
  s.workAreaSet = true;
}

std::vector<MenuCall> TestMenuCalls() {
  State& s = S();
  Lock lk(s.lock);
  return s.menuCalls;
}

HWND TestMainWindow() { return ReadState(&State::main); }

void TestResetWindows() {
  State& s = S();
  std::vector<HWND> all;
  {
    Lock lk(s.lock);
    all = s.windows;
  }
  for (auto it = all.rbegin(); it != all.rend(); ++it)
    if (IsWindow(*it)) DestroyWindow(*it);
  Lock lk(s.lock);
  s.classes.clear();
  s.zorder.clear();
  s.windows.clear();
  for (auto& [id, q] : s.queues) {
    q->messages.clear();
    q->quit = false;
    std::memset(q->keys, 0, sizeof(q->keys));
    q->lastKey.valid = false;
  }
  s.timers.clear();
  s.main = s.capture = s.focus = s.active = s.foreground = s.otherProgram = nullptr;
  s.pointer = POINT{0, 0};
  s.inside = false;
  s.buttons = 0;
  s.mods = 0;
  std::memset(s.asyncKeys, 0, sizeof(s.asyncKeys));
  s.hoverWindow = s.leaveWindow = nullptr;
  s.leaveDeferred = false;
  s.cursor = nullptr;
  s.showCount = 0;
  s.metrics.clear();
  s.workAreaSet = false;
  s.menuCalls.clear();
  s.remoteRequests.clear();
  s.pendingRemote.clear();
  TestClearFailures();
  lk.unlock();
  os::sdl::ResetTestInput();
}

}  // namespace os
