// Windows, window classes, messages and input of the platform stand-in (the USER32 calls the framework
// makes). One real SDL window serves as the main window; every other window is bookkeeping. Messages
// go through our own per-thread queues; the SDL back end feeds keyboard, text, mouse and window events
// in as the Windows messages the pump expects. Tests drive it through the os::Test... calls at the end.
#pragma once
#include <string>
#include <vector>

#include "os/handles.h"
#include "os/windowerrors.h"
#include "os/win32types.h"

using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);   // window procedure
using TIMERPROC = void (*)(HWND, UINT, UINT_PTR, DWORD);  // timer callback (instead of WM_TIMER)

struct MSG {                // one queued message
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD time;               // timeGetTime when it was queued
  POINT pt;                 // pointer position (screen) when it was queued
};

struct WNDCLASSA {          // class description, ANSI/UTF-8 names
  UINT style;
  WNDPROC lpfnWndProc;
  int cbClsExtra;
  int cbWndExtra;           // extra bytes; each 4-byte slot holds a pointer-sized value here
  HINSTANCE hInstance;
  HICON hIcon;
  HCURSOR hCursor;          // class cursor, set when the pointer is over the client area
  HBRUSH hbrBackground;
  LPCSTR lpszMenuName;
  LPCSTR lpszClassName;
};
struct WNDCLASSW {          // class description, UTF-16 names; its windows get UTF-16 WM_CHAR
  UINT style;
  WNDPROC lpfnWndProc;
  int cbClsExtra;
  int cbWndExtra;
  HINSTANCE hInstance;
  HICON hIcon;
  HCURSOR hCursor;
  HBRUSH hbrBackground;
  LPCWSTR lpszMenuName;
  LPCWSTR lpszClassName;
};

struct CREATESTRUCTA {      // lParam of WM_NCCREATE / WM_CREATE
  LPVOID lpCreateParams;
  HINSTANCE hInstance;
  HMENU hMenu;
  HWND hwndParent;
  int cy, cx, y, x;
  LONG style;
  LPCSTR lpszName;
  LPCSTR lpszClass;
  DWORD dwExStyle;
};

struct WINDOWPOS {          // lParam of WM_WINDOWPOSCHANGING (may be rewritten) / WM_WINDOWPOSCHANGED
  HWND hwnd;
  HWND hwndInsertAfter;
  int x, y, cx, cy;
  UINT flags;
};

struct PAINTSTRUCT {        // BeginPaint result
  HDC hdc;
  BOOL fErase;
  RECT rcPaint;
  BOOL fRestore;
  BOOL fIncUpdate;
  BYTE rgbReserved[32];
};

struct TRACKMOUSEEVENT {    // TrackMouseEvent request
  DWORD cbSize;
  DWORD dwFlags;
  HWND hwndTrack;
  DWORD dwHoverTime;
};

struct MENUITEMINFOA {      // SetMenuItemInfoA argument (recorded only: there is no system menu)
  UINT cbSize, fMask, fType, fState, wID;
  HMENU hSubMenu;
  void* hbmpChecked;
  void* hbmpUnchecked;
  ULONG_PTR dwItemData;
  LPSTR dwTypeData;
  UINT cch;
  void* hbmpItem;
};

