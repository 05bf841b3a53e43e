// The score and medal client (see hiscores.h): the score file, the tables and the local server.
#include "services/hiscores.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "core/config.h"
#include "core/datacipher.h"
#include "core/file.h"
#include "core/log.h"
#include "core/xml.h"
#include "os/comguid.h"
#include "os/dll.h"
#include "os/files.h"
#include "os/paths.h"
#include "os/text.h"

namespace {

constexpr const char* kTempFile = "user:hiscore.dat.tmp";
constexpr const char* kServerModule = "vxservlet_stub.dll";
constexpr int kServerLineLimit = 512;

// Attribute text: the markup characters as entities; other bytes (UTF-8 names) as they are.
void AppendEscaped(std::string& out, const TString& text) {
  for (const char* p = text.CStr(); *p; ++p) {
    switch (*p) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += *p;
    }
  }
}

void AppendAttribute(std::string& out, const char* name, const TString& value) {
  out += ' ';
  out += name;
  out += "=\"";
  AppendEscaped(out, value);
  out += '"';
}

void AppendAttribute(std::string& out, const char* name, int32_t value) {
  AppendAttribute(out, name, TString::Format("%d", value));
}

void CopyOut(const TString& text, char* buffer, int32_t size) {
  if (!buffer || size <= 0) return;
  size_t n = static_cast<size_t>(text.Length());
  if (n > static_cast<size_t>(size - 1)) n = static_cast<size_t>(size - 1);
  std::memcpy(buffer, text.CStr(), n);
  buffer[n] = 0;
}

std::string LinuxPath(const char* virtualPath) {
  TString resolved = ResolvePath(virtualPath, false);
  return resolved.IsEmpty() ? std::string() : os::ToLinuxPath(resolved.CStr());
}

bool ReadWholeFile(const char* path, std::vector<unsigned char>* bytes) {
  TFile* file = FileOpen(path, kFileReadBinary);
  if (!file) return false;
  long size = file->GetSize();
  bytes->resize(size > 0 ? static_cast<size_t>(size) : 0);
  long got = size > 0 ? file->Read(bytes->data(), size) : 0;
  FileClose(file);
  bytes->resize(got > 0 ? static_cast<size_t>(got) : 0);
  return true;
}

}  // namespace

uint32_t HiscoreChecksum(const void* bytes, size_t length) {
  const auto* p = static_cast<const unsigned char*>(bytes);
  uint32_t sum = 0;
  for (size_t i = 0; i < length; ++i) sum ^= static_cast<uint32_t>(p[i]) << (8 * (i & 3));
  return sum;
}

TVxHiscores::TVxHiscores(bool saving) : mSaving(saving) {
  TString key = GetConfig("encryptionkey", "");
  if (key.IsEmpty()) LogPrintf("ERROR: No encryption key set before TVxHiscores construction!");
  mCipher = std::make_unique<TDataCipher>(key);
  mHttp = std::make_unique<TSimpleHttp>();
  mGameHandle = GetConfig("vxgamehandle", "");
  if (mGameHandle.IsEmpty()) mGameHandle = GetConfig("gamename", "");
  mVersion = GetConfig("version", "");
  mServerAddress = GetConfig("hiscoreserver", "");
  Load();
  LoadServerSettings();
  ReadServerFile();
}

TVxHiscores::~TVxHiscores() { Shutdown(); }

void TVxHiscores::ReadServerFile() {
  char16_t wide[1024] = {};
  DWORD n = GetModuleFileNameW(nullptr, wide, 1024);
  if (n == 0 || n >= 1024) return;
  std::string path = os::Utf16ToUtf8(wide);
  size_t cut = path.rfind('\\');
  if (cut == std::string::npos) return;
  path = "::" + path.substr(0, cut + 1) + "hiscoreserver.txt";  // "::": a literal disk path
  TFile* file = FileOpen(path.c_str(), kFileReadBinary);
  if (!file) return;
  char line[kServerLineLimit + 1] = {};
  if (FileReadLine(file, line, sizeof line)) {
    size_t len = std::strlen(line);
    while (len > 0 && (line[len - 1] == '\n' || line[len - 1] == '\r')) line[--len] = 0;
    mServerAddress = line;
  }
  FileClose(file);
}

