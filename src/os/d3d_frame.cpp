// The frame log's batch digest (see d3d_frame.h); the log itself lives in the device, the record of
// the frame on screen beside the presented frame (ddraw_presented.cpp).
#include "os/d3d_frame.h"

#include <cstring>

#include "os/ddraw_internal.h"

namespace os::dd {

bool SameState(const LoggedBatch& a, const LoggedBatch& b) {
  return std::memcmp(a.rs, b.rs, sizeof a.rs) == 0 && std::memcmp(a.tss, b.tss, sizeof a.tss) == 0 &&
         std::memcmp(&a.world, &b.world, sizeof a.world) == 0 && std::memcmp(&a.view, &b.view, sizeof a.view) == 0 &&
         std::memcmp(&a.projection, &b.projection, sizeof a.projection) == 0 &&
         std::memcmp(&a.viewport, &b.viewport, sizeof a.viewport) == 0 &&
         std::memcmp(&a.material, &b.material, sizeof a.material) == 0 &&
         std::memcmp(a.textures, b.textures, sizeof a.textures) == 0;
}

void AddToDigest(const LoggedBatch& b, const LoggedBatch* previous, FrameDigest* digest) {
  FrameDigest& d = *digest;
  d.AddValue(b.fvf);
  d.AddValue(b.count);
  d.AddValue(b.mode);
  d.AddValue(b.vertexDigest);
  // The state of a frame's batches mostly repeats from one to the next; comparing is cheaper than
  // folding it again.
  if (previous && SameState(b, *previous)) {
    d.AddValue(uint32_t(0x53414d45));
  } else {
    d.Add(b.rs, sizeof b.rs);
    d.Add(b.tss, sizeof b.tss);
    d.AddValue(b.world);
    d.AddValue(b.view);
    d.AddValue(b.projection);
    d.AddValue(b.viewport);
    d.AddValue(b.material);
    d.Add(b.textures, sizeof b.textures);
  }
  // A texture's generation may change between two batches that read it.
  for (Surface* t : b.textures)
    if (t) d.AddValue(t->Generation());
}

void ReleaseTextures(LoggedBatch& b) {
  for (Surface*& t : b.textures)
    if (t) {
      t->Release();
      t = nullptr;
    }
}

}  // namespace os::dd
