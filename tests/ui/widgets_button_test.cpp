// Buttons: which layer each state shows, the mouse, presses and their messages, commands, radio
// groups, hit masks, hot keys, Enter and Escape, and buttons built from style tables.
#include "ui/button.h"

#include "core/config.h"
#include "ui/image.h"
#include "widgets_fixture.h"

namespace {

// A button with one marker child per layer, so the shown layer can be read off the visible child.
TButton* MakeButton(TWindow* parent, const char* name, int32_t kind, TRect rect = TRect(0, 0, 100, 40)) {
  auto* button = new TButton;
  button->SetName(name);
  button->SetKind(kind);
  button->MoveTo(rect.left, rect.top);
  button->SetSize(rect.right - rect.left, rect.bottom - rect.top);
  for (int32_t i = 0; i < 4; ++i) {
    button->ShowLayer(i);
    auto* marker = new TWindow;
    marker->SetName(TString::Format("layer%d", i));
    button->AddChild(marker, false);
  }
  button->ShowLayer(kAllLayers);
  if (parent) parent->AddChild(button, true);
  button->SetState(kButtonNormal);
  return button;
}

int ShownLayer(TButton* button) {
  int shown = -1;
  for (TWindow* child : button->GetChildren()) {
    if (!child->IsVisible()) continue;
    if (shown != -1) return -2;  // more than one
    shown = child->GetName().CStr()[5] - '0';
  }
  return shown;
}

class Action : public TButton::Action {
 public:
  Action(std::vector<std::string>* log, bool closeScreen) : mLog(log), mCloseScreen(closeScreen) {}
  void Execute(TButton* button) override {
    mLog->push_back(std::string("action ") + button->GetName().CStr());
    if (mCloseScreen) {
      // Takes the button's subtree off the screen, as closing a dialog does.
      TWindow* dialog = button->GetParent();
      dialog->GetParent()->RemoveChild(dialog);
      mRemoved = dialog;
    }
  }
  std::vector<std::string>* mLog;
  bool mCloseScreen;
  TWindow* mRemoved = nullptr;
};

class ButtonTest : public WidgetFixture {
 protected:
  void SetUp() override {
    WidgetFixture::SetUp();
    dialog_ = new Probe(&log_, "dialog", TRect(0, 0, 400, 300));
    screen_->AddChild(dialog_, true);
    RecordPosted();
  }
  TPlatformEvent Mouse(int32_t type, int32_t x, int32_t y) { return Event(type, x, y); }
  Probe* dialog_ = nullptr;
};

TEST_F(ButtonTest, StatesShowTheirLayersByKindAndSelection) {
  struct Case {
    int32_t kind;
    bool selected;
    int layers[3];  // for display states 0, 1, 2
  } cases[] = {
      {kPush, false, {0, 1, 2}},
      {kPush, true, {0, 1, 2}},
      {kToggle, false, {0, 1, 2}},
      {kToggle, true, {1, 0, 3}},
      {kRadio, true, {1, 0, 3}},
  };
  for (const Case& c : cases) {
    TButton* button = MakeButton(dialog_, "b", c.kind);
    if (c.selected) button->Toggle();
    for (int32_t state = 0; state < 3; ++state) {
      button->SetState(state);
      EXPECT_EQ(ShownLayer(button), c.layers[state]) << "kind " << c.kind << " state " << state;
    }
    int before = ShownLayer(button);
    button->SetState(kButtonClicked);  // changes no layer
    EXPECT_EQ(ShownLayer(button), before);
    dialog_->RemoveChild(button);
    delete button;
  }
}

TEST_F(ButtonTest, ClickInsidePressesAndPostsTheButtonPress) {
  TButton* button = MakeButton(dialog_, "ok", kPush, TRect(10, 10, 110, 50));
  manager_->HandleEvent(Mouse(kEventMouseMove, 20, 20));
  EXPECT_EQ(button->GetState(), kButtonRollover);
  EXPECT_EQ(ShownLayer(button), 2);
  manager_->HandleEvent(Mouse(kEventMouseDown, 20, 20));
  EXPECT_EQ(button->GetState(), kButtonPressed);
  EXPECT_EQ(ShownLayer(button), 1);
  log_.clear();
  manager_->HandleEvent(Mouse(kEventMouseUp, 20, 20));
  EXPECT_EQ(button->GetState(), kButtonRollover);
  manager_->FlushMessages();
  EXPECT_EQ(log_, std::vector<std::string>{"dialog:msg ok"});
}

TEST_F(ButtonTest, AScriptHidingTheHoveredButtonTakesItsHoverAway) {
  TButton* button = MakeButton(dialog_, "ok", kPush, TRect(10, 10, 110, 50));
  manager_->HandleEvent(Mouse(kEventMouseMove, 20, 20));
  ASSERT_EQ(button->GetState(), kButtonRollover);
  ASSERT_EQ(Run("EnableWindow('ok', false)"), 0);
  EXPECT_EQ(button->GetState(), kButtonNormal);
  EXPECT_EQ(ShownLayer(button), 0);
  // Shown again, it looks as it does without the pointer until the pointer moves onto it.
  ASSERT_EQ(Run("EnableWindow('ok', true)"), 0);
  EXPECT_EQ(ShownLayer(button), 0);
  manager_->HandleEvent(Mouse(kEventMouseMove, 21, 20));
  EXPECT_EQ(button->GetState(), kButtonRollover);
}

TEST_F(ButtonTest, ReleaseOutsideDoesNotPress) {
  TButton* button = MakeButton(dialog_, "ok", kPush, TRect(10, 10, 110, 50));
  EXPECT_TRUE(button->OnMouseDown({5, 5}));
  EXPECT_EQ(button->GetState(), kButtonPressed);
  EXPECT_TRUE(button->OnMouseUp({500, 5}));
  EXPECT_EQ(button->GetState(), kButtonNormal);
  EXPECT_EQ(ShownLayer(button), 0);
  manager_->FlushMessages();
  EXPECT_TRUE(log_.empty());
  // A move off the button leaves it.
  button->OnMouseMove({5, 5});
  EXPECT_EQ(button->GetState(), kButtonRollover);
  EXPECT_FALSE(button->OnMouseMove({-1, 5}));
  EXPECT_EQ(button->GetState(), kButtonNormal);
}

TEST_F(ButtonTest, TogglePressFlipsSelection) {
  TButton* button = MakeButton(dialog_, "t", kToggle);
  button->OnMouseDown({1, 1});
  button->OnMouseUp({1, 1});
  EXPECT_TRUE(button->IsSelected());
  EXPECT_EQ(ShownLayer(button), 3);  // selected rollover
  button->OnMouseLeave();
  EXPECT_EQ(ShownLayer(button), 1);  // selected at rest
  button->OnMouseDown({1, 1});
  EXPECT_EQ(ShownLayer(button), 0);  // selected while pressed
  button->OnMouseUp({1, 1});
  EXPECT_FALSE(button->IsSelected());
}

TEST_F(ButtonTest, RadioGroupsStayExclusiveBetweenGroupStarts) {
  // Added in this order; groups begin at r0 and r4.
  std::vector<TButton*> radios;
  for (int i = 0; i < 6; ++i) {
    radios.push_back(MakeButton(dialog_, ("r" + std::to_string(i)).c_str(), kRadio));
    if (i == 0 || i == 4) radios.back()->SetOptions(1);
  }
  TButton* push = MakeButton(dialog_, "p", kPush);
  push->Toggle();  // a push button in the group is never touched... but is deselected as a button
  for (TButton* r : radios) r->SelectInGroup(true);  // each select deselects its group's others
  std::vector<bool> want = {false, false, false, true, false, true};
  for (size_t i = 0; i < radios.size(); ++i) EXPECT_EQ(radios[i]->IsSelected(), want[i]) << i;

  radios[2]->Press();
  want = {false, false, true, false, false, true};
  for (size_t i = 0; i < radios.size(); ++i) EXPECT_EQ(radios[i]->IsSelected(), want[i]) << i;
  EXPECT_EQ(ShownLayer(radios[2]), 0 + 1);  // selected at rest shows layer 1
  EXPECT_EQ(ShownLayer(radios[0]), 0);
}

TEST_F(ButtonTest, RadioWithoutGroupStartDeselectsNobody) {
  TButton* a = MakeButton(dialog_, "a", kRadio);
  TButton* b = MakeButton(dialog_, "b", kRadio);
  a->SelectInGroup(true);
  b->SelectInGroup(true);
  EXPECT_TRUE(a->IsSelected());
  EXPECT_TRUE(b->IsSelected());
}

TEST_F(ButtonTest, CloseButtonReturnsItsNameAndClosesBeforeThePress) {
  TButton* button = MakeButton(dialog_, "yes", kPush);
  button->SetOptions(4);
  log_.clear();
  EXPECT_TRUE(button->Press());
  EXPECT_EQ(Global("gReturnValue"), "yes");
  EXPECT_EQ(manager_->GetQueuedMessageCount(), 2u);
  manager_->FlushMessages();
  // The close comes first; the screen it closes takes the dialog and its press message with it.
  ASSERT_FALSE(log_.empty());
  EXPECT_EQ(log_[0], "posted 1 " + std::string(screen_->GetIdString().CStr()));
  for (const std::string& line : log_) EXPECT_NE(line, "dialog:msg yes");
}

TEST_F(ButtonTest, ActionRunsAndThePressFollowsWhileTheButtonStays) {
  TButton* button = MakeButton(dialog_, "go", kToggle);
  button->SetAction(std::make_unique<Action>(&log_, false));
  EXPECT_TRUE(button->Press());
  EXPECT_TRUE(button->IsSelected());
  manager_->FlushMessages();
  EXPECT_EQ(log_, (std::vector<std::string>{"action go", "dialog:msg go"}));
}

TEST_F(ButtonTest, ActionThatClosesTheScreenEndsThePress) {
  TButton* button = MakeButton(dialog_, "quit", kToggle);
  auto owned = std::make_unique<Action>(&log_, true);
  Action* action = owned.get();
  button->SetAction(std::move(owned));
  button->SetState(kButtonRollover);
  EXPECT_FALSE(button->Press());
  EXPECT_FALSE(button->IsSelected());  // not toggled once gone
  EXPECT_EQ(button->GetState(), kButtonNormal);
  manager_->FlushMessages();
  EXPECT_EQ(log_, std::vector<std::string>{"action quit"});  // the press message was dropped
  ASSERT_EQ(action->mRemoved, dialog_);
  delete dialog_;
  dialog_ = nullptr;
}

// A modal window that records the messages offered to it.
class RecordingModal : public TModalWindow {
 public:
  explicit RecordingModal(std::vector<std::string>* log) : mLog(log) {}
  bool OnMessage(TMessage& m) override {
    mLog->push_back(std::string("modal:msg ") + m.GetName().CStr());
    return true;
  }
  std::vector<std::string>* mLog;
};

TEST_F(ButtonTest, SendToParentTargetsTheWindowBelowTheTopModal) {
  auto* below = new RecordingModal(&log_);
  manager_->PushModal(below);
  auto* top = new TModalWindow;
  manager_->PushModal(top);
  ASSERT_EQ(top->GetParent(), below);
  TButton* plain = MakeButton(top, "plain", kPush);
  TButton* button = MakeButton(top, "s", kPush);
  button->SetOptions(2);
  log_.clear();
  button->Press();
  plain->Press();  // its own parent, the top modal, takes it
  manager_->FlushMessages();
  EXPECT_EQ(log_, std::vector<std::string>{"modal:msg s"});
}

TEST_F(ButtonTest, HitMaskDecidesHitsByColour) {
  TButton* button = MakeButton(dialog_, "m", kPush, TRect(0, 0, 200, 100));
  // 100 x 50 mask: column 20 lit, column 40 dark (19 in every channel), column 60 lit in blue only.
  std::vector<uint32_t> pixels(100 * 50, 0xFF000000u);
  for (int y = 0; y < 50; ++y) {
    pixels[y * 100 + 20] = 0xFFFFFFFFu;
    pixels[y * 100 + 40] = 0xFF131313u;
    pixels[y * 100 + 60] = 0x00000014u;
  }
  button->SetHitMask(pixels.data(), 100, 50, 100);
  struct Case {
    bool fix;
    int x;
    bool miss;
  } cases[] = {
      {false, 10, false},  // 10 * 2 = column 20
      {false, 20, true},   // column 40: dark
      {false, 30, false},  // column 60: blue 20
      {false, 60, true},   // column 120: outside the mask
      {true, 40, false},   // 40 / 2 = column 20
      {true, 80, true},
      {true, 120, false},
      {true, 10, true},    // column 5: black
  };
  for (const Case& c : cases) {
    SetConfig("fixbuttonmask", c.fix ? "1" : "0");
    button->SetState(kButtonRollover);
    EXPECT_EQ(button->LeaveIfOutside({c.x, 10}), c.miss) << "fix " << c.fix << " x " << c.x;
    EXPECT_EQ(button->GetState(), c.miss ? kButtonNormal : kButtonRollover);
  }
  // A press on a dark pixel leaves at once and presses nothing.
  SetConfig("fixbuttonmask", "0");
  button->OnMouseDown({20, 10});
  EXPECT_EQ(button->GetState(), kButtonNormal);
  button->OnMouseUp({20, 10});
  manager_->FlushMessages();
  EXPECT_TRUE(log_.empty());
}

TEST_F(ButtonTest, HotKeysEnterAndEscapePressButtons) {
  TButton* ok = MakeButton(dialog_, "ok", kPush);
  TButton* cancel = MakeButton(dialog_, "cancel", kPush);
  TButton* hot = MakeButton(dialog_, "hot", kToggle);
  ok->SetOptions(8);
  cancel->SetOptions(0x10);
  ok->SetAction(std::make_unique<Action>(&log_, false));
  cancel->SetAction(std::make_unique<Action>(&log_, false));
  screen_->RegisterHotKey("h", "hot");
  manager_->SetFocus(screen_);
  screen_->OnChar(13);
  screen_->OnChar(27);
  screen_->PressHotKeyButton("hot");
  EXPECT_TRUE(hot->IsSelected());
  EXPECT_EQ(log_[0], "action ok");
  EXPECT_EQ(log_[1], "action cancel");
}

TEST_F(ButtonTest, LayeredChildrenJoinLayersAndLeaveThem) {
  TLayeredWindow layered(3);
  auto* a = new TWindow;
  auto* shared = new TWindow;
  layered.AddChild(a, false);  // layer 0
  layered.ShowLayer(kAllLayers);
  layered.AddChild(shared, false);
  for (uint32_t i = 0; i < 3; ++i) EXPECT_EQ(layered.GetLayer(i).front(), shared);
  layered.ShowLayer(2);
  EXPECT_FALSE(a->IsVisible());
  EXPECT_TRUE(shared->IsVisible());
  layered.ShowLayer(0);
  EXPECT_TRUE(a->IsVisible());
  layered.ShowLayer(7);  // no such layer: everything hidden, nothing read past the end
  EXPECT_FALSE(a->IsVisible());
  EXPECT_FALSE(shared->IsVisible());
  layered.RemoveChild(shared);
  for (uint32_t i = 0; i < 3; ++i)
    for (TWindow* w : layered.GetLayer(i)) EXPECT_NE(w, shared);
  delete shared;
}

TEST_F(ButtonTest, StyleTableBuildsLayersOptionsAndCommand) {
  Texture("up.png", 60, 20);
  Texture("down.png", 60, 20);
  Texture("over.png", 80, 30);
  // The window protocol hands "beginGroup" over from gBeginGroup.
  ASSERT_EQ(Run("gBeginGroup = 1; MakeDialog{ Button{ name='b', x=5, y=5, type=1, scale=2, default=true,"
                "  tooltip='tip', on=true, graphics={ 'up.png', 'down.png', 'over.png' },"
                "  command=function() gRan = GetButtonName() end,"
                "  Window{ name='label', w=10, h=10 } } }"),
            0);
  TButton* button = TButtonCast(screen_->FindChild("b", -1));
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(button->GetKind(), kToggle);
  EXPECT_TRUE(button->IsSelected());
  EXPECT_EQ(button->GetOptions() & kButtonDefault, kButtonDefault);
  EXPECT_TRUE(button->GetFlags() & kWindowGroupStart);
  EXPECT_EQ(button->GetTooltip(), "tip");
  EXPECT_EQ(button->GetWidth(), 160);  // fitted to the largest image at scale 2
  EXPECT_EQ(button->GetHeight(), 60);
  TWindow* image0 = button->FindChild("image0", 1);
  TWindow* image2 = button->FindChild("image2", 1);
  TWindow* label = button->FindChild("label", 1);
  ASSERT_TRUE(image0 && image2 && label);
  EXPECT_EQ(button->FindChild("image3", 1), nullptr);  // no fourth image
  EXPECT_TRUE(label->IsVisible());                      // in every layer
  button->SetState(kButtonRollover);                    // selected rollover: layer 3 has the label only
  EXPECT_FALSE(image2->IsVisible());
  EXPECT_TRUE(label->IsVisible());
  button->SetState(kButtonPressed);  // selected and pressed shows layer 0
  EXPECT_TRUE(image0->IsVisible());

  button->Press();
  lua_State* L = script_->GetState();
  lua_getglobal(L, "gCommandQueue");
  ASSERT_TRUE(lua_istable(L, -1));
  lua_rawgeti(L, -1, 1);
  EXPECT_TRUE(lua_isfunction(L, -1));
  lua_pop(L, 2);
  ASSERT_EQ(script_->DoLuaString("gCommandQueue[1]()", -1, 0), 0);
  EXPECT_EQ(Global("gRan"), "b");
}

TEST_F(ButtonTest, DrawingShowsOnlyTheStatesImage) {
  auto up = Texture("up.png", 60, 20);
  auto down = Texture("down.png", 60, 20);
  auto over = Texture("over.png", 60, 20);
  ASSERT_EQ(Run("MakeDialog{ Button{ name='b', x=10, y=10, graphics={ 'up.png', 'down.png', 'over.png' } } }"), 0);
  TButton* button = TButtonCast(screen_->FindChild("b", -1));
  ASSERT_NE(button, nullptr);
  struct Case {
    int32_t state;
    TTexture* drawn;
  } cases[] = {{kButtonNormal, up.get()}, {kButtonPressed, down.get()}, {kButtonRollover, over.get()}};
  for (const Case& c : cases) {
    button->SetState(c.state);
    textures_.clear();
    screen_->DrawTree(0);
    ASSERT_EQ(textures_.size(), 1u) << c.state;
    EXPECT_EQ(textures_[0].texture, c.drawn) << c.state;
  }
  button->Show(false);
  textures_.clear();
  screen_->DrawTree(0);
  EXPECT_TRUE(textures_.empty());
}

TEST_F(ButtonTest, ScriptsMakeWidgetsByTypeName) {
  struct Case {
    const char* type;
    const char* className;
  } cases[] = {{"Button", "TButton"}, {"Bitmap", "TImage"}, {"Slider", "TSlider"}};
  for (const Case& c : cases) {
    TWindowScript::TWindowCreatorFn creator = script_->FindCreator(c.type);
    ASSERT_NE(creator, nullptr) << c.type;
    std::unique_ptr<TWindow> window(creator());
    EXPECT_STREQ(window->GetClassName(), c.className);
  }
}

}  // namespace