// ---- messages ----
constexpr UINT WM_NULL = 0x0000, WM_CREATE = 0x0001, WM_DESTROY = 0x0002, WM_MOVE = 0x0003,
               WM_SIZE = 0x0005, WM_ACTIVATE = 0x0006, WM_SETFOCUS = 0x0007, WM_KILLFOCUS = 0x0008,
               WM_SETTEXT = 0x000C, WM_PAINT = 0x000F, WM_CLOSE = 0x0010, WM_QUIT = 0x0012,
               WM_ERASEBKGND = 0x0014, WM_SHOWWINDOW = 0x0018, WM_ACTIVATEAPP = 0x001C,
               WM_SETCURSOR = 0x0020, WM_MOUSEACTIVATE = 0x0021, WM_WINDOWPOSCHANGING = 0x0046,
               WM_WINDOWPOSCHANGED = 0x0047, WM_DISPLAYCHANGE = 0x007E, WM_NCCREATE = 0x0081,
               WM_NCDESTROY = 0x0082, WM_NCHITTEST = 0x0084, WM_KEYDOWN = 0x0100, WM_KEYUP = 0x0101,
               WM_CHAR = 0x0102, WM_DEADCHAR = 0x0103, WM_SYSKEYDOWN = 0x0104, WM_SYSKEYUP = 0x0105,
               WM_SYSCHAR = 0x0106, WM_SYSCOMMAND = 0x0112, WM_TIMER = 0x0113,
               WM_INITMENUPOPUP = 0x0117, WM_MOUSEMOVE = 0x0200, WM_LBUTTONDOWN = 0x0201,
               WM_LBUTTONUP = 0x0202, WM_LBUTTONDBLCLK = 0x0203, WM_RBUTTONDOWN = 0x0204,
               WM_RBUTTONUP = 0x0205, WM_MBUTTONDOWN = 0x0207, WM_MBUTTONUP = 0x0208,
               WM_MOUSEWHEEL = 0x020A, WM_XBUTTONDOWN = 0x020B, WM_XBUTTONUP = 0x020C,
               WM_CAPTURECHANGED = 0x0215, WM_MOUSEHOVER = 0x02A1, WM_MOUSELEAVE = 0x02A3,
               WM_USER = 0x0400;

// ---- styles ----
constexpr DWORD WS_OVERLAPPED = 0x00000000, WS_POPUP = 0x80000000, WS_CHILD = 0x40000000,
                WS_MINIMIZE = 0x20000000, WS_VISIBLE = 0x10000000, WS_DISABLED = 0x08000000,
                WS_CLIPSIBLINGS = 0x04000000, WS_CLIPCHILDREN = 0x02000000, WS_MAXIMIZE = 0x01000000,
                WS_BORDER = 0x00800000, WS_DLGFRAME = 0x00400000, WS_CAPTION = 0x00C00000,
                WS_SYSMENU = 0x00080000, WS_THICKFRAME = 0x00040000, WS_MINIMIZEBOX = 0x00020000,
                WS_MAXIMIZEBOX = 0x00010000,
                WS_OVERLAPPEDWINDOW = 0x00CF0000;
constexpr DWORD WS_EX_TOPMOST = 0x00000008, WS_EX_TOOLWINDOW = 0x00000080, WS_EX_CLIENTEDGE = 0x00000200,
                WS_EX_APPWINDOW = 0x00040000;
constexpr UINT CS_VREDRAW = 0x0001, CS_HREDRAW = 0x0002, CS_DBLCLKS = 0x0008;
constexpr int CW_USEDEFAULT = static_cast<int>(0x80000000);

// ---- ShowWindow, SetWindowPos, Get/SetWindowLong, GetWindow, GetAncestor ----
constexpr int SW_HIDE = 0, SW_SHOWNORMAL = 1, SW_NORMAL = 1, SW_SHOWMINIMIZED = 2, SW_MAXIMIZE = 3,
              SW_SHOWMAXIMIZED = 3, SW_SHOWNOACTIVATE = 4, SW_SHOW = 5, SW_MINIMIZE = 6,
              SW_SHOWMINNOACTIVE = 7, SW_SHOWNA = 8, SW_RESTORE = 9;
constexpr UINT SWP_NOSIZE = 0x0001, SWP_NOMOVE = 0x0002, SWP_NOZORDER = 0x0004, SWP_NOREDRAW = 0x0008,
               SWP_NOACTIVATE = 0x0010, SWP_FRAMECHANGED = 0x0020, SWP_SHOWWINDOW = 0x0040,
               SWP_HIDEWINDOW = 0x0080, SWP_NOCOPYBITS = 0x0100, SWP_NOOWNERZORDER = 0x0200,
               SWP_DEFERERASE = 0x2000, SWP_NOCLIENTSIZE = 0x0800, SWP_NOCLIENTMOVE = 0x1000;
#define HWND_TOP (reinterpret_cast<HWND>(static_cast<intptr_t>(0)))         // front of the z-order
#define HWND_BOTTOM (reinterpret_cast<HWND>(static_cast<intptr_t>(1)))      // back of the z-order
#define HWND_TOPMOST (reinterpret_cast<HWND>(static_cast<intptr_t>(-1)))    // front, and topmost style
#define HWND_NOTOPMOST (reinterpret_cast<HWND>(static_cast<intptr_t>(-2)))  // clears the topmost style
#define HWND_MESSAGE (reinterpret_cast<HWND>(static_cast<intptr_t>(-3)))    // message-only parent
constexpr int GWL_WNDPROC = -4, GWL_HINSTANCE = -6, GWL_HWNDPARENT = -8, GWL_ID = -12,
              GWL_STYLE = -16, GWL_EXSTYLE = -20, GWL_USERDATA = -21;
