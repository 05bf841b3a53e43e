// Message queues, retrieval order, character messages, key state, timers, capture, hover and leave,
// and the pointer, driven through the simulated input of the control interface.
#include <atomic>
#include <thread>

#include "os/faultinject.h"
#include "os/thread.h"
#include "oswin_fixture.h"
#include "wait_until.h"

using namespace oswin_test;

namespace {

std::vector<UINT> Kinds(const std::vector<MSG>& msgs) {
  std::vector<UINT> out;
  for (const MSG& m : msgs) out.push_back(m.message);
  return out;
}

std::vector<WPARAM> CharsOf(const std::vector<MSG>& msgs, UINT kind) {
  std::vector<WPARAM> out;
  for (const MSG& m : msgs)
    if (m.message == kind) out.push_back(m.wParam);
  return out;
}

}  // namespace

TEST_F(WindowTest, RetrievalOrderIsPostedThenQuitThenPaintThenTimer) {
  HWND h = OpenMain();
  SetTimer(h, 7, 100, nullptr);
  os::TestAdvanceTime(150);
  InvalidateRect(h, nullptr, TRUE);
  PostQuitMessage(3);
  PostMessageA(h, WM_USER + 1, 1, 0);
  PostMessageA(nullptr, WM_USER + 2, 2, 0);  // thread message
  PostMessageA(h, WM_USER + 3, 3, 0);

  // A filter takes the quit early, past what waits.
  MSG m;
  ASSERT_TRUE(PeekMessageA(&m, nullptr, WM_USER + 3, WM_USER + 3, PM_REMOVE));
  EXPECT_EQ(m.wParam, 3u);

  std::vector<MSG> taken = Pump();
  ASSERT_EQ(taken.size(), 5u);
  EXPECT_EQ(taken[0].message, static_cast<UINT>(WM_USER + 1));
  EXPECT_EQ(taken[1].message, static_cast<UINT>(WM_USER + 2));
  EXPECT_EQ(taken[1].hwnd, nullptr);
  EXPECT_EQ(taken[2].message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(taken[2].wParam, 3u);
  EXPECT_EQ(taken[3].message, static_cast<UINT>(WM_PAINT));
  EXPECT_EQ(taken[4].message, static_cast<UINT>(WM_TIMER));
  EXPECT_EQ(taken[4].wParam, 7u);
  EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));  // DefWindowProc validated the paint
}

TEST_F(WindowTest, PeekWithoutRemoveLeavesTheMessageAndBadWindowsAreRefused) {
  HWND h = OpenMain();
  PostMessageA(h, WM_USER, 5, 6);
  MSG m;
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE));
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.lParam, 6);
  EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  HWND dead = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x7FFFFFF0));
  EXPECT_FALSE(PostMessageA(dead, WM_USER, 0, 0));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
  EXPECT_EQ(SendMessageA(dead, WM_USER, 0, 0), 0);
}

TEST_F(WindowTest, OtherThreadsPostIntoTheWindowsQueueAndGetMessageWaitsForIt) {
  HWND h = OpenMain();
  std::thread poster([h] {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    PostMessageA(h, WM_USER + 9, 42, 0);
  });
  MSG m;
  BOOL r = GetMessageA(&m, nullptr, WM_USER + 9, WM_USER + 9);
  poster.join();
  EXPECT_TRUE(r);
  EXPECT_EQ(m.wParam, 42u);
  PostQuitMessage(0);
  EXPECT_FALSE(GetMessageA(&m, nullptr, 0, 0));
}

TEST_F(WindowTest, SendMessageCallsTheProcedureAtOnce) {
  HWND h = OpenMain();
  EXPECT_EQ(SendMessageA(h, WM_ERASEBKGND, 0, 0), 1);  // DefWindowProc's answer comes back
  ASSERT_EQ(Log().size(), 1u);
  EXPECT_EQ(Log()[0].msg, static_cast<UINT>(WM_ERASEBKGND));
}

