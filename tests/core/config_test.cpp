// Configuration store, the change hook, the "options=" reader and the command-line tests.
#include "core/config.h"

#include <atomic>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "core/collation.h"
#include "core/commandline.h"

namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;

// Records every write that reaches the change hook, in order.
class ConfigTest : public testing::Test {
protected:
  void SetUp() override {
    ClearConfig();
    SetConfigChangedHook([this](const TString& k, const TString& v) {
      writes.emplace_back(k.CStr(), v.CStr());
    });
  }
  void TearDown() override {
    SetConfigChangedHook(nullptr);
    ClearConfig();
    SetProcessCommandLine(nullptr);
  }
  Pairs writes;
};

}  // namespace

TEST_F(ConfigTest, OptionsPairsAreReadAsWritten) {
  struct Case {
    const char* commandLine;
    Pairs expected;
  };
  const std::vector<Case> cases = {
      {"game.exe options=a=1&b=2", {{"a", "1"}, {"b", "2"}}},
      {"options=a=1 b=2", {{"a", "1"}, {"b", "2"}}},
      {"options=a=x y&b=2", {{"a", "x y"}, {"b", "2"}}},
      {"options=a=1 b=2&c=3", {{"a", "1 b=2"}, {"c", "3"}}},  // a later "&" keeps the blank
      {"options=a=1 -pq=5", {{"a", "1"}, {"-pq", "5"}}},
      {"options=a=&b=", {{"a", ""}, {"b", ""}}},
      {"options=a=1&", {{"a", "1"}}},
      {"options=a=1&&b=2", {{"a", "1"}, {"&b", "2"}}},
      {"options=a==b", {{"a", "=b"}}},
      {"options==v", {{"", "v"}}},
      {"options=flag&a=1", {{"flag&a", "1"}}},        // an option without "=" runs into the next key
      {"options=k=v1 v2", {{"k", "v1"}}},              // text without "=" ends the parsing
      {"options=a=1  b=2", {{"a", "1"}}},              // a blank where a key should begin ends it
      {"options=a=1 options=b=2", {{"a", "1"}, {"options", "b=2"}}},
      {"-wd=\"C:\\my games\" options=x=y", {{"x", "y"}}},
      {"options=noequals", {}},
      {"options= a=1", {}},
      {"options=", {}},
      {"Options=a=1", {}},  // case-sensitive
      {"game.exe", {}},
      {"", {}},
  };
  for (const Case& c : cases) {
    writes.clear();
    ApplyCommandLineOptions(c.commandLine);
    EXPECT_EQ(writes, c.expected) << c.commandLine;
  }
  writes.clear();
  ApplyCommandLineOptions(nullptr);
  EXPECT_TRUE(writes.empty());
}

TEST_F(ConfigTest, LaterSourcesReplaceEarlierOnes) {
  SetConfig("memorymax", "100000000");  // framework default
  SetConfig("memorymax", "64");         // settings file
  EXPECT_EQ(GetConfig("memorymax"), TString("64"));
  ApplyCommandLineOptions("game.exe options=memorymax=5");
  EXPECT_EQ(GetConfig("memorymax"), TString("5"));
  EXPECT_EQ(GetConfig("MemoryMax", "absent"), TString("absent"));  // keys are case-sensitive
}

TEST_F(ConfigTest, GetConfigReturnsStoredEmptyValuesAndDefaultsOtherwise) {
  SetConfig("empty", "");
  EXPECT_EQ(GetConfig("empty", "default"), TString(""));
  EXPECT_EQ(GetConfig("missing", "default"), TString("default"));
  EXPECT_EQ(GetConfig("missing").Length(), 0);
  // The returned value is the caller's own: changing it leaves the store alone.
  SetConfig("name", "value");
  TString v = GetConfig("name");
  v.Append(TString("!"));
  EXPECT_EQ(GetConfig("name"), TString("value"));
}

TEST_F(ConfigTest, SettingFlagsReadLeadingDigits) {
  struct Case {
    const char* value;
    bool on;
  };
  for (const Case& c : {Case{"1", true}, Case{"12abc", true}, Case{"-1", true}, Case{" 7", true},
                        Case{"abc", false}, Case{"0", false}, Case{"", false}, Case{"0x10", false}}) {
    SetConfig("flag", c.value);
    EXPECT_EQ(GetSettingFlag("flag"), c.on) << '"' << c.value << '"';
  }
  EXPECT_FALSE(GetSettingFlag("never-set"));
}

// A kept flag is read once per change of the store; it must still follow every write and a clear.
TEST_F(ConfigTest, AKeptFlagFollowsWritesToItsKeyAndClears) {
  TSettingFlag kept("keptflag");
  EXPECT_FALSE(kept.Get());
  SetConfig("keptflag", "1");
  EXPECT_TRUE(kept.Get());
  EXPECT_TRUE(kept.Get());
  SetConfig("otherkey", "0");
  EXPECT_TRUE(kept.Get());
  SetConfig("keptflag", "0");
  EXPECT_FALSE(kept.Get());
  SetConfig("keptflag", "3");
  EXPECT_TRUE(kept.Get());
  ClearConfig();
  EXPECT_FALSE(kept.Get());
}

