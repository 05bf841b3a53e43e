// The cross-promotion data: the advert file, the description texts with their links, and which
// links may be opened.
#include "services/xselldata.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {
// The advert file of the tests: three games (the second without link text), centre texts, a site link.
std::string AdvertFile() { return std::string("::") + TM_SERVICES_DATA + "/xsell/xsell.xml"; }
}  // namespace

TEST(XSellData, AdvertFileFillsGamesSiteLinkAndCentreTexts) {
  TXSellData data;
  ASSERT_TRUE(LoadXSellData(AdvertFile().c_str(), &data));
  ASSERT_EQ(data.games.size(), 3u);
  EXPECT_EQ(data.games[1].description, "A quiet harbour.");
  EXPECT_TRUE(data.hasSiteLink);
  EXPECT_EQ(data.siteLink, "http://a.example/");
  EXPECT_TRUE(data.hasCenterText);
  EXPECT_EQ(data.centerText1, "More games");
  EXPECT_EQ(data.centerText2, "from us");

  EXPECT_EQ(XSellDescriptionText(data.games[0], 1),
            "Find the lost lantern. <u><font color=\"003cff\"><a id='xsellbutton1'>Play now</a></font></u>");
  EXPECT_EQ(XSellDescriptionText(data.games[1], 2), "A quiet harbour.");  // no link text, no link

  TXSellData none;
  none.games.resize(1);
  EXPECT_FALSE(ParseXSellData("<other><gameinfo description=\"x\"/></other>", &none));
  EXPECT_EQ(none.games.size(), 1u);  // nothing filled without the root

  EXPECT_FALSE(LoadXSellData("::/nonexistent/xsell.xml", &none));

  TXSellData bare;
  ASSERT_TRUE(ParseXSellData("<xsell/>", &bare));
  EXPECT_FALSE(bare.hasSiteLink);
  EXPECT_FALSE(bare.hasCenterText);
}

TEST(XSellData, AtMostSevenGamesAreTaken) {
  std::string text = "<xsell>";
  for (int i = 1; i <= 9; ++i) text += "<gameinfo description=\"g" + std::to_string(i) + "\" link=\"http://x/\"/>";
  text += "</xsell>";
  TXSellData data;
  ASSERT_TRUE(ParseXSellData(text.c_str(), &data));
  ASSERT_EQ(data.games.size(), 7u);
  EXPECT_EQ(data.games[6].description, "g7");
}

TEST(XSellData, OnlyWebAndMailLinksOfKnownIndicesOpen) {
  TXSellData data;
  ASSERT_TRUE(ParseXSellData(
      "<xsell><sitelink link=\"HTTPS://site.example/\"/>"
      "<gameinfo link=\"http://one.example/\"/><gameinfo link=\"mailto:a@b\"/>"
      "<gameinfo link=\"C:\\Windows\\system32\\calc.exe\"/><gameinfo link=\"file:///etc/passwd\"/>"
      "<gameinfo link=\"\"/><gameinfo link=\"httpx://odd\"/></xsell>",
      &data));
  TXSellLinks links;
  links.Set(data);
  std::vector<std::string> opened;
  auto opener = [&](const TString& link) { opened.push_back(link.CStr()); };
  struct Case {
    int32_t index;
    bool opens;
  } cases[] = {{0, true}, {1, true}, {2, true}, {3, false}, {4, false}, {5, false},
               {6, false}, {7, false}, {8, false}, {-1, false}, {1000, false}};
  for (const Case& c : cases) EXPECT_EQ(links.Launch(c.index, opener), c.opens) << c.index;
  EXPECT_EQ(opened, (std::vector<std::string>{"HTTPS://site.example/", "http://one.example/", "mailto:a@b"}));
}
