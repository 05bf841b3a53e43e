// Image codecs: PNG, JPEG and JPEG-2000 files read into one 32-bit pixel buffer of a fixed shape, and
// locked texture pixels written back as JPEG or PNG. Everything goes through framework files, so images
// may come from folders, pack files or memory blocks. The texture loader is the main user.
#pragma once
#include <cstdint>
#include <memory>

#include "core/file.h"
#include "core/string.h"

// The largest image side a load accepts without the "slow" option, and the largest any load accepts.
// Sizes are checked right after a file's header is read, before anything is allocated for the pixels.
inline constexpr int32_t kImagePlainMaxSide = 1024;
inline constexpr int32_t kImageMaxSide = 8192;

// A decoded image: side × side pixels of 4 bytes each in the order blue, green, red, alpha (one
// little-endian ARGB word), rows side pixels apart, the image in the top-left corner. The side is the
// smallest power of two not below the larger of width and height.
struct TImageBuffer {
  std::unique_ptr<uint8_t[]> pixels;
  int32_t width = 0;
  int32_t height = 0;
  int32_t side = 0;
  bool hasAlpha = false;  // PNG and JPEG-2000 only; JPEG images carry no alpha

  uint8_t* Pixel(int32_t x, int32_t y) { return pixels.get() + (static_cast<size_t>(y) * side + x) * 4; }
  const uint8_t* Pixel(int32_t x, int32_t y) const {
    return pixels.get() + (static_cast<size_t>(y) * side + x) * 4;
  }
  void Reset() { *this = TImageBuffer(); }
};

// Loaders: true with the image in `out`; false, with `out` emptied and a log line naming the file,
// when the file cannot be opened, is not of the loader's format, is damaged, or has a side above
// maxSide (which is capped at kImageMaxSide). A file that ends early is damaged for PNG and
// JPEG-2000; a JPEG that ends after its header decodes with the rest grey, as the library recovers.
bool LoadPng(const TString& name, TImageBuffer* out, int32_t maxSide = kImageMaxSide);
bool LoadJpeg(const TString& name, TImageBuffer* out, int32_t maxSide = kImageMaxSide);
// Reads "jp2" files and "jpc" code streams, told apart by their first bytes.
bool LoadJpeg2000(const TString& name, TImageBuffer* out, int32_t maxSide = kImageMaxSide);

// Writers of 32-bit pixels in the buffer's byte order, row r starting at pixels + r × rowBytes.
// The JPEG quality runs from 0 to 1 (0.85 writes quality 85); the alpha byte is not stored. The PNG
// keeps alpha. False, with a log line, when the file cannot be opened or written or the library fails.
bool SaveJpeg(const TString& name, float quality, int32_t width, int32_t height, int32_t rowBytes,
              const void* pixels);
bool SavePng(const TString& name, const void* pixels, int32_t width, int32_t height, int32_t rowBytes);

// Registers the JPEG-2000 formats "jp2" and "jpc" with their validators; runs before the program's
// main code (and again harmlessly); the registrations are cleared at exit.
void RegisterJpeg2000Codecs();
// The registered format whose validator accepts these first bytes ("jp2" or "jpc"), or null.
const char* FindJpeg2000Format(const uint8_t* head, size_t size);

// ---- shared by the codecs --------------------------------------------------------------------

// The buffer side for an image: the smallest power of two not below the larger side (1 for 1 × 1).
int32_t ImageBufferSide(int32_t width, int32_t height);
// True when both sides are at least 1 and at most min(maxSide, kImageMaxSide); otherwise logs
// "<who> <name>: image of W x H is larger than the limit of N" (or "is empty") and answers false.
bool CheckImageSize(const char* who, const TString& name, uint64_t width, uint64_t height, int32_t maxSide);
// Fills in the sizes and a zeroed side × side buffer; false (out emptied) when memory runs out.
// The sizes must have passed CheckImageSize.
bool AllocateImageBuffer(TImageBuffer* out, int32_t width, int32_t height);

using TImageFile = std::unique_ptr<TFile, void (*)(TFile*)>;
// Opens an image for reading; logs "<who> <name>: cannot open the file" and answers null when it
// cannot be opened.
TImageFile OpenImageForReading(const char* who, const TString& name);
// Checks the pixels a writer was given (present, sizes at least 1, rows at least width × 4 bytes)
// and opens the file that is written in place of the image (beside it); logs the reason and
// answers null when either fails.
TImageFile OpenImageForWriting(const char* who, const TString& name, const void* pixels, int32_t width,
                               int32_t height, int32_t rowBytes);
// Ends a write begun by OpenImageForWriting: when the image was encoded and every byte reached the
// disk, the written file replaces the image; otherwise it is removed and whatever was there before
// stays. Answers whether the image was replaced (a failure is logged).
bool FinishImageWriting(const char* who, const TString& name, TImageFile file, bool encoded);