void TVxHiscores::LoadServerSettings() {
  TXmlNode document;
  if (!document.Load("::hiscore.xml")) return;
  TXmlNode* root = document.FindChild("hiscore");
  if (!root) return;
  if (TXmlNode* language = root->FindChild("language")) {
    mLanguage = language->GetText();
    mHasLanguage = true;
  }
  if (TXmlNode* error = root->FindChild("defaulterror")) mDefaultError = error->GetText();
}

void TVxHiscores::Load() {
  std::vector<unsigned char> bytes;
  if (ReadWholeFile(kScoreFile, &bytes)) LoadBytes(bytes.data(), bytes.size());
}

bool TVxHiscores::LoadBytes(const unsigned char* bytes, size_t size) {
  if (!mCipher || size <= 8 || size > static_cast<size_t>(INT32_MAX)) return false;
  const int bodyLength = static_cast<int>(size - 8);
  const uint32_t computed = HiscoreChecksum(bytes, static_cast<size_t>(bodyLength));

  unsigned char stored[8] = {};
  bool ok = mCipher->Decrypt(bytes + bodyLength, 8, stored, sizeof stored, false) == 0 &&
            mCipher->GetLastLength() >= 4;
  uint32_t storedSum = stored[0] | stored[1] << 8 | stored[2] << 16 | static_cast<uint32_t>(stored[3]) << 24;
  // One spare byte past the plaintext, so the document is always NUL-terminated.
  std::vector<char> text(static_cast<size_t>(bodyLength) + 1, 0);
  ok = ok && storedSum == computed && mCipher->Decrypt(bytes, bodyLength, text.data(), bodyLength, false) == 0;
  if (ok) {
    text[static_cast<size_t>(mCipher->GetLastLength())] = 0;
    ok = ParseDocument(text.data());
  }
  if (!ok) {
    LogPrintf("HiScores: Checksum did not match! Ignoring saved score data.\n");
    mUsers.clear();
    mTables.clear();
    mMedals.clear();
    mDamaged = true;
  }
  return ok;
}

bool TVxHiscores::ParseDocument(const char* text) {
  TXmlNode document;
  if (!document.LoadFromBuffer(text, std::strlen(text))) return false;  // bounded by the text
  for (const auto& node : document.GetChildren()) {
    if (node->GetName() != "user") continue;
    TUserRecord user{node->GetAttribute("player"), node->GetAttribute("name"), node->GetAttribute("pass")};
    bool replaced = false;
    for (auto& u : mUsers)
      if (u.player == user.player) {
        u = user;
        replaced = true;
      }
    if (!replaced) mUsers.push_back(user);
  }
  for (const auto& node : document.GetChildren()) {
    if (node->GetName() != "score") continue;
    TScoreTable table;
    table.name = node->GetAttribute("name");
    for (const auto& r : node->GetChildren()) {
      if (r->GetName() != "row") continue;
      TScoreRow row;
      row.rank = r->GetAttribute("rank").ToInt();
      row.score = r->GetAttribute("score").ToInt();
      row.submitted = r->GetAttribute("submit").ToInt() > 0;
      row.guid = r->GetAttribute("guid");
      row.name = r->GetAttribute("name");
      row.gameData = r->GetAttribute("gameData");
      row.serverData = r->GetAttribute("serverData");
      row.version = r->GetAttribute("version");
      row.entry = true;
      table.rows.push_back(row);
    }
    if (table.rows.size() > static_cast<size_t>(kMaxRows)) table.rows.resize(kMaxRows);
    if (!table.rows.empty()) mTables[table.name] = std::move(table);
  }
  for (const auto& node : document.GetChildren()) {
    if (node->GetName() != "medals") continue;
    TString user = node->GetAttribute("user");
    if (user.IsEmpty()) continue;
    std::vector<TMedal> list;
    for (const auto& m : node->GetChildren()) {
      if (m->GetName() != "medal") continue;
      list.push_back(TMedal{m->GetAttribute("medalname"), m->GetAttribute("type"), m->GetAttribute("mode"),
                            m->GetAttribute("gameData"), m->GetAttribute("submit").ToInt() > 0});
    }
    mMedals[user] = std::move(list);
  }
  return true;
}

