// Fuzz target: the PNG loader over arbitrary bytes.
#include "image_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return FuzzImageLoader(LoadPng, "fuzz.png", data, size);
}
