// PNG reading into the decoded-image buffer and PNG writing of 32-bit pixels, over framework files.
// Library errors jump back to the frame that set up the structures, so the functions holding the
// jump point keep nothing that needs a destructor; buffers live in the callers' frames.
#include <png.h>

#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "core/file.h"
#include "core/log.h"
#include "render/imagecodecs.h"

namespace {

// The most a single chunk may make the library allocate, and the most the library may hold at once
// while reading one file. Our pixels live in a buffer of our own, sized by the picture's declared
// size; the library itself only needs a few rows, the palette and the inflate state, so a file that
// asks for more (a chunk declaring gigabytes, say) is damaged or hostile and is refused.
constexpr png_alloc_size_t kPngChunkMax = 1 << 20;
constexpr size_t kPngLibraryBudget = 16u << 20;
// The most chunks the library keeps for the caller (texts, unknown ones); we keep none of them.
constexpr png_uint_32 kPngMaxChunksCached = 64;

// What the callbacks and the error handler share with the loader or writer.
struct PngIo {
  TFile* file = nullptr;
  const TString* name = nullptr;
  const char* who = "";
  char message[256] = {};
  bool warned = false;   // one warning per file reaches the log
  size_t libraryBytes = 0;  // what the library holds now, in blocks from PngAlloc
};

// The library's allocations, counted against kPngLibraryBudget. Each block carries its size ahead.
constexpr size_t kPngBlockHeader = alignof(std::max_align_t);

png_voidp PngAlloc(png_structp png, png_alloc_size_t size) {
  auto* io = static_cast<PngIo*>(png_get_mem_ptr(png));
  if (size > kPngLibraryBudget || io->libraryBytes + size > kPngLibraryBudget) return nullptr;
  auto* block = static_cast<unsigned char*>(std::malloc(size + kPngBlockHeader));
  if (!block) return nullptr;
  *reinterpret_cast<size_t*>(block) = size;
  io->libraryBytes += size;
  return block + kPngBlockHeader;
}

void PngFree(png_structp png, png_voidp pointer) {
  if (!pointer) return;
  auto* io = static_cast<PngIo*>(png_get_mem_ptr(png));
  auto* block = static_cast<unsigned char*>(pointer) - kPngBlockHeader;
  io->libraryBytes -= *reinterpret_cast<size_t*>(block);
  std::free(block);
}

void PngError(png_structp png, png_const_charp message) {
  auto* io = static_cast<PngIo*>(png_get_error_ptr(png));
  std::snprintf(io->message, sizeof io->message, "%s", message ? message : "error");
  png_longjmp(png, 1);
}

// Warnings do not stop the image, but one of them may be why it looks wrong (image data that ends
// early, a chunk that was dropped): the first one of each file is logged.
void PngWarning(png_structp png, png_const_charp message) {
  auto* io = static_cast<PngIo*>(png_get_error_ptr(png));
  if (io->warned) return;
  io->warned = true;
  LogPrintf("%s %s: warning: %s", io->who, io->name->CStr(), message ? message : "?");
}

// Bounds what the file can make the library do before anything of it is read: the declared size
// (also checked against the caller's limit below), each chunk's allocation, the number of chunks
// kept, and the ancillary chunks we do not use, which are skipped without being stored.
// The declared size is checked against the caller's limit right after the header, before any row
// is allocated, with a log line of ours; the library's own limit only backs that up.
void LimitPngReading(png_structp png) {
  png_set_user_limits(png, 1u << 16, 1u << 16);
  png_set_chunk_malloc_max(png, kPngChunkMax);
  png_set_chunk_cache_max(png, kPngMaxChunksCached);
  // A negative count: every known ancillary chunk and every unknown one is ignored ...
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
  // ... but for the gamma chunk, which the decoding below uses.
  static const png_byte kUsed[] = {'g', 'A', 'M', 'A', 0};
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_AS_DEFAULT, kUsed, 1);
}

void PngRead(png_structp png, png_bytep data, png_size_t length) {
  auto* io = static_cast<PngIo*>(png_get_io_ptr(png));
  if (FileRead(io->file, data, static_cast<long>(length)) != static_cast<long>(length))
    png_error(png, "Read Error");
}

void PngWrite(png_structp png, png_bytep data, png_size_t length) {
  auto* io = static_cast<PngIo*>(png_get_io_ptr(png));
  if (FileWrite(io->file, data, static_cast<long>(length)) != static_cast<long>(length))
    png_error(png, "Write Error");
}

void PngFlush(png_structp) {}

