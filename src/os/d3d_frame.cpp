// The frame log's batch digest (see d3d_frame.h); the log itself lives in the device, the record of
// the frame on screen beside the presented frame (ddraw_presented.cpp).
#include "os/d3d_frame.h"

#include "os/ddraw_internal.h"

namespace os::dd {

void AddToDigest(const LoggedBatch& b, FrameDigest* digest) {
  FrameDigest& d = *digest;
  d.AddValue(b.fvf);
  d.AddValue(b.count);
  d.AddValue(b.mode);
  d.Add(b.vertices.data(), b.vertices.size());
  d.Add(b.rs, sizeof b.rs);
  d.Add(b.tss, sizeof b.tss);
  d.AddValue(b.world);
  d.AddValue(b.view);
  d.AddValue(b.projection);
  d.AddValue(b.viewport);
  d.AddValue(b.material);
  for (Surface* t : b.textures) {
    d.AddValue(t);
    d.AddValue(t ? t->Generation() : 0);
  }
}

void ReleaseTextures(LoggedBatch& b) {
  for (Surface*& t : b.textures)
    if (t) {
      t->Release();
      t = nullptr;
    }
}

}  // namespace os::dd
