// Global script variables: the three typed stores, their script functions and the "gamestate"
// statements that restore them.
#include "modelfixture.h"

using GlobalsTest = ModelTest;

TEST_F(GlobalsTest, AbsentKeysReadDefaultsAndAddNothing) {
  MakeSingletons();
  Run("s = GetGlobalString('x') ; n = GetGlobalNumber('x') ; b = GetGlobalBool('x')");
  EXPECT_EQ(GlobalString("s"), "");
  EXPECT_EQ(GlobalNumber("n"), 0);
  EXPECT_EQ(GlobalType("b"), LUA_TBOOLEAN);
  EXPECT_EQ(StateText(), "\n");
}

TEST_F(GlobalsTest, TheThreeStoresAreSeparateAndWrittenInKeyOrder) {
  MakeSingletons();
  Run("SetGlobalBool('same', true) ; SetGlobalString('same', 'text') ; SetGlobalNumber('b', 2.5) ;"
      "SetGlobalNumber('a', 0.1) ; SetGlobalBool('off', false)");
  EXPECT_EQ(StateText(),
            "\nSetGlobalString(\"same\", \"text\");SetGlobalNumber(\"a\", 0.1);"
            "SetGlobalNumber(\"b\", 2.5);SetGlobalBool(\"off\", false);SetGlobalBool(\"same\", true);");
  Run("v = GetGlobalBool('same') and GetGlobalString('same')");
  EXPECT_EQ(GlobalString("v"), "text");
}

TEST_F(GlobalsTest, NumbersKeepEveryDigitThroughASave) {
  MakeSingletons();
  CGlobalInformationSystem* globals = CGlobalInformationSystem::GetInstance();
  const double values[] = {1.0 / 3.0, 1234567.0, 0.1 + 0.2, 9007199254740993.0, -1e-7};
  for (size_t i = 0; i < std::size(values); ++i) {
    globals->SetGlobalNumber(TString::Format("n%zu", i), values[i]);
  }
  const std::string state = StateText();
  CGlobalInformationSystem::CreateInstance();
  Run(state);
  for (size_t i = 0; i < std::size(values); ++i) {
    EXPECT_EQ(CGlobalInformationSystem::GetInstance()->GetGlobalNumber(TString::Format("n%zu", i)),
              values[i]);
  }
}

TEST_F(GlobalsTest, AStringValueCannotBreakOrChangeTheSave) {
  MakeSingletons();
  Run(R"(SetGlobalString("name", "O'Neill \"the\" \\ first\nline") ;)"
      R"(SetGlobalString("evil", "\"); SetGlobalBool(\"endGame\", true); --"))");
  const std::string state = StateText();
  CGlobalInformationSystem::CreateInstance();
  Run(state);
  CGlobalInformationSystem* globals = CGlobalInformationSystem::GetInstance();
  EXPECT_STREQ(globals->GetGlobalString("name").CStr(), "O'Neill \"the\" \\ first\nline");
  EXPECT_FALSE(globals->GetGlobalBool("endGame"));
  EXPECT_EQ(StateText(), state);
}