TString TVxHiscores::BuildDocument() const {
  std::string out = "<?xml version=\"1.0\"?>\n";
  for (const auto& u : mUsers) {
    out += "<user";
    AppendAttribute(out, "player", u.player);
    AppendAttribute(out, "name", u.name);
    AppendAttribute(out, "pass", u.pass);
    out += "/>\n";
  }
  for (const auto& [name, table] : mTables) {
    out += "<score";
    AppendAttribute(out, "name", name);
    out += ">\n";
    for (const auto& r : table.rows) {
      out += "<row";
      AppendAttribute(out, "rank", r.rank);
      AppendAttribute(out, "score", r.score);
      AppendAttribute(out, "submit", r.submitted ? 1 : 0);
      if (!r.guid.IsEmpty()) AppendAttribute(out, "guid", r.guid);
      if (!r.name.IsEmpty()) AppendAttribute(out, "name", r.name);
      if (!r.gameData.IsEmpty()) AppendAttribute(out, "gameData", r.gameData);
      if (!r.serverData.IsEmpty()) AppendAttribute(out, "serverData", r.serverData);
      if (!r.version.IsEmpty()) AppendAttribute(out, "version", r.version);
      out += "/>\n";
    }
    out += "</score>\n";
  }
  for (const auto& [user, list] : mMedals) {
    out += "<medals";
    AppendAttribute(out, "user", user);
    out += ">\n";
    for (const auto& m : list) {
      out += "<medal";
      AppendAttribute(out, "medalname", m.name);
      AppendAttribute(out, "type", m.type);
      AppendAttribute(out, "mode", m.mode);
      AppendAttribute(out, "gameData", m.gameData);
      AppendAttribute(out, "submit", m.submitted ? 1 : 0);
      out += "/>\n";
    }
    out += "</medals>\n";
  }
  return TString(out.c_str(), static_cast<ptrdiff_t>(out.size()));
}

void TVxHiscores::KeepDamagedFile() {
  std::string current = LinuxPath(kScoreFile);
  if (current.empty()) return;
  // The first free name of "hiscore.dat.bad", "hiscore.dat.bad1", ...: earlier ones are kept too.
  for (int i = 0; i < 100; ++i) {
    std::string backup = current + ".bad" + (i ? std::to_string(i) : std::string());
    if (FILE* probe = std::fopen(backup.c_str(), "rb")) {
      std::fclose(probe);
      continue;
    }
    if (std::rename(current.c_str(), backup.c_str()) == 0)
      LogPrintf("HiScores: the unreadable score file was kept as %s", backup.c_str());
    return;
  }
}

bool TVxHiscores::TakeUnsavedNotice(std::string& path) {
  if (!mUnsavedNotice) return false;
  mUnsavedNotice = false;
  path = LinuxPath(kScoreFile);
  if (path.empty()) path = kScoreFile;
  return true;
}

bool TVxHiscores::SaveDocument() {
  if (!mSaving) return true;
  const bool saved = WriteDocument();
  if (saved) {
    if (mUnsaved) LogPrintf("HiScores: the score file is written again");
    mUnsaved = false;
  } else {
    if (!mUnsaved) LogPrintf("HiScores: the scores are kept in memory until the score file can be written");
    mUnsaved = true;
    if (!mUnsavedNoticeTaken) mUnsavedNotice = mUnsavedNoticeTaken = true;
  }
  return saved;
}

bool TVxHiscores::WriteDocument() {
  if (!mCipher) return false;
  TString text = BuildDocument();
  const int plainLength = text.Length() + 1;  // with the NUL
  int needed = mCipher->Encrypt(text.CStr(), plainLength, nullptr, 0, false);
  if (needed <= 0) return false;
  std::vector<unsigned char> body(static_cast<size_t>(needed));
  if (mCipher->Encrypt(text.CStr(), plainLength, body.data(), needed, false) != 0) return false;
  const int bodyLength = mCipher->GetLastLength();
  const uint32_t sum = HiscoreChecksum(body.data(), static_cast<size_t>(bodyLength));
  const unsigned char sumBytes[4] = {static_cast<unsigned char>(sum), static_cast<unsigned char>(sum >> 8),
                                     static_cast<unsigned char>(sum >> 16), static_cast<unsigned char>(sum >> 24)};
  unsigned char tail[16] = {};
  if (mCipher->Encrypt(sumBytes, 4, tail, sizeof tail, false) != 0 || mCipher->GetLastLength() != 8) return false;

  // A crash or a full disk while writing must not cost the scores already on disk.
  TFile* file = FileOpen(kTempFile, kFileWriteBinary);
  if (!file) {
    LogPrintf("HiScores: cannot write %s", kTempFile);
    return false;
  }
  // The bytes must have reached the file before it replaces the old one: a full disk often shows
  // only when the buffered bytes are written out.
  bool written = file->Write(body.data(), bodyLength) == bodyLength && file->Write(tail, 8) == 8 && file->Flush();
  FileClose(file);
  std::string temp = LinuxPath(kTempFile);
  if (written && !temp.empty()) {  // and on the disk, before the rename makes it the score file
    FILE* synced = std::fopen(temp.c_str(), "rb");
    written = synced && _commit(_fileno(synced)) == 0;
    if (synced) std::fclose(synced);
  }
  if (!written) {
    LogPrintf("HiScores: writing %s failed; the score file is left as it was", kTempFile);
    if (!temp.empty()) std::remove(temp.c_str());
    return false;
  }
  if (mDamaged) {
    KeepDamagedFile();
    mDamaged = false;
  }
  std::string target = LinuxPath(kScoreFile);
  if (temp.empty() || target.empty() || std::rename(temp.c_str(), target.c_str()) != 0) {
    LogPrintf("HiScores: cannot replace %s", kScoreFile);
    if (!temp.empty()) std::remove(temp.c_str());
    return false;
  }
  return true;
}

