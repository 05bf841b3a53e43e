// TFile, path resolution and the free file functions.
#include "core/file.h"

#include <strings.h>

#include <cerrno>
#include <vector>

#include "core/assetindex.h"
#include "core/mappedfile.h"
#include "core/memfile.h"
#include "os/files.h"
#include "os/paths.h"

namespace {
bool StartsWith(const TString& s, const char* prefix) {
  for (int i = 0; prefix[i]; ++i)
    if (s.CharAt(i) != prefix[i]) return false;
  return true;
}

// True when the located path begins with the root folder; Windows paths compare without case, and
// the asset scan stores lower-cased folders.
bool IsBelow(const TString& root, const TString& located) {
  return !root.IsEmpty() && strncasecmp(root.CStr(), located.CStr(), static_cast<size_t>(root.Length())) == 0;
}

// Creates the missing folders of a located path that lies below `root`, outer first.
void MakeFoldersBelow(const TString& root, const TString& located) {
  TString rest = located.SubString(root.Length());
  if (rest.CharAt(0) == '/' || rest.CharAt(0) == '\\') rest = rest.SubString(1);
  TString prefix = root;
  for (int slash = rest.FindChar('/'); slash >= 0; slash = rest.FindChar('/')) {
    prefix = prefix + "/" + rest.SubString(0, slash);
    rest = rest.SubString(slash + 1);
    if (_access(prefix.CStr(), 6) != 0) _mkdir(prefix.CStr());
  }
}

// Root folder named by a "user:", "common:" or "desktop:" path and the length of that prefix.
const TString* RootOf(const TString& path, int* prefixLength) {
  static const struct {
    const char* prefix;
    const TString& (*root)();
  } roots[] = {{"user:", GetUserRoot}, {"common:", GetCommonRoot}, {"desktop:", GetDesktopRoot}};
  for (auto& r : roots)
    if (StartsWith(path, r.prefix)) {
      *prefixLength = static_cast<int>(std::char_traits<char>::length(r.prefix));
      return &r.root();
    }
  return nullptr;
}
}  // namespace

TString ResolvePath(const TString& virtualPath, bool forReading) {
  TString path = virtualPath;
  path.ToLower();
  TAssetIndex& index = GetAssetIndex();
  auto found = index.find(path);
  if (found != index.end() && !found->second.IsEmpty()) return found->second;

  if (StartsWith(path, "::")) {
    TString rest = path.SubString(2);
    return _access(rest.CStr(), 4) == 0 ? rest : TString();
  }
  if (forReading && GetHiddenNames().count(path)) return TString();

  int prefixLength = 0;
  if (const TString* root = RootOf(path, &prefixLength)) {
    // An unset root would turn "user:x" into "/x" at the top of the disk: such names do not resolve.
    if (root->IsEmpty()) return TString();
    TString disk = *root + "/" + path.SubString(prefixLength);
    if (forReading && _access(disk.CStr(), 6) != 0) return TString();
    index[path] = disk;
    return disk;
  }
  if (StartsWith(path, "assets") && (path.CharAt(6) == '/' || path.CharAt(6) == '\\'))
    return ResolvePath(path.SubString(7), false);
  return TString();
}

bool TFile::Open(const TString& path, int mode) {
  mData.reset();
  TString located = ResolvePath(path, IsReadingMode(mode));
  if (located.IsEmpty()) return false;
  std::unique_ptr<TFileData> data;
  if (located.CharAt(0) == '@') {
    data = std::make_unique<TFlatFileMap>();
  } else if (located.CharAt(0) == '&') {
    data = std::make_unique<TMemoryFile>();
  } else {
    if (!IsReadingMode(mode)) {
      // Only paths below the player's folders get their folders made; other write paths (the
      // desktop, indexed asset paths) would otherwise try folders from the top of the disk.
      const TString& user = GetUserRoot();
      const TString& common = GetCommonRoot();
      if (IsBelow(user, located))
        MakeFoldersBelow(user, located);
      else if (IsBelow(common, located))
        MakeFoldersBelow(common, located);
    }
    data = std::make_unique<TDiskFileData>();
  }
  if (!data->Open(located, mode)) return false;
  mData = std::move(data);
  return true;
}

TFile* FileOpen(const TString& path, int mode) {
  auto file = std::make_unique<TFile>();
  if (!file->Open(path, mode)) return nullptr;
  return file.release();
}

void FileClose(TFile* file) { delete file; }
void FileSeek(TFile* file, long offset, int whence) { if (file) file->Seek(offset, whence); }
long FileTell(TFile* file) { return file ? file->Tell() : -1; }
long FileRead(TFile* file, void* buffer, long count) { return file ? file->Read(buffer, count) : 0; }
long FileWrite(TFile* file, const void* buffer, long count) { return file ? file->Write(buffer, count) : 0; }
bool FileIsEof(TFile* file) { return file ? file->IsEof() : true; }
void FileUnget(TFile* file) { if (file) file->Unget(); }
bool FileIsClosed(TFile* file) { return !file || !file->IsOpen(); }

int FileGetChar(TFile* file) {
  if (FileIsEof(file)) return -1;
  unsigned char c;
  return file->Read(&c, 1) == 1 ? c : -1;
}

char* FileReadLine(TFile* file, char* buffer, int size) {
  if (!buffer || size <= 0) return nullptr;
  int n = 0;
  while (n < size - 1) {
    int c = FileGetChar(file);
    if (c < 0) break;
    buffer[n++] = static_cast<char>(c);
    if (c == '\n' || c == '\r') break;
  }
  buffer[n] = 0;
  return FileIsEof(file) ? nullptr : buffer + n;
}

bool FileExists(const TString& path) { return !ResolvePath(path, true).IsEmpty(); }

TString GetCurrentDir() {
  std::vector<char> buf(1200);
  while (!_getcwd(buf.data(), static_cast<int>(buf.size()))) {
    if (errno != ERANGE) return TString();
    buf.resize(buf.size() * 2);
  }
  return TString(buf.data());
}
