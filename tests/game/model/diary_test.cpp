// Diary layout: entries fill a site from the top and move on when they do not fit, site ends start
// a new site, constant content repeats on every n-th site; bad periods and entries that can never
// fit end instead of crashing or looping; the diary survives its profile keys.
#include "core/config.h"
#include "core/prefsdb.h"
#include "core/stringtable.h"
#include "model/diary.h"
#include "modelfixture.h"

namespace {

class DiaryTest : public ModelTest {
 protected:
  DiaryTest() {
    diary = TDiary::CreateInstance();
    diary->AddArea(0, 10, 500, 300);  // top 10, bottom 310
    // Texts are as high as their text says, so tests choose heights directly.
    diary->SetMeasure([](const TDiaryEntry& e, int32_t, int32_t) { return std::stoi(e.text); });
  }
  ~DiaryTest() override { TDiary::DestroyInstance(); }

  static TDiaryEntry Text(int height) {
    TDiaryEntry e;
    e.kind = kDiaryText;
    e.text = std::to_string(height);
    return e;
  }
  static TDiaryEntry SiteEnd() {
    TDiaryEntry e;
    e.kind = kDiarySiteEnd;
    e.text = "0";
    return e;
  }
  TDiary* diary;
};

}  // namespace

TEST_F(DiaryTest, EntriesStackAndMoveOnWhenTheyReachTheBottom) {
  diary->AddContent(Text(100));
  diary->AddContent(Text(100));
  EXPECT_EQ(diary->GetCurrentInsertSite(), 0u);
  EXPECT_EQ(diary->GetItem(1)->y, 110);
  // 210 + 100 = 310 reaches the bottom exactly: next site.
  diary->AddContent(Text(100));
  EXPECT_EQ(diary->GetCurrentInsertSite(), 1u);
  EXPECT_EQ(diary->GetItem(2)->y, 10);
  EXPECT_EQ(diary->GetItem(2)->site, 1);
  EXPECT_EQ(diary->GetCurrentWatchedSite(), 1u);
}

TEST_F(DiaryTest, ASiteEndStartsTheNextSiteWithItsConstantContent) {
  TDiaryEntry header = Text(20);
  diary->AddConstantContent(2, header);  // placed on site 0, then on 2, 4, ...
  diary->AddContent(Text(50));
  diary->AddContent(SiteEnd());
  EXPECT_EQ(diary->GetCurrentInsertSite(), 1u);
  EXPECT_EQ(diary->GetLastUsedY(), 10);
  EXPECT_EQ(diary->GetItemCount(), 2);
  diary->AddContent(SiteEnd());
  EXPECT_EQ(diary->GetCurrentInsertSite(), 2u);
  ASSERT_EQ(diary->GetItemCount(), 3);
  EXPECT_EQ(diary->GetItem(2)->site, 2);
  EXPECT_EQ(diary->GetItem(2)->y, 10);
  EXPECT_EQ(diary->GetLastUsedY(), 30);
}

TEST_F(DiaryTest, RequestedPlacesAreKeptInsideTheArea) {
  TDiaryEntry e = Text(10);
  e.x = -50;
  diary->AddContent(e);
  EXPECT_EQ(diary->GetItem(0)->x, 0);
  EXPECT_EQ(diary->GetItem(0)->width, 500);
  e.x = 100;
  e.y = 200;
  diary->AddContent(e);
  EXPECT_EQ(diary->GetItem(1)->x, 100);
  EXPECT_EQ(diary->GetItem(1)->width, 400);
  EXPECT_EQ(diary->GetItem(1)->y, 200);
}

TEST_F(DiaryTest, PagingStaysWithinTheWrittenSites) {
  diary->PageBack();
  EXPECT_EQ(diary->GetCurrentWatchedSite(), 0u);
  diary->PageForward();
  EXPECT_EQ(diary->GetCurrentWatchedSite(), 0u);
  diary->AddContent(SiteEnd());
  diary->AddContent(Text(5));
  diary->PageBack();
  EXPECT_EQ(diary->GetCurrentWatchedSite(), 0u);
  diary->PageForward();
  EXPECT_EQ(diary->GetCurrentWatchedSite(), 1u);
}

