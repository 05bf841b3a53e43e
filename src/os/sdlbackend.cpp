// The SDL2 back end of the windowing layer: the one real window, and the translation of SDL's
// window, keyboard, text and mouse events into the Windows messages the pump expects. SDL video is
// used from the thread that first initialised it only; other threads change bookkeeping, which this
// thread applies at its next pump. The simulated input of the test control interface is pushed here
// as SDL events, so tests go through the same translation as a real keyboard and mouse.
#include <SDL.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "os/framefit.h"
#include "os/gl.h"
#include "os/time.h"
#include "os/user_internal.h"
#include "os/text.h"

namespace os::sdl {
namespace {

std::mutex gInitLock;
bool gInitTried = false;
bool gReady = false;
std::thread::id gSdlThread;
SDL_Window* gWindow = nullptr;
Uint32 gWindowId = 0;
std::atomic<bool> gDirty{false};
std::atomic<bool> gWarpPending{false};
std::atomic<int> gWarpX{0}, gWarpY{0};
thread_local bool tInPump = false;
Uint32 gFocusGainedAt = 0;
bool gInputSinceFocus = true;
SDL_Cursor* gArrow = nullptr;

struct Applied {
  std::string title;
  int x = INT32_MIN, y = INT32_MIN, w = -1, h = -1;
  int visible = -1, minimized = -1, bordered = -1, topmost = -1;
  int pointerVisible = -1;
  void* cursor = nullptr;
} gApplied;

// Desired pointer appearance, applied on the SDL thread.
std::mutex gPointerLock;
bool gPointerVisible = true;
void* gPointerCursor = nullptr;
int gPointerSystemId = 0;

unsigned ModsOf(Uint16 mod) {
  unsigned m = 0;
  if (mod & KMOD_SHIFT) m |= os::kModShift;
  if (mod & KMOD_CTRL) m |= os::kModCtrl;
  if (mod & KMOD_ALT) m |= os::kModAlt;
  return m;
}

WPARAM MkOf(WPARAM buttons, unsigned mods) {
  return buttons | ((mods & os::kModShift) ? MK_SHIFT : 0) | ((mods & os::kModCtrl) ? MK_CONTROL : 0);
}

using namespace os::user;

os::fit::Window WindowSizes() {
  os::fit::Window w;
  if (!gWindow) return w;
  SDL_GetWindowSize(gWindow, &w.width, &w.height);
  if (SDL_GetWindowFlags(gWindow) & SDL_WINDOW_OPENGL) SDL_GL_GetDrawableSize(gWindow, &w.drawableWidth, &w.drawableHeight);
  return w;
}

// A pointer position SDL gives (window units) as the game's frame pixel under it: the window shows
// the frame fitted into it (see framefit.h), so input goes back through the same placing.
void ToFrame(int x, int y, int* fx, int* fy) {
  int fw, fh;
  if (!gWindow || !os::fit::ShownFrame(&fw, &fh)) {
    *fx = x;
    *fy = y;
    return;
  }
  os::fit::WindowToFrame(WindowSizes(), fw, fh, x, y, fx, fy);
}

void SyncNow() {
  if (!gWindow) return;
  gDirty = false;
  std::string title;
  RECT client{};
  bool visible, minimized, bordered, topmost;
  {
    State& s = S();
    Lock lk(s.lock);
    auto w = Find(s.main);
    if (!w) return;
    title = w->title;
    client = ClientScreenRect(*w);
    visible = w->visible;
    minimized = w->minimized;
    bordered = (w->style & WS_CAPTION) == WS_CAPTION;
    topmost = w->exStyle & WS_EX_TOPMOST;
  }
  if (title != gApplied.title) {
    SDL_SetWindowTitle(gWindow, title.c_str());
    gApplied.title = title;
  }
  if (gApplied.bordered != static_cast<int>(bordered)) {
    SDL_SetWindowBordered(gWindow, bordered ? SDL_TRUE : SDL_FALSE);
    gApplied.bordered = bordered;
  }
  if (gApplied.topmost != static_cast<int>(topmost)) {
    SDL_SetWindowAlwaysOnTop(gWindow, topmost ? SDL_TRUE : SDL_FALSE);
    gApplied.topmost = topmost;
  }
  if (!minimized) {
    int w = client.right - client.left, h = client.bottom - client.top;
    if (w > 0 && h > 0 && (w != gApplied.w || h != gApplied.h)) {
      SDL_SetWindowSize(gWindow, w, h);
      gApplied.w = w;
      gApplied.h = h;
    }
    if (client.left != gApplied.x || client.top != gApplied.y) {
      SDL_SetWindowPosition(gWindow, client.left, client.top);
      gApplied.x = client.left;
      gApplied.y = client.top;
    }
  }
  if (gApplied.visible != static_cast<int>(visible)) {
    if (visible) SDL_ShowWindow(gWindow); else SDL_HideWindow(gWindow);
    gApplied.visible = visible;
  }
  if (gApplied.minimized != static_cast<int>(minimized)) {
    if (minimized) SDL_MinimizeWindow(gWindow);
    else if (gApplied.minimized == 1) SDL_RestoreWindow(gWindow);
    gApplied.minimized = minimized;
  }
  bool pv;
  void* cursor;
  int systemId;
  {
    std::lock_guard<std::mutex> g(gPointerLock);
    pv = gPointerVisible;
    cursor = gPointerCursor;
    systemId = gPointerSystemId;
  }
  if (pv) {
    if (!cursor) {
      if (!gArrow) gArrow = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_ARROW);
      cursor = gArrow;
      (void)systemId;
    }
    if (cursor != gApplied.cursor) {
      SDL_SetCursor(static_cast<SDL_Cursor*>(cursor));
      gApplied.cursor = cursor;
    }
  }
  if (gApplied.pointerVisible != static_cast<int>(pv)) {
    SDL_ShowCursor(pv ? SDL_ENABLE : SDL_DISABLE);
    gApplied.pointerVisible = pv;
  }
  if (gWarpPending.exchange(false)) {
    int x = gWarpX, y = gWarpY, fw, fh;
    if (os::fit::ShownFrame(&fw, &fh)) os::fit::FrameToWindow(WindowSizes(), fw, fh, gWarpX, gWarpY, &x, &y);
    SDL_WarpMouseInWindow(gWindow, x, y);
  }
}

HWND MainHwnd() {
  State& s = S();
  Lock lk(s.lock);
  return s.main;
}

HWND KeyTarget() {
  State& s = S();
  Lock lk(s.lock);
  if (s.focus && IsOurs(s.focus)) return s.focus;
  return s.main;
}

HWND MouseTarget() {
  State& s = S();
  Lock lk(s.lock);
  return s.capture ? s.capture : s.main;
}

void CheckDisplayChange() {
  int w, h;
  if (!DesktopSize(&w, &h)) return;
  HWND main;
  {
    State& s = S();
    Lock lk(s.lock);
    if (w == s.screenWidth && h == s.screenHeight) return;
    s.screenWidth = w;
    s.screenHeight = h;
    main = s.main;
  }
  if (main) SendMessageA(main, WM_DISPLAYCHANGE, 32, MAKELPARAM(w, h));
}

void OnKey(const SDL_KeyboardEvent& k) {
  int vk = os::kbd::VkFromSdl(k.keysym.scancode, k.keysym.sym);
  if (!vk) return;
  bool down = k.type == SDL_KEYDOWN;
  unsigned mods = ModsOf(k.keysym.mod);
  {
    State& s = S();
    Lock lk(s.lock);
    s.mods = mods;
    if (down) s.asyncKeys[vk] |= 0x80; else s.asyncKeys[vk] &= 0x7F;
    auto set = [&](int key, bool on) { if (on) s.asyncKeys[key] |= 0x80; else s.asyncKeys[key] &= 0x7F; };
    set(VK_SHIFT, mods & os::kModShift);
    set(VK_CONTROL, mods & os::kModCtrl);
    set(VK_MENU, mods & os::kModAlt);
  }
  gInputSinceFocus = true;
  bool alt = mods & os::kModAlt, ctrl = mods & os::kModCtrl;
  // As on Windows: Alt combinations and F10 are system keys; Ctrl+Alt (AltGr) is not.
  bool sys = (alt && !ctrl) || vk == VK_F10 || (vk == VK_MENU && !ctrl);
  LPARAM l = 1;
  if (os::kbd::IsExtendedScancode(k.keysym.scancode)) l |= KF_EXTENDED_BIT;
  if (alt) l |= KF_ALTDOWN_BIT;
  if (down && k.repeat) l |= KF_REPEAT_BIT;
  if (!down) l |= KF_REPEAT_BIT | KF_UP_BIT;
  UINT msg = down ? (sys ? WM_SYSKEYDOWN : WM_KEYDOWN) : (sys ? WM_SYSKEYUP : WM_KEYUP);
  PostInput(KeyTarget(), msg, static_cast<WPARAM>(vk), l, mods, true);
}

void OnText(const char* text) {
  std::u16string units = os::Utf8ToUtf16(text);
  if (units.empty()) return;
  HWND target = KeyTarget();
  {
    State& s = S();
    Lock lk(s.lock);
    auto w = Find(target);
    if (!w) return;
    // Text that belongs to the key-down just queued rides on it, so that TranslateMessage turns it
    // into WM_CHAR right after that key, as Windows does.
    Queue& q = QueueOf(w->thread);
    if (!q.messages.empty()) {
      QueuedMessage& last = q.messages.back();
      if (last.backend && (last.msg.message == WM_KEYDOWN || last.msg.message == WM_SYSKEYDOWN) &&
          last.text.empty() && !os::kbd::IsModifierVk(static_cast<int>(last.msg.wParam))) {
        last.text = units;
        return;
      }
    }
  }
  for (char16_t u : units) PostInput(target, WM_CHAR, u, 1, 0, true);
}

void OnMotion(const SDL_MouseMotionEvent& motion) {
  POINT m;
  {
    int fx, fy;
    ToFrame(motion.x, motion.y, &fx, &fy);
    m = POINT{fx, fy};
  }
  POINT before;
  unsigned mods;
  WPARAM buttons;
  bool capture, inside;
  {
    State& s = S();
    Lock lk(s.lock);
    before = s.pointer;
    mods = s.mods;
    buttons = s.buttons;
    capture = s.capture != nullptr;
  }
  if (before.x == m.x && before.y == m.y) return;  // no move (for instance the echo of a warp)
  PointerMoved(m.x, m.y);
  HWND main = MainHwnd();
  RECT c{};
  GetClientRect(main, &c);
  inside = m.x >= 0 && m.y >= 0 && m.x < c.right && m.y < c.bottom;
  if (!inside && !capture) return;
  if (inside && !capture) SendMessageA(main, WM_SETCURSOR, reinterpret_cast<WPARAM>(main), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  PostInput(MouseTarget(), WM_MOUSEMOVE, MkOf(buttons, mods), MAKELPARAM(m.x, m.y), mods, true);
}

void OnButton(const SDL_MouseButtonEvent& b) {
  bool down = b.type == SDL_MOUSEBUTTONDOWN;
  WPARAM bit = 0;
  UINT msg = 0;
  WORD xbutton = 0;
  switch (b.button) {
    case SDL_BUTTON_LEFT: bit = MK_LBUTTON; msg = down ? WM_LBUTTONDOWN : WM_LBUTTONUP; break;
    case SDL_BUTTON_RIGHT: bit = MK_RBUTTON; msg = down ? WM_RBUTTONDOWN : WM_RBUTTONUP; break;
    case SDL_BUTTON_MIDDLE: bit = MK_MBUTTON; msg = down ? WM_MBUTTONDOWN : WM_MBUTTONUP; break;
    case SDL_BUTTON_X1: bit = MK_XBUTTON1; xbutton = XBUTTON1; msg = down ? WM_XBUTTONDOWN : WM_XBUTTONUP; break;
    case SDL_BUTTON_X2: bit = MK_XBUTTON2; xbutton = XBUTTON2; msg = down ? WM_XBUTTONDOWN : WM_XBUTTONUP; break;
    default: return;
  }
  HWND main = MainHwnd();
  if (!main) return;
  if (b.x != 0 || b.y != 0) {
    int fx, fy;
    ToFrame(b.x, b.y, &fx, &fy);
    PointerMoved(fx, fy);
  }
  bool clickActivated = false;
  if (down) {
    bool active = GetActiveWindow() == main && GetForegroundWindow() == main;
    bool justFocused = !gInputSinceFocus && SDL_GetTicks() - gFocusGainedAt < 300;
    if (!active || justFocused) {
      // The click that activates the window: WM_MOUSEACTIVATE first, as Windows sends it.
      LRESULT r = SendMessageA(main, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(main), MAKELPARAM(HTCLIENT, msg));
      if (!active && (r == 1 || r == 2)) ActivateOurs(main, WA_CLICKACTIVE);
      clickActivated = r == 2 || r == 4;  // ...ANDEAT: the click itself is swallowed
    }
  }
  gInputSinceFocus = true;
  unsigned mods;
  WPARAM buttons;
  POINT p;
  {
    State& s = S();
    Lock lk(s.lock);
    if (down) s.buttons |= bit; else s.buttons &= ~bit;
    int vk = bit == MK_LBUTTON ? VK_LBUTTON : bit == MK_RBUTTON ? VK_RBUTTON : bit == MK_MBUTTON ? VK_MBUTTON
             : bit == MK_XBUTTON1 ? VK_XBUTTON1 : VK_XBUTTON2;
    if (down) s.asyncKeys[vk] |= 0x80; else s.asyncKeys[vk] &= 0x7F;
    mods = s.mods;
    buttons = s.buttons;
    p = s.pointer;
  }
  if (clickActivated) return;
  WPARAM w = MkOf(buttons, mods);
  if (xbutton) w = MAKEWPARAM(static_cast<int>(w), xbutton);
  PostInput(MouseTarget(), msg, w, MAKELPARAM(p.x, p.y), mods, true);
}

void OnWheel(const SDL_MouseWheelEvent& e) {
  int y = e.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.y : e.y;
  if (y == 0) return;
  unsigned mods;
  WPARAM buttons;
  {
    State& s = S();
    Lock lk(s.lock);
    mods = s.mods;
    buttons = s.buttons;
  }
  POINT screen;
  GetCursorPos(&screen);
  WPARAM w = MAKEWPARAM(static_cast<int>(MkOf(buttons, mods)), y * WHEEL_DELTA);
  PostInput(KeyTarget(), WM_MOUSEWHEEL, w, MAKELPARAM(screen.x, screen.y), mods, true);
}

void OnWindow(const SDL_WindowEvent& e) {
  HWND main = MainHwnd();
  if (!main) return;
  if (e.event == SDL_WINDOWEVENT_EXPOSED || e.event == SDL_WINDOWEVENT_SHOWN || e.event == SDL_WINDOWEVENT_RESTORED ||
      e.event == SDL_WINDOWEVENT_SIZE_CHANGED)
    os::gl::WindowDamaged();
  switch (e.event) {
    case SDL_WINDOWEVENT_EXPOSED: InvalidateRect(main, nullptr, FALSE); break;
    case SDL_WINDOWEVENT_MINIMIZED: SetMinimizedState(main, true); break;
    case SDL_WINDOWEVENT_MAXIMIZED: SetMaximizedState(main); break;
    case SDL_WINDOWEVENT_RESTORED:
      if (IsIconic(main)) {
        SetMinimizedState(main, false);
      } else if (IsZoomed(main)) {
        {
          State& s = S();
          Lock lk(s.lock);
          if (auto w = Find(main)) w->maximized = false;
        }
        RECT c;
        GetClientRect(main, &c);
        SendMessageA(main, WM_SIZE, SIZE_RESTORED, MAKELPARAM(c.right, c.bottom));
      }
      break;
    case SDL_WINDOWEVENT_SIZE_CHANGED: {
      POINT o{0, 0};
      ClientToScreen(main, &o);
      gApplied.w = e.data1;
      gApplied.h = e.data2;
      MainClientChanged(o.x, o.y, e.data1, e.data2);
      break;
    }
    case SDL_WINDOWEVENT_MOVED: {
      RECT c;
      GetClientRect(main, &c);
      gApplied.x = e.data1;
      gApplied.y = e.data2;
      MainClientChanged(e.data1, e.data2, c.right, c.bottom);
      break;
    }
    case SDL_WINDOWEVENT_ENTER: PointerEntered(); break;
    case SDL_WINDOWEVENT_LEAVE: PointerLeft(); break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
      gFocusGainedAt = SDL_GetTicks();
      gInputSinceFocus = false;
      CheckDisplayChange();
      ActivateOurs(main, WA_ACTIVE);
      break;
    case SDL_WINDOWEVENT_FOCUS_LOST: DeactivateApp(OtherProgramWindow()); break;
    case SDL_WINDOWEVENT_CLOSE: PostMessageA(main, WM_SYSCOMMAND, SC_CLOSE, 0); break;
    default: break;
  }
}

// Simulated input state of the test control interface.
Uint16 gTestMod = 0;
Uint32 gTestButtons = 0;
int gTestX = 0, gTestY = 0;
bool gTestKeys[256] = {};

}  // namespace

bool EnsureVideo() {
  std::lock_guard<std::mutex> g(gInitLock);
  if (gInitTried) return gReady && std::this_thread::get_id() == gSdlThread;
  gInitTried = true;
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "os: no video (%s); windows are bookkeeping only\n", SDL_GetError());
    return false;
  }
  gReady = true;
  gSdlThread = std::this_thread::get_id();
  SDL_StartTextInput();
  // Keep the GL library loaded for the process's life: destroying the last GL window would unload
  // it, and the display code opens GL windows again.
  if (SDL_GL_LoadLibrary(nullptr) != 0) SDL_ClearError();
  int w, h;
  if (DesktopSize(&w, &h)) {
    State& s = S();
    Lock lk(s.lock);
    s.screenWidth = w;
    s.screenHeight = h;
  }
  return true;
}

