// The platform's event pump and its window procedure: every message row, the pending flags in their
// order, the mouse block, relative mode, host messaging and the creation of the main window.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "core/commandline.h"
#include "core/config.h"
#include "core/log.h"
#include "core/timer.h"
#include "os/faultinject.h"
#include "os/process.h"
#include "os/time.h"
#include "platform/platformimpl.h"
#include "render/drawcontext.h"
#include "render/dxdisplayhandler.h"
#include "render/platformdata.h"
#include "ui/windowscript.h"
#include "services/gamestate.h"
#include "services/portal.h"
#include "ui/windowmanager.h"

namespace {

// A game-state handler that writes down what it hears.
struct Heard : IGameStateHandler {
  std::vector<std::pair<std::string, std::string>>* log;
  bool* busy;
  Heard(std::vector<std::pair<std::string, std::string>>* l, bool* b) : log(l), busy(b) {}
  void SetState(const char* key, const char* value) override { log->emplace_back(key, value); }
  bool IsBusy() override { return *busy; }
};

class EventPumpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    os::TestResetWindows();
    os::TestFreezeTime(200000);
    SetFrameworkTimerSource(nullptr);
    SetProcessCommandLine("");
    SetPortalZylom(false);
    DeleteGameState();
    ResetFirstEventNotices();
    TDrawContext::DestroyInstance();
    impl_.mClassBaseName = "zoswinpumptest";
    GetGameState()->AddHandler(std::make_unique<Heard>(&heard_, &busy_));
    impl_.SetDisplayHandler(&display_);
    impl_.SetWindowManager(&manager_);
    manager_.SetWindowScript(&script_);
  }
  void TearDown() override {
    os::TestResetWindows();
    os::TestReleaseTime();
    SetProcessCommandLine("");
    ClearConfig();
    DeleteGameState();
    TDrawContext::DestroyInstance();
  }

  void Open() {
    ASSERT_TRUE(impl_.CreateMainWindow());
    display_.mWindow = impl_.mMainWindow;
    display_.RefreshCursorRect();
    ShowWindow(impl_.mMainWindow, SW_SHOWNORMAL);
    Settle();
  }

  TPlatformEvent Next() {
    TPlatformEvent e;
    impl_.GetEvent(&e);
    return e;
  }

  // Runs the pump until it is idle twice in a row (messages sent during a peek can leave flags
  // for the next call); returns the other events it gave on the way.
  std::vector<TPlatformEvent> Settle() {
    std::vector<TPlatformEvent> out;
    int idle = 0;
    for (int i = 0; i < 200 && idle < 2; ++i) {
      TPlatformEvent e = Next();
      if (e.type == kEventIdle) {
        ++idle;
        continue;
      }
      idle = 0;
      out.push_back(e);
    }
    return out;
  }

  // The event one input message gives (with the cursor image at `image` when given).
  TPlatformEvent For(UINT msg, WPARAM w, LPARAM l, unsigned mods = 0, const POINT* image = nullptr) {
    Settle();
    if (image) display_.mMouseImage = *image;
    os::TestInjectInput(impl_.mMainWindow, msg, w, l, mods);
    return Next();
  }

  std::vector<std::pair<std::string, std::string>> heard_;
  bool busy_ = false;
  TPlatformImpl impl_;
  TDxDisplayHandler display_;
  TWindowManager manager_;
  TWindowScript script_;
};

struct Row {
  const char* name;
  UINT msg;
  WPARAM w;
  LPARAM l;
  unsigned mods;
  int32_t type, data, x, y, modifiers;
};

void PrintTo(const Row& r, std::ostream* os) { *os << r.name; }

class MessageRowTest : public EventPumpTest, public ::testing::WithParamInterface<Row> {};

constexpr LPARAM kAlt = KF_ALTDOWN_BIT;
constexpr LPARAM kExt = KF_EXTENDED_BIT;
constexpr unsigned kShift = os::kModShift, kCtrl = os::kModCtrl, kAltDown = os::kModAlt;

