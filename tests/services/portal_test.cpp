// The portal handler: command texts posted to a host window in 8-byte WM_USER groups, the host's
// window messages, pauses, the mute and the pause total the platform timer leaves out.
#include "services/portal.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/commandline.h"
#include "os/time.h"
#include "os/winuser.h"

namespace {

class PortalTest : public testing::Test {
 protected:
  void SetUp() override {
    os::TestResetWindows();
    os::TestFreezeTime(100000);
    SetProcessCommandLine("");
    ResetPortal();
    DeleteGameState();
    mHost = os::TestCreateForeignWindow("HostWindow", "portal", 800, 600);
    TPortalHooks hooks;
    hooks.hostWindow = [this] { return mHost; };
    hooks.getMasterVolume = [this] { return mVolume; };
    hooks.setMasterVolume = [this](float v) { mVolume = v; };
    hooks.restoreGameCursor = [this] { ++mCursorRestores; };
    SetPortalHooks(hooks);
  }
  void TearDown() override {
    ResetPortal();
    DeleteGameState();
    SetProcessCommandLine("");
    os::TestReleaseTime();
    os::TestResetWindows();
  }

  // The commands posted since the last call, rebuilt from their groups.
  std::vector<std::string> TakeCommands() {
    std::vector<std::string> out;
    std::string current;
    auto messages = os::TestForeignMessages(mHost);
    for (size_t i = mSeen; i < messages.size(); ++i) {
      const auto& m = messages[i];
      EXPECT_EQ(m.msg, static_cast<UINT>(WM_USER));
      EXPECT_FALSE(m.sent);
      uint32_t words[2] = {static_cast<uint32_t>(m.wParam), static_cast<uint32_t>(m.lParam)};
      for (uint32_t w : words)
        for (int b = 0; b < 4; ++b) current.push_back(static_cast<char>((w >> (8 * b)) & 0xFF));
      size_t nul = current.find('\0');
      if (nul != std::string::npos) {
        out.push_back(current.substr(0, nul));
        current.clear();
      }
    }
    EXPECT_TRUE(current.empty()) << "a command without its end";
    mSeen = messages.size();
    return out;
  }
  size_t MessageCount() { return os::TestForeignMessages(mHost).size(); }

  HWND mHost = nullptr;
  size_t mSeen = 0;
  float mVolume = 0.8f;
  int mCursorRestores = 0;
};

using Commands = std::vector<std::string>;

}  // namespace

TEST_F(PortalTest, CommandsGoOutInEightByteGroupsEndedByTheNul) {
  SetPortalMsn(true);
  struct Case {
    const char* text;
    size_t messages;
  } cases[] = {
      {"", 1},                      // the NUL alone
      {"Restart", 1},               // 7 bytes + NUL fill one group
      {"Restart!", 2},              // the NUL starts a second group
      {"12345678901234567890", 3},  // 21 bytes with the NUL
  };
  for (const Case& c : cases) {
    size_t before = MessageCount();
    PostHostCommand(c.text, false);
    EXPECT_EQ(MessageCount() - before, c.messages) << c.text;
    EXPECT_EQ(TakeCommands(), Commands{c.text});
  }
  // The bytes after the NUL in the last group are zero, not whatever followed the text in memory.
  PostHostCommand("abcdefghij", false);
  auto messages = os::TestForeignMessages(mHost);
  ASSERT_GE(messages.size(), 2u);
  EXPECT_EQ(static_cast<uint32_t>(messages.back().wParam), 0x00006a69u);  // "ij\0\0"
  EXPECT_EQ(static_cast<uint32_t>(messages.back().lParam), 0u);
  EXPECT_EQ(static_cast<uint32_t>(messages[messages.size() - 2].wParam), 0x64636261u);  // "abcd", little-endian
}

