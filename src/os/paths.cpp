// Windows-view <-> Linux path mapping with case-insensitive component matching.
#include "os/paths.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "os/lasterror.h"
#include "os/text.h"

namespace {
// One folder's names by folded form; valid while the folder's identity and modify time are the same.
struct Listing {
  dev_t dev = 0;
  ino_t ino = 0;
  timespec mtime{};
  std::unordered_map<std::string, std::string> byFold;
};

std::mutex gCacheMutex;
std::unordered_map<std::string, Listing> gCache;
std::mutex gModuleMutex;
std::string gModulePath;

bool SameStamp(const Listing& l, const struct stat& st) {
  return l.dev == st.st_dev && l.ino == st.st_ino && l.mtime.tv_sec == st.st_mtim.tv_sec &&
         l.mtime.tv_nsec == st.st_mtim.tv_nsec;
}

// The on-disk name in `folder` that matches `name` without regard to case, or "" when none does.
std::string FindInFolder(const std::string& folder, const std::string& name) {
  struct stat st;
  if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return {};
  std::lock_guard<std::mutex> lock(gCacheMutex);
  Listing& l = gCache[folder];
  if (!SameStamp(l, st)) {
    l.byFold.clear();
    l.dev = st.st_dev;
    l.ino = st.st_ino;
    l.mtime = st.st_mtim;
    if (DIR* d = opendir(folder.c_str())) {
      while (dirent* e = readdir(d)) {
        std::string real = e->d_name;
        auto [it, added] = l.byFold.emplace(os::FoldName(real), real);
        if (!added && real < it->second) it->second = real;  // two names differing in case: stable pick
      }
      closedir(d);
    }
  }
  auto it = l.byFold.find(os::FoldName(name));
  return it == l.byFold.end() ? std::string() : it->second;
}

std::string CurrentFolder() {
  std::vector<char> buf(1024);
  while (!getcwd(buf.data(), buf.size())) {
    if (errno != ERANGE) return "/";
    buf.resize(buf.size() * 2);
  }
  return buf.data();
}

// Splits on both separators, dropping empty and "." components and folding "..".
void AppendComponents(std::vector<std::string>& parts, std::string_view path) {
  size_t i = 0;
  while (i <= path.size()) {
    size_t j = path.find_first_of("/\\", i);
    if (j == std::string_view::npos) j = path.size();
    std::string_view c = path.substr(i, j - i);
    if (c == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!c.empty() && c != ".") {
      parts.emplace_back(c);
    }
    i = j + 1;
  }
}

bool HasDrive(std::string_view p) {
  return p.size() >= 2 && p[1] == ':' && ((p[0] >= 'A' && p[0] <= 'Z') || (p[0] >= 'a' && p[0] <= 'z'));
}

// Normalised, absolute Windows-view path of `path` (backslashes, "Z:" root).
std::string FullWindowsPath(std::string_view path) {
  std::vector<std::string> parts;
  bool trailing = !path.empty() && (path.back() == '\\' || path.back() == '/');
  if (HasDrive(path)) {
    path.remove_prefix(2);
  } else if (path.empty() || (path[0] != '\\' && path[0] != '/')) {
    AppendComponents(parts, CurrentFolder());
  }
  AppendComponents(parts, path);
  std::string out = "Z:";
  for (auto& c : parts) out += "\\" + c;
  if (parts.empty() || trailing) out += "\\";
  return out;
}

// Copies a UTF-8 text as UTF-16 into a caller's buffer with the GetXxxW length conventions.
DWORD CopyOut(const std::string& text, LPWSTR buffer, DWORD size) {
  std::u16string w = os::Utf8ToUtf16(text);
  if (!buffer || size < w.size() + 1) return static_cast<DWORD>(w.size() + 1);
  std::memcpy(buffer, w.data(), w.size() * sizeof(char16_t));
  buffer[w.size()] = 0;
  return static_cast<DWORD>(w.size());
}
}  // namespace

