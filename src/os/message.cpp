// Per-thread message queues of the stand-in: posting, sending, peeking in Windows' retrieval order
// (posted and input messages, then WM_QUIT, WM_PAINT, WM_TIMER), TranslateMessage's character
// messages, the key state as of the message being handled, timers, capture, hover and leave
// tracking, and the pointer.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "os/faultinject.h"
#include "os/time.h"
#include "os/user_internal.h"
#include "os/text.h"

namespace os::user {

DWORD CurrentThread() {
  static std::atomic<DWORD> next{1};
  thread_local DWORD id = next++;
  return id;
}

Queue& QueueOf(DWORD thread) {
  State& s = S();
  auto& q = s.queues[thread];
  if (!q) {
    q = std::make_shared<Queue>();
    q->thread = thread;
  }
  return *q;
}

void ForgetThread(DWORD thread) {
  State& s = S();
  Lock lk(s.lock);
  s.queues.erase(thread);
  s.timers.erase(std::remove_if(s.timers.begin(), s.timers.end(),
                                [&](const Timer& t) { return !t.hwnd && t.thread == thread; }),
                 s.timers.end());
}

static POINT ScreenPointer() {
  State& s = S();
  Lock lk(s.lock);
  POINT p = s.pointer;
  if (auto w = Find(s.main)) {
    RECT c = ClientScreenRect(*w);
    p.x += c.left;
    p.y += c.top;
  }
  return p;
}

void Enqueue(DWORD thread, QueuedMessage m) {
  State& s = S();
  QueueOf(thread).messages.push_back(std::move(m));
  s.wake.notify_all();
  sdl::Wake();
}

void PostInput(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, unsigned mods, bool backend, std::u16string text) {
  State& s = S();
  Lock lk(s.lock);
  auto w = Find(hwnd);
  if (!w || w->foreign || w->remote) return;
  QueuedMessage m;
  m.msg = MSG{hwnd, msg, wParam, lParam, timeGetTime(), ScreenPointer()};
  m.input = true;
  m.backend = backend;
  m.mods = mods;
  m.text = std::move(text);
  Enqueue(w->thread, std::move(m));
}

static bool IsKeyMessage(UINT m) { return m >= WM_KEYDOWN && m <= WM_SYSKEYUP && m != WM_CHAR && m != WM_DEADCHAR; }

// Windows updates a thread's key state as it takes input messages; tests see the same.
static void UpdateKeyState(Queue& q, const QueuedMessage& m) {
  auto setDown = [&](int vk, bool down) {
    if (down) {
      if (!(q.keys[vk] & 0x80)) q.keys[vk] ^= 0x01;
      q.keys[vk] |= 0x80;
    } else {
      q.keys[vk] &= static_cast<BYTE>(~0x80);
    }
  };
  UINT msg = m.msg.message;
  if (IsKeyMessage(msg)) {
    int vk = static_cast<int>(m.msg.wParam & 0xFF);
    setDown(vk, !(m.msg.lParam & KF_UP_BIT));
  } else if (msg >= WM_MOUSEMOVE && msg <= WM_XBUTTONUP) {
    WPARAM b = msg == WM_MOUSEWHEEL ? LOWORD(m.msg.wParam) : m.msg.wParam;
    setDown(VK_LBUTTON, b & MK_LBUTTON);
    setDown(VK_RBUTTON, b & MK_RBUTTON);
    setDown(VK_MBUTTON, b & MK_MBUTTON);
    setDown(VK_XBUTTON1, b & MK_XBUTTON1);
    setDown(VK_XBUTTON2, b & MK_XBUTTON2);
  } else {
    return;
  }
  setDown(VK_SHIFT, m.mods & kModShift);
  setDown(VK_CONTROL, m.mods & kModCtrl);
  setDown(VK_MENU, m.mods & kModAlt);
}

static bool InRange(UINT msg, UINT lo, UINT hi) { return (lo == 0 && hi == 0) || (msg >= lo && msg <= hi); }

static bool WindowMatches(HWND msgHwnd, HWND filter) {
  if (!filter) return true;
  if (filter == reinterpret_cast<HWND>(static_cast<intptr_t>(-1))) return msgHwnd == nullptr;
  return IsDescendant(msgHwnd, filter);
}

void ServiceTracking() {
  State& s = S();
  Lock lk(s.lock);
  auto w = Find(s.hoverWindow);
  if (!w || w->thread != CurrentThread() || !s.inside) return;
  if (static_cast<DWORD>(timeGetTime() - s.hoverStart) < s.hoverTime) return;
  HWND h = s.hoverWindow;
  s.hoverWindow = nullptr;
  POINT p = ScreenPointer();
  RECT c = ClientScreenRect(*w);
  QueuedMessage m;
  m.msg = MSG{h, WM_MOUSEHOVER, s.buttons, MAKELPARAM(p.x - c.left, p.y - c.top), timeGetTime(), p};
  Enqueue(w->thread, std::move(m));
}

void ServiceRemoteRequests() {
  std::vector<std::string> requests;
  HWND main;
  {
    State& s = S();
    Lock lk(s.lock);
    requests.swap(s.pendingRemote);
    main = s.main;
  }
  if (!main) return;
  for (const std::string& r : requests) {
    if (r == "raise") {
      SetForegroundWindow(main);
    } else if (r.rfind("show ", 0) == 0) {
      ShowWindow(main, std::atoi(r.c_str() + 5));
    }
  }
}

static BOOL Peek(MSG* out, HWND hwnd, UINT lo, UINT hi, UINT flags, bool wide) {
  if (!out) return FALSE;
  if (sdl::OnSdlThread()) {
    sdl::Pump();
    ServiceRemoteRequests();
  }
  ServiceTracking();
  State& s = S();
  Lock lk(s.lock);
  DWORD tid = CurrentThread();
  Queue& q = QueueOf(tid);
  bool remove = flags & PM_REMOVE;
  for (auto it = q.messages.begin(); it != q.messages.end();) {
    if (!InRange(it->msg.message, lo, hi) || !WindowMatches(it->msg.hwnd, hwnd)) {
      ++it;
      continue;
    }
    QueuedMessage m = *it;
    if (!wide && (m.msg.message == WM_CHAR || m.msg.message == WM_SYSCHAR) && !m.ansiByte && m.msg.wParam >= 0x80) {
      // The ANSI code page is UTF-8: an ANSI reader gets the character's bytes, one message each,
      // as a multi-byte code page hands them out. A surrogate pair becomes one character first.
      std::u16string units(1, static_cast<char16_t>(m.msg.wParam));
      auto next = std::next(it);
      bool pair = units[0] >= 0xD800 && units[0] < 0xDC00 && next != q.messages.end() &&
                  next->msg.message == m.msg.message && next->msg.wParam >= 0xDC00 && next->msg.wParam < 0xE000;
      if (pair) units.push_back(static_cast<char16_t>(next->msg.wParam));
      std::string bytes = os::Utf16ToUtf8(units);
      m.msg.wParam = static_cast<unsigned char>(bytes[0]);
      if (remove) {
        it = q.messages.erase(it);
        if (pair) it = q.messages.erase(it);
        for (size_t i = 1; i < bytes.size(); ++i) {
          QueuedMessage b = m;
          b.msg.wParam = static_cast<unsigned char>(bytes[i]);
          b.ansiByte = true;
          it = std::next(q.messages.insert(it, b));
        }
        *out = m.msg;
        s.lastMessageTime = m.msg.time;
        return TRUE;
      }
    }
    if (remove) {
      q.messages.erase(it);
      if (m.input) UpdateKeyState(q, m);
      if (IsKeyMessage(m.msg.message)) {
        q.lastKey.valid = true;
        q.lastKey.msg = m.msg;
        q.lastKey.text = m.text;
        q.lastKey.backend = m.backend;
        q.lastKey.mods = m.mods;
      }
    }
    *out = m.msg;
    s.lastMessageTime = m.msg.time;
    return TRUE;
  }
  if (q.quit && InRange(WM_QUIT, lo, hi)) {
    *out = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(q.quitCode), 0, timeGetTime(), ScreenPointer()};
    if (remove) q.quit = false;
    return TRUE;
  }
  if (InRange(WM_PAINT, lo, hi)) {
    for (HWND h : s.windows) {
      auto w = Find(h);
      if (w && w->thread == tid && w->needsPaint && w->visible && WindowMatches(h, hwnd)) {
        *out = MSG{h, WM_PAINT, 0, 0, timeGetTime(), ScreenPointer()};
        return TRUE;
      }
    }
  }
  if (InRange(WM_TIMER, lo, hi)) {
    DWORD now = timeGetTime();
    Timer* best = nullptr;
    for (Timer& t : s.timers) {
      if (t.thread != tid || static_cast<int32_t>(now - t.due) < 0 || !WindowMatches(t.hwnd, hwnd)) continue;
      if (!best || static_cast<int32_t>(t.due - best->due) < 0) best = &t;
    }
    if (best) {
      *out = MSG{best->hwnd, WM_TIMER, best->id, reinterpret_cast<LPARAM>(best->proc), now, ScreenPointer()};
      if (remove) best->due = now + best->ms;
      return TRUE;
    }
  }
  return FALSE;
}