bool VideoReady() { return gReady; }

bool OnSdlThread() { return gReady && std::this_thread::get_id() == gSdlThread; }

bool CreateMainWindow(os::user::Window& w) {
  if (!OnSdlThread()) return false;
  RECT f = FrameOf(w.style, w.exStyle);
  int cw = std::max(1, static_cast<int>(w.rect.right - w.rect.left - f.left - f.right));
  int ch = std::max(1, static_cast<int>(w.rect.bottom - w.rect.top - f.top - f.bottom));
  int x = w.rect.left + f.left, y = w.rect.top + f.top;
  Uint32 flags = SDL_WINDOW_HIDDEN | ((w.style & WS_CAPTION) == WS_CAPTION ? 0 : SDL_WINDOW_BORDERLESS);
  gWindow = SDL_CreateWindow(w.title.c_str(), x, y, cw, ch, flags | SDL_WINDOW_OPENGL);
  if (!gWindow) gWindow = SDL_CreateWindow(w.title.c_str(), x, y, cw, ch, flags);
  if (!gWindow) {
    std::fprintf(stderr, "os: SDL_CreateWindow failed: %s\n", SDL_GetError());
    return false;
  }
  gWindowId = SDL_GetWindowID(gWindow);
  os::fit::ForgetShownFrame();
  gApplied = Applied{};
  gApplied.title = w.title;
  gApplied.x = x;
  gApplied.y = y;
  gApplied.w = cw;
  gApplied.h = ch;
  gApplied.visible = 0;
  gApplied.minimized = 0;
  gApplied.bordered = (w.style & WS_CAPTION) == WS_CAPTION;
  // Drop what SDL queued about earlier windows.
  SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
  return true;
}

