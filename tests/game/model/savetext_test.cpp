// The value forms of the save text: every text must read back byte for byte through the Lua
// parser, and every number to the same value, including the ones that have no plain decimal form.
#include <cmath>

#include "model/savetext.h"
#include "modelfixture.h"

using SaveTextTest = ModelTest;

TEST_F(SaveTextTest, TextsWithoutSpecialBytesAreWrittenAsTheyAre) {
  EXPECT_EQ(savetext::Quoted("scripts/ok it's fine"), "\"scripts/ok it's fine\"");
  EXPECT_EQ(savetext::Quoted(""), "\"\"");
}

TEST_F(SaveTextTest, EveryTextReadsBackExactly) {
  const std::string cases[] = {
      "plain",
      "say \"hi\"",
      "back\\slash and \\n not a newline",
      "two\nlines\r\nand CR",
      std::string("nul\0inside", 10),
      std::string("nul then digit \0" "12", 17),
      "\") os.exit() --",
      "\xc3\xa4\xe2\x82\xac utf-8",
      "'single' quotes",
      "ends with backslash\\",
  };
  for (const std::string& text : cases) {
    Run("value = " + savetext::Quoted(text));
    EXPECT_EQ(GlobalString("value"), text) << savetext::Quoted(text);
  }
}

TEST_F(SaveTextTest, SingleQuotedTextsReadBackExactly) {
  for (const std::string text : {"O'Neill", "x',dofile('evil'),'", "a\\'b\n"}) {
    Run("value = " + savetext::SingleQuoted(text));
    EXPECT_EQ(GlobalString("value"), text);
  }
}

TEST_F(SaveTextTest, NumbersReadBackToTheSameValue) {
  const double cases[] = {0.0,     -0.0,   1.0,       2.5,         0.1,    1.0 / 3.0, 1234567.0,
                          -42.0,   1e300,  -1e-300,   4.9e-324,    1e17,   123456789012345678.0,
                          1e308 * 10.0, -1e308 * 10.0};
  for (double v : cases) {
    std::string text = "value = ";
    savetext::AppendNumber(text, v);
    Run(text);
    const double back = GlobalNumber("value");
    EXPECT_EQ(back, v) << text;
  }
  std::string text = "value = ";
  savetext::AppendNumber(text, std::nan(""));
  Run(text);
  EXPECT_TRUE(std::isnan(GlobalNumber("value")));
}

TEST_F(SaveTextTest, ShortNumbersKeepTheirShortForm) {
  const std::pair<double, const char*> cases[] = {
      {2.5, "2.5"}, {0.1, "0.1"}, {1.0, "1"}, {255.0, "255"}, {-3.0, "-3"}, {1234567.0, "1234567"}};
  for (const auto& [value, form] : cases) {
    std::string text;
    savetext::AppendNumber(text, value);
    EXPECT_EQ(text, form);
  }
}

TEST_F(SaveTextTest, RealsReadBackInSinglePrecision) {
  for (float v : {0.0f, 0.5f, 255.0f, 1e7f, 0.1f, 3.14159274f, 16777217.0f, 1e-38f, 3.4e38f}) {
    std::string text = "value = ";
    savetext::AppendReal(text, v);
    Run(text);
    EXPECT_EQ(static_cast<float>(GlobalNumber("value")), v) << text;
  }
}
