// JPEG reading into the decoded-image buffer and JPEG writing with a quality setting, through source
// and destination managers over framework files. The library's fatal errors jump back to the frame
// that set up the (de)compressor, which frees it, logs the file's name and fails: a bad JPEG or a
// full disk never ends the process. Those frames hold nothing that needs a destructor.
#include <cstdio>
// jpeglib.h needs size_t and FILE declared first.
#include <jerror.h>
#include <jpeglib.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>

#include "core/file.h"
#include "core/log.h"
#include "render/imagecodecs.h"

namespace {

constexpr size_t kJpegBufferSize = 4096;
constexpr long kJpegMemoryLimit = 0x1000000;  // 16 MiB for the library's own work arrays
// A progressive image needs about ten scans; thousands of repeated ones only burn time.
constexpr int kJpegMaxScans = 500;

struct JpegError {
  jpeg_error_mgr pub;
  jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
  const char* who = "";
  const TString* name = nullptr;
};

void JpegErrorExit(j_common_ptr info) {
  auto* err = reinterpret_cast<JpegError*>(info->err);
  (*info->err->format_message)(info, err->message);
  longjmp(err->jump, 1);
}

// Warnings (a file that ends early, corrupt data the library steps over) do not stop the image, but
// they say why part of it is grey: the library passes on the first of each file, which is logged.
void JpegOutputMessage(j_common_ptr info) {
  auto* err = reinterpret_cast<JpegError*>(info->err);
  char text[JMSG_LENGTH_MAX];
  (*info->err->format_message)(info, text);
  LogPrintf("%s %s: warning: %s", err->who, err->name ? err->name->CStr() : "", text);
}

void InitJpegError(JpegError* err, const char* who, const TString* name) {
  err->who = who;
  err->name = name;
  jpeg_std_error(&err->pub);
  err->pub.error_exit = JpegErrorExit;
  err->pub.output_message = JpegOutputMessage;
  err->message[0] = 0;
}

// Stops a file whose scans never end, the way a fatal error does.
void JpegProgress(j_common_ptr common) {
  if (reinterpret_cast<j_decompress_ptr>(common)->input_scan_number <= kJpegMaxScans) return;
  auto* err = reinterpret_cast<JpegError*>(common->err);
  std::snprintf(err->message, sizeof err->message, "more than %d scans", kJpegMaxScans);
  longjmp(err->jump, 1);
}

// ---- source manager over a framework file ----------------------------------------------------

struct JpegSource {
  jpeg_source_mgr pub;
  TFile* file;
  JOCTET* buffer;
  bool atStart;  // nothing read yet
  bool atEnd;    // the file is exhausted and an end-of-image marker was supplied
};

void JpegInitSource(j_decompress_ptr info) {
  auto* src = reinterpret_cast<JpegSource*>(info->src);
  src->atStart = true;
  src->atEnd = false;
}

boolean JpegFillInput(j_decompress_ptr info) {
  auto* src = reinterpret_cast<JpegSource*>(info->src);
  long got = FileRead(src->file, src->buffer, static_cast<long>(kJpegBufferSize));
  if (got <= 0) {
    if (src->atStart) ERREXIT(info, JERR_INPUT_EMPTY);
    WARNMS(info, JWRN_JPEG_EOF);
    // An end-of-image marker in place of the missing data: the rest of the image decodes grey.
    src->buffer[0] = 0xFF;
    src->buffer[1] = JPEG_EOI;
    got = 2;
    src->atEnd = true;
  }
  src->pub.next_input_byte = src->buffer;
  src->pub.bytes_in_buffer = static_cast<size_t>(got);
  src->atStart = false;
  return TRUE;
}

void JpegSkipInput(j_decompress_ptr info, long count) {
  auto* src = reinterpret_cast<JpegSource*>(info->src);
  if (count <= 0) return;
  while (count > static_cast<long>(src->pub.bytes_in_buffer)) {
    count -= static_cast<long>(src->pub.bytes_in_buffer);
    JpegFillInput(info);
    if (src->atEnd) return;  // leave the supplied end marker for the reader
  }
  src->pub.next_input_byte += count;
  src->pub.bytes_in_buffer -= static_cast<size_t>(count);
}

void JpegTermSource(j_decompress_ptr) {}

void JpegSetSource(j_decompress_ptr info, TFile* file) {
  auto* src = static_cast<JpegSource*>(
      (*info->mem->alloc_small)(reinterpret_cast<j_common_ptr>(info), JPOOL_PERMANENT, sizeof(JpegSource)));
  src->buffer = static_cast<JOCTET*>(
      (*info->mem->alloc_small)(reinterpret_cast<j_common_ptr>(info), JPOOL_PERMANENT, kJpegBufferSize));
  src->file = file;
  src->atStart = true;
  src->atEnd = false;
  src->pub.init_source = JpegInitSource;
  src->pub.fill_input_buffer = JpegFillInput;
  src->pub.skip_input_data = JpegSkipInput;
  src->pub.resync_to_restart = jpeg_resync_to_restart;
  src->pub.term_source = JpegTermSource;
  src->pub.bytes_in_buffer = 0;
  src->pub.next_input_byte = nullptr;
  info->src = &src->pub;
}

// ---- destination manager over a framework file -----------------------------------------------

struct JpegDestination {
  jpeg_destination_mgr pub;
  TFile* file;
  JOCTET* buffer;
};

void JpegInitDestination(j_compress_ptr info) {
  auto* dst = reinterpret_cast<JpegDestination*>(info->dest);
  dst->pub.next_output_byte = dst->buffer;
  dst->pub.free_in_buffer = kJpegBufferSize;
}

boolean JpegEmptyOutput(j_compress_ptr info) {
  auto* dst = reinterpret_cast<JpegDestination*>(info->dest);
  if (FileWrite(dst->file, dst->buffer, static_cast<long>(kJpegBufferSize)) != static_cast<long>(kJpegBufferSize))
    ERREXIT(info, JERR_FILE_WRITE);
  dst->pub.next_output_byte = dst->buffer;
  dst->pub.free_in_buffer = kJpegBufferSize;
  return TRUE;
}

void JpegTermDestination(j_compress_ptr info) {
  auto* dst = reinterpret_cast<JpegDestination*>(info->dest);
  long rest = static_cast<long>(kJpegBufferSize - dst->pub.free_in_buffer);
  if (rest > 0 && FileWrite(dst->file, dst->buffer, rest) != rest) ERREXIT(info, JERR_FILE_WRITE);
}

void JpegSetDestination(j_compress_ptr info, TFile* file) {
  auto* dst = static_cast<JpegDestination*>(
      (*info->mem->alloc_small)(reinterpret_cast<j_common_ptr>(info), JPOOL_PERMANENT, sizeof(JpegDestination)));
  dst->buffer = static_cast<JOCTET*>(
      (*info->mem->alloc_small)(reinterpret_cast<j_common_ptr>(info), JPOOL_PERMANENT, kJpegBufferSize));
  dst->file = file;
  dst->pub.init_destination = JpegInitDestination;
  dst->pub.empty_output_buffer = JpegEmptyOutput;
  dst->pub.term_destination = JpegTermDestination;
  info->dest = &dst->pub;
}

// ---- the frames holding the jump points ------------------------------------------------------

// Decodes into out; out is the caller's, so an error jump leaves nothing behind here but the
// decompressor, which is destroyed on both paths.
bool DecodeJpeg(TFile* file, const TString* name, int32_t maxSide, TImageBuffer* out, JpegError* err) {
  jpeg_decompress_struct info;
  jpeg_progress_mgr progress{};
  progress.progress_monitor = JpegProgress;
  info.err = &err->pub;
  if (setjmp(err->jump)) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_create_decompress(&info);
  info.progress = &progress;
  info.mem->max_memory_to_use = kJpegMemoryLimit;
  JpegSetSource(&info, file);
  jpeg_read_header(&info, TRUE);
  if (!CheckImageSize("LoadJpeg", *name, info.image_width, info.image_height, maxSide))
    longjmp(err->jump, 1);  // logged already; the message stays empty
  // Blue, green, red and a filler byte of 255: the buffer's pixel layout, written by the library.
  info.out_color_space = JCS_EXT_BGRX;
  if (!AllocateImageBuffer(out, static_cast<int32_t>(info.image_width), static_cast<int32_t>(info.image_height))) {
    std::snprintf(err->message, sizeof err->message, "out of memory");
    longjmp(err->jump, 1);
  }
  jpeg_start_decompress(&info);
  if (info.output_width != info.image_width || info.output_height != info.image_height ||
      info.output_components != 4)
    ERREXIT(&info, JERR_BAD_LENGTH);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = out->Pixel(0, static_cast<int32_t>(info.output_scanline));
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return true;
}

bool EncodeJpeg(TFile* file, float quality, int32_t width, int32_t height, int32_t rowBytes,
                const uint8_t* pixels, JpegError* err) {
  jpeg_compress_struct info;
  info.err = &err->pub;
  if (setjmp(err->jump)) {
    jpeg_destroy_compress(&info);
    return false;
  }
  jpeg_create_compress(&info);
  JpegSetDestination(&info, file);
  info.image_width = static_cast<JDIMENSION>(width);
  info.image_height = static_cast<JDIMENSION>(height);
  info.input_components = 4;
  info.in_color_space = JCS_EXT_BGRX;  // the buffer's byte order; the fourth byte is skipped
  jpeg_set_defaults(&info);
  // Rounded, not truncated: 0.85f × 100 is a hair below 85. Out-of-range values (NaN too) are held
  // to 0..1 first; the library itself makes quality 0 into 1.
  float held = quality >= 0.0f ? std::min(quality, 1.0f) : 0.0f;
  jpeg_set_quality(&info, static_cast<int>(std::lround(held * 100.0f)), TRUE);
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(pixels + static_cast<ptrdiff_t>(info.next_scanline) * rowBytes);
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  return true;
}

}  // namespace

bool LoadJpeg(const TString& name, TImageBuffer* out, int32_t maxSide) {
  out->Reset();
  TImageFile file = OpenImageForReading("LoadJpeg", name);
  if (!file) return false;
  JpegError err;
  InitJpegError(&err, "LoadJpeg", &name);
  if (DecodeJpeg(file.get(), &name, maxSide, out, &err)) {
    out->hasAlpha = false;
    return true;
  }
  if (err.message[0]) LogPrintf("LoadJpeg %s: %s", name.CStr(), err.message);
  out->Reset();
  return false;
}

bool SaveJpeg(const TString& name, float quality, int32_t width, int32_t height, int32_t rowBytes,
              const void* pixels) {
  TImageFile file = OpenImageForWriting("SaveJpeg", name, pixels, width, height, rowBytes);
  if (!file) return false;
  JpegError err;
  InitJpegError(&err, "SaveJpeg", &name);
  const bool encoded =
      EncodeJpeg(file.get(), quality, width, height, rowBytes, static_cast<const uint8_t*>(pixels), &err);
  if (!encoded) LogPrintf("SaveJpeg %s: %s", name.CStr(), err.message);
  return FinishImageWriting("SaveJpeg", name, std::move(file), encoded);
}