void DestroyMainWindow() {
  if (!gWindow) return;
  if (OnSdlThread()) {
    os::gl::LeaveWindow(gWindow);
    SDL_DestroyWindow(gWindow);
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
  }
  gWindow = nullptr;
  gWindowId = 0;
  os::fit::ForgetShownFrame();
}

void SyncMainWindow() {
  if (!gWindow) return;
  if (OnSdlThread() && !tInPump) SyncNow();
  else gDirty = true;
}

// An event of our own that only wakes a waiting SDL thread (registered at the first wait; other
// threads read it).
std::atomic<uint32_t> gWakeEvent{0};

bool WaitForEvents(int ms) {
  if (!gReady || !OnSdlThread() || tInPump) return false;
  // Only the display servers' drivers sleep on their connection; the others' wait polls every
  // millisecond, which costs more than the caller's own few-millisecond naps.
  static const bool blocks = [] {
    const char* driver = SDL_GetCurrentVideoDriver();
    return driver && (std::strcmp(driver, "x11") == 0 || std::strcmp(driver, "wayland") == 0);
  }();
  if (!blocks) return false;
  if (!gWakeEvent) {
    uint32_t type = SDL_RegisterEvents(1);
    gWakeEvent = type == uint32_t(-1) ? 0 : type;
  }
  SDL_WaitEventTimeout(nullptr, ms);
  return true;
}

