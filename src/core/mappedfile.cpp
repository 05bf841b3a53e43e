// Pack-file mappings and pack-entry files.
#include "core/mappedfile.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "core/fileenv.h"
#include "core/memfile.h"
#include "core/path.h"
#include "os/files.h"
#include "os/mapping.h"

namespace {
// Full-range signed decimal parse that must consume at least one digit.
bool ParseNumber(const char* text, long long& value) {
  if (!text) return false;
  errno = 0;
  char* end = nullptr;
  value = std::strtoll(text, &end, 10);
  return errno == 0 && end != text;
}
}  // namespace

std::vector<TFileMapHandler>& GetPackTable() {
  static std::vector<TFileMapHandler> table;
  return table;
}

bool TFileMapData::Open(const TString& path) {
  Close();
  TString p = path;
  if (p.CharAt(0) == ':' && p.CharAt(1) == ':') p = p.SubString(2);
  TString full = GetFullPath(p);
  if (full.IsEmpty()) return false;
  HANDLE file = CreateFileW(ToWide(full), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  mFile = file;
  DWORD high = 0;
  DWORD low = GetFileSize(file, &high);
  mMapping = CreateFileMappingA(file, nullptr, PAGE_READONLY | SEC_COMMIT, 0, 0, nullptr);
  if (mMapping) mView = MapViewOfFile(mMapping, FILE_MAP_READ, 0, 0, 0);
  if (!mView) {
    Close();
    return false;
  }
  mSize = (static_cast<uint64_t>(high) << 32) | low;
  return true;
}

void TFileMapData::Close() {
  if (mView) UnmapViewOfFile(mView);
  if (mMapping) CloseHandle(mMapping);
  if (mFile) CloseHandle(mFile);
  mView = mMapping = mFile = nullptr;
  mSize = 0;
}

bool TFileMapHandler::Open(const TString& path) {
  mPath = path;
  mData = std::make_shared<TFileMapData>();  // open entries keep the mapping they were opened on
  return mData->Open(path);
}

bool TFlatFileMap::Open(const TString& locator, int mode) {
  Close();
  const char* text = locator.CStr();
  long long pack = 0;
  std::vector<TFileMapHandler>& table = GetPackTable();
  if (locator.CharAt(0) != '@' || !ParseNumber(text + 1, pack) || pack < 0 ||
      pack >= static_cast<long long>(table.size()))
    return false;
  const TFileMapHandler& handler = table[static_cast<size_t>(pack)];
  const uint8_t* base = handler.GetBase();
  if (!base) {
    FileLog("error reading %s from flat file", text);
    return false;
  }
  const char* colon = std::strchr(text, ':');
  const char* comma = std::strchr(text, ',');
  long long offset = 0, size = 0;
  if (!colon || !comma || !ParseNumber(colon + 1, offset) || !ParseNumber(comma + 1, size))
    return false;
  // The entry must lie inside the mapped pack, whatever the locator says.
  uint64_t mapped = handler.GetSize();
  if (offset < 0 || size < 0 || size > INT32_MAX || static_cast<uint64_t>(offset) > mapped ||
      static_cast<uint64_t>(size) > mapped - static_cast<uint64_t>(offset)) {
    FileLog("error reading %s from flat file", text);
    return false;
  }
  mMode = mode;
  mMapping = handler.GetShared();
  mData = base + offset;
  mSize = static_cast<int32_t>(size);
  mPosition = 0;
  mEof = false;
  return true;
}

void TFlatFileMap::Close() {
  mMapping.reset();
  mData = nullptr;
  mSize = 0;
  mPosition = 0;
  mEof = true;
}

void TFlatFileMap::Unget() {
  Seek(-1, kSeekCurrent);
  mEof = false;
}

void TFlatFileMap::Seek(long offset, int whence) {
  long long p;
  if (!SeekTarget(mPosition, mSize, offset, whence, &p)) return;
  if (p > mSize) {
    mPosition = mSize;  // the flag stays as it was
    return;
  }
  mPosition = static_cast<int32_t>(std::max<long long>(p, 0));
  mEof = false;
}

long TFlatFileMap::Read(void* buffer, long count) {
  if (!mData || !buffer || count <= 0) return 0;
  long left = mSize - mPosition;
  if (count > left) {
    mEof = true;
    count = left;
  }
  long stored = CopyFileBytes(buffer, mData + mPosition, count, mMode);
  mPosition += static_cast<int32_t>(count);
  return stored;
}
