// TString: sharing and copy on write, capacities, searching, editing, formatting, UTF-8 helpers,
// collation, and the guarded handling of bad lengths and broken UTF-8 (the sanitizer build turns any
// read or write outside a block into a failure).
#include "core/string.h"

#include <climits>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <strings.h>
#include <vector>

#include <gtest/gtest.h>

#include "core/collation.h"

namespace {

// Bytes copied into a heap block of exactly their size plus the NUL, so any read past the NUL is
// caught by the address sanitizer.
std::unique_ptr<char[]> ExactText(const std::string& bytes) {
  auto p = std::make_unique<char[]>(bytes.size() + 1);
  std::memcpy(p.get(), bytes.c_str(), bytes.size() + 1);
  return p;
}

std::string Hex(const char* p, int n) {
  std::string s;
  char b[4];
  for (int i = 0; i < n; ++i) {
    std::snprintf(b, sizeof b, "%02X", static_cast<unsigned char>(p[i]));
    s += b;
  }
  return s;
}

}  // namespace

TEST(String, NullAndAllocatedEmptyStringsAreTheSame) {
  TString none;
  TString blank("");
  TString fromNull(static_cast<const char*>(nullptr));
  EXPECT_EQ(none.Length(), 0);
  EXPECT_EQ(blank.Length(), 0);
  ASSERT_NE(none.CStr(), nullptr);
  EXPECT_STREQ(none.CStr(), "");
  EXPECT_STREQ(fromNull.CStr(), "");
  EXPECT_EQ(fromNull.Capacity(), 16);
  EXPECT_TRUE(none == blank);
  EXPECT_TRUE(blank == none);
  EXPECT_EQ(none.Compare(blank), 0);
  EXPECT_FALSE(none < blank);
  EXPECT_FALSE(blank < none);
  EXPECT_TRUE(none < TString("a"));
  EXPECT_EQ(TString("a").Compare(none), 1);
  EXPECT_TRUE(none == "");
  EXPECT_TRUE(none == static_cast<const char*>(nullptr));
}

TEST(String, ChangingACopyLeavesTheOriginalAlone) {
  struct Case {
    const char* name;
    std::function<void(TString&)> change;
    const char* expected;
  };
  const std::vector<Case> cases = {
      {"append", [](TString& s) { s.Append(TString("!")); }, "Banana!"},
      {"append bytes", [](TString& s) { s.Append("xyz", 2); }, "Bananaxy"},
      {"append char", [](TString& s) { s += 'x'; }, "Bananax"},
      {"lower", [](TString& s) { s.ToLower(); }, "banana"},
      {"erase", [](TString& s) { s.Erase(1, 2); }, "Bana"},
      {"replace", [](TString& s) { s.Replace("an", "AN", kStringAll); }, "BANANa"},
      {"write", [](TString& s) { s.WriteAt(0, "C", 1, false); }, "Canana"},
      {"reserve", [](TString& s) { s.Reserve(64); }, "Banana"},
      {"assign", [](TString& s) { s = "other"; }, "other"},
      {"printf", [](TString& s) { s.Printf("%d", 7); }, "7"},
  };
  for (const Case& c : cases) {
    TString original("Banana");
    TString copy(original);
    EXPECT_EQ(original.CStr(), copy.CStr()) << c.name;  // shared until changed
    EXPECT_EQ(original.RefCount(), 2) << c.name;
    c.change(copy);
    EXPECT_STREQ(copy.CStr(), c.expected) << c.name;
    EXPECT_STREQ(original.CStr(), "Banana") << c.name;
    EXPECT_EQ(original.RefCount(), 1) << c.name;
  }
}

TEST(String, AssignmentSharesAndReleases) {
  TString a("one");
  {
    TString b("two");
    b = a;
    EXPECT_EQ(a.RefCount(), 2);
    TString& alias = b;
    b = alias;  // self-assignment keeps the share
    EXPECT_EQ(a.RefCount(), 2);
    TString c(std::move(b));
    EXPECT_EQ(a.RefCount(), 2);
    EXPECT_EQ(b.Length(), 0);
  }
  EXPECT_EQ(a.RefCount(), 1);
  // Assigning a text taken from the string itself.
  TString d("abcdef");
  d = d.CStr() + 2;
  EXPECT_STREQ(d.CStr(), "cdef");
}

