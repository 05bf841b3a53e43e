// TModel, the shared asset holding one triangle mesh read from a ".mesh" file: a vertex array in the
// layout the device takes for lit vertices (position, normal, texture coordinates) and a list of
// 16-bit vertex indices, three per triangle. Found and shared by name through the asset manager; the
// game hands the mesh to the draw context itself.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "core/string.h"
#include "render/asset.h"

// One vertex: x, y, z, the normal, u, v (the device's 32-byte lit-vertex layout).
struct TMeshVertex {
  float x = 0, y = 0, z = 0;
  float nx = 0, ny = 0, nz = 0;
  float u = 0, v = 0;
};
static_assert(sizeof(TMeshVertex) == 32, "the device takes these vertices as they are");

struct TMesh {
  std::vector<TMeshVertex> vertices;
  std::vector<uint16_t> indices;  // three per triangle, each below the vertex count
  TString fileName;               // the name the mesh was loaded from

  int32_t GetVertexCount() const { return static_cast<int32_t>(vertices.size()); }
  int32_t GetIndexCount() const { return static_cast<int32_t>(indices.size()); }
};

class TModel : public TAsset {
  TM_CLASS(TModel, TAsset)

 public:
  TModel() = default;
  ~TModel() override;

  // The mesh lives in main memory, so there is nothing to drop when the device goes.
  void Unload() override {}
  // Reloads a loaded mesh from its file name; a model that never loaded stays empty.
  void Restore() override;

  // Loads the mesh of a ".mesh" file, replacing any loaded one. Fails for a name without ".mesh",
  // a file that cannot be opened (logged), a file not starting with "TRIS", and (logged) a file
  // shorter than its counts say or with a vertex index outside the vertex array.
  bool Init(const TString& name);
  // The shared model of that name: the asset manager's when it holds one, else a new one that is
  // registered only when it loads; empty when it does not.
  static std::shared_ptr<TModel> Get(const TString& name);

  // The loaded mesh, or null.
  const TMesh* GetMesh() const { return mMesh.get(); }

 private:
  std::unique_ptr<TMesh> mMesh;
};
