// Read-only file mappings over mmap.
#include "os/mapping.h"

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <mutex>

#include "os/faultinject.h"
#include "os/filehandle.h"
#include "os/lasterror.h"

namespace {
// The mapping keeps its own descriptor, so the file handle may be closed while views live.
struct MappingObject : os::HandleObject {
  MappingObject(int descriptor, uint64_t bytes) : fd(descriptor), size(bytes) {}
  ~MappingObject() override { close(fd); }
  int fd;
  uint64_t size;
};

std::mutex gViewsMutex;
std::map<const void*, size_t> gViews;
}  // namespace

HANDLE CreateFileMappingA(HANDLE file, void* security, DWORD protect, DWORD sizeHigh, DWORD sizeLow,
                          LPCSTR name) {
  auto f = os::LookupHandleAs<os::FileObject>(file);
  if (!f) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if ((protect & 0xFF) != PAGE_READONLY) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  if (os::ShouldFail("CreateFileMappingA")) return nullptr;
  struct stat st;
  if (fstat(f->fd, &st) != 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  uint64_t size = (static_cast<uint64_t>(sizeHigh) << 32) | sizeLow;
  if (size == 0) size = static_cast<uint64_t>(st.st_size);
  if (size == 0) {
    SetLastError(ERROR_FILE_INVALID);
    return nullptr;
  }
  if (size > static_cast<uint64_t>(st.st_size)) {  // a read-only mapping cannot grow the file
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  int fd = dup(f->fd);
  if (fd < 0) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  return os::NewHandle(std::make_shared<MappingObject>(fd, size));
}

void* MapViewOfFile(HANDLE mapping, DWORD access, DWORD offsetHigh, DWORD offsetLow, SIZE_T bytes) {
  auto m = os::LookupHandleAs<MappingObject>(mapping);
  if (!m) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (access != FILE_MAP_READ) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  if (os::ShouldFail("MapViewOfFile")) return nullptr;
  uint64_t offset = (static_cast<uint64_t>(offsetHigh) << 32) | offsetLow;
  if (offset % static_cast<uint64_t>(sysconf(_SC_PAGESIZE)) != 0 || offset >= m->size ||
      bytes > m->size - offset) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  size_t length = bytes ? bytes : static_cast<size_t>(m->size - offset);
  void* base = mmap(nullptr, length, PROT_READ, MAP_PRIVATE, m->fd, static_cast<off_t>(offset));
  if (base == MAP_FAILED) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  std::lock_guard<std::mutex> lock(gViewsMutex);
  gViews[base] = length;
  return base;
}

BOOL UnmapViewOfFile(const void* base) {
  size_t length;
  {
    std::lock_guard<std::mutex> lock(gViewsMutex);
    auto it = gViews.find(base);
    if (it == gViews.end()) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    length = it->second;
    gViews.erase(it);
  }
  munmap(const_cast<void*>(base), length);
  return TRUE;
}

namespace os {
int TestMappedViewCount() {
  std::lock_guard<std::mutex> lock(gViewsMutex);
  return static_cast<int>(gViews.size());
}
}  // namespace os
