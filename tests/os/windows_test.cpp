// Window classes, windows, styles, positions, showing, activation and default handling.
#include <algorithm>

#include "os/user_internal.h"
#include "oswin_fixture.h"

using namespace oswin_test;

namespace {

bool Contains(const std::vector<UINT>& v, UINT m) { return std::find(v.begin(), v.end(), m) != v.end(); }

size_t IndexOf(const std::vector<UINT>& v, UINT m) {
  return static_cast<size_t>(std::find(v.begin(), v.end(), m) - v.begin());
}

}  // namespace

TEST_F(WindowTest, ClassNamesAreUniqueWithoutRegardToCase) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = RecordingProc;
  wc.lpszClassName = "SomeClass";
  EXPECT_NE(RegisterClassA(&wc), 0);
  wc.lpszClassName = "SOMECLASS";
  EXPECT_EQ(RegisterClassA(&wc), 0);
  EXPECT_EQ(GetLastError(), ERROR_CLASS_ALREADY_EXISTS);
  EXPECT_EQ(CreateWindowExA(0, "NoSuchClass", "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_CANNOT_FIND_WND_CLASS);
  HWND h = CreateWindowExA(0, "someclass", "x", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  EXPECT_NE(h, nullptr);
}

TEST_F(WindowTest, CreationSendsCreateMessagesAndTheFirstTopLevelWindowIsTheRealOne) {
  HWND h = OpenMain(true, false);
  EXPECT_EQ(os::TestMainWindow(), h);
  EXPECT_NE(os::sdl::MainSdlWindow(), nullptr);
  EXPECT_TRUE(IsWindow(h));
  EXPECT_FALSE(IsWindowVisible(h));
  // A second top-level window is bookkeeping only.
  HWND second = CreateWindowExA(0, "OsWinTestClass", "two", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
  EXPECT_NE(second, nullptr);
  EXPECT_EQ(os::TestMainWindow(), h);
  std::vector<UINT> m = Messages(second);
  ASSERT_GE(m.size(), 2u);
  EXPECT_EQ(m[0], WM_NCCREATE);
  EXPECT_EQ(m[1], WM_CREATE);
}

TEST_F(WindowTest, WindowLongsRoundTripAndExtraBytesHoldAPointer) {
  HWND h = OpenMain();
  int anchor = 0;
  LONG_PTR ptr = reinterpret_cast<LONG_PTR>(&anchor);
  EXPECT_EQ(SetWindowLongA(h, 0, ptr), 0);
  EXPECT_EQ(GetWindowLongA(h, 0), ptr);
  EXPECT_EQ(GetWindowLongA(h, 4), 0);  // only 4 extra bytes
  EXPECT_EQ(GetLastError(), ERROR_INVALID_INDEX);
  SetWindowLongA(h, GWL_EXSTYLE, WS_EX_APPWINDOW | WS_EX_TOPMOST);
  EXPECT_EQ(GetWindowLongA(h, GWL_EXSTYLE), static_cast<LONG_PTR>(WS_EX_APPWINDOW | WS_EX_TOPMOST));
  SetWindowLongA(h, GWL_STYLE, WS_POPUP);
  EXPECT_EQ(GetWindowLongA(h, GWL_STYLE) & ~static_cast<LONG_PTR>(WS_VISIBLE), static_cast<LONG_PTR>(WS_POPUP));
  EXPECT_TRUE(GetWindowLongA(h, GWL_STYLE) & WS_VISIBLE);
  EXPECT_EQ(GetWindowLongA(nullptr, GWL_STYLE), 0);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
}

TEST_F(WindowTest, FrameSizesAgreeBetweenMetricsAdjustAndRectangles) {
  HWND h = OpenMain();
  RECT outer, client;
  ASSERT_TRUE(GetWindowRect(h, &outer));
  ASSERT_TRUE(GetClientRect(h, &client));
  EXPECT_EQ(outer.right - outer.left, 480);
  EXPECT_EQ(outer.bottom - outer.top, 360);
  RECT adjusted = client;
  AdjustWindowRectEx(&adjusted, kMainStyle, FALSE, WS_EX_APPWINDOW);
  EXPECT_EQ(adjusted.right - adjusted.left, 480);
  EXPECT_EQ(adjusted.bottom - adjusted.top, 360);
  EXPECT_EQ(client.right, 480 - 2 * GetSystemMetrics(SM_CXFRAME));
  EXPECT_EQ(client.bottom, 360 - 2 * GetSystemMetrics(SM_CYFRAME) - GetSystemMetrics(SM_CYCAPTION));
  POINT p{0, 0};
  ClientToScreen(h, &p);
  EXPECT_EQ(p.x, outer.left + GetSystemMetrics(SM_CXFRAME));
  ScreenToClient(h, &p);
  EXPECT_EQ(p.x, 0);
}

TEST_F(WindowTest, SetWindowPosAppliesTheSizeTheProcedureRewrote) {
  HWND h = OpenMain();
  PosChangingHook() = [](WINDOWPOS* wp) {
    if (!(wp->flags & SWP_NOSIZE)) {
      wp->cx = 300;
      wp->cy = 200;
    }
  };
  ASSERT_TRUE(SetWindowPos(h, HWND_TOP, 10, 20, 640, 480, SWP_NOACTIVATE));
  RECT r;
  GetWindowRect(h, &r);
  EXPECT_EQ(r.left, 10);
  EXPECT_EQ(r.top, 20);
  EXPECT_EQ(r.right - r.left, 300);
  EXPECT_EQ(r.bottom - r.top, 200);
  std::vector<UINT> m = Messages(h);
  ASSERT_TRUE(Contains(m, WM_WINDOWPOSCHANGING));
  ASSERT_TRUE(Contains(m, WM_WINDOWPOSCHANGED));
  ASSERT_TRUE(Contains(m, WM_SIZE));
  EXPECT_LT(IndexOf(m, WM_WINDOWPOSCHANGING), IndexOf(m, WM_WINDOWPOSCHANGED));
  auto sizes = Of(WM_SIZE);
  EXPECT_EQ(LOWORD(sizes.back().lParam), 300 - 2 * GetSystemMetrics(SM_CXFRAME));

  os::TestFailCall("SetWindowPos", 5);
  EXPECT_FALSE(SetWindowPos(h, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE));
  EXPECT_EQ(GetLastError(), 5u);
}

TEST_F(WindowTest, TopmostFollowsSetWindowPosInsertAfter) {
  HWND h = OpenMain();
  SetWindowPos(h, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_TRUE(GetWindowLongA(h, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_EQ(GetTopWindow(nullptr), h);
  SetWindowPos(h, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_FALSE(GetWindowLongA(h, GWL_EXSTYLE) & WS_EX_TOPMOST);
}

TEST_F(WindowTest, MinimiseAndRestoreReportPositionsAndSizesAsWindowsDoes) {
  HWND h = OpenMain();
  for (bool throughWindowSystem : {false, true}) {
    Log().clear();
    if (throughWindowSystem) {
      os::TestWindowEvent(os::WindowEvent::Minimized);
      Pump();
    } else {
      ShowWindow(h, SW_MINIMIZE);
    }
    EXPECT_TRUE(IsIconic(h));
    auto changed = Of(WM_WINDOWPOSCHANGED);
    ASSERT_FALSE(changed.empty());
    auto* wp = reinterpret_cast<const WINDOWPOS*>(changed.back().lParam);
    (void)wp;  // only valid during the call; the checks below use what the procedure saw
    auto sizes = Of(WM_SIZE);
    ASSERT_FALSE(sizes.empty());
    EXPECT_EQ(sizes.back().wParam, SIZE_MINIMIZED);
    RECT r;
    GetWindowRect(h, &r);
    EXPECT_LT(r.left, -10000);

    Log().clear();
    if (throughWindowSystem) {
      os::TestWindowEvent(os::WindowEvent::Restored);
      Pump();
    } else {
      ShowWindow(h, SW_RESTORE);
    }
    EXPECT_FALSE(IsIconic(h));
    sizes = Of(WM_SIZE);
    ASSERT_FALSE(sizes.empty());
    EXPECT_EQ(sizes.back().wParam, SIZE_RESTORED);
    EXPECT_GT(LOWORD(sizes.back().lParam), 0);
    GetWindowRect(h, &r);
    EXPECT_EQ(r.left, 0);
  }
}

TEST_F(WindowTest, MinimisedPositionReachesThePosChangedHandler) {
  HWND h = OpenMain();
  static int seenX = 0;
  PosChangingHook() = nullptr;
  WNDPROC old = reinterpret_cast<WNDPROC>(GetWindowLongA(h, GWL_WNDPROC));
  static WNDPROC chain = old;
  SetWindowLongA(h, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(+[](HWND w, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
    if (m == WM_WINDOWPOSCHANGED) seenX = reinterpret_cast<const WINDOWPOS*>(lp)->x;
    return CallWindowProcA(chain, w, m, wp, lp);
  }));
  ShowWindow(h, SW_MINIMIZE);
  EXPECT_EQ(seenX, -32000);
  ShowWindow(h, SW_RESTORE);
  EXPECT_EQ(seenX, 0);
}

TEST_F(WindowTest, FocusChangesActivateAndDeactivateTheApplication) {
  HWND h = OpenMain(true, false);
  ShowWindow(h, SW_SHOW);
  std::vector<UINT> m = Messages(h);
  ASSERT_TRUE(Contains(m, WM_ACTIVATEAPP));
  EXPECT_LT(IndexOf(m, WM_ACTIVATEAPP), IndexOf(m, WM_ACTIVATE));
  EXPECT_LT(IndexOf(m, WM_ACTIVATE), IndexOf(m, WM_SETFOCUS));
  EXPECT_EQ(Of(WM_ACTIVATEAPP).back().wParam, static_cast<WPARAM>(TRUE));
  EXPECT_EQ(GetForegroundWindow(), h);
  EXPECT_EQ(GetFocus(), h);

  Log().clear();
  os::TestWindowEvent(os::WindowEvent::FocusLost);
  Pump();
  ASSERT_FALSE(Of(WM_ACTIVATEAPP).empty());
  EXPECT_EQ(Of(WM_ACTIVATEAPP).back().wParam, static_cast<WPARAM>(FALSE));
  EXPECT_EQ(Of(WM_ACTIVATE).back().wParam, WA_INACTIVE);
  EXPECT_NE(GetForegroundWindow(), h);
  EXPECT_NE(GetForegroundWindow(), nullptr);  // some other program's window
  EXPECT_NE(GetTopWindow(nullptr), h);
  EXPECT_EQ(GetActiveWindow(), nullptr);

  Log().clear();
  os::TestWindowEvent(os::WindowEvent::FocusGained);
  Pump();
  EXPECT_EQ(Of(WM_ACTIVATEAPP).size(), 1u);
  EXPECT_EQ(GetForegroundWindow(), h);

  // Repeated activation sends nothing new.
  Log().clear();
  SetForegroundWindow(h);
  SetActiveWindow(h);
  EXPECT_TRUE(Of(WM_ACTIVATEAPP).empty());

  os::TestFailCall("SetForegroundWindow", 1400);
  EXPECT_FALSE(SetForegroundWindow(h));
  EXPECT_EQ(GetLastError(), 1400u);
}

TEST_F(WindowTest, DestroyingAParentDestroysItsChildrenAndDropsTheirMessages) {
  HWND h = OpenMain();
  HWND child = CreateWindowExA(0, "OsWinTestClass", "c", WS_CHILD | WS_VISIBLE, 5, 5, 20, 20, h, nullptr, nullptr,
                               nullptr);
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(GetParent(child), h);
  EXPECT_EQ(GetAncestor(child, GA_ROOT), h);
  EXPECT_EQ(GetWindow(h, GW_CHILD), child);
  RECT r;
  GetWindowRect(child, &r);
  POINT origin{0, 0};
  ClientToScreen(h, &origin);
  EXPECT_EQ(r.left, origin.x + 5);
  PostMessageA(child, WM_USER, 1, 2);
  Log().clear();
  ASSERT_TRUE(DestroyWindow(h));
  std::vector<UINT> m = Messages();
  ASSERT_GE(m.size(), 2u);
  EXPECT_EQ(Log()[0].hwnd, h);
  EXPECT_EQ(Log()[0].msg, static_cast<UINT>(WM_DESTROY));
  EXPECT_FALSE(IsWindow(h));
  EXPECT_FALSE(IsWindow(child));
  EXPECT_EQ(os::TestMainWindow(), nullptr);
  MSG msg;
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_REMOVE));
  EXPECT_FALSE(DestroyWindow(h));
}

TEST_F(WindowTest, ForeignWindowsRecordWhatTheyAreSentAndCanVanish) {
  HWND host = os::TestCreateForeignWindow("HostClass", "Host", 960, 720);
  EXPECT_TRUE(IsWindow(host));
  RECT c;
  GetClientRect(host, &c);
  EXPECT_EQ(c.right, 960);
  EXPECT_EQ(c.bottom, 720);
  SendMessageA(host, WM_USER, 1, 0);
  PostMessageA(host, WM_USER + 2, 3, 4);
  auto rec = os::TestForeignMessages(host);
  ASSERT_EQ(rec.size(), 2u);
  EXPECT_TRUE(rec[0].sent);
  EXPECT_EQ(rec[0].wParam, 1u);
  EXPECT_FALSE(rec[1].sent);
  EXPECT_EQ(rec[1].msg, static_cast<UINT>(WM_USER + 2));
  EXPECT_EQ(FindWindowA("hostclass", nullptr), host);
  DestroyWindow(host);
  EXPECT_FALSE(IsWindow(host));
}

TEST_F(WindowTest, DefaultHandlingClosesDestroysAndHitTestsTheFrame) {
  HWND h = OpenMain();
  RECT outer, client;
  GetWindowRect(h, &outer);
  GetClientRect(h, &client);
  POINT c{10, 10};
  ClientToScreen(h, &c);
  struct Case {
    int x, y;
    LRESULT expected;
  } cases[] = {
      {c.x, c.y, HTCLIENT},
      {outer.left + 100, outer.top + GetSystemMetrics(SM_CYFRAME) + 2, HTCAPTION},
      {outer.left, outer.top + 100, HTLEFT},
      {outer.right - 1, outer.top + 100, HTRIGHT},
      {outer.left + 100, outer.bottom - 1, HTBOTTOM},
      {outer.right - 1, outer.bottom - 1, HTBOTTOMRIGHT},
      {outer.left, outer.top, HTTOPLEFT},
      {outer.right + 5, outer.top, HTNOWHERE},
  };
  for (const Case& k : cases)
    EXPECT_EQ(DefWindowProcA(h, WM_NCHITTEST, 0, MAKELPARAM(k.x, k.y)), k.expected) << k.x << "," << k.y;

  // Alt+F4 goes to WM_SYSCOMMAND SC_CLOSE, then WM_CLOSE, which destroys by default.
  Log().clear();
  DefWindowProcA(h, WM_SYSKEYDOWN, VK_F4, KF_ALTDOWN_BIT);
  std::vector<UINT> m = Messages();
  EXPECT_TRUE(Contains(m, WM_CLOSE));
  EXPECT_TRUE(Contains(m, WM_DESTROY));
  EXPECT_FALSE(IsWindow(h));
}

TEST_F(WindowTest, TheWindowSystemsCloseButtonArrivesAsSysCommandThenClose) {
  HWND h = OpenMain();
  os::TestWindowEvent(os::WindowEvent::Close);
  Pump();
  std::vector<UINT> m = Messages();
  ASSERT_TRUE(Contains(m, WM_SYSCOMMAND));
  EXPECT_LT(IndexOf(m, WM_SYSCOMMAND), IndexOf(m, WM_CLOSE));
  EXPECT_FALSE(IsWindow(h));  // the recording procedure lets DefWindowProc destroy it
  MSG quit;
  EXPECT_FALSE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));  // nobody posted a quit
}

TEST_F(WindowTest, TitlesAndMenuCallsAreKept) {
  HWND h = OpenMain();
  ASSERT_TRUE(SetWindowTextW(h, u"Caf\u00e9"));
  char buf[16];
  EXPECT_EQ(GetWindowTextA(h, buf, sizeof(buf)), 5);
  EXPECT_STREQ(buf, "Caf\xc3\xa9");
  char tiny[3];
  EXPECT_EQ(GetWindowTextA(h, tiny, sizeof(tiny)), 2);
  HMENU menu = GetSystemMenu(h, FALSE);
  ASSERT_NE(menu, nullptr);
  MENUITEMINFOA mi{};
  mi.cbSize = sizeof(mi);
  mi.fMask = MIIM_STATE;
  mi.fState = MFS_DISABLED | MFS_GRAYED;
  SetMenuItemInfoA(menu, static_cast<UINT>(SC_SIZE), FALSE, &mi);
  auto calls = os::TestMenuCalls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].item, static_cast<UINT>(SC_SIZE));
  EXPECT_EQ(calls[0].state, MFS_GRAYED);
  EXPECT_EQ(GetMenu(h), nullptr);
}

TEST_F(WindowTest, ScreenMetricsAndWorkAreaCanBeSetByTests) {
  os::TestSetSystemMetric(SM_CXSCREEN, 1024);
  os::TestSetSystemMetric(SM_CYSCREEN, 768);
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
  os::TestSetWorkArea(RECT{0, 0, 1024, 740});
  RECT wa;
  ASSERT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &wa, 0));
  EXPECT_EQ(wa.bottom, 740);
  EXPECT_FALSE(SystemParametersInfoA(SPI_GETWORKAREA, 0, nullptr, 0));
}

