// Shared body of the image decoder fuzz targets: the input becomes a memory file read through the
// framework's file layer, and the loader runs with the plain size limit (as most texture loads do).
#pragma once
#include <cstddef>
#include <cstdint>

#include "core/assetindex.h"
#include "render/imagecodecs.h"

inline int FuzzImageLoader(bool (*load)(const TString&, TImageBuffer*, int32_t), const char* name,
                           const uint8_t* data, size_t size) {
  static const uint8_t kNothing = 0;
  RegisterMemoryFile(name, size ? data : &kNothing, size);
  TImageBuffer image;
  if (load(name, &image, kImagePlainMaxSide)) {
    // Touch the whole buffer: a wrong side or a short block shows up here.
    volatile uint32_t sum = 0;
    for (size_t i = 0; i < static_cast<size_t>(image.side) * image.side * 4; i += 61) sum = sum + image.pixels[i];
    if (image.width > image.side || image.height > image.side) __builtin_trap();
  }
  RegisterMemoryFile(name, nullptr, 0);
  return 0;
}