static BOOL Get(MSG* msg, HWND hwnd, UINT lo, UINT hi, bool wide) {
  if (!msg) return -1;
  for (;;) {
    if (Peek(msg, hwnd, lo, hi, PM_REMOVE, wide)) return msg->message != WM_QUIT;
    if (hwnd && !IsWindow(hwnd)) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return -1;
    }
    State& s = S();
    Lock lk(s.lock);
    s.wake.wait_for(lk, std::chrono::milliseconds(sdl::OnSdlThread() ? 5 : 20));
  }
}

static LRESULT Send(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  WNDPROC proc;
  {
    State& s = S();
    Lock lk(s.lock);
    auto w = FindOrFail(hwnd);
    if (!w) return 0;
    if (w->foreign || w->remote) {
      w->record.push_back(RecordedMessage{hwnd, msg, wParam, lParam, true});
      return 0;
    }
    proc = w->proc;
  }
  return proc ? proc(hwnd, msg, wParam, lParam) : 0;
}

static BOOL Post(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  State& s = S();
  Lock lk(s.lock);
  DWORD thread = CurrentThread();
  if (hwnd) {
    auto w = FindOrFail(hwnd);
    if (!w) return FALSE;
    if (w->foreign || w->remote) {
      w->record.push_back(RecordedMessage{hwnd, msg, wParam, lParam, false});
      return TRUE;
    }
    thread = w->thread;
  }
  QueuedMessage m;
  m.msg = MSG{hwnd, msg, wParam, lParam, timeGetTime(), ScreenPointer()};
  Enqueue(thread, std::move(m));
  return TRUE;
}

