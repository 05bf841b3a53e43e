// The window manager: the modal stack and its clocks, CloseModal, message routing and delivery,
// mouse tracking, overlays, frame pacing on the frozen clock, and which modal windows get drawn.
#include <gtest/gtest.h>

#include "uifixture.h"

namespace {

class WindowManagerTest : public UiFixture {
 protected:
  TModalWindow* Push(const char* name) {
    auto* m = new TModalWindow;
    m->SetName(name);
    manager_->PushModal(m);
    return m;
  }
};

struct Recorder : TMessageListener {
  explicit Recorder(std::vector<std::string>* log, bool takes = true) : mLog(log), mTakes(takes) {}
  bool OnMessage(TMessage& m) override {
    mLog->push_back("listener " + std::to_string(m.GetType()) + " " + m.GetName().CStr());
    return mTakes;
  }
  std::vector<std::string>* mLog;
  bool mTakes;
};

TEST_F(WindowManagerTest, PushAndPopKeepTheStackFocusAndClocks) {
  TScreen* screen = MakeScreen();
  EXPECT_EQ(screen->GetWidth(), 800);
  EXPECT_EQ(screen->GetHeight(), 600);
  EXPECT_FALSE(screen->GetClock().IsPaused());
  TModalWindow* dialog = Push("dialog");
  EXPECT_EQ(manager_->GetTopModal(), dialog);
  EXPECT_EQ(dialog->GetParent(), screen);
  EXPECT_EQ(dialog->GetWidth(), 800);  // took its parent's size
  EXPECT_EQ(manager_->GetFocus(), dialog);
  EXPECT_TRUE(screen->GetClock().IsPaused());
  EXPECT_FALSE(dialog->GetClock().IsPaused());

  auto* child = new Probe(&log_, "child", TRect(0, 0, 10, 10));
  dialog->AddChild(child, false);
  log_.clear();
  manager_->PopModal();
  EXPECT_EQ(manager_->GetTopModal(), screen);
  EXPECT_EQ(manager_->GetFocus(), screen);
  EXPECT_EQ(log_, std::vector<std::string>{"child:popped"});
  EXPECT_EQ(manager_->GetClosedWindowCount(), 1u);  // deleted at the next event
  EXPECT_TRUE(screen->GetClock().IsPaused());        // PopModal leaves it; CloseModal resumes

  // Its destruction posts kModalClosed with its id text.
  std::vector<std::string> heard;
  manager_->AddListener(new Recorder(&heard));
  TString id = dialog->GetIdString();
  manager_->HandleEvent(Event(kEventRedraw));
  EXPECT_EQ(manager_->GetClosedWindowCount(), 0u);
  EXPECT_EQ(heard, std::vector<std::string>{"listener 6 " + std::string(id.CStr())});
}

TEST_F(WindowManagerTest, CloseModalPopsDownToTheNamedWindow) {
  struct Case {
    const char* name;
    const char* top;
  } cases[] = {{"second", "first"}, {"third", "second"}, {"first", "_screen_"}, {"nothing", "third"}, {"", "third"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TScreen* screen = MakeScreen();
    Push("first");
    Push("second");
    Push("third");
    manager_->CloseModal(c.name);
    EXPECT_EQ(manager_->GetTopModal()->GetName(), c.top);
    EXPECT_FALSE(manager_->GetTopModal()->GetClock().IsPaused());  // resumed in every case
    (void)screen;
    while (manager_->GetTopModal()) manager_->PopModal();
    manager_->DeleteClosedWindows();
    manager_->FlushMessages();
  }
}

TEST_F(WindowManagerTest, CloseMessageByIdTextClosesThatModal) {
  MakeScreen();
  TModalWindow* dialog = Push("");
  manager_->PostMessage(new TMessage(kCloseWindow, dialog->GetIdString()));
  manager_->PostMessage(new TMessage(kCloseWindow, ""));  // consumed, closes nothing
  manager_->FlushMessages();
  EXPECT_EQ(manager_->GetTopModal(), manager_->GetScreen());
}

TEST_F(WindowManagerTest, MessagesGoToListenersThenFocusWindowThenItsModal) {
  TScreen* screen = MakeScreen();
  auto* panel = new Probe(&log_, "panel", TRect(0, 0, 100, 100));
  auto* field = new Probe(&log_, "field", TRect(0, 0, 10, 10));
  panel->AddChild(field, false);
  screen->AddChild(panel, false);
  manager_->SetFocus(field);
  manager_->AddListener(new Recorder(&log_, false));
  log_.clear();
  manager_->PostMessage(new TMessage(kGeneric, "one"));
  manager_->PostMessage(new TMessage(kGeneric, "two"));
  manager_->FlushMessages();
  EXPECT_EQ(log_, (std::vector<std::string>{"listener 0 one", "field:msg one", "panel:msg one",
                                            "listener 0 two", "field:msg two", "panel:msg two"}));
  // A targeted message skips the listeners.
  log_.clear();
  manager_->PostMessage(new TMessage(kGeneric, "direct", panel));
  manager_->FlushMessages();
  EXPECT_EQ(log_, std::vector<std::string>{"panel:msg direct"});
}

TEST_F(WindowManagerTest, ModalFocusChildSeesMessagesNobodyInsideTook) {
  TScreen* screen = MakeScreen();
  auto* a = new Probe(&log_, "a", TRect(0, 0, 10, 10));
  auto* keeper = new Probe(&log_, "keeper", TRect(0, 0, 10, 10));
  keeper->mTakesMessages = true;
  screen->AddChild(a, false);
  screen->AddChild(keeper, false);
  screen->SetFocusChild(keeper);
  log_.clear();
  manager_->PostMessage(new TMessage(kGeneric, "m", a));
  manager_->FlushMessages();
  EXPECT_EQ(log_, (std::vector<std::string>{"a:msg m", "keeper:msg m"}));
}

TEST_F(WindowManagerTest, QuitNowReachesNoListenerAndNoWindow) {
  TScreen* screen = MakeScreen();
  auto* w = new Probe(&log_, "w", TRect(0, 0, 10, 10));
  screen->AddChild(w, false);
  manager_->SetFocus(w);
  manager_->AddListener(new Recorder(&log_));
  log_.clear();
  manager_->PostMessage(new TMessage(kQuitNow, "bye"));
  manager_->FlushMessages();
  EXPECT_TRUE(log_.empty());
}

TEST_F(WindowManagerTest, MessageToAPoppedWindowGoesToTheListeners) {
  MakeScreen();
  TModalWindow* dialog = Push("dialog");
  auto* button = new Probe(&log_, "button", TRect(0, 0, 10, 10));
  dialog->AddChild(button, false);
  manager_->AddListener(new Recorder(&log_));
  manager_->PostMessage(new TMessage(kButtonPress, "ok", button));
  manager_->PopModal();
  log_.clear();
  manager_->FlushMessages();
  EXPECT_EQ(log_, std::vector<std::string>{"listener 3 ok"});
}

TEST_F(WindowManagerTest, MessageToAWindowDeletedOutrightGoesToTheListeners) {
  MakeScreen();
  TModalWindow* dialog = Push("dialog");
  auto* field = new Probe(&log_, "field", TRect(0, 0, 10, 10));
  dialog->AddChild(field, false);
  manager_->AddListener(new Recorder(&log_));
  manager_->PostMessage(new TMessage(kButtonPress, "changed", field));
  delete field;  // not through the manager's deferred deletion
  TModalWindow* other = Push("other");
  manager_->PopModal();  // walks the queued messages' targets
  (void)other;
  log_.clear();
  manager_->FlushMessages();
  EXPECT_EQ(log_, std::vector<std::string>{"listener 3 changed"});
}

TEST_F(WindowManagerTest, TrackedWindowGetsEveryMouseEventAndLeavesWhenOutside) {
  TScreen* screen = MakeScreen();
  auto* button = new Probe(&log_, "button", TRect(10, 10, 60, 60));
  auto* other = new Probe(&log_, "other", TRect(100, 100, 200, 200), true);
  screen->AddChild(button, false);
  screen->AddChild(other, false);
  manager_->TrackMouse(button);
  log_.clear();
  manager_->HandleEvent(Event(kEventMouseMove, 20, 20));
  manager_->HandleEvent(Event(kEventMouseDown, 150, 150));
  EXPECT_EQ(log_, (std::vector<std::string>{"button:move 10,10", "button:leave", "button:down 140,140"}));

  // Pushing a modal window ends all tracking with OnMouseLeave.
  log_.clear();
  Push("dialog");
  EXPECT_EQ(log_, std::vector<std::string>{"button:leave"});
  EXPECT_TRUE(manager_->GetTrackingList().empty());
}

TEST_F(WindowManagerTest, EventsRouteToOverlaysFirstOnlyWithOverlayMouse) {
  TScreen* screen = MakeScreen();
  auto* under = new Probe(&log_, "under", TRect(0, 0, 100, 100), true);
  screen->AddChild(under, false);
  auto* overlay = new Probe(&log_, "overlay", TRect(0, 0, 50, 50), true);
  manager_->AddOverlay(overlay);
  log_.clear();
  manager_->HandleEvent(Event(kEventMouseDown, 10, 10));
  EXPECT_EQ(log_, std::vector<std::string>{"under:down 10,10"});
  SetConfig("overlaymouse", "1");
  log_.clear();
  manager_->HandleEvent(Event(kEventMouseDown, 10, 10));
  EXPECT_EQ(log_, std::vector<std::string>{"overlay:down 10,10"});
  EXPECT_EQ(manager_->GetDebugWindow(), overlay);
}

TEST_F(WindowManagerTest, KeysGoToFocusWindowElseTopModal) {
  TScreen* screen = MakeScreen();
  auto* field = new Probe(&log_, "field", TRect(0, 0, 10, 10), true);
  screen->AddChild(field, false);
  manager_->SetFocus(field);
  log_.clear();
  manager_->HandleEvent(Event(kEventChar, 0, 0, 'x'));
  EXPECT_EQ(log_, std::vector<std::string>{"field:char 120"});
  manager_->SetFocus(nullptr);
  log_.clear();
  std::vector<std::string> heard;
  manager_->AddListener(new Recorder(&heard));
  manager_->HandleEvent(Event(kEventKeyDown, 0, 0, 'k'));
  EXPECT_TRUE(log_.empty());
  EXPECT_EQ(heard, std::vector<std::string>{"listener 4 raw:k"});  // reached the screen
}

TEST_F(WindowManagerTest, FramesArePacedBy12msWithFocusAnd200msWithout) {
  struct Case {
    const char* what;
    bool hosted;
    const char* commandLine;
    uint32_t interval;
  } cases[] = {{"inactive", false, "", 200}, {"hosted", true, "", 12}, {"host-driven", false, "-pq=1", 12}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    platform_->GetImpl()->mHosted = c.hosted;
    SetProcessCommandLine(c.commandLine);
    if (!manager_->GetScreen()) MakeScreen();
    auto frames = [this] {
      int n = 0;
      for (const std::string& s : log_) n += s == "end";
      return n;
    };
    // Start just after a frame.
    os::TestAdvanceTime(1000);
    manager_->Invalidate();
    manager_->Render();
    log_.clear();
    manager_->Invalidate();
    os::TestAdvanceTime(c.interval - 1);
    manager_->Render();
    EXPECT_EQ(frames(), 0);
    os::TestAdvanceTime(1);
    manager_->Render();
    EXPECT_EQ(frames(), 1);
    // Nothing asked for a redraw: no frame however long it waits.
    os::TestAdvanceTime(1000);
    manager_->Render();
    EXPECT_EQ(frames(), 1);
  }
}

TEST_F(WindowManagerTest, NoFrameWhileTheDisplayIsNotReadyOrAMovieIsOpen) {
  MakeScreen();
  os::TestAdvanceTime(1000);
  display_.mReady = false;
  manager_->Render();
  display_.mReady = true;
  manager_->mMovieOpen = true;
  manager_->Render();
  EXPECT_TRUE(log_.empty());
  EXPECT_TRUE(manager_->IsRedrawNeeded());
  manager_->mMovieOpen = false;
  manager_->Render();
  EXPECT_EQ(log_.back(), "end");
  EXPECT_FALSE(manager_->IsRedrawNeeded());
}

TEST_F(WindowManagerTest, DrawingStartsAtTheTopmostFullScreenCoveringModal) {
  TScreen* screen = MakeScreen();
  screen->mAlwaysDraw = true;
  TModalWindow* opaque = Push("opaque");
  auto* cover = new Probe(&log_, "cover", TRect(0, 0, 800, 600));
  opaque->AddChild(cover, false);
  cover->SetFlags(cover->GetFlags() | kWindowCovers);  // joins the cover set: the modal covers
  EXPECT_TRUE(opaque->GetFlags() & kWindowCovers);
  TModalWindow* top = Push("top");
  top->AddChild(new Probe(&log_, "topchild", TRect(0, 0, 10, 10)), false);
  os::TestAdvanceTime(1000);
  log_.clear();
  manager_->Render();
  // The screen under the opaque modal window is not drawn (its fill would show).
  EXPECT_EQ(log_, (std::vector<std::string>{"begin", "cover:draw", "topchild:draw", "end"}));

  manager_->SetTopModalOnly(true);
  manager_->Invalidate();
  os::TestAdvanceTime(1000);
  log_.clear();
  manager_->Render();
  EXPECT_EQ(log_, (std::vector<std::string>{"begin", "topchild:draw", "end"}));

  // The covering child leaves: the modal window no longer covers.
  opaque->RemoveChild(cover);
  manager_->DeferDelete(cover);
  EXPECT_FALSE(opaque->GetFlags() & kWindowCovers);
}

TEST_F(WindowManagerTest, PoppingInsideAHandlerDefersTheDeletion) {
  struct Closer : Probe {
    using Probe::Probe;
    bool OnMouseDown(TPoint) override {
      GetWindowManager()->PopModal();
      mLog->push_back("closed");
      return true;  // this object must still be alive here
    }
  };
  MakeScreen();
  TModalWindow* dialog = Push("dialog");
  dialog->AddChild(new Closer(&log_, "closer", TRect(0, 0, 50, 50)), false);
  log_.clear();
  manager_->HandleEvent(Event(kEventMouseDown, 5, 5));
  EXPECT_EQ(log_, (std::vector<std::string>{"closer:popped", "closed"}));
  EXPECT_EQ(manager_->GetClosedWindowCount(), 1u);
  manager_->HandleEvent(Event(kEventIdle));
  EXPECT_EQ(manager_->GetClosedWindowCount(), 0u);
}

}  // namespace
