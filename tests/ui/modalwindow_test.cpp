// Modal windows: canonical hot-key texts, hot-key lookup and the swallowed character, Enter and
// Escape through default and cancel buttons, and the screen's background fill.
#include <gtest/gtest.h>

#include "uifixture.h"

namespace {

TEST(HotKey, CanonicalTexts) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"x", "X"},
      {"Control-Shift-s", "shift-ctrl-S"},
      {"shift-ctrl-S", "shift-ctrl-S"},
      {"ctrl-control-z", "ctrl-Z"},
      {"alt-shift-1", "shift-alt-1"},
      {"@anything-q", "@Q"},
      {"@", "@"},  // one character: a plain key
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(CanonicalHotKey(c.in), c.out) << c.in;
}

// Buttons for these tests: windows named "btn..." are buttons; "def" options 0x8, "esc" 0x10.
std::vector<std::string>* gPressed = nullptr;
bool gCommandRemoves = false;

bool IsButton(TWindow* w) { return std::string(w->GetName().CStr()).rfind("btn", 0) == 0; }
bool Press(TWindow* w) {
  if (!IsButton(w)) return false;
  gPressed->push_back(std::string("press ") + w->GetName().CStr());
  return true;
}
int32_t Options(TWindow* w) {
  if (!IsButton(w)) return -1;
  std::string n = w->GetName().CStr();
  return (n.find("Def") != std::string::npos ? 0x8 : 0) | (n.find("Esc") != std::string::npos ? 0x10 : 0);
}
bool DoCommand(TWindow* w) {
  gPressed->push_back(std::string("command ") + w->GetName().CStr());
  return gCommandRemoves;
}

class ModalWindowTest : public UiFixture {
 protected:
  void SetUp() override {
    UiFixture::SetUp();
    gPressed = &log_;
    gCommandRemoves = false;
    SetButtonHooks({&Press, &Options, &DoCommand});
    screen_ = MakeScreen();
  }
  void TearDown() override {
    SetButtonHooks({});
    UiFixture::TearDown();
  }
  Probe* Add(const char* name, TWindow* parent = nullptr) {
    auto* p = new Probe(&log_, name, TRect(0, 0, 10, 10));
    (parent ? parent : screen_)->AddChild(p, false);
    return p;
  }
  TScreen* screen_ = nullptr;
};

TEST_F(ModalWindowTest, HotKeyPressesItsButtonAndSwallowsTheCharacter) {
  Add("btnSave", Add("panel"));
  screen_->RegisterHotKey("ctrl-s", "btnSave");
  log_.clear();
  manager_->HandleEvent(Event(kEventKeyDown, 0, 0, 'S', kModifierCtrl));
  manager_->HandleEvent(Event(kEventChar, 0, 0, 19));  // the character of the same press
  manager_->HandleEvent(Event(kEventChar, 0, 0, 'a'));
  EXPECT_EQ(log_, std::vector<std::string>{"press btnSave"});
  EXPECT_FALSE(SwallowNextCharacter());
}

TEST_F(ModalWindowTest, ModifiersMatchExactlyUnlessRegisteredWithAt) {
  Add("btnA");
  screen_->RegisterHotKey("a", "btnA");
  log_.clear();
  EXPECT_FALSE(screen_->OnKeyDown('A', kModifierShift));
  EXPECT_TRUE(screen_->OnKeyDown('A', 0));
  screen_->RegisterHotKey("@a", "btnA");
  EXPECT_TRUE(screen_->OnKeyDown('A', kModifierShift));
  EXPECT_EQ(log_, (std::vector<std::string>{"press btnA", "press btnA"}));
  // An empty button name removes the key.
  screen_->RegisterHotKey("a", "");
  screen_->RegisterHotKey("@a", "");
  EXPECT_FALSE(screen_->OnKeyDown('A', 0));
  SwallowNextCharacter() = false;
}

TEST_F(ModalWindowTest, MissingHotKeyButtonIsLoggedAndStillHandled) {
  Add("notabutton");
  screen_->RegisterHotKey("q", "notabutton");
  screen_->RegisterHotKey("w", "gone");
  EXPECT_TRUE(screen_->OnKeyDown('Q', 0));
  EXPECT_TRUE(screen_->OnKeyDown('W', 0));
  EXPECT_TRUE(SwallowNextCharacter());
  SwallowNextCharacter() = false;
}

TEST_F(ModalWindowTest, EnterAndEscapeRunDefaultAndCancelButtons) {
  struct Case {
    const char* what;
    std::vector<const char*> buttons;
    int8_t key;
    bool removes;
    std::vector<std::string> want;
  } cases[] = {
      {"enter without default", {"btnPlain"}, 13, false, {"field:msg "}},
      {"enter with default", {"btnDefOk"}, 13, false, {"command btnDefOk", "field:msg "}},
      {"enter closes", {"btnDefOk"}, 13, true, {"command btnDefOk"}},
      {"escape with cancel", {"btnDefOk", "btnEscNo"}, 27, false, {"command btnEscNo", "field:msg "}},
      {"invisible default ignored", {"btnDefHidden"}, 13, false, {"field:msg "}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto* dialog = new TModalWindow;
    manager_->PushModal(dialog);
    for (const char* b : c.buttons) {
      Probe* p = Add(b, dialog);
      if (std::string(b).find("Hidden") != std::string::npos) p->Show(false);
    }
    Probe* field = Add("field", dialog);
    manager_->SetFocus(field);
    gCommandRemoves = c.removes;
    log_.clear();
    EXPECT_TRUE(dialog->OnChar(c.key));
    EXPECT_EQ(log_, c.want);
    manager_->PopModal();
  }
  EXPECT_FALSE(screen_->OnChar('x'));
}

TEST_F(ModalWindowTest, ScreenFillsOnlyWhenTopOrAlwaysDraw) {
  log_.clear();
  screen_->Draw();
  EXPECT_EQ(log_, std::vector<std::string>{"fill 0,0,800,600"});
  manager_->PushModal(new TModalWindow);
  log_.clear();
  screen_->Draw();
  EXPECT_TRUE(log_.empty());
  screen_->mAlwaysDraw = true;
  screen_->Draw();
  screen_->mDrawSuppressed = true;
  screen_->Draw();
  EXPECT_EQ(log_, std::vector<std::string>{"fill 0,0,800,600"});
}

TEST_F(ModalWindowTest, WindowAnimationRunsOnItsModalClock) {
  struct Ticker : TWindow {
    bool Animate() override { return ++mTicks < 3; }
    int mTicks = 0;
  };
  auto* t = new Ticker;
  screen_->AddChild(t, false);
  t->StartAnim(10, false, true, false);
  for (int i = 0; i < 10; ++i) {
    os::TestAdvanceTime(10);
    screen_->RunTasks(0);
  }
  EXPECT_EQ(t->mTicks, 3);                 // the false answer ended the task
  EXPECT_TRUE(screen_->GetTaskList().IsEmpty());
  // A destroyed window's task ends itself instead of calling it.
  auto* u = new Ticker;
  screen_->AddChild(u, false);
  u->StartAnim(10, false, true, false);
  screen_->RemoveChild(u);
  delete u;
  os::TestAdvanceTime(10);
  screen_->RunTasks(0);
  EXPECT_TRUE(screen_->GetTaskList().IsEmpty());
}

}  // namespace