TEST_F(PortalTest, NothingIsPostedUnlessHostedByMsnOrZylom) {
  CreateAolHandler();
  TGameState* hub = GetGameState();
  hub->SendState("gamemode", "story");
  hub->SendState("score", "10");
  hub->SendState("gameover", "1");
  hub->SendState("breaknow", "1");
  hub->SendStateNumber("sessionready", 0);
  hub->SendState("mute", "1");
  EXPECT_EQ(MessageCount(), 0u);
  EXPECT_FLOAT_EQ(mVolume, 0.8f);  // an unhosted run is never force-muted
  EXPECT_FALSE(GetPortalState().muteApplied);
  EXPECT_TRUE(hub->QueryMuteGame());  // the game's own wish still reads from the stored value
}

TEST_F(PortalTest, HostDrivenRunPostsNothingButMarksTheGameActive) {
  SetProcessCommandLine("game.exe -pq=1");
  CreateMsnHandler();
  GetGameState()->SendState("gamemode", "story");
  EXPECT_EQ(MessageCount(), 0u);
  EXPECT_TRUE(GetPortalState().gameActive);
  EXPECT_FALSE(GetPortalState().hostPaused);  // the call returned before the pause
}

TEST_F(PortalTest, MsnReportsBecomeCommandsAndMostPauseTheGame) {
  CreateMsnHandler();
  TGameState* hub = GetGameState();
  hub->SendStateNumber("loadbroadcast", 0);
  hub->SendStateNumber("sessionready", 0);
  hub->SendStateNumber("sessionready", 0);  // once per run
  hub->SendStateNumber("loadbroadcast", 0);  // too late: the session is ready
  EXPECT_EQ(TakeCommands(), (Commands{"LoadBroadcast(\"<data><percentcomplete>100</percentcomplete></data>\")",
                                      "SessionReady(\"<data></data>\")"}));
  EXPECT_TRUE(GetPortalState().hostPaused);  // MSN pauses after these until the host resumes
  EXPECT_TRUE(hub->IsBusy());
  EXPECT_TRUE(GetPortalState().muteApplied);
  EXPECT_FLOAT_EQ(mVolume, 0.0f);

  hub->SendStateNumber("windowmessage", 7);  // new game
  EXPECT_FALSE(hub->IsBusy());
  EXPECT_FALSE(GetPortalState().muteApplied);
  EXPECT_FLOAT_EQ(mVolume, 0.8f);
  EXPECT_EQ(mCursorRestores, 1);

  hub->SendState("gamemode", "story");
  hub->SendStateNumber("windowmessage", 5);
  hub->SendState("breaknow", "");
  hub->SendStateNumber("windowmessage", 5);
  hub->SendState("breaknow", "");
  hub->SendStateNumber("windowmessage", 5);
  os::TestAdvanceTime(12000);
  hub->SendState("score", "250");
  os::TestAdvanceTime(3000);
  hub->SendState("gameover", "1");
  EXPECT_EQ(TakeCommands(),
            (Commands{"GameReady(\"<data><mode>story</mode></data>\")",
                      "GameBreak(\"<data><breakpoint>1</breakpoint></data>\")",
                      "GameBreak(\"<data><breakpoint>2</breakpoint></data>\")",
                      "ScoreBroadcast(\"<game><score>250</score><time>12</time></game>\")",
                      "ScoreSubmit(\"<game><score>250</score><time>15</time></game>\")",
                      "GameEnd(\"<gamedata></gamedata>\")"}));
  EXPECT_FALSE(GetPortalState().gameActive);
  hub->SendState("score", "300");  // no broadcasts once the game ended
  EXPECT_TRUE(TakeCommands().empty());
}

TEST_F(PortalTest, LoadPercentagesAreClampedTo0To100) {
  SetPortalMsn(true);
  for (auto [in, out] : {std::pair{150, 100}, {-5, 0}, {42, 42}}) {
    PortalLoadBroadcast(in);
    EXPECT_EQ(TakeCommands(), Commands{"LoadBroadcast(\"<data><percentcomplete>" + std::to_string(out) +
                                       "</percentcomplete></data>\")"})
        << in;
  }
  SetPortalMsn(false);
  SetPortalZylom(true);
  PortalLoadBroadcast(50);  // MSN only
  EXPECT_TRUE(TakeCommands().empty());
}

