// Reading ".mesh" files: "TRIS", a 16-bit vertex count V and triangle count T, V vertices of eight
// signed 16-bit thousandths (position, normal, u, v) and T triangles of three 16-bit indices, all
// little-endian. The counts are checked against the bytes the file holds, and every index against V,
// before anything is kept, so a damaged file never leaves a mesh that reads past its vertices.
#include "render/model.h"

#include <cstring>

#include "core/file.h"
#include "core/log.h"
#include "render/assetmanager.h"

namespace {

constexpr size_t kMeshHeaderSize = 8;
constexpr size_t kMeshVertexSize = 16;
constexpr size_t kMeshTriangleSize = 6;

uint16_t ReadU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
float ReadThousandths(const uint8_t* p) { return static_cast<int16_t>(ReadU16(p)) / 1000.0f; }

}  // namespace

TModel::~TModel() = default;

void TModel::Restore() {
  if (!mMesh) return;
  TString name = mMesh->fileName;  // Init frees the mesh that holds it
  Init(name);
}

bool TModel::Init(const TString& name) {
  mMesh.reset();
  if (name.Find(".mesh") < 0) return false;
  std::unique_ptr<TFile, void (*)(TFile*)> file(FileOpen(name, kFileReadBinary), FileClose);
  if (!file) {
    LogPrintf("TModel::Init: Failed to load %s", name.CStr());
    return false;
  }
  uint8_t header[kMeshHeaderSize];
  long got = FileRead(file.get(), header, sizeof header);
  if (got < 4 || std::memcmp(header, "TRIS", 4) != 0) {
    LogPrintf("TModel::Init: %s is not a mesh (no TRIS tag at the start)", name.CStr());
    return false;
  }
  if (got != static_cast<long>(sizeof header)) {
    LogPrintf("TModel::Init: %s ends inside its header", name.CStr());
    return false;
  }
  size_t vertexCount = ReadU16(header + 4);
  size_t triangleCount = ReadU16(header + 6);
  // At most 65535 × 16 + 65535 × 6 bytes: the counts cannot overflow, and a short file is refused
  // before anything is allocated for it.
  size_t needed = vertexCount * kMeshVertexSize + triangleCount * kMeshTriangleSize;
  long size = file->GetSize();
  if (size < 0 || static_cast<size_t>(size) < kMeshHeaderSize + needed) {
    LogPrintf("TModel::Init: %s is shorter than its %zu vertices and %zu triangles need", name.CStr(), vertexCount,
              triangleCount);
    return false;
  }
  std::vector<uint8_t> body(needed);
  if (needed && FileRead(file.get(), body.data(), static_cast<long>(needed)) != static_cast<long>(needed)) {
    LogPrintf("TModel::Init: %s could not be read", name.CStr());
    return false;
  }

  auto mesh = std::make_unique<TMesh>();
  mesh->vertices.resize(vertexCount);
  const uint8_t* p = body.data();
  for (TMeshVertex& v : mesh->vertices) {
    float* fields[8] = {&v.x, &v.y, &v.z, &v.nx, &v.ny, &v.nz, &v.u, &v.v};
    for (float* f : fields) {
      *f = ReadThousandths(p);
      p += 2;
    }
  }
  mesh->indices.resize(triangleCount * 3);
  for (uint16_t& index : mesh->indices) {
    index = ReadU16(p);
    p += 2;
    if (index >= vertexCount) {
      LogPrintf("TModel::Init: %s has a triangle with vertex %u of %zu", name.CStr(), index, vertexCount);
      return false;
    }
  }
  mesh->fileName = name;
  mMesh = std::move(mesh);
  return true;
}

std::shared_ptr<TModel> TModel::Get(const TString& name) {
  TAssetManager* manager = TAssetManager::GetInstance();
  if (manager) {
    if (std::shared_ptr<TModel> found = KindCast<TModel>(manager->Find(name))) return found;
  }
  auto model = std::make_shared<TModel>();
  if (!model->Init(name)) return nullptr;
  if (manager) manager->Register(name, model);
  return model;
}