TString TVxHiscores::NewGuid() {
  GUID g{};
  if (CoCreateGuid(&g) != S_OK) return TString();
  return TString::Format("{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", static_cast<unsigned>(g.Data1),
                         g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5],
                         g.Data4[6], g.Data4[7]);
}

void TVxHiscores::Rank(std::vector<TScoreRow>& rows) {
  for (size_t i = 0; i < rows.size(); ++i)
    rows[i].rank = (i > 0 && rows[i].score == rows[i - 1].score) ? rows[i - 1].rank : static_cast<int32_t>(i + 1);
}

void TVxHiscores::LogScoreWithData(int32_t score, bool onePerPlayer, const TString& gameData,
                                   const TString& serverData) {
  TScoreRow row;
  row.score = score;
  row.name = mPlayer;
  row.gameData = gameData;
  row.serverData = serverData;
  row.version = mVersion;
  row.entry = true;

  auto found = mTables.find(mGameMode);
  if (found == mTables.end()) {
    row.rank = 1;
    row.guid = NewGuid();
    mTables[mGameMode] = TScoreTable{mGameMode, {row}};
    SaveDocument();
    return;
  }
  std::vector<TScoreRow>& rows = found->second.rows;
  if (onePerPlayer) {
    for (auto it = rows.begin(); it != rows.end(); ++it) {
      if (it->name != mPlayer) continue;
      if (it->score >= score) {
        SaveDocument();
        return;
      }
      row.guid = it->guid;
      rows.erase(it);
      break;
    }
  }
  if (row.guid.IsEmpty()) row.guid = NewGuid();
  size_t at = 0;
  while (at < rows.size() && rows[at].score >= score) ++at;
  if (at < rows.size() || rows.size() < static_cast<size_t>(kMaxRows)) {
    rows.insert(rows.begin() + static_cast<ptrdiff_t>(at), row);
    if (rows.size() > static_cast<size_t>(kMaxRows)) rows.pop_back();
  }
  Rank(rows);
  SaveDocument();
}

void TVxHiscores::LogScore(int32_t score, bool onePerPlayer, const TString& gameData) {
  LogScoreWithData(score, onePerPlayer, gameData, TString());
}

const TVxHiscores::TScoreTable* TVxHiscores::PickTable(bool currentMode) const {
  if (!currentMode) return &mOwnTable;
  auto found = mTables.find(mGameMode);
  return found != mTables.end() ? &found->second : nullptr;
}

int32_t TVxHiscores::GetScoreCount(bool currentMode) const {
  const TScoreTable* table = PickTable(currentMode);
  return table ? static_cast<int32_t>(table->rows.size()) : 0;
}

bool TVxHiscores::GetScore(bool currentMode, int32_t index, int32_t* rank, char* name, int32_t nameSize, bool* entry,
                           int32_t* score, char* gameData, int32_t gameDataSize) const {
  const TScoreTable* table = PickTable(currentMode);
  if (!table || index < 0 || static_cast<size_t>(index) >= table->rows.size()) return false;
  const TScoreRow& row = table->rows[static_cast<size_t>(index)];
  if (rank) *rank = row.rank;
  CopyOut(row.name, name, nameSize);
  if (entry) *entry = row.entry;
  if (score) *score = row.score;
  CopyOut(row.gameData, gameData, gameDataSize);
  return true;
}

int32_t TVxHiscores::NumEarnedMedals() const {
  auto found = mMedals.find(mUserName);
  return found != mMedals.end() ? static_cast<int32_t>(found->second.size()) : 0;
}

