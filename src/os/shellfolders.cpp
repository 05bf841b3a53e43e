// Special folders from the XDG environment.
#include "os/shellfolders.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "os/faultinject.h"
#include "os/lasterror.h"
#include "os/paths.h"
#include "os/text.h"

namespace {
std::string HomeFolder() {
  const char* home = std::getenv("HOME");
  if (home && home[0]) return home;
  if (passwd* pw = getpwuid(getuid())) return pw->pw_dir;
  return {};
}

std::string LinuxFolder(int csidl) {
  const char* env = nullptr;
  const char* fallback = nullptr;
  if (csidl == CSIDL_APPDATA) {
    env = "XDG_DATA_HOME";
    fallback = "/.local/share";
  } else if (csidl == CSIDL_DESKTOP) {
    env = "XDG_DESKTOP_DIR";
    fallback = "/Desktop";
  } else {
    return {};
  }
  const char* value = std::getenv(env);
  if (value && value[0] == '/') return value;  // XDG asks to ignore relative values
  std::string home = HomeFolder();
  return home.empty() ? std::string() : home + fallback;
}

bool MakeFolders(const std::string& path) {
  for (size_t i = 1; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == '/') {
      std::string part = path.substr(0, i);
      if (mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) return false;
    }
  }
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The folder in the Windows view, or "" with the last error set.
std::string SpecialFolder(int csidl, BOOL create) {
  if (os::ShouldFail("SHGetSpecialFolderPath")) return {};
  std::string folder = LinuxFolder(csidl);
  if (folder.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return {};
  }
  folder = os::ToLinuxPath(folder);
  // The caller's buffer holds MAX_PATH units; a longer folder is refused before anything is created.
  if (os::Utf8ToUtf16(os::ToWindowsPath(folder)).size() + 1 > MAX_PATH) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return {};
  }
  struct stat st;
  if (create ? !MakeFolders(folder) : (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return {};
  }
  return os::ToWindowsPath(folder);
}
}  // namespace

BOOL SHGetSpecialFolderPathW(HWND owner, LPWSTR path, int csidl, BOOL create) {
  if (!path) return FALSE;
  std::u16string w = os::Utf8ToUtf16(SpecialFolder(csidl, create));
  if (w.empty()) return FALSE;
  std::memcpy(path, w.c_str(), (w.size() + 1) * sizeof(char16_t));
  return TRUE;
}

BOOL SHGetSpecialFolderPathA(HWND owner, LPSTR path, int csidl, BOOL create) {
  if (!path) return FALSE;
  std::string s = SpecialFolder(csidl, create);
  if (s.empty() || s.size() + 1 > MAX_PATH) {  // UTF-8 may need more bytes than UTF-16 units
    if (!s.empty()) SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return FALSE;
  }
  std::memcpy(path, s.c_str(), s.size() + 1);
  return TRUE;
}
