// Machine identifier from the first adapter's address, its random fall-back, and GUID texts.
#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "core/guid.h"
#include "core/machineid.h"
#include "os/adapters.h"
#include "os/faultinject.h"

namespace {

class MachineId : public ::testing::Test {
protected:
  void TearDown() override {
    os::TestUseSystemAdapters();
    os::TestClearFailures();
  }
};

void ExpectIdShape(const TString& id) {
  ASSERT_EQ(id.Length(), 16) << id.CStr();
  for (int i = 0; i < 16; i += 2) {
    const int odd = static_cast<unsigned char>(id.CharAt(i));
    const int even = static_cast<unsigned char>(id.CharAt(i + 1));
    EXPECT_TRUE(odd >= 64 && odd <= 95) << id.CStr();
    EXPECT_TRUE(even >= 'B' && even <= 'P') << id.CStr();
  }
}

TEST_F(MachineId, FoldsTheFirstAdapterAddressIntoCharacterPairs) {
  const struct {
    std::vector<BYTE> address;
    const char* id;
  } cases[] = {
      {{0, 0, 0, 0, 0, 0}, "@B@C@D@E@F@G@H@I"},
      // Worked by hand: bytes 6 and 7 take bytes 3 and 4, then each pair comes from b[i] ^ b[i+1].
      {{0x00, 0x11, 0x22, 0x33, 0x44, 0x55}, "QBSDQDWHQFFJWKDK"},
  };
  for (const auto& c : cases) {
    os::TestSetNetworkAdapters({{"eth0", c.address}, {"wlan0", {9, 9, 9, 9, 9, 9}}});
    EXPECT_TRUE(MakeComputerId() == c.id) << MakeComputerId().CStr();
  }
}

TEST_F(MachineId, StaysTheSameWhileTheFirstAdapterDoes) {
  os::TestSetNetworkAdapters({{"eth0", {0xde, 0xad, 0xbe, 0xef, 0x01, 0x02}}, {"eth1", {1, 2, 3, 4, 5, 6}}});
  const TString first = MakeComputerId();
  ExpectIdShape(first);
  os::TestSetNetworkAdapters({{"eth0", {0xde, 0xad, 0xbe, 0xef, 0x01, 0x02}}, {"eth1", {6, 5, 4, 3, 2, 1}}});
  EXPECT_TRUE(MakeComputerId() == first);
  os::TestSetNetworkAdapters({{"eth0", {0xde, 0xad, 0xbe, 0xef, 0x01, 0x03}}});
  EXPECT_FALSE(MakeComputerId() == first);
}

TEST_F(MachineId, ManyAdaptersStillGiveTheFirstOnesIdentifier) {
  std::vector<os::TestNetworkAdapter> many;
  for (int i = 0; i < 60; ++i) many.push_back({"veth" + std::to_string(100 + i), {2, 0, 0, 0, 0, BYTE(i)}});
  os::TestSetNetworkAdapters(many);
  const TString id = MakeComputerId();
  os::TestSetNetworkAdapters({many.front()});
  EXPECT_TRUE(MakeComputerId() == id);
}

TEST_F(MachineId, WithoutAdaptersItIsRandomButWellFormed) {
  os::TestSetNetworkAdapters({});
  const TString a = MakeComputerId();
  const TString b = MakeComputerId();
  ExpectIdShape(a);
  ExpectIdShape(b);
  EXPECT_FALSE(a == b);
  os::TestSetNetworkAdapters({{"eth0", {1, 2, 3, 4, 5, 6}}});
  os::TestFailCall("GetAdaptersInfo", ERROR_NO_DATA);
  ExpectIdShape(MakeComputerId());
  EXPECT_FALSE(MakeComputerId() == a);
}

TEST(GuidText, IsThirtyTwoLowerCaseHexDigitsAndFreshEachTime) {
  std::set<std::string> seen;
  for (int i = 0; i < 20; ++i) {
    const TString text = MakeGuidText();
    ASSERT_EQ(text.Length(), 32);
    for (int k = 0; k < 32; ++k) {
      const char c = text.CharAt(k);
      EXPECT_TRUE((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')) << text.CStr();
    }
    seen.insert(text.CStr());
  }
  EXPECT_EQ(seen.size(), 20u);
}

TEST(GuidText, WordsAreTheGuidsFourWordsInMemoryOrder) {
  uint8_t bytes[16];
  NewGuid(bytes);
  uint32_t words[4];
  std::memcpy(words, bytes, 16);
  // Version 4: the high nibble of the third 16-bit field, i.e. bits 28-31 of the second word's upper half.
  EXPECT_EQ((words[1] >> 28) & 0xF, 4u);
}

}  // namespace
