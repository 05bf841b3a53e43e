// Fuzz target: the XML animation reader over arbitrary bytes. A description that reads has at least
// one frame and a script.
#include <cstddef>
#include <cstdint>

#include "render/animatedtexture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TAnimation anim;
  if (ParseAnimationXml(data, size, "fuzz.xml", &anim)) {
    if (anim.frames.empty()) __builtin_trap();
    volatile int64_t sum = 0;
    for (const TAnimFrame& frame : anim.frames) sum = sum + frame.width + int64_t(frame.anchors.size());
  }
  return 0;
}
