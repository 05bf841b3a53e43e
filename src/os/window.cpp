// Window classes, windows, their creation and destruction, frames and the activation bookkeeping of
// the stand-in, plus DefWindowProc. Placing and relations live in window_place.cpp, painting, focus
// and the test control in window_focus.cpp. Only the main window has a real SDL window behind it (see
// sdlbackend.cpp); the others are entries in the handle table. Window procedures are always called
// without the layer's lock.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <unistd.h>

#include "os/faultinject.h"
#include "os/time.h"
#include "os/user_internal.h"
#include "os/text.h"

namespace os::user {

State& S() {
  static State* s = new State;  // reachable until exit; windows may outlive static destructors
  return *s;
}

std::shared_ptr<Window> Find(HWND hwnd) {
  if (!hwnd) return nullptr;
  auto w = LookupHandleAs<Window>(hwnd);
  if (!w || w->destroying) return nullptr;
  return w;
}

std::shared_ptr<Window> FindOrFail(HWND hwnd) {
  auto w = Find(hwnd);
  if (!w) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
  return w;
}

bool IsOurs(HWND hwnd) {
  auto w = Find(hwnd);
  return w && !w->foreign && !w->remote;
}

int Metric(int index) {
  State& s = S();
  Lock lk(s.lock);
  auto it = s.metrics.find(index);
  if (it != s.metrics.end()) return it->second;
  switch (index) {
    case SM_CXSCREEN: return s.screenWidth;
    case SM_CYSCREEN: return s.screenHeight;
    case SM_CYCAPTION: return 19;
    case SM_CXBORDER: case SM_CYBORDER: return 1;
    case SM_CXDLGFRAME: case SM_CYDLGFRAME: return 3;
    case SM_CXFRAME: case SM_CYFRAME: return 4;
    case SM_CXEDGE: case SM_CYEDGE: return 2;
    default: return 0;
  }
}

RECT FrameOf(DWORD style, DWORD exStyle) {
  int bx = 0, by = 0;
  if (style & WS_THICKFRAME) {
    bx = Metric(SM_CXFRAME);
    by = Metric(SM_CYFRAME);
  } else if (style & WS_DLGFRAME) {
    bx = Metric(SM_CXDLGFRAME);
    by = Metric(SM_CYDLGFRAME);
  } else if (style & WS_BORDER) {
    bx = Metric(SM_CXBORDER);
    by = Metric(SM_CYBORDER);
  }
  if (exStyle & WS_EX_CLIENTEDGE) {
    bx += Metric(SM_CXEDGE);
    by += Metric(SM_CYEDGE);
  }
  int caption = (style & WS_CAPTION) == WS_CAPTION ? Metric(SM_CYCAPTION) : 0;
  return RECT{bx, by + caption, bx, by};
}

// Outer rectangle of a window in screen pixels. Lock held.
RECT ScreenRect(const Window& w) {
  RECT r = w.rect;
  if ((w.style & WS_CHILD) && w.parent) {
    if (auto p = Find(w.parent)) {
      RECT pc = ClientScreenRect(*p);
      r.left += pc.left; r.right += pc.left;
      r.top += pc.top; r.bottom += pc.top;
    }
  }
  return r;
}

RECT ClientScreenRect(const Window& w) {
  RECT r = ScreenRect(w);
  RECT f = FrameOf(w.style, w.exStyle);
  r.left += f.left; r.top += f.top; r.right -= f.right; r.bottom -= f.bottom;
  if (r.right < r.left) r.right = r.left;
  if (r.bottom < r.top) r.bottom = r.top;
  return r;
}

std::string Lower(std::string s) {
  for (auto& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

void BringToFront(State& s, HWND hwnd) {
  auto it = std::find(s.zorder.begin(), s.zorder.end(), hwnd);
  if (it != s.zorder.end()) s.zorder.erase(it);
  s.zorder.insert(s.zorder.begin(), hwnd);
}

HWND RootOf(HWND hwnd) {
  State& s = S();
  Lock lk(s.lock);
  HWND cur = hwnd;
  for (int guard = 0; guard < 64; ++guard) {
    auto w = Find(cur);
    if (!w) return nullptr;
    if (!(w->style & WS_CHILD) || !w->parent) return cur;
    cur = w->parent;
  }
  return cur;
}

bool IsDescendant(HWND hwnd, HWND ancestor) {
  State& s = S();
  Lock lk(s.lock);
  HWND cur = hwnd;
  for (int guard = 0; cur && guard < 64; ++guard) {
    if (cur == ancestor) return true;
    auto w = Find(cur);
    if (!w || !(w->style & WS_CHILD)) return false;
    cur = w->parent;
  }
  return false;
}

HWND OtherProgramWindow() {
  State& s = S();
  {
    Lock lk(s.lock);
    if (Find(s.otherProgram)) return s.otherProgram;
  }
  HWND h = TestCreateForeignWindow("OtherProgram", "", 800, 600);
  Lock lk(s.lock);
  s.otherProgram = h;
  return h;
}

void ActivateOurs(HWND top, WPARAM how) {
  State& s = S();
  HWND prevActive;
  bool appWasActive;
  {
    Lock lk(s.lock);
    if (!IsOurs(top)) return;
    prevActive = s.active;
    appWasActive = IsOurs(s.foreground);
    if (appWasActive && prevActive == top) return;
    s.active = top;
    s.foreground = top;
    BringToFront(s, top);
  }
  if (!appWasActive) SendMessageA(top, WM_ACTIVATEAPP, TRUE, 0);
  if (prevActive && prevActive != top && IsOurs(prevActive))
    SendMessageA(prevActive, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(top));
  SendMessageA(top, WM_ACTIVATE, how, reinterpret_cast<LPARAM>(prevActive));
  HWND focus;
  {
    Lock lk(s.lock);
    focus = s.focus;
  }
  if (!focus || !IsDescendant(focus, top)) SetFocus(top);
}

void DeactivateApp(HWND newForeground) {
  State& s = S();
  HWND prevActive, prevFocus;
  bool appWasActive;
  {
    Lock lk(s.lock);
    appWasActive = IsOurs(s.foreground) || s.active;
    prevActive = s.active;
    prevFocus = s.focus;
    s.foreground = newForeground;
    if (newForeground) BringToFront(s, newForeground);
    if (!appWasActive) return;
    s.active = nullptr;
    s.focus = nullptr;
  }
  if (prevActive && IsOurs(prevActive)) {
    SendMessageA(prevActive, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(newForeground));
    SendMessageA(prevActive, WM_ACTIVATEAPP, FALSE, 0);
  }
  if (prevFocus && IsOurs(prevFocus)) SendMessageA(prevFocus, WM_KILLFOCUS, 0, 0);
}

void SendPosChanged(HWND hwnd, bool sizeChanged, bool moved) {
  WINDOWPOS wp{};
  {
    State& s = S();
    Lock lk(s.lock);
    auto w = Find(hwnd);
    if (!w) return;
    wp.hwnd = hwnd;
    if (w->minimized) {
      wp.x = wp.y = -32000;
      wp.cx = 160;
      wp.cy = 28;
    } else {
      wp.x = w->rect.left;
      wp.y = w->rect.top;
      wp.cx = w->rect.right - w->rect.left;
      wp.cy = w->rect.bottom - w->rect.top;
    }
    wp.flags = SWP_NOZORDER | SWP_NOACTIVATE | (sizeChanged ? 0 : SWP_NOSIZE | SWP_NOCLIENTSIZE) |
               (moved ? 0 : SWP_NOMOVE | SWP_NOCLIENTMOVE);
  }
  SendMessageA(hwnd, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&wp));
}

LPARAM ClientSizeParam(HWND hwnd) {
  State& s = S();
  Lock lk(s.lock);
  auto w = Find(hwnd);
  if (!w) return 0;
  RECT c = ClientScreenRect(*w);
  return MAKELPARAM(c.right - c.left, c.bottom - c.top);
}

void SetMinimizedState(HWND hwnd, bool minimized) {
  State& s = S();
  bool wasActive;
  {
    Lock lk(s.lock);
    auto w = Find(hwnd);
    if (!w || w->minimized == minimized) return;
    w->minimized = minimized;
    if (minimized) w->maximized = false;
    wasActive = s.active == hwnd;
  }
  sdl::SyncMainWindow();
  SendPosChanged(hwnd, true, true);
  SendMessageA(hwnd, WM_SIZE, minimized ? SIZE_MINIMIZED : SIZE_RESTORED, minimized ? 0 : ClientSizeParam(hwnd));
  if (minimized && wasActive) DeactivateApp(OtherProgramWindow());
  if (!minimized) InvalidateRect(hwnd, nullptr, TRUE);
}

void SetMaximizedState(HWND hwnd) {
  {
    State& s = S();
    Lock lk(s.lock);
    auto w = Find(hwnd);
    if (!w || w->maximized) return;
    w->maximized = true;
    w->minimized = false;
  }
  SendPosChanged(hwnd, true, true);
  SendMessageA(hwnd, WM_SIZE, SIZE_MAXIMIZED, ClientSizeParam(hwnd));
}

void MainClientChanged(int x, int y, int width, int height) {
  State& s = S();
  HWND hwnd;
  bool sized, moved;
  {
    Lock lk(s.lock);
    auto w = Find(s.main);
    if (!w || w->minimized) return;
    hwnd = s.main;
    RECT f = FrameOf(w->style, w->exStyle);
    RECT c = ClientScreenRect(*w);
    sized = (c.right - c.left) != width || (c.bottom - c.top) != height;
    moved = c.left != x || c.top != y;
    if (!sized && !moved) return;
    w->rect = RECT{x - f.left, y - f.top, x + width + f.right, y + height + f.bottom};
  }
  SendPosChanged(hwnd, sized, moved);
  if (sized) SendMessageA(hwnd, WM_SIZE, SIZE_RESTORED, ClientSizeParam(hwnd));
}

}  // namespace os::user

using namespace os::user;

// ---- classes ----

static ATOM RegisterClassCommon(const std::string& name, WNDPROC proc, UINT style, int wndExtra, HICON icon,
                                HCURSOR cursor, HBRUSH brush, HINSTANCE instance, bool unicode) {
  if (name.empty() || !proc) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  State& s = S();
  Lock lk(s.lock);
  std::string key = Lower(name);
  if (s.classes.count(key)) {
    SetLastError(ERROR_CLASS_ALREADY_EXISTS);
    return 0;
  }
  auto c = std::make_shared<Class>();
  c->name = name;
  c->atom = s.nextAtom++;
  c->proc = proc;
  c->style = style;
  c->wndExtra = std::max(0, wndExtra);
  c->icon = icon;
  c->cursor = cursor;
  c->brush = brush;
  c->instance = instance;
  c->unicode = unicode;
  s.classes[key] = c;
  return c->atom;
}

ATOM RegisterClassA(const WNDCLASSA* wc) {
  if (!wc || !wc->lpszClassName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  return RegisterClassCommon(wc->lpszClassName, wc->lpfnWndProc, wc->style, wc->cbWndExtra, wc->hIcon,
                             wc->hCursor, wc->hbrBackground, wc->hInstance, false);
}

ATOM RegisterClassW(const WNDCLASSW* wc) {
  if (!wc || !wc->lpszClassName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  return RegisterClassCommon(os::Utf16ToUtf8(wc->lpszClassName), wc->lpfnWndProc, wc->style, wc->cbWndExtra,
                             wc->hIcon, wc->hCursor, wc->hbrBackground, wc->hInstance, true);
}

BOOL UnregisterClassA(LPCSTR className, HINSTANCE) {
  if (!className) return FALSE;
  State& s = S();
  Lock lk(s.lock);
  auto it = s.classes.find(Lower(className));
  if (it == s.classes.end()) {
    SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
    return FALSE;
  }
  for (HWND h : s.windows) {
    auto w = Find(h);
    if (w && w->cls == it->second) {
      SetLastError(ERROR_ACCESS_DENIED);
      return FALSE;
    }
  }
  s.classes.erase(it);
  return TRUE;
}

// ---- creation and destruction ----

static HWND CreateWindowCommon(DWORD exStyle, const std::string& className, const std::string& title, DWORD style,
                               int x, int y, int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                               LPVOID param) {
  State& s = S();
  auto w = std::make_shared<Window>();
  bool makeMain = false;
  {
    Lock lk(s.lock);
    auto it = s.classes.find(Lower(className));
    if (it == s.classes.end()) {
      SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
      return nullptr;
    }
    if (parent == HWND_MESSAGE) parent = nullptr;
    if ((style & WS_CHILD) && !Find(parent)) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return nullptr;
    }
    if (parent && !Find(parent)) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return nullptr;
    }
    w->cls = it->second;
    w->proc = w->cls->proc;
    w->thread = CurrentThread();
    w->style = style & ~WS_VISIBLE;
    w->exStyle = exStyle;
    if (style & WS_CHILD) w->parent = parent; else w->owner = parent;
    w->title = title;
    w->instance = instance;
    w->extra.assign(static_cast<size_t>((w->cls->wndExtra + 3) / 4), 0);
    if (style & WS_CHILD) w->id = reinterpret_cast<LONG_PTR>(menu);
    if (x == CW_USEDEFAULT) { x = 100; y = 100; }
    if (width == CW_USEDEFAULT) { width = 640; height = 480; }
    w->rect = RECT{x, y, x + std::max(0, width), y + std::max(0, height)};
    makeMain = !(style & WS_CHILD) && !s.main;
  }
  if (makeMain && os::sdl::EnsureVideo()) {
    w->isMain = true;
  }
  HWND hwnd = static_cast<HWND>(os::NewHandle(w));
  w->self = hwnd;
  {
    Lock lk(s.lock);
    s.windows.push_back(hwnd);
    if (!(style & WS_CHILD)) s.zorder.push_back(hwnd);
    if (w->isMain) s.main = hwnd;
  }
  if (w->isMain) {
    if (!os::sdl::CreateMainWindow(*w)) {
      Lock lk(s.lock);
      w->isMain = false;
      s.main = nullptr;
    } else {
      os::remote::Serve(w->cls->name);
    }
  }
  CREATESTRUCTA cs{};
  cs.lpCreateParams = param;
  cs.hInstance = instance;
  cs.hMenu = menu;
  cs.hwndParent = parent;
  cs.cx = width; cs.cy = height; cs.x = x; cs.y = y;
  cs.style = static_cast<LONG>(style);
  cs.lpszName = title.c_str();
  cs.lpszClass = className.c_str();
  cs.dwExStyle = exStyle;
  if (!SendMessageA(hwnd, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs)) ||
      SendMessageA(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
    DestroyWindow(hwnd);
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (style & WS_VISIBLE) ShowWindow(hwnd, SW_SHOW);
  return hwnd;
}

LRESULT DefWindowProcW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
  if (!className) {
    SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
    return nullptr;
  }
  return CreateWindowCommon(exStyle, className, windowName ? windowName : "", style, x, y, width, height, parent,
                            menu, instance, param);
}

HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
  if (!className) {
    SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
    return nullptr;
  }
  return CreateWindowCommon(exStyle, os::Utf16ToUtf8(className), windowName ? os::Utf16ToUtf8(windowName) : "",
                            style, x, y, width, height, parent, menu, instance, param);
}

