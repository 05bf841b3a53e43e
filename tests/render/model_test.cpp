// Meshes: reading ".mesh" files, refusing damaged ones (short data, indices outside the vertex
// array), sharing through the asset manager, and reloading on restore.
#include "render/model.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "imagefixture.h"
#include "render/assetmanager.h"

using imagetest::MeshBytes;

namespace {

const std::vector<std::array<int, 8>> kTriangle = {
    {-1500, 0, 1000, 0, 0, -1000, 0, 1000}, {32767, -32768, 1, 0, 1000, 0, 500, 250}, {0, 0, 0, 0, 0, 0, 0, 0}};

class ModelTest : public ImageTest {
 protected:
  ModelTest() { TAssetManager::SetInstance(&mAssets); }
  ~ModelTest() override { TAssetManager::SetInstance(nullptr); }

  TAssetManager mAssets;
};

}  // namespace

TEST_F(ModelTest, ReadsVerticesAsThousandthsAndTheTriangleIndices) {
  WriteFile("tri.mesh", MeshBytes(kTriangle, {0, 1, 2, 2, 1, 0}));
  TModel model;
  ASSERT_TRUE(model.Init("user:tri.mesh")) << Log();
  const TMesh* mesh = model.GetMesh();
  ASSERT_TRUE(mesh);
  ASSERT_EQ(mesh->GetVertexCount(), 3);
  ASSERT_EQ(mesh->GetIndexCount(), 6);
  const TMeshVertex& a = mesh->vertices[0];
  EXPECT_FLOAT_EQ(a.x, -1.5f);
  EXPECT_FLOAT_EQ(a.z, 1.0f);
  EXPECT_FLOAT_EQ(a.nz, -1.0f);
  EXPECT_FLOAT_EQ(a.v, 1.0f);
  const TMeshVertex& b = mesh->vertices[1];
  EXPECT_FLOAT_EQ(b.x, 32.767f);
  EXPECT_FLOAT_EQ(b.y, -32.768f);
  EXPECT_FLOAT_EQ(b.z, 0.001f);
  EXPECT_FLOAT_EQ(b.ny, 1.0f);
  EXPECT_FLOAT_EQ(b.u, 0.5f);
  EXPECT_FLOAT_EQ(b.v, 0.25f);
  EXPECT_EQ(mesh->indices, (std::vector<uint16_t>{0, 1, 2, 2, 1, 0}));
  EXPECT_EQ(mesh->fileName, "user:tri.mesh");
  EXPECT_STREQ(model.GetClassName(), "TModel");
  EXPECT_TRUE(model.IsKindOf(TAsset::ClassId()));
}

TEST_F(ModelTest, AnEmptyMeshLoads) {
  WriteFile("empty.mesh", MeshBytes({}, {}));
  TModel model;
  ASSERT_TRUE(model.Init("user:empty.mesh"));
  EXPECT_EQ(model.GetMesh()->GetVertexCount(), 0);
  EXPECT_EQ(model.GetMesh()->GetIndexCount(), 0);
}

TEST_F(ModelTest, DamagedFilesAreRefusedAndLeaveNoMesh) {
  std::string good = MeshBytes(kTriangle, {0, 1, 2});
  struct Case {
    const char* name;
    std::string bytes;
    const char* logged;  // null: refused without a log line
  };
  const Case cases[] = {
      {"tag.mesh", "TRIX" + good.substr(4), "is not a mesh (no TRIS tag at the start)"},
      {"empty.mesh", "", "is not a mesh (no TRIS tag at the start)"},
      {"header.mesh", good.substr(0, 6), "ends inside its header"},
      {"vertices.mesh", good.substr(0, 8 + 16 * 3 - 1), "is shorter than its 3 vertices and 1 triangles need"},
      {"triangles.mesh", good.substr(0, good.size() - 1), "is shorter than its 3 vertices and 1 triangles need"},
      {"counts.mesh", MeshBytes(kTriangle, {0, 1, 2}, 65535, 65535), "is shorter than its 65535 vertices"},
      {"index.mesh", MeshBytes(kTriangle, {0, 1, 3}), "has a triangle with vertex 3 of 3"},
      {"noverts.mesh", MeshBytes({}, {0, 0, 0}), "has a triangle with vertex 0 of 0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFile("good.mesh", good);
    WriteFile(c.name, c.bytes);
    std::string before = Log();
    TModel model;
    ASSERT_TRUE(model.Init("user:good.mesh"));
    EXPECT_FALSE(model.Init((std::string("user:") + c.name).c_str()));
    EXPECT_FALSE(model.GetMesh());  // the mesh loaded before is gone too
    std::string added = Log().substr(before.size());
    if (c.logged)
      EXPECT_NE(added.find(std::string("TModel::Init: user:") + c.name + " " + c.logged), std::string::npos) << added;
    else
      EXPECT_EQ(added, "");
  }
}

TEST_F(ModelTest, NamesWithoutMeshOrWithoutAFileFail) {
  WriteFile("tri.dat", MeshBytes(kTriangle, {0, 1, 2}));
  TModel model;
  EXPECT_FALSE(model.Init("user:tri.dat"));
  EXPECT_EQ(Log(), "");
  EXPECT_FALSE(model.Init("user:gone.mesh"));
  EXPECT_TRUE(Logged("TModel::Init: Failed to load user:gone.mesh"));
}

TEST_F(ModelTest, GetSharesWhileHeldAndRegistersOnlyWhatLoads) {
  WriteFile("tri.mesh", MeshBytes(kTriangle, {0, 1, 2}));
  std::shared_ptr<TModel> a = TModel::Get("user:tri.mesh");
  ASSERT_TRUE(a);
  EXPECT_EQ(TModel::Get("user:tri.mesh"), a);
  a.reset();
  EXPECT_FALSE(mAssets.Find("user:tri.mesh"));  // the manager kept no reference

  WriteFile("bad.mesh", "TRIX");
  EXPECT_FALSE(TModel::Get("user:bad.mesh"));
  EXPECT_FALSE(mAssets.Find("user:bad.mesh"));
  std::shared_ptr<TModel> again = TModel::Get("user:tri.mesh");
  ASSERT_TRUE(again);
  EXPECT_EQ(again->GetMesh()->GetIndexCount(), 3);

  TAssetManager::SetInstance(nullptr);  // no platform: models load unshared
  std::shared_ptr<TModel> lone = TModel::Get("user:tri.mesh");
  ASSERT_TRUE(lone);
  EXPECT_NE(lone, again);
}

TEST_F(ModelTest, RestoreReloadsFromTheFileName) {
  WriteFile("tri.mesh", MeshBytes(kTriangle, {0, 1, 2}));
  std::shared_ptr<TModel> model = TModel::Get("user:tri.mesh");
  ASSERT_TRUE(model);
  WriteFile("tri.mesh", MeshBytes(kTriangle, {2, 2, 2, 1, 1, 1}));
  mAssets.UnloadAll();  // nothing to drop: the mesh stays
  ASSERT_TRUE(model->GetMesh());
  EXPECT_EQ(model->GetMesh()->GetIndexCount(), 3);
  mAssets.RestoreAll();
  ASSERT_TRUE(model->GetMesh());
  EXPECT_EQ(model->GetMesh()->GetIndexCount(), 6);
  EXPECT_EQ(model->GetMesh()->fileName, "user:tri.mesh");

  TModel never;
  never.Restore();
  EXPECT_FALSE(never.GetMesh());
}
