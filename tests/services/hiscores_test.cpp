// The score and medal client: the enciphered score file and its checksum, damaged files, the
// table rules of logging, medals, removing a player, the server settings and the local server.
#include "services/hiscores.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "core/config.h"
#include "core/datacipher.h"
#include "core/filefixture.h"
#include "filesizelimit.h"
#include "os/dll.h"
#include "testplugins.h"

namespace {

constexpr const char* kKey = "hrw8QkZ3mPa1";

class HiscoresTest : public FileLayerTest {
 protected:
  HiscoresTest() {
    SetFileRoots(Root("user"), Root("common"), Root("desk"));
    SetConfig("encryptionkey", kKey);
    SetConfig("gamename", "harrowmere");
    SetConfig("version", "1.2.3");
  }
  ~HiscoresTest() override { os::TestSetModulePath(""); }

  std::string ScorePath() { return mTemp / "user/hiscore.dat"; }
  std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  // A score file holding `plain` (with `withNul`, its terminating NUL too) and a checksum over it
  // (correct, unless told otherwise).
  void WriteScoreFile(const std::string& plain, bool withNul = true, bool goodChecksum = true) {
    TDataCipher cipher(kKey);
    int length = static_cast<int>(plain.size()) + (withNul ? 1 : 0);
    std::vector<unsigned char> body(static_cast<size_t>(cipher.Encrypt(plain.c_str(), length, nullptr, 0, false)));
    ASSERT_EQ(cipher.Encrypt(plain.c_str(), length, body.data(), static_cast<int>(body.size()), false), 0);
    uint32_t sum = HiscoreChecksum(body.data(), body.size()) ^ (goodChecksum ? 0 : 1);
    unsigned char tail[16];
    ASSERT_EQ(cipher.Encrypt(&sum, 4, tail, sizeof tail, false), 0);  // little-endian host
    std::string bytes(body.begin(), body.end());
    bytes.append(reinterpret_cast<char*>(tail), 8);
    Write("user/hiscore.dat", bytes);
  }
  // Scores of the current mode's table, best first, as "rank:score:name".
  static std::string Table(const TVxHiscores& h) {
    std::string out;
    for (int32_t i = 0; i < h.GetScoreCount(true); ++i) {
      int32_t rank = 0, score = 0;
      char name[64];
      EXPECT_TRUE(h.GetScore(true, i, &rank, name, sizeof name, nullptr, &score, nullptr, 0));
      out += std::to_string(rank) + ":" + std::to_string(score) + ":" + name + " ";
    }
    return out;
  }
  // The table of mode "m" as the score file holds it.
  static std::string StoredTable() {
    TVxHiscores stored(false);
    stored.SetUserField(2, "m");
    return Table(stored);
  }
  static std::vector<std::string> BackupFiles(const std::string& folder) {
    std::vector<std::string> names;
    for (auto& e : std::filesystem::directory_iterator(folder)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
};

}  // namespace

TEST(HiscoreChecksum, XorsEachByteIntoItsPositionModuloFour) {
  struct Case {
    std::string bytes;
    uint32_t sum;
  } cases[] = {
      {"", 0},
      {"abc", 0x00636261u},
      {"abcd", 0x64636261u},
      {"abcde", 0x64636261u ^ 0x65u},
      {std::string("\xff\x00\x00\x00\xff", 5), 0u},
      {"abcdabcd", 0u},
  };
  for (const Case& c : cases) EXPECT_EQ(HiscoreChecksum(c.bytes.data(), c.bytes.size()), c.sum) << c.bytes;
}

TEST_F(HiscoresTest, ScoresSurviveASaveAndALoadWithEveryField) {
  {
    TVxHiscores h(true);
    h.SetUserField(2, "story");
    h.SetUserField(0, "Ann & \"Bo\" <x>");
    h.LogScoreWithData(120, true, "lvl=3", "srv");
    h.SetUserField(0, "J\xc3\xb6rg");
    h.LogScore(80, true, "");
    h.SetUserField(2, "timed");
    h.LogScore(5, false, "t");
  }
  std::string file = ReadBytes(ScorePath());
  ASSERT_GT(file.size(), 16u);
  EXPECT_EQ((file.size() - 8) % 8, 0u);
  // The last 8 bytes are the enciphered checksum of the enciphered body.
  TDataCipher cipher(kKey);
  uint32_t stored = 0;
  ASSERT_EQ(cipher.Decrypt(file.data() + file.size() - 8, 8, &stored, 4, false), 0);
  EXPECT_EQ(cipher.GetLastLength(), 4);
  EXPECT_EQ(stored, HiscoreChecksum(file.data(), file.size() - 8));
  EXPECT_FALSE(std::filesystem::exists(mTemp / "user/hiscore.dat.tmp"));

  TVxHiscores h(true);
  h.SetUserField(2, "story");
  EXPECT_EQ(Table(h), "1:120:Ann & \"Bo\" <x> 2:80:J\xc3\xb6rg ");
  const auto& row = h.GetTables().at("story").rows[0];
  EXPECT_EQ(row.gameData, "lvl=3");
  EXPECT_EQ(row.serverData, "srv");
  EXPECT_EQ(row.version, "1.2.3");
  EXPECT_TRUE(row.entry);
  EXPECT_FALSE(row.submitted);
  EXPECT_EQ(row.guid.Length(), 38);
  EXPECT_NE(row.guid, h.GetTables().at("story").rows[1].guid);
  h.SetUserField(2, "timed");
  EXPECT_EQ(Table(h), "1:5:J\xc3\xb6rg ");
  EXPECT_EQ(h.GetGameHandle(), "harrowmere");
}

TEST_F(HiscoresTest, NewScoresGoAfterEqualOnesAndRanksFollowCompetitionOrder) {
  TVxHiscores h(false);
  h.SetUserField(2, "m");
  const char* names[] = {"a", "b", "c", "d", "e"};
  int32_t scores[] = {90, 100, 80, 90, 100};
  for (int i = 0; i < 5; ++i) {
    h.SetUserField(0, names[i]);
    h.LogScore(scores[i], false, "");
  }
  EXPECT_EQ(Table(h), "1:100:b 1:100:e 3:90:a 3:90:d 5:80:c ");
  h.LockPlayerName(true);  // a locked name stays
  h.SetUserField(0, "z");
  h.LogScore(1, false, "");
  EXPECT_EQ(h.GetTables().at("m").rows.back().name, "e");
  EXPECT_FALSE(std::filesystem::exists(ScorePath()));  // saving was not enabled
}

TEST_F(HiscoresTest, OneEntryPerPlayerKeepsOnlyTheBestAndItsGuid) {
  TVxHiscores h(false);
  h.SetUserField(2, "m");
  h.SetUserField(0, "ann");
  h.LogScore(50, true, "first");
  h.SetUserField(0, "bo");
  h.LogScore(70, true, "");
  h.SetUserField(0, "ann");
  TString guid = h.GetTables().at("m").rows[1].guid;
  h.LogScore(40, true, "lower");  // lower: unchanged
  h.LogScore(50, true, "equal");  // equal: unchanged
  EXPECT_EQ(Table(h), "1:70:bo 2:50:ann ");
  EXPECT_EQ(h.GetTables().at("m").rows[1].gameData, "first");
  h.LogScore(90, true, "better");
  EXPECT_EQ(Table(h), "1:90:ann 2:70:bo ");
  EXPECT_EQ(h.GetTables().at("m").rows[0].guid, guid);
  h.LogScore(10, false, "");  // without the option every score is entered
  EXPECT_EQ(Table(h), "1:90:ann 2:70:bo 3:10:ann ");
}

TEST_F(HiscoresTest, AFullTableKeepsTheBest500) {
  TVxHiscores h(false);
  h.SetUserField(2, "m");
  for (int i = 1; i <= 501; ++i) h.LogScore(i, false, "");
  ASSERT_EQ(h.GetScoreCount(true), 500);
  int32_t score = 0, rank = 0;
  ASSERT_TRUE(h.GetScore(true, 0, &rank, nullptr, 0, nullptr, &score, nullptr, 0));
  EXPECT_EQ(score, 501);
  ASSERT_TRUE(h.GetScore(true, 499, &rank, nullptr, 0, nullptr, &score, nullptr, 0));
  EXPECT_EQ(score, 2);
  EXPECT_EQ(rank, 500);
  h.LogScore(1, false, "");  // lower than every row of a full table
  ASSERT_TRUE(h.GetScore(true, 499, nullptr, nullptr, 0, nullptr, &score, nullptr, 0));
  EXPECT_EQ(score, 2);
  h.LogScore(2, false, "");  // equal to the last row: goes after it, and drops off
  ASSERT_TRUE(h.GetScore(true, 499, nullptr, nullptr, 0, nullptr, &score, nullptr, 0));
  EXPECT_EQ(score, 2);
  EXPECT_EQ(h.GetScoreCount(true), 500);
}

TEST_F(HiscoresTest, GetScoreCutsTextsToTheBufferAndRefusesBadIndices) {
  TVxHiscores h(false);
  EXPECT_EQ(h.GetScoreCount(true), 0);
  EXPECT_FALSE(h.GetScore(true, 0, nullptr, nullptr, 0, nullptr, nullptr, nullptr, 0));  // no table
  h.SetUserField(2, "m");
  std::string longName(70, 'n');
  h.SetUserField(0, longName.c_str());
  h.LogScore(5, false, "0123456789");
  char name[64];
  char data[4] = {'x', 'x', 'x', 'x'};
  char untouched[2] = {'u', 'u'};
  bool entry = false;
  ASSERT_TRUE(h.GetScore(true, 0, nullptr, name, sizeof name, &entry, nullptr, data, sizeof data));
  EXPECT_EQ(std::string(name), longName.substr(0, 63));
  EXPECT_STREQ(data, "012");
  EXPECT_TRUE(entry);
  ASSERT_TRUE(h.GetScore(true, 0, nullptr, untouched, 0, nullptr, nullptr, nullptr, 0));
  EXPECT_EQ(untouched[0], 'u');
  for (int32_t index : {-1, 1, 1000})
    EXPECT_FALSE(h.GetScore(true, index, nullptr, name, sizeof name, nullptr, nullptr, nullptr, 0)) << index;
  // The client's own table is empty.
  EXPECT_EQ(h.GetScoreCount(false), 0);
  EXPECT_FALSE(h.GetScore(false, 0, nullptr, nullptr, 0, nullptr, nullptr, nullptr, 0));
  h.SetUserField(2, "other");
  EXPECT_EQ(h.GetScoreCount(true), 0);
}

TEST_F(HiscoresTest, StoredUsersTablesAndMedalsAreReadByTheirRules) {
  WriteScoreFile(
      "<?xml version=\"1.0\"?>\n"
      "<user player=\"p1\" name=\"old\" pass=\"x\"/>\n"
      "<user player=\"p1\" name=\"new\" pass=\"y\"/>\n"
      "<user player=\"p2\" name=\"two\" pass=\"\"/>\n"
      "<score name=\"empty\"></score>\n"
      "<score name=\"m\"><row rank=\"7\" score=\"30\" submit=\"1\" name=\"ann\"/>"
      "<row score=\"20\" submit=\"-2\"/></score>\n"
      "<medals user=\"\"><medal medalname=\"lost\" type=\"game\"/></medals>\n"
      "<medals user=\"ann\"><medal medalname=\"old\"/></medals>\n"
      "<medals user=\"ann\"><medal medalname=\"gold\" type=\"game\" mode=\"m\" gameData=\"g\" submit=\"1\"/>"
      "<medal medalname=\"silver\" type=\"\" submit=\"0\"/><medal medalname=\"bronze\" type=\"Game\"/></medals>\n");
  TVxHiscores h(true);
  ASSERT_EQ(h.GetUsers().size(), 2u);
  EXPECT_EQ(h.GetUsers()[0].name, "new");  // a later record for the same player replaces
  EXPECT_EQ(h.GetTables().count("empty"), 0u);
  h.SetUserField(2, "m");
  EXPECT_EQ(Table(h), "7:30:ann 0:20: ");  // stored order and ranks are kept
  EXPECT_TRUE(h.GetTables().at("m").rows[0].submitted);
  EXPECT_FALSE(h.GetTables().at("m").rows[1].submitted);

  EXPECT_EQ(h.NumEarnedMedals(), 0);  // no user chosen yet
  EXPECT_FALSE(h.GetMedal(0, nullptr, nullptr, nullptr, nullptr));
  h.SetUserField(1, "ann");
  EXPECT_EQ(h.NumEarnedMedals(), 3);
  EXPECT_EQ(h.NumMedalsToSubmit(), 2);
  struct Case {
    int32_t index;
    const char* name;
    int32_t type;
  } cases[] = {{0, "gold", 0}, {1, "silver", 1}, {2, "bronze", 1}};
  for (const Case& c : cases) {
    TString name, mode, data;
    int32_t type = -1;
    ASSERT_TRUE(h.GetMedal(c.index, &name, &type, &mode, &data));
    EXPECT_EQ(name, c.name);
    EXPECT_EQ(type, c.type) << c.name;
  }
  TString name = "kept";
  EXPECT_FALSE(h.GetMedal(-1, &name, nullptr, nullptr, nullptr));
  EXPECT_FALSE(h.GetMedal(3, &name, nullptr, nullptr, nullptr));
  EXPECT_EQ(name, "kept");

  // Users and medals are written back unchanged.
  h.LogScore(1, false, "");
  TVxHiscores again(false);
  again.SetUserField(1, "ann");
  EXPECT_EQ(again.NumEarnedMedals(), 3);
  EXPECT_EQ(again.GetUsers().size(), 2u);
}

TEST_F(HiscoresTest, UnreadableFilesLeaveTablesEmptyAndAreKeptAsideAtTheNextSave) {
  struct Case {
    const char* what;
    std::function<void()> make;
    bool keptAside;
  } cases[] = {
      {"eight bytes", [&] { Write("user/hiscore.dat", "12345678"); }, false},
      {"empty", [&] { Write("user/hiscore.dat", ""); }, false},
      {"wrong checksum", [&] { WriteScoreFile("<score name=\"m\"><row score=\"9\"/></score>", true, false); }, true},
      {"garbage", [&] { Write("user/hiscore.dat", std::string(40, '\x5a')); }, true},
      {"not a block multiple", [&] { Write("user/hiscore.dat", std::string(21, '\x11')); }, true},
  };
  for (const Case& c : cases) {
    std::filesystem::remove_all(mTemp / "user");
    std::filesystem::create_directories(mTemp / "user");
    c.make();
    std::string before = ReadBytes(ScorePath());
    TVxHiscores h(true);
    EXPECT_TRUE(h.GetTables().empty()) << c.what;
    EXPECT_EQ(ReadBytes(ScorePath()), before) << c.what;  // reading never changes the file
    h.SetUserField(2, "m");
    h.LogScore(3, false, "");
    TVxHiscores reread(false);
    EXPECT_EQ(reread.GetTables().size(), 1u) << c.what;  // the next save wrote a good file
    std::vector<std::string> expected = {"hiscore.dat"};
    if (c.keptAside) expected.insert(expected.begin() + 1, "hiscore.dat.bad");
    EXPECT_EQ(BackupFiles(mTemp / "user"), expected) << c.what;
    if (c.keptAside) EXPECT_EQ(ReadBytes(ScorePath() + ".bad"), before) << c.what;
  }
}

TEST_F(HiscoresTest, EarlierBackupsAreNeverOverwritten) {
  Write("user/hiscore.dat.bad", "older");
  Write("user/hiscore.dat", std::string(32, '\x33'));
  TVxHiscores h(true);
  h.LogScore(1, false, "");
  EXPECT_EQ(ReadBytes(ScorePath() + ".bad"), "older");
  EXPECT_EQ(ReadBytes(ScorePath() + ".bad1"), std::string(32, '\x33'));
}

TEST_F(HiscoresTest, ADocumentWithoutItsNulIsReadWithinTheFile) {
  // A forged file: the checksum matches, but the deciphered text has no terminating NUL.
  WriteScoreFile("<score name=\"m\"><row score=\"9\" name=\"ann\"/></score>", false);
  TVxHiscores h(false);
  h.SetUserField(2, "m");
  EXPECT_EQ(Table(h), "0:9:ann ");
}

TEST_F(HiscoresTest, AFailedWriteLeavesTheOldFileInPlace) {
  {
    TVxHiscores h(true);
    h.LogScore(10, false, "");
  }
  std::string before = ReadBytes(ScorePath());
  std::filesystem::create_directories(mTemp / "user/hiscore.dat.tmp");  // the temporary file cannot be made
  TVxHiscores h(true);
  h.LogScore(20, false, "");
  EXPECT_FALSE(h.SaveDocument());
  EXPECT_EQ(ReadBytes(ScorePath()), before);
}

TEST_F(HiscoresTest, AFullDiskKeepsTheFileAndTheNewScoresUntilItTakesWritesAgain) {
  // 0: the temporary file cannot take a byte; 40: it takes part of the file, and the failure shows
  // only when the buffered bytes are written out.
  for (rlim_t limit : {rlim_t(0), rlim_t(40)}) {
    SCOPED_TRACE(limit);
    std::filesystem::remove(ScorePath());
    {
      TVxHiscores h(true);
      h.SetUserField(2, "m");
      h.SetUserField(0, "ann");
      h.LogScore(10, false, "");
    }
    const std::string before = ReadBytes(ScorePath());
    ASSERT_GT(before.size(), 40u);
    TVxHiscores h(true);
    h.SetUserField(2, "m");
    h.SetUserField(0, "bob");
    std::string path;
    {
      testutil::FileSizeLimit full(limit);
      h.LogScore(20, false, "");
      EXPECT_TRUE(h.IsHoldingChanges());
      EXPECT_FALSE(h.SaveUnsaved());
      h.LogScore(15, false, "");
      EXPECT_EQ(ReadBytes(ScorePath()), before);
      EXPECT_FALSE(std::filesystem::exists(ScorePath() + ".tmp"));
      EXPECT_EQ(Table(h), "1:20:bob 2:15:bob 3:10:ann ");
      // told once, naming the file
      ASSERT_TRUE(h.TakeUnsavedNotice(path));
      EXPECT_EQ(path, ScorePath());
      EXPECT_FALSE(h.TakeUnsavedNotice(path));
    }
    EXPECT_TRUE(h.SaveUnsaved());
    EXPECT_FALSE(h.IsHoldingChanges());
    EXPECT_FALSE(h.TakeUnsavedNotice(path));
    EXPECT_EQ(StoredTable(), "1:20:bob 2:15:bob 3:10:ann ");
  }
}

TEST_F(HiscoresTest, ScoresLeftUnsavedAreWrittenWhenTheClientCloses) {
  TVxHiscores h(true);
  h.SetUserField(2, "m");
  h.SetUserField(0, "ann");
  {
    testutil::FileSizeLimit full(0);
    h.LogScore(7, false, "");
  }
  EXPECT_FALSE(std::filesystem::exists(ScorePath()));
  h.Shutdown();
  EXPECT_EQ(StoredTable(), "1:7:ann ");
}

TEST_F(HiscoresTest, RemovingAPlayerDropsTheirRowsEmptyTablesAndMedals) {
  WriteScoreFile("<medals user=\"ann\"><medal medalname=\"gold\"/></medals>"
                 "<medals user=\"bo\"><medal medalname=\"tin\"/></medals>");
  {
    TVxHiscores h(true);
    h.SetUserField(2, "a");
    for (auto [name, score] : {std::pair{"ann", 90}, {"bo", 80}, {"ann", 70}, {"cy", 70}, {"bo", 60}}) {
      h.SetUserField(0, name);
      h.LogScore(score, false, "");
    }
    h.SetUserField(2, "b");
    h.SetUserField(0, "ann");
    h.LogScore(5, false, "");
    h.RemoveUserEntries("ann");
    EXPECT_EQ(h.GetTables().count("b"), 0u);
    h.SetUserField(2, "a");
    EXPECT_EQ(Table(h), "1:80:bo 2:70:cy 3:60:bo ");
  }
  TVxHiscores reread(false);  // the removal was saved
  reread.SetUserField(2, "a");
  EXPECT_EQ(Table(reread), "1:80:bo 2:70:cy 3:60:bo ");
  reread.SetUserField(1, "ann");
  EXPECT_EQ(reread.NumEarnedMedals(), 0);
  reread.SetUserField(1, "bo");
  EXPECT_EQ(reread.NumEarnedMedals(), 1);
}

TEST_F(HiscoresTest, ServerSettingsComeFromTheAssetAndTheProgramFolder) {
  SetConfig("hiscoreserver", "http://configured/");
  {
    TVxHiscores h(false);
    EXPECT_FALSE(h.HasLanguage());
    EXPECT_EQ(h.GetDefaultError(), "");
    EXPECT_EQ(h.GetServerAddress(), "http://configured/");
  }
  Write("hiscore.xml", "<hiscore><language>de</language><defaulterror>Kein Server</defaulterror></hiscore>");
  Write("prog/hiscoreserver.txt", "http://local:8080/scores\r\nsecond line\n");
  os::TestSetModulePath(mTemp / "prog/game.exe");
  TVxHiscores h(false);
  EXPECT_TRUE(h.HasLanguage());
  EXPECT_EQ(h.GetLanguage(), "de");
  EXPECT_EQ(h.GetDefaultError(), "Kein Server");
  EXPECT_EQ(h.GetServerAddress(), "http://local:8080/scores");
}

TEST_F(HiscoresTest, LocalServerModuleGetsTheGameDescriptionOrItsDefinitionFile) {
  HMODULE lib = LoadLibraryA("vxservlet_stub.dll");  // our own reference, to read what it heard
  ASSERT_NE(lib, nullptr);
  auto log = reinterpret_cast<const char* (*)()>(GetProcAddress(lib, "TestServletLog"));
  auto clear = reinterpret_cast<void (*)()>(GetProcAddress(lib, "TestServletClear"));
  ASSERT_TRUE(log && clear);
  clear();
  {
    TVxHiscores h(false);
    ASSERT_TRUE(h.CreateLocalServer());
    EXPECT_TRUE(h.HasLocalServer());
    h.FreeLocalServer();
    EXPECT_FALSE(h.HasLocalServer());
  }
  EXPECT_STREQ(log(), "create;deffile;free;");

  clear();
  SetConfig("vxgamehandle", "hm-demo");
  SetConfig("vxgamemodename1", "story");
  SetConfig("vxgamemodename2", "timed");
  SetConfig("vxgamemodename4", "skipped");  // after the first gap: not read
  SetConfig("vxgamemedalname1", "gold");
  {
    TVxHiscores h(false);
    EXPECT_EQ(h.GetGameHandle(), "hm-demo");
    ASSERT_TRUE(h.CreateLocalServer());
  }  // the destructor frees the server
  EXPECT_STREQ(log(), "create;info ok hm-demo 1.2.3 modes story timed medals gold;free;");
  FreeLibrary(lib);
}
