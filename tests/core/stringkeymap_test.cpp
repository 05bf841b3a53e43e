// StringKeyMap: ordering through the collation and zero-filled entries on first use.
#include "core/stringkeymap.h"

#include <strings.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/collation.h"

namespace {
std::vector<std::string> Keys(const StringKeyMap<int>& m) {
  std::vector<std::string> keys;
  for (const auto& [k, v] : m) keys.push_back(k.CStr());
  return keys;
}
}  // namespace

TEST(StringKeyMap, OrdersBytewiseAndInsertsZeroValues) {
  SetCollateLoader(nullptr);
  StringKeyMap<int> m;
  EXPECT_EQ(m[TString("a")], 0);  // absent: inserted with a zero value
  m["B"] = 2;
  m["\xC3\xA9"] = 3;
  m["ab"] += 5;
  m[TString()] = 7;
  EXPECT_EQ(m[""], 7);  // the null string and "" are one key
  EXPECT_EQ(Keys(m), (std::vector<std::string>{"", "B", "a", "ab", "\xC3\xA9"}));
  EXPECT_EQ(m["ab"], 5);

  StringKeyMap<TString> texts;
  EXPECT_EQ(texts["missing"].Length(), 0);
  StringKeyMap<void*> pointers;
  EXPECT_EQ(pointers["missing"], nullptr);
}

TEST(StringKeyMap, KeysTheCollationCallsEqualAreOneKey) {
  SetCollateLoader([]() {
    return std::make_unique<TDllCollateHandler>(nullptr, [](const char* a, const char* b) {
      return int32_t(strcasecmp(a, b));
    });
  });
  StringKeyMap<int> m;
  m["Volume"] = 1;
  m["VOLUME"] = 2;
  m["apple"] = 3;
  EXPECT_EQ(m.size(), 2u);
  EXPECT_EQ(m["volume"], 2);
  EXPECT_EQ(Keys(m), (std::vector<std::string>{"apple", "Volume"}));
  SetCollateLoader(nullptr);
}