constexpr int GCL_HCURSOR = -12, GCL_HICON = -14, GCL_HBRBACKGROUND = -10, GCL_STYLE = -26,
              GCL_WNDPROC = -24;
constexpr UINT GW_HWNDFIRST = 0, GW_HWNDLAST = 1, GW_HWNDNEXT = 2, GW_HWNDPREV = 3, GW_OWNER = 4,
               GW_CHILD = 5;
constexpr UINT GA_PARENT = 1, GA_ROOT = 2, GA_ROOTOWNER = 3;

// ---- message parameters ----
constexpr WPARAM SIZE_RESTORED = 0, SIZE_MINIMIZED = 1, SIZE_MAXIMIZED = 2, SIZE_MAXSHOW = 3;
constexpr WPARAM WA_INACTIVE = 0, WA_ACTIVE = 1, WA_CLICKACTIVE = 2;
constexpr WPARAM MK_LBUTTON = 0x01, MK_RBUTTON = 0x02, MK_SHIFT = 0x04, MK_CONTROL = 0x08,
                 MK_MBUTTON = 0x10, MK_XBUTTON1 = 0x20, MK_XBUTTON2 = 0x40;
constexpr WORD XBUTTON1 = 0x0001, XBUTTON2 = 0x0002;
constexpr int WHEEL_DELTA = 120;
constexpr LRESULT HTNOWHERE = 0, HTCLIENT = 1, HTCAPTION = 2, HTSYSMENU = 3, HTSIZE = 4,
                  HTMINBUTTON = 8, HTMAXBUTTON = 9, HTLEFT = 10, HTRIGHT = 11, HTTOP = 12,
                  HTTOPLEFT = 13, HTTOPRIGHT = 14, HTBOTTOM = 15, HTBOTTOMLEFT = 16,
                  HTBOTTOMRIGHT = 17, HTBORDER = 18;
constexpr LRESULT MA_ACTIVATE = 1;
constexpr WPARAM SC_SIZE = 0xF000, SC_MOVE = 0xF010, SC_MINIMIZE = 0xF020, SC_MAXIMIZE = 0xF030,
                 SC_CLOSE = 0xF060, SC_RESTORE = 0xF120;
constexpr LPARAM KF_EXTENDED_BIT = 1 << 24;   // lParam of key messages: extended key
constexpr LPARAM KF_ALTDOWN_BIT = 1 << 29;    // lParam of key messages: Alt held (context code)
constexpr LPARAM KF_REPEAT_BIT = 1 << 30;     // lParam of key messages: key was already down
constexpr LPARAM KF_UP_BIT = static_cast<LPARAM>(1u << 31);  // lParam of key messages: release

// ---- PeekMessage, TrackMouseEvent, MsgWait ----
constexpr UINT PM_NOREMOVE = 0x0000, PM_REMOVE = 0x0001, PM_NOYIELD = 0x0002;
constexpr DWORD TME_HOVER = 0x00000001, TME_LEAVE = 0x00000002, TME_CANCEL = 0x80000000;
constexpr DWORD HOVER_DEFAULT = 0xFFFFFFFF;
constexpr DWORD QS_KEY = 0x0001, QS_MOUSEMOVE = 0x0002, QS_MOUSEBUTTON = 0x0004, QS_POSTMESSAGE = 0x0008,
                QS_TIMER = 0x0010, QS_PAINT = 0x0020, QS_SENDMESSAGE = 0x0040, QS_ALLINPUT = 0x04FF;

