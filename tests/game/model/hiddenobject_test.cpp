// The hidden-object item list: how it is filled from grouped, listed and active objects, how
// finds are recorded, and the random picks that must never draw from an empty set.
#include <algorithm>
#include <set>

#include "model/hiddenobject.h"
#include "modelfixture.h"

namespace {

struct Counter : CObserver {
  int updates = 0;
  void Update(CObservedSubject*) override { ++updates; }
};

class HiddenObjectTest : public ModelTest {
 protected:
  CHiddenObject* Add(const std::string& id, int32_t group = 0, bool active = true) {
    auto object = std::make_unique<CHiddenObject>();
    object->SetId(id);
    object->SetName("name of " + id);
    object->SetGroupId(group);
    object->SetActive(active);
    CHiddenObject* raw = object.get();
    game.AddHiddenObject(std::move(object));
    return raw;
  }
  std::set<std::string> Listed() {
    const auto& names = game.GetItemListNames();
    return std::set<std::string>(names.begin(), names.end());
  }
  CHiddenObjectGame game;
};

}  // namespace

TEST_F(HiddenObjectTest, DrawsTheWantedNumberFromActiveObjectsOnly) {
  for (int i = 0; i < 8; ++i) Add("obj" + std::to_string(i));
  Add("sleeping", 0, false);
  game.SetItemListCount(5);
  EXPECT_TRUE(game.BuildItemList());
  const std::set<std::string> listed = Listed();
  EXPECT_EQ(listed.size(), 5u);
  EXPECT_EQ(listed.count("sleeping"), 0u);
}

TEST_F(HiddenObjectTest, GroupedObjectsAlwaysAppearAndGroupsTakeOneSlotEach) {
  Add("a1", 1);
  Add("a2", 1);
  Add("b1", 2);
  for (int i = 0; i < 10; ++i) Add("obj" + std::to_string(i));
  game.SetItemListCount(6);
  game.BuildItemList();
  const std::set<std::string> listed = Listed();
  EXPECT_EQ(listed.size(), 7u);  // 6 - 2 groups = 4 drawn, plus the 3 grouped
  for (const char* id : {"a1", "a2", "b1"}) EXPECT_EQ(listed.count(id), 1u) << id;
  EXPECT_EQ(game.CountObjectsInGroup(1), 2);
  EXPECT_STREQ(game.GetGroupNameByGroupId(0), "");
}

TEST_F(HiddenObjectTest, ListedItemsAreNeitherDrawnAgainNorCountedTwice) {
  for (int i = 0; i < 10; ++i) Add("obj" + std::to_string(i));
  game.SetItemListCount(5);
  for (const char* id : {"obj1", "obj2", "obj3"}) game.RestoreDisplayedItem(id);
  game.BuildItemList();
  EXPECT_EQ(game.GetDisplayedCount(), 5u);
  game.BuildItemList();  // a second visit adds nothing
  EXPECT_EQ(game.GetDisplayedCount(), 5u);
}

TEST_F(HiddenObjectTest, ImpossibleCountsDrawNothingAndKeepTheGroupedObjects) {
  Add("a1", 1);
  Add("b1", 2);
  Add("c1", 3);
  Add("free");
  game.SetItemListCount(1);  // fewer slots than groups
  game.BuildItemList();
  EXPECT_EQ(Listed(), (std::set<std::string>{"a1", "b1", "c1"}));

  CHiddenObjectGame empty;
  empty.SetItemListCount(5);
  EXPECT_TRUE(empty.BuildItemList());
  EXPECT_EQ(empty.GetDisplayedCount(), 0u);
  EXPECT_EQ(empty.GetRandomPendingItem(), "none");

  CHiddenObjectGame negative;
  negative.SetItemListCount(-3);
  negative.BuildItemList();
  EXPECT_EQ(negative.GetDisplayedCount(), 0u);
}