void Wake() {
  const uint32_t type = gWakeEvent.load();
  if (!gReady || !type || OnSdlThread()) return;
  SDL_Event e{};
  e.type = type;
  SDL_PushEvent(&e);
}

void Pump() {
  if (!gReady || !OnSdlThread() || tInPump) return;
  tInPump = true;
  if (gDirty || gWarpPending) SyncNow();
  SDL_Event e;
  while (SDL_PollEvent(&e)) {
    switch (e.type) {
      case SDL_KEYDOWN:
      case SDL_KEYUP: OnKey(e.key); break;
      case SDL_TEXTINPUT: OnText(e.text.text); break;
      case SDL_MOUSEMOTION: OnMotion(e.motion); break;
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP: OnButton(e.button); break;
      case SDL_MOUSEWHEEL: OnWheel(e.wheel); break;
      case SDL_WINDOWEVENT: OnWindow(e.window); break;
      case SDL_DISPLAYEVENT: CheckDisplayChange(); break;
      case SDL_QUIT:
        if (HWND main = MainHwnd()) PostMessageA(main, WM_SYSCOMMAND, SC_CLOSE, 0);
        break;
      default: break;
    }
  }
  if (gDirty) SyncNow();
  tInPump = false;
}

void WarpPointer(int clientX, int clientY) {
  if (!gWindow) return;
  gWarpX = clientX;
  gWarpY = clientY;
  gWarpPending = true;
  if (OnSdlThread() && !tInPump) SyncNow();
}

