// MakeComputerId: the first adapter's address through GetAdaptersInfo, folded into 8 character pairs.
#include "core/machineid.h"

#include <cstring>
#include <vector>

#include "core/guid.h"
#include "os/adapters.h"

namespace {
// The classic request: a zeroed buffer with room for 16 adapter records of the original layout.
constexpr ULONG kAdapterBufferSize = 10368;
}  // namespace

TString ComputerIdFromAddress(const uint8_t address[8]) {
  uint8_t b[8];
  std::memcpy(b, address, 8);
  b[6] = b[3];
  b[7] = b[4];
  TString id;
  for (int i = 0; i < 8; ++i) {
    const uint8_t x = uint8_t(b[i] ^ b[(i + 1) % 8]);
    id += char((x & 31) | 64);
    id += char((x >> 5) + i + 66);
  }
  return id;
}

TString MakeComputerId() {
  static_assert(sizeof(IP_ADAPTER_INFO) * 16 <= kAdapterBufferSize);
  ULONG size = kAdapterBufferSize;
  std::vector<IP_ADAPTER_INFO> buffer(size / sizeof(IP_ADAPTER_INFO));
  size = ULONG(buffer.size() * sizeof(IP_ADAPTER_INFO));
  DWORD result = GetAdaptersInfo(buffer.data(), &size);
  if (result == ERROR_BUFFER_OVERFLOW) {
    // Machines with many virtual interfaces list more than fit; the first one is what counts, so
    // ask again with the size the list needs rather than falling back to a random identifier.
    buffer.assign(size / sizeof(IP_ADAPTER_INFO) + 1, IP_ADAPTER_INFO{});
    size = ULONG(buffer.size() * sizeof(IP_ADAPTER_INFO));
    result = GetAdaptersInfo(buffer.data(), &size);
  }
  uint8_t address[8] = {};
  if (result == ERROR_SUCCESS) {
    std::memcpy(address, buffer[0].Address, 8);
  } else {
    uint8_t guid[16];
    NewGuid(guid);
    std::memcpy(address, guid, 8);
  }
  return ComputerIdFromAddress(address);
}