static LRESULT Dispatch(const MSG* msg) {
  if (!msg) return 0;
  if (msg->message == WM_TIMER && msg->lParam) {
    reinterpret_cast<TIMERPROC>(msg->lParam)(msg->hwnd, WM_TIMER, msg->wParam, timeGetTime());
    return 0;
  }
  if (!msg->hwnd) return 0;
  return Send(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

void PointerMoved(int clientX, int clientY) {
  State& s = S();
  Lock lk(s.lock);
  s.pointer = POINT{clientX, clientY};
  if (auto w = Find(s.main)) {
    RECT c = ClientScreenRect(*w);
    bool within = clientX >= 0 && clientY >= 0 && clientX < c.right - c.left && clientY < c.bottom - c.top;
    if (within) s.inside = true;
  }
  // The hover box is 4 by 4 pixels around where the pointer settled.
  if (s.hoverWindow && (std::abs(clientX - s.hoverAnchor.x) > 2 || std::abs(clientY - s.hoverAnchor.y) > 2)) {
    s.hoverAnchor = s.pointer;
    s.hoverStart = timeGetTime();
  }
}

void PointerEntered() {
  State& s = S();
  Lock lk(s.lock);
  s.inside = true;
}

void PointerLeft() {
  State& s = S();
  Lock lk(s.lock);
  s.inside = false;
  if (!s.leaveWindow) return;
  if (s.capture && s.capture == s.main) {
    s.leaveDeferred = true;  // no WM_MOUSELEAVE while the mouse is captured
    return;
  }
  HWND h = s.leaveWindow;
  s.leaveWindow = nullptr;
  s.hoverWindow = nullptr;
  lk.unlock();
  Post(h, WM_MOUSELEAVE, 0, 0);
}

bool PointerVisible() {
  State& s = S();
  Lock lk(s.lock);
  return s.showCount >= 0 && s.cursor != nullptr;
}

void ApplyCursor() {
  State& s = S();
  bool visible;
  void* sdlCursor = nullptr;
  int systemId = 0;
  {
    Lock lk(s.lock);
    visible = s.showCount >= 0 && s.cursor != nullptr;
    if (auto c = LookupHandleAs<CursorObject>(s.cursor)) {
      sdlCursor = c->sdlCursor;
      systemId = c->systemId;
    }
  }
  sdl::ShowPointer(visible, sdlCursor, systemId);
}

}  // namespace os::user

using namespace os::user;

BOOL PeekMessageA(MSG* m, HWND h, UINT lo, UINT hi, UINT f) { return Peek(m, h, lo, hi, f, false); }
BOOL PeekMessageW(MSG* m, HWND h, UINT lo, UINT hi, UINT f) { return Peek(m, h, lo, hi, f, true); }
BOOL GetMessageA(MSG* m, HWND h, UINT lo, UINT hi) { return Get(m, h, lo, hi, false); }
BOOL GetMessageW(MSG* m, HWND h, UINT lo, UINT hi) { return Get(m, h, lo, hi, true); }
BOOL PostMessageA(HWND h, UINT m, WPARAM w, LPARAM l) { return Post(h, m, w, l); }
BOOL PostMessageW(HWND h, UINT m, WPARAM w, LPARAM l) { return Post(h, m, w, l); }
LRESULT SendMessageA(HWND h, UINT m, WPARAM w, LPARAM l) { return Send(h, m, w, l); }
LRESULT SendMessageW(HWND h, UINT m, WPARAM w, LPARAM l) { return Send(h, m, w, l); }
LRESULT DispatchMessageA(const MSG* m) { return Dispatch(m); }
LRESULT DispatchMessageW(const MSG* m) { return Dispatch(m); }

BOOL PostThreadMessageA(DWORD threadId, UINT msg, WPARAM wParam, LPARAM lParam) {
  State& s = S();
  Lock lk(s.lock);
  if (!s.queues.count(threadId) && threadId != CurrentThread()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  QueuedMessage m;
  m.msg = MSG{nullptr, msg, wParam, lParam, timeGetTime(), POINT{0, 0}};
  Enqueue(threadId, std::move(m));
  return TRUE;
}

void PostQuitMessage(int exitCode) {
  State& s = S();
  Lock lk(s.lock);
  Queue& q = QueueOf(CurrentThread());
  q.quit = true;
  q.quitCode = exitCode;
  s.wake.notify_all();
}

BOOL TranslateMessage(const MSG* msg) {
  if (!msg) return FALSE;
  if (msg->message == WM_KEYUP || msg->message == WM_SYSKEYUP) return TRUE;
  if (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN) return FALSE;
  State& s = S();
  Lock lk(s.lock);
  Queue& q = QueueOf(CurrentThread());
  int vk = static_cast<int>(msg->wParam & 0xFF);
  bool same = q.lastKey.valid && q.lastKey.msg.hwnd == msg->hwnd && q.lastKey.msg.message == msg->message &&
              q.lastKey.msg.wParam == msg->wParam && q.lastKey.msg.lParam == msg->lParam;
  unsigned mods = 0;
  if (same) {
    mods = q.lastKey.mods;
  } else {
    if (q.keys[VK_SHIFT] & 0x80) mods |= os::kModShift;
    if (q.keys[VK_CONTROL] & 0x80) mods |= os::kModCtrl;
    if (q.keys[VK_MENU] & 0x80) mods |= os::kModAlt;
  }
  std::u16string chars = os::kbd::CharsForKey(vk, mods, q.keys[VK_CAPITAL] & 0x01);
  if (same && q.lastKey.backend) {
    // The keyboard's own text wins; from the key itself only the control characters come, because
    // text input never delivers those.
    if (!q.lastKey.text.empty()) chars = q.lastKey.text;
    else if (chars.size() != 1 || (chars[0] >= 0x20 && chars[0] != 0x7F)) chars.clear();
  }
  q.lastKey.valid = false;
  UINT charMsg = msg->message == WM_SYSKEYDOWN ? WM_SYSCHAR : WM_CHAR;
  for (auto it = chars.rbegin(); it != chars.rend(); ++it) {
    QueuedMessage m;
    m.msg = MSG{msg->hwnd, charMsg, static_cast<WPARAM>(*it), msg->lParam, msg->time, msg->pt};
    q.messages.push_front(std::move(m));
  }
  if (!chars.empty()) s.wake.notify_all();
  return TRUE;
}

DWORD GetMessageTime() { return ReadState(&State::lastMessageTime); }

DWORD GetQueueStatus(UINT flags) {
  State& s = S();
  Lock lk(s.lock);
  Queue& q = QueueOf(CurrentThread());
  DWORD bits = 0;
  for (const auto& m : q.messages) {
    UINT msg = m.msg.message;
    if (IsKeyMessage(msg) || msg == WM_CHAR || msg == WM_SYSCHAR) bits |= QS_KEY;
    else if (msg == WM_MOUSEMOVE) bits |= QS_MOUSEMOVE;
    else if (msg > WM_MOUSEMOVE && msg <= WM_XBUTTONUP) bits |= QS_MOUSEBUTTON;
    else bits |= QS_POSTMESSAGE;
  }
  if (q.quit) bits |= QS_POSTMESSAGE;
  bits &= flags;
  return (bits << 16) | bits;
}

DWORD MsgWaitForMultipleObjects(DWORD count, const HANDLE*, BOOL, DWORD ms, DWORD wakeMask) {
  constexpr DWORD kWaitTimeout = 258;
  if (!wakeMask) {
    Sleep(ms == INFINITE ? 1000 : ms);
    return kWaitTimeout;
  }
  // Waits in real time for input of the mask to arrive. The SDL thread sleeps on the display
  // connection (a message posted from another thread wakes it); any other thread looks every few
  // milliseconds.
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(ms == INFINITE ? 1000 : ms);
  for (;;) {
    if (os::sdl::OnSdlThread()) os::sdl::Pump();
    if (HIWORD(GetQueueStatus(wakeMask))) return count;  // WAIT_OBJECT_0 + count
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return kWaitTimeout;
    if (!os::sdl::WaitForEvents(int(left)))
      std::this_thread::sleep_for(std::chrono::milliseconds(std::min<int64_t>(left, 4)));
  }
}

// ---- timers ----

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT ms, TIMERPROC proc) {
  State& s = S();
  Lock lk(s.lock);
  DWORD thread = CurrentThread();
  if (hwnd) {
    auto w = Find(hwnd);
    if (!w || w->foreign || w->remote) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return 0;
    }
    thread = w->thread;
  }
  ms = std::max<UINT>(ms, 10);
  for (Timer& t : s.timers) {
    if (t.hwnd == hwnd && t.id == id && (hwnd || t.thread == thread)) {
      t.ms = ms;
      t.proc = proc;
      t.due = timeGetTime() + ms;
      return hwnd ? (id ? id : 1) : id;
    }
  }
  Timer t;
  t.hwnd = hwnd;
  t.id = hwnd ? id : s.nextThreadTimer++;
  t.ms = ms;
  t.proc = proc;
  t.due = timeGetTime() + ms;
  t.thread = thread;
  s.timers.push_back(t);
  s.wake.notify_all();
  return hwnd ? (id ? id : 1) : t.id;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id) {
  State& s = S();
  Lock lk(s.lock);
  auto it = std::find_if(s.timers.begin(), s.timers.end(), [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; });
  if (it == s.timers.end()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  s.timers.erase(it);
  // A WM_TIMER already taken from the queue is fine; none is queued, they are made on demand.
  return TRUE;
}

// ---- keyboard ----

SHORT GetKeyState(int vk) {
  if (vk < 0 || vk > 255) return 0;
  State& s = S();
  Lock lk(s.lock);
  BYTE b = QueueOf(CurrentThread()).keys[vk];
  return static_cast<SHORT>(((b & 0x80) ? 0x8000 : 0) | (b & 0x01));
}

SHORT GetAsyncKeyState(int vk) {
  if (vk < 0 || vk > 255) return 0;
  State& s = S();
  Lock lk(s.lock);
  return (s.asyncKeys[vk] & 0x80) ? static_cast<SHORT>(0x8000) : 0;
}

// ---- mouse ----

BOOL TrackMouseEvent(TRACKMOUSEEVENT* request) {
  if (os::ShouldFail("TrackMouseEvent")) return FALSE;
  if (!request) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  State& s = S();
  Lock lk(s.lock);
  auto w = Find(request->hwndTrack);
  if (!w || w->foreign || w->remote) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  HWND h = request->hwndTrack;
  if (request->dwFlags & TME_CANCEL) {
    if ((request->dwFlags & TME_HOVER) && s.hoverWindow == h) s.hoverWindow = nullptr;
    if ((request->dwFlags & TME_LEAVE) && s.leaveWindow == h) s.leaveWindow = nullptr;
    return TRUE;
  }
  POINT p = ScreenPointer();
  RECT c = ClientScreenRect(*w);
  bool over = s.inside && p.x >= c.left && p.x < c.right && p.y >= c.top && p.y < c.bottom;
  if (request->dwFlags & TME_HOVER) {
    s.hoverWindow = h;
    s.hoverTime = request->dwHoverTime == HOVER_DEFAULT ? 400 : request->dwHoverTime;
    s.hoverAnchor = s.pointer;
    s.hoverStart = timeGetTime();
  }
  if (request->dwFlags & TME_LEAVE) {
    if (over) {
      s.leaveWindow = h;
    } else {
      // Asked while the pointer is already outside: the leave comes at once.
      lk.unlock();
      Post(h, WM_MOUSELEAVE, 0, 0);
    }
  }
  return TRUE;
}

HWND SetCapture(HWND hwnd) {
  State& s = S();
  HWND prev;
  bool isMain;
  {
    Lock lk(s.lock);
    if (!IsOurs(hwnd)) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return nullptr;
    }
    prev = s.capture;
    s.capture = hwnd;
    isMain = hwnd == s.main;
  }
  if (prev && prev != hwnd && IsWindow(prev)) SendMessageA(prev, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hwnd));
  if (isMain) os::sdl::CapturePointer(true);
  return prev;
}