TEST(String, CapacitiesFollowHowTheBufferWasMade) {
  const std::string t14(14, 'x'), t15(15, 'x'), t20(20, 'x');
  struct Case {
    const char* name;
    TString s;
    int32_t capacity;
  };
  TString reserveSmall("ab");
  reserveSmall.Reserve(5);
  TString reserveLarge("ab");
  reserveLarge.Reserve(100);
  TString reserveBelowText(t20.c_str());
  reserveBelowText.Reserve(4);  // never smaller than the text
  const std::vector<Case> cases = {
      {"text", TString("abc"), 4},
      {"bytes 3", TString("abc", 3), 16},
      {"bytes 15", TString(t15.c_str(), 15), 16},
      {"bytes 20", TString(t20.c_str(), 20), 21},
      {"concat 10+4", TString("0123456789") + TString("abcd"), 16},
      {"concat 10+5", TString("0123456789") + TString("abcde"), 16},
      {"concat 10+10", TString("0123456789") + TString("0123456789"), 21},
      {"char onto 13", TString(t14.c_str() + 1) + 'y', 16},
      {"char onto 14", TString(t14.c_str()) + 'y', 16},
      {"char onto 20", TString(t20.c_str()) + 'y', 22},
      {"reserve 5", reserveSmall, 16},
      {"reserve 100", reserveLarge, 100},
      {"reserve below text", reserveBelowText, 21},
      {"substring 20", TString((t20 + "abc").c_str()).SubString(0, 20), 21},
      {"substring 3", TString("banana").SubString(1, 3), 16},
  };
  for (const Case& c : cases) EXPECT_EQ(c.s.Capacity(), c.capacity) << c.name;
}

TEST(String, AppendGrowsExactlyAndWriteAtDoubles) {
  TString s("0123456789abcdef0123");  // capacity 21
  s.Append(TString("xy"));
  EXPECT_EQ(s.Capacity(), 23);
  EXPECT_STREQ(s.CStr(), "0123456789abcdef0123xy");

  TString w("abc");  // capacity 4
  EXPECT_EQ(w.WriteAt(-1, "0123456789", 10, true), 13);
  EXPECT_EQ(w.Capacity(), 16);  // 4 -> 8 -> 16
  EXPECT_STREQ(w.CStr(), "abc0123456789");

  TString none;
  EXPECT_EQ(none.WriteAt(-1, "0123456789012345678", 19, true), 19);
  EXPECT_EQ(none.Capacity(), 20);

  // Overwriting inside the text without the terminate flag keeps the rest.
  TString mid("abcdef");
  EXPECT_EQ(mid.WriteAt(1, "XY", 2, false), 3);
  EXPECT_STREQ(mid.CStr(), "aXYdef");
  EXPECT_EQ(mid.WriteAt(1, "Q", 1, true), 2);
  EXPECT_STREQ(mid.CStr(), "aQ");
}

TEST(String, WritingPastTheEndWithoutTerminatingStillEndsTheText) {
  TString s("abcXXXXXXXXXXX");
  s.Erase(3);  // "abc", the old bytes stay in the block behind the NUL
  EXPECT_EQ(s.WriteAt(3, "de", 2, false), 5);
  EXPECT_STREQ(s.CStr(), "abcde");
  EXPECT_EQ(s.WriteAt(99, "f", 1, false), 6);  // past the end: written at the end
  EXPECT_STREQ(s.CStr(), "abcdef");
}

