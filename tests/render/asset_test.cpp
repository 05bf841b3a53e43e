// The run-time type scheme as assets use it, and the asset manager's weak registry with its
// unload/restore walks.
#include "render/asset.h"
#include "render/assetmanager.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A small hierarchy shaped like the texture classes: TAsset <- Tex <- AnimTex, TAsset <- Mesh.
class Tex : public TAsset {
  TM_CLASS(Tex, TAsset)
};
class AnimTex : public Tex {
  TM_CLASS(AnimTex, Tex)
};
class Mesh : public TAsset {
  TM_CLASS(Mesh, TAsset)
};

// Records Unload and Restore calls in a shared journal.
class Journaled : public TAsset {
  TM_CLASS(Journaled, TAsset)

 public:
  Journaled(std::string name, std::vector<std::string>* journal)
      : mName(std::move(name)), mJournal(journal) {}
  void Unload() override { mJournal->push_back("unload " + mName); }
  void Restore() override { mJournal->push_back("restore " + mName); }

 private:
  std::string mName;
  std::vector<std::string>* mJournal;
};

}  // namespace

TEST(ClassId, IdentitiesAreDistinctAndStable) {
  EXPECT_NE(TAsset::ClassId(), Tex::ClassId());
  EXPECT_NE(Tex::ClassId(), AnimTex::ClassId());
  EXPECT_NE(Tex::ClassId(), Mesh::ClassId());
  EXPECT_EQ(Tex::ClassId(), Tex::ClassId());
}