TEST_F(DiaryTest, BadConstantContentAndOversizedEntriesEnd) {
  diary->AddConstantContent(0, Text(10));   // never repeats
  diary->AddConstantContent(-3, Text(10));  // never repeats
  diary->AddConstantContent(1, SiteEnd());  // due on every site: must not start sites without end
  diary->AddConstantContent(1, Text(200));
  diary->AddContent(SiteEnd());
  diary->AddContent(Text(5000));  // taller than any site
  diary->AddContent(Text(5000));
  EXPECT_LE(diary->GetCurrentInsertSite(), 10u);
  EXPECT_EQ(diary->GetItem(diary->GetItemCount() - 1)->height, 5000);
}

TEST_F(DiaryTest, WithoutAnAreaEntriesAreDropped) {
  TDiary* bare = TDiary::CreateInstance();
  bare->AddContent(Text(10));
  bare->AddContent(SiteEnd());
  EXPECT_EQ(bare->GetItemCount(), 0);
  EXPECT_TRUE(Logged("no page area"));
}

TEST_F(DiaryTest, TheDiarySurvivesItsProfileKeys) {
  testutil::TempFolder folder;
  SetConfig("encryptionkey", "DiaryKeyText");
  TPrefsDB db(true, (folder / "prefsdb.dat").c_str());
  TDiaryEntry image;
  image.kind = kDiaryImage;
  image.text = "40";
  image.font = "fonts/other.mvec";
  diary->AddConstantContent(3, Text(15));
  diary->AddContent(image);
  diary->AddContent(SiteEnd());
  TDiaryEntry coloured = Text(30);
  coloured.red = 1, coloured.green = 2, coloured.blue = 3, coloured.alpha = 4, coloured.size = 22;
  diary->AddContent(coloured);
  diary->Save(db, 0, false);
  db.Commit();

  TDiary* loaded = TDiary::CreateInstance();
  loaded->Load(db, 0);
  EXPECT_EQ(loaded->GetCurrentInsertSite(), 1u);
  EXPECT_EQ(loaded->GetLastUsedY(), 40);
  ASSERT_EQ(loaded->GetItemCount(), 3);
  EXPECT_EQ(loaded->GetItem(1)->font, "fonts/other.mvec");
  EXPECT_EQ(loaded->GetItem(2)->size, 22);
  EXPECT_EQ(loaded->GetItem(2)->alpha, 4);
  EXPECT_EQ(loaded->GetItem(2)->text, "30");
  ASSERT_EQ(loaded->GetConstantCount(), 1);
  EXPECT_EQ(loaded->GetConstant(0)->period, 3);

  TDiary* empty = TDiary::CreateInstance();
  empty->Load(db, 5);
  EXPECT_EQ(empty->GetItemCount(), 0);
  EXPECT_EQ(empty->GetCurrentInsertSite(), 0u);

  // A damaged count and a period of 0 from the profile load without harm.
  db.SetInt("Diary_numberOfConstantContent", 1, 6);
  db.SetInt("Diary_numberOfContent", 2000000000, 6);
  TDiary* damaged = TDiary::CreateInstance();
  damaged->AddArea(0, 0, 100, 100);
  damaged->SetMeasure([](const TDiaryEntry&, int32_t, int32_t) { return 10; });
  damaged->Load(db, 6);
  EXPECT_EQ(damaged->GetConstant(0)->period, 0);
  damaged->AddContent(SiteEnd());
  EXPECT_EQ(damaged->GetCurrentInsertSite(), 1u);
  ClearConfig();
}

TEST_F(DiaryTest, TextEntriesShowTheirLabelsTextsJoined) {
  const std::string sheet =
      "<?xml version=\"1.0\"?>\n<Workbook><Worksheet ss:Name=\"Strings\"><Table>\n"
      "<Row><Cell><Data>D_1</Data></Cell><Cell><Data>First. </Data></Cell></Row>\n"
      "<Row><Cell><Data>D_2</Data></Cell><Cell><Data>Second.</Data></Cell></Row>\n"
      "</Table></Worksheet></Workbook>\n";
  mTemp.Write("strings.xml", sheet);
  TStringTable table;
  table.SetQuiet(true);
  ASSERT_TRUE(table.Load(("::" + (mTemp / "strings.xml")).c_str()));
  EXPECT_EQ(TDiary::ComposeText(table, "D_1+D_2"), "First. Second.");
  EXPECT_EQ(TDiary::ComposeText(table, "D_2"), "Second.");
  EXPECT_EQ(TDiary::ComposeText(table, "D_1+MISSING"), "First. #####");
}