// Random edits of every kind, embedded NULs included, against a plain model of "the text up to its
// first NUL": the length a string answers is always what strlen would measure.
TEST(String, TheLengthFollowsEveryEditAsStrlenWould) {
  std::mt19937 random(99);
  auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  auto bytes = [&](int n) {
    std::string b;
    for (int i = 0; i < n; ++i) b += pick(12) == 0 ? '\0' : char('a' + pick(26));
    return b;
  };
  auto upToNul = [](const std::string& b) { return b.substr(0, b.find('\0')); };
  TString s;
  std::string model;
  for (int step = 0; step < 4000; ++step) {
    const int len = static_cast<int>(model.size());
    TString copy = s;  // shared half of the time, so edits also run on copies
    if (pick(2)) copy = TString();
    switch (pick(9)) {
      case 0: { std::string b = bytes(pick(40)); s.Append(b.data(), ptrdiff_t(b.size())); model += upToNul(b); break; }
      case 1: { char c = char('a' + pick(26)); s += c; model += c; break; }
      case 2: {
        std::string b = bytes(pick(20));
        int at = pick(len + 2) - 1;  // -1 and past the end write at the end
        bool terminate = pick(2);
        s.WriteAt(at, b.data(), ptrdiff_t(b.size()), terminate);
        if (at < 0 || at > len) at = len;
        std::string written = model.substr(0, size_t(at)) + b;
        if (!terminate && at + int(b.size()) < len) written += model.substr(size_t(at) + b.size());
        model = upToNul(written);
        break;
      }
      case 3: { int at = pick(len + 1), n = pick(10) - 1; s.Erase(at, n); if (at < len) model.erase(size_t(at), n < 0 ? std::string::npos : size_t(n)); break; }
      case 4: {
        std::string from(1, char('a' + pick(3))), to = upToNul(bytes(pick(4)));
        s.Replace(from.c_str(), to.c_str(), kStringAll);
        for (size_t at = 0; (at = model.find(from, at)) != std::string::npos; at += to.size()) model.replace(at, 1, to);
        break;
      }
      case 5: { int at = pick(len + 1), n = pick(8); s = s.SubString(at, n); model = at < len ? model.substr(size_t(at), size_t(n)) : ""; break; }
      case 6: { std::string b = bytes(pick(30)); s = TString(b.data(), ptrdiff_t(b.size())); model = upToNul(b); break; }
      case 7: { s = s + TString("xy") + 'z'; model += "xyz"; break; }
      default: {
        const char c = pick(3) ? 'q' : 0;  // a %c of 0 ends the text there
        s = TString::Format("%s%c%s", s.CStr(), c, "tail");
        if (c) model += "qtail";
        break;
      }
    }
    if (model.size() > 3000) {
      s = s.SubString(0, 100);
      model.resize(100);
    }
    ASSERT_EQ(s.Length(), static_cast<int>(std::strlen(s.CStr()))) << "step " << step;
    ASSERT_EQ(std::string(s.CStr()), model) << "step " << step;
  }
}

// Appending one byte at a time moves the text to a new block only now and then, while the capacity
// answered is still exactly what the text needs.
TEST(String, LongRunsOfAppendsRarelyMoveTheText) {
  TString s;
  int moves = 0;
  const char* block = s.CStr();
  for (int i = 0; i < 100000; ++i) {
    s += char('a' + i % 26);
    if (s.CStr() != block) ++moves;
    block = s.CStr();
  }
  EXPECT_EQ(s.Length(), 100000);
  EXPECT_EQ(s.Capacity(), 100001);
  EXPECT_LT(moves, 100);
  TString t("start");
  for (int i = 0; i < 20000; ++i) t.Append(TString("0123456789"));
  EXPECT_EQ(t.Length(), 200005);
  EXPECT_EQ(t.Capacity(), 200006);
}

TEST(String, SelfReferencingEditsReadTheOldText) {
  TString s("ab");
  s.Append(s);
  EXPECT_STREQ(s.CStr(), "abab");
  s += s;
  EXPECT_STREQ(s.CStr(), "abababab");
  TString t("xyz");
  t.Replace("y", t, kStringAll);
  EXPECT_STREQ(t.CStr(), "xxyzz");
  TString u("0123456789abcdef");  // the written bytes come from the block that growing replaces
  u.WriteAt(-1, u.CStr(), 16, true);
  EXPECT_STREQ(u.CStr(), "0123456789abcdef0123456789abcdef");
}