// ---- virtual keys ----
constexpr int VK_LBUTTON = 0x01, VK_RBUTTON = 0x02, VK_CANCEL = 0x03, VK_MBUTTON = 0x04,
              VK_XBUTTON1 = 0x05, VK_XBUTTON2 = 0x06, VK_BACK = 0x08, VK_TAB = 0x09, VK_CLEAR = 0x0C,
              VK_RETURN = 0x0D, VK_SHIFT = 0x10, VK_CONTROL = 0x11, VK_MENU = 0x12, VK_PAUSE = 0x13,
              VK_CAPITAL = 0x14, VK_ESCAPE = 0x1B, VK_SPACE = 0x20, VK_PRIOR = 0x21, VK_NEXT = 0x22,
              VK_END = 0x23, VK_HOME = 0x24, VK_LEFT = 0x25, VK_UP = 0x26, VK_RIGHT = 0x27,
              VK_DOWN = 0x28, VK_SNAPSHOT = 0x2C, VK_INSERT = 0x2D, VK_DELETE = 0x2E,
              VK_LWIN = 0x5B, VK_RWIN = 0x5C, VK_APPS = 0x5D, VK_NUMPAD0 = 0x60, VK_NUMPAD9 = 0x69,
              VK_MULTIPLY = 0x6A, VK_ADD = 0x6B, VK_SEPARATOR = 0x6C, VK_SUBTRACT = 0x6D,
              VK_DECIMAL = 0x6E, VK_DIVIDE = 0x6F, VK_F1 = 0x70, VK_F2 = 0x71, VK_F3 = 0x72,
              VK_F4 = 0x73, VK_F5 = 0x74, VK_F6 = 0x75, VK_F7 = 0x76, VK_F8 = 0x77, VK_F9 = 0x78,
              VK_F10 = 0x79, VK_F11 = 0x7A, VK_F12 = 0x7B, VK_F24 = 0x87, VK_NUMLOCK = 0x90,
              VK_SCROLL = 0x91, VK_LSHIFT = 0xA0, VK_RSHIFT = 0xA1, VK_LCONTROL = 0xA2,
              VK_RCONTROL = 0xA3, VK_LMENU = 0xA4, VK_RMENU = 0xA5, VK_OEM_1 = 0xBA,
              VK_OEM_PLUS = 0xBB, VK_OEM_COMMA = 0xBC, VK_OEM_MINUS = 0xBD, VK_OEM_PERIOD = 0xBE,
              VK_OEM_2 = 0xBF, VK_OEM_3 = 0xC0, VK_OEM_4 = 0xDB, VK_OEM_5 = 0xDC, VK_OEM_6 = 0xDD,
              VK_OEM_7 = 0xDE, VK_OEM_102 = 0xE2;

// ---- system metrics, parameters, resources ----
constexpr int SM_CXSCREEN = 0, SM_CYSCREEN = 1, SM_CYCAPTION = 4, SM_CXBORDER = 5, SM_CYBORDER = 6,
              SM_CXDLGFRAME = 7, SM_CYDLGFRAME = 8, SM_CXFRAME = 32, SM_CYFRAME = 33,
              SM_CXEDGE = 45, SM_CYEDGE = 46;
constexpr UINT SPI_GETWORKAREA = 0x0030;
#define IDC_ARROW (reinterpret_cast<LPCSTR>(static_cast<uintptr_t>(32512)))  // standard arrow cursor
#define MAKEINTRESOURCEA(i) (reinterpret_cast<LPCSTR>(static_cast<uintptr_t>(static_cast<WORD>(i))))
constexpr int WHITE_BRUSH = 0, BLACK_BRUSH = 4, NULL_BRUSH = 5;
constexpr UINT MIIM_STATE = 0x0001, MIIM_ID = 0x0002;
constexpr UINT MFS_GRAYED = 0x0003, MFS_DISABLED = 0x0003, MFS_ENABLED = 0x0000;