TEST_P(MessageRowTest, MessageGivesItsEvent) {
  const Row& r = GetParam();
  Open();
  impl_.mWideApi = true;
  POINT image{33, 44};
  TPlatformEvent e = For(r.msg, r.w, r.l, r.mods, &image);
  EXPECT_EQ(e.type, r.type);
  EXPECT_EQ(e.data, r.data);
  EXPECT_EQ(e.x, r.x);
  EXPECT_EQ(e.y, r.y);
  EXPECT_EQ(e.modifiers, r.modifiers);
  // A pointer message moves the drawn cursor to its place before the event is made (the wheel's
  // has no place of its own and stays at the image); a pointer event is where the cursor is drawn.
  if (r.x || r.y) {
    const POINT at = display_.GetMouseImagePosition();
    EXPECT_EQ(at.x, r.x);
    EXPECT_EQ(at.y, r.y);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, MessageRowTest,
    ::testing::Values(
        Row{"KeyUpTranslated", WM_KEYUP, VK_LEFT, 1 | kExt, 0, kEventKeyUp, kKeyLeft, 0, 0, 0},
        Row{"KeyUpOem", WM_KEYUP, VK_OEM_7, 1, 0, kEventKeyUp, '\'', 0, 0, 0},
        Row{"KeyDownCtrlShift", WM_KEYDOWN, 'A', 1, kCtrl | kShift, kEventKeyDown, 'A', 0, 0, 3},
        Row{"KeyDownNumpad", WM_KEYDOWN, VK_NUMPAD0 + 5, 1, 0, kEventKeyDown, '5', 0, 0, 0},
        Row{"KeyDownExtended", WM_KEYDOWN, VK_DELETE, 1 | kExt, 0, kEventKeyDown, kKeyDelete, 0, 0, 8},
        Row{"InsertShift", WM_KEYDOWN, VK_INSERT, 1 | kExt, kShift, kEventKeyDown, kKeyInsert, 0, 0, 1 | 8},
        Row{"InsertAlone", WM_KEYDOWN, VK_INSERT, 1 | kExt, 0, kEventIgnored, 0, 0, 0, 0},
        Row{"InsertCtrl", WM_KEYDOWN, VK_INSERT, 1, kCtrl, kEventIgnored, 0, 0, 0, 0},
        Row{"InsertCtrlShift", WM_KEYDOWN, VK_INSERT, 1, kCtrl | kShift, kEventIgnored, 0, 0, 0, 0},
        Row{"AltKeyUntranslated", WM_SYSKEYDOWN, VK_LEFT, 1 | kAlt | kExt, kAltDown, kEventKeyDown, VK_LEFT, 0, 0,
            4 | 8},
        Row{"AltCtrlShiftKey", WM_SYSKEYDOWN, 'X', 1 | kAlt, kAltDown | kCtrl | kShift, kEventKeyDown, 'X', 0, 0,
            4 | 2 | 1},
        Row{"F10WithoutAltIsAKeyDown", WM_SYSKEYDOWN, VK_F10, 1, 0, kEventKeyDown, VK_F10, 0, 0, 0},
        Row{"AltF1NoEvent", WM_SYSKEYDOWN, VK_F1, 1 | kAlt, kAltDown, kEventIgnored, 0, 0, 0, 0},
        Row{"WideChar", WM_CHAR, 0xE9, 1, 0, kEventWideChar, 0xE9, 0, 0, 0},
        Row{"WheelAway", WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0, 0, kEventMouseButton, kMouseWheelAway, 33, 44, 0},
        Row{"WheelToward", WM_MOUSEWHEEL, MAKEWPARAM(0, -120), 0, 0, kEventMouseButton, kMouseWheelToward, 33, 44, 0},
        Row{"WheelZero", WM_MOUSEWHEEL, MAKEWPARAM(0, 0), 0, 0, kEventMouseButton, kMouseWheelToward, 33, 44, 0},
        Row{"LeftDown", WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT | MK_CONTROL, MAKELPARAM(1, 2), 0, kEventMouseDown, 0,
            1, 2, 3},
        Row{"LeftUp", WM_LBUTTONUP, 0, MAKELPARAM(1, 2), 0, kEventMouseUp, 0, 1, 2, 0},
        Row{"RightDown", WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(7, 8), 0, kEventMouseButton, kMouseRightDown, 7, 8, 0},
        Row{"RightUp", WM_RBUTTONUP, 0, MAKELPARAM(7, 8), 0, kEventMouseButton, kMouseRightUp, 7, 8, 0},
        Row{"MiddleDown", WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(7, 8), 0, kEventMouseButton, kMouseMiddleDown, 7, 8, 0},
        Row{"MiddleUp", WM_MBUTTONUP, 0, MAKELPARAM(7, 8), 0, kEventMouseButton, kMouseMiddleUp, 7, 8, 0},
        Row{"Extra1", WM_XBUTTONDOWN, MAKEWPARAM(0, XBUTTON1), MAKELPARAM(7, 8), 0, kEventMouseButton, kMouseExtra1Down, 7, 8, 0},
        Row{"Extra2", WM_XBUTTONDOWN, MAKEWPARAM(0, XBUTTON2), MAKELPARAM(7, 8), 0, kEventMouseButton, kMouseExtra2Down, 7, 8, 0},
        Row{"ExtraOtherBits", WM_XBUTTONDOWN, MAKEWPARAM(0, 4), 0, 0, kEventIgnored, 0, 0, 0, 0},
        Row{"CaptureToNobody", WM_CAPTURECHANGED, 0, 0, 0, kEventMousePosition, 0, 0, 0, 0},
        Row{"Hover", WM_MOUSEHOVER, 0, MAKELPARAM(5, 6), 0, kEventMouseHover, 0, 5, 6, 0},
        Row{"MoveCarriesItsPlace", WM_MOUSEMOVE, 0, MAKELPARAM(5, 6), 0, kEventMouseMove, 0, 5, 6, 0},
        Row{"Paint", WM_PAINT, 0, 0, 0, kEventRedraw, 0, 0, 0, 0},
        Row{"Other", WM_USER + 5, 0, 0, 0, kEventIgnored, 0, 0, 0, 0}),
    [](const ::testing::TestParamInfo<Row>& i) { return std::string(i.param.name); });

TEST_F(EventPumpTest, CaptureTakenByTheMainWindowGivesNoEvent) {
  Open();
  TPlatformEvent e = For(WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(impl_.mMainWindow));
  EXPECT_EQ(e.type, kEventIgnored);
}

TEST_F(EventPumpTest, SurrogatePairsJoinAndLoneHalvesAreIgnored) {
  Open();
  impl_.mWideApi = true;
  EXPECT_EQ(For(WM_CHAR, 0xDC00, 1).type, kEventIgnored);  // lone low half
  EXPECT_EQ(For(WM_CHAR, 0xD83D, 1).type, kEventIgnored);  // high half, remembered
  TPlatformEvent e = For(WM_CHAR, 0xDE00, 1);
  EXPECT_EQ(e.type, kEventWideChar);
  EXPECT_EQ(e.data, 0x1F600);
  EXPECT_EQ(For(WM_CHAR, 0xDE00, 1).type, kEventIgnored);  // the high half was used up
  impl_.mWideApi = false;
  e = For(WM_CHAR, 0xC3, 1);
  EXPECT_EQ(e.type, kEventChar);
  EXPECT_EQ(e.data, 0xC3);
}

TEST_F(EventPumpTest, TypedTextReachesThePumpAsWideCharacters) {
  SetConfig("utf8mode", "1");
  Open();
  ASSERT_TRUE(impl_.mWideApi);
  os::TestText("\xf0\x9f\x98\x80");
  std::vector<TPlatformEvent> events = Settle();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].type, kEventIgnored);
  EXPECT_EQ(events[1].type, kEventWideChar);
  EXPECT_EQ(events[1].data, 0x1F600);
}

