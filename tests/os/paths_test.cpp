#include "os/paths.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "os/lasterror.h"
#include "os/tempfolder.h"
#include "os/text.h"

namespace {
std::u16string W(const std::string& s) { return os::Utf8ToUtf16(s); }
std::string N(const char16_t* s) { return os::Utf16ToUtf8(s); }

TEST(Paths, WindowsViewMapsDriveAndSeparatorsBothWays) {
  struct Case {
    const char* in;
    const char* linux;
  } cases[] = {
      {"Z:\\", "/"},
      {"Z:\\no_such_tm_dir\\A\\b.txt", "/no_such_tm_dir/A/b.txt"},
      {"z:/no_such_tm_dir/x", "/no_such_tm_dir/x"},
      {"C:\\no_such_tm_dir\\..\\no_such_tm_dir2\\.\\x", "/no_such_tm_dir2/x"},
      {"\\no_such_tm_dir\\\\x\\", "/no_such_tm_dir/x"},
      {"/no_such_tm_dir/x", "/no_such_tm_dir/x"},
      {"Z:\\..\\..\\no_such_tm_dir", "/no_such_tm_dir"},
  };
  for (auto& c : cases) EXPECT_EQ(os::ToLinuxPath(c.in), c.linux) << c.in;
  EXPECT_EQ(os::ToWindowsPath("/home/me/game/game.exe"), "Z:\\home\\me\\game\\game.exe");
  EXPECT_EQ(os::ToWindowsPath("/"), "Z:\\");
  EXPECT_EQ(os::ToWindowsPath("assets/a.png"), "assets\\a.png");
}

TEST(Paths, ComponentsMatchWithoutRegardToCaseAndMissingTailKeepsItsCase) {
  testutil::TempFolder t;
  t.Write("Assets/Data/Settings.XML", "<a/>");
  std::string win = os::ToWindowsPath(t.Path());
  EXPECT_EQ(os::ToLinuxPath(win + "\\ASSETS\\data\\settings.xml"), t / "Assets/Data/Settings.XML");
  EXPECT_EQ(os::ToLinuxPath(t.Path() + "/assets/DATA/NewFolder/new.txt"), t / "Assets/Data/NewFolder/new.txt");
  testutil::ScopedCwd cwd(t.Path());
  EXPECT_EQ(os::ToLinuxPath("assets\\data\\SETTINGS.xml"), t / "Assets/Data/Settings.XML");
}

TEST(Paths, CachedListingNoticesRenamedEntries) {
  testutil::TempFolder t;
  t.Write("Dir/Name.txt", "x");
  EXPECT_EQ(os::ToLinuxPath(t.Path() + "/dir/NAME.TXT"), t / "Dir/Name.txt");
  std::filesystem::rename(t / "Dir/Name.txt", t / "Dir/nAmE.txt");
  EXPECT_EQ(os::ToLinuxPath(t.Path() + "/dir/NAME.TXT"), t / "Dir/nAmE.txt");
}

TEST(Paths, ListingOrderIsUpperCasedOrdinal) {
  // '_' sorts after the letters once they are upper-cased, as Windows lists names.
  EXPECT_TRUE(os::ListingLess("ab", "Alpha"));
  EXPECT_TRUE(os::ListingLess("Alpha", "a_b"));
  EXPECT_TRUE(os::ListingLess("a_b", "beta"));
  EXPECT_TRUE(os::ListingLess("b", "B.txt"));
  EXPECT_FALSE(os::ListingLess("beta", "BETA") && os::ListingLess("BETA", "beta"));
}

TEST(Paths, FullPathJoinsCurrentFolderAndReportsNeededSize) {
  testutil::TempFolder t;
  testutil::ScopedCwd cwd(t.Path());
  std::string base = os::ToWindowsPath(std::filesystem::current_path().string());
  char16_t buf[MAX_PATH];
  char16_t* file = nullptr;
  DWORD n = GetFullPathNameW(u"sub\\..\\assets/a.png", MAX_PATH, buf, &file);
  EXPECT_EQ(N(buf), base + "\\assets\\a.png");
  EXPECT_EQ(n, W(base + "\\assets\\a.png").size());
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(N(file), "a.png");
  EXPECT_EQ(GetFullPathNameW(u"Z:\\a\\b\\", MAX_PATH, buf, &file), 7u);
  EXPECT_EQ(N(buf), "Z:\\a\\b\\");
  EXPECT_EQ(file, nullptr);
  EXPECT_EQ(GetFullPathNameW(u"\\x", MAX_PATH, buf, nullptr), 4u);
  EXPECT_EQ(N(buf), "Z:\\x");
  // Too short: the size needed, NUL included, and nothing written.
  char16_t small[4] = {u'q', 0, 0, 0};
  EXPECT_EQ(GetFullPathNameW(u"Z:\\abcdef", 4, small, nullptr), 10u);
  EXPECT_EQ(small[0], u'q');
  EXPECT_EQ(GetFullPathNameW(u"", MAX_PATH, buf, nullptr), 0u);
}

TEST(Paths, CurrentFolderRoundTripsThroughTheWindowsView) {
  testutil::TempFolder t;
  t.Write("Game Dir/x", "");
  testutil::ScopedCwd cwd(t.Path());
  std::u16string target = W(os::ToWindowsPath(t.Path()) + "\\GAME DIR");
  ASSERT_TRUE(SetCurrentDirectoryW(target.c_str()));
  char16_t buf[MAX_PATH];
  DWORD n = GetCurrentDirectoryW(MAX_PATH, buf);
  std::string expect = os::ToWindowsPath(std::filesystem::canonical(t / "Game Dir").string());
  EXPECT_EQ(N(buf), expect);
  EXPECT_EQ(n, W(expect).size());
  EXPECT_EQ(GetCurrentDirectoryW(2, buf), n + 1);
  EXPECT_FALSE(SetCurrentDirectoryW(u"Z:\\no_such_tm_dir"));
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);

