// Windows of the stand-in: state queries, window and class longs, titles, showing, placing and
// sizing, coordinates, and the relations between windows (parents, z-order, lookup by name).
#include <algorithm>
#include <cctype>
#include <cstring>
#include <unistd.h>

#include "os/faultinject.h"
#include "os/time.h"
#include "os/user_internal.h"
#include "os/text.h"

using namespace os::user;

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