TEST(String, BadLengthsGiveDefinedResults) {
  const char small[4] = {'a', 'b', 'c', 0};
  for (ptrdiff_t n : {ptrdiff_t(-1), ptrdiff_t(-100), ptrdiff_t(INT_MIN), ptrdiff_t(0x7FFFFFFF),
                      ptrdiff_t(0x80000000LL), PTRDIFF_MAX, PTRDIFF_MIN}) {
    TString s(small, n);
    EXPECT_EQ(s.Length(), 0) << n;
    TString a("keep");
    a.Append(small, n);
    EXPECT_STREQ(a.CStr(), "keep") << n;
    TString w("keep");
    EXPECT_EQ(w.WriteAt(-1, small, n, true), -1) << n;
    EXPECT_STREQ(w.CStr(), "keep") << n;
  }
  EXPECT_EQ(TString(nullptr, 5).Length(), 0);

  TString b("banana");
  EXPECT_STREQ(b.SubString(2, 0x7FFFFFFE).CStr(), "nana");
  EXPECT_STREQ(b.SubString(2, INT_MAX).CStr(), "nana");
  EXPECT_LE(b.SubString(2, INT_MAX).Capacity(), 16);
  EXPECT_STREQ(b.SubString(-3, 2).CStr(), "");
  EXPECT_STREQ(b.SubString(1, -5).CStr(), "");
  EXPECT_STREQ(b.SubString(INT_MIN, -1).CStr(), "");
  EXPECT_EQ(b.CharAt(-1), 0);
  EXPECT_EQ(b.CharAt(6), 0);
  EXPECT_EQ(b.CharAt(INT_MAX), 0);
  EXPECT_EQ(b.FindChar('a', 0, -1), -1);
  EXPECT_EQ(b.FindChar('a', kStringBackwards, -2), -1);
  EXPECT_EQ(b.Find("a", 0, INT_MIN), -1);
  EXPECT_EQ(b.Find("a", kStringBackwards, -1), -1);

  struct EraseCase {
    int start, count;
    const char* expected;
  };
  for (const EraseCase& c : {EraseCase{-1, 2, "banana"}, EraseCase{2, 1000, "ba"},
                             EraseCase{2, INT_MAX, "ba"}, EraseCase{2, -7, "banana"},
                             EraseCase{INT_MIN, INT_MAX, "banana"}, EraseCase{6, 1, "banana"}}) {
    TString e("banana");
    e.Erase(c.start, c.count);
    EXPECT_STREQ(e.CStr(), c.expected) << c.start << "," << c.count;
  }

  TString r("abc");
  r.Reserve(-5);
  EXPECT_STREQ(r.CStr(), "abc");
  EXPECT_EQ(r.Capacity(), 16);
  r.Reserve(INT_MIN);
  EXPECT_STREQ(r.CStr(), "abc");
}

TEST(String, SubStringTakesCountsAndStarts) {
  struct Case {
    int start, count;
    const char* expected;
  };
  TString b("banana");
  for (const Case& c : {Case{2, -1, "nana"}, Case{9, 2, ""}, Case{0, 3, "ban"}, Case{5, 1, "a"},
                        Case{5, 4, "a"}, Case{1, 0, ""}, Case{6, -1, ""}}) {
    TString s = b.SubString(c.start, c.count);
    EXPECT_STREQ(s.CStr(), c.expected) << c.start << "," << c.count;
    EXPECT_GE(s.Capacity(), 16);  // always an allocated text
  }
  EXPECT_STREQ(TString().SubString(0, 3).CStr(), "");
}

