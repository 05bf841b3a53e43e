#include "os/files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <vector>

#include "os/faultinject.h"
#include "os/folders.h"
#include "os/lasterror.h"
#include "os/mapping.h"
#include "os/shellfolders.h"
#include "os/tempfolder.h"
#include "os/text.h"

namespace {
std::u16string W(const std::string& s) { return os::Utf8ToUtf16(s); }
std::u16string Win(const std::string& linux) { return W(os::ToWindowsPath(linux)); }

std::vector<std::string> List(const std::u16string& pattern, std::vector<bool>* folders = nullptr) {
  std::vector<std::string> names;
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW(pattern.c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {
    names.push_back(os::Utf16ToUtf8(fd.cFileName));
    if (folders) folders->push_back(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
  } while (FindNextFileW(h, &fd));
  EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
  EXPECT_TRUE(FindClose(h));
  return names;
}

TEST(Files, FolderListingIsSortedAsWindowsListsItAndMarksFolders) {
  testutil::TempFolder t;
  for (const char* n : {"beta", "Zed", "a_b", "ab", "Alpha"}) t.Write(n, "x");
  std::filesystem::create_directory(t / "sub");
  std::vector<bool> folders;
  auto names = List(Win(t.Path()) + u"\\*", &folders);
  std::vector<std::string> expect = {".", "..", "ab", "Alpha", "a_b", "beta", "sub", "Zed"};
  EXPECT_EQ(names, expect);
  EXPECT_EQ(folders, (std::vector<bool>{true, true, false, false, false, false, true, false}));
  // Either separator before the pattern, any case in the folder part, and simple wildcards.
  EXPECT_EQ(List(W(t.Path()) + u"/*").size(), 8u);
  EXPECT_EQ(List(W(t.Path()) + u"/A*"), (std::vector<std::string>{"ab", "Alpha", "a_b"}));
}

TEST(Files, MissingFolderOrEmptyMatchIsAnInvalidHandle) {
  testutil::TempFolder t;
  WIN32_FIND_DATAW fd;
  EXPECT_EQ(FindFirstFileW((Win(t.Path()) + u"\\none\\*").c_str(), &fd), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  EXPECT_EQ(FindFirstFileW((Win(t.Path()) + u"\\*.vxp").c_str(), &fd), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  os::TestFailCall("FindFirstFileW", ERROR_ACCESS_DENIED);
  EXPECT_EQ(FindFirstFileW((Win(t.Path()) + u"\\*").c_str(), &fd), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
}

TEST(Files, MappedViewShowsTheFileAndEveryHandleCloses) {
  testutil::TempFolder t;
  t.Write("Pack.VXP", "VXPK0123456789");
  int handles = os::TestOpenHandleCount();
  HANDLE f = CreateFileW((Win(t.Path()) + u"\\pack.vxp").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(f, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetFileSize(f, nullptr), 14u);
  HANDLE m = CreateFileMappingA(f, nullptr, PAGE_READONLY | SEC_COMMIT, 0, 0, nullptr);
  ASSERT_NE(m, nullptr);
  const void* view = MapViewOfFile(m, FILE_MAP_READ, 0, 0, 0);
  ASSERT_NE(view, nullptr);
  EXPECT_TRUE(CloseHandle(f));  // the mapping keeps the file open
  EXPECT_EQ(std::memcmp(view, "VXPK0123456789", 14), 0);
  EXPECT_TRUE(UnmapViewOfFile(view));
  EXPECT_FALSE(UnmapViewOfFile(view));
  EXPECT_TRUE(CloseHandle(m));
  EXPECT_FALSE(CloseHandle(m));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_EQ(os::TestOpenHandleCount(), handles);
  EXPECT_EQ(os::TestMappedViewCount(), 0);
}

TEST(Files, OpenAndMappingFailuresAreReported) {
  testutil::TempFolder t;
  t.Write("empty.bin", "");
  t.Write("full.bin", "abc");
  auto open = [&](const std::string& rel) {
    return CreateFileW(Win(t / rel).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  };
  EXPECT_EQ(open("missing.bin"), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(open("nodir/missing.bin"), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  EXPECT_EQ(open(""), INVALID_HANDLE_VALUE);  // the folder itself

  HANDLE e = open("empty.bin");
  ASSERT_NE(e, INVALID_HANDLE_VALUE);
  EXPECT_EQ(CreateFileMappingA(e, nullptr, PAGE_READONLY, 0, 0, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_FILE_INVALID);
  CloseHandle(e);

  HANDLE f = open("full.bin");
  os::TestFailCall("CreateFileMappingA", ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_EQ(CreateFileMappingA(f, nullptr, PAGE_READONLY, 0, 0, nullptr), nullptr);
  HANDLE m = CreateFileMappingA(f, nullptr, PAGE_READONLY, 0, 0, nullptr);
  ASSERT_NE(m, nullptr);
  os::TestFailCall("MapViewOfFile", ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_EQ(MapViewOfFile(m, FILE_MAP_READ, 0, 0, 0), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_EQ(MapViewOfFile(m, FILE_MAP_READ, 0, 0, 4), nullptr);  // past the end
  CloseHandle(m);
  CloseHandle(f);
  os::TestFailCall("CreateFileW", ERROR_ACCESS_DENIED);
  EXPECT_EQ(open("full.bin"), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
}

TEST(Files, CreateDirectoryReportsExistingAndMissingParents) {
  testutil::TempFolder t;
  std::u16string base = Win(t.Path());
  EXPECT_TRUE(CreateDirectoryW((base + u"\\Publisher").c_str(), nullptr));
  EXPECT_FALSE(CreateDirectoryW((base + u"\\PUBLISHER").c_str(), nullptr));
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  EXPECT_TRUE(CreateDirectoryW((base + u"\\publisher\\Game").c_str(), nullptr));
  EXPECT_TRUE(std::filesystem::is_directory(t / "Publisher/Game"));
  EXPECT_FALSE(CreateDirectoryW((base + u"\\a\\b").c_str(), nullptr));
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}

TEST(Files, CrtCallsMapPathsAndTreatReadOnlyFilesAsWindowsDoes) {
  testutil::TempFolder t;
  std::string ro = t.Write("User/ReadOnly.dat", "r");
  t.Write("User/rw.dat", "w");
  chmod(ro.c_str(), 0444);
  std::u16string base = Win(t.Path());
  EXPECT_EQ(_waccess((base + u"\\user\\readonly.DAT").c_str(), 4), 0);
  EXPECT_EQ(_waccess((base + u"\\user\\readonly.DAT").c_str(), 6), -1);
  EXPECT_EQ(_access((t.Path() + "/USER/RW.dat").c_str(), 6), 0);
  EXPECT_EQ(_access((t.Path() + "/USER/missing").c_str(), 0), -1);

  FILE* f = _wfopen((base + u"\\USER\\RW.DAT").c_str(), u"rt");
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(fgetc(f), 'w');
  fclose(f);
  EXPECT_EQ(_wfopen((base + u"\\user").c_str(), u"rb"), nullptr);  // folders do not open
  EXPECT_EQ(_wfopen((base + u"\\user\\x").c_str(), u"q"), nullptr);

  EXPECT_EQ(_wmkdir((base + u"\\USER\\Saves").c_str()), 0);
  EXPECT_TRUE(std::filesystem::is_directory(t / "User/Saves"));
  EXPECT_EQ(_mkdir((t.Path() + "/user/saves").c_str()), -1);
  FILE* w = _wfopen((base + u"\\user\\saves\\New.txt").c_str(), u"wb");
  ASSERT_NE(w, nullptr);
  fclose(w);
  EXPECT_TRUE(std::filesystem::exists(t / "User/Saves/New.txt"));
  EXPECT_EQ(_wfopen((base + u"\\user\\rw.dat").c_str(), u"wx"), nullptr);  // never replaces a file
  EXPECT_EQ(std::filesystem::file_size(t / "User/rw.dat"), 1u);
}

TEST(Files, SpecialFoldersFollowTheEnvironment) {
  testutil::TempFolder t;
  testutil::ScopedEnv data("XDG_DATA_HOME", (t / "data").c_str());
  testutil::ScopedEnv desk("XDG_DESKTOP_DIR", nullptr);
  testutil::ScopedEnv home("HOME", (t / "home").c_str());
  char16_t buf[MAX_PATH];
  ASSERT_TRUE(SHGetSpecialFolderPathW(nullptr, buf, CSIDL_APPDATA, TRUE));
  EXPECT_EQ(std::u16string(buf), Win(t / "data"));
  EXPECT_TRUE(std::filesystem::is_directory(t / "data"));

  char narrow[MAX_PATH];
  EXPECT_FALSE(SHGetSpecialFolderPathA(nullptr, narrow, CSIDL_DESKTOP, FALSE));  // not made yet
  ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, narrow, CSIDL_DESKTOP, TRUE));
  EXPECT_EQ(std::string(narrow), os::ToWindowsPath(t / "home/Desktop"));
  {
    testutil::ScopedEnv d("XDG_DESKTOP_DIR", (t / "Bureau").c_str());
    ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, narrow, CSIDL_DESKTOP, TRUE));
    EXPECT_EQ(std::string(narrow), os::ToWindowsPath(t / "Bureau"));
  }
  {
    testutil::ScopedEnv unset("XDG_DATA_HOME", nullptr);
    ASSERT_TRUE(SHGetSpecialFolderPathW(nullptr, buf, CSIDL_APPDATA, TRUE));
    EXPECT_EQ(std::u16string(buf), Win(t / "home/.local/share"));
  }
  EXPECT_FALSE(SHGetSpecialFolderPathW(nullptr, buf, CSIDL_COMMON_APPDATA, TRUE));

  // A folder that cannot be shown in MAX_PATH units is refused, and nothing is created for it.
  std::string deep = t / std::string(300, 'd');
  testutil::ScopedEnv longData("XDG_DATA_HOME", deep.c_str());
  EXPECT_FALSE(SHGetSpecialFolderPathW(nullptr, buf, CSIDL_APPDATA, TRUE));
  EXPECT_EQ(GetLastError(), ERROR_FILENAME_EXCED_RANGE);
  os::TestFailCall("SHGetSpecialFolderPath", ERROR_ACCESS_DENIED);
  testutil::ScopedEnv shortData("XDG_DATA_HOME", (t / "data").c_str());
  EXPECT_FALSE(SHGetSpecialFolderPathW(nullptr, buf, CSIDL_APPDATA, TRUE));
}
}  // namespace