// What typing a key gives: the key message, and the character messages TranslateMessage makes.
struct KeyCase {
  const char* name;
  int vk;
  unsigned mods;
  UINT keyMessage;
  UINT charMessage;  // 0: none
  std::vector<WPARAM> chars;
};

void PrintTo(const KeyCase& k, std::ostream* os) { *os << k.name; }

class TypingTest : public WindowTest, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(TypingTest, KeysMakeTheCharactersWindowsMakes) {
  const KeyCase& k = GetParam();
  OpenMain();
  for (int vk : {VK_SHIFT, VK_CONTROL, VK_MENU}) {
    unsigned bit = vk == VK_SHIFT ? os::kModShift : vk == VK_CONTROL ? os::kModCtrl : os::kModAlt;
    if (k.mods & bit) os::TestKey(vk, true);
  }
  Pump();
  os::TestKeyPress(k.vk);
  std::vector<MSG> taken = Pump();
  for (int vk : {VK_SHIFT, VK_CONTROL, VK_MENU}) os::TestKey(vk, false);
  Pump();
  ASSERT_FALSE(taken.empty());
  EXPECT_EQ(taken[0].message, k.keyMessage);
  EXPECT_EQ(taken[0].wParam, static_cast<WPARAM>(k.vk));
  if (k.charMessage) {
    EXPECT_EQ(CharsOf(taken, k.charMessage), k.chars);
    // The character comes right after its key-down.
    ASSERT_GE(taken.size(), 2u);
    EXPECT_EQ(taken[1].message, k.charMessage);
  } else {
    EXPECT_TRUE(CharsOf(taken, WM_CHAR).empty());
    EXPECT_TRUE(CharsOf(taken, WM_SYSCHAR).empty());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Keys, TypingTest,
    ::testing::Values(
        KeyCase{"Letter", 'A', 0, WM_KEYDOWN, WM_CHAR, {'a'}},
        KeyCase{"ShiftLetter", 'A', os::kModShift, WM_KEYDOWN, WM_CHAR, {'A'}},
        KeyCase{"Digit", '7', 0, WM_KEYDOWN, WM_CHAR, {'7'}},
        KeyCase{"ShiftDigit", '1', os::kModShift, WM_KEYDOWN, WM_CHAR, {'!'}},
        KeyCase{"Space", VK_SPACE, 0, WM_KEYDOWN, WM_CHAR, {' '}},
        KeyCase{"Backspace", VK_BACK, 0, WM_KEYDOWN, WM_CHAR, {8}},
        KeyCase{"Tab", VK_TAB, 0, WM_KEYDOWN, WM_CHAR, {9}},
        KeyCase{"ShiftTab", VK_TAB, os::kModShift, WM_KEYDOWN, WM_CHAR, {9}},
        KeyCase{"Enter", VK_RETURN, 0, WM_KEYDOWN, WM_CHAR, {13}},
        KeyCase{"Escape", VK_ESCAPE, 0, WM_KEYDOWN, WM_CHAR, {27}},
        KeyCase{"CtrlA", 'A', os::kModCtrl, WM_KEYDOWN, WM_CHAR, {1}},
        KeyCase{"CtrlV", 'V', os::kModCtrl, WM_KEYDOWN, WM_CHAR, {22}},
        KeyCase{"CtrlZ", 'Z', os::kModCtrl, WM_KEYDOWN, WM_CHAR, {26}},
        KeyCase{"CtrlBackspace", VK_BACK, os::kModCtrl, WM_KEYDOWN, WM_CHAR, {0x7F}},
        KeyCase{"CtrlDigitNothing", '5', os::kModCtrl, WM_KEYDOWN, 0, {}},
        KeyCase{"Oem", VK_OEM_1, os::kModShift, WM_KEYDOWN, WM_CHAR, {':'}},
        KeyCase{"ArrowNothing", VK_LEFT, 0, WM_KEYDOWN, 0, {}},
        KeyCase{"F1Nothing", VK_F1, 0, WM_KEYDOWN, 0, {}},
        KeyCase{"InsertNothing", VK_INSERT, os::kModShift, WM_KEYDOWN, 0, {}},
        KeyCase{"AltF1IsSystem", VK_F1, os::kModAlt, WM_SYSKEYDOWN, 0, {}},
        KeyCase{"AltEnterIsSystem", VK_RETURN, os::kModAlt, WM_SYSKEYDOWN, WM_SYSCHAR, {13}},
        KeyCase{"F10IsSystem", VK_F10, 0, WM_SYSKEYDOWN, 0, {}},
        KeyCase{"CtrlAltIsNotSystem", 'Q', os::kModCtrl | os::kModAlt, WM_KEYDOWN, 0, {}}),
    [](const ::testing::TestParamInfo<KeyCase>& i) { return std::string(i.param.name); });

TEST_F(WindowTest, KeyMessagesCarryExtendedAltRepeatAndReleaseBits) {
  OpenMain();
  os::TestKeyPress(VK_LEFT);
  std::vector<MSG> t = Pump();
  ASSERT_EQ(t.size(), 2u);
  EXPECT_TRUE(t[0].lParam & KF_EXTENDED_BIT);
  EXPECT_FALSE(t[0].lParam & KF_UP_BIT);
  EXPECT_EQ(t[1].message, static_cast<UINT>(WM_KEYUP));
  EXPECT_TRUE(t[1].lParam & KF_UP_BIT);
  EXPECT_TRUE(t[1].lParam & KF_REPEAT_BIT);

  os::TestKeyPress('A');
  t = Pump();
  EXPECT_FALSE(t[0].lParam & KF_EXTENDED_BIT);

  os::TestKey(VK_MENU, true);
  os::TestKeyPress('X');
  os::TestKey(VK_MENU, false);
  t = Pump();
  ASSERT_GE(t.size(), 3u);
  EXPECT_EQ(t[0].message, static_cast<UINT>(WM_SYSKEYDOWN));  // Alt itself
  EXPECT_EQ(t[1].message, static_cast<UINT>(WM_SYSKEYDOWN));
  EXPECT_EQ(t[1].wParam, static_cast<WPARAM>('X'));
  EXPECT_TRUE(t[1].lParam & KF_ALTDOWN_BIT);

  os::TestKeyPress(VK_F10);
  t = Pump();
  EXPECT_EQ(t[0].message, static_cast<UINT>(WM_SYSKEYDOWN));
  EXPECT_FALSE(t[0].lParam & KF_ALTDOWN_BIT);

  os::TestKey('B', true);
  os::TestKey('B', true);  // auto-repeat
  os::TestKey('B', false);
  t = Pump();
  std::vector<MSG> downs;
  for (const MSG& m : t)
    if (m.message == WM_KEYDOWN) downs.push_back(m);
  ASSERT_EQ(downs.size(), 2u);
  EXPECT_FALSE(downs[0].lParam & KF_REPEAT_BIT);
  EXPECT_TRUE(downs[1].lParam & KF_REPEAT_BIT);
}

TEST_F(WindowTest, TextInputBecomesUtf16UnitsWideAndWindows1252Ansi) {
  OpenMain();
  const std::string text = "e\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80z";  // e é € U+1F600 z
  os::TestText(text);
  EXPECT_EQ(CharsOf(Pump(true), WM_CHAR), (std::vector<WPARAM>{'e', 0xE9, 0x20AC, 0xD83D, 0xDE00, 'z'}));
  os::TestText(text);
  // ANSI: the code page is UTF-8, so each character comes as its bytes, the pair as one character.
  EXPECT_EQ(CharsOf(Pump(false), WM_CHAR),
            (std::vector<WPARAM>{'e', 0xC3, 0xA9, 0xE2, 0x82, 0xAC, 0xF0, 0x9F, 0x98, 0x80, 'z'}));
  // A lone surrogate becomes U+FFFD.
  HWND h = os::TestMainWindow();
  PostMessageW(h, WM_CHAR, 0xDC01, 0);
  EXPECT_EQ(CharsOf(Pump(false), WM_CHAR), (std::vector<WPARAM>{0xEF, 0xBF, 0xBD}));
}

TEST_F(WindowTest, KeyboardTextRidesOnItsKeyDown) {
  OpenMain();
  // A layout where the key 2 types "é": the text, not the US table, decides the character.
  os::TestKey('2', true);
  os::TestText("\xc3\xa9");
  os::TestKey('2', false);
  std::vector<MSG> t = Pump();
  ASSERT_EQ(Kinds(t), (std::vector<UINT>{WM_KEYDOWN, WM_CHAR, WM_KEYUP}));
  EXPECT_EQ(t[1].wParam, 0xE9u);
  // Without TranslateMessage there is no character at all.
  os::TestKeyPress('Q');
  MSG m;
  std::vector<UINT> kinds;
  while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) kinds.push_back(m.message);
  EXPECT_EQ(kinds, (std::vector<UINT>{WM_KEYDOWN, WM_KEYUP}));
}