TEST_F(EventPumpTest, AltEnterTogglesFullScreenUnlessHostedWithoutHostDriving) {
  Open();
  TPlatformEvent e = For(WM_SYSKEYDOWN, VK_RETURN, 1 | kAlt, kAltDown);
  EXPECT_EQ(e.type, kEventFullScreenToggled);
  EXPECT_EQ(e.data, 1);
  EXPECT_TRUE(display_.IsFullScreen());
  e = For(WM_SYSKEYDOWN, VK_RETURN, 1 | kAlt, kAltDown);
  EXPECT_EQ(e.data, 0);

  HWND host = os::TestCreateForeignWindow("Host", "host", 960, 720);
  impl_.mHosted = true;
  impl_.mHostWindow = host;
  e = For(WM_SYSKEYDOWN, VK_RETURN, 1 | kAlt, kAltDown);
  EXPECT_EQ(e.type, kEventIgnored);
  EXPECT_FALSE(display_.IsFullScreen());

  SetProcessCommandLine("-pq=1");
  e = For(WM_SYSKEYDOWN, VK_RETURN, 1 | kAlt, kAltDown);
  EXPECT_EQ(e.type, kEventFullScreenToggled);
  EXPECT_EQ(e.data, 0);  // the display stays windowed; the host goes full screen
  EXPECT_TRUE(impl_.HostFullScreenState());
  auto sent = os::TestForeignMessages(host);
  ASSERT_FALSE(sent.empty());
  EXPECT_EQ(sent.back().msg, static_cast<UINT>(WM_USER));
  EXPECT_EQ(sent.back().wParam, 1u);
}