namespace os {
std::string FoldName(std::string_view name) {
  std::string out(name);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

bool ListingLess(std::string_view a, std::string_view b) {
  std::u16string wa = Utf8ToUtf16(a), wb = Utf8ToUtf16(b);
  auto up = [](char16_t c) { return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c; };
  size_t n = std::min(wa.size(), wb.size());
  for (size_t i = 0; i < n; ++i) {
    char16_t x = up(wa[i]), y = up(wb[i]);
    if (x != y) return x < y;
  }
  if (wa.size() != wb.size()) return wa.size() < wb.size();
  return a < b;  // equal but for case: a fixed order all the same
}

namespace {
std::vector<std::string> LinuxComponents(std::string_view path) {
  std::vector<std::string> parts;
  if (HasDrive(path)) {
    path.remove_prefix(2);
  } else if (path.empty() || (path[0] != '\\' && path[0] != '/')) {
    AppendComponents(parts, CurrentFolder());
  }
  AppendComponents(parts, path);
  return parts;
}

std::string Joined(const std::vector<std::string>& parts) {
  std::string exact;
  for (auto& c : parts) exact += "/" + c;
  return exact.empty() ? "/" : exact;
}
}  // namespace

std::string ExactLinuxPath(std::string_view path) { return Joined(LinuxComponents(path)); }

std::string ToLinuxPath(std::string_view path) {
  std::vector<std::string> parts = LinuxComponents(path);
  std::string exact = Joined(parts);
  if (exact == "/") return exact;
  struct stat st;
  if (lstat(exact.c_str(), &st) == 0) return exact;  // the usual case: nothing to match
  std::string out;
  size_t i = 0;
  for (; i < parts.size(); ++i) {
    std::string next = out + "/" + parts[i];
    if (lstat(next.c_str(), &st) == 0) {
      out = next;
      continue;
    }
    std::string real = FindInFolder(out.empty() ? "/" : out, parts[i]);
    if (real.empty()) break;
    out += "/" + real;
  }
  for (; i < parts.size(); ++i) out += "/" + parts[i];
  return out;
}

std::string ToWindowsPath(std::string_view linuxPath) {
  std::string out;
  if (!linuxPath.empty() && linuxPath[0] == '/') out = "Z:";
  for (char c : linuxPath) out += c == '/' ? '\\' : c;
  if (out == "Z:") out += "\\";
  return out;
}

void ClearPathCache() {
  std::lock_guard<std::mutex> lock(gCacheMutex);
  gCache.clear();
}

void TestSetModulePath(const std::string& linuxPath) {
  std::lock_guard<std::mutex> lock(gModuleMutex);
  gModulePath = linuxPath;
}
}  // namespace os

DWORD GetModuleFileNameW(HMODULE module, LPWSTR buffer, DWORD size) {
  std::string path;
  {
    std::lock_guard<std::mutex> lock(gModuleMutex);
    path = gModulePath;
  }
  if (path.empty()) {
    std::vector<char> buf(4096);
    ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size() - 1);
    if (n <= 0) {
      SetLastError(ERROR_FILE_NOT_FOUND);
      return 0;
    }
    path.assign(buf.data(), static_cast<size_t>(n));
  }
  std::u16string w = os::Utf8ToUtf16(os::ToWindowsPath(path));
  if (!buffer || size == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  if (w.size() + 1 > size) {
    std::memcpy(buffer, w.data(), (size - 1) * sizeof(char16_t));
    buffer[size - 1] = 0;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
  }
  std::memcpy(buffer, w.data(), w.size() * sizeof(char16_t));
  buffer[w.size()] = 0;
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(w.size());
}

DWORD GetCurrentDirectoryW(DWORD size, LPWSTR buffer) {
  return CopyOut(os::ToWindowsPath(CurrentFolder()), buffer, size);
}

BOOL SetCurrentDirectoryW(LPCWSTR path) {
  if (!path) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::string p = os::ToLinuxPath(os::Utf16ToUtf8(path));
  if (chdir(p.c_str()) != 0) {
    SetLastError(errno == ENOENT || errno == ENOTDIR ? ERROR_PATH_NOT_FOUND : ERROR_ACCESS_DENIED);
    return FALSE;
  }
  return TRUE;
}

DWORD GetFullPathNameW(LPCWSTR path, DWORD size, LPWSTR buffer, LPWSTR* filePart) {
  if (filePart) *filePart = nullptr;
  if (!path || !path[0]) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::string full = FullWindowsPath(os::Utf16ToUtf8(path));
  DWORD n = CopyOut(full, buffer, size);
  if (buffer && n < size && filePart && full.back() != '\\') {
    for (DWORD i = n; i > 0; --i)
      if (buffer[i - 1] == u'\\') {
        *filePart = buffer + i;
        break;
      }
  }
  return n;
}

DWORD GetShortPathNameW(LPCWSTR longPath, LPWSTR shortPath, DWORD size) {
  if (!longPath) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::string p = os::Utf16ToUtf8(longPath);
  struct stat st;
  if (stat(os::ToLinuxPath(p).c_str(), &st) != 0) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return 0;
  }
  return CopyOut(p, shortPath, size);
}

char* _getcwd(char* buffer, int size) {
  std::string p = os::ToWindowsPath(CurrentFolder());
  if (!buffer || size <= 0 || p.size() + 1 > static_cast<size_t>(size)) {
    errno = ERANGE;
    return nullptr;
  }
  std::memcpy(buffer, p.c_str(), p.size() + 1);
  return buffer;
}
