#include "os/text.h"

#include <gtest/gtest.h>

#include "os/lasterror.h"

namespace {
struct Utf8Case {
  const char* name;
  std::string utf8;
  std::u16string utf16;
  friend void PrintTo(const Utf8Case& c, std::ostream* os) { *os << c.name; }
};

class Utf8ToUtf16Cases : public testing::TestWithParam<Utf8Case> {};

TEST_P(Utf8ToUtf16Cases, DecodesAndReplacesInvalidSequences) {
  const Utf8Case& c = GetParam();
  EXPECT_EQ(os::Utf8ToUtf16(c.utf8), c.utf16);
}

INSTANTIATE_TEST_SUITE_P(
    Text, Utf8ToUtf16Cases,
    testing::Values(Utf8Case{"Ascii", "Assets\\a.png", u"Assets\\a.png"},
                    Utf8Case{"TwoByte", "caf\xC3\xA9", u"caf\u00E9"},
                    Utf8Case{"ThreeByte", "\xE2\x82\xAC", u"\u20AC"},
                    Utf8Case{"FourByteBecomesPair", "\xF0\x9F\x98\x80", u"\xD83D\xDE00"},
                    Utf8Case{"StrayContinuation", "a\x80z", u"a\xFFFDz"},
                    Utf8Case{"OverlongSlash", "\xC0\xAF", u"\xFFFD\xFFFD"},
                    Utf8Case{"EncodedSurrogate", "\xED\xA0\x80", u"\xFFFD\xFFFD\xFFFD"},
                    Utf8Case{"TruncatedAtEnd", "x\xE2\x82", u"x\xFFFD"},
                    Utf8Case{"BeyondUnicode", "\xF4\x90\x80\x80", u"\xFFFD\xFFFD\xFFFD\xFFFD"},
                    Utf8Case{"InterruptedSequence", "\xE2\x82Q", u"\xFFFDQ"}),
    [](const testing::TestParamInfo<Utf8Case>& i) { return std::string(i.param.name); });

TEST(Text, RoundTripsEveryPlaneThroughBothCalls) {
  std::string s = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF";
  EXPECT_EQ(os::Utf16ToUtf8(os::Utf8ToUtf16(s)), s);
}

TEST(Text, LoneSurrogatesBecomeReplacementCharacters) {
  std::u16string w = u"a";
  w += char16_t(0xDC00);
  w += u"b";
  w += char16_t(0xD800);
  EXPECT_EQ(os::Utf16ToUtf8(w), "a\xEF\xBF\xBD" "b\xEF\xBF\xBD");
}

TEST(Text, NulTerminatedLengthCountsTheNulAndShortBuffersFail) {
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "h\xC3\xA9", -1, nullptr, 0), 3);
  char16_t out[3];
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "h\xC3\xA9", -1, out, 3), 3);
  EXPECT_EQ(out[1], u'\u00E9');
  EXPECT_EQ(out[2], 0);
  SetLastError(0);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "h\xC3\xA9", -1, out, 2), 0);
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);

  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"h\u00E9", -1, nullptr, 0, nullptr, nullptr), 4);
  char narrow[4];
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"h\u00E9", -1, narrow, 3, nullptr, nullptr), 0);
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"h\u00E9", -1, narrow, 4, nullptr, nullptr), 4);
  EXPECT_STREQ(narrow, "h\xC3\xA9");
}

TEST(Text, StrictFlagRefusesInvalidInputAndBadArgumentsFail) {
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, "a\xFF", 2, nullptr, 0), 0);
  EXPECT_EQ(GetLastError(), ERROR_NO_UNICODE_TRANSLATION);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, nullptr, 2, nullptr, 0), 0);
  EXPECT_EQ(MultiByteToWideChar(1252, 0, "a", 1, nullptr, 0), 0);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "a", 0, nullptr, 0), 0);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}
}  // namespace