TEST_F(EventPumpTest, AltF1TogglesTheDebugOverlay) {
  Open();
  EXPECT_FALSE(TDrawContext::GetInstance()->IsDebugOverlayOn());
  For(WM_SYSKEYDOWN, VK_F1, 1 | kAlt, kAltDown);
  EXPECT_TRUE(TDrawContext::GetInstance()->IsDebugOverlayOn());
}

TEST_F(EventPumpTest, RelativeModeReportsOffsetsAndRecentres) {
  Open();
  impl_.mInputMode = 1;
  impl_.mCentre = POINT{100, 100};
  POINT centre{100, 100}, moved{110, 95};
  EXPECT_EQ(For(WM_MOUSEMOVE, 0, MAKELPARAM(100, 100), 0, &centre).type, kEventIgnored);  // at the centre: nothing
  TPlatformEvent e = For(WM_MOUSEMOVE, 0, MAKELPARAM(110, 95), 0, &moved);
  EXPECT_EQ(e.type, kEventMouseMove);
  EXPECT_EQ(e.x, 10);
  EXPECT_EQ(e.y, -5);
  POINT p;
  GetCursorPos(&p);
  RECT r = display_.GetCursorRect();
  EXPECT_EQ(p.x, r.left + 100);
  EXPECT_EQ(p.y, r.top + 100);
}

TEST_F(EventPumpTest, ViewportScaleAppliesToSetCursorPosition) {
  Open();
  impl_.mViewportScale[0] = 2.0f;
  impl_.mViewportScale[1] = 0.5f;
  impl_.SetCursorPosition(POINT{10, 10});
  POINT p;
  GetCursorPos(&p);
  RECT r = display_.GetCursorRect();
  EXPECT_EQ(p.x, r.left + 20);
  EXPECT_EQ(p.y, r.top + 5);
}

TEST_F(EventPumpTest, AClickThatActivatesTheWindowBlocksTheMouseFor400Ms) {
  Open();
  SendMessageA(impl_.mMainWindow, WM_MOUSEACTIVATE, 0, 0);
  EXPECT_TRUE(impl_.mMouseBlock);
  EXPECT_EQ(For(WM_LBUTTONDOWN, MK_LBUTTON, 0).type, kEventIgnored);
  EXPECT_EQ(For(WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0).type, kEventIgnored);
  EXPECT_EQ(For(WM_LBUTTONUP, 0, 0).type, kEventIgnored);  // and ends the block
  EXPECT_FALSE(impl_.mMouseBlock);
  EXPECT_EQ(For(WM_LBUTTONDOWN, MK_LBUTTON, 0).type, kEventMouseDown);
  // After 400 ms the block no longer holds.
  SendMessageA(impl_.mMainWindow, WM_MOUSEACTIVATE, 0, 0);
  os::TestAdvanceTime(400);
  EXPECT_EQ(For(WM_RBUTTONDOWN, MK_RBUTTON, 0).type, kEventMouseButton);
  // A movie window switches the block off; a movie taking input swallows every button.
  SendMessageA(impl_.mMainWindow, WM_MOUSEACTIVATE, 0, 0);
  manager_.mMovieOpen = true;
  EXPECT_EQ(For(WM_LBUTTONDOWN, MK_LBUTTON, 0).type, kEventMouseDown);
  manager_.mMovieInput = true;
  EXPECT_EQ(For(WM_LBUTTONDOWN, MK_LBUTTON, 0).type, kEventIgnored);
  // Hosted windows start no block.
  manager_.mMovieInput = manager_.mMovieOpen = false;
  impl_.mMouseBlock = false;
  impl_.mHosted = true;
  SendMessageA(impl_.mMainWindow, WM_MOUSEACTIVATE, 0, 0);
  EXPECT_FALSE(impl_.mMouseBlock);
}

TEST_F(EventPumpTest, ButtonsTakeAndReleaseTheCapture) {
  Open();
  For(WM_LBUTTONDOWN, MK_LBUTTON, 0);
  EXPECT_EQ(GetCapture(), impl_.mMainWindow);
  For(WM_LBUTTONUP, 0, 0);
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(EventPumpTest, HostedRightButtonsAreNotDispatched) {
  Open();
  static int rightButtonsSeen = 0;
  rightButtonsSeen = 0;
  SetWindowLongA(impl_.mMainWindow, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(+[](HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_RBUTTONDOWN || m == WM_RBUTTONUP) ++rightButtonsSeen;
    return PlatformWindowProc(h, m, w, l);
  }));
  For(WM_RBUTTONDOWN, MK_RBUTTON, 0);
  For(WM_RBUTTONUP, 0, 0);
  EXPECT_EQ(rightButtonsSeen, 2);
  impl_.mHosted = true;
  EXPECT_EQ(For(WM_RBUTTONDOWN, MK_RBUTTON, 0).data, kMouseRightDown);  // the event still comes
  For(WM_RBUTTONUP, 0, 0);
  EXPECT_EQ(rightButtonsSeen, 2);
}