TEST_F(WindowTest, PostedKeyDownsTranslateByTheKeyStateOfTheirMessage) {
  HWND h = OpenMain();
  os::TestInjectInput(h, WM_KEYDOWN, VK_SHIFT, 1, os::kModShift);
  os::TestInjectInput(h, WM_KEYDOWN, 'K', 1, os::kModShift);
  os::TestInjectInput(h, WM_KEYUP, VK_SHIFT, 1 | KF_UP_BIT | KF_REPEAT_BIT, 0);
  os::TestInjectInput(h, WM_KEYDOWN, 'K', 1, 0);
  std::vector<MSG> t = Pump();
  EXPECT_EQ(CharsOf(t, WM_CHAR), (std::vector<WPARAM>{'K', 'k'}));
}

TEST_F(WindowTest, KeyStateIsAsOfTheMessageBeingHandled) {
  HWND h = OpenMain();
  os::TestKey(VK_SHIFT, true);
  os::TestKey('A', true);
  os::TestKey('A', false);
  os::TestKey(VK_SHIFT, false);
  // All four are waiting; while 'A' is handled Shift is down although it is up by now.
  MSG m;
  std::vector<std::pair<UINT, bool>> seen;
  while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    if (m.message == WM_KEYDOWN || m.message == WM_KEYUP)
      seen.push_back({static_cast<UINT>(m.wParam), (GetKeyState(VK_SHIFT) & 0x8000) != 0});
  }
  ASSERT_EQ(seen.size(), 4u);
  EXPECT_TRUE(seen[1].second);   // 'A' down
  EXPECT_TRUE(seen[2].second);   // 'A' up
  EXPECT_FALSE(seen[3].second);  // Shift up
  EXPECT_FALSE(GetKeyState('A') & 0x8000);
  EXPECT_EQ(GetKeyState('A') & 1, 1);  // toggled once
  (void)h;
  // Posted (not input) messages leave the key state alone.
  PostMessageA(h, WM_KEYDOWN, VK_CONTROL, 1);
  Pump();
  EXPECT_FALSE(GetKeyState(VK_CONTROL) & 0x8000);
}

