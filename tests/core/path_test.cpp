#include "core/path.h"

#include <filesystem>

#include "core/filefixture.h"
#include "core/folder.h"
#include "os/faultinject.h"
#include "os/lasterror.h"

namespace {
std::string S(const TString& s) { return s.CStr(); }

TEST(Path, WideConversionsRoundTripAndEmptyTextIsStatic) {
  TString text = "Z:\\Spiele\\Caf\xC3\xA9 \xF0\x9F\x98\x80";
  const char16_t* w = ToWide(text);
  EXPECT_EQ(std::u16string(w), u"Z:\\Spiele\\Caf\u00E9 \xD83D\xDE00");
  EXPECT_EQ(S(FromWide(w)), S(text));
  EXPECT_EQ(ToWide(TString())[0], 0);
  EXPECT_TRUE(FromWide(nullptr).IsEmpty());
  EXPECT_TRUE(FromWide(u"").IsEmpty());
}

using PathFolders = FileLayerTest;

TEST_F(PathFolders, FullPathServesPathsLongerThanTheClassicBuffer) {
  std::string longRel = std::string(200, 'a') + "\\" + std::string(200, 'b') + "\\c.txt";
  TString full = GetFullPath(longRel.c_str());
  std::string expect = os::ToWindowsPath(std::filesystem::current_path().string()) + "\\" + longRel;
  EXPECT_EQ(S(full), expect);
  EXPECT_TRUE(GetFullPath(TString()).IsEmpty());
}

TEST_F(PathFolders, UserDataFolderIsMadeBelowApplicationDataWithThePublisher) {
  testutil::ScopedEnv data("XDG_DATA_HOME", (mTemp / "appdata").c_str());
  std::string base = os::ToWindowsPath(mTemp / "appdata");
  char buf[1024];
  ASSERT_EQ(MakeUserDataFolder(false, "Harrowmere", buf, sizeof buf), 0);
  EXPECT_EQ(std::string(buf), base + "\\Brisklume\\Harrowmere\\");
  EXPECT_TRUE(std::filesystem::is_directory(mTemp / "appdata/Brisklume/Harrowmere"));
  EXPECT_EQ(MakeUserDataFolder(false, "Harrowmere", buf, sizeof buf), 0);  // existing folders are fine

  SetConfig("publisher", "Other Works");
  int needed = static_cast<int>((base + "\\Other Works\\Game\\").size()) + 1;
  EXPECT_EQ(MakeUserDataFolder(false, "Game", buf, needed - 1), needed);  // one byte short
  EXPECT_FALSE(std::filesystem::exists(mTemp / "appdata/Other Works"));  // nothing created
  ASSERT_EQ(MakeUserDataFolder(false, "Game", buf, needed), 0);
  EXPECT_EQ(std::string(buf), base + "\\Other Works\\Game\\");

  EXPECT_EQ(MakeUserDataFolder(true, "Game", buf, sizeof buf), -1);  // no all-users folder here
  EXPECT_EQ(MakeUserDataFolder(false, nullptr, buf, sizeof buf), -1);
  os::TestFailCall("CreateDirectoryW", ERROR_ACCESS_DENIED);
  EXPECT_EQ(MakeUserDataFolder(false, "Third", buf, sizeof buf), -1);
}

TEST_F(PathFolders, DesktopFolderEndsWithABackslashAndReportsTheSizeNeeded) {
  testutil::ScopedEnv desk("XDG_DESKTOP_DIR", (mTemp / "Desktop").c_str());
  char buf[1024];
  ASSERT_EQ(GetSpecialFolder(buf, sizeof buf), 0);
  std::string expect = os::ToWindowsPath(mTemp / "Desktop") + "\\";
  EXPECT_EQ(std::string(buf), expect);
  char small[8] = "keep";
  EXPECT_EQ(GetSpecialFolder(small, 8), static_cast<int>(expect.size()) + 1);
  EXPECT_STREQ(small, "keep");
}

TEST_F(PathFolders, DirectoryIteratorListsSortedAndSkipsDotsAndOptionallyFolders) {
  Write("list/b.txt", "");
  Write("list/A.txt", "");
  Write("list/Sub/x", "");
  Write("list/.hidden", "");
  auto collect = [](TDirectoryIterator& it, bool folders) {
    std::vector<std::string> out;
    TString name;
    bool isFolder = false;
    while (it.Next(&name, folders ? &isFolder : nullptr)) out.push_back(S(name) + (folders && isFolder ? "/" : ""));
    return out;
  };
  TDirectoryIterator all("list");
  EXPECT_EQ(collect(all, true), (std::vector<std::string>{".hidden", "A.txt", "b.txt", "Sub/"}));
  EXPECT_FALSE(all.Next(nullptr, nullptr));  // stays at its end
  TDirectoryIterator files("LIST\\");
  EXPECT_EQ(collect(files, false), (std::vector<std::string>{".hidden", "A.txt", "b.txt"}));
  files.Open(nullptr);
  EXPECT_FALSE(files.Next(nullptr, nullptr));
  TDirectoryIterator missing("no_such_folder");
  EXPECT_FALSE(missing.Next(nullptr, nullptr));
  // A folder path longer than the classic 255 bytes lists that folder, not a cut-off one.
  std::string deep = "list/" + std::string(150, 'd') + "/" + std::string(150, 'e');
  Write(deep + "/deep.txt", "");
  TDirectoryIterator longPath(deep.c_str());
  EXPECT_EQ(collect(longPath, false), (std::vector<std::string>{"deep.txt"}));
}
}  // namespace
