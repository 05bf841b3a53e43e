// GetAdaptersInfo over getifaddrs: AF_PACKET entries carry each interface's hardware address.
#include "os/adapters.h"

#include <ifaddrs.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <optional>

#include "os/faultinject.h"

namespace {
std::mutex gLock;
std::optional<std::vector<os::TestNetworkAdapter>> gTestAdapters;

std::vector<os::TestNetworkAdapter> SystemAdapters() {
  std::vector<os::TestNetworkAdapter> list;
  ifaddrs* all = nullptr;
  if (getifaddrs(&all) != 0) return list;
  for (ifaddrs* a = all; a; a = a->ifa_next) {
    if (!a->ifa_addr || a->ifa_addr->sa_family != AF_PACKET || (a->ifa_flags & IFF_LOOPBACK)) continue;
    const auto* ll = reinterpret_cast<const sockaddr_ll*>(a->ifa_addr);
    if (ll->sll_halen == 0) continue;  // tunnels and the like have no hardware address
    os::TestNetworkAdapter adapter;
    adapter.name = a->ifa_name ? a->ifa_name : "";
    adapter.address.assign(ll->sll_addr, ll->sll_addr + std::min<int>(ll->sll_halen, MAX_ADAPTER_ADDRESS_LENGTH));
    list.push_back(std::move(adapter));
  }
  freeifaddrs(all);
  std::sort(list.begin(), list.end(), [](const auto& x, const auto& y) { return x.name < y.name; });
  return list;
}

void CopyText(char* out, size_t capacity, const std::string& text) {
  const size_t n = std::min(capacity - 1, text.size());
  std::memcpy(out, text.data(), n);
  out[n] = 0;
}
}  // namespace

DWORD GetAdaptersInfo(PIP_ADAPTER_INFO adapterInfo, ULONG* size) {
  if (!size) return ERROR_INVALID_PARAMETER;
  if (os::ShouldFail("GetAdaptersInfo")) return GetLastError();
  std::vector<os::TestNetworkAdapter> list;
  {
    std::lock_guard<std::mutex> guard(gLock);
    list = gTestAdapters ? *gTestAdapters : SystemAdapters();
  }
  if (list.empty()) return ERROR_NO_DATA;
  const ULONG needed = ULONG(list.size() * sizeof(IP_ADAPTER_INFO));
  if (!adapterInfo || *size < needed) {
    *size = needed;
    return ERROR_BUFFER_OVERFLOW;
  }
  for (size_t i = 0; i < list.size(); ++i) {
    IP_ADAPTER_INFO& rec = adapterInfo[i];
    std::memset(&rec, 0, sizeof rec);
    rec.Next = i + 1 < list.size() ? &adapterInfo[i + 1] : nullptr;
    CopyText(rec.AdapterName, sizeof rec.AdapterName, list[i].name);
    CopyText(rec.Description, sizeof rec.Description, list[i].name);
    const size_t n = std::min<size_t>(list[i].address.size(), MAX_ADAPTER_ADDRESS_LENGTH);
    std::memcpy(rec.Address, list[i].address.data(), n);
    rec.AddressLength = UINT(n);
    rec.Index = DWORD(i + 1);
    rec.Type = 6;
  }
  return ERROR_SUCCESS;
}

namespace os {
void TestSetNetworkAdapters(const std::vector<TestNetworkAdapter>& adapters) {
  std::lock_guard<std::mutex> guard(gLock);
  gTestAdapters = adapters;
}

void TestUseSystemAdapters() {
  std::lock_guard<std::mutex> guard(gLock);
  gTestAdapters.reset();
}
}  // namespace os
