#include "core/file.h"

#include <sys/stat.h>

#include <cstring>
#include <filesystem>

#include "core/filefixture.h"
#include "core/memfile.h"
#include "core/path.h"

namespace {
std::string ReadAll(const TString& path, int mode = kFileReadBinary) {
  TFile* f = FileOpen(path, mode);
  if (!f) return "<closed>";
  std::string out(static_cast<size_t>(f->GetSize()), '\0');
  out.resize(static_cast<size_t>(f->Read(out.data(), static_cast<long>(out.size()))));
  FileClose(f);
  return out;
}

class VirtualPaths : public FileLayerTest {
protected:
  void SetUp() override {
    Write("assets/settings.xml", "<settings/>");
    Write("assets/Images/Logo.PNG", "png");
    Write("assets/sub/deep/a.txt", "deep");
    Write("assets/secret.txt", "hidden");
    Write("assets/HiddenDir/y.txt", "hidden too");
    Write("assets/.svn/entries", "svn");
    Write("final.txt", "Secret.txt\r\nhiddendir\n");
    Write("user/save.dat", "save");
    Write("user/Strings.xml", "<s/>");
    std::string ro = Write("user/ro.dat", "ro");
    chmod(ro.c_str(), 0444);
    Write("common/display.xml", "<Settings/>");
    SetFileRoots(Root("user"), Root("common"), Root("desk"));
    InitFileSystem();
  }
};

TEST_F(VirtualPaths, ResolveThroughIndexRootsAndPrefixes) {
  std::string t = mTemp.Path();
  struct Case {
    const char* path;
    bool forReading;
    std::string linux;  // "" = does not resolve
  } cases[] = {
      {"settings.xml", true, t + "/assets/settings.xml"},
      {"SETTINGS.XML", true, t + "/assets/settings.xml"},
      {"images/logo.png", true, t + "/assets/Images/Logo.PNG"},
      {"Images/LOGO.png", true, t + "/assets/Images/Logo.PNG"},
      {"sub/deep/a.txt", true, t + "/assets/sub/deep/a.txt"},
      {"assets/images/logo.png", true, t + "/assets/Images/Logo.PNG"},
      {"assets\\settings.xml", true, t + "/assets/settings.xml"},
      {"images\\logo.png", true, ""},  // index keys use "/" only
      {"assets/nothing.png", true, ""},
      {"::assets/settings.xml", true, t + "/assets/settings.xml"},
      {"::ASSETS\\Settings.XML", false, t + "/assets/settings.xml"},
      {"::assets/missing.xml", false, ""},
      {"secret.txt", true, ""},
      {"assets/secret.txt", true, ""},
      {"hiddendir/y.txt", true, ""},
      {".svn/entries", true, ""},
      {"user:save.dat", true, t + "/user/save.dat"},
      {"USER:Strings.XML", true, t + "/user/Strings.xml"},
      {"user:ro.dat", true, t + "/user/ro.dat"},  // indexed by the scan: no permission test
      {"user:ro.dat", false, t + "/user/ro.dat"},
      {"user:new/file.dat", true, ""},
      {"user:new/file.dat", false, t + "/user/new/file.dat"},
      {"common:display.xml", true, t + "/common/display.xml"},
      {"desktop:shot.png", false, t + "/desk/shot.png"},
      {"nowhere:x", false, ""},
      {"", true, ""},
  };
  for (auto& c : cases) EXPECT_EQ(Linux(ResolvePath(c.path, c.forReading)), c.linux) << c.path << " " << c.forReading;
  EXPECT_EQ(ReadAll("Images/Logo.png"), "png");
  EXPECT_EQ(ReadAll("::assets/settings.xml"), "<settings/>");
  EXPECT_TRUE(FileExists("SUB/DEEP/A.TXT"));
  EXPECT_FALSE(FileExists("secret.txt"));
  EXPECT_EQ(FileOpen("secret.txt", kFileReadBinary), nullptr);
  EXPECT_EQ(GetAssetIndex().count("secret.txt"), 0u);
  EXPECT_EQ(GetAssetIndex().count("hiddendir/y.txt"), 0u);
}

TEST_F(VirtualPaths, HiddenNameUnderARootCanStillBeWritten) {
  ParseManifest("user:private.dat", true);
  TFile* w = FileOpen("user:private.dat", kFileWriteBinary);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->Write("p", 1), 1);
  FileClose(w);
  EXPECT_TRUE(std::filesystem::exists(mTemp / "user/private.dat"));
}