// Reads the image after the signature. rows is the caller's, so nothing here needs unwinding.
bool DecodePng(png_structp png, png_infop info, PngIo* io, int32_t maxSide, TImageBuffer* out,
               std::vector<png_bytep>* rows) {
  if (setjmp(png_jmpbuf(png))) return false;
  LimitPngReading(png);
  png_set_read_fn(png, io, PngRead);
  png_set_sig_bytes(png, 8);
  png_read_info(png, info);

  png_uint_32 width = 0, height = 0;
  int depth = 0, colorType = 0;
  png_get_IHDR(png, info, &width, &height, &depth, &colorType, nullptr, nullptr, nullptr);
  if (!CheckImageSize(io->who, *io->name, width, height, maxSide)) return false;  // logged there

  bool transparency = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
  bool hasAlpha = (colorType & PNG_COLOR_MASK_ALPHA) != 0 || (colorType == PNG_COLOR_TYPE_PALETTE && transparency);
  if (depth == 16) png_set_strip_16(png);
  if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if (colorType == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
  if (transparency) png_set_tRNS_to_alpha(png);
  if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
  if (!(colorType & PNG_COLOR_MASK_ALPHA) && !transparency) png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
  png_set_bgr(png);
  double fileGamma = 0;
  if (png_get_gAMA(png, info, &fileGamma)) png_set_gamma(png, 2.2, fileGamma);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != static_cast<size_t>(width) * 4) png_error(png, "unexpected row layout");

  if (!AllocateImageBuffer(out, static_cast<int32_t>(width), static_cast<int32_t>(height)))
    png_error(png, "Visual PNG: out of memory");
  out->hasAlpha = hasAlpha;
  rows->resize(height);
  for (png_uint_32 y = 0; y < height; ++y) (*rows)[y] = out->Pixel(0, static_cast<int32_t>(y));
  png_read_image(png, rows->data());
  png_read_end(png, nullptr);
  return true;
}

bool EncodePng(png_structp png, png_infop info, PngIo* io, int32_t width, int32_t height, png_bytepp rows) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_write_fn(png, io, PngWrite, PngFlush);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_set_bgr(png);
  png_write_image(png, rows);
  png_write_end(png, info);
  return true;
}

// Logs a failure of the library with the file's name.
void LogPngFailure(const PngIo& io) {
  if (io.message[0]) LogPrintf("%s %s: %s", io.who, io.name->CStr(), io.message);
}

}  // namespace

bool LoadPng(const TString& name, TImageBuffer* out, int32_t maxSide) {
  out->Reset();
  PngIo io;
  io.name = &name;
  io.who = "LoadPng";
  TImageFile file = OpenImageForReading("LoadPng", name);
  if (!file) return false;
  io.file = file.get();
  png_byte signature[8];
  if (FileRead(io.file, signature, 8) != 8 || png_sig_cmp(signature, 0, 8) != 0) {
    LogPrintf("LoadPng %s: not a PNG file", name.CStr());
    return false;
  }
  png_structp png = png_create_read_struct_2(PNG_LIBPNG_VER_STRING, &io, PngError, PngWarning, &io,
                                             PngAlloc, PngFree);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    LogPrintf("LoadPng %s: Visual PNG: out of memory", name.CStr());
    return false;
  }
  std::vector<png_bytep> rows;
  bool ok = DecodePng(png, info, &io, maxSide, out, &rows);
  png_destroy_read_struct(&png, &info, nullptr);
  if (!ok) {
    LogPngFailure(io);
    out->Reset();
  }
  return ok;
}

bool SavePng(const TString& name, const void* pixels, int32_t width, int32_t height, int32_t rowBytes) {
  TImageFile file = OpenImageForWriting("SavePng", name, pixels, width, height, rowBytes);
  if (!file) return false;
  PngIo io;
  io.name = &name;
  io.who = "SavePng";
  io.file = file.get();
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &io, PngError, PngWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    LogPrintf("SavePng %s: Visualpng: Out of memory", name.CStr());
    return FinishImageWriting("SavePng", name, std::move(file), false);
  }
  // libpng only reads through the row pointers when writing.
  std::vector<png_bytep> rows(static_cast<size_t>(height));
  auto* base = static_cast<png_bytep>(const_cast<void*>(pixels));
  for (int32_t y = 0; y < height; ++y) rows[y] = base + static_cast<ptrdiff_t>(y) * rowBytes;
  bool ok = EncodePng(png, info, &io, width, height, rows.data());
  png_destroy_write_struct(&png, &info);
  if (!ok) LogPngFailure(io);
  return FinishImageWriting("SavePng", name, std::move(file), ok);
}
