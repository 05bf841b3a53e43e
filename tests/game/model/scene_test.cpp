// Model base, scenes and their clickable parts, commands, and the held inventory.
#include <vector>

#include "model/command.h"
#include "model/inventory.h"
#include "model/scene.h"
#include "model/scenekinds.h"
#include "modelfixture.h"

namespace {

struct RecordingObserver : CObserver {
  std::vector<CObservedSubject*> seen;
  void Update(CObservedSubject* subject) override { seen.push_back(subject); }
};

// Detaches itself while being told.
struct LeavingObserver : CObserver {
  int updates = 0;
  void Update(CObservedSubject* subject) override {
    ++updates;
    subject->Detach(this);
  }
};

std::unique_ptr<CSceneExit> Exit(const std::string& id, int32_t next = 1) {
  auto exit = std::make_unique<CSceneExit>();
  exit->SetId(id);
  exit->SetNextScene(next);
  return exit;
}

}  // namespace

using SceneTest = ModelTest;

TEST_F(SceneTest, ObserverAttachedTwiceIsToldTwiceAndOneDetachRemovesBoth) {
  CInventory subject;
  RecordingObserver a, b, never;
  subject.Attach(&a);
  subject.Attach(&b);
  subject.Attach(&a);
  subject.Notify();
  EXPECT_EQ(a.seen.size(), 2u);
  EXPECT_EQ(b.seen.size(), 1u);
  EXPECT_EQ(a.seen[0], &subject);
  subject.Detach(&never);
  EXPECT_EQ(subject.GetObserverCount(), 3u);
  subject.Detach(&a);
  subject.Notify();
  EXPECT_EQ(a.seen.size(), 2u);
  EXPECT_EQ(b.seen.size(), 2u);
}

TEST_F(SceneTest, ObserverDetachingDuringNotifyDoesNotDisturbTheOthers) {
  CInventory subject;
  LeavingObserver leaving;
  RecordingObserver after;
  subject.Attach(&leaving);
  subject.Attach(&after);
  subject.Notify();
  subject.Notify();
  EXPECT_EQ(leaving.updates, 1);
  EXPECT_EQ(after.seen.size(), 2u);
}

TEST_F(SceneTest, PointInAreaAcceptsEdgesAndCornersOfAClockwiseQuad) {
  TCorners area;
  const int32_t xs[4] = {10, 110, 110, 10}, ys[4] = {20, 20, 80, 80};
  for (int i = 0; i < 4; ++i) area.x[i] = xs[i], area.y[i] = ys[i];
  struct Case {
    int32_t x, y;
    bool inside;
  };
  const Case cases[] = {{50, 50, true},  {10, 20, true},  {110, 80, true}, {60, 20, true},
                        {10, 50, true},  {60, 19, false}, {9, 50, false},  {111, 50, false},
                        {60, 81, false}, {-5000, -5000, false}};
  for (const Case& c : cases) EXPECT_EQ(area.IsInside(c.x, c.y), c.inside) << c.x << "," << c.y;

  TCorners reversed;
  for (int i = 0; i < 4; ++i) reversed.x[i] = xs[3 - i], reversed.y[i] = ys[3 - i];
  EXPECT_FALSE(reversed.IsInside(50, 50));

  TCorners point;
  for (int i = 0; i < 4; ++i) point.x[i] = 7, point.y[i] = 9;
  EXPECT_TRUE(point.IsInside(7, 9));
  EXPECT_FALSE(point.IsInside(7, 10));

  // Corners far apart cannot overflow the test.
  TCorners huge;
  const int32_t hx[4] = {INT32_MIN, INT32_MAX, INT32_MAX, INT32_MIN};
  const int32_t hy[4] = {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX};
  for (int i = 0; i < 4; ++i) huge.x[i] = hx[i], huge.y[i] = hy[i];
  EXPECT_TRUE(huge.IsInside(0, 0));
}

TEST_F(SceneTest, ExitGlowsForTwoSecondsAfterItStarts) {
  CSceneExit exit;
  EXPECT_FALSE(exit.IsGlowing());
  exit.StartGlow();
  EXPECT_TRUE(exit.IsGlowing());
  mNow += 2;
  EXPECT_TRUE(exit.IsGlowing());
  mNow += 1;
  EXPECT_FALSE(exit.IsGlowing());
  exit.StartGlow();
  exit.StopGlow();
  EXPECT_FALSE(exit.IsGlowing());
}