BOOL DestroyWindow(HWND hwnd) {
  State& s = S();
  auto w = FindOrFail(hwnd);
  if (!w) return FALSE;
  std::vector<HWND> children;
  bool hadCapture;
  {
    Lock lk(s.lock);
    if (w->foreign || w->remote) {
      w->destroying = true;
      s.zorder.erase(std::remove(s.zorder.begin(), s.zorder.end(), hwnd), s.zorder.end());
      s.windows.erase(std::remove(s.windows.begin(), s.windows.end(), hwnd), s.windows.end());
      if (s.foreground == hwnd) s.foreground = nullptr;
      lk.unlock();
      CloseHandle(hwnd);
      return TRUE;
    }
    for (HWND h : s.windows) {
      auto c = Find(h);
      if (c && ((c->style & WS_CHILD) ? c->parent : c->owner) == hwnd) children.push_back(h);
    }
    hadCapture = s.capture == hwnd;
    w->visible = false;
  }
  if (hadCapture) ReleaseCapture();
  SendMessageA(hwnd, WM_DESTROY, 0, 0);
  for (HWND c : children) DestroyWindow(c);
  SendMessageA(hwnd, WM_NCDESTROY, 0, 0);
  bool wasMain;
  {
    Lock lk(s.lock);
    w->destroying = true;
    wasMain = w->isMain;
    if (s.active == hwnd) s.active = nullptr;
    if (s.foreground == hwnd) s.foreground = nullptr;
    if (s.focus == hwnd) s.focus = nullptr;
    if (s.hoverWindow == hwnd) s.hoverWindow = nullptr;
    if (s.leaveWindow == hwnd) s.leaveWindow = nullptr;
    if (s.main == hwnd) s.main = nullptr;
    s.zorder.erase(std::remove(s.zorder.begin(), s.zorder.end(), hwnd), s.zorder.end());
    s.windows.erase(std::remove(s.windows.begin(), s.windows.end(), hwnd), s.windows.end());
    s.timers.erase(std::remove_if(s.timers.begin(), s.timers.end(), [&](const Timer& t) { return t.hwnd == hwnd; }),
                   s.timers.end());
    for (auto& [id, q] : s.queues)
      q->messages.erase(std::remove_if(q->messages.begin(), q->messages.end(),
                                       [&](const QueuedMessage& m) { return m.msg.hwnd == hwnd; }),
                        q->messages.end());
  }
  if (wasMain) {
    os::remote::StopServing();
    os::sdl::DestroyMainWindow();
  }
  CloseHandle(hwnd);
  return TRUE;
}

