// The cross-promotion window as a screen script builds it: its children filled from the advert
// file, windows of unlisted games hidden, the links it opens (and refuses), and autoexpand.
#include "ui/xsellwindow.h"

#include <string>

#include "os/shellexec.h"
#include "ui/text.h"
#include "widgets_fixture.h"
#include "../os/tempfolder.h"

namespace {

const char* kThreeGames =
    "<?xml version=\"1.0\"?>\n<xsell>\n"
    "  <gameinfo description=\"Find the lost lantern.\" linktext=\"Play now\" link=\"http://a.example/1\"/>\n"
    "  <centertext text1=\"More games\" text2=\"from us\"/>\n"
    "  <gameinfo description=\"A quiet harbour.\" linktext=\"\" link=\"https://a.example/2\"/>\n"
    "  <gameinfo description=\"Third\" linktext=\"Go\" link=\"file:///bin/sh\"/>\n"
    "  <sitelink link=\"http://a.example/\"/>\n"
    "</xsell>\n";

class XSellWindowTest : public WidgetFixture {
 protected:
  void SetUp() override {
    WidgetFixture::SetUp();
    ClearOpened();
  }
  void TearDown() override {
    os::TestResetShellCalls();
    WidgetFixture::TearDown();
  }
  // Builds the window from a layout with every child the window fills; answers it.
  TXSellWindow* Build(const std::string& xml, const std::string& options = "") {
    std::string path = "::" + folder_.Write("xsell.xml", xml);
    std::string layout = "MakeDialog{ XSellWindow{ name='xs', w=800, h=600, config='" + path + "'" + options;
    for (int n = 1; n <= 8; ++n) {
      std::string i = std::to_string(n);
      layout += ", Text{ name='descrip" + i + "', y=" + std::to_string(n * 40) + ", w=300, h=30 }";
      layout += ", Button{ name='xsellbutton" + i + "', x=400, y=" + std::to_string(n * 40) +
                ", w=100, h=30, Window{ x=10, y=10, w=40, h=10 } }";
    }
    layout += ", Text{ name='centertext1', w=10, h=10 }, Text{ name='centertext2', w=10, h=10 },"
              " Window{ name='gamesite', x=600, y=500, w=100, h=50, Window{ w=60, h=20 } } } }";
    EXPECT_EQ(Run(layout.c_str()), 0);
    return KindCast<TXSellWindow>(screen_->FindChild("xs", -1));
  }
  std::string TextOf(const char* name) {
    TText* text = KindCast<TText>(screen_->FindChild(name, -1));
    return text ? text->GetText().CStr() : "<no text window>";
  }
  bool Shown(const std::string& name) { return screen_->FindChild(name.c_str(), -1)->IsVisible(); }
  // Forgets the links opened so far; links are recorded, never started.
  static void ClearOpened() {
    os::TestResetShellCalls();
    os::TestRecordShellExecute(true);
  }
  std::vector<std::string> Opened() {
    std::vector<std::string> links;
    for (const os::ShellCall& call : os::TestShellCalls()) links.push_back(call.file);
    return links;
  }

  testutil::TempFolder folder_;
};

TEST_F(XSellWindowTest, FillsTheListedGamesAndHidesTheRest) {
  TXSellWindow* window = Build(kThreeGames);
  ASSERT_NE(window, nullptr);
  ASSERT_EQ(Run("SetupXSell()"), 0);
  EXPECT_EQ(TextOf("descrip1"),
            "Find the lost lantern. <u><font color=\"003cff\"><a id='xsellbutton1'>Play now</a></font></u>");
  EXPECT_EQ(TextOf("descrip2"), "A quiet harbour.");  // no link text: no link
  EXPECT_EQ(TextOf("descrip3"), "Third <u><font color=\"003cff\"><a id='xsellbutton3'>Go</a></font></u>");
  EXPECT_EQ(TextOf("centertext1"), "More games");
  EXPECT_EQ(TextOf("centertext2"), "from us");
  for (int n = 1; n <= 8; ++n) {
    bool listed = n <= 3;
    EXPECT_EQ(Shown("descrip" + std::to_string(n)), listed) << n;
    EXPECT_EQ(Shown("xsellbutton" + std::to_string(n)), listed) << n;
  }
  EXPECT_TRUE(Shown("gamesite"));
  EXPECT_FALSE(window->GetAutoExpand());
  const TRect& button = screen_->FindChild("xsellbutton1", -1)->GetRect();
  EXPECT_EQ(button.right - button.left, 100);  // without autoexpand the layout's size stays
}

TEST_F(XSellWindowTest, MissingSiteLinkHidesTheSiteAndABadFileFillsNothing) {
  Build("<xsell><gameinfo description=\"Only\" linktext=\"\" link=\"http://a.example/\"/></xsell>");
  ASSERT_EQ(Run("SetupXSell()"), 0);
  EXPECT_FALSE(Shown("gamesite"));
  EXPECT_EQ(TextOf("descrip1"), "Only");
  EXPECT_FALSE(Shown("descrip2"));

  Run("ClearModalChildren()");
  Build("<other><gameinfo description=\"Never\"/></other>");
  ASSERT_EQ(Run("SetupXSell()"), 0);
  EXPECT_EQ(TextOf("descrip1"), "");
  EXPECT_TRUE(Shown("descrip8"));
  EXPECT_TRUE(Shown("gamesite"));
}

// Only web and mail links of known entries open; an index outside the site link and the seven
// games, an unlisted game or a link to a local program is refused.
TEST_F(XSellWindowTest, LaunchGameLinkOpensOnlyKnownWebLinks) {
  Build(kThreeGames);
  ASSERT_EQ(Run("SetupXSell()"), 0);
  const std::pair<int, bool> cases[] = {{0, true}, {1, true}, {2, true}, {3, false}, {4, false},
                                        {7, false}, {8, false}, {-1, false}, {1000, false}};
  for (const auto& [index, opens] : cases) {
    ClearOpened();
    std::string call = "gOut = tostring(LaunchGameLink(" + std::to_string(index) + "))";
    ASSERT_EQ(Run(call.c_str()), 0);
    EXPECT_EQ(Global("gOut"), opens ? "true" : "false") << index;
    EXPECT_EQ(Opened().size(), opens ? 1u : 0u) << index;
  }
  ClearOpened();
  Run("LaunchGameLink(0) LaunchGameLink(2)");
  EXPECT_EQ(Opened(), (std::vector<std::string>{"http://a.example/", "https://a.example/2"}));
}

TEST_F(XSellWindowTest, AutoexpandSizesLinkWindowsAroundTheirCentre) {
  TXSellWindow* window = Build(kThreeGames, ", autoexpand=true");
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(window->GetAutoExpand());
  ASSERT_EQ(Run("SetupXSell()"), 0);
  // The button at (400, 40)-(500, 70) holds a 40 x 10 child: it shrinks to that around (450, 55).
  EXPECT_EQ(screen_->FindChild("xsellbutton1", -1)->GetRect(), TRect(430, 50, 470, 60));
  EXPECT_EQ(screen_->FindChild("gamesite", -1)->GetRect(), TRect(620, 515, 680, 535));
  // Description windows are laid out as they are.
  EXPECT_EQ(screen_->FindChild("descrip1", -1)->GetRect(), TRect(0, 40, 300, 70));
}

}  // namespace
