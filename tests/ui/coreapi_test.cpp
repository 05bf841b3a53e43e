// The core script functions and library as screen scripts use them: constants, colours and
// layout helpers, hot-key labels, configuration and strings, style lookups, the waiting helpers
// (Pause, close waits, flushing) and the splash screen without a movie player.
#include <gtest/gtest.h>

#include <string>

#include "core/config.h"
#include "services/gamestate.h"
#include "ui/coreapi.h"
#include "ui/windowscript.h"
#include "uifixture.h"

namespace {

class CoreApiTest : public UiFixture {
 protected:
  void SetUp() override {
    UiFixture::SetUp();
    screen_ = MakeScreen();
    manager_->InstallWindowScript(std::make_unique<TWindowScript>());
    script_ = manager_->GetWindowScript();
  }
  int Run(const std::string& text) { return manager_->DoScriptString(screen_, text.c_str()); }
  // Runs the body as the script's coroutine (the way the game's main function runs).
  void StartCoroutine(const std::string& body) {
    ASSERT_EQ(script_->DoLuaString(("return function() " + body + " end").c_str(), -1, 0), 0);
  }
  // tostring of a Lua expression; tables print as "{a,b,...}".
  std::string Eval(const std::string& expression) {
    EXPECT_EQ(Run("local v = " + expression +
        "\nif type(v) == 'table' then local s = {} for i = 1, table.getn(v) do s[i] = tostring(v[i]) end"
        " gOut = '{' .. table.concat(s, ',') .. '}' else gOut = tostring(v) end"), 0) << expression;
    lua_State* L = script_->GetState();
    lua_getglobal(L, "gOut");
    std::string out = lua_isstring(L, -1) ? lua_tostring(L, -1) : "<none>";
    lua_pop(L, 1);
    Run("gOut = nil");
    return out;
  }
  void Deliver(int32_t type, const char* name) {
    EXPECT_TRUE(script_->QueueMessage(new TMessage(type, name), nullptr));
  }

