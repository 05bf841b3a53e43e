// Window classes, windows, styles, rectangles, z-order, activation and focus of the stand-in, plus
// DefWindowProc. Only the main window has a real SDL window behind it (see sdlbackend.cpp); the others
// are entries in the handle table. Window procedures are always called without the layer's lock.
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
static RECT ScreenRect(const Window& w) {
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

static std::string Lower(std::string s) {
  for (auto& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

static void BringToFront(State& s, HWND hwnd) {
  auto it = std::find(s.zorder.begin(), s.zorder.end(), hwnd);
  if (it != s.zorder.end()) s.zorder.erase(it);
  s.zorder.insert(s.zorder.begin(), hwnd);
}

static HWND RootOf(HWND hwnd) {
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

// Runs f on a live window under the lock; FALSE with ERROR_INVALID_WINDOW_HANDLE when there is none.
template <class F>
static BOOL OnWindow(HWND hwnd, F f) {
  State& s = S();
  Lock lk(s.lock);
  auto w = FindOrFail(hwnd);
  if (!w) return FALSE;
  f(*w);
  return TRUE;
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

static void SendPosChanged(HWND hwnd, bool sizeChanged, bool moved) {
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

static LPARAM ClientSizeParam(HWND hwnd) {
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

// ---- state queries ----

BOOL IsWindow(HWND hwnd) { return Find(hwnd) ? TRUE : FALSE; }

BOOL IsWindowVisible(HWND hwnd) {
  State& s = S();
  Lock lk(s.lock);
  for (HWND cur = hwnd; cur;) {
    auto w = Find(cur);
    if (!w || !w->visible) return FALSE;
    cur = (w->style & WS_CHILD) ? w->parent : nullptr;
  }
  return hwnd ? TRUE : FALSE;
}

BOOL IsIconic(HWND hwnd) {
  bool minimized = false;
  OnWindow(hwnd, [&](Window& w) { minimized = w.minimized; });
  return minimized;
}

BOOL IsZoomed(HWND hwnd) {
  bool maximized = false;
  OnWindow(hwnd, [&](Window& w) { maximized = w.maximized; });
  return maximized;
}

// ---- window longs ----

static LONG_PTR WindowLong(HWND hwnd, int index, bool set, LONG_PTR value) {
  State& s = S();
  Lock lk(s.lock);
  auto w = FindOrFail(hwnd);
  if (!w) return 0;
  LONG_PTR old = 0;
  bool styleChanged = false;
  switch (index) {
    case GWL_STYLE:
      old = static_cast<LONG_PTR>(w->style | (w->visible ? WS_VISIBLE : 0) | (w->minimized ? WS_MINIMIZE : 0));
      if (set) {
        w->style = static_cast<DWORD>(value) & ~(WS_VISIBLE | WS_MINIMIZE);
        styleChanged = true;
      }
      break;
    case GWL_EXSTYLE:
      old = static_cast<LONG_PTR>(w->exStyle);
      if (set) {
        w->exStyle = static_cast<DWORD>(value);
        styleChanged = true;
      }
      break;
    case GWL_WNDPROC:
      old = reinterpret_cast<LONG_PTR>(w->proc);
      if (set) w->proc = reinterpret_cast<WNDPROC>(value);
      break;
    case GWL_USERDATA:
      old = w->userData;
      if (set) w->userData = value;
      break;
    case GWL_ID:
      old = w->id;
      if (set) w->id = value;
      break;
    case GWL_HINSTANCE:
      old = reinterpret_cast<LONG_PTR>(w->instance);
      if (set) w->instance = reinterpret_cast<HINSTANCE>(value);
      break;
    case GWL_HWNDPARENT:
      old = reinterpret_cast<LONG_PTR>(w->owner);
      if (set) w->owner = reinterpret_cast<HWND>(value);
      break;
    default:
      if (index < 0 || index % 4 != 0 || static_cast<size_t>(index / 4) >= w->extra.size()) {
        SetLastError(ERROR_INVALID_INDEX);
        return 0;
      }
      old = w->extra[static_cast<size_t>(index / 4)];
      if (set) w->extra[static_cast<size_t>(index / 4)] = value;
      break;
  }
  bool isMain = w->isMain;
  lk.unlock();
  if (styleChanged && isMain) os::sdl::SyncMainWindow();
  SetLastError(0);
  return old;
}

LONG_PTR SetWindowLongA(HWND h, int i, LONG_PTR v) { return WindowLong(h, i, true, v); }
LONG_PTR GetWindowLongA(HWND h, int i) { return WindowLong(h, i, false, 0); }
LONG_PTR SetWindowLongW(HWND h, int i, LONG_PTR v) { return WindowLong(h, i, true, v); }
LONG_PTR GetWindowLongW(HWND h, int i) { return WindowLong(h, i, false, 0); }
LONG_PTR SetWindowLongPtrA(HWND h, int i, LONG_PTR v) { return WindowLong(h, i, true, v); }
LONG_PTR GetWindowLongPtrA(HWND h, int i) { return WindowLong(h, i, false, 0); }

static ULONG_PTR ClassLong(HWND hwnd, int index, bool set, LONG_PTR value) {
  State& s = S();
  Lock lk(s.lock);
  auto w = Find(hwnd);
  if (!w || !w->cls) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  Class& c = *w->cls;
  ULONG_PTR old = 0;
  switch (index) {
    case GCL_HCURSOR:
      old = reinterpret_cast<ULONG_PTR>(c.cursor);
      if (set) c.cursor = reinterpret_cast<HCURSOR>(value);
      break;
    case GCL_HICON:
      old = reinterpret_cast<ULONG_PTR>(c.icon);
      if (set) c.icon = reinterpret_cast<HICON>(value);
      break;
    case GCL_HBRBACKGROUND:
      old = reinterpret_cast<ULONG_PTR>(c.brush);
      if (set) c.brush = reinterpret_cast<HBRUSH>(value);
      break;
    case GCL_STYLE:
      old = c.style;
      if (set) c.style = static_cast<UINT>(value);
      break;
    case GCL_WNDPROC:
      old = reinterpret_cast<ULONG_PTR>(c.proc);
      if (set) c.proc = reinterpret_cast<WNDPROC>(value);
      break;
    default:
      SetLastError(ERROR_INVALID_INDEX);
      return 0;
  }
  bool cursorChanged = set && index == GCL_HCURSOR && w->isMain && s.inside;
  lk.unlock();
  // The pointer over the client area follows the class cursor at once, as the next WM_SETCURSOR would.
  if (cursorChanged) SetCursor(reinterpret_cast<HCURSOR>(value));
  return old;
}

ULONG_PTR SetClassLongA(HWND h, int i, LONG_PTR v) { return ClassLong(h, i, true, v); }
ULONG_PTR GetClassLongA(HWND h, int i) { return ClassLong(h, i, false, 0); }

// ---- titles ----

static BOOL SetTitle(HWND hwnd, std::string text) {
  State& s = S();
  Lock lk(s.lock);
  auto w = FindOrFail(hwnd);
  if (!w) return FALSE;
  w->title = std::move(text);
  bool isMain = w->isMain;
  lk.unlock();
  if (isMain) os::sdl::SyncMainWindow();
  return TRUE;
}

BOOL SetWindowTextA(HWND hwnd, LPCSTR text) { return SetTitle(hwnd, text ? text : ""); }
BOOL SetWindowTextW(HWND hwnd, LPCWSTR text) { return SetTitle(hwnd, text ? os::Utf16ToUtf8(text) : ""); }

int GetWindowTextA(HWND hwnd, LPSTR buffer, int size) {
  State& s = S();
  Lock lk(s.lock);
  auto w = Find(hwnd);
  if (!w || !buffer || size <= 0) return 0;
  size_t n = std::min(w->title.size(), static_cast<size_t>(size - 1));
  std::memcpy(buffer, w->title.data(), n);
  buffer[n] = 0;
  return static_cast<int>(n);
}

int GetWindowTextW(HWND hwnd, LPWSTR buffer, int size) {
  State& s = S();
  Lock lk(s.lock);
  auto w = Find(hwnd);
  if (!w || !buffer || size <= 0) return 0;
  std::u16string t = os::Utf8ToUtf16(w->title);
  size_t n = std::min(t.size(), static_cast<size_t>(size - 1));
  std::copy(t.begin(), t.begin() + static_cast<long>(n), buffer);
  buffer[n] = 0;
  return static_cast<int>(n);
}

// ---- showing and placing ----

BOOL ShowWindow(HWND hwnd, int command) {
  State& s = S();
  bool wasVisible, topLevel, foreign;
  {
    Lock lk(s.lock);
    auto w = FindOrFail(hwnd);
    if (!w) return FALSE;
    wasVisible = w->visible;
    topLevel = !(w->style & WS_CHILD);
    foreign = w->foreign || w->remote;
    if (w->remote) {
      std::string cls = w->remoteClass;
      lk.unlock();
      os::remote::Request(cls, "show " + std::to_string(command));
      return wasVisible;
    }
    if (foreign) {
      w->visible = command != SW_HIDE;
      w->minimized = command == SW_MINIMIZE || command == SW_SHOWMINIMIZED || command == SW_SHOWMINNOACTIVE;
      return wasVisible;
    }
    w->visible = command != SW_HIDE;
  }
  if (wasVisible != (command != SW_HIDE)) {
    SendMessageA(hwnd, WM_SHOWWINDOW, command != SW_HIDE, 0);
    os::sdl::SyncMainWindow();
  }
  switch (command) {
    case SW_HIDE:
      if (GetActiveWindow() == hwnd) DeactivateApp(OtherProgramWindow());
      break;
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
    case SW_SHOWMINNOACTIVE:
      SetMinimizedState(hwnd, true);
      break;
    case SW_MAXIMIZE:
      SetMaximizedState(hwnd);
      if (topLevel) ActivateOurs(hwnd, WA_ACTIVE);
      break;
    case SW_SHOWNORMAL:
    case SW_RESTORE:
    case SW_SHOWNOACTIVATE: {
      bool zoomed;
      {
        Lock lk(s.lock);
        auto w = Find(hwnd);
        zoomed = w && w->maximized && !w->minimized;
        if (w && zoomed) w->maximized = false;
      }
      if (IsIconic(hwnd)) SetMinimizedState(hwnd, false);
      else if (zoomed) {
        SendPosChanged(hwnd, true, true);
        SendMessageA(hwnd, WM_SIZE, SIZE_RESTORED, ClientSizeParam(hwnd));
      }
      if (topLevel && command != SW_SHOWNOACTIVATE) ActivateOurs(hwnd, WA_ACTIVE);
      break;
    }
    case SW_SHOW:
      if (topLevel) ActivateOurs(hwnd, WA_ACTIVE);
      break;
    default:
      break;
  }
  if (!wasVisible && command != SW_HIDE) InvalidateRect(hwnd, nullptr, TRUE);
  return wasVisible;
}

BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
  if (os::ShouldFail("SetWindowPos")) return FALSE;
  State& s = S();
  WINDOWPOS wp{};
  bool topLevel;
  {
    Lock lk(s.lock);
    auto w = FindOrFail(hwnd);
    if (!w) return FALSE;
    topLevel = !(w->style & WS_CHILD);
    wp.hwnd = hwnd;
    wp.hwndInsertAfter = insertAfter;
    wp.x = (flags & SWP_NOMOVE) ? w->rect.left : x;
    wp.y = (flags & SWP_NOMOVE) ? w->rect.top : y;
    wp.cx = (flags & SWP_NOSIZE) ? w->rect.right - w->rect.left : cx;
    wp.cy = (flags & SWP_NOSIZE) ? w->rect.bottom - w->rect.top : cy;
    wp.flags = flags;
    if (w->foreign || w->remote) {
      if (!(flags & SWP_NOMOVE) || !(flags & SWP_NOSIZE)) w->rect = RECT{wp.x, wp.y, wp.x + wp.cx, wp.y + wp.cy};
      return TRUE;
    }
  }
  SendMessageA(hwnd, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&wp));
  bool moved = false, sized = false, isMain = false;
  {
    Lock lk(s.lock);
    auto w = Find(hwnd);
    if (!w) return FALSE;
    isMain = w->isMain;
    RECT before = w->rect;
    RECT beforeClient = ClientScreenRect(*w);
    if (!(wp.flags & SWP_NOMOVE)) {
      w->rect.right += wp.x - w->rect.left;
      w->rect.bottom += wp.y - w->rect.top;
      w->rect.left = wp.x;
      w->rect.top = wp.y;
    }
    if (!(wp.flags & SWP_NOSIZE)) {
      w->rect.right = w->rect.left + std::max(0, wp.cx);
      w->rect.bottom = w->rect.top + std::max(0, wp.cy);
    }
    RECT afterClient = ClientScreenRect(*w);
    moved = before.left != w->rect.left || before.top != w->rect.top;
    sized = (beforeClient.right - beforeClient.left) != (afterClient.right - afterClient.left) ||
            (beforeClient.bottom - beforeClient.top) != (afterClient.bottom - afterClient.top);
    if (!(wp.flags & SWP_NOZORDER) && topLevel) {
      if (insertAfter == HWND_TOPMOST) w->exStyle |= WS_EX_TOPMOST;
      if (insertAfter == HWND_NOTOPMOST) w->exStyle &= ~WS_EX_TOPMOST;
      if (insertAfter == HWND_BOTTOM) {
        s.zorder.erase(std::remove(s.zorder.begin(), s.zorder.end(), hwnd), s.zorder.end());
        s.zorder.push_back(hwnd);
      } else if (insertAfter == HWND_TOP || insertAfter == HWND_TOPMOST || insertAfter == HWND_NOTOPMOST) {
        BringToFront(s, hwnd);
      }
    }
    if (wp.flags & SWP_SHOWWINDOW) w->visible = true;
    if (wp.flags & SWP_HIDEWINDOW) w->visible = false;
    wp.x = w->rect.left;
    wp.y = w->rect.top;
    wp.cx = w->rect.right - w->rect.left;
    wp.cy = w->rect.bottom - w->rect.top;
    if (!moved) wp.flags |= SWP_NOCLIENTMOVE;
    if (!sized) wp.flags |= SWP_NOCLIENTSIZE;
  }
  if (isMain) os::sdl::SyncMainWindow();
  if (topLevel && !(flags & SWP_NOACTIVATE) && IsWindowVisible(hwnd)) ActivateOurs(hwnd, WA_ACTIVE);
  SendMessageA(hwnd, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&wp));
  return TRUE;
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL) {
  return SetWindowPos(hwnd, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL GetWindowRect(HWND hwnd, RECT* rect) {
  if (!rect) return FALSE;
  return OnWindow(hwnd, [&](Window& w) {
    *rect = w.minimized ? RECT{-32000, -32000, -32000 + 160, -32000 + 28} : ScreenRect(w);
  });
}

BOOL GetClientRect(HWND hwnd, RECT* rect) {
  if (!rect) return FALSE;
  return OnWindow(hwnd, [&](Window& w) {
    RECT c = w.minimized ? RECT{0, 0, 0, 0} : ClientScreenRect(w);
    *rect = RECT{0, 0, c.right - c.left, c.bottom - c.top};
  });
}

BOOL ClientToScreen(HWND hwnd, POINT* point) {
  if (!point) return FALSE;
  return OnWindow(hwnd, [&](Window& w) {
    RECT c = ClientScreenRect(w);
    point->x += c.left;
    point->y += c.top;
  });
}

BOOL ScreenToClient(HWND hwnd, POINT* point) {
  if (!point) return FALSE;
  return OnWindow(hwnd, [&](Window& w) {
    RECT c = ClientScreenRect(w);
    point->x -= c.left;
    point->y -= c.top;
  });
}

BOOL AdjustWindowRectEx(RECT* rect, DWORD style, BOOL hasMenu, DWORD exStyle) {
  if (!rect) return FALSE;
  RECT f = FrameOf(style, exStyle);
  rect->left -= f.left;
  rect->top -= f.top + (hasMenu ? Metric(SM_CYCAPTION) : 0);
  rect->right += f.right;
  rect->bottom += f.bottom;
  return TRUE;
}

BOOL AdjustWindowRect(RECT* rect, DWORD style, BOOL hasMenu) { return AdjustWindowRectEx(rect, style, hasMenu, 0); }

// ---- relations ----

HWND GetParent(HWND hwnd) {
  State& s = S();
  Lock lk(s.lock);
  auto w = Find(hwnd);
  if (!w) return nullptr;
  return (w->style & WS_CHILD) ? w->parent : w->owner;
}

HWND SetParent(HWND child, HWND newParent) {
  State& s = S();
  Lock lk(s.lock);
  auto w = Find(child);
  if (!w || (newParent && !Find(newParent))) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  HWND old = w->parent ? w->parent : GetDesktopWindow();
  bool wasTop = !(w->style & WS_CHILD) || !w->parent;
  w->parent = newParent;
  bool isTop = !newParent || !(w->style & WS_CHILD);
  if (wasTop && !isTop) s.zorder.erase(std::remove(s.zorder.begin(), s.zorder.end(), child), s.zorder.end());
  if (!wasTop && isTop) s.zorder.insert(s.zorder.begin(), child);
  return old;
}

HWND GetAncestor(HWND hwnd, UINT flags) {
  if (!Find(hwnd)) return nullptr;
  switch (flags) {
    case GA_PARENT: {
      HWND p = GetParent(hwnd);
      State& s = S();
      Lock lk(s.lock);
      auto w = Find(hwnd);
      return (w && (w->style & WS_CHILD)) ? p : GetDesktopWindow();
    }
    case GA_ROOT:
      return RootOf(hwnd);
    case GA_ROOTOWNER: {
      HWND cur = RootOf(hwnd);
      for (int guard = 0; guard < 64; ++guard) {
        HWND owner = GetWindow(cur, GW_OWNER);
        if (!owner) break;
        cur = RootOf(owner);
      }
      return cur;
    }
    default:
      return nullptr;
  }
}

HWND GetWindow(HWND hwnd, UINT command) {
  State& s = S();
  Lock lk(s.lock);
  auto w = Find(hwnd);
  if (!w) return nullptr;
  if (command == GW_OWNER) return (w->style & WS_CHILD) ? nullptr : w->owner;
  if (command == GW_CHILD) {
    for (HWND h : s.windows) {
      auto c = Find(h);
      if (c && (c->style & WS_CHILD) && c->parent == hwnd) return h;
    }
    return nullptr;
  }
  // Siblings: top-level windows by z-order, children by creation order.
  std::vector<HWND> siblings;
  if (!(w->style & WS_CHILD)) {
    siblings = s.zorder;
  } else {
    for (HWND h : s.windows) {
      auto c = Find(h);
      if (c && (c->style & WS_CHILD) && c->parent == w->parent) siblings.push_back(h);
    }
  }
  if (siblings.empty()) return nullptr;
  auto it = std::find(siblings.begin(), siblings.end(), hwnd);
  switch (command) {
    case GW_HWNDFIRST: return siblings.front();
    case GW_HWNDLAST: return siblings.back();
    case GW_HWNDNEXT: return (it == siblings.end() || it + 1 == siblings.end()) ? nullptr : *(it + 1);
    case GW_HWNDPREV: return (it == siblings.end() || it == siblings.begin()) ? nullptr : *(it - 1);
    default: return nullptr;
  }
}

HWND GetTopWindow(HWND hwnd) {
  State& s = S();
  Lock lk(s.lock);
  if (!hwnd) return s.zorder.empty() ? nullptr : s.zorder.front();
  return GetWindow(hwnd, GW_CHILD);
}

HWND GetDesktopWindow() {
  State& s = S();
  Lock lk(s.lock);
  if (!s.desktop) {
    // A handle of its own, never a live window of ours.
    s.desktop = static_cast<HWND>(os::NewHandle(std::make_shared<os::HandleObject>()));
  }
  return s.desktop;
}

HWND FindWindowA(LPCSTR className, LPCSTR windowName) {
  State& s = S();
  {
    Lock lk(s.lock);
    for (HWND h : s.zorder) {
      auto w = Find(h);
      if (!w) continue;
      std::string cls = w->remote ? w->remoteClass : w->cls ? w->cls->name : w->remoteClass;
      if (className && Lower(cls) != Lower(className)) continue;
      if (windowName && w->title != windowName) continue;
      return h;
    }
  }
  if (!className || !os::remote::Request(className, "ping")) return nullptr;
  // Another process of ours serves that class: hand out a proxy for its window.
  auto w = std::make_shared<Window>();
  w->remote = true;
  w->visible = true;
  w->remoteClass = className;
  w->title = windowName ? windowName : "";
  HWND h = static_cast<HWND>(os::NewHandle(w));
  w->self = h;
  Lock lk(s.lock);
  s.windows.push_back(h);
  s.zorder.push_back(h);
  return h;
}

DWORD GetWindowThreadProcessId(HWND hwnd, DWORD* processId) {
  State& s = S();
  Lock lk(s.lock);
  auto w = Find(hwnd);
  if (!w) return 0;
  if (processId) *processId = w->foreign || w->remote ? 0 : static_cast<DWORD>(getpid());
  return w->thread;
}

HMENU GetMenu(HWND) { return nullptr; }

HMENU GetSystemMenu(HWND hwnd, BOOL) {
  return Find(hwnd) ? reinterpret_cast<HMENU>(static_cast<uintptr_t>(0x5E00)) : nullptr;
}

BOOL SetMenuItemInfoA(HMENU menu, UINT item, BOOL byPosition, const MENUITEMINFOA* info) {
  if (!menu || !info) return FALSE;
  State& s = S();
  Lock lk(s.lock);
  s.menuCalls.push_back(os::MenuCall{item, byPosition, (info->fMask & MIIM_STATE) ? info->fState : 0});
  return TRUE;
}

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
