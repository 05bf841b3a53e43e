// Shared state of the windowing layer (windows, queues, timers, pointer cache) and the seams between
// its files: window.cpp, message.cpp, keyboard.cpp, sdlbackend.cpp and remote.cpp. Not for callers.
#pragma once
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "os/winuser.h"

namespace os::user {

struct Class {
  std::string name;
  ATOM atom = 0;
  WNDPROC proc = nullptr;
  UINT style = 0;
  int wndExtra = 0;
  HICON icon = nullptr;
  HCURSOR cursor = nullptr;
  HBRUSH brush = nullptr;
  HINSTANCE instance = nullptr;
  bool unicode = false;
};

struct Window : HandleObject {
  HWND self = nullptr;
  DWORD thread = 0;              // owner thread (0 for foreign windows)
  std::shared_ptr<Class> cls;
  WNDPROC proc = nullptr;
  DWORD style = 0, exStyle = 0;
  HWND parent = nullptr, owner = nullptr;
  std::string title;             // UTF-8
  RECT rect{};                   // outer: screen pixels (top-level) or parent client pixels (child)
  std::vector<LONG_PTR> extra;   // one pointer-sized slot per 4 extra bytes
  LONG_PTR userData = 0, id = 0;
  HINSTANCE instance = nullptr;
  bool visible = false, minimized = false, maximized = false, needsPaint = false, destroying = false;
  bool isMain = false;
  bool foreign = false;          // another program's window: messages are recorded
  bool remote = false;           // proxy for a window of another process of ours
  std::string remoteClass;
  std::vector<RecordedMessage> record;
};

struct CursorObject : HandleObject {
  int systemId = 0;              // IDC_* of a system cursor, 0 for an image cursor
  void* sdlCursor = nullptr;     // SDL_Cursor* for image cursors (owned by whoever made it)
};

struct QueuedMessage {
  MSG msg{};
  bool input = false;            // updates the key state when taken
  bool backend = false;          // made by the SDL back end from real (or simulated) input
  unsigned mods = 0;             // kMod* as of the input
  std::u16string text;           // keyboard text that belongs to this key-down
  bool ansiByte = false;         // one byte of a character already split for an ANSI reader
};

struct Queue {
  DWORD thread = 0;
  std::deque<QueuedMessage> messages;
  bool quit = false;
  int quitCode = 0;
  BYTE keys[256] = {};
  struct {
    bool valid = false;
    MSG msg{};
    std::u16string text;
    bool backend = false;
    unsigned mods = 0;
  } lastKey;
  DWORD lastTime = 0;
};

struct Timer {
  HWND hwnd = nullptr;
  UINT_PTR id = 0;
  UINT ms = 0;
  TIMERPROC proc = nullptr;
  DWORD due = 0;
  DWORD thread = 0;
};

struct State {
  std::recursive_mutex lock;
  std::condition_variable_any wake;
  std::map<std::string, std::shared_ptr<Class>> classes;  // key: lower-case name
  ATOM nextAtom = 0xC000;
  std::vector<HWND> windows;     // every live window, creation order
  std::vector<HWND> zorder;      // top-level windows, front first
  std::map<DWORD, std::shared_ptr<Queue>> queues;
  std::vector<Timer> timers;
  UINT_PTR nextThreadTimer = 0x7000;
  HWND main = nullptr, capture = nullptr, focus = nullptr, active = nullptr, foreground = nullptr;
  HWND otherProgram = nullptr;   // stands for whatever program has the focus when we lose it
  HWND desktop = nullptr;
  // Pointer and keyboard as the back end last saw them (read from any thread).
  POINT pointer{};               // client pixels of the main window
  bool inside = false;
  WPARAM buttons = 0;            // MK_LBUTTON ... bits
  unsigned mods = 0;
  BYTE asyncKeys[256] = {};
  // TrackMouseEvent.
  HWND hoverWindow = nullptr;
  DWORD hoverTime = 400, hoverStart = 0;
  POINT hoverAnchor{};
  HWND leaveWindow = nullptr;
  bool leaveDeferred = false;
  // Cursor.
  HCURSOR cursor = nullptr;
  int showCount = 0;
  std::map<int, HCURSOR> systemCursors;
  // Screen.
  std::map<int, int> metrics;
  bool workAreaSet = false;
  RECT workArea{};
  int screenWidth = 1024, screenHeight = 768;
  std::vector<MenuCall> menuCalls;
  std::vector<std::string> remoteRequests;
  std::vector<std::string> pendingRemote;
  DWORD lastMessageTime = 0;
};

State& S();
using Lock = std::unique_lock<std::recursive_mutex>;

// One field of the state, read under the lock.
template <class T>
T ReadState(T State::*field) {
  State& s = S();
  Lock lk(s.lock);
  return s.*field;
}

// Calling thread's id in our own numbering (also GetCurrentThreadId).
DWORD CurrentThread();
// The calling thread's queue or another thread's (made on first use). Lock held by the caller.
Queue& QueueOf(DWORD thread);
// Drops a finished thread's queue and thread timers.
void ForgetThread(DWORD thread);
// A live window or null.
std::shared_ptr<Window> Find(HWND hwnd);
// A live window, or null with ERROR_INVALID_WINDOW_HANDLE as the last error.
std::shared_ptr<Window> FindOrFail(HWND hwnd);
bool IsOurs(HWND hwnd);
// Whether hwnd is ancestor or one of its (child-style) descendants.
bool IsDescendant(HWND hwnd, HWND ancestor);
// Frame thickness of a style: left, top, right, bottom amounts around the client area.
RECT FrameOf(DWORD style, DWORD exStyle);
int Metric(int index);
// Client rectangle in screen pixels. Lock held.
RECT ClientScreenRect(const Window& w);
// Outer rectangle in screen pixels. Lock held.
RECT ScreenRect(const Window& w);
std::string Lower(std::string s);
// Moves a window to the top of the z-order. Lock held.
void BringToFront(State& s, HWND hwnd);
// The top-level window a window belongs to.
HWND RootOf(HWND hwnd);
// WM_WINDOWPOSCHANGED and the messages that follow a move or size.
void SendPosChanged(HWND hwnd, bool sizeChanged, bool moved);
// The client size as WM_SIZE's lParam.
LPARAM ClientSizeParam(HWND hwnd);
// Runs f on a live window under the lock; FALSE with ERROR_INVALID_WINDOW_HANDLE when there is none.
template <class F>
BOOL OnWindow(HWND hwnd, F f) {
  State& s = S();
  Lock lk(s.lock);
  auto w = FindOrFail(hwnd);
  if (!w) return FALSE;
  f(*w);
  return TRUE;
}
// Queue an input message for the owner of hwnd.
void PostInput(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, unsigned mods, bool backend,
               std::u16string text = {});
// Appends a queued message to a thread's queue and wakes it. Lock held.
void Enqueue(DWORD thread, QueuedMessage m);
// Activation and window state changes shared by the calls and the back end.
void ActivateOurs(HWND top, WPARAM how);
void DeactivateApp(HWND newForeground);
HWND OtherProgramWindow();
void SetMinimizedState(HWND hwnd, bool minimized);
void SetMaximizedState(HWND hwnd);
void MainClientChanged(int x, int y, int width, int height);  // the window system moved or sized it
// Pointer bookkeeping from input.
void PointerMoved(int clientX, int clientY);
void PointerLeft();
void PointerEntered();
// Posts WM_MOUSEHOVER when due, and acts on requests from other processes. Main/owner thread.
void ServiceTracking();
void ServiceRemoteRequests();
// Applies the cursor state to the back end.
void ApplyCursor();
bool PointerVisible();

}  // namespace os::user