TEST_F(EventPumpTest, PendingFlagsComeOutInTheirOrderBeforeMessages) {
  Open();
  PostMessageA(impl_.mMainWindow, WM_USER + 7, 0, 0);
  impl_.mCaptureLostPending = true;
  impl_.mCloseRequested = true;
  impl_.mAppActivationPending = true;
  impl_.mRedrawPending = true;
  impl_.mDisplayChangedPending = true;
  impl_.mActivationChangedPending = true;
  display_.mMouseImage = POINT{7, 8};
  std::vector<int32_t> types;
  for (const TPlatformEvent& e : Settle()) types.push_back(e.type);
  EXPECT_EQ(types, (std::vector<int32_t>{kEventActivate, kEventDisplayChanged, kEventRedraw, kEventActivate,
                                         kEventClose, kEventMousePosition, kEventIgnored}));
  EXPECT_EQ(script_.mMovieStops, 1);
}

TEST_F(EventPumpTest, FirstCallSendsTheStartUpNoticesOnce) {
  Open();  // its Settle made the first call
  using Pair = std::pair<std::string, std::string>;
  EXPECT_EQ(heard_, (std::vector<Pair>{{"loadbroadcast", "0"}, {"sessionready", "0"}}));
  ResetFirstEventNotices();
  heard_.clear();
  DWORD before = timeGetTime();
  Next();
  EXPECT_EQ(timeGetTime() - before, 500u);  // 500 ms between the two
  Next();
  EXPECT_EQ(heard_.size(), 2u);
  // With no handler to hear them, the notices are only stored and nothing waits between them.
  DeleteGameState();
  ResetFirstEventNotices();
  before = timeGetTime();
  Next();
  EXPECT_EQ(timeGetTime() - before, 0u);
  EXPECT_EQ(GetGameState()->GetState("sessionready"), TString("0"));
}

TEST_F(EventPumpTest, ABusyGameStateOnlyKeepsTheWindowAlive) {
  Open();
  busy_ = true;
  PostMessageA(impl_.mMainWindow, WM_USER, 9, 0);  // dispatched: tells the game state
  PostQuitMessage(0);
  EXPECT_EQ(Next().type, kEventQuit);
  ASSERT_FALSE(heard_.empty());
  EXPECT_EQ(heard_.back(), (std::pair<std::string, std::string>{"windowmessage", "9"}));
}

TEST_F(EventPumpTest, AVanishedHostEndsTheRunOnlyForPortalsAndHostDriving) {
  Open();
  HWND host = os::TestCreateForeignWindow("Host", "host", 640, 480);
  impl_.mHostWindow = host;
  DestroyWindow(host);
  EXPECT_NE(Next().type, kEventQuit);
  SetPortalZylom(true);
  EXPECT_EQ(Next().type, kEventQuit);
  SetPortalZylom(false);
  SetProcessCommandLine("x -pq=3");
  EXPECT_EQ(Next().type, kEventQuit);
}

TEST_F(EventPumpTest, ADisplayThatIsNotReadyIsRestored) {
  Open();
  int before = TPlatformData::RestoreCount();
  display_.mReady = false;
  EXPECT_EQ(Next().type, kEventIgnored);
  EXPECT_EQ(TPlatformData::RestoreCount(), before + 1);
  PostQuitMessage(0);
  EXPECT_EQ(Next().type, kEventQuit);  // a waiting quit still ends the run
  impl_.mSuspended = true;
  impl_.mRedrawPending = true;
  EXPECT_EQ(Next().type, kEventRedraw);
  EXPECT_EQ(TPlatformData::RestoreCount(), before + 1);  // not while suspended
}

TEST_F(EventPumpTest, IdleTurnsRunTheTaskListAndTheSound) {
  Open();
  struct Counter : TTask {
    int* runs;
    explicit Counter(int* r) : runs(r) {}
    bool IsReady(int phase) override { return phase == kTaskPhaseIdle; }
    bool Run() override { return ++*runs < 2; }
  };
  int runs = 0, updates = 0;
  impl_.mTaskList.Add(std::make_unique<Counter>(&runs));
  impl_.mSoundUpdate = [&] { ++updates; };
  EXPECT_EQ(Next().type, kEventIdle);
  EXPECT_EQ(Next().type, kEventIdle);
  EXPECT_EQ(Next().type, kEventIdle);
  EXPECT_EQ(runs, 2);  // the task ended after its second run
  EXPECT_EQ(updates, 3);
}

