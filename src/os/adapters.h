// Network adapter list of the stand-in (iphlpapi GetAdaptersInfo). Only what the machine identifier
// reads is filled: name, hardware address and its length. Tests can offer their own list or none.
#pragma once
#include <string>
#include <vector>

#include "os/lasterror.h"
#include "os/win32types.h"

constexpr int MAX_ADAPTER_NAME_LENGTH = 256;         // adapter name field, without the 4 spare bytes
constexpr int MAX_ADAPTER_DESCRIPTION_LENGTH = 128;  // description field, without the 4 spare bytes
constexpr int MAX_ADAPTER_ADDRESS_LENGTH = 8;        // hardware address field (6 bytes used for Ethernet)
constexpr DWORD ERROR_BUFFER_OVERFLOW = 111;         // the buffer cannot hold the list; size set to needed
constexpr DWORD ERROR_NO_DATA = 232;                 // no adapter to report

// One adapter record of the list; records are chained through Next inside the caller's buffer.
struct IP_ADAPTER_INFO {
  IP_ADAPTER_INFO* Next;                                // next record, null after the last
  DWORD ComboIndex;                                     // unused, 0
  char AdapterName[MAX_ADAPTER_NAME_LENGTH + 4];        // interface name ("eth0")
  char Description[MAX_ADAPTER_DESCRIPTION_LENGTH + 4]; // interface name again
  UINT AddressLength;                                   // bytes of Address in use
  BYTE Address[MAX_ADAPTER_ADDRESS_LENGTH];             // hardware address, unused bytes zero
  DWORD Index;                                          // interface index
  UINT Type;                                            // 6 (Ethernet) for every record
};
using PIP_ADAPTER_INFO = IP_ADAPTER_INFO*;

// Fills the caller's buffer with the non-loopback interfaces that have a hardware address (from the
// AF_PACKET entries of getifaddrs), sorted by name so the first one stays the same across runs.
// ERROR_SUCCESS; ERROR_BUFFER_OVERFLOW with *size set when the buffer is short; ERROR_NO_DATA when
// there is none; ERROR_INVALID_PARAMETER for a null size.
DWORD GetAdaptersInfo(PIP_ADAPTER_INFO adapterInfo, ULONG* size);

namespace os {
struct TestNetworkAdapter {
  std::string name;
  std::vector<BYTE> address;  // up to 8 bytes
};
// Test control: GetAdaptersInfo reports exactly these adapters (an empty list: no adapter at all).
void TestSetNetworkAdapters(const std::vector<TestNetworkAdapter>& adapters);
// Back to the system's interfaces.
void TestUseSystemAdapters();
}  // namespace os