TEST(String, FindingBytesAndPatterns) {
  struct Case {
    const char* what;
    int result;
    int expected;
  };
  TString b("banana");
  const std::vector<Case> cases = {
      {"char a backwards from 0", b.FindChar('a', kStringBackwards, 0), 5},
      {"char a backwards from 1", b.FindChar('a', kStringBackwards, 1), 3},
      {"char n forward from 3", b.FindChar('n', 0, 3), 4},
      {"char N no case", b.FindChar('N', kStringNoCase, 0), 2},
      {"char N with case", b.FindChar('N', 0, 0), -1},
      {"char at start past end", b.FindChar('b', 0, 6), -1},
      {"an forward from 2", b.Find("an", 0, 2), 3},
      {"AN no case from 0", b.Find("AN", kStringNoCase, 0), 1},
      {"AN with case", b.Find("AN", 0, 0), -1},
      {"an backwards from 0", b.Find("an", kStringBackwards, 0), 3},
      {"an backwards from 3", b.Find("an", kStringBackwards, 3), 1},
      {"an backwards from 5", b.Find("an", kStringBackwards, 5), -1},
      {"longer than text", b.Find("bananas", 0, 0), -1},
      {"whole text", b.Find("banana", 0, 0), 0},
      {"empty pattern", b.Find("", 0, 2), 2},
      {"null pattern", b.Find(TString(), 0, 4), 4},
      {"in empty string", TString().Find("a", 0, 0), -1},
      {"char in empty string", TString("").FindChar('a', 0, 0), -1},
  };
  for (const Case& c : cases) EXPECT_EQ(c.result, c.expected) << c.what;
}

TEST(String, ReplacingTexts) {
  struct Case {
    const char* text;
    const char* pattern;
    const char* replacement;
    int flags, start;
    const char* expected;
  };
  const std::vector<Case> cases = {
      {"banana", "a", "aa", kStringAll, 0, "baanaanaa"},  // inserted text is not searched again
      {"banana", "a", "aa", 0, 0, "baanana"},
      {"banana", "an", "", kStringAll, 0, "ba"},
      {"banana", "an", "AN", kStringAll, 2, "banANa"},
      {"banana", "AN", "_", kStringAll | kStringNoCase, 0, "b__a"},
      {"banana", "a", "o", kStringBackwards, 0, "banano"},
      {"banana", "x", "y", kStringAll, 0, "banana"},
      {"banana", "nana", "ndana", 0, 0, "bandana"},
      {"a", "a", "0123456789012345678901234567890", 0, 0, "0123456789012345678901234567890"},
      {"", "a", "b", kStringAll, 0, ""},
      // An empty pattern would never advance: one insertion, and nothing when both are empty.
      {"abc", "", "x", kStringAll, 0, "xabc"},
      {"abc", "", "", kStringAll, 0, "abc"},
  };
  for (const Case& c : cases) {
    TString s(c.text);
    s.Replace(c.pattern, c.replacement, c.flags, c.start);
    EXPECT_STREQ(s.CStr(), c.expected) << c.text << " " << c.pattern << "->" << c.replacement;
  }
  // Backward replacement of every match ends.
  TString back("aaaa");
  back.Replace("a", "bb", kStringAll | kStringBackwards, 0);
  EXPECT_GT(back.Length(), 4);
}

TEST(String, ConcatenationAppendAndCase) {
  TString a("Hello");
  TString b = a + TString(", ") + "World" + '!';
  EXPECT_STREQ(b.CStr(), "Hello, World!");
  EXPECT_STREQ(a.CStr(), "Hello");
  a.Append('\0');  // a NUL cannot be part of the text
  EXPECT_STREQ(a.CStr(), "Hello");
  TString mixed("MiXeD 123 \xC3\x89");
  mixed.ToLower();
  EXPECT_STREQ(mixed.CStr(), "mixed 123 \xC3\x89");  // bytes above 0x7F stay as they are
  TString embedded("ab\0cd", 5);
  EXPECT_EQ(embedded.Length(), 2);
  EXPECT_EQ(embedded + TString("x"), TString("abx"));
}

TEST(String, NumbersFromText) {
  EXPECT_EQ(TString("42abc").ToInt(), 42);
  EXPECT_EQ(TString("-7").ToInt(), -7);
  EXPECT_EQ(TString("abc").ToInt(), 0);
  EXPECT_EQ(TString().ToInt(), 0);
  EXPECT_FLOAT_EQ(TString("2.5x").ToFloat(), 2.5f);
  EXPECT_FLOAT_EQ(TString().ToFloat(), 0.0f);
}