// ---- window classes and windows ----
// Registers a class; names compare without regard to case. Returns its atom, 0 when taken.
ATOM RegisterClassA(const WNDCLASSA* wc);
// Same, UTF-16 names; windows of a wide class receive UTF-16 character messages.
ATOM RegisterClassW(const WNDCLASSW* wc);
// Removes a class that no window uses any more.
BOOL UnregisterClassA(LPCSTR className, HINSTANCE instance);
// Creates a window: the first top-level one of the process becomes the real SDL window, the rest
// are bookkeeping. Sends WM_NCCREATE and WM_CREATE; shows it when WS_VISIBLE is set.
HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param);
// Same with UTF-16 texts.
HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param);
// Destroys a window and its children (WM_DESTROY, then WM_NCDESTROY); its queued messages and
// timers go with it.
BOOL DestroyWindow(HWND hwnd);
// Default handling: WM_CLOSE destroys, Alt+F4 and SC_CLOSE send WM_CLOSE, WM_PAINT validates,
// WM_NCHITTEST finds the frame part, WM_SETCURSOR sets the class cursor, WM_WINDOWPOSCHANGED
// sends WM_MOVE/WM_SIZE; everything else answers 0.
LRESULT DefWindowProcA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// Same as DefWindowProcA (texts are UTF-8 inside either way).
LRESULT DefWindowProcW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// Calls a window procedure (subclassing chains).
LRESULT CallWindowProcA(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// True for a live window handle of this process (or a foreign window a test created).
BOOL IsWindow(HWND hwnd);
BOOL IsWindowVisible(HWND hwnd);   // visible flag
BOOL IsIconic(HWND hwnd);          // minimised
BOOL IsZoomed(HWND hwnd);          // maximised
// Extra bytes at index >= 0 (pointer-sized per 4-byte slot) or GWL_STYLE, GWL_EXSTYLE, GWL_WNDPROC,
// GWL_USERDATA, GWL_ID, GWL_HINSTANCE, GWL_HWNDPARENT. Returns the previous value.
LONG_PTR SetWindowLongA(HWND hwnd, int index, LONG_PTR value);
LONG_PTR GetWindowLongA(HWND hwnd, int index);
LONG_PTR SetWindowLongW(HWND hwnd, int index, LONG_PTR value);
LONG_PTR GetWindowLongW(HWND hwnd, int index);
LONG_PTR SetWindowLongPtrA(HWND hwnd, int index, LONG_PTR value);
LONG_PTR GetWindowLongPtrA(HWND hwnd, int index);
// Class values: GCL_HCURSOR (0 hides the system pointer over the client area), GCL_HICON, ...
ULONG_PTR SetClassLongA(HWND hwnd, int index, LONG_PTR value);
ULONG_PTR GetClassLongA(HWND hwnd, int index);
// Window title (UTF-8 for the A form); the main window's goes to SDL.
BOOL SetWindowTextA(HWND hwnd, LPCSTR text);
BOOL SetWindowTextW(HWND hwnd, LPCWSTR text);
int GetWindowTextA(HWND hwnd, LPSTR buffer, int size);
int GetWindowTextW(HWND hwnd, LPWSTR buffer, int size);
// Show commands SW_*; minimise sends WM_WINDOWPOSCHANGED at -32000,-32000 and WM_SIZE
// SIZE_MINIMIZED, restore the real rectangle and SIZE_RESTORED. Returns the previous visibility.
BOOL ShowWindow(HWND hwnd, int command);
// Sends WM_WINDOWPOSCHANGING (the procedure may rewrite cx/cy), applies the result, sends
// WM_WINDOWPOSCHANGED. Positions are screen pixels for top-level windows, parent client pixels else.
BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
// SetWindowPos without z-order or activation changes.
BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint);
// Outer rectangle in screen pixels (from the cache: safe from any thread).
BOOL GetWindowRect(HWND hwnd, RECT* rect);
// Client rectangle: 0, 0, width, height (safe from any thread).
BOOL GetClientRect(HWND hwnd, RECT* rect);
BOOL ClientToScreen(HWND hwnd, POINT* point);
BOOL ScreenToClient(HWND hwnd, POINT* point);
// Grows a client rectangle by the frame of the style (constant frame sizes, see GetSystemMetrics).
BOOL AdjustWindowRectEx(RECT* rect, DWORD style, BOOL hasMenu, DWORD exStyle);
BOOL AdjustWindowRect(RECT* rect, DWORD style, BOOL hasMenu);
HWND GetParent(HWND hwnd);                         // parent of a child, owner of a top-level window
HWND SetParent(HWND child, HWND newParent);        // bookkeeping; returns the previous parent
HWND GetAncestor(HWND hwnd, UINT flags);           // GA_PARENT, GA_ROOT, GA_ROOTOWNER
HWND GetWindow(HWND hwnd, UINT command);           // GW_* over the z-order and children
HWND GetTopWindow(HWND hwnd);                      // first child, or first top-level when 0
HWND GetDesktopWindow();                           // the desktop's handle
// Finds a top-level window by class and/or title: first among this process's windows, then a
// window another process of ours registered under that class (a proxy handle comes back).
HWND FindWindowA(LPCSTR className, LPCSTR windowName);
DWORD GetWindowThreadProcessId(HWND hwnd, DWORD* processId);
HMENU GetMenu(HWND hwnd);                          // always 0: windows have no menu bar
HMENU GetSystemMenu(HWND hwnd, BOOL revert);       // a dummy handle
BOOL SetMenuItemInfoA(HMENU menu, UINT item, BOOL byPosition, const MENUITEMINFOA* info);  // recorded