void CapturePointer(bool on) {
  if (gWindow && OnSdlThread()) SDL_CaptureMouse(on ? SDL_TRUE : SDL_FALSE);
}

void* MakeColorCursor(const uint32_t* argb, int width, int height, int pitch, int hotX, int hotY) {
  if (!argb || width <= 0 || height <= 0 || pitch < width || !OnSdlThread()) return nullptr;
  SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(argb), width, height, 32,
                                                            pitch * 4, SDL_PIXELFORMAT_ARGB8888);
  if (!surface) return nullptr;
  SDL_Cursor* cursor = SDL_CreateColorCursor(surface, hotX, hotY);
  SDL_FreeSurface(surface);
  return cursor;
}

void FreeColorCursor(void* cursor) {
  if (cursor && OnSdlThread()) SDL_FreeCursor(static_cast<SDL_Cursor*>(cursor));
}

void ShowPointer(bool visible, void* sdlCursor, int systemId) {
  {
    std::lock_guard<std::mutex> g(gPointerLock);
    gPointerVisible = visible;
    gPointerCursor = sdlCursor;
    gPointerSystemId = systemId;
  }
  SyncMainWindow();
}

void RaiseMainWindow() {
  if (gWindow && OnSdlThread()) SDL_RaiseWindow(gWindow);
}