TEST_F(WindowTest, TimersFireAfterTheirIntervalOnlyWhenNothingElseWaits) {
  HWND h = OpenMain();
  EXPECT_EQ(SetTimer(h, 1, 250, nullptr), 1u);
  MSG m;
  EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  os::TestAdvanceTime(249);
  EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  os::TestAdvanceTime(1000);  // four intervals late: still one WM_TIMER
  PostMessageA(h, WM_USER, 0, 0);
  std::vector<MSG> t = Pump();
  EXPECT_EQ(Kinds(t), (std::vector<UINT>{WM_USER, WM_TIMER}));
  os::TestAdvanceTime(250);
  EXPECT_EQ(Kinds(Pump()), (std::vector<UINT>{WM_TIMER}));
  // Setting the same id again restarts it.
  os::TestAdvanceTime(200);
  SetTimer(h, 1, 250, nullptr);
  os::TestAdvanceTime(100);
  EXPECT_TRUE(Pump().empty());
  EXPECT_TRUE(KillTimer(h, 1));
  os::TestAdvanceTime(1000);
  EXPECT_TRUE(Pump().empty());
  EXPECT_FALSE(KillTimer(h, 1));
}

TEST_F(WindowTest, ThreadTimersCallTheirProcedureOnDispatch) {
  OpenMain();
  static int calls = 0;
  calls = 0;
  UINT_PTR id = SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR, DWORD) { ++calls; });
  EXPECT_NE(id, 0u);
  os::TestAdvanceTime(60);
  std::vector<MSG> t = Pump();
  ASSERT_EQ(t.size(), 1u);
  EXPECT_EQ(t[0].hwnd, nullptr);
  EXPECT_EQ(calls, 1);
  KillTimer(nullptr, id);
}

