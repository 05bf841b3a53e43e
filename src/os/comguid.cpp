// CoCreateGuid over getrandom.
#include "os/comguid.h"

#include <fcntl.h>
#include <sys/random.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "os/faultinject.h"

namespace {
bool RandomBytes(unsigned char* out, size_t n) {
  size_t got = 0;
  while (got < n) {
    const ssize_t r = getrandom(out + got, n - got, 0);
    if (r > 0) {
      got += size_t(r);
    } else if (r < 0 && errno == EINTR) {
      continue;
    } else {
      break;
    }
  }
  if (got == n) return true;
  const int fd = open("/dev/urandom", O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  while (got < n) {
    const ssize_t r = read(fd, out + got, n - got);
    if (r <= 0 && !(r < 0 && errno == EINTR)) break;
    if (r > 0) got += size_t(r);
  }
  close(fd);
  return got == n;
}
}  // namespace

HRESULT CoCreateGuid(GUID* guid) {
  if (!guid) return E_POINTER;
  if (os::ShouldFail("CoCreateGuid")) return E_FAIL;
  unsigned char bytes[16];
  if (!RandomBytes(bytes, sizeof bytes)) return E_FAIL;
  std::memcpy(guid, bytes, sizeof bytes);
  guid->Data3 = WORD((guid->Data3 & 0x0FFF) | 0x4000);
  guid->Data4[0] = BYTE((guid->Data4[0] & 0x3F) | 0x80);
  return S_OK;
}
