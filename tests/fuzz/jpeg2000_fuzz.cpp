// Fuzz target: the JPEG-2000 (jp2 files and jpc code streams) loader over arbitrary bytes.
#include "image_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return FuzzImageLoader(LoadJpeg2000, "fuzz.jp2", data, size);
}
