#include "core/packfile.h"

#include <cstring>

#include "core/file.h"
#include "core/filefixture.h"
#include "core/mappedfile.h"
#include "os/faultinject.h"
#include "os/lasterror.h"
#include "os/mapping.h"

namespace {
std::string ReadAll(const TString& path, int mode = kFileReadBinary) {
  TFile* f = FileOpen(path, mode);
  if (!f) return "<closed>";
  std::string out(static_cast<size_t>(f->GetSize()) + 8, '\0');
  out.resize(static_cast<size_t>(f->Read(out.data(), static_cast<long>(out.size()))));
  FileClose(f);
  return out;
}

std::string Bytes(const std::vector<uint8_t>& v) { return std::string(v.begin(), v.end()); }

std::string Le32(int32_t v) {
  std::string s(4, '\0');
  for (int i = 0; i < 4; ++i) s[static_cast<size_t>(i)] = static_cast<char>(static_cast<uint32_t>(v) >> (8 * i));
  return s;
}

using PackTest = FileLayerTest;

TEST_F(PackTest, LaterPacksOverrideEarlierOnesAndLooseFilesOverridePacks) {
  WritePack("assets/a.vxp", {{"Shared.txt", "from a"}, {"only_a.txt", "A"}, {"Loose.txt", "packed"}});
  WritePack("assets/b.vxp", {{"shared.txt", "from b"}});
  Write("assets/loose.txt", "loose");
  InitFileSystem();
  EXPECT_STREQ(GetAssetIndex()["shared.txt"].CStr(), "@1:27,6");
  EXPECT_EQ(ReadAll("SHARED.TXT"), "from b");
  EXPECT_EQ(ReadAll("only_a.txt"), "A");
  EXPECT_EQ(ReadAll("loose.txt"), "loose");
  EXPECT_EQ(GetPackTable().size(), 2u);
}

TEST_F(PackTest, PackNamesAreChosenBySubstringAndCase) {
  WritePack("assets/data.vxp.old", {{"old.txt", "old"}});
  WritePack("assets/DATA.VXP", {{"upper.txt", "upper"}});
  InitFileSystem();
  EXPECT_EQ(ReadAll("old.txt"), "old");
  EXPECT_FALSE(FileExists("upper.txt"));
}

TEST_F(PackTest, FlatFileReadsAreCutAtTheEntryAndSeekingClearsTheEndFlag) {
  std::string entry(100, 'x');
  entry.replace(95, 5, "01234");
  WritePack("assets/p.vxp", {{"e.bin", entry}, {"t.txt", "a\r\nb\r\n"}, {"", "nameless"}});
  InitFileSystem();
  TFile* f = FileOpen("e.bin", kFileReadBinary);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->GetSize(), 100);
  f->Seek(95, kSeekStart);
  char buf[16] = {};
  EXPECT_FALSE(f->IsEof());
  EXPECT_EQ(f->Read(buf, 10), 5);
  EXPECT_STREQ(buf, "01234");
  EXPECT_TRUE(f->IsEof());
  f->Seek(200, kSeekStart);  // past the end: the position stops at the size, the flag stays
  EXPECT_EQ(f->Tell(), 100);
  EXPECT_TRUE(f->IsEof());
  f->Seek(0, kSeekStart);
  EXPECT_FALSE(f->IsEof());
  f->Seek(-50, kSeekCurrent);  // before the start: stops at 0
  EXPECT_EQ(f->Tell(), 0);
  f->Unget();
  EXPECT_EQ(f->Tell(), 0);
  EXPECT_EQ(f->Read(buf, 1), 1);
  EXPECT_EQ(buf[0], 'x');
  EXPECT_EQ(f->Write("y", 1), 0);
  FileClose(f);
  EXPECT_EQ(ReadAll("t.txt", kFileReadText), "a\nb\n");
  EXPECT_EQ(ReadAll("", kFileReadBinary), "nameless");  // a name of length 0 is the empty name
}