TEST_F(PortalTest, ScoreBroadcastsAreAtLeast5000MsApart) {
  CreateZylomHandler();
  TGameState* hub = GetGameState();
  hub->SendState("score", "1");  // before a new game: dropped
  EXPECT_TRUE(TakeCommands().empty());
  hub->SendStateNumber("windowmessage", 7);
  hub->SendState("score", "1");
  os::TestAdvanceTime(4999);
  hub->SendState("score", "2");  // too soon
  EXPECT_EQ(TakeCommands().size(), 1u);
  os::TestAdvanceTime(1);  // 5000 after the first
  hub->SendState("score", "3");
  EXPECT_EQ(TakeCommands(), Commands{"ScoreBroadcast(\"<game><score>3</score><time>5</time></game>\")"});
}

TEST_F(PortalTest, ZylomSubmitsLevelsAndOffersRestartOnlyOnceACommercialIsDue) {
  CreateZylomHandler();
  TGameState* hub = GetGameState();
  hub->SendState("cmdline", "game.exe -zylom -com_interval=30");
  EXPECT_EQ(GetPortalState().commercialInterval, 30);
  hub->SendStateNumber("windowmessage", 7);
  EXPECT_TRUE(hub->QueryRestartMode());  // a new game also asks for a restart
  EXPECT_FALSE(hub->QueryRestartMode());  // taken once
  hub->SendState("level", "3");
  hub->SendState("sublevel", "2");
  EXPECT_EQ(GetPortalState().level, 3);
  EXPECT_EQ(GetPortalState().sublevel, 2);
  EXPECT_EQ(hub->GetState("restartbutton"), "0");
  hub->SendState("restartbutton", "1");  // no commercial due, no score submitted
  os::TestAdvanceTime(31000);
  EXPECT_EQ(hub->GetState("restartbutton"), "1");
  hub->SendState("restartbutton", "1");  // due, but still no score submitted
  EXPECT_TRUE(TakeCommands().empty());
  hub->SendState("score", "77");
  TakeCommands();
  hub->SendState("gameover", "");
  hub->SendState("restartbutton", "1");
  EXPECT_EQ(TakeCommands(),
            (Commands{"ScoreSubmit(\"<game><score>77</score><time>31</time><level>3</level><sublevel>2</sublevel>"
                      "</game>\")",
                      "GameEnd(\"<gamedata></gamedata>\")", "Restart"}));
  EXPECT_FALSE(GetPortalState().hostPaused);  // Zylom never pauses after a command
  EXPECT_EQ(hub->GetState("systemmode"), "zylom");
}

TEST_F(PortalTest, CommercialIntervalOptionIsReadSafely) {
  CreateZylomHandler();
  TGameState* hub = GetGameState();
  struct Case {
    const char* commandLine;
    int32_t interval;
  } cases[] = {
      {"game.exe -zylom", -1},
      {"game.exe -com_interval 45 -zylom", 45},
      {"game.exe -zylom -com_interval", -1},  // the option ends the line: nothing after it is read
      {"game.exe -com_interval=", 0},
  };
  for (const Case& c : cases) {
    hub->SendState("cmdline", c.commandLine);
    EXPECT_EQ(GetPortalState().commercialInterval, c.interval) << c.commandLine;
  }
}

TEST_F(PortalTest, SystemModeNamesThePortalAndTheLaterTestWins) {
  CreateAolHandler();
  TGameState* hub = GetGameState();
  hub->SendState("systemmode", "plain");
  EXPECT_EQ(hub->GetState("systemmode"), "plain");
  hub->SendState("cmdline", "game.exe -aol");
  EXPECT_EQ(hub->GetState("systemmode"), "aol");
  SetPortalMsn(true);
  EXPECT_EQ(hub->GetState("systemmode"), "aol");
  DeleteGameState();
  CreateMsnHandler();  // a handler that never saw "-aol"
  EXPECT_EQ(GetGameState()->GetState("systemmode"), "msn");
  SetPortalZylom(true);
  EXPECT_EQ(GetGameState()->GetState("systemmode"), "msn");
}

