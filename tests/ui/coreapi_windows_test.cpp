// The core script functions that read and change named windows: labels of text windows and
// buttons, bitmaps and the splash image test, button commands and toggle states, layer selection,
// immediate rectangle fills and messages aimed at the window below the top modal.
#include <gtest/gtest.h>

#include <string>

#include "ui/button.h"
#include "ui/image.h"
#include "ui/text.h"
#include "widgets_fixture.h"

namespace {

class CoreApiWindowsTest : public WidgetFixture {
 protected:
  // tostring of a Lua expression.
  std::string Eval(const std::string& expression) {
    EXPECT_EQ(Run(("gOut = tostring(" + expression + ")").c_str()), 0) << expression;
    std::string out = Global("gOut");
    Run("gOut = nil");
    return out;
  }
  TWindow* Find(const char* name) { return screen_->FindChild(name, -1); }
};

TEST_F(CoreApiWindowsTest, LabelsOfTextWindowsAndButtons) {
  ASSERT_EQ(Run("MakeDialog{ Text{ name='title', w=100, h=20 },"
                "  Button{ name='ok', w=50, h=20, Text{ name='label', w=50, h=20 } },"
                "  Button{ name='bare', w=50, h=20 },"
                "  Bitmap{ name='pic', w=10, h=10 } }"),
            0);
  ASSERT_EQ(Run("SetLabel('title', 'Welcome') SetLabel('ok', 'Play') SetLabel('pic', 'ignored')"
                " SetLabel('bare', 'nowhere') SetLabel('ghost', 'x')"),
            0);
  EXPECT_EQ(KindCast<TText>(Find("title"))->GetText(), "Welcome");
  EXPECT_EQ(KindCast<TText>(Find("ok")->FindChild("label", -1))->GetText(), "Play");
  const std::pair<const char*, const char*> cases[] = {
      {"GetLabel('title')", "Welcome"},
      {"GetLabel('ok')", "Play"},
      {"GetLabel('bare')", ""},  // a button without a label child
      {"GetLabel('pic')", "pic_is_not_a_TText_window_or_TButton"},
      {"GetLabel('ghost')", "ghost_is_not_found"},
  };
  for (const auto& [expression, expected] : cases) EXPECT_EQ(Eval(expression), expected) << expression;
}

TEST_F(CoreApiWindowsTest, BitmapsAndTheSplashImageTest) {
  auto picture = Texture("pic.png", 32, 16);
  ASSERT_EQ(Run("MakeDialog{ Bitmap{ name='splashimage' }, Text{ name='title', w=10, h=10 } }"), 0);
  auto* image = KindCast<TImage>(Find("splashimage"));
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(Eval("ImageLoaded('splashimage')"), "false");
  ASSERT_EQ(Run("SetBitmap('splashimage', 'pic.png', 2) SetBitmap('title', 'pic.png')"), 0);
  EXPECT_EQ(image->GetTexture(), picture);
  EXPECT_EQ(image->GetWidth(), 64);
  EXPECT_EQ(image->GetHeight(), 32);
  EXPECT_EQ(Eval("ImageLoaded('splashimage')"), "true");
  EXPECT_EQ(Eval("ImageLoaded('title')"), "false");
  EXPECT_EQ(Eval("ImageLoaded('ghost')"), "false");
  ASSERT_EQ(Run("SetBitmap('splashimage', 'missing.png')"), 0);  // an image that does not load
  EXPECT_EQ(Eval("ImageLoaded('splashimage')"), "false");
}

// A still splash whose image loads stays up for its duration, and a key ends it early.
TEST_F(CoreApiWindowsTest, StillSplashStaysForItsDuration) {
  Texture("still.png", 40, 30);
  ASSERT_EQ(script_->DoLuaString("return function() DisplaySplash('intro.swf', 'still.png', 1000) gDone = 'yes' end",
                                 -1, 0),
            0);
  auto step = [this](uint32_t ms) {
    os::TestAdvanceTime(ms);
    platform_->GetTaskList()->RunAll(0);
  };
  for (int i = 0; i < 12; ++i) step(50);
  EXPECT_EQ(Global("gDone"), "<nil>");
  EXPECT_EQ(manager_->GetTopModal()->GetName(), "DisplaySplash");
  EXPECT_NE(manager_->GetTopModal()->FindChild("splashimage", -1), nullptr);
  for (int i = 0; i < 100 && Global("gDone") == "<nil>"; ++i) step(50);
  EXPECT_EQ(Global("gDone"), "yes");
  manager_->HandleEvent(Event(kEventIdle));
  EXPECT_EQ(manager_->GetTopModal(), screen_);

  // A key press ends a still splash early.
  ASSERT_EQ(script_->DoLuaString("return function() DisplaySplash('', 'still.png', 100000) gKey = 'yes' end", -1, 0),
            0);
  for (int i = 0; i < 4; ++i) step(50);
  EXPECT_EQ(Global("gKey"), "<nil>");
  EXPECT_TRUE(script_->QueueMessage(new TMessage(kPressAnyKey, "raw:a"), nullptr));
  EXPECT_EQ(Global("gKey"), "yes");
}

TEST_F(CoreApiWindowsTest, SetCommandGivesAButtonItsCommand) {
  ASSERT_EQ(Run("MakeDialog{ Button{ name='go', w=50, h=20 }, Text{ name='title', w=10, h=10 } }"), 0);
  ASSERT_EQ(Run("SetCommand('go', function() gRan = GetButtonName() end)"
                " SetCommand('title', function() gWrong = true end)"),
            0);
  TButtonCast(Find("go"))->Press();
  ASSERT_EQ(script_->DoLuaString("gCommandQueue[1]()", -1, 0), 0);
  EXPECT_EQ(Global("gRan"), "go");
  EXPECT_EQ(Global("gWrong"), "<nil>");
}

// The toggle state is searched through the modal windows from the top; selecting a radio button
// deselects its group.
TEST_F(CoreApiWindowsTest, ToggleStatesAcrossTheModalStack) {
  ASSERT_EQ(Run("MakeDialog{ Button{ name='sound', type=kToggle, w=50, h=20 },"
                "  BeginGroup(), Button{ name='easy', type=kRadio, w=50, h=20, on=true },"
                "  Button{ name='hard', type=kRadio, w=50, h=20 }, Text{ name='title', w=10, h=10 } }"),
            0);
  ASSERT_EQ(Run("PushModal('options') MakeDialog{ Button{ name='sound', type=kToggle, w=50, h=20 } }"), 0);
  TButton* upper = TButtonCast(manager_->GetTopModal()->FindChild("sound", -1));
  ASSERT_NE(upper, nullptr);

  EXPECT_EQ(Eval("GetButtonToggleState('sound')"), "false");
  upper->Toggle();
  EXPECT_EQ(Eval("GetButtonToggleState('sound')"), "true");  // the top one is found first
  ASSERT_EQ(Run("SetButtonToggleState('sound', false)"), 0);
  EXPECT_FALSE(upper->IsSelected());
  ASSERT_EQ(Run("SetButtonToggleState('sound', true)"), 0);
  EXPECT_TRUE(upper->IsSelected());

  EXPECT_EQ(Eval("GetButtonToggleState('easy')"), "true");
  ASSERT_EQ(Run("SetButtonToggleState('hard', true)"), 0);
  EXPECT_EQ(Eval("GetButtonToggleState('hard')"), "true");
  EXPECT_EQ(Eval("GetButtonToggleState('easy')"), "false");
  EXPECT_EQ(Eval("GetButtonToggleState('title')"), "false");
  EXPECT_EQ(Eval("GetButtonToggleState('ghost')"), "false");
}

TEST_F(CoreApiWindowsTest, SelectLayerSortsTheFollowingChildren) {
  ASSERT_EQ(Run("MakeDialog{ Button{ name='b', w=50, h=20, SelectLayer(1), Window{ name='one', w=5, h=5 },"
                "  SelectLayer(2), Window{ name='two', w=5, h=5 } },"
                "  Window{ name='plain', w=5, h=5, SelectLayer(1), Window{ name='inner', w=5, h=5 } } }"),
            0);
  auto* button = TButtonCast(Find("b"));
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(button->GetLayer(1).size(), 1u);
  EXPECT_EQ(button->GetLayer(1).front()->GetName(), "one");
  EXPECT_EQ(button->GetLayer(2).front()->GetName(), "two");
  EXPECT_NE(Find("inner"), nullptr);  // a plain window ignores layers
}

TEST_F(CoreApiWindowsTest, FillRectIsCutToTheRootWindow) {
  std::vector<std::string> fills;
  TWindowDrawHooks hooks;
  hooks.fillRect = [&fills](const TRect& r, const TVec4& c) {
    TRect clip = windowdraw::GetClipRect();
    char text[160];
    std::snprintf(text, sizeof(text), "%d,%d,%d,%d clip %d,%d,%d,%d colour %.2f,%.2f,%.2f,%.2f", r.left, r.top,
                  r.right, r.bottom, clip.left, clip.top, clip.right, clip.bottom, c.x, c.y, c.z, c.w);
    fills.push_back(text);
  };
  windowdraw::SetHooks(hooks);
  TRect before = windowdraw::GetClipRect();
  ASSERT_EQ(Run("FillRect({ -10, 20, 900, 40 }, { 1, 0.5, 0, 0.25 })"
                " FillRect({ 900, 0, 950, 10 }, { 1, 1, 1, 1 })"),  // wholly outside: nothing
            0);
  ASSERT_EQ(fills.size(), 1u);
  EXPECT_EQ(fills[0], "0,20,800,40 clip 0,20,800,40 colour 1.00,0.50,0.00,0.25");
  TRect after = windowdraw::GetClipRect();
  EXPECT_EQ(after.left, before.left);  // the clip rectangle is popped again
  EXPECT_EQ(after.right, before.right);
}

// A modal window that records the messages aimed at it.
class RecordingModal : public TModalWindow {
 public:
  explicit RecordingModal(std::vector<std::string>* log) : mLog(log) { SetName("middle"); }
  bool OnMessage(TMessage& m) override {
    mLog->push_back("middle got " + std::string(m.GetName().CStr()));
    return true;
  }
  std::vector<std::string>* mLog;
};

TEST_F(CoreApiWindowsTest, PostMessageToParentAimsBelowTheTopModal) {
  manager_->PushModal(new RecordingModal(&log_));
  ASSERT_EQ(Run("PushModal('top')"), 0);
  RecordPosted();
  ASSERT_EQ(Run("PostMessageToParent(CreateNamedMessage(kGeneric, 'up'))"
                " PostMessage(CreateNamedMessage(kGeneric, 'here'))"),
            0);
  manager_->FlushMessages();
  EXPECT_EQ(log_, (std::vector<std::string>{"middle got up", "posted 0 here"}));
}

}  // namespace