// ---- default handling ----

static LRESULT HitTest(HWND hwnd, LPARAM lParam) {
  State& s = S();
  Lock lk(s.lock);
  auto w = Find(hwnd);
  if (!w) return HTNOWHERE;
  int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
  RECT outer = ScreenRect(*w), client = ClientScreenRect(*w);
  auto in = [](const RECT& r, int px, int py) { return px >= r.left && px < r.right && py >= r.top && py < r.bottom; };
  if (!in(outer, x, y)) return HTNOWHERE;
  if (in(client, x, y)) return HTCLIENT;
  RECT f = FrameOf(w->style, w->exStyle);
  int caption = (w->style & WS_CAPTION) == WS_CAPTION ? Metric(SM_CYCAPTION) : 0;
  bool left = x < outer.left + f.left, right = x >= outer.right - f.right;
  bool top = y < outer.top + (f.top - caption), bottom = y >= outer.bottom - f.bottom;
  if (!(w->style & WS_THICKFRAME)) return (top || bottom || left || right) ? HTBORDER : HTCAPTION;
  if (top && left) return HTTOPLEFT;
  if (top && right) return HTTOPRIGHT;
  if (bottom && left) return HTBOTTOMLEFT;
  if (bottom && right) return HTBOTTOMRIGHT;
  if (left) return HTLEFT;
  if (right) return HTRIGHT;
  if (top) return HTTOP;
  if (bottom) return HTBOTTOM;
  return HTCAPTION;
}

