// The collation library beside the executable: loaded once, it orders every TString comparison and
// TString-keyed map; a missing library or export leaves the order bytewise.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "core/collation.h"
#include "core/string.h"
#include "core/stringkeymap.h"
#include "os/paths.h"
#include "os/tempfolder.h"

namespace {
namespace fs = std::filesystem;

// Puts a library beside a pretend executable in a temporary folder and makes the next comparison
// look for the collation library again; everything is undone at the end of the test.
class CollationPlugin : public ::testing::Test {
protected:
  void Install(const char* library) {
    fs::copy_file(library, mDir / "VXLocale.dll");  // the name is matched without regard to case
  }
  void SetUp() override {
    os::TestSetModulePath(mDir / "harrowmere");
    SetCollateLoader(nullptr);
  }
  void TearDown() override {
    os::TestSetModulePath("");
    SetCollateLoader(nullptr);
  }

  std::vector<std::string> MapOrder() {
    StringKeyMap<int> map;
    for (const char* key : {"cherry", "Banana", "apple", "Mia", "mia", "banana2"}) map[key] += 1;
    std::vector<std::string> order;
    for (const auto& entry : map) order.push_back(entry.first.CStr());
    return order;
  }

  testutil::TempFolder mDir;
};

TEST_F(CollationPlugin, LibraryBesideTheExecutableOrdersStringsAndMaps) {
  Install(TM_TEST_COLLATE_LIBRARY);
  ASSERT_NE(GetCollateHandler(), nullptr);
  EXPECT_LT(CollateStrings("apple", "Banana"), 0);
  EXPECT_EQ(CollateStrings("Mia", "mia"), 0);
  EXPECT_TRUE(TString("Banana") < TString("cherry"));
  // Keys the library calls equal are one key.
  EXPECT_EQ(MapOrder(), (std::vector<std::string>{"apple", "Banana", "banana2", "cherry", "Mia"}));
}

TEST_F(CollationPlugin, WithoutTheLibraryOrExportOrderIsBytewise) {
  const std::vector<std::string> bytewise = {"Banana", "Mia", "apple", "banana2", "cherry", "mia"};
  EXPECT_EQ(GetCollateHandler(), nullptr);
  EXPECT_EQ(MapOrder(), bytewise);

  Install(TM_TEST_NO_COLLATE_LIBRARY);
  SetCollateLoader(nullptr);
  EXPECT_EQ(GetCollateHandler(), nullptr);
  EXPECT_GT(CollateStrings("apple", "Banana"), 0);
  EXPECT_EQ(MapOrder(), bytewise);
}

TEST_F(CollationPlugin, MovingAHandlerLeavesTheSourceEmpty) {
  Install(TM_TEST_COLLATE_LIBRARY);
  std::unique_ptr<TDllCollateHandler> loaded = LoadCollateHandler();
  ASSERT_NE(loaded, nullptr);
  TDllCollateHandler moved(std::move(*loaded));
  EXPECT_EQ(loaded->Module(), nullptr);
  EXPECT_EQ(loaded->Collate("a", "B"), 0);
  EXPECT_LT(moved.Collate("a", "B"), 0);
  loaded.reset();  // frees nothing: the moved handler still uses the library
  EXPECT_GT(moved.Collate("c", "B"), 0);
}

}  // namespace
