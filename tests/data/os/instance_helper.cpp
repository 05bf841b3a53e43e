// Helper process for the single-instance test. "first <mutex> <class>": takes the named mutex,
// opens a main window of that class, prints "ready" and pumps until another process asks it to come
// to the front, then prints "raised" and ends with 0. "second <mutex> <class>": exits 3 unless the
// mutex already exists (error 183), 4 unless FindWindowA finds the first window, 5 unless
// SetForegroundWindow and ShowWindow reach it, else 0. "open <mutex> <class>": opens a window and
// ends with 0 while it is still open. "hold <mutex> <class>": takes the mutex, prints "held" and
// waits to be killed.
#include <cstdio>
#include <cstring>

#include "os/thread.h"
#include "os/time.h"
#include "os/winuser.h"

static LRESULT Proc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcA(h, m, w, l); }

int main(int argc, char** argv) {
  if (argc < 4) return 2;
  const char* mutexName = argv[2];
  const char* className = argv[3];
  HANDLE mutex = CreateMutexA(nullptr, TRUE, mutexName);
  bool exists = GetLastError() == ERROR_ALREADY_EXISTS;
  if (std::strcmp(argv[1], "hold") == 0) {
    if (!mutex || exists) return 3;
    std::printf("held\n");
    std::fflush(stdout);
    for (int i = 0; i < 600; ++i) Sleep(100);
    return 0;
  }
  if (std::strcmp(argv[1], "open") == 0) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = Proc;
    wc.lpszClassName = className;
    RegisterClassA(&wc);
    HWND hwnd = CreateWindowExA(0, className, "open", WS_CAPTION, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    return hwnd ? 0 : 4;
  }
  if (std::strcmp(argv[1], "first") == 0) {
    if (!mutex || exists) return 3;
    WNDCLASSA wc{};
    wc.lpfnWndProc = Proc;
    wc.lpszClassName = className;
    if (!RegisterClassA(&wc)) return 4;
    HWND hwnd = CreateWindowExA(0, className, "first", WS_CAPTION | WS_SYSMENU, 0, 0, 200, 150, nullptr, nullptr,
                                nullptr, nullptr);
    if (!hwnd) return 4;
    std::printf("ready\n");
    std::fflush(stdout);
    DWORD start = timeGetTime();
    while (timeGetTime() - start < 20000) {
      MSG msg;
      while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
      auto requests = os::TestRemoteRequests();
      bool raised = false, shown = false;
      for (auto& r : requests) {
        if (r == "raise") raised = true;
        if (r.rfind("show ", 0) == 0) shown = true;
      }
      if (raised && shown && GetForegroundWindow() == hwnd) {
        std::printf("raised\n");
        std::fflush(stdout);
        DestroyWindow(hwnd);
        CloseHandle(mutex);
        return 0;
      }
      Sleep(5);
    }
    return 6;
  }
  if (!exists) return 3;
  HWND other = FindWindowA(className, nullptr);
  if (!other) return 4;
  if (!SetForegroundWindow(other)) return 5;
  ShowWindow(other, SW_SHOWNORMAL);
  CloseHandle(mutex);
  return 0;
}
