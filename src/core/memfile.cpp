// Memory-block files. Positions are kept within the block: a seek or unget before the start stops
// at 0, so no read can reach outside the block.
#include "core/memfile.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>


namespace {
// Parses a full-range unsigned decimal number; false when there are no digits or it overflows.
bool ParseUnsigned(const char* text, unsigned long long& value) {
  if (!text || *text < '0' || *text > '9') return false;
  errno = 0;
  char* end = nullptr;
  value = std::strtoull(text, &end, 10);
  return errno == 0 && end != text;
}
}  // namespace

bool SeekTarget(long position, long size, long offset, int whence, long long* target) {
  long base;
  switch (whence) {
    case kSeekCurrent: base = position; break;
    case kSeekStart: base = 0; break;
    case kSeekEnd: base = size; break;
    default: return false;
  }
  *target = static_cast<long long>(base) + offset;
  return true;
}

long CopyFileBytes(void* dst, const uint8_t* src, long count, int mode) {
  if (count <= 0) return 0;
  if (mode != kFileReadText) {
    std::memcpy(dst, src, static_cast<size_t>(count));
    return count;
  }
  auto* out = static_cast<uint8_t*>(dst);
  long stored = 0;
  for (long i = 0; i < count; ++i)
    if (src[i] != '\r') out[stored++] = src[i];
  return stored;
}

bool TMemoryFile::Open(const TString& locator, int mode) {
  Close();
  if (mode >= kFileWriteBinary) return false;  // memory files are read-only
  const char* text = locator.CStr();
  const char* comma = std::strchr(text, ',');
  unsigned long long address = 0, size = 0;
  if (locator.Length() < 2 || !comma || !ParseUnsigned(text + 1, address) || address == 0 ||
      !ParseUnsigned(comma + 1, size) || size > INT32_MAX)
    return false;
  mData = reinterpret_cast<const uint8_t*>(static_cast<uintptr_t>(address));
  mSize = static_cast<int32_t>(size);
  mPosition = 0;
  mMode = mode;
  return true;
}

void TMemoryFile::Close() {
  mData = nullptr;
  mSize = 0;
  mPosition = 0;
}

void TMemoryFile::Unget() { Seek(-1, kSeekCurrent); }

void TMemoryFile::Seek(long offset, int whence) {
  long long p;
  if (SeekTarget(mPosition, mSize, offset, whence, &p)) mPosition = static_cast<int32_t>(std::clamp<long long>(p, 0, mSize));
}

long TMemoryFile::Read(void* buffer, long count) {
  if (!mData || !buffer || count <= 0) return 0;
  long n = std::min<long>(count, mSize - mPosition);
  long stored = CopyFileBytes(buffer, mData + mPosition, n, mMode);
  mPosition += static_cast<int32_t>(n);
  return stored;
}
