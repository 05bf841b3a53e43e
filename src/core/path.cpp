// Path helpers over the platform layer's wide calls.
#include "core/path.h"

#include <cstring>
#include <vector>

#include "core/fileenv.h"
#include "os/files.h"
#include "os/lasterror.h"
#include "os/paths.h"
#include "os/shellfolders.h"
#include "os/text.h"

namespace {
// Per-thread so that a worker thread converting a path never overwrites the main thread's text.
thread_local std::vector<char16_t> tWide;

// Copies text and its NUL into the caller's buffer when it fits; else answers the size needed.
int CopyToBuffer(const TString& text, char* buffer, int size) {
  int needed = text.Length() + 1;
  if (size < needed) return needed;
  std::memcpy(buffer, text.CStr(), static_cast<size_t>(needed));
  return 0;
}

TString WithBackslash(TString path) {
  int n = path.Length();
  if (n == 0 || path.CharAt(n - 1) != '\\') path.Append('\\');
  return path;
}

bool MakeFolder(const TString& path) {
  if (CreateDirectoryW(ToWide(path), nullptr)) return true;
  return GetLastError() == ERROR_ALREADY_EXISTS;
}
}  // namespace

const char16_t* ToWide(const TString& text) {
  static const char16_t kEmpty[1] = {0};
  int n = text.Length();
  if (n == 0) {
    std::vector<char16_t>().swap(tWide);
    return kEmpty;
  }
  size_t needed = 2 * static_cast<size_t>(n) + 1;
  if (tWide.size() < needed) tWide.resize(needed);
  int units = MultiByteToWideChar(CP_UTF8, 0, text.CStr(), -1, tWide.data(), static_cast<int>(tWide.size()));
  if (units == 0) tWide[0] = 0;
  return tWide.data();
}

TString FromWide(const char16_t* text) {
  if (!text || !text[0]) return TString();
  size_t units = os::WideLength(text);
  std::vector<char> buf(4 * units + 1);
  int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, buf.data(), static_cast<int>(buf.size()), nullptr, nullptr);
  return n > 0 ? TString(buf.data()) : TString();
}

TString GetFullPath(const TString& path) {
  // Start with the classic 260 units and grow to what the call asks for, so that a long path is
  // neither cut nor taken from an unfilled buffer.
  std::u16string wide(ToWide(path));
  std::vector<char16_t> buf(MAX_PATH);
  for (int attempt = 0; attempt < 3; ++attempt) {
    DWORD n = GetFullPathNameW(wide.c_str(), static_cast<DWORD>(buf.size()), buf.data(), nullptr);
    if (n == 0) return TString();
    if (n < buf.size()) return FromWide(buf.data());
    buf.resize(n);
  }
  return TString();
}

int GetSpecialFolder(char* buffer, int size) {
  char desktop[MAX_PATH];
  if (!buffer || !SHGetSpecialFolderPathA(nullptr, desktop, CSIDL_DESKTOP, TRUE)) return -1;
  TString full = GetFullPath(desktop);
  if (full.IsEmpty()) return -1;
  return CopyToBuffer(WithBackslash(full), buffer, size);
}

int MakeUserDataFolder(bool common, const char* gameFolder, char* buffer, int size) {
  if (!gameFolder || !buffer) return -1;
  bool present = false;
  TString publisher = FileConfigValue("publisher", &present);
  publisher = present ? publisher + '\\' : TString("Brisklume\\");
  char16_t shell[MAX_PATH];
  if (!SHGetSpecialFolderPathW(nullptr, shell, common ? CSIDL_COMMON_APPDATA : CSIDL_APPDATA, TRUE)) return -1;
  TString base = GetFullPath(FromWide(shell));
  if (base.IsEmpty()) return -1;
  base = WithBackslash(base);
  TString publisherFolder = base + publisher;
  TString gameFolderPath = publisherFolder + TString(gameFolder) + '\\';
  int needed = gameFolderPath.Length() + 1;
  if (size < needed) return needed;
  if (!MakeFolder(publisherFolder) || !MakeFolder(gameFolderPath)) return -1;
  std::memcpy(buffer, gameFolderPath.CStr(), static_cast<size_t>(needed));
  return 0;
}
