// The window script with the window manager: windows built from nested Lua tables by registered
// type name, the current-window stack, messages into the waiting script, DoModal with its return
// value, and globals of destroyed windows.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "core/assetindex.h"
#include "ui/windowscript.h"
#include "ui/windowstyle.h"
#include "uifixture.h"

namespace fs = std::filesystem;

namespace {

int gMadeByFirst = 0, gMadeBySecond = 0;
TWindow* MakeFirst() {
  ++gMadeByFirst;
  return new TWindow;
}
TWindow* MakeSecond() {
  ++gMadeBySecond;
  return new TWindow;
}

class WindowScriptTest : public UiFixture {
 protected:
  void SetUp() override {
    UiFixture::SetUp();
    screen_ = MakeScreen();
    manager_->InstallWindowScript(std::make_unique<TWindowScript>());
    script_ = manager_->GetWindowScript();
  }
  void TearDown() override {
    if (!oldDir_.empty()) fs::current_path(oldDir_);
    if (!dir_.empty()) {
      fs::remove_all(dir_);
      filetest::ResetFileSystem();
    }
    UiFixture::TearDown();
  }
  int Run(const char* text) { return manager_->DoScriptString(screen_, text); }
  double Number(const char* global) {
    lua_State* L = script_->GetState();
    lua_getglobal(L, global);
    double n = lua_isnumber(L, -1) ? lua_tonumber(L, -1) : -1;
    lua_pop(L, 1);
    return n;
  }
  bool IsNil(const char* global) {
    lua_State* L = script_->GetState();
    lua_getglobal(L, global);
    bool nil = lua_isnil(L, -1);
    lua_pop(L, 1);
    return nil;
  }
  // A folder with assets/<name> holding the text, made the current folder and indexed.
  void WriteAsset(const char* name, const char* text) {
    if (dir_.empty()) {
      dir_ = fs::temp_directory_path() / ("tm_windowscript_" + std::to_string(getpid()));
      oldDir_ = fs::current_path();
    }
    fs::create_directories((dir_ / "assets" / name).parent_path());
    std::ofstream(dir_ / "assets" / name) << text;
    fs::current_path(dir_);
    IndexAssetFolder("assets", TString());
  }