// ---- painting ----
BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase);  // 0 = every window; queues WM_PAINT
BOOL ValidateRect(HWND hwnd, const RECT* rect);
BOOL UpdateWindow(HWND hwnd);                                  // sends WM_PAINT when invalid
HDC BeginPaint(HWND hwnd, PAINTSTRUCT* paint);                 // validates the window
BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* paint);

// ---- messages ----
// Takes the next message of the calling thread: posted and input messages in arrival order, then
// WM_QUIT, then WM_PAINT, then WM_TIMER. On the main thread it first turns waiting SDL events into
// messages. The ANSI code page is UTF-8: the A form hands a character over as its UTF-8 bytes, one
// WM_CHAR/WM_SYSCHAR each (a surrogate pair as one character, a lone surrogate as U+FFFD).
BOOL PeekMessageA(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags);
BOOL PeekMessageW(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags);
// Waits for a message; FALSE for WM_QUIT, -1 for a bad window.
BOOL GetMessageA(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax);
BOOL GetMessageW(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax);
// Appends to the window's owner thread's queue; hwnd 0 = the calling thread's queue.
BOOL PostMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
BOOL PostMessageW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
BOOL PostThreadMessageA(DWORD threadId, UINT msg, WPARAM wParam, LPARAM lParam);
// Calls the window procedure at once, on the calling thread (foreign windows record it).
LRESULT SendMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT SendMessageW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// Sets the calling thread's quit flag; WM_QUIT comes when nothing else is posted.
void PostQuitMessage(int exitCode);
// Makes WM_CHAR/WM_SYSCHAR from a key-down, as Windows does (text from the keyboard, Backspace 8,
// Tab 9, Enter 13, Escape 27, Ctrl+letter 1..26); they are taken next.
BOOL TranslateMessage(const MSG* msg);
// Calls the message's window procedure (or the TIMERPROC of a WM_TIMER) and returns its result.
LRESULT DispatchMessageA(const MSG* msg);
LRESULT DispatchMessageW(const MSG* msg);
DWORD GetMessageTime();      // time of the last message taken
DWORD GetQueueStatus(UINT flags);  // QS_* bits of what waits (high word) and is new (low word)
// Waits up to `ms` (no handles are supported): returns WAIT_OBJECT_0 + count when the wake mask
// asks for input and messages wait, else WAIT_TIMEOUT after the time-out.
DWORD MsgWaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD ms, DWORD wakeMask);

// ---- timers ----
// WM_TIMER every `ms` (at least 10) from the clock of timeGetTime; replaces a timer of the same id.
UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT ms, TIMERPROC proc);
BOOL KillTimer(HWND hwnd, UINT_PTR id);