BOOL ReleaseCapture() {
  State& s = S();
  HWND prev;
  bool leaveNow = false;
  HWND leaveTo = nullptr;
  {
    Lock lk(s.lock);
    prev = s.capture;
    s.capture = nullptr;
    if (s.leaveDeferred) {
      s.leaveDeferred = false;
      if (!s.inside && s.leaveWindow) {
        leaveNow = true;
        leaveTo = s.leaveWindow;
        s.leaveWindow = nullptr;
        s.hoverWindow = nullptr;
      }
    }
  }
  if (prev) {
    os::sdl::CapturePointer(false);
    if (IsWindow(prev)) SendMessageA(prev, WM_CAPTURECHANGED, 0, 0);
  }
  if (leaveNow) Post(leaveTo, WM_MOUSELEAVE, 0, 0);
  return TRUE;
}

HWND GetCapture() { return ReadState(&State::capture); }

BOOL GetCursorPos(POINT* point) {
  if (!point) return FALSE;
  *point = ScreenPointer();
  return TRUE;
}

BOOL SetCursorPos(int x, int y) {
  if (os::ShouldFail("SetCursorPos")) return FALSE;
  State& s = S();
  HWND main;
  POINT client;
  bool changed, post;
  WPARAM buttons;
  unsigned mods;
  {
    Lock lk(s.lock);
    main = s.main;
    auto w = Find(main);
    RECT c = w ? ClientScreenRect(*w) : RECT{0, 0, 0, 0};
    client = POINT{x - c.left, y - c.top};
    changed = client.x != s.pointer.x || client.y != s.pointer.y;
    post = w && (s.capture == main ||
                 (client.x >= 0 && client.y >= 0 && client.x < c.right - c.left && client.y < c.bottom - c.top));
    buttons = s.buttons;
    mods = s.mods;
  }
  PointerMoved(client.x, client.y);
  if (main) os::sdl::WarpPointer(client.x, client.y);
  if (changed && post) {
    WPARAM mk = buttons | ((mods & os::kModShift) ? MK_SHIFT : 0) | ((mods & os::kModCtrl) ? MK_CONTROL : 0);
    PostInput(main, WM_MOUSEMOVE, mk, MAKELPARAM(client.x, client.y), mods, false);
  }
  return TRUE;
}

