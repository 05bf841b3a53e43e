// The asset index, the manifest of hidden names and the start-up scan of the data folders.
#include "core/assetindex.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "core/fileenv.h"
#include "core/folder.h"
#include "core/mappedfile.h"
#include "core/packfile.h"
#include "core/path.h"
#include "os/files.h"

namespace {
struct FileSystemState {
  TAssetIndex index;
  std::set<TString> hidden;
  TString user, common, desktop;
};

FileSystemState& State() {
  static FileSystemState state;
  return state;
}

constexpr long kManifestLimit = 100000;
// Folder links can form cycles on this system; a scan deeper than this is cut with a log line.
constexpr int kMaxScanDepth = 32;

void IndexFolder(const TString& folderIn, const TString& prefixIn, int depth) {
  TAssetIndex& index = State().index;
  MountPacks(folderIn, index);
  TString folder = folderIn;
  folder.ToLower();
  TString prefix = prefixIn;
  prefix.ToLower();
  TString relative;
  if (prefix.IsEmpty()) {
    relative = folder.SubString(0, 6) == "assets" ? folder.SubString(7) : folder;
    if (!relative.IsEmpty()) relative.Append('/');
  }
  TDirectoryIterator it(folder);
  TString name;
  bool isFolder = false;
  while (it.Next(&name, &isFolder)) {
    name.ToLower();
    TString key = prefix + relative + name;
    if (State().hidden.count(key)) continue;
    if (isFolder) {
      if (name == ".svn") continue;
      if (depth >= kMaxScanDepth) {
        FileLog("asset scan: %s/%s is nested too deeply, skipped", folder.CStr(), name.CStr());
        continue;
      }
      IndexFolder(folder + "/" + name, prefix.IsEmpty() ? TString() : prefix + name + "/", depth + 1);
    } else {
      index[key] = folder + "/" + name;
    }
  }
}
}  // namespace

TAssetIndex& GetAssetIndex() { return State().index; }
std::set<TString>& GetHiddenNames() { return State().hidden; }

void SetFileRoots(const TString& user, const TString& common, const TString& desktop) {
  State().user = user;
  State().common = common;
  State().desktop = desktop;
  // Paths resolved under the old roots are remembered in the index; they would keep pointing there.
  TAssetIndex& index = GetAssetIndex();
  for (auto it = index.begin(); it != index.end();) {
    const char* key = it->first.CStr();
    bool rooted = std::strncmp(key, "user:", 5) == 0 || std::strncmp(key, "common:", 7) == 0 ||
                  std::strncmp(key, "desktop:", 8) == 0;
    it = rooted ? index.erase(it) : std::next(it);
  }
}

const TString& GetUserRoot() { return State().user; }
const TString& GetCommonRoot() { return State().common; }
const TString& GetDesktopRoot() { return State().desktop; }

bool ParseManifest(const char* text, bool add) {
  if (!text) return false;
  bool cleared = false;
  std::set<TString>& hidden = State().hidden;
  const char* p = text;
  while (*p) {
    size_t skip = std::strspn(p, " \t\n\r");
    p += skip;
    size_t n = std::strcspn(p, " \t\n\r");
    if (n == 0) break;
    TString token(p, static_cast<ptrdiff_t>(n));
    p += n;
    token.ToLower();
    if (token == "-*") {
      hidden.clear();
      cleared = true;
    } else if (add) {
      hidden.insert(token);
    } else {
      hidden.erase(token);
    }
  }
  return cleared;
}

void IndexAssetFolder(const TString& folder, const TString& prefix) { IndexFolder(folder, prefix, 0); }

void InitFileSystem() {
  const char16_t* manifest = FileConfigFlag("firstpeek") ? u"firstpeek.txt" : u"final.txt";
  if (FILE* f = _wfopen(manifest, u"rb")) {
    fseek(f, 0, SEEK_END);
    long size = ftell(f);
    if (size >= 0 && size < kManifestLimit) {
      std::vector<char> text(static_cast<size_t>(size) + 1, 0);
      fseek(f, 0, SEEK_SET);
      size_t got = fread(text.data(), 1, static_cast<size_t>(size), f);
      text[got] = 0;
      ParseManifest(text.data(), true);
    }
    fclose(f);
  }
  IndexAssetFolder("assets", TString());
  if (FileConfigValue("activex") == "1") return;
  if (!State().user.IsEmpty()) IndexAssetFolder(State().user, "user:");
  if (!State().common.IsEmpty()) IndexAssetFolder(State().common, "common:");
}

void RegisterMemoryBlock(TAssetIndex& index, const TString& name, const void* address, unsigned long length) {
  TString key = name;
  key.ToLower();
  if (!address) {
    index.erase(key);
    return;
  }
  index[key] = TString::Format("&%lu,%lu", static_cast<unsigned long>(reinterpret_cast<uintptr_t>(address)), length);
}

void RegisterMemoryFile(const TString& name, const void* address, unsigned long length) {
  RegisterMemoryBlock(State().index, name, address, length);
}

namespace filetest {
void ResetFileSystem() {
  State() = FileSystemState();
  GetPackTable().clear();
}
}  // namespace filetest