TEST(ClassId, NamesAndKindsFollowTheHierarchy) {
  struct Case {
    std::shared_ptr<TAsset> object;
    const char* name;
    bool asset, tex, anim, mesh;
  };
  const Case cases[] = {
      {std::make_shared<TAsset>(), "TAsset", true, false, false, false},
      {std::make_shared<Tex>(), "Tex", true, true, false, false},
      {std::make_shared<AnimTex>(), "AnimTex", true, true, true, false},
      {std::make_shared<Mesh>(), "Mesh", true, false, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_STREQ(c.object->GetClassName(), c.name);
    EXPECT_EQ(c.object->IsKindOf(TAsset::ClassId()), c.asset);
    EXPECT_EQ(c.object->IsKindOf(Tex::ClassId()), c.tex);
    EXPECT_EQ(c.object->IsKindOf(AnimTex::ClassId()), c.anim);
    EXPECT_EQ(c.object->IsKindOf(Mesh::ClassId()), c.mesh);
  }
}

TEST(ClassId, DownCastSharesOwnershipOrGivesEmpty) {
  std::shared_ptr<TAsset> anim = std::make_shared<AnimTex>();
  std::shared_ptr<TAsset> tex = std::make_shared<Tex>();

  std::shared_ptr<Tex> asTex = KindCast<Tex>(anim);
  ASSERT_TRUE(asTex);
  EXPECT_EQ(asTex.get(), static_cast<Tex*>(static_cast<AnimTex*>(anim.get())));
  EXPECT_EQ(anim.use_count(), 2);  // one owner group, not a second control block
  EXPECT_FALSE(asTex.owner_before(anim) || anim.owner_before(asTex));

  EXPECT_FALSE(KindCast<AnimTex>(tex));
  EXPECT_FALSE(KindCast<Mesh>(anim));
  EXPECT_FALSE(KindCast<Tex>(std::shared_ptr<TAsset>()));

  EXPECT_EQ(KindCast<Tex>(anim.get()), asTex.get());
  EXPECT_EQ(KindCast<AnimTex>(tex.get()), nullptr);
  EXPECT_EQ(KindCast<Tex>(static_cast<TAsset*>(nullptr)), nullptr);
}

TEST(Asset, KnowsItsOwnSharedPointer) {
  std::shared_ptr<TAsset> a = std::make_shared<Mesh>();
  std::shared_ptr<TAsset> self = a->shared_from_this();
  EXPECT_EQ(self, a);
  EXPECT_EQ(a.use_count(), 2);
}

TEST(AssetManager, InstanceIsWhatThePlatformSet) {
  EXPECT_EQ(TAssetManager::GetInstance(), nullptr);
  {
    TAssetManager manager;
    TAssetManager::SetInstance(&manager);
    EXPECT_EQ(TAssetManager::GetInstance(), &manager);
  }
  // A destroyed manager never stays reachable.
  EXPECT_EQ(TAssetManager::GetInstance(), nullptr);
}

TEST(AssetManager, SharesALiveAssetByNameAndNeverKeepsItAlive) {
  TAssetManager manager;
  std::weak_ptr<TAsset> watch;
  {
    auto tex = std::make_shared<Tex>();
    manager.Register("a.png", tex);
    watch = tex;
    EXPECT_EQ(manager.Find("a.png"), tex);
    EXPECT_EQ(manager.Find("a.png"), tex);
  }
  EXPECT_TRUE(watch.expired());
  EXPECT_FALSE(manager.Find("a.png"));
  EXPECT_EQ(manager.GetCount(), 1);  // the expired entry stays until a sweep
}

// The pattern every asset class follows to get an asset by key.
TEST(AssetManager, GetByKeyPatternCreatesAgainAfterEveryHolderLetGo) {
  TAssetManager manager;
  int loads = 0;
  auto get = [&](const TString& key) -> std::shared_ptr<Tex> {
    if (std::shared_ptr<Tex> found = KindCast<Tex>(manager.Find(key))) return found;
    auto made = std::make_shared<Tex>();
    manager.Register(key, made);
    ++loads;
    return made;
  };
  std::shared_ptr<Tex> first = get("k");
  std::shared_ptr<Tex> second = get("k");
  EXPECT_EQ(first, second);
  EXPECT_EQ(loads, 1);
  first.reset();
  second.reset();
  std::shared_ptr<Tex> third = get("k");
  EXPECT_EQ(loads, 2);
  // A name held by an asset of another kind is not shared as this kind.
  manager.Register("m", std::make_shared<Mesh>());
  EXPECT_FALSE(KindCast<Tex>(manager.Find("m")));
}

TEST(AssetManager, FindOfUnknownNameLeavesAnEmptyEntry) {
  TAssetManager manager;
  EXPECT_FALSE(manager.Find("nothing"));
  EXPECT_EQ(manager.GetCount(), 1);
  EXPECT_FALSE(manager.Find("nothing"));
  EXPECT_EQ(manager.GetCount(), 1);
  manager.Unregister("nothing");
  manager.Unregister("never there");
  EXPECT_EQ(manager.GetCount(), 0);
}

TEST(AssetManager, RegisterReplacesAndUnregisterForgets) {
  TAssetManager manager;
  auto a = std::make_shared<Tex>();
  auto b = std::make_shared<Mesh>();
  manager.Register("x", a);
  manager.Register("x", b);
  EXPECT_EQ(manager.Find("x"), b);
  EXPECT_EQ(manager.GetCount(), 1);
  manager.Unregister("x");
  EXPECT_FALSE(manager.Find("x"));
}

TEST(AssetManager, UnloadSweepsExpiredAndRestoreReachesExactlyTheLive) {
  TAssetManager manager;
  std::vector<std::string> journal;
  auto c = std::make_shared<Journaled>("c", &journal);
  auto a = std::make_shared<Journaled>("a", &journal);
  manager.Register("c", c);
  manager.Register("a", a);
  {
    auto gone = std::make_shared<Journaled>("b", &journal);
    manager.Register("b", gone);
  }
  manager.Find("d");  // empty entry
  EXPECT_EQ(manager.GetCount(), 4);

  manager.RestoreAll();  // leaves expired entries in place
  EXPECT_EQ(manager.GetCount(), 4);
  manager.UnloadAll();
  EXPECT_EQ(manager.GetCount(), 2);
  manager.RestoreAll();
  EXPECT_EQ(journal, (std::vector<std::string>{"restore a", "restore c", "unload a", "unload c",
                                               "restore a", "restore c"}));
}

// An asset whose unload registers and drops names must not upset the walk.
TEST(AssetManager, UnloadMayChangeTheRegistry) {
  class Meddler : public TAsset {
   public:
    explicit Meddler(TAssetManager* m) : mManager(m) {}
    void Unload() override {
      mManager->Unregister("a");
      mManager->Unregister("b");
      mManager->Register("c", shared_from_this());
      ++mUnloads;
    }
    TAssetManager* mManager;
    int mUnloads = 0;
  };
  TAssetManager manager;
  auto m = std::make_shared<Meddler>(&manager);
  auto other = std::make_shared<Meddler>(&manager);
  manager.Register("a", m);
  manager.Register("b", other);
  manager.UnloadAll();
  EXPECT_EQ(m->mUnloads, 1);
  EXPECT_EQ(other->mUnloads, 1);
  EXPECT_EQ(manager.GetCount(), 1);
}