int32_t TVxHiscores::NumMedalsToSubmit() const {
  auto found = mMedals.find(mUserName);
  if (found == mMedals.end()) return 0;
  int32_t count = 0;
  for (const auto& m : found->second)
    if (!m.submitted) ++count;
  return count;
}

bool TVxHiscores::GetMedal(int32_t index, TString* name, int32_t* type, TString* mode, TString* gameData) const {
  auto found = mMedals.find(mUserName);
  if (found == mMedals.end() || index < 0 || static_cast<size_t>(index) >= found->second.size()) return false;
  const TMedal& medal = found->second[static_cast<size_t>(index)];
  if (name) *name = medal.name;
  if (type) *type = medal.type == "game" ? 0 : 1;
  if (mode) *mode = medal.mode;
  if (gameData) *gameData = medal.gameData;
  return true;
}

void TVxHiscores::SetUserField(int32_t field, const TString& text) {
  switch (field) {
    case 0:
      if (!mNameLocked) mPlayer = text;
      break;
    case 1:
      mUserName = text;
      mUserPass = TString();
      break;
    case 2:
      mGameMode = text;
      break;
    default:
      break;
  }
}

void TVxHiscores::RemoveUserEntries(const TString& user) {
  bool changed = false;
  for (auto it = mTables.begin(); it != mTables.end();) {
    auto& rows = it->second.rows;
    size_t before = rows.size();
    std::erase_if(rows, [&](const TScoreRow& r) { return r.name == user; });
    changed |= rows.size() != before;
    if (rows.empty()) {
      it = mTables.erase(it);
      continue;
    }
    Rank(rows);
    ++it;
  }
  changed |= mMedals.erase(user) > 0;
  if (changed) SaveDocument();
}

bool TVxHiscores::CreateLocalServer() {
  if (mServerModule) return true;
  mServerModule = LoadLibraryA(kServerModule);
  if (!mServerModule) return false;
  auto create = reinterpret_cast<THiscoreServerCreate>(GetProcAddress(mServerModule, "HiscoreServer_CreateLocalServer"));
  if (create) mServerHandle = create();
  if (!GetConfig("vxgamehandle", "").IsEmpty()) {
    auto collect = [](const char* prefix) {
      std::vector<TString> names;
      for (int i = 1;; ++i) {
        TString value = GetConfig(TString::Format("%s%d", prefix, i), "");
        if (value.IsEmpty()) break;
        names.push_back(value);
      }
      return names;
    };
    std::vector<TString> modes = collect("vxgamemodename");
    std::vector<TString> medals = collect("vxgamemedalname");
    std::vector<const char*> modeTexts, medalTexts;
    for (const auto& m : modes) modeTexts.push_back(m.CStr());
    for (const auto& m : medals) medalTexts.push_back(m.CStr());
    auto setInfo = reinterpret_cast<THiscoreServerSetInfo>(GetProcAddress(mServerModule, "HiscoreServer_SetServerInfo"));
    if (setInfo)
      setInfo(mServerHandle, mGameHandle.CStr(), mVersion.CStr(), modeTexts.data(), static_cast<int>(modeTexts.size()),
              medalTexts.data(), static_cast<int>(medalTexts.size()));
  } else {
    auto loadDef = reinterpret_cast<THiscoreServerLoadDef>(GetProcAddress(mServerModule, "HiscoreServer_LoadServerDefFile"));
    if (loadDef) loadDef(mServerHandle);
  }
  return true;
}

void TVxHiscores::FreeLocalServer() {
  if (!mServerModule) return;
  auto release = reinterpret_cast<THiscoreServerFree>(GetProcAddress(mServerModule, "HiscoreServer_FreeLocalServer"));
  if (release && mServerHandle) release(mServerHandle);
  mServerHandle = nullptr;
  FreeLibrary(mServerModule);
  mServerModule = nullptr;
}

void TVxHiscores::Shutdown() {
  if (mUnsaved && !SaveDocument()) LogPrintf("HiScores: the score file could not be written; this run's new scores are lost");
  mOwnTable.rows.clear();
  mModeIndex = -1;
  mCipher.reset();
  mTables.clear();
  mMedals.clear();
  mUsers.clear();
  mHttp.reset();
  FreeLocalServer();
  mGameHandle = mVersion = mServerAddress = mPlayer = mUserName = mUserPass = mGameMode = TString();
}