TEST_F(ConfigTest, LegacyLineWrapIsSetByAnyValue) {
  SetConfig("legacylinewrap", "0");
  EXPECT_TRUE(GetLegacyLineWrap());
  ClearConfig();
  EXPECT_TRUE(GetLegacyLineWrap());  // nothing clears it
}

TEST_F(ConfigTest, ChangeHookSeesTheStoredValueAndStopsWhenCleared) {
  TString seen;
  SetConfigChangedHook([&](const TString& k, const TString& v) {
    seen = GetConfig(k);  // the value is stored before the hook runs
    if (k == "vsync") SetConfig("vsync-applied", v);  // a reaction may write keys itself
  });
  SetConfig("vsync", "1");
  EXPECT_EQ(seen, TString("1"));
  EXPECT_EQ(GetConfig("vsync-applied"), TString("1"));
  SetConfigChangedHook(nullptr);
  SetConfig("vsync", "0");
  EXPECT_EQ(seen, TString("1"));
  EXPECT_EQ(GetConfig("vsync"), TString("0"));
}

namespace {
std::unique_ptr<TDllCollateHandler> ConfigReadingLoader() {
  GetConfig("collation");  // a loader that reads the configuration on its first use
  return nullptr;
}
}  // namespace

TEST_F(ConfigTest, ACollationLoaderMayReadTheConfiguration) {
  SetCollateLoader(&ConfigReadingLoader);
  SetConfig("key", "value");  // would deadlock if the loader ran under the store's lock
  EXPECT_EQ(GetConfig("key"), TString("value"));
  SetCollateLoader(nullptr);
}

TEST_F(ConfigTest, ReadersOnOtherThreadsSeeWholeValues) {
  SetConfigChangedHook(nullptr);
  std::atomic<bool> stop{false};
  std::atomic<int> bad{0};
  auto reader = [&] {
    while (!stop) {
      TString v = GetConfig("shared", "100");
      if (v.ToInt() % 100 != 0) ++bad;
      GetSettingFlag("verbosedebug");
    }
  };
  std::thread r1(reader), r2(reader);
  for (int i = 1; i <= 2000; ++i) {
    SetConfig("shared", TString::Format("%d", i * 100));
    SetConfig(TString::Format("key%d", i % 50), "x");
  }
  stop = true;
  r1.join();
  r2.join();
  EXPECT_EQ(bad, 0);
}

TEST_F(ConfigTest, CommandLineSwitchesAreCaseSensitiveSubstrings) {
  SetProcessCommandLine("game.exe -pq=1 --multiple -msnplay -wd=\"C:\\My Games\\x\" -host=C:\\b.exe");
  struct Case {
    const char* text;
    bool present;
  };
  for (const Case& c : {Case{kSwitchHostDriven, true}, Case{kSwitchMultiple, true},
                        Case{kSwitchMsn, true}, Case{kSwitchWorkFolder, true},
                        Case{kSwitchHostProgram, true}, Case{"-PQ=", false},
                        Case{kSwitchHostTest, false}, Case{kSwitchHostWindow, false},
                        Case{kSwitchAol, false}}) {
    EXPECT_EQ(CommandLineHas(c.text), c.present) << c.text;
  }
  EXPECT_EQ(CommandLineValue(kSwitchWorkFolder), TString("C:\\My Games\\x"));
  EXPECT_EQ(CommandLineValue(kSwitchHostProgram), TString("C:\\b.exe"));
  EXPECT_EQ(CommandLineValue(kSwitchHostDriven), TString("1"));
  EXPECT_EQ(CommandLineValue(kSwitchHostWindow).Length(), 0);

  SetProcessCommandLine("-wd=\"C:\\unterminated");
  EXPECT_EQ(CommandLineValue(kSwitchWorkFolder), TString("C:\\unterminated"));
  SetProcessCommandLine(nullptr);
  EXPECT_STREQ(GetProcessCommandLine(), "");
  EXPECT_FALSE(CommandLineHas(kSwitchMultiple));
  EXPECT_FALSE(CommandLineHas(nullptr));
}

TEST_F(ConfigTest, HostWindowHandleIsReadAsHex) {
  struct Case {
    const char* commandLine;
    bool ok;
    uint32_t value;
  };
  for (const Case& c : {Case{"-wnd=1a2B", true, 0x1A2B}, Case{"x -wnd=0x10 y", true, 0x10},
                        Case{"-wnd= ff", true, 0xFF}, Case{"-wnd=0", true, 0},
                        Case{"-wnd=FFFFFFFF", true, 0xFFFFFFFF}, Case{"-wnd=100000000", false, 0},
                        Case{"-wnd=zz", false, 0}, Case{"-wnd=", false, 0}, Case{"-wnd=0x", false, 0},
                        Case{"--axtest", false, 0}}) {
    SetProcessCommandLine(c.commandLine);
    uint32_t v = 12345;
    EXPECT_EQ(CommandLineHexValue(kSwitchHostWindow, &v), c.ok) << c.commandLine;
    if (c.ok) {
      EXPECT_EQ(v, c.value) << c.commandLine;
    }
  }
}
