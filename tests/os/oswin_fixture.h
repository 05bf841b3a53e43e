// Shared fixture of the windowing tests: a main window whose procedure records every message, and
// a pump that takes, translates and dispatches everything waiting.
#pragma once
#include <gtest/gtest.h>

#include <vector>

#include "os/faultinject.h"
#include "os/time.h"
#include "os/winuser.h"

namespace oswin_test {

struct Seen {
  HWND hwnd;
  UINT msg;
  WPARAM wParam;
  LPARAM lParam;
};

inline std::vector<Seen>& Log() {
  static std::vector<Seen> log;
  return log;
}

// Procedures may rewrite WM_WINDOWPOSCHANGING through this hook.
inline void (*&PosChangingHook())(WINDOWPOS*) {
  static void (*hook)(WINDOWPOS*) = nullptr;
  return hook;
}

inline LRESULT RecordingProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  Log().push_back(Seen{h, m, w, l});
  if (m == WM_WINDOWPOSCHANGING && PosChangingHook()) PosChangingHook()(reinterpret_cast<WINDOWPOS*>(l));
  return DefWindowProcW(h, m, w, l);
}

inline std::vector<UINT> Messages(HWND only = nullptr) {
  std::vector<UINT> out;
  for (const Seen& s : Log())
    if (!only || s.hwnd == only) out.push_back(s.msg);
  return out;
}

inline std::vector<Seen> Of(UINT msg) {
  std::vector<Seen> out;
  for (const Seen& s : Log())
    if (s.msg == msg) out.push_back(s);
  return out;
}

constexpr DWORD kMainStyle = WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX;

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    os::TestResetWindows();
    Log().clear();
    PosChangingHook() = nullptr;
    os::TestFreezeTime(100000);
  }
  void TearDown() override {
    os::TestResetWindows();
    os::TestReleaseTime();
  }

  // Registers the recording class (wide or not) and opens the main window, shown and active.
  HWND OpenMain(bool wide = true, bool show = true) {
    if (wide) {
      WNDCLASSW wc{};
      wc.style = CS_HREDRAW | CS_VREDRAW;
      wc.lpfnWndProc = RecordingProc;
      wc.cbWndExtra = 4;
      wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
      wc.lpszClassName = u"OsWinTestClass";
      EXPECT_NE(RegisterClassW(&wc), 0);
    } else {
      WNDCLASSA wc{};
      wc.lpfnWndProc = RecordingProc;
      wc.cbWndExtra = 4;
      wc.lpszClassName = "OsWinTestClass";
      EXPECT_NE(RegisterClassA(&wc), 0);
    }
    HWND h = CreateWindowExA(WS_EX_APPWINDOW, "OsWinTestClass", "Test", kMainStyle, 0, 0, 480, 360, nullptr, nullptr,
                             nullptr, nullptr);
    EXPECT_NE(h, nullptr);
    if (show) ShowWindow(h, SW_SHOWNORMAL);
    Pump();
    Log().clear();
    return h;
  }

  // Takes every waiting message (translating key-downs), dispatches it and returns what was taken.
  std::vector<MSG> Pump(bool wide = true) {
    std::vector<MSG> taken;
    MSG m;
    for (int guard = 0; guard < 1000; ++guard) {
      BOOL got = wide ? PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE) : PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE);
      if (!got) break;
      taken.push_back(m);
      if (m.message == WM_QUIT) continue;
      TranslateMessage(&m);
      if (wide) DispatchMessageW(&m); else DispatchMessageA(&m);
    }
    return taken;
  }
};

}  // namespace oswin_test
