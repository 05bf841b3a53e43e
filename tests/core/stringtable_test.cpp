// String table: the row scan of spreadsheet files (plain and compressed), the "%" expansion with
// labels and arguments, the test mode, later files overriding earlier ones, and the movie entries.
#include <gtest/gtest.h>

#include <string>

#include "core/assetindex.h"
#include "core/config.h"
#include "core/log.h"
#include "core/stringtable.h"
#include "core/zxml.h"
#include "filetext.h"
#include "os/tempfolder.h"

namespace {

std::string Row(const std::string& label, const std::string& text) {
  return "<Row ss:AutoFitHeight=\"0\"><Cell><Data ss:Type=\"String\">" + label +
         "</Data></Cell><Cell ss:StyleID=\"s1\"><Data ss:Type=\"String\">" + text + "</Data></Cell></Row>\n";
}

std::string Sheet(const std::string& rows) {
  return "<?xml version=\"1.0\"?>\n<Workbook><Worksheet ss:Name=\"Strings\"><Table>\n" + rows +
         "</Table></Worksheet></Workbook>\n";
}

class StringTableTest : public ::testing::Test {
protected:
  void SetUp() override {
    filetest::ResetFileSystem();
    LogInit(mDir.Path().c_str());
  }
  void TearDown() override {
    LogInit("");
    filetest::ResetFileSystem();
    ClearConfig();
  }
  // Writes a file below the temporary folder and answers its virtual path.
  TString File(const std::string& name, const std::string& bytes) {
    mDir.Write(name, bytes);
    return ("::" + (mDir / name)).c_str();
  }
  std::string Log() const { return testutil::ReadLogText(mDir.Path()); }
  testutil::TempFolder mDir;
};

TEST_F(StringTableTest, RowsGiveALabelAndATextFromTheirFirstTwoCells) {
  TStringTable table;
  const std::string rows = Row("PLAIN", "Plain text") + Row("ESCAPED", "Fish &amp; chips &lt;3 caf&#233;") +
                           "<Row><Cell><Data>THREE</Data></Cell><Cell><Data>two</Data></Cell><Cell><Data>three</Data></Cell></Row>\n"
                           "<Row><Cell ss:Index=\"2\"/></Row>\n"  // no cell at all: nothing
                           "<Row><Cell><Data>ALONE</Data></Cell></Row>\n" + Row("NEXT", "after alone") +
                           Row("PLAIN", "Replaced");
  ASSERT_TRUE(table.Load(File("strings.xml", Sheet(rows))));
  EXPECT_EQ(table.Size(), 5u);
  EXPECT_TRUE(table.GetString("PLAIN") == "Replaced");
  EXPECT_TRUE(table.GetString("ESCAPED") == "Fish & chips <3 caf\xe9");
  EXPECT_TRUE(table.GetString("THREE") == "two");
  ASSERT_NE(table.Find("ALONE"), nullptr);
  EXPECT_TRUE(*table.Find("ALONE") == "");  // not the next row's first cell
  EXPECT_TRUE(table.GetString("NEXT") == "after alone");
}

TEST_F(StringTableTest, ReferencesAndArgumentsExpand) {
  TStringTable table;
  const std::string rows = Row("PCT", "100%% sure") + Row("TRAIL", "50%") + Row("OFF", "50% off") +
                           Row("GREET", "Hello %1%") + Row("SIX", "x %6%") + Row("ZERO", "x %0%") +
                           Row("LEADZERO", "x %05%") + Row("SEE", "See %GREET%!") + Row("NAME", "Ann") +
                           Row("SELF", "[%1%]") + Row("TAIL", "x %NAME") + Row("NOLABEL", "a %NOPE% b") +
                           Row("LONG", "x %99999999999999999999%");
  ASSERT_TRUE(table.Load(File("strings.xml", Sheet(rows))));
  const struct {
    const char* label;
    const char* arg1;
    const char* expected;
  } cases[] = {
      {"PCT", "", "100% sure"},
      {"TRAIL", "", "50%"},
      {"OFF", "", "#####"},
      {"GREET", "Ann", "Hello Ann"},
      {"GREET", "", "Hello "},
      {"SIX", "Ann", "#####"},
      {"ZERO", "Ann", "#####"},
      {"LEADZERO", "", "x "},
      {"SEE", "Ann", "See Hello %1%!"},  // the referred text is copied, not expanded again
      {"SELF", "%%", "[%]"},
      {"SELF", "%NAME%", "[Ann]"},
      {"SELF", "%NOPE%", "#####"},
      {"SELF", "%NAME", "#####"},
      {"TAIL", "", "x AnnNAME"},
      {"NOLABEL", "", "#####"},
      {"LONG", "", "#####"},
      {"ABSENT", "", "#####"},
  };
  for (const auto& c : cases) {
    EXPECT_TRUE(table.GetString(c.label, c.arg1) == c.expected)
        << c.label << "(" << c.arg1 << ") gave " << table.GetString(c.label, c.arg1).CStr();
  }
  EXPECT_TRUE(table.GetString("LEADZERO", "", "", "", "", "five") == "x five");
  const std::string log = Log();
  EXPECT_NE(log.find("Non-matched percent (%) escape found in string TRAIL, '50%'"), std::string::npos);
  EXPECT_NE(log.find(" ##### : Missing string for label 'ABSENT'"), std::string::npos);
  EXPECT_NE(log.find(" ##### : Missing string for label 'OFF'"), std::string::npos);

  table.SetQuiet(true);
  EXPECT_TRUE(table.GetString("QUIETLY_ABSENT") == "#####");
  EXPECT_EQ(Log().find("QUIETLY_ABSENT"), std::string::npos);
}

TEST_F(StringTableTest, TestModeMasksEveryVisibleCharacter) {
  TStringTable table;
  ASSERT_TRUE(table.Load(File("strings.xml", Sheet(Row("HI", "Hello %1%") + Row("CAFE", "caf\xc3\xa9 au lait")))));
  SetConfig("stringtest", "1");
  EXPECT_TRUE(table.GetString("HI", "Ann") == "xxxxx xxx");
  EXPECT_TRUE(table.GetString("CAFE") == "xxxx xx xxxx");
  EXPECT_TRUE(table.GetString("MISSING") == "#####");
  SetConfig("stringtest", "0");
  EXPECT_TRUE(table.GetString("HI", "Ann") == "Hello Ann");
}

TEST_F(StringTableTest, CompressedFilesLoadAndDamagedOnesChangeNothing) {
  const std::string sheet = Sheet(Row("PACKED", "from the compressed form"));
  const std::vector<uint8_t> packed = CompressXmlText(sheet.data(), sheet.size());
  ASSERT_FALSE(packed.empty());
  TStringTable table;
  ASSERT_TRUE(table.Load(File("strings.xml", std::string(packed.begin(), packed.end()))));
  EXPECT_TRUE(table.GetString("PACKED") == "from the compressed form");

  std::string damaged(packed.begin(), packed.end());
  damaged[8] = '\x7f';  // a text length the stream does not hold
  damaged[14] ^= 0x55;
  EXPECT_FALSE(table.Load(File("bad.xml", damaged)));
  EXPECT_FALSE(table.Load(File("short.xml", "ZXML\x01")));
  EXPECT_FALSE(table.Load(File("long.xml", std::string("ZXML\xff\xff\xff\x7f\x10\x00\x00\x00", 12) + "xx")));
  EXPECT_FALSE(table.Load("::" + TString((mDir / "missing.xml").c_str())));
  EXPECT_EQ(table.Size(), 1u);
  EXPECT_FALSE(table.Reload("::" + TString((mDir / "missing.xml").c_str())));
  EXPECT_EQ(table.Size(), 0u);
}

TEST_F(StringTableTest, StartUpFilesLoadInOrderAndLaterOnesWin) {
  const std::string base = Sheet(Row("A", "base a") + Row("B", "base b") + Row("C", "base c") + Row("D", "base d"));
  RegisterMemoryFile("strings.xml", base.data(), base.size());
  mDir.Write("user/strings_extra.xml", Sheet(Row("B", "user b") + Row("C", "user c")));
  mDir.Write("user/notes.xml", Sheet(Row("D", "not a strings file")));
  mDir.Write("user/Strings_upper.xml", Sheet(Row("D", "upper-case name")));
  mDir.Write("common/strings2.xml", Sheet(Row("C", "common c")));
  SetFileRoots((mDir / "user").c_str(), (mDir / "common").c_str(), "");
  TStringTable table;
  EXPECT_TRUE(LoadStartupStringTables(table));
  EXPECT_TRUE(table.GetString("A") == "base a");
  EXPECT_TRUE(table.GetString("B") == "user b");
  EXPECT_TRUE(table.GetString("C") == "common c");
  EXPECT_TRUE(table.GetString("D") == "base d");

  // Without "strings.xml" the player's files still load, and the caller learns of the missing base.
  RegisterMemoryFile("strings.xml", nullptr, 0);
  TStringTable other;
  EXPECT_FALSE(LoadStartupStringTables(other));
  EXPECT_TRUE(other.GetString("B") == "user b");
}

TEST_F(StringTableTest, MovieEntriesArePrefixedOnesOrElseNumberedOnes) {
  TStringTable prefixed;
  ASSERT_TRUE(prefixed.Load(File("a.xml", Sheet(Row("FLASH_TITLE", "Title") + Row("FLASH_BACK", "Back") +
                                                Row("flash01_02", "numbered") + Row("MENU", "Menu")))));
  std::vector<TStringTable::Entry> list;
  prefixed.GetFlashStrings(list);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_TRUE(list[0].first == "FLASH_BACK");
  EXPECT_TRUE(list[1].second == "Title");

  TStringTable numbered;
  ASSERT_TRUE(numbered.Load(File("b.xml", Sheet(Row("flash1_2", "one two") + Row("flash10_20", "ten twenty") +
                                                Row("flashy", "no") + Row("flash3", "no") + Row("MENU", "Menu")))));
  list.clear();
  numbered.GetFlashStrings(list);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_TRUE(list[0].first == "flash10_20");
  EXPECT_TRUE(list[1].first == "flash1_2");
}

}  // namespace