TEST_F(WindowTest, CaptureChangesAreSentToTheWindowThatLosesIt) {
  HWND h = OpenMain();
  HWND child = CreateWindowExA(0, "OsWinTestClass", "", WS_CHILD, 0, 0, 10, 10, h, nullptr, nullptr, nullptr);
  EXPECT_EQ(SetCapture(h), nullptr);
  EXPECT_EQ(GetCapture(), h);
  Log().clear();
  EXPECT_EQ(SetCapture(h), h);  // again: nothing sent
  EXPECT_TRUE(Log().empty());
  EXPECT_EQ(SetCapture(child), h);
  auto changed = Of(WM_CAPTURECHANGED);
  ASSERT_EQ(changed.size(), 1u);
  EXPECT_EQ(changed[0].hwnd, h);
  EXPECT_EQ(changed[0].lParam, reinterpret_cast<LPARAM>(child));
  Log().clear();
  ReleaseCapture();
  changed = Of(WM_CAPTURECHANGED);
  ASSERT_EQ(changed.size(), 1u);
  EXPECT_EQ(changed[0].hwnd, child);
  EXPECT_EQ(changed[0].lParam, 0);
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(WindowTest, MouseInputArrivesAsWindowsMouseMessages) {
  HWND h = OpenMain();
  os::TestMouseMove(40, 50);
  std::vector<MSG> t = Pump();
  ASSERT_EQ(Kinds(t), (std::vector<UINT>{WM_MOUSEMOVE}));
  EXPECT_EQ(GET_X_LPARAM(t[0].lParam), 40);
  EXPECT_EQ(GET_Y_LPARAM(t[0].lParam), 50);
  EXPECT_FALSE(Of(WM_SETCURSOR).empty());
  EXPECT_EQ(LOWORD(Of(WM_SETCURSOR).back().lParam), HTCLIENT);

  os::TestMouseMove(40, 50);  // no move: no message
  EXPECT_TRUE(Pump().empty());

  os::TestKey(VK_SHIFT, true);
  Pump();
  os::TestMouseButton(1, true);
  os::TestMouseButton(1, false);
  os::TestMouseButton(3, true);
  os::TestMouseButton(3, false);
  os::TestMouseButton(2, true);
  os::TestMouseButton(4, true);
  os::TestMouseButton(5, true);
  os::TestMouseWheel(-1);
  os::TestMouseWheel(2);
  t = Pump();
  os::TestKey(VK_SHIFT, false);
  EXPECT_EQ(Kinds(t), (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONDOWN, WM_RBUTTONUP, WM_MBUTTONDOWN,
                                          WM_XBUTTONDOWN, WM_XBUTTONDOWN, WM_MOUSEWHEEL, WM_MOUSEWHEEL}));
  EXPECT_EQ(t[0].wParam, MK_LBUTTON | MK_SHIFT);
  EXPECT_EQ(t[1].wParam, MK_SHIFT);
  EXPECT_EQ(GET_X_LPARAM(t[0].lParam), 40);
  EXPECT_EQ(HIWORD(t[5].wParam), XBUTTON1);
  EXPECT_EQ(HIWORD(t[6].wParam), XBUTTON2);
  EXPECT_EQ(static_cast<SHORT>(HIWORD(t[7].wParam)), -WHEEL_DELTA);
  EXPECT_EQ(static_cast<SHORT>(HIWORD(t[8].wParam)), 2 * WHEEL_DELTA);
  POINT screen{40, 50};
  ClientToScreen(h, &screen);
  EXPECT_EQ(GET_X_LPARAM(t[7].lParam), screen.x);  // wheel positions are screen pixels
  for (int b : {2, 4, 5}) os::TestMouseButton(b, false);
  Pump();
}

