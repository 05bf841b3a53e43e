// The game-state hub, module handlers loaded from ".vxmod" libraries, and the paste check.
#include "services/gamestate.h"

#include <gtest/gtest.h>

#include "os/dll.h"
#include "services/validutf8.h"

namespace {

struct Recorder : IGameStateHandler {
  std::string* log;
  bool* busy;
  Recorder(std::string* l, bool* b) : log(l), busy(b) {}
  void SetState(const char* key, const char* value) override { *log += std::string(key) + "=" + value + ";"; }
  bool IsBusy() override { return *busy; }
};

}  // namespace

TEST(GameState, StatesReachEveryHandlerInOrderAndAnyBusyHandlerMakesTheHubBusy) {
  TGameState hub;
  EXPECT_FALSE(hub.IsBusy());  // empty
  std::string a, b;
  bool busyA = false, busyB = false;
  hub.AddHandler(std::make_unique<Recorder>(&a, &busyA));
  hub.AddHandler(std::make_unique<Recorder>(&b, &busyB));
  hub.AddHandler(nullptr);  // ignored
  EXPECT_EQ(hub.HandlerCount(), 2u);
  hub.SendState("cmdline", "-x");
  hub.SendStateNumber("windowmessage", -5);
  EXPECT_EQ(a, "cmdline=-x;windowmessage=-5;");
  EXPECT_EQ(b, a);
  EXPECT_FALSE(hub.IsBusy());
  busyB = true;
  EXPECT_TRUE(hub.IsBusy());
}

TEST(GameState, ModulesLoadBesideTheExecutableAndHearTheHub) {
  auto module = std::make_unique<TDllGameState>();
  ASSERT_TRUE(module->Load("test.vxmod"));
  HMODULE lib = LoadLibraryA("test.vxmod");  // a second reference, to read what the module heard
  ASSERT_NE(lib, nullptr);
  auto log = reinterpret_cast<const char* (*)()>(GetProcAddress(lib, "TestModuleLog"));
  auto setBusy = reinterpret_cast<void (*)(bool)>(GetProcAddress(lib, "TestModuleSetBusy"));
  ASSERT_TRUE(log && setBusy);
  TGameState hub;
  hub.AddHandler(std::move(module));
  hub.SendState("cmdline", "--multiple");
  hub.SendState("commondatadir", "Z:\\common");
  hub.SendState("userdatadir", "Z:\\user");
  hub.SendStateNumber("loadbroadcast", 0);
  hub.SendStateNumber("sessionready", 0);
  EXPECT_STREQ(log(), "cmdline=--multiple;commondatadir=Z:\\common;userdatadir=Z:\\user;loadbroadcast=0;"
                      "sessionready=0;");
  setBusy(true);
  EXPECT_TRUE(hub.IsBusy());
  setBusy(false);
  FreeLibrary(lib);
}

TEST(GameState, AModuleWithoutItsExportsOrLibraryLoadsNothing) {
  TDllGameState missing;
  EXPECT_FALSE(missing.Load("nosuchmodule.vxmod"));
  TDllGameState noExports;
  EXPECT_FALSE(noExports.Load("noexports.vxmod"));
  EXPECT_EQ(GetModuleHandleA("noexports.vxmod"), nullptr);  // not kept loaded
  noExports.SetState("k", "v");                              // an empty handler hears nothing
  EXPECT_FALSE(noExports.IsBusy());
}

TEST(GameState, PasteCheckRefusesLeadBytesFromC0Up) {
  struct Case {
    const char* text;
    bool valid;
  } cases[] = {
      {"", true},
      {"plain ascii", true},
      {"stray \x80\xbf continuation", true},
      {"caf\xc3\xa9", false},
      {"\xc0", false},
      {"\xff", false},
      {"euro \xe2\x82\xac", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsValidUTF8(c.text), c.valid) << c.text;
}