TEST_F(EventPumpTest, InputWakesTheWaitForTheNextFrameTurn) {
  Open();
  // A frame period far longer than the test: the turn after an idle one waits for it, unless input
  // comes first.
  impl_.mFramePeriodUs = 3600LL * 1000 * 1000;
  impl_.mNextFrameAt = std::chrono::steady_clock::now();
  EXPECT_EQ(Next().type, kEventIdle);
  // Waiting input is taken at once.
  os::TestInjectInput(impl_.mMainWindow, WM_KEYDOWN, VK_F5, 1, 0);
  EXPECT_EQ(Next().type, kEventKeyDown);
  // Input arriving during the wait ends it (the wait would otherwise outlast the test's time-out).
  HWND main = impl_.mMainWindow;
  std::thread later([main] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    PostMessageA(main, WM_KEYUP, VK_F5, 0xC0000001);
  });
  TPlatformEvent e = Next();
  later.join();
  EXPECT_EQ(e.type, kEventKeyUp);
  // Without pacing the idle turns follow one another.
  impl_.mFramePeriodUs = 0;
  EXPECT_EQ(Next().type, kEventIdle);
  EXPECT_EQ(Next().type, kEventIdle);
}

TEST_F(EventPumpTest, MinimisingSuspendsAndDeactivatesRestoringComesBack) {
  Open();
  bool soundActive = true;
  impl_.mSoundSetAppActive = [&](bool a) { soundActive = a; };
  os::TestWindowEvent(os::WindowEvent::Minimized);
  std::vector<TPlatformEvent> events = Settle();
  EXPECT_TRUE(impl_.mSuspended);
  EXPECT_FALSE(impl_.mAppActive);
  EXPECT_FALSE(soundActive);
  std::vector<std::pair<int32_t, int32_t>> activations;
  for (const auto& e : events)
    if (e.type == kEventActivate) activations.push_back({e.type, e.data});
  EXPECT_EQ(activations, (std::vector<std::pair<int32_t, int32_t>>{{kEventActivate, 0}, {kEventActivate, 0}}));
  os::TestWindowEvent(os::WindowEvent::Restored);
  Settle();
  EXPECT_FALSE(impl_.mSuspended);
  EXPECT_TRUE(impl_.mAppActive);
  EXPECT_TRUE(impl_.mWindowActive);
  EXPECT_TRUE(soundActive);
}

TEST_F(EventPumpTest, TwoActivationChangesBeforeThePumpCancelOut) {
  Open();
  impl_.SetActive(impl_.mMainWindow, false, false);
  impl_.SetActive(impl_.mMainWindow, true, false);
  EXPECT_FALSE(impl_.mActivationChangedPending);
  display_.mFullScreen = true;
  impl_.SetActive(impl_.mMainWindow, false, false);  // full screen and not forced: ignored
  EXPECT_TRUE(impl_.mWindowActive);
  impl_.OnActivateApp(impl_.mMainWindow, false);
  EXPECT_TRUE(impl_.mSuspended);  // lost the focus in full screen
  EXPECT_FALSE(impl_.mWindowActive);
}

TEST_F(EventPumpTest, TheCloseButtonGivesACloseEventAndKeepsTheWindow) {
  Open();
  os::TestWindowEvent(os::WindowEvent::Close);
  std::vector<TPlatformEvent> events = Settle();
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.back().type, kEventClose);
  EXPECT_TRUE(IsWindow(impl_.mMainWindow));
  DestroyWindow(impl_.mMainWindow);
  EXPECT_EQ(Next().type, kEventQuit);  // WM_DESTROY posted the quit
}

