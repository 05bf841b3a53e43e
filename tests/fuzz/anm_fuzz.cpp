// Fuzz target: the binary animation reader over arbitrary bytes. A description that reads must hold
// exactly the frames it announced, each with a sane anchor list.
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
    if (anim.script.IsEmpty()) __builtin_trap();
  }
  return 0;
}
