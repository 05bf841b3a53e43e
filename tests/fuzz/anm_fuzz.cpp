// Fuzz target: the binary animation reader over arbitrary bytes. Every frame, anchor and text of a
// description that reads is walked, so records left half-built or oversized show up.
#include <cstddef>
#include <cstdint>

#include "render/animatedtexture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TAnimation anim;
  if (ParseAnimationBinary(data, size, "fuzz.anm", &anim)) {
    volatile int64_t sum = 0;
    for (const TAnimFrame& frame : anim.frames) {
      sum = sum + frame.width + frame.name.Length();
      for (const TAnimAnchor& anchor : frame.anchors) sum = sum + anchor.x + anchor.name.Length();
    }
    sum = sum + anim.script.Length() + anim.imageName.Length();
  }
  return 0;
}