TEST_F(WindowTest, ClassCursorZeroHidesThePointerOverTheClientArea) {
  HWND h = OpenMain();
  os::TestMouseMove(30, 30);
  Pump();
  EXPECT_TRUE(os::TestPointerVisible());  // WM_SETCURSOR set the class's arrow
  SetClassLongA(h, GCL_HCURSOR, 0);
  EXPECT_FALSE(os::TestPointerVisible());
  SetCursor(LoadCursorA(nullptr, IDC_ARROW));
  EXPECT_TRUE(os::TestPointerVisible());
  ShowCursor(FALSE);
  EXPECT_FALSE(os::TestPointerVisible());
  ShowCursor(TRUE);
  EXPECT_TRUE(os::TestPointerVisible());
}

TEST_F(WindowTest, ColourCursorsNeedABackEndThatMakesThemAndOnlyTheyAreDestroyed) {
  OpenMain();
  const uint32_t pixels[4] = {0xFF000000u, 0xFFFFFFFFu, 0u, 0xFF808080u};
  // The headless video driver has no cursors: nothing is made, and the caller is told why.
  SetLastError(0);
  EXPECT_EQ(CreateColorCursor(pixels, 2, 2, 2, 0, 0), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_NOT_SUPPORTED);
  EXPECT_EQ(CreateColorCursor(pixels, 2, 2, 1, 0, 0), nullptr);  // rows narrower than the picture
  // System cursors and unknown handles are not destroyed.
  EXPECT_FALSE(DestroyCursor(LoadCursorA(nullptr, IDC_ARROW)));
  EXPECT_FALSE(DestroyCursor(nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}