LRESULT DefWindowProcA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_NCCREATE:
      return TRUE;
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return 0;
    case WM_SYSCOMMAND:
      switch (wParam & 0xFFF0) {
        case SC_CLOSE: SendMessageA(hwnd, WM_CLOSE, 0, 0); break;
        case SC_MINIMIZE: ShowWindow(hwnd, SW_MINIMIZE); break;
        case SC_RESTORE: ShowWindow(hwnd, SW_RESTORE); break;
        case SC_MAXIMIZE: ShowWindow(hwnd, SW_MAXIMIZE); break;
        default: break;
      }
      return 0;
    case WM_SYSKEYDOWN:
      if (wParam == static_cast<WPARAM>(VK_F4) && (lParam & KF_ALTDOWN_BIT))
        SendMessageA(GetAncestor(hwnd, GA_ROOT), WM_SYSCOMMAND, SC_CLOSE, 0);
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(hwnd, &ps);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_NCHITTEST:
      return HitTest(hwnd, lParam);
    case WM_SETCURSOR:
      if (LOWORD(static_cast<uintptr_t>(lParam)) == HTCLIENT) {
        SetCursor(reinterpret_cast<HCURSOR>(GetClassLongA(hwnd, GCL_HCURSOR)));
        return TRUE;
      }
      return FALSE;
    case WM_MOUSEACTIVATE:
      return MA_ACTIVATE;
    case WM_WINDOWPOSCHANGED: {
      auto* wp = reinterpret_cast<const WINDOWPOS*>(lParam);
      if (!wp) return 0;
      if (!(wp->flags & SWP_NOCLIENTMOVE)) {
        POINT p{0, 0};
        ClientToScreen(hwnd, &p);
        SendMessageA(hwnd, WM_MOVE, 0, MAKELPARAM(p.x, p.y));
      }
      if (!(wp->flags & SWP_NOCLIENTSIZE)) {
        WPARAM kind = IsIconic(hwnd) ? SIZE_MINIMIZED : IsZoomed(hwnd) ? SIZE_MAXIMIZED : SIZE_RESTORED;
        SendMessageA(hwnd, WM_SIZE, kind, kind == SIZE_MINIMIZED ? 0 : ClientSizeParam(hwnd));
      }
      return 0;
    }
    default:
      return 0;
  }
}

LRESULT DefWindowProcW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

LRESULT CallWindowProcA(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return proc ? proc(hwnd, msg, wParam, lParam) : 0;
}