TEST(String, FormattingShortAndLongTexts) {
  EXPECT_STREQ(TString::Format("%s-%d-%.1f", "a", 12, 1.25).CStr(), "a-12-1.2");
  EXPECT_STREQ(TString::Format("%s", "").CStr(), "");
  std::string big(5000, 'q');
  big[4999] = 'z';
  TString f = TString::Format("<%s>", big.c_str());
  ASSERT_EQ(f.Length(), 5002);
  EXPECT_EQ(f.CStr()[0], '<');
  EXPECT_EQ(f.CStr()[5000], 'z');
  EXPECT_EQ(f.CStr()[5001], '>');
  TString exact = TString::Format("%s", std::string(4095, 'e').c_str());
  EXPECT_EQ(exact.Length(), 4095);
  TString self("value");
  self.Printf("%s and %s", self.CStr(), self.CStr());
  EXPECT_STREQ(self.CStr(), "value and value");
}

TEST(Utf8, CharLengthFromTheFirstByte) {
  struct Case {
    unsigned char lead;
    int length;
  };
  for (const Case& c : {Case{0x00, 0}, Case{0x41, 1}, Case{0x7F, 1}, Case{0x80, 1}, Case{0xBF, 1},
                        Case{0xC0, 2}, Case{0xDF, 2}, Case{0xE0, 3}, Case{0xEF, 3}, Case{0xF0, 4},
                        Case{0xF8, 4}, Case{0xFF, 4}}) {
    char text[8] = {char(c.lead), char(0x80), char(0x80), char(0x80), 0};
    EXPECT_EQ(Utf8CharLength(text), c.length) << int(c.lead);
  }
  EXPECT_EQ(Utf8CharLength(nullptr), 0);
}

TEST(Utf8, EncodingCodePoints) {
  struct Case {
    uint32_t cp;
    const char* hex;
  };
  for (const Case& c : {Case{0x41, "41"}, Case{0x00, "00"}, Case{0x7F, "7F"}, Case{0x80, "C280"},
                        Case{0xE9, "C3A9"}, Case{0x7FF, "DFBF"}, Case{0x800, "E0A080"},
                        Case{0x20AC, "E282AC"}, Case{0xD800, "EDA080"}, Case{0xFEFF, ""},
                        Case{0xFFFE, ""}, Case{0xFFFF, ""}, Case{0xFFFD, "EFBFBD"},
                        Case{0x10000, "F0908080"}, Case{0x1F600, "F09F9880"},
                        Case{0x10FFFF, "F48FBFBF"}, Case{0x110000, ""}, Case{0xFFFFFFFF, ""}}) {
    char out[4] = {};
    int n = Utf8Encode(c.cp, out);
    EXPECT_EQ(Hex(out, n), c.hex) << std::hex << c.cp;
  }
  EXPECT_EQ(TString::FromCodePoint(0xFEFF).Length(), 0);
  EXPECT_STREQ(TString::FromCodePoint(0xE9).CStr(), "\xC3\xA9");
}

TEST(Utf8, DecodingNeverReadsPastTheEnd) {
  struct Case {
    std::string bytes;
    uint32_t cp;
    int consumed;
  };
  const std::vector<Case> cases = {
      {"A", 0x41, 1},
      {"\xC3\xA9", 0xE9, 2},
      {"\xC3\x41", 0, 1},
      {"\x80", 0, 1},
      {"\xC3\xC3", 0x103, 2},  // only the top bit of a following byte is tested
      {"\xE2\x82\xAC", 0x20AC, 3},
      {"\xF0\x9F\x98\x80", 0x1F600, 4},
      {"\xC0\x80", 0, 2},  // overlong forms are not rejected
      {"", 0, 0},
      // Truncated sequences at the end of the text stop at the NUL.
      {"\xC3", 0, 1},
      {"\xE2", 0, 1},
      {"\xE2\x82", 0, 2},
      {"\xF0", 0, 1},
      {"\xF0\x9F\x98", 0, 3},
      {"\xFF\x80", 0, 2},
  };
  for (const Case& c : cases) {
    auto text = ExactText(c.bytes);
    int consumed = -1;
    EXPECT_EQ(Utf8Decode(text.get(), &consumed), c.cp) << Hex(c.bytes.data(), int(c.bytes.size()));
    EXPECT_EQ(consumed, c.consumed) << Hex(c.bytes.data(), int(c.bytes.size()));
    EXPECT_EQ(Utf8StepLength(text.get()), c.consumed) << Hex(c.bytes.data(), int(c.bytes.size()));
  }
  EXPECT_EQ(Utf8Decode(nullptr), 0u);
}