bool DesktopSize(int* width, int* height) {
  SDL_DisplayMode mode;
  if (!gReady || SDL_GetDesktopDisplayMode(0, &mode) != 0) return false;
  *width = mode.w;
  *height = mode.h;
  return true;
}

bool UsableBounds(RECT* rect) {
  SDL_Rect r;
  if (!gReady || SDL_GetDisplayUsableBounds(0, &r) != 0) return false;
  *rect = RECT{r.x, r.y, r.x + r.w, r.y + r.h};
  return true;
}

void* MainSdlWindow() { return gWindow; }

void ResetTestInput() {
  gTestMod = 0;
  gTestButtons = 0;
  gTestX = gTestY = 0;
  std::memset(gTestKeys, 0, sizeof(gTestKeys));
  if (gReady && OnSdlThread()) SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
}

}  // namespace os::sdl

// ---- simulated input (test control) ----

namespace os {
using namespace os::sdl;

static void Push(SDL_Event& e) {
  if (!EnsureVideo() && !VideoReady()) return;
  SDL_PushEvent(&e);
}

void TestKey(int vk, bool down) {
  if (vk <= 0 || vk > 255) return;
  Uint16 bit = vk == VK_SHIFT ? KMOD_LSHIFT : vk == VK_CONTROL ? KMOD_LCTRL : vk == VK_MENU ? KMOD_LALT : 0;
  if (down) gTestMod |= bit; else gTestMod &= static_cast<Uint16>(~bit);
  SDL_Event e{};
  e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
  e.key.windowID = gWindowId;
  e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
  e.key.repeat = down && gTestKeys[vk];
  gTestKeys[vk] = down;
  auto sc = static_cast<SDL_Scancode>(os::kbd::SdlScancodeFromVk(vk, false));
  e.key.keysym.scancode = sc;
  e.key.keysym.sym = SDL_GetKeyFromScancode(sc);
  if (vk >= 'A' && vk <= 'Z') e.key.keysym.sym = vk - 'A' + 'a';
  e.key.keysym.mod = gTestMod;
  Push(e);
}

void TestText(const std::string& utf8) {
  size_t i = 0;
  while (i < utf8.size()) {
    size_t n = std::min<size_t>(utf8.size() - i, SDL_TEXTINPUTEVENT_TEXT_SIZE - 1);
    while (n > 0 && i + n < utf8.size() && (static_cast<unsigned char>(utf8[i + n]) & 0xC0) == 0x80) --n;
    SDL_Event e{};
    e.type = SDL_TEXTINPUT;
    e.text.windowID = gWindowId;
    std::memcpy(e.text.text, utf8.data() + i, n);
    e.text.text[n] = 0;
    Push(e);
    i += n;
  }
}

void TestKeyPress(int vk) {
  TestKey(vk, true);
  unsigned mods = ModsOf(gTestMod);
  if (!(mods & (kModCtrl | kModAlt))) {
    std::u16string chars = os::kbd::CharsForKey(vk, mods, false);
    if (chars.size() == 1 && chars[0] >= 0x20 && chars[0] != 0x7F) TestText(os::Utf16ToUtf8(chars));
  }
  TestKey(vk, false);
}

void TestMouseMove(int x, int y) {
  SDL_Event e{};
  e.type = SDL_MOUSEMOTION;
  e.motion.windowID = gWindowId;
  e.motion.x = x;
  e.motion.y = y;
  e.motion.xrel = x - gTestX;
  e.motion.yrel = y - gTestY;
  e.motion.state = gTestButtons;
  gTestX = x;
  gTestY = y;
  Push(e);
}

void TestMouseButton(int button, bool down) {
  if (button < 1 || button > 5) return;
  if (down) gTestButtons |= SDL_BUTTON(button); else gTestButtons &= ~SDL_BUTTON(button);
  SDL_Event e{};
  e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
  e.button.windowID = gWindowId;
  e.button.button = static_cast<Uint8>(button);
  e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
  e.button.clicks = 1;
  e.button.x = gTestX;
  e.button.y = gTestY;
  Push(e);
}

void TestMouseWheel(int notches) {
  SDL_Event e{};
  e.type = SDL_MOUSEWHEEL;
  e.wheel.windowID = gWindowId;
  e.wheel.y = notches;
  e.wheel.direction = SDL_MOUSEWHEEL_NORMAL;
  Push(e);
}

void TestWindowEvent(WindowEvent event) {
  SDL_Event e{};
  e.type = SDL_WINDOWEVENT;
  e.window.windowID = gWindowId;
  switch (event) {
    case WindowEvent::FocusGained: e.window.event = SDL_WINDOWEVENT_FOCUS_GAINED; break;
    case WindowEvent::FocusLost: e.window.event = SDL_WINDOWEVENT_FOCUS_LOST; break;
    case WindowEvent::Minimized: e.window.event = SDL_WINDOWEVENT_MINIMIZED; break;
    case WindowEvent::Restored: e.window.event = SDL_WINDOWEVENT_RESTORED; break;
    case WindowEvent::Maximized: e.window.event = SDL_WINDOWEVENT_MAXIMIZED; break;
    case WindowEvent::Exposed: e.window.event = SDL_WINDOWEVENT_EXPOSED; break;
    case WindowEvent::Close: e.window.event = SDL_WINDOWEVENT_CLOSE; break;
    case WindowEvent::Enter: e.window.event = SDL_WINDOWEVENT_ENTER; break;
    case WindowEvent::Leave: e.window.event = SDL_WINDOWEVENT_LEAVE; break;
  }
  Push(e);
}

}  // namespace os