TEST_F(WindowTest, AClickOnAnInactiveWindowActivatesItWithMouseActivate) {
  HWND h = OpenMain();
  os::TestWindowEvent(os::WindowEvent::FocusLost);
  Pump();
  Log().clear();
  os::TestMouseMove(10, 10);
  os::TestMouseButton(1, true);
  os::TestMouseButton(1, false);
  Pump();
  std::vector<UINT> m = Messages(h);
  auto first = [&](UINT x) { return std::find(m.begin(), m.end(), x) - m.begin(); };
  ASSERT_NE(first(WM_MOUSEACTIVATE), static_cast<long>(m.size()));
  EXPECT_LT(first(WM_MOUSEACTIVATE), first(WM_ACTIVATEAPP));
  EXPECT_LT(first(WM_ACTIVATEAPP), first(WM_LBUTTONDOWN));
  EXPECT_EQ(GetForegroundWindow(), h);
  // While active, clicks come without it.
  Log().clear();
  os::TestMouseButton(1, true);
  os::TestMouseButton(1, false);
  Pump();
  EXPECT_TRUE(Of(WM_MOUSEACTIVATE).empty());
}

TEST_F(WindowTest, HoverComesOnceAfterThePointerRestsAndLeaveWhenItGoes) {
  HWND h = OpenMain();
  os::TestMouseMove(100, 100);
  Pump();
  TRACKMOUSEEVENT tme{sizeof(tme), TME_HOVER | TME_LEAVE, h, HOVER_DEFAULT};
  ASSERT_TRUE(TrackMouseEvent(&tme));
  os::TestAdvanceTime(300);
  os::TestMouseMove(102, 98);  // within the 4x4 box: the rest goes on
  Pump();
  os::TestAdvanceTime(100);
  std::vector<MSG> t = Pump();
  ASSERT_EQ(Kinds(t), (std::vector<UINT>{WM_MOUSEHOVER}));
  EXPECT_EQ(GET_X_LPARAM(t[0].lParam), 102);
  os::TestAdvanceTime(1000);
  EXPECT_TRUE(Pump().empty());  // one-shot

  tme.dwFlags = TME_HOVER;
  TrackMouseEvent(&tme);
  os::TestAdvanceTime(300);
  os::TestMouseMove(110, 100);  // left the box: starts again
  Pump();
  os::TestAdvanceTime(300);
  EXPECT_TRUE(Kinds(Pump()) == (std::vector<UINT>{}));
  os::TestAdvanceTime(100);
  EXPECT_EQ(Kinds(Pump()), (std::vector<UINT>{WM_MOUSEHOVER}));

  os::TestWindowEvent(os::WindowEvent::Leave);
  EXPECT_EQ(Kinds(Pump()), (std::vector<UINT>{WM_MOUSELEAVE}));
  os::TestWindowEvent(os::WindowEvent::Leave);
  EXPECT_TRUE(Pump().empty());  // not tracked any more

  // Asking while the pointer is already outside gives the leave at once.
  tme.dwFlags = TME_LEAVE;
  TrackMouseEvent(&tme);
  EXPECT_EQ(Kinds(Pump()), (std::vector<UINT>{WM_MOUSELEAVE}));

  os::TestFailCall("TrackMouseEvent", 1);
  EXPECT_FALSE(TrackMouseEvent(&tme));
}