  char narrow[1200];
  ASSERT_NE(_getcwd(narrow, sizeof narrow), nullptr);
  EXPECT_EQ(std::string(narrow), expect);
  errno = 0;
  EXPECT_EQ(_getcwd(narrow, 3), nullptr);
  EXPECT_EQ(errno, ERANGE);
}

TEST(Paths, ModuleFileNameIsTheExecutableInTheWindowsViewAndTruncates) {
  char16_t buf[4096];
  DWORD n = GetModuleFileNameW(nullptr, buf, 4096);
  std::string path = N(buf);
  ASSERT_GT(n, 3u);
  EXPECT_EQ(path.substr(0, 3), "Z:\\");
  EXPECT_NE(path.find("test_os"), std::string::npos);

  os::TestSetModulePath("/opt/game/Game.exe");
  char16_t small[8];
  EXPECT_EQ(GetModuleFileNameW(nullptr, small, 8), 8u);
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(N(small), "Z:\\opt\\");
  EXPECT_EQ(GetModuleFileNameW(nullptr, buf, 4096), 20u);
  EXPECT_EQ(N(buf), "Z:\\opt\\game\\Game.exe");
  os::TestSetModulePath("");
}

TEST(Paths, ShortPathIsTheLongPathOfAnExistingFile) {
  testutil::TempFolder t;
  t.Write("Long Name Folder/f.txt", "");
  std::u16string p = W(os::ToWindowsPath(t.Path()) + "\\long name folder\\F.TXT");
  char16_t buf[MAX_PATH];
  EXPECT_EQ(GetShortPathNameW(p.c_str(), buf, MAX_PATH), p.size());
  EXPECT_EQ(std::u16string(buf), p);
  EXPECT_EQ(GetShortPathNameW(p.c_str(), buf, 3), p.size() + 1);
  EXPECT_EQ(GetShortPathNameW(u"Z:\\no_such_tm_dir\\x", buf, MAX_PATH), 0u);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}
}  // namespace