TEST_F(EventPumpTest, WindowProcedureRows) {
  Open();
  HWND h = impl_.mMainWindow;
  // Sizes follow the viewport plus the frame.
  TDrawContext::GetInstance()->SetViewport(640, 480);
  SetWindowPos(h, nullptr, 0, 0, 1000, 1000, SWP_NOZORDER | SWP_NOACTIVATE);
  RECT r;
  GetWindowRect(h, &r);
  EXPECT_EQ(r.right - r.left, 640 + 2 * GetSystemMetrics(SM_CXFRAME));
  EXPECT_EQ(r.bottom - r.top, 480 + 2 * GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION));
  RECT c;
  GetClientRect(h, &c);
  EXPECT_EQ(c.right, 640);
  EXPECT_EQ(c.bottom, 480);
  // Before XP the requested size stands.
  os::TestSetWindowsVersion(5, 0);
  SetWindowPos(h, nullptr, 0, 0, 500, 400, SWP_NOZORDER | SWP_NOACTIVATE);
  GetWindowRect(h, &r);
  EXPECT_EQ(r.right - r.left, 500);
  os::TestSetWindowsVersion(6, 1);
  SetWindowPos(h, nullptr, 0, 0, 1000, 1000, SWP_NOZORDER | SWP_NOACTIVATE);
  GetWindowRect(h, &r);
  // No sizing from the frame.
  EXPECT_EQ(SendMessageA(h, WM_NCHITTEST, 0, MAKELPARAM(r.left, r.top + 100)), HTNOWHERE);
  EXPECT_EQ(SendMessageA(h, WM_NCHITTEST, 0, MAKELPARAM(r.left + 50, r.top + GetSystemMetrics(SM_CYFRAME) + 2)),
            HTCAPTION);
  EXPECT_EQ(SendMessageA(h, WM_ERASEBKGND, 0, 0), 1);
  EXPECT_EQ(SendMessageA(h, WM_USER + 100, 0, 0), 1);
  EXPECT_EQ(SendMessageA(h, WM_TIMER, 1, 0), 0);
  // A paint marks the window manager and sets the redraw flag.
  int invalidations = manager_.mInvalidations;
  InvalidateRect(h, nullptr, TRUE);
  Settle();
  EXPECT_GT(manager_.mInvalidations, invalidations);
  // The display only refreshes desktop metrics while inactive.
  SendMessageA(h, WM_DISPLAYCHANGE, 32, 0);
  EXPECT_EQ(display_.mDesktopRefreshes, 0);
  impl_.mWindowActive = false;
  SendMessageA(h, WM_DISPLAYCHANGE, 32, 0);
  EXPECT_EQ(display_.mDesktopRefreshes, 1);
  // Mouse moves carry the cursor image along.
  SendMessageA(h, WM_MOUSEMOVE, 0, MAKELPARAM(12, 34));
  EXPECT_EQ(display_.mMouseImage.x, 12);
  EXPECT_EQ(display_.mMouseImage.y, 34);
}

TEST_F(EventPumpTest, LeavingTheWindowHidesTheImageAndReportsThePosition) {
  Open();
  impl_.mLeaveTracking = true;
  impl_.mPointerInside = true;
  display_.mMouseImage = POINT{20, 30};
  SendMessageA(impl_.mMainWindow, WM_MOUSELEAVE, 0, 0);
  EXPECT_FALSE(display_.IsMouseImageVisible());
  EXPECT_FALSE(impl_.mLeaveTracking);
  TPlatformEvent e = Next();
  EXPECT_EQ(e.type, kEventMousePosition);
  EXPECT_EQ(e.x, 20);
  EXPECT_EQ(e.y, 30);
  // Relative mode pulls the pointer back by the image's offset from the centre.
  impl_.mInputMode = 1;
  impl_.mCentre = POINT{50, 50};
  display_.mMouseImage = POINT{60, 45};
  POINT start{300, 300};
  SetCursorPos(start.x, start.y);
  SendMessageA(impl_.mMainWindow, WM_MOUSELEAVE, 0, 0);
  POINT p;
  GetCursorPos(&p);
  EXPECT_EQ(p.x, 290);
  EXPECT_EQ(p.y, 305);
  EXPECT_FALSE(impl_.mCaptureLostPending);
}

TEST_F(EventPumpTest, MovesRequestHoverAndLeaveTracking) {
  Open();
  os::TestMouseMove(40, 40);
  Settle();
  EXPECT_TRUE(impl_.mPointerInside);
  EXPECT_TRUE(impl_.mLeaveTracking);
  os::TestAdvanceTime(450);
  std::vector<TPlatformEvent> events = Settle();
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.back().type, kEventMouseHover);
  os::TestWindowEvent(os::WindowEvent::Leave);
  events = Settle();
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.back().type, kEventMousePosition);
  os::TestFailCall("TrackMouseEvent", 1, 2);
  impl_.mPointerInside = impl_.mLeaveTracking = false;
  For(WM_MOUSEMOVE, 0, MAKELPARAM(41, 41));
  EXPECT_FALSE(impl_.mPointerInside);  // the flags keep the requests' results
  EXPECT_FALSE(impl_.mLeaveTracking);
}