TEST_F(SceneTest, ExitsAreKeyedByIdAndReplacedWhole) {
  CChapterScreen scene;
  scene.AddSceneExit(Exit("b", 1));
  scene.AddSceneExit(Exit("a", 2));
  scene.AddSceneExit(Exit("b", 3));
  EXPECT_EQ(scene.GetSceneExitCount(), 2u);
  EXPECT_EQ(scene.FindSceneExit("b")->GetNextScene(), 3);
  EXPECT_EQ(scene.FindSceneExit("B"), nullptr);
  EXPECT_EQ(scene.GetSceneExitCount(), 2u);

  std::vector<std::string> walk;
  for (scene.ResetSceneExitIterator(); scene.HasNextSceneExit();) walk.push_back(scene.GetNextSceneExit()->GetId());
  EXPECT_EQ(walk, (std::vector<std::string>{"a", "b"}));
  scene.RemoveSceneExit("zzz");
  scene.RemoveSceneExit("a");
  EXPECT_EQ(scene.GetSceneExitCount(), 1u);
}

TEST_F(SceneTest, RemovingTheExitUnderTheCursorMovesTheCursorOn) {
  CChapterScreen scene;
  for (const char* id : {"a", "b", "c"}) scene.AddSceneExit(Exit(id));
  scene.ResetSceneExitIterator();
  scene.RemoveSceneExit("a");
  ASSERT_TRUE(scene.HasNextSceneExit());
  EXPECT_STREQ(scene.GetNextSceneExit()->GetId(), "b");
  scene.RemoveSceneExit("c");
  EXPECT_FALSE(scene.HasNextSceneExit());
}

TEST_F(SceneTest, DoActionRunsOnlyAStoredTarget) {
  CSceneHotspot hotspot;
  auto map = std::make_unique<ActionMap>();
  (*map)["key"] = std::make_unique<CCommandLua>("used = (used or 0) + 1");
  hotspot.SetActionMap(std::move(map));
  EXPECT_FALSE(hotspot.DoAction("rope"));
  EXPECT_EQ(GlobalType("used"), LUA_TNIL);
  EXPECT_TRUE(hotspot.DoAction("key"));
  EXPECT_EQ(GlobalNumber("used"), 1);

  CSceneObject object;
  ActionMap first;
  first["OnPickedUp"] = std::make_unique<CCommandLua>("picked = 'first'");
  object.SetActionMap(std::move(first));
  ActionMap second;
  second["OnPickedUp"] = std::make_unique<CCommandLua>("picked = 'second'");
  second["Other"] = std::make_unique<CCommandLua>("");
  object.SetActionMap(std::move(second));
  EXPECT_EQ(object.GetActionMap().size(), 2u);
  EXPECT_TRUE(object.DoAction("OnPickedUp"));
  EXPECT_EQ(GlobalString("picked"), "second");
  EXPECT_TRUE(object.DoAction("Other"));  // an empty text runs and does nothing
}

TEST_F(SceneTest, ACommandWithAnErrorIsReportedAndDoesNotReachTheCaller) {
  CCommandLua bad("this is not lua");
  bad.Execute();
  CCommandLua failing("error('boom')");
  failing.Execute();
  EXPECT_TRUE(Logged("boom")) << Log();
  CCommandLua good("after = 1");
  good.Execute();
  EXPECT_EQ(GlobalNumber("after"), 1);
}

TEST_F(SceneTest, SceneWritesItsScriptsAndPartsOnlyWhenPresent) {
  CChapterScreen scene;
  std::string text;
  scene.Serialize(text);
  EXPECT_EQ(text.find("initScript"), std::string::npos);
  EXPECT_EQ(text.find("exitScript"), std::string::npos);
  EXPECT_EQ(text.find("MakeSceneExit"), std::string::npos);
  EXPECT_EQ(text.find("minLoop"), std::string::npos);

  auto exit = Exit("e");
  std::string exitText;
  exit->Serialize(exitText);
  EXPECT_EQ(exitText.find("image"), std::string::npos);
  EXPECT_NE(exitText.find("\tnextScene = 1,\n}; -- MakeSceneExit end\n"), std::string::npos) << exitText;
  exit->SetImage("door.png");
  exit->SetImagePosition(3, 4);
  exitText.clear();
  exit->Serialize(exitText);
  EXPECT_NE(exitText.find("\timagePositionY = 4\n}; -- MakeSceneExit end\n"), std::string::npos) << exitText;
}

TEST_F(SceneTest, SerializeAppends) {
  CInventory inventory;
  inventory.AddItem("key");
  std::string once, twice;
  inventory.Serialize(once);
  inventory.Serialize(twice);
  inventory.Serialize(twice);
  EXPECT_EQ(twice, once + once);
}

