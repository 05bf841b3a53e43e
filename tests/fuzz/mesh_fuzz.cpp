// Fuzz target: the ".mesh" reader over arbitrary bytes, read through the file layer as a memory file.
// A mesh that loads must have every index inside its vertex array.
#include <cstddef>
#include <cstdint>

#include "core/assetindex.h"
#include "render/model.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const uint8_t kNothing = 0;
  RegisterMemoryFile("fuzz.mesh", size ? data : &kNothing, size);
  TModel model;
  if (model.Init("fuzz.mesh")) {
    const TMesh* mesh = model.GetMesh();
    if (!mesh || mesh->GetIndexCount() % 3 != 0) __builtin_trap();
    volatile float sum = 0;
    for (uint16_t index : mesh->indices) sum = sum + mesh->vertices.at(index).x;
  }
  RegisterMemoryFile("fuzz.mesh", nullptr, 0);
  return 0;
}
