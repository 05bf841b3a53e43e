// Sorted folder listings behind FindFirstFileW.
#include "os/folders.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "os/faultinject.h"
#include "os/lasterror.h"
#include "os/text.h"

namespace {
struct Entry {
  std::u16string name;
  std::string utf8;
  struct stat st;
};

struct SearchObject : os::HandleObject {
  std::vector<Entry> entries;
  size_t next = 0;
};

// Wildcard match of * and ? on folded names (only "*" is used by the framework).
bool Matches(const std::string& pattern, const std::string& name) {
  size_t p = 0, n = 0, starP = std::string::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n])) {
      ++p; ++n;
    } else if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starN = n;
    } else if (starP != std::string::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

FILETIME ToFileTime(const timespec& t) {
  // 100-ns ticks from 1601 to 1970.
  uint64_t ticks = static_cast<uint64_t>(t.tv_sec) * 10000000ull + static_cast<uint64_t>(t.tv_nsec) / 100 +
                   116444736000000000ull;
  return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

void Fill(const Entry& e, WIN32_FIND_DATAW* data) {
  std::memset(data, 0, sizeof(*data));
  if (S_ISDIR(e.st.st_mode))
    data->dwFileAttributes = FILE_ATTRIBUTE_DIRECTORY;
  else
    data->dwFileAttributes = (e.st.st_mode & S_IWUSR) ? FILE_ATTRIBUTE_NORMAL : FILE_ATTRIBUTE_READONLY;
  data->ftCreationTime = ToFileTime(e.st.st_ctim);
  data->ftLastAccessTime = ToFileTime(e.st.st_atim);
  data->ftLastWriteTime = ToFileTime(e.st.st_mtim);
  uint64_t size = S_ISDIR(e.st.st_mode) ? 0 : static_cast<uint64_t>(e.st.st_size);
  data->nFileSizeHigh = static_cast<DWORD>(size >> 32);
  data->nFileSizeLow = static_cast<DWORD>(size);
  std::memcpy(data->cFileName, e.name.data(), e.name.size() * sizeof(char16_t));
}
}  // namespace

HANDLE FindFirstFileW(LPCWSTR pattern, WIN32_FIND_DATAW* data) {
  if (!pattern || !data) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  if (os::ShouldFail("FindFirstFileW")) return INVALID_HANDLE_VALUE;
  std::string text = os::Utf16ToUtf8(pattern);
  size_t cut = text.find_last_of("/\\");
  std::string folderPart = cut == std::string::npos ? std::string() : text.substr(0, cut + 1);
  std::string namePattern = os::FoldName(cut == std::string::npos ? text : text.substr(cut + 1));
  if (folderPart.size() == 2 && folderPart[1] == ':') folderPart += "\\";  // "Z:*" lists the root
  std::string folder = os::ToLinuxPath(folderPart.empty() ? "." : folderPart);
  DIR* d = opendir(folder.c_str());
  if (!d) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  auto search = std::make_shared<SearchObject>();
  while (dirent* de = readdir(d)) {
    Entry e;
    e.utf8 = de->d_name;
    if (!Matches(namePattern, os::FoldName(e.utf8))) continue;
    e.name = os::Utf8ToUtf16(e.utf8);
    if (e.name.size() >= MAX_PATH) continue;  // cannot be shown in the record
    std::string full = folder == "/" ? "/" + e.utf8 : folder + "/" + e.utf8;
    if (stat(full.c_str(), &e.st) != 0 && lstat(full.c_str(), &e.st) != 0) continue;
    search->entries.push_back(std::move(e));
  }
  closedir(d);
  std::sort(search->entries.begin(), search->entries.end(),
            [](const Entry& a, const Entry& b) { return os::ListingLess(a.utf8, b.utf8); });
  if (search->entries.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  Fill(search->entries[0], data);
  search->next = 1;
  return os::NewHandle(search);
}

BOOL FindNextFileW(HANDLE search, WIN32_FIND_DATAW* data) {
  auto s = os::LookupHandleAs<SearchObject>(search);
  if (!s || !data) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (s->next >= s->entries.size()) {
    SetLastError(ERROR_NO_MORE_FILES);
    return FALSE;
  }
  Fill(s->entries[s->next++], data);
  return TRUE;
}

BOOL FindClose(HANDLE search) {
  if (!os::LookupHandleAs<SearchObject>(search)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return CloseHandle(search);
}
