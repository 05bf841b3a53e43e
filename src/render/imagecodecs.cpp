// Helpers shared by the image codecs: the buffer side, the size limit checked before allocating, and
// the overflow-safe allocation of the zeroed pixel block.
#include "render/imagecodecs.h"

#include <algorithm>
#include <cstdio>
#include <new>

#include "core/file.h"
#include "core/log.h"
#include "os/paths.h"

int32_t ImageBufferSide(int32_t width, int32_t height) {
  int32_t larger = std::max(width, height);
  int32_t side = 1;
  while (side < larger && side <= (INT32_MAX >> 1)) side <<= 1;
  return side;
}

bool CheckImageSize(const char* who, const TString& name, uint64_t width, uint64_t height, int32_t maxSide) {
  uint64_t limit = static_cast<uint64_t>(std::clamp(maxSide, 1, kImageMaxSide));
  if (width == 0 || height == 0) {
    LogPrintf("%s %s: image is empty", who, name.CStr());
    return false;
  }
  if (width > limit || height > limit) {
    LogPrintf("%s %s: image of %llu x %llu is larger than the limit of %llu", who, name.CStr(),
              static_cast<unsigned long long>(width), static_cast<unsigned long long>(height),
              static_cast<unsigned long long>(limit));
    return false;
  }
  return true;
}

bool AllocateImageBuffer(TImageBuffer* out, int32_t width, int32_t height) {
  out->Reset();
  if (width < 1 || height < 1 || width > kImageMaxSide || height > kImageMaxSide) return false;
  int32_t side = ImageBufferSide(width, height);
  // side ≤ 8192, so side² × 4 ≤ 2^28 fits easily in size_t.
  size_t bytes = static_cast<size_t>(side) * static_cast<size_t>(side) * 4;
  out->pixels.reset(new (std::nothrow) uint8_t[bytes]());
  if (!out->pixels) return false;
  out->width = width;
  out->height = height;
  out->side = side;
  return true;
}

TImageFile OpenImageForReading(const char* who, const TString& name) {
  TImageFile file(FileOpen(name, kFileReadBinary), FileClose);
  if (!file) LogPrintf("%s %s: cannot open the file", who, name.CStr());
  return file;
}

namespace {

// An image is written beside its target first (same folder, so the rename stays on one file
// system) and replaces it only once it is whole.
TString PartName(const TString& name) { return name + ".part"; }

std::string DiskPath(const TString& name) {
  TString resolved = ResolvePath(name, false);
  return resolved.IsEmpty() ? std::string() : os::ToLinuxPath(resolved.CStr());
}

}  // namespace

TImageFile OpenImageForWriting(const char* who, const TString& name, const void* pixels, int32_t width,
                               int32_t height, int32_t rowBytes) {
  if (!pixels || width < 1 || height < 1 || rowBytes / 4 < width) {
    LogPrintf("%s %s: no pixels to write (%d x %d, row of %d bytes)", who, name.CStr(), width, height, rowBytes);
    return TImageFile(nullptr, FileClose);
  }
  TImageFile file(FileOpen(PartName(name), kFileWriteBinary), FileClose);
  if (!file) LogPrintf("%s %s: cannot open the file", who, name.CStr());
  return file;
}

bool FinishImageWriting(const char* who, const TString& name, TImageFile file, bool encoded) {
  const bool flushed = encoded && file && file->Flush();
  file.reset();
  const std::string part = DiskPath(PartName(name));
  if (!flushed) {
    if (encoded) LogPrintf("%s %s: writing the file failed; the file there is left as it was", who, name.CStr());
    if (!part.empty()) std::remove(part.c_str());
    return false;
  }
  const std::string target = DiskPath(name);
  if (part.empty() || target.empty() || std::rename(part.c_str(), target.c_str()) != 0) {
    LogPrintf("%s %s: cannot replace the file", who, name.CStr());
    if (!part.empty()) std::remove(part.c_str());
    return false;
  }
  return true;
}