TEST_F(SceneTest, InventoryRemovesTheLastMatchingItemAndTellsOnce) {
  CInventory inventory;
  for (const char* id : {"key", "rope", "key"}) inventory.AddItem(id);
  RecordingObserver observer;
  inventory.Attach(&observer);
  inventory.RemoveItem("key");
  EXPECT_EQ(inventory.GetHeld(), (std::vector<std::string>{"key", "rope"}));
  EXPECT_EQ(inventory.GetCount(), 2);
  EXPECT_EQ(observer.seen.size(), 1u);
  inventory.RemoveItem("lamp");
  EXPECT_EQ(inventory.GetCount(), 2);
  EXPECT_EQ(observer.seen.size(), 1u);
  EXPECT_EQ(inventory.GetItem(2), nullptr);
  EXPECT_EQ(inventory.GetItem(-1), nullptr);
  EXPECT_STREQ(inventory.GetItem(1), "rope");
  inventory.Detach(&observer);
}

TEST_F(SceneTest, InventoryCopyTakesItemsAndObservers) {
  CInventory source;
  RecordingObserver observer;
  source.Attach(&observer);
  source.AddItem("a");
  CInventory copy;
  copy = source;
  EXPECT_EQ(copy.GetHeld(), source.GetHeld());
  copy.Notify();
  EXPECT_EQ(observer.seen.back(), &copy);
  copy = copy;
  EXPECT_EQ(copy.GetObserverCount(), 1u);
}

TEST_F(SceneTest, ItemHasNoActionForTheEmptyTarget) {
  CInventoryItem item;
  auto map = std::make_unique<ActionMap>();
  (*map)[""] = std::make_unique<CCommandLua>("x = 1");
  (*map)["door"] = std::make_unique<CCommandLua>("x = 2");
  item.SetActionMap(std::move(map));
  EXPECT_FALSE(item.HasAction(""));
  EXPECT_TRUE(item.HasAction("door"));
  EXPECT_FALSE(item.HasAction("Door"));
}

TEST_F(SceneTest, AdventureObjectsAreFoundInInsertionOrderAndChangesNotify) {
  CAdventureScreen screen;
  for (const char* name : {"first", "second"}) {
    auto object = std::make_unique<CSceneObject>();
    object->SetId("same");
    object->SetName(name);
    screen.AddSceneObject(std::move(object));
  }
  EXPECT_STREQ(screen.FindSceneObject("same")->GetName(), "first");
  RecordingObserver observer;
  screen.Attach(&observer);
  screen.SetObjectVisible("nobody", false);
  EXPECT_EQ(observer.seen.size(), 1u);
  screen.SetObjectActive("same", false);
  EXPECT_FALSE(screen.FindSceneObject("same")->IsActive());
  EXPECT_EQ(observer.seen.size(), 2u);
  std::string text;
  screen.Serialize(text);
  EXPECT_NE(text.find("\"first\""), std::string::npos);
  EXPECT_NE(text.find("\"second\""), std::string::npos);
  screen.Detach(&observer);
}

TEST_F(SceneTest, CutsceneFindsSpeakersByPositionAndWritesMoodWords) {
  CCutscene cutscene;
  auto character = std::make_unique<CCutsceneCharacter>();
  character->SetId("anna");
  character->SetPosition(2);
  cutscene.AddCharacter(std::move(character));
  auto script = std::make_unique<CCutsceneScript>();
  for (const char* speaker : {"ghost", "anna"}) {
    auto line = std::make_unique<CCutsceneScriptItem>();
    line->SetCharacterId(speaker);
    line->SetMood(0);
    script->AddItem(script->GetLineCount() + 1, std::move(line));
  }
  cutscene.SetScript(std::move(script));
  EXPECT_STREQ(cutscene.GetScript()->GetCurrentItem()->GetCharacterId(), "ghost");
  EXPECT_TRUE(cutscene.GetScript()->Advance());
  EXPECT_FALSE(cutscene.GetScript()->Advance());
  EXPECT_STREQ(cutscene.GetScript()->GetCurrentItem()->GetCharacterId(), "anna");
  cutscene.GetScript()->Rewind();
  EXPECT_EQ(cutscene.GetScript()->GetCurrent(), 1);
  EXPECT_STREQ(cutscene.FindCharacterAtPosition(2)->GetId(), "anna");
  EXPECT_EQ(cutscene.FindCharacterAtPosition(1), nullptr);

  std::string text;
  cutscene.Serialize(text);
  EXPECT_EQ(text.find("images"), std::string::npos);
  EXPECT_NE(text.find("\t{ \"anna\", \"normal\", \"\", \"\" },\n"), std::string::npos) << text;
}