TEST_F(PackTest, DamagedPacksAreRefusedOrSkippedAndTheRestLoads) {
  std::string good = Bytes(BuildPackImage({{"fine.txt", "fine"}}));
  // Two entries, then the index is cut inside the third.
  std::vector<uint8_t> cut = BuildPackImage({{"c1.txt", "one"}, {"c2.txt", "two"}, {"c3.txt", "three"}});
  std::string truncated = Bytes(cut).substr(0, 8 + 2 * (1 + 6 + 8) + 4);
  truncated += "onetwo";  // contents of the first two, at offsets past the cut index
  // Fix the offsets of the first two entries to point at the appended contents.
  auto setOffset = [&](size_t entry, int32_t offset) {
    truncated.replace(8 + entry * 15 + 7, 4, Le32(offset));
  };
  setOffset(0, static_cast<int32_t>(truncated.size() - 6));
  setOffset(1, static_cast<int32_t>(truncated.size() - 3));
  // Entries outside the file: too far, negative offset, negative size, offset + size overflowing.
  std::string outside = "VXPK" + Le32(5);
  auto entry = [](const std::string& name, int32_t offset, int32_t size) {
    return std::string(1, static_cast<char>(name.size())) + name + Le32(offset) + Le32(size);
  };
  outside += entry("far.txt", 1000, 4) + entry("neg.txt", -4, 4) + entry("negsize.txt", 0, -1) +
             entry("wrap.txt", 0x7FFFFFF0, 0x7FFFFFF0);
  int32_t okOffset = static_cast<int32_t>(outside.size() + 15);
  outside += entry("ok.txt", okOffset, 2) + "ok";
  Write("assets/1good.vxp", good);
  Write("assets/2magic.vxp", "VXPQ" + Le32(1) + entry("magic.txt", 0, 4));
  Write("assets/3short.vxp", "VX");
  Write("assets/4truncated.vxp", truncated);
  Write("assets/5outside.vxp", outside);
  Write("assets/6huge.vxp", "VXPK" + Le32(0x7FFFFFFF) + entry("h.txt", 0, 4));
  Write("assets/7nocount.vxp", "VXPK\x01");
  Write("assets/8negative.vxp", "VXPK" + Le32(-1) + entry("n.txt", 0, 4));
  Write("assets/loose.txt", "loose");
  InitFileSystem();
  auto lines = filetest::TakeLogLines();

  EXPECT_EQ(ReadAll("fine.txt"), "fine");
  EXPECT_EQ(ReadAll("loose.txt"), "loose");
  EXPECT_FALSE(FileExists("magic.txt"));
  EXPECT_EQ(ReadAll("c1.txt"), "one");
  EXPECT_EQ(ReadAll("c2.txt"), "two");
  EXPECT_FALSE(FileExists("c3.txt"));
  EXPECT_TRUE(LogHas(lines, "4truncated.vxp: the index is cut short after 2 of 3 entries"));
  for (const char* skipped : {"far.txt", "neg.txt", "negsize.txt", "wrap.txt"}) {
    EXPECT_FALSE(FileExists(skipped)) << skipped;
    EXPECT_TRUE(LogHas(lines, (std::string("\"") + skipped + "\" lies outside the file").c_str())) << skipped;
  }
  EXPECT_EQ(ReadAll("ok.txt"), "ok");
  EXPECT_EQ(ReadAll("h.txt"), "VXPK");
  EXPECT_TRUE(LogHas(lines, "7nocount.vxp: the index is cut short"));
  // Refusals say which pack and why.
  EXPECT_TRUE(LogHas(lines, "2magic.vxp: no pack signature at the start, not mounted"));
  EXPECT_TRUE(LogHas(lines, "3short.vxp: no pack signature at the start, not mounted"));
  EXPECT_FALSE(FileExists("n.txt"));
  EXPECT_TRUE(LogHas(lines, "8negative.vxp: the index gives a negative entry count (-1), no entries read"));
}

TEST_F(PackTest, LocatorsThatPointOutsideThePackDoNotOpen) {
  WritePack("assets/p.vxp", {{"a.txt", "abc"}});
  InitFileSystem();
  filetest::TakeLogLines();
  TFlatFileMap m;
  for (const char* locator : {"@0:0,999", "@0:-1,2", "@0:2,-1", "@1:0,1", "@-1:0,1", "@x:0,1", "@0", "@0:5",
                              "@0:99999999999999999999,1"})
    EXPECT_FALSE(m.Open(locator, kFileReadBinary)) << locator;
  EXPECT_TRUE(LogHas(filetest::TakeLogLines(), "error reading @0:0,999 from flat file"));
  EXPECT_TRUE(m.Open("@0:22,3", kFileReadBinary));  // the entry itself, straight from the index
  EXPECT_STREQ(GetAssetIndex()["a.txt"].CStr(), "@0:22,3");
}

TEST_F(PackTest, MappingFailureIsLoggedAndItsEntriesFailToOpen) {
  WritePack("assets/p.vxp", {{"a.txt", "abc"}});
  os::TestFailCall("MapViewOfFile", ERROR_NOT_ENOUGH_MEMORY);
  InitFileSystem();
  EXPECT_TRUE(LogHas(filetest::TakeLogLines(), "Failed to open flat file ::assets/p.vxp"));
  EXPECT_TRUE(FileExists("a.txt"));
  EXPECT_EQ(FileOpen("a.txt", kFileReadBinary), nullptr);
  EXPECT_TRUE(LogHas(filetest::TakeLogLines(), "error reading @0:22,3 from flat file"));
}

TEST_F(PackTest, RemountKeepsTheNumberAndOpenEntriesKeepTheirBytes) {
  WritePack("assets/a.vxp", {{"x.txt", "old"}});
  WritePack("assets/b.vxp", {{"y.txt", "why"}});
  InitFileSystem();
  TFile* before = FileOpen("x.txt", kFileReadBinary);
  ASSERT_NE(before, nullptr);
  // A new file replaces the old one (as an update would); the open entry keeps the old mapping.
  WritePack("assets/a.vxp.new", {{"x.txt", "new!"}, {"z.txt", "zed"}});
  std::filesystem::rename(mTemp / "assets/a.vxp.new", mTemp / "assets/a.vxp");
  ReadPackIndex(GetAssetIndex(), "::assets/a.vxp");
  EXPECT_EQ(GetPackTable().size(), 2u);
  EXPECT_EQ(GetAssetIndex()["z.txt"].CharAt(1), '0');
  EXPECT_EQ(ReadAll("x.txt"), "new!");
  EXPECT_EQ(ReadAll("y.txt"), "why");
  char buf[4] = {};
  EXPECT_EQ(before->Read(buf, 3), 3);  // still reads the mapping it was opened on
  EXPECT_EQ(std::string(buf), "old");
  FileClose(before);
  filetest::ResetFileSystem();
  EXPECT_EQ(os::TestMappedViewCount(), 0);
}

TEST_F(PackTest, BuiltImageHasTheDocumentedLayout) {
  std::string image = Bytes(BuildPackImage({{"ab", "xyz"}}));
  EXPECT_EQ(image, std::string("VXPK") + Le32(1) + "\x02" "ab" + Le32(19) + Le32(3) + "xyz");
}
}  // namespace