TEST_F(HiddenObjectTest, TheFillFlagStopsBuilding) {
  Add("x");
  game.SetItemListCount(1);
  game.SetFillItemList(0x100);  // low byte 0
  game.BuildItemList();
  EXPECT_EQ(game.GetDisplayedCount(), 0u);
}

TEST_F(HiddenObjectTest, MarkingFoundNotifiesEvenForUnlistedNames) {
  Add("cup");
  Add("fork");
  game.SetItemListCount(2);
  game.AddDisplayedItem("cup");
  game.AddDisplayedItem("fork");
  Counter counter;
  game.Attach(&counter);
  EXPECT_FALSE(game.MarkItemFound("spoon"));
  EXPECT_EQ(counter.updates, 1);
  EXPECT_TRUE(game.MarkItemFound("cup"));
  EXPECT_TRUE(game.MarkItemFound("cup"));
  EXPECT_EQ(game.GetItemListSlots(), (std::vector<std::string>{"none", "fork"}));
  EXPECT_EQ(game.GetRandomPendingItem(), "fork");
  game.MarkItemFound("fork");
  EXPECT_TRUE(game.AllItemsFound());
  EXPECT_EQ(game.GetRandomPendingItem(), "none");
  game.Detach(&counter);
}

TEST_F(HiddenObjectTest, AddingBeyondTheWantedLengthIsIgnored) {
  for (const char* id : {"a", "b", "c"}) Add(id);
  game.SetItemListCount(2);
  for (const char* id : {"a", "b", "c"}) game.AddDisplayedItem(id);
  EXPECT_EQ(game.GetDisplayedCount(), 2u);
  EXPECT_FALSE(game.IsItemDisplayed("c"));
}

TEST_F(HiddenObjectTest, LookupsTolerateDuplicateIds) {
  Add("twin")->SetName("first");
  Add("twin")->SetName("last");
  EXPECT_STREQ(game.FindHiddenObject("twin")->GetName(), "last");
  EXPECT_STREQ(game.GetObjectNameById("twin"), "first");
  EXPECT_EQ(game.GetObjectNameById("nobody"), nullptr);
  game.SetObjectVisible("twin", false);
  EXPECT_FALSE(game.FindHiddenObject("twin")->IsVisible());
  EXPECT_TRUE(game.GetObject(0)->IsVisible());

  game.ResetObjectIterator();
  EXPECT_STREQ(game.NextObject()->GetName(), "first");
  EXPECT_STREQ(game.NextObject()->GetName(), "last");
  EXPECT_STREQ(game.NextObject()->GetName(), "last");
}

TEST_F(HiddenObjectTest, AGroupedGameKeepsItsListAcrossSaveAndLoad) {
  std::string text = R"lua(MakeGame { currentScene = 1, MakeLevel { seqId = 1,
    MakeHiddenObjectGame { seqId = 1, itemListCount = 4,
      MakeHOGGroup { groupName = "Keys", MakeHiddenObject { id = "k1" }, MakeHiddenObject { id = "k2" } },
      MakeHiddenObject { id = "a" }, MakeHiddenObject { id = "b" }, MakeHiddenObject { id = "c" },
      MakeHiddenObject { id = "d" }, MakeHiddenObject { id = "e" } } } })lua";
  Build(text);
  auto hog = [] { return dynamic_cast<CHiddenObjectGame*>(CGame::GetInstance()->FindScene(1)); };
  hog()->BuildItemList();
  const size_t listed = hog()->GetDisplayedCount();
  EXPECT_EQ(listed, 5u);  // 3 drawn + 2 grouped
  for (int cycle = 0; cycle < 3; ++cycle) {
    ExpectRoundTrip();
    EXPECT_EQ(hog()->GetItemListCount(), 4);
    EXPECT_EQ(hog()->GetDisplayedCount(), listed);
    hog()->BuildItemList();  // the next visit draws nothing more
    EXPECT_EQ(hog()->GetDisplayedCount(), listed);
  }
}