  TScreen* screen_ = nullptr;
  TWindowScript* script_ = nullptr;
  fs::path dir_, oldDir_;
};

TEST_F(WindowScriptTest, NestedTablesBuildTheWindowTree) {
  ASSERT_EQ(Run("MakeDialog{ Window{ name='a', x=10, y=20, w=100, h=50,"
                "  Window{ name='inner', x=kCenter, w=20, h=10 } },"
                "  Window{ name='b', w=5, h=5 } }"),
            0);
  TWindow* a = screen_->FindChild("a", 1);
  TWindow* inner = screen_->FindChild("inner", -1);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(inner, nullptr);
  EXPECT_EQ(inner->GetParent(), a);
  EXPECT_EQ(screen_->GetChildren().front()->GetName(), "b");  // built last, on top
  EXPECT_EQ(a->GetRect().left, 10);
  EXPECT_EQ(a->GetRect().bottom, 70);
  EXPECT_EQ(inner->GetRect().left, 40);
  EXPECT_EQ(Number("gDialogWidth"), 5);  // the window built last
  EXPECT_EQ(script_->GetCurrentWindow(), screen_);
}

TEST_F(WindowScriptTest, DefaultStyleChainFillsMissingKeys) {
  ASSERT_EQ(Run("base = { w = 30, h = 40 }\n"
                "gCurrentDefaultStyle = { parent = base, h = 7 }\n"
                "MakeDialog{ Window{ name='styled' }, Window{ name='own', w=false, h=9 } }"),
            0);
  TWindow* styled = screen_->FindChild("styled", 1);
  ASSERT_NE(styled, nullptr);
  EXPECT_EQ(styled->GetWidth(), 30);   // from the default style's parent
  EXPECT_EQ(styled->GetHeight(), 7);   // the nearer style wins
  TWindow* own = screen_->FindChild("own", 1);
  EXPECT_EQ(own->GetWidth(), 0);  // false is found, not looked up further (reads as 0)
}

TEST_F(WindowScriptTest, StyleLookupKeepsTheStackAndSurvivesParentCycles) {
  lua_State* L = script_->GetState();
  ASSERT_EQ(script_->DoLuaString("a = {}; b = { parent = a }; a.parent = b; gCurrentDefaultStyle = a; "
                                 "return { x = 1 }",
                                 -1, 1),
            0);
  TLuaTable table(L);
  TWindowStyle style(&table);
  int top = lua_gettop(L);
  EXPECT_EQ(style.GetNumber("x", 5), 1);
  EXPECT_EQ(style.GetNumber("missing", 5), 5);
  EXPECT_EQ(style.GetString("missing", "d"), "d");
  EXPECT_FALSE(style.GetBool("missing", false));
  EXPECT_EQ(style.GetTable("missing"), nullptr);
  EXPECT_EQ(lua_gettop(L), top);
  ASSERT_EQ(script_->DoLuaString("gCurrentDefaultStyle = nil", -1, 0), 0);
  EXPECT_EQ(style.GetNumber("missing", 6), 6);
}

TEST_F(WindowScriptTest, RegisteringTwiceKeepsTheSecondCreator) {
  manager_->RegisterWindowType("Thing", &MakeFirst);
  manager_->RegisterWindowType("Thing", &MakeSecond);
  gMadeByFirst = gMadeBySecond = 0;
  ASSERT_EQ(Run("MakeDialog{ Thing{ name='t' } }"), 0);
  EXPECT_EQ(gMadeByFirst, 0);
  EXPECT_EQ(gMadeBySecond, 1);
  EXPECT_NE(screen_->FindChild("t", 1), nullptr);
}

TEST_F(WindowScriptTest, WindowStackNeverPopsItsLastEntry) {
  script_->SetWindow(screen_);
  script_->PopWindow();
  EXPECT_EQ(script_->GetWindowDepth(), 1u);
  EXPECT_EQ(script_->GetCurrentWindow(), screen_);
}

TEST_F(WindowScriptTest, RefusedChildIsNotBuilt) {
  struct Refuses : TWindow {
    bool OnActivate() override { return false; }
  };
  static bool made = false;
  manager_->RegisterWindowType("Refuses", [] () -> TWindow* {
    made = true;
    return new Refuses;
  });
  ASSERT_EQ(Run("MakeDialog{ Refuses{ name='r' } }"), 0);
  EXPECT_TRUE(made);
  EXPECT_EQ(screen_->FindChild("r", -1), nullptr);
}

TEST_F(WindowScriptTest, MessagesQueuedWhileRunningAreReadNewestFirst) {
  EXPECT_TRUE(script_->QueueMessage(new TMessage(kGeneric, "first"), nullptr));
  EXPECT_TRUE(script_->QueueMessage(new TMessage(kGeneric, "second"), nullptr));
  ASSERT_EQ(Run("m1 = WaitForMessage().name; m2 = WaitForMessage().name"), 0);
  lua_State* L = script_->GetState();
  lua_getglobal(L, "m1");
  lua_getglobal(L, "m2");
  EXPECT_STREQ(lua_tostring(L, -2), "second");
  EXPECT_STREQ(lua_tostring(L, -1), "first");
  lua_pop(L, 2);
}

TEST_F(WindowScriptTest, DoModalRunsTheScreenAndAnswersItsReturnValue) {
  WriteAsset("scripts/x.lua",
             "MakeDialog{ Window{ name='inside', w=50, h=20 } }\n"
             "ModalReturn(42)\n");
  // The game's main loop: a coroutine that waits for messages and runs the commands it is given.
  ASSERT_EQ(script_->DoLuaString("return function() while true do gLast = WaitForMessage() end end", -1, 0), 0);
  ASSERT_TRUE(script_->IsSuspended());
  EXPECT_EQ(script_->GetWaitState(), 3);

  ASSERT_EQ(Run("gResult = DoModal('scripts/x.lua')"), 0);
  TModalWindow* modal = manager_->GetTopModal();
  ASSERT_NE(modal, screen_);
  EXPECT_EQ(modal->GetName(), "scripts/x.lua");
  EXPECT_NE(modal->FindChild("inside", 1), nullptr);
  EXPECT_EQ(modal->GetWidth(), 800);  // pushed at its parent's size; fitting never shrinks
  EXPECT_TRUE(IsNil("gResult"));      // still waiting for the screen to close

  // A close for another window does not end the wait.
  manager_->PostMessage(new TMessage(kModalClosed, "someone else"));
  manager_->HandleEvent(Event(kEventIdle));
  EXPECT_TRUE(IsNil("gResult"));

  manager_->CloseModal("scripts/x.lua");
  manager_->HandleEvent(Event(kEventIdle));  // deletes it; its kModalClosed reaches the script
  EXPECT_EQ(manager_->GetTopModal(), screen_);
  EXPECT_EQ(Number("gResult"), 42);
  EXPECT_TRUE(IsNil("gReturnValue"));
  EXPECT_TRUE(script_->IsSuspended());  // back in the main loop's wait
}

TEST_F(WindowScriptTest, CloseWindowFromTheScreenScriptEndsDoModal) {
  WriteAsset("scripts/y.lua", "MakeDialog{ Window{ name='z', w=5, h=5 } }\n");
  ASSERT_EQ(script_->DoLuaString("return function() while true do WaitForMessage() end end", -1, 0), 0);
  ASSERT_EQ(Run("gResult = DoModal('scripts/y.lua')"), 0);
  ASSERT_NE(manager_->GetTopModal(), screen_);
  // A command run while the screen waits: the current window is the modal, so this closes it.
  ASSERT_EQ(manager_->DoScriptString(manager_->GetTopModal(), "CloseWindow('done')"), 0);
  EXPECT_EQ(manager_->GetQueuedMessageCount(), 1u);
  manager_->HandleEvent(Event(kEventIdle));
  manager_->HandleEvent(Event(kEventIdle));
  EXPECT_EQ(manager_->GetTopModal(), screen_);
  lua_State* L = script_->GetState();
  lua_getglobal(L, "gResult");
  EXPECT_STREQ(lua_tostring(L, -1), "done");
  lua_pop(L, 1);
}

TEST_F(WindowScriptTest, TimedWaitWakesFromThePlatformTaskList) {
  ASSERT_EQ(script_->DoLuaString("return function() while true do "
                                 "  if not WaitForMessage(50) then timeouts = (timeouts or 0) + 1 end end end",
                                 -1, 0),
            0);
  TTaskList* tasks = platform_->GetTaskList();
  os::TestAdvanceTime(49);
  tasks->RunAll(0);
  EXPECT_TRUE(IsNil("timeouts"));
  os::TestAdvanceTime(1);
  tasks->RunAll(0);
  EXPECT_EQ(Number("timeouts"), 1);
  // A delivered message ends the wait early and is not counted as a time-out.
  EXPECT_TRUE(script_->QueueMessage(new TMessage(kGeneric, "m"), nullptr));
  EXPECT_EQ(Number("timeouts"), 1);
}

// A window that binds a global to one of its own members.
class Pokeable : public TWindow {
 public:
  Pokeable(lua_State* L, const char* global, int* pokes) : mPokes(pokes) {
    GetScriptBindings().Bind(L, global, this, &Pokeable::Poke);
  }
  void Poke() { ++*mPokes; }
  int* mPokes;
};

TEST_F(WindowScriptTest, GlobalOfADestroyedWindowLogsInsteadOfCrashing) {
  lua_State* L = script_->GetState();
  int oldPokes = 0, newPokes = 0;
  auto* old = new Pokeable(L, "Poke", &oldPokes);
  screen_->AddChild(old, false);
  ASSERT_EQ(Run("Poke()"), 0);
  EXPECT_EQ(oldPokes, 1);

  screen_->RemoveChild(old);
  manager_->DeferDelete(old);
  manager_->DeleteClosedWindows();
  Run("Poke()");  // an error, logged; the freed window is never touched
  EXPECT_EQ(oldPokes, 1);

  // A newer window's binding of the same name is not disturbed by an older one's end.
  auto* first = new Pokeable(L, "Poke", &oldPokes);
  auto* second = new Pokeable(L, "Poke", &newPokes);
  screen_->AddChild(first, false);
  screen_->AddChild(second, false);
  screen_->RemoveChild(first);
  manager_->DeferDelete(first);
  manager_->DeleteClosedWindows();
  ASSERT_EQ(Run("Poke()"), 0);
  EXPECT_EQ(newPokes, 1);
}

TEST_F(WindowScriptTest, ManagerGlobalDiesWithTheManager) {
  auto other = std::make_unique<TWindowManager>();
  TWindowScript script;
  other->SetWindowScript(&script);
  ASSERT_EQ(script.DoLuaString("SetTopModalOnly(true)", -1, 0), 0);
  EXPECT_TRUE(other->GetTopModalOnly());
  other.reset();
  script.DoLuaString("SetTopModalOnly(false)", -1, 0);  // logged, no call
}

}  // namespace