HCURSOR SetCursor(HCURSOR cursor) {
  HCURSOR prev;
  {
    State& s = S();
    Lock lk(s.lock);
    prev = s.cursor;
    s.cursor = cursor;
  }
  ApplyCursor();
  return prev;
}

HCURSOR GetCursor() { return ReadState(&State::cursor); }

int ShowCursor(BOOL show) {
  int count;
  {
    State& s = S();
    Lock lk(s.lock);
    count = show ? ++s.showCount : --s.showCount;
  }
  ApplyCursor();
  return count;
}

HCURSOR LoadCursorA(HINSTANCE, LPCSTR name) {
  auto id = reinterpret_cast<uintptr_t>(name);
  if (id > 0xFFFF) {
    SetLastError(ERROR_FILE_NOT_FOUND);  // no cursor resources in our executables
    return nullptr;
  }
  State& s = S();
  Lock lk(s.lock);
  auto& slot = s.systemCursors[static_cast<int>(id)];
  if (!slot || !os::LookupHandle(slot)) {
    auto c = std::make_shared<CursorObject>();
    c->systemId = static_cast<int>(id);
    slot = static_cast<HCURSOR>(os::NewHandle(c));
  }
  return slot;
}

HCURSOR CreateColorCursor(const uint32_t* argb, int width, int height, int pitch, int hotX, int hotY) {
  void* made = os::sdl::MakeColorCursor(argb, width, height, pitch, hotX, hotY);
  if (!made) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return nullptr;
  }
  auto c = std::make_shared<CursorObject>();
  c->sdlCursor = made;
  return static_cast<HCURSOR>(os::NewHandle(c));
}

BOOL DestroyCursor(HCURSOR cursor) {
  auto c = os::LookupHandleAs<CursorObject>(cursor);
  if (!c || c->systemId) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  {
    State& s = S();
    Lock lk(s.lock);
    if (s.cursor == cursor) {
      SetLastError(ERROR_INVALID_HANDLE);  // still shown
      return FALSE;
    }
  }
  os::sdl::FreeColorCursor(c->sdlCursor);
  c->sdlCursor = nullptr;
  return CloseHandle(cursor);
}

HICON LoadIconA(HINSTANCE, LPCSTR) {
  static HICON icon = static_cast<HICON>(os::NewHandle(std::make_shared<CursorObject>()));
  return icon;
}

HGDIOBJ GetStockObject(int object) {
  if (object < 0 || object > 20) return nullptr;
  return reinterpret_cast<HGDIOBJ>(static_cast<uintptr_t>(0x7000 + object * 4));
}

namespace os {
bool TestPointerVisible() { return PointerVisible(); }

void TestInjectInput(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, unsigned modifiers) {
  PostInput(hwnd, msg, wParam, lParam, modifiers, false);
}
}  // namespace os