TEST_F(PortalTest, HostPauseDuringAGamePauseLeavesTheClockToTheGame) {
  CreateZylomHandler();
  TGameState* hub = GetGameState();
  hub->SendStateNumber("windowmessage", 7);
  TClock& clock = GetPortalGameClock();
  os::TestAdvanceTime(1000);
  hub->SendState("pause", "1");
  EXPECT_EQ(TakeCommands(), Commands{"GamePause(\"<data>true</data>\")"});
  EXPECT_TRUE(clock.IsPaused());
  hub->SendState("pause", "1");  // same state: nothing
  EXPECT_TRUE(TakeCommands().empty());

  hub->SendStateNumber("windowmessage", 4);  // the host pauses too
  EXPECT_TRUE(hub->IsBusy());
  os::TestAdvanceTime(2000);
  hub->SendStateNumber("windowmessage", 9);  // host resume: the game is still paused by itself
  EXPECT_TRUE(clock.IsPaused());
  EXPECT_EQ(mCursorRestores, 0);
  EXPECT_EQ(GetPortalPauseTotal(), 2000u);

  hub->SendState("pause", "0");
  EXPECT_FALSE(clock.IsPaused());
  EXPECT_EQ(TakeCommands(), Commands{"GamePause(\"<data>false</data>\")"});
  os::TestAdvanceTime(500);
  EXPECT_EQ(clock.GetTime(), 1500u);  // the paused stretch is left out

  // A game pause while the host holds the game neither posts nor touches the clock.
  hub->SendStateNumber("windowmessage", 4);
  EXPECT_TRUE(clock.IsPaused());
  hub->SendState("pause", "1");
  EXPECT_TRUE(TakeCommands().empty());
  hub->SendStateNumber("windowmessage", 10);
  EXPECT_TRUE(clock.IsPaused());  // still the game's pause
}

TEST_F(PortalTest, MuteIsForcedWhileAnyReasonHoldsAndTheVolumeComesBack) {
  CreateZylomHandler();
  TGameState* hub = GetGameState();
  hub->SendStateNumber("windowmessage", 7);
  EXPECT_FALSE(hub->QueryMuteGame());
  hub->SendStateNumber("windowmessage", 2);  // host mute
  EXPECT_TRUE(hub->QueryMuteGame());
  EXPECT_FLOAT_EQ(mVolume, 0.0f);
  hub->SendState("mute", "1");  // and the game's own
  hub->SendStateNumber("windowmessage", 3);
  EXPECT_TRUE(hub->QueryMuteGame());
  hub->SendState("mute", "0");
  EXPECT_FALSE(hub->QueryMuteGame());
  EXPECT_FLOAT_EQ(mVolume, 0.8f);
  EXPECT_EQ(hub->GetState("mute"), "0");  // the portal consumed it, the hub still stored it
}

TEST_F(PortalTest, MsnMutesOutsideAGameAndJumpToMenuIsTakenOnce) {
  CreateMsnHandler();
  TGameState* hub = GetGameState();
  hub->SendStateNumber("windowmessage", 0);  // any message brings the mute up to date
  EXPECT_TRUE(GetPortalState().muteApplied);  // no game active yet
  hub->SendStateNumber("windowmessage", 7);
  EXPECT_FALSE(GetPortalState().muteApplied);
  EXPECT_TRUE(hub->QueryRestartMode());

  hub->SendStateNumber("windowmessage", 1);
  EXPECT_TRUE(hub->QueryJumpToMenu());
  EXPECT_FALSE(hub->QueryJumpToMenu());
  EXPECT_FALSE(GetPortalState().gameActive);
  EXPECT_TRUE(GetPortalState().muteApplied);
  // The next new game only clears the taken jump; it does not ask for a restart.
  hub->SendStateNumber("windowmessage", 7);
  EXPECT_FALSE(hub->QueryRestartMode());
  hub->SendStateNumber("windowmessage", 8);
  EXPECT_TRUE(hub->QueryRestartMode());
}

TEST_F(PortalTest, PauseTotalCountsOnlyWhileHosted) {
  SetPortalZylom(true);
  PortalPauseGame();
  os::TestAdvanceTime(700);
  PortalResumeGame();
  PortalResumeGame();  // not paused: nothing
  EXPECT_EQ(GetPortalPauseTotal(), 700u);
  SetPortalZylom(false);
  EXPECT_EQ(GetPortalPauseTotal(), 0u);
}