// ---- keyboard, mouse, capture, focus ----
// State of a key as of the last input message the calling thread took: bit 15 down, bit 0 toggled.
SHORT GetKeyState(int vk);
// State of a key as the back end sees it now.
SHORT GetAsyncKeyState(int vk);
// Hover (one-shot after the hover time inside a 4x4 pixel box) and leave tracking.
BOOL TrackMouseEvent(TRACKMOUSEEVENT* request);
HWND SetCapture(HWND hwnd);    // returns the previous capture; the old owner gets WM_CAPTURECHANGED
BOOL ReleaseCapture();         // sends WM_CAPTURECHANGED (lParam 0) to the capture window
HWND GetCapture();
BOOL GetCursorPos(POINT* point);   // cached by the main thread; safe from any thread
BOOL SetCursorPos(int x, int y);   // moves the pointer (screen pixels) and queues WM_MOUSEMOVE
HCURSOR SetCursor(HCURSOR cursor); // 0 hides the pointer over our window; returns the previous
HCURSOR GetCursor();
int ShowCursor(BOOL show);         // display counter; hidden below 0
HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name);   // IDC_ARROW and friends
// A colour cursor from 32-bit ARGB pixels (rows `pitch` pixels apart) with its hot spot; null when
// the video back end has no cursors (SetLastError ERROR_NOT_SUPPORTED). Freed by DestroyCursor.
HCURSOR CreateColorCursor(const uint32_t* argb, int width, int height, int pitch, int hotX, int hotY);
BOOL DestroyCursor(HCURSOR cursor);   // not while it is the pointer's cursor
HICON LoadIconA(HINSTANCE instance, LPCSTR name);       // a dummy icon handle
HGDIOBJ GetStockObject(int object);                     // a dummy brush handle
HWND SetFocus(HWND hwnd);          // WM_KILLFOCUS / WM_SETFOCUS; returns the previous focus
HWND GetFocus();
HWND SetActiveWindow(HWND hwnd);   // WM_ACTIVATE; returns the previous active window
HWND GetActiveWindow();
// Brings a window to the front and activates it (WM_ACTIVATEAPP, WM_ACTIVATE, WM_SETFOCUS); for a
// window of another process it asks that process to raise it.
BOOL SetForegroundWindow(HWND hwnd);
HWND GetForegroundWindow();        // our active window, or a stand-in for another program's
BOOL BringWindowToTop(HWND hwnd);

// ---- screen ----
int GetSystemMetrics(int index);   // screen from SDL's desktop mode; frame sizes are constants
BOOL SystemParametersInfoA(UINT action, UINT param, LPVOID data, UINT winIni);  // SPI_GETWORKAREA

namespace os {

// Reset everything of the windowing layer: windows, classes, queues, timers, capture, focus,
// tracking, recorded calls, metrics overrides. For test fixtures.
void TestResetWindows();

// Simulated input through the SDL back end (SDL events are pushed and translated when the main
// thread next peeks). Keys are virtual-key codes; modifiers pressed here stay down until released.
void TestKey(int vk, bool down);
// Press and release a key; printable keys also deliver their US-layout text, as the keyboard would.
void TestKeyPress(int vk);
// Text as the keyboard's text input delivers it (UTF-8), without a key message.
void TestText(const std::string& utf8);
// Pointer move to client coordinates of the main window (outside the client area is allowed).
void TestMouseMove(int x, int y);
// Button 1 left, 2 middle, 3 right, 4 and 5 the extra buttons.
void TestMouseButton(int button, bool down);
// Wheel turned by `notches` (positive away from the user).
void TestMouseWheel(int notches);
// Window events of the main window as the window system reports them.
enum class WindowEvent { FocusGained, FocusLost, Minimized, Restored, Maximized, Exposed, Close,
                         Enter, Leave };
void TestWindowEvent(WindowEvent event);

// Modifier bits of simulated input.
constexpr unsigned kModShift = 1, kModCtrl = 2, kModAlt = 4;
// Queue a message as input (it updates the key state when taken), with the modifier keys (kMod*)
// that were down then.
void TestInjectInput(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, unsigned modifiers);

// Foreign windows (another program's, or a host window): bookkeeping windows whose messages are
// recorded instead of handled.
HWND TestCreateForeignWindow(const std::string& className, const std::string& title, int clientWidth,
                             int clientHeight);
struct RecordedMessage {
  HWND hwnd;
  UINT msg;
  WPARAM wParam;
  LPARAM lParam;
  bool sent;  // SendMessage (else PostMessage)
};
std::vector<RecordedMessage> TestForeignMessages(HWND hwnd);
// Requests other processes sent to this one through FindWindowA proxies ("raise", "show 1", ...).
std::vector<std::string> TestRemoteRequests();

// Screen metrics overrides (SM_* index -> value) and the work area.
void TestSetSystemMetric(int index, int value);
void TestSetWorkArea(const RECT& rect);
// Calls of SetMenuItemInfoA so far: (item, byPosition, state).
struct MenuCall { UINT item; BOOL byPosition; UINT state; };
std::vector<MenuCall> TestMenuCalls();
// The main (SDL) window, or 0.
HWND TestMainWindow();
// Whether the pointer is shown over the main window (SetCursor / ShowCursor / class cursor).
bool TestPointerVisible();

}  // namespace os