TEST_F(FileLayerTest, ManifestClearingTokenForgetsEarlierNames) {
  EXPECT_TRUE(ParseManifest("First.txt\t-*  second.TXT\n", true));
  EXPECT_EQ(GetHiddenNames(), (std::set<TString>{"second.txt"}));
  EXPECT_FALSE(ParseManifest("second.txt third.txt", false));
  EXPECT_TRUE(GetHiddenNames().empty());
}

TEST_F(FileLayerTest, ManifestChoiceAndSizeLimit) {
  Write("assets/a.txt", "a");
  Write("assets/b.txt", "b");
  Write("final.txt", "a.txt");
  Write("firstpeek.txt", "b.txt");
  SetConfig("firstpeek", "1");
  InitFileSystem();
  EXPECT_TRUE(FileExists("a.txt"));
  EXPECT_FALSE(FileExists("b.txt"));

  filetest::ResetFileSystem();
  ClearConfig();
  Write("final.txt", "a.txt " + std::string(100000, ' '));  // 100000 bytes or more: ignored whole
  InitFileSystem();
  EXPECT_TRUE(FileExists("a.txt"));
}

TEST_F(FileLayerTest, HostedRunSkipsScanningThePlayerFoldersAndTestsPermissions) {
  Write("user/save.dat", "s");
  chmod(Write("user/ro.dat", "r").c_str(), 0444);
  SetFileRoots(Root("user"), TString(), TString());
  SetConfig("activex", "1");
  InitFileSystem();
  EXPECT_EQ(GetAssetIndex().count("user:save.dat"), 0u);
  EXPECT_EQ(Linux(ResolvePath("user:save.dat", true)), mTemp / "user/save.dat");
  EXPECT_EQ(GetAssetIndex().count("user:save.dat"), 1u);  // cached by the lookup
  // Reading through a root asks for read and write permission, so a read-only file does not open.
  EXPECT_TRUE(ResolvePath("user:ro.dat", true).IsEmpty());
  EXPECT_EQ(FileOpen("user:ro.dat", kFileReadBinary), nullptr);
}

TEST_F(FileLayerTest, UnsetRootResolvesNothing) {
  SetFileRoots(TString(), TString(), TString());
  EXPECT_TRUE(ResolvePath("user:x.dat", false).IsEmpty());
  EXPECT_EQ(FileOpen("desktop:x.png", kFileWriteBinary), nullptr);
}

TEST_F(FileLayerTest, NewRootsReplacePathsResolvedUnderTheOldOnes) {
  Write("first/save.dat", "first");
  Write("second/save.dat", "second");
  SetFileRoots(Root("first"), Root("first"), Root("first"));
  EXPECT_EQ(ReadAll("user:save.dat"), "first");
  SetFileRoots(Root("second"), Root("second"), Root("second"));
  EXPECT_EQ(ReadAll("user:save.dat"), "second");
}

TEST_F(FileLayerTest, WritingCreatesMissingFoldersBelowTheRoot) {
  SetFileRoots(Root("user"), Root("common"), Root("desk"));
  TFile* f = FileOpen("user:Saves/Slot1/game.dat", kFileWriteBinary);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->Write("abc", 3), 3);
  FileClose(f);
  EXPECT_TRUE(std::filesystem::is_directory(mTemp / "user/saves/slot1"));
  EXPECT_EQ(ReadAll("user:saves/slot1/GAME.DAT"), "abc");
  TFile* c = FileOpen("common:a/b.xml", kFileWriteText);
  ASSERT_NE(c, nullptr);
  FileClose(c);
  EXPECT_TRUE(std::filesystem::exists(mTemp / "common/a/b.xml"));
  TFile* a = FileOpen("user:saves/slot1/game.dat", kFileAppendBinary);
  ASSERT_NE(a, nullptr);
  a->Write("d", 1);
  FileClose(a);
  EXPECT_EQ(ReadAll("user:saves/slot1/game.dat"), "abcd");
}