TEST_F(EventPumpTest, UserMessagesGoToTheGameStateAndTheHost) {
  HWND host = os::TestCreateForeignWindow("Host", "host", 960, 720);
  impl_.mHosted = true;
  impl_.mHostWindow = host;
  Open();
  EXPECT_EQ(GetParent(impl_.mMainWindow), host);
  EXPECT_EQ(SendMessageA(impl_.mMainWindow, WM_USER, 5, 0), 1);
  EXPECT_EQ(heard_.back().first, "windowmessage");
  EXPECT_EQ(SendMessageA(impl_.mMainWindow, WM_USER + 2, 6, 7), 1);
  auto sent = os::TestForeignMessages(host);
  ASSERT_FALSE(sent.empty());
  EXPECT_EQ(sent.back().msg, static_cast<UINT>(WM_USER + 2));
  EXPECT_EQ(sent.back().wParam, 6u);
  EXPECT_EQ(sent.back().lParam, 7);
  impl_.SendHostFullScreen(true);
  EXPECT_EQ(os::TestForeignMessages(host).back().wParam, 1u);
}

TEST_F(EventPumpTest, CreateMainWindowRegistersTheClassAndRecordsTheHandle) {
  Open();
  HWND h = impl_.mMainWindow;
  EXPECT_EQ(FindWindowA("zoswinpumptest_WNDCLASS", nullptr), h);
  char title[32];
  GetWindowTextA(h, title, sizeof(title));
  EXPECT_STREQ(title, "Brisklume");
  EXPECT_EQ(GetConfig("hwnd"), TString::Format("%d", static_cast<int>(reinterpret_cast<intptr_t>(h))));
  EXPECT_EQ(GetWindowLongA(h, 0), reinterpret_cast<LONG_PTR>(&impl_));
  auto style = static_cast<DWORD>(GetWindowLongA(h, GWL_STYLE));
  EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX),
            WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX);
  auto calls = os::TestMenuCalls();
  ASSERT_EQ(calls.size(), 5u);
  EXPECT_EQ(calls[0].item, static_cast<UINT>(SC_SIZE));
  for (UINT i = 0; i < 4; ++i) {
    EXPECT_EQ(calls[i + 1].item, i);
    EXPECT_TRUE(calls[i + 1].byPosition);
  }
}

TEST_F(EventPumpTest, HostTestModeSizesTheClientTo960By720) {
  impl_.mHostTestMode = true;
  Open();
  RECT c;
  GetClientRect(impl_.mMainWindow, &c);
  EXPECT_EQ(c.right, 960);
  EXPECT_EQ(c.bottom, 720);
}

TEST_F(EventPumpTest, ALostHostWindowEndsTheProcessWithMinusOne) {
  HWND host = os::TestCreateForeignWindow("Host", "host", 960, 720);
  impl_.mHostWindow = host;
  DestroyWindow(host);
  os::TestCatchExitProcess(true);
  UINT code = 0;
  try {
    impl_.CreateMainWindow();
  } catch (const os::ProcessExit& e) {
    code = e.code;
  }
  os::TestCatchExitProcess(false);
  EXPECT_EQ(code, static_cast<UINT>(-1));
  EXPECT_EQ(impl_.mMainWindow, nullptr);
}

TEST_F(EventPumpTest, FullScreenIdleTurnsKeepTheWindowOnTop) {
  namespace fs = std::filesystem;
  fs::path folder = fs::temp_directory_path() / ("oswin-keepontop-" + std::to_string(getpid()));
  fs::create_directories(folder);
  LogInit(folder.c_str());
  Open();
  HWND h = impl_.mMainWindow;
  TDrawContext::GetInstance()->SetViewport(640, 480);
  display_.mFullScreen = true;
  HWND other = os::TestCreateForeignWindow("Other", "other", 300, 200);
  SetForegroundWindow(other);
  Settle();
  // Another window came to the front while ours still counts as active (not suspended).
  impl_.mWindowActive = true;
  impl_.mActivationChangedPending = false;
  impl_.mSuspended = false;
  os::TestFailCall("SetForegroundWindow", 0x5A, 1);
  EXPECT_EQ(Next().type, kEventIdle);
  // The first attempt failed and was logged; activation and z-order still brought it up.
  EXPECT_EQ(GetForegroundWindow(), h);
  EXPECT_EQ(GetTopWindow(nullptr), h);
  std::ifstream in(folder / "logfile.txt");
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_NE(text.str().find("Window does NOT have topmost style"), std::string::npos);
  EXPECT_NE(text.str().find("Error using BringWindowToTop: 5a"), std::string::npos);
  // Suspended, it only waits.
  impl_.mSuspended = true;
  DWORD before = timeGetTime();
  impl_.KeepOnTop();
  EXPECT_EQ(timeGetTime() - before, 50u);
  LogInit("");
  fs::remove_all(folder);
}

}  // namespace