  TScreen* screen_ = nullptr;
  TWindowScript* script_ = nullptr;
};

struct Case {
  const char* expression;
  const char* expected;
};

TEST_F(CoreApiTest, LibraryConstantsAndHelpers) {
  const Case cases[] = {
      {"kCenter", "80000"},
      {"kMax", "160000"},
      {"kDefault", "128"},
      {"kAllLayers", "-1"},
      {"kPushButtonAlignment", "5"},
      {"kRadioButtonAlignment", "4"},
      {"kToggleButtonAlignment", "5"},
      {"kRadio", "2"},
      {"kCommandOnly", "8"},
      {"kSliderPageDown", "12"},
      {"kUserMessageBase", "1000"},
      {"kGameVersion", "version"},
      {"kHiscoreAnonymous", "hiscoreanon"},
      {"kSystemMode", "systemmode"},
      {"gCurID", "100"},
      {"Color(255, 0, 0)", "{1,0,0,1}"},
      {"Color(0, 255, 0, 51)", "{0,1,0,0.2}"},
      {"FColor(0.5, 0.25, 1)", "{0.5,0.25,1,1}"},
      {"(function() gDialogWidth = 400; return DistributeX(3) end)()", "{100,200,300}"},
      {"(function() DistributeX(3); return divisor end)()", "4"},
      {"(function() gDialogHeight = 300; return DistributeY(2) end)()", "{100,200}"},
      {"(function() Push('a'); Push('b'); local t = gParent[1]; Pop(); return t .. gParent[1] end)()", "ba"},
  };
  for (const Case& c : cases) EXPECT_EQ(Eval(c.expression), c.expected) << c.expression;
}

// Every script run sets the module path for itself; the library's own value stands until then.
TEST_F(CoreApiTest, LibrarySetsTheModulePath) {
  lua_State* L = script_->GetState();
  lua_getglobal(L, "LUA_PATH");
  EXPECT_STREQ(lua_tostring(L, -1), "?;../?;../../?");
  lua_pop(L, 1);
}

TEST_F(CoreApiTest, HotKeyLabels) {
  const Case cases[] = {
      {"TagHotKey('@Q', 'Quit', 'x')", "<u>Q</u>uit"},
      {"TagHotKey('@t', 'Start it', '')", "S<u>t</u>art it"},  // first occurrence only
      {"TagHotKey('', 'Quit', '')", "Quit"},
      {"TagHotKey('@z', 'Quit', '')", "Quit"},
      {"(function() local l, k = StripKeyFromLabel('&Quit'); return l .. '|' .. k end)()", "Quit|@Q"},
      {"(function() local l, k = StripKeyFromLabel('Sa&ve &As'); return l .. '|' .. k end)()", "Save &As|@v"},
      {"(function() local l, k = StripKeyFromLabel('Quit'); return l .. '|' .. k end)()", "Quit|"},
      {"(function() local l, k = StripKeyFromLabel('Quit&'); return l .. '|' .. k end)()", "Quit|"},
      {"(function() local l, k = StripKeyFromLabel('&\\195\\169t\\195\\169'); return l .. '|' .. k end)()",
       "\xC3\xA9t\xC3\xA9|"},
  };
  for (const Case& c : cases) EXPECT_EQ(Eval(c.expression), c.expected) << c.expression;
}

TEST_F(CoreApiTest, ConfigurationStringsAndTimer) {
  SetConfig("flagon", "3");
  SetConfig("flagoff", "0");
  SetConfig("word", "yes");
  const Case cases[] = {
      {"IsEnabled('flagon')", "true"},
      {"IsEnabled('flagoff')", "false"},
      {"IsEnabled('word')", "false"},
      {"IsEnabled('absent')", "false"},
      {"GetConfig('word', 'd')", "yes"},
      {"GetConfig('absent', 'd')", "d"},
      {"GetString('#Literal %1')", "Literal %1"},
      {"_GetString('#')", ""},
      {"GetWindowDepth()", "1"},
      {"StartMovie('intro.swf', true, true)", "false"},
      {"StartMovie('', false, false)", "false"},
      {"IsMoviePlaying()", "false"},
      {"(function() StopMovie() return IsMoviePlaying() end)()", "false"},
  };
  for (const Case& c : cases) EXPECT_EQ(Eval(c.expression), c.expected) << c.expression;
  std::string before = Eval("GetTimer()");
  os::TestAdvanceTime(250);
  EXPECT_EQ(std::stod(Eval("GetTimer()")) - std::stod(before), 250.0);
}

TEST_F(CoreApiTest, StyleTagsFallBackAlongTheDefaultStyleChain) {
  ASSERT_EQ(Run("local base = { font = 'big', colour = 'red' }\n"
                "SetDefaultStyle(base)\n"
                "AppendStyle({ colour = 'blue' })()\n"),
            0);
  EXPECT_EQ(Eval("GetTag({ font = 'own' }, 'font')"), "own");
  EXPECT_EQ(Eval("GetTag({}, 'colour')"), "blue");
  EXPECT_EQ(Eval("GetTag({}, 'font')"), "big");  // from the default style's parent
  EXPECT_EQ(Eval("GetTag({}, 'missing')"), "nil");
  EXPECT_EQ(Eval("GetTag({}, 'font', true)"), "nil");  // inner lookups follow only the table's own chain
}

// Writes down every report it hears.
class RecordingHandler : public TGameStateHandler {
 public:
  explicit RecordingHandler(std::string* log) : log_(log) {}
  bool SetState(const TString& key, const TString& value) override {
    *log_ += std::string(key.CStr()) + "=" + value.CStr() + ";";
    return false;
  }
  std::string* log_;
};

TEST_F(CoreApiTest, SetStateAndGetStateReachTheGameState) {
  TGameState hub;
  std::string heard;
  hub.AddHandler(std::make_unique<RecordingHandler>(&heard));
  hub.BindScript(script_->GetState());
  ASSERT_EQ(Run("SetState('pause', true) SetState(kMute, false) SetState('level', 7)"), 0);
  EXPECT_EQ(heard, "pause=1;mute=0;level=7;");
  EXPECT_EQ(Eval("GetState('level')"), "7");
  EXPECT_EQ(Eval("QueryMuteGame()"), "false");
  ASSERT_EQ(Run("SetState('mute', true)"), 0);
  EXPECT_EQ(Eval("QueryMuteGame()"), "true");
  EXPECT_EQ(Eval("QueryRestartMode()"), "false");
  EXPECT_EQ(Eval("QueryJumpToMenu()"), "false");
}

TEST_F(CoreApiTest, WindowLookupsUnderTheTopModal) {
  ASSERT_EQ(Run("MakeDialog{ Window{ name='panel', w=10, h=10 } }"), 0);
  TWindow* panel = screen_->FindChild("panel", -1);
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(Eval("GetLabel('panel')"), "panel_is_not_a_TText_window_or_TButton");
  EXPECT_EQ(Eval("GetLabel('ghost')"), "ghost_is_not_found");
  EXPECT_EQ(Eval("EnableWindow('panel', false)"), "true");
  EXPECT_FALSE(panel->IsVisible());
  EXPECT_EQ(Eval("EnableWindow('panel', true)"), "true");
  EXPECT_TRUE(panel->IsVisible());
  EXPECT_EQ(Eval("EnableWindow('ghost', true)"), "false");
  EXPECT_EQ(Eval("ImageLoaded('panel')"), "false");

  ASSERT_EQ(Run("SetFocus('panel')"), 0);
  EXPECT_EQ(manager_->GetFocus(), panel);
  ASSERT_EQ(Run("SetFocus('ghost')"), 0);
  EXPECT_EQ(manager_->GetFocus(), nullptr);

  ASSERT_EQ(Run("DestroyWindow('ghost') DestroyWindow('panel')"), 0);
  EXPECT_EQ(screen_->FindChild("panel", -1), nullptr);
  manager_->HandleEvent(Event(kEventIdle));  // the deferred delete runs
}

TEST_F(CoreApiTest, PauseKeepsMessagesAndStopsOnAKeyOnlyWhenAsked) {
  StartCoroutine("Pause(100, true) gFirst = GetTimer() Pause(100) gSecond = GetTimer()");
  Deliver(kGeneric, "kept");
  EXPECT_EQ(Eval("gFirst"), "nil");
  Deliver(kPressAnyKey, "");
  EXPECT_NE(Eval("gFirst"), "nil");  // the key ended the first pause at once
  // The second pause ignores keys; every message stays queued for later.
  Deliver(kPressAnyKey, "");
  EXPECT_EQ(Eval("gSecond"), "nil");
  os::TestAdvanceTime(100);
  platform_->GetTaskList()->RunAll(0);
  EXPECT_NE(Eval("gSecond"), "nil");
  EXPECT_EQ(Eval("table.getn(gMessageQueue)"), "2");
  EXPECT_EQ(Eval("gMessageQueue[1].name"), "kept");
  EXPECT_EQ(Eval("gMessageQueue[2].type"), "4");
}

TEST_F(CoreApiTest, CloseOfAnotherWindowIsRememberedForItsOwnWait) {
  StartCoroutine("WaitForCloseMessage('a') gA = true WaitForCloseMessage('b') gB = true");
  Deliver(kModalClosed, "b");
  EXPECT_EQ(Eval("gA"), "nil");
  Deliver(kModalClosed, "a");
  EXPECT_EQ(Eval("gA"), "true");
  EXPECT_EQ(Eval("gB"), "true");  // 'b' had already closed
  EXPECT_EQ(Eval("gClosedWindows.b"), "nil");
}

TEST_F(CoreApiTest, FlushMessagesDropsEverythingPending) {
  ASSERT_EQ(Run("table.insert(gMessageQueue, 1) table.insert(gCommandQueue, function() end)"), 0);
  StartCoroutine("FlushMessages() gFlushed = true");
  // Arrives during the flush and is dropped with it; so is a command (script text run through
  // the manager reaches the waiting script as one).
  Deliver(kGeneric, "x");
  EXPECT_EQ(Run("gDropped = true"), 0);
  os::TestAdvanceTime(1);
  platform_->GetTaskList()->RunAll(0);
  EXPECT_EQ(Eval("gFlushed"), "true");
  EXPECT_EQ(Eval("gDropped"), "nil");
  EXPECT_EQ(Eval("table.getn(gMessageQueue) + table.getn(gCommandQueue)"), "0");
}

TEST_F(CoreApiTest, DisplayDialogWithoutAScriptOpensNothing) {
  EXPECT_EQ(Eval("DisplayDialog({})"), "nil");
  EXPECT_EQ(Eval("DisplayDialog({ '' })"), "nil");
  EXPECT_EQ(manager_->GetTopModal(), screen_);
}

// Without a movie player the splash shows its still image; an image that does not load leaves
// nothing to wait for, so the splash screen closes again.
TEST_F(CoreApiTest, SplashWithoutAPlayerFallsBackToTheImage) {
  StartCoroutine("DisplaySplash('intro.swf', 'missing.png', 1000) gDone = true");
  EXPECT_EQ(manager_->GetModalStack().size(), 2u);
  EXPECT_EQ(manager_->GetTopModal()->GetName(), "DisplaySplash");
  for (int i = 0; i < 2 && Eval("gDone") == "nil"; ++i) {
    os::TestAdvanceTime(50);
    platform_->GetTaskList()->RunAll(0);
  }
  EXPECT_EQ(Eval("gDone"), "true");
  manager_->HandleEvent(Event(kEventIdle));
  EXPECT_EQ(manager_->GetTopModal(), screen_);
}

TEST_F(CoreApiTest, SplashWithNeitherMovieNorImageStaysOpen) {
  StartCoroutine("DisplaySplash('', nil, 10) gDone = true");
  EXPECT_EQ(Eval("gDone"), "true");
  EXPECT_EQ(manager_->GetTopModal()->GetName(), "DisplaySplash");
}

}  // namespace