namespace os::kbd {
// Virtual key of an SDL scancode/keycode pair (US layout for everything but letters), 0 if none.
int VkFromSdl(int scancode, int keycode);
int SdlScancodeFromVk(int vk, bool extended);
bool IsExtendedScancode(int scancode);
// Characters a key-down makes with the given modifiers on a US layout (capsLock: toggled state).
std::u16string CharsForKey(int vk, unsigned mods, bool capsLock);
bool IsModifierVk(int vk);
}  // namespace os::kbd

namespace os::sdl {
// Initialises SDL video once (on the calling thread, which becomes the SDL thread). False when no
// video driver works: windows are then bookkeeping only.
bool EnsureVideo();
bool OnSdlThread();
bool VideoReady();
// Turns waiting SDL events into messages. SDL thread only.
void Pump();
// Blocks the SDL thread until an SDL event waits or `ms` have passed; false (nothing waited) off
// that thread or without video.
bool WaitForEvents(int ms);
// Ends a WaitForEvents early (from any thread: a message was posted).
void Wake();
// Creates / destroys the real window for the main HWND.
bool CreateMainWindow(os::user::Window& w);
void DestroyMainWindow();
// Applies the main window's bookkeeping (title, size, position, visibility, border, topmost) now on
// the SDL thread, or at the next pump from other threads.
void SyncMainWindow();
void WarpPointer(int clientX, int clientY);
void CapturePointer(bool on);
void ShowPointer(bool visible, void* sdlCursor, int systemId);
// A colour cursor of ARGB pixels, or null (no video, not the SDL thread, no cursor support).
void* MakeColorCursor(const uint32_t* argb, int width, int height, int pitch, int hotX, int hotY);
void FreeColorCursor(void* cursor);
void RaiseMainWindow();
// Desktop size from SDL (false without video).
bool DesktopSize(int* width, int* height);
bool UsableBounds(RECT* rect);
// The main window's SDL_Window (created with SDL_WINDOW_OPENGL when GL is available), or null; for
// the display code of the stand-in, which makes its GL context on the SDL thread.
void* MainSdlWindow();
// Forgets the keys and buttons the test control interface holds down.
void ResetTestInput();
}  // namespace os::sdl

namespace os::remote {
// Answers FindWindowA/SetForegroundWindow requests of other processes for our window class.
void Serve(const std::string& className);
void StopServing();
// Sends a request ("ping", "raise", "show N") to the process serving the class; true when answered.
bool Request(const std::string& className, const std::string& request);
}  // namespace os::remote