TEST_F(WindowTest, LeaveWaitsWhileTheMouseIsCaptured) {
  HWND h = OpenMain();
  os::TestMouseMove(10, 10);
  Pump();
  TRACKMOUSEEVENT tme{sizeof(tme), TME_LEAVE, h, HOVER_DEFAULT};
  TrackMouseEvent(&tme);
  SetCapture(h);
  os::TestMouseMove(-20, 10);  // dragged outside: still reported to the capture window
  os::TestWindowEvent(os::WindowEvent::Leave);
  std::vector<MSG> t = Pump();
  EXPECT_EQ(Kinds(t), (std::vector<UINT>{WM_MOUSEMOVE}));
  EXPECT_EQ(GET_X_LPARAM(t[0].lParam), -20);
  ReleaseCapture();
  EXPECT_EQ(Kinds(Pump()), (std::vector<UINT>{WM_MOUSELEAVE}));
}

TEST_F(WindowTest, SetCursorPosMovesThePointerAndQueuesAMove) {
  HWND h = OpenMain();
  POINT target{60, 70};
  ClientToScreen(h, &target);
  ASSERT_TRUE(SetCursorPos(target.x, target.y));
  POINT p;
  GetCursorPos(&p);
  EXPECT_EQ(p.x, target.x);
  EXPECT_EQ(p.y, target.y);
  std::vector<MSG> t = Pump();
  ASSERT_EQ(Kinds(t), (std::vector<UINT>{WM_MOUSEMOVE}));
  EXPECT_EQ(GET_X_LPARAM(t[0].lParam), 60);
  SetCursorPos(target.x, target.y);  // same place: no move
  EXPECT_TRUE(Pump().empty());
  // The pointer position is readable from another thread.
  POINT fromThread{};
  std::thread reader([&] { GetCursorPos(&fromThread); });
  reader.join();
  EXPECT_EQ(fromThread.x, target.x);
}

TEST_F(WindowTest, MsgWaitWaitsForTheTimeOut) {
  OpenMain();
  DWORD before = timeGetTime();
  EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, 0), WAIT_TIMEOUT);
  EXPECT_GE(timeGetTime() - before, 1u);
  PostMessageA(nullptr, WM_USER, 0, 0);
  EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, 0), WAIT_TIMEOUT);  // empty mask: time-out only
  EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT), WAIT_OBJECT_0);
}

TEST_F(WindowTest, ExposureAsksForAPaint) {
  OpenMain();
  os::TestWindowEvent(os::WindowEvent::Exposed);
  std::vector<MSG> t = Pump();
  EXPECT_EQ(Kinds(t), (std::vector<UINT>{WM_PAINT}));
}

TEST_F(WindowTest, OtherThreadsPostAndReadWhileTheMainThreadPumps) {
  HWND h = OpenMain();
  std::atomic<bool> stop{false};
  std::thread reader([&] {
    while (!stop) {
      POINT p;
      RECT r;
      GetCursorPos(&p);
      GetWindowRect(h, &r);
      GetClientRect(h, &r);
      GetForegroundWindow();
    }
  });
  constexpr int kPosts = 300;
  std::thread poster([h] {
    for (int i = 0; i < kPosts; ++i) PostMessageA(h, WM_USER, static_cast<WPARAM>(i), 0);
  });
  int seen = 0;
  bool ordered = true;
  const auto guard = std::chrono::steady_clock::now() + testwait::kHangGuard;
  for (int i = 0; seen < kPosts && std::chrono::steady_clock::now() < guard; ++i) {
    os::TestMouseMove(i % 100, i % 50);
    SetWindowPos(h, nullptr, i % 7, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    for (const MSG& m : Pump()) {
      if (m.message != WM_USER) continue;
      ordered = ordered && m.wParam == static_cast<WPARAM>(seen);
      ++seen;
    }
  }
  poster.join();
  stop = true;
  reader.join();
  EXPECT_EQ(seen, kPosts);
  EXPECT_TRUE(ordered);  // one poster's messages keep their order
}