TEST(Utf8, WalkingATextEndingInABrokenSequenceStaysInside) {
  auto text = ExactText("a\xC3\xA9z\xF0\x9F");
  std::vector<uint32_t> cps;
  for (const char* p = text.get(); *p;) {
    int n = 0;
    cps.push_back(Utf8Decode(p, &n));
    p += n;
  }
  EXPECT_EQ(cps, (std::vector<uint32_t>{'a', 0xE9, 'z', 0}));
}

TEST(Utf8, EveryEncodableCodePointDecodesBack) {
  for (uint32_t cp = 1; cp <= 0x10FFFF; ++cp) {
    char buf[5] = {};
    int n = Utf8Encode(cp, buf);
    if (cp == 0xFEFF || cp == 0xFFFE || cp == 0xFFFF) {
      ASSERT_EQ(n, 0);
      continue;
    }
    ASSERT_EQ(Utf8CharLength(buf), n) << cp;
    int consumed = 0;
    ASSERT_EQ(Utf8Decode(buf, &consumed), cp);
    ASSERT_EQ(consumed, n);
  }
}

TEST(Collation, BytewiseWithoutAPlugIn) {
  SetCollateLoader(nullptr);
  EXPECT_EQ(CollateStrings("B", "a"), -1);
  EXPECT_EQ(CollateStrings("a", "B"), 1);
  EXPECT_EQ(CollateStrings("abc", "abc"), 0);
  EXPECT_EQ(CollateStrings("ab", "abc"), -1);
  EXPECT_EQ(CollateStrings("\xC3\xA9", "z"), 1);  // unsigned bytes
  EXPECT_EQ(CollateStrings(nullptr, ""), 0);
  EXPECT_TRUE(TString("B") < TString("a"));
}

namespace {
int gLoaderCalls = 0;
std::unique_ptr<TDllCollateHandler> CaseBlindLoader() {
  ++gLoaderCalls;
  return std::make_unique<TDllCollateHandler>(nullptr, [](const char* a, const char* b) {
    return int32_t(strcasecmp(a, b) * 7);  // any magnitude: only the sign counts
  });
}
std::unique_ptr<TDllCollateHandler> NoHandlerLoader() {
  ++gLoaderCalls;
  return nullptr;
}
}  // namespace

TEST(Collation, ThePlugInIsAskedOnceAndDecides) {
  gLoaderCalls = 0;
  SetCollateLoader(&CaseBlindLoader);
  EXPECT_EQ(CollateStrings("abc", "ABC"), 0);
  EXPECT_EQ(CollateStrings("b", "A"), 1);
  EXPECT_TRUE(TString("Key") == TString("KEY"));
  EXPECT_EQ(gLoaderCalls, 1);

  gLoaderCalls = 0;
  SetCollateLoader(&NoHandlerLoader);  // no library: remembered too
  EXPECT_EQ(CollateStrings("abc", "ABC"), 1);
  EXPECT_EQ(CollateStrings("abc", "ABC"), 1);
  EXPECT_EQ(gLoaderCalls, 1);
  SetCollateLoader(nullptr);
}

TEST(Collation, HandlerMovesOwnership) {
  TDllCollateHandler a(reinterpret_cast<HMODULE>(0x10), [](const char*, const char*) { return -5; });
  TDllCollateHandler b(std::move(a));
  EXPECT_EQ(b.Collate("x", "y"), -5);
  EXPECT_EQ(b.Module(), reinterpret_cast<HMODULE>(0x10));
  EXPECT_EQ(a.Module(), nullptr);
  EXPECT_EQ(a.Collate("x", "y"), 0);
}
