// GetAdaptersInfo's buffer protocol, test lists, the system's interfaces, and CoCreateGuid.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "os/adapters.h"
#include "os/comguid.h"

namespace {

struct RestoreAdapters {
  ~RestoreAdapters() { os::TestUseSystemAdapters(); }
};

TEST(Adapters, ShortBufferAsksForTheNeededSizeAndRecordsAreChained) {
  RestoreAdapters restore;
  os::TestSetNetworkAdapters({{"eth0", {1, 2, 3, 4, 5, 6}}, {"eth1", {7, 8, 9, 10, 11, 12}}});
  ULONG size = 0;
  EXPECT_EQ(GetAdaptersInfo(nullptr, &size), ERROR_BUFFER_OVERFLOW);
  EXPECT_EQ(size, 2 * sizeof(IP_ADAPTER_INFO));
  ULONG small = sizeof(IP_ADAPTER_INFO);
  std::vector<IP_ADAPTER_INFO> one(1);
  EXPECT_EQ(GetAdaptersInfo(one.data(), &small), ERROR_BUFFER_OVERFLOW);
  EXPECT_EQ(small, size);

  std::vector<IP_ADAPTER_INFO> list(2);
  ASSERT_EQ(GetAdaptersInfo(list.data(), &size), ERROR_SUCCESS);
  EXPECT_STREQ(list[0].AdapterName, "eth0");
  EXPECT_EQ(list[0].Next, &list[1]);
  EXPECT_EQ(list[1].Next, nullptr);
  EXPECT_EQ(list[0].AddressLength, 6u);
  const BYTE expected[8] = {1, 2, 3, 4, 5, 6, 0, 0};
  EXPECT_EQ(std::memcmp(list[0].Address, expected, 8), 0);
  EXPECT_EQ(GetAdaptersInfo(list.data(), nullptr), ERROR_INVALID_PARAMETER);

  os::TestSetNetworkAdapters({});
  EXPECT_EQ(GetAdaptersInfo(list.data(), &size), ERROR_NO_DATA);
}

TEST(Adapters, SystemListSkipsLoopbackAndIsStable) {
  ULONG size = 0;
  const DWORD probe = GetAdaptersInfo(nullptr, &size);
  if (probe == ERROR_NO_DATA) GTEST_SKIP() << "this machine has no network interface with an address";
  ASSERT_EQ(probe, ERROR_BUFFER_OVERFLOW);
  std::vector<IP_ADAPTER_INFO> a(size / sizeof(IP_ADAPTER_INFO)), b(a.size());
  ULONG sizeA = size, sizeB = size;
  ASSERT_EQ(GetAdaptersInfo(a.data(), &sizeA), ERROR_SUCCESS);
  ASSERT_EQ(GetAdaptersInfo(b.data(), &sizeB), ERROR_SUCCESS);
  for (const IP_ADAPTER_INFO* p = a.data(); p; p = p->Next) EXPECT_STRNE(p->AdapterName, "lo");
  EXPECT_STREQ(a[0].AdapterName, b[0].AdapterName);
  EXPECT_EQ(std::memcmp(a[0].Address, b[0].Address, 8), 0);
  EXPECT_GT(a[0].AddressLength, 0u);
}

TEST(ComGuid, GivesFreshVersionFourGuids) {
  GUID a{}, b{};
  ASSERT_EQ(CoCreateGuid(&a), S_OK);
  ASSERT_EQ(CoCreateGuid(&b), S_OK);
  EXPECT_FALSE(a == b);
  EXPECT_EQ(a.Data3 >> 12, 4);
  EXPECT_EQ(a.Data4[0] & 0xC0, 0x80);
  EXPECT_EQ(CoCreateGuid(nullptr), E_POINTER);
}

}  // namespace