TEST_F(FileLayerTest, DiskFileUngetsOnceAndClosedHandleAnswersDefaults) {
  Write("assets/f.bin", "xyz");
  InitFileSystem();
  TFile* f = FileOpen("f.bin", kFileReadBinary);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->GetSize(), 3);
  EXPECT_EQ(FileGetChar(f), 'x');
  EXPECT_EQ(FileGetChar(f), 'y');
  f->Unget();
  f->Unget();  // the second one does nothing
  EXPECT_EQ(f->Tell(), 1);
  EXPECT_EQ(FileGetChar(f), 'y');
  f->Seek(-1, kSeekEnd);
  EXPECT_EQ(FileGetChar(f), 'z');
  EXPECT_EQ(FileGetChar(f), -1);
  EXPECT_TRUE(f->IsEof());
  FileClose(f);

  TFile empty;
  char b[4];
  EXPECT_FALSE(empty.IsOpen());
  EXPECT_EQ(empty.GetSize(), 0);
  EXPECT_EQ(empty.Tell(), -1);
  EXPECT_EQ(empty.Read(b, 4), 0);
  EXPECT_EQ(empty.Write(b, 4), 0);
  EXPECT_TRUE(empty.IsEof());
  EXPECT_TRUE(FileIsClosed(&empty));
  EXPECT_TRUE(FileIsClosed(nullptr));
  EXPECT_EQ(FileGetChar(nullptr), -1);
  FileClose(nullptr);
}

TEST_F(FileLayerTest, ReadLineKeepsTheLineEndAndReportsTheLastLine) {
  Write("assets/lines.txt", "one\ntwo\r\nlast");
  InitFileSystem();
  TFile* f = FileOpen("lines.txt", kFileReadBinary);
  ASSERT_NE(f, nullptr);
  char buf[64];
  char* end = FileReadLine(f, buf, sizeof buf);
  EXPECT_STREQ(buf, "one\n");
  EXPECT_EQ(end, buf + 4);
  FileReadLine(f, buf, sizeof buf);
  EXPECT_STREQ(buf, "two\r");
  FileReadLine(f, buf, sizeof buf);
  EXPECT_STREQ(buf, "\n");
  EXPECT_EQ(FileReadLine(f, buf, 3), buf + 2);  // size - 1 bytes at most
  EXPECT_STREQ(buf, "la");
  EXPECT_EQ(FileReadLine(f, buf, sizeof buf), nullptr);  // at the end afterwards, though stored
  EXPECT_STREQ(buf, "st");
  FileClose(f);
}

TEST_F(FileLayerTest, MemoryFilesReadTheRegisteredBlockAndStayInsideIt) {
  static const char kBlock[] = "a\r\nb";
  RegisterMemoryFile("__SystemCursor__.png", kBlock, 4);
  TFile* f = FileOpen("__systemcursor__.PNG", kFileReadText);
  ASSERT_NE(f, nullptr);
  char buf[8] = {};
  EXPECT_EQ(f->Read(buf, 8), 3);
  EXPECT_STREQ(buf, "a\nb");
  EXPECT_TRUE(f->IsEof());
  // Positions stay within the block whatever the seek or unget asks for.
  f->Seek(10, kSeekEnd);
  EXPECT_EQ(f->Tell(), 4);
  f->Seek(-100, kSeekCurrent);
  EXPECT_EQ(f->Tell(), 0);
  f->Unget();
  EXPECT_EQ(f->Tell(), 0);
  EXPECT_EQ(f->Read(buf, 2), 1);  // text mode: the CR is dropped from what is stored
  f->Seek(1, 7);  // unknown whence leaves the position
  EXPECT_EQ(f->Tell(), 2);
  EXPECT_EQ(f->Write("x", 1), 0);
  FileClose(f);
  EXPECT_EQ(ReadAll("__systemcursor__.png"), std::string(kBlock, 4));
  EXPECT_EQ(FileOpen("__systemcursor__.png", kFileWriteBinary), nullptr);
  RegisterMemoryFile("__systemcursor__.png", nullptr, 0);
  EXPECT_FALSE(FileExists("__systemcursor__.png"));
}

TEST_F(FileLayerTest, MalformedMemoryLocatorsDoNotOpen) {
  for (const char* locator : {"&", "&123", "&0,4", "&abc,4", "&123,-4", "&123,99999999999", "&,4"}) {
    TMemoryFile m;
    EXPECT_FALSE(m.Open(locator, kFileReadBinary)) << locator;
  }
}

TEST_F(FileLayerTest, CurrentDirIsTheWindowsViewOfTheWorkingFolder) {
  EXPECT_EQ(std::string(GetCurrentDir().CStr()), os::ToWindowsPath(std::filesystem::current_path().string()));
}
}  // namespace
