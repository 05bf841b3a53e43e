// JPEG-2000 reading: "jp2" files and "jpc" code streams decoded through OpenJPEG over a stream whose
// operations call a framework file, then spread into the decoded-image buffer with the last column and
// row repeated out to the buffer's edges (so filtering at the image border sees no black seam).
#include <openjpeg.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>

#include "core/file.h"
#include "core/log.h"
#include "render/imagecodecs.h"

namespace {

// More components than any picture needs (colour, opacity and a spare or two). The decoder keeps
// every component at full size, so a file with thousands of them would ask for gigabytes.
constexpr uint32_t kJpeg2000MaxComponents = 8;
// More tiles than any picture of ours is cut into. The library sets up every tile's coding state
// while it reads the header, so a small file that declares tens of thousands of tiles costs
// hundreds of megabytes and many seconds before the size could even be checked.
constexpr uint64_t kJpeg2000MaxTiles = 4096;
// Boxes before the code stream in a "jp2" file: a handful in practice.
constexpr int kJpeg2000MaxBoxes = 256;

// ---- format registry ---------------------------------------------------------------------------

struct Jpeg2000Format {
  const char* name;
  const char* description;
  OPJ_CODEC_FORMAT codec;
  bool (*validate)(const uint8_t* head, size_t size);
};

bool IsJp2File(const uint8_t* head, size_t size) {
  static const uint8_t kSignature[12] = {0, 0, 0, 12, 'j', 'P', ' ', ' ', 0x0D, 0x0A, 0x87, 0x0A};
  return size >= sizeof kSignature && std::memcmp(head, kSignature, sizeof kSignature) == 0;
}

bool IsCodeStream(const uint8_t* head, size_t size) {
  // Start of code stream, then the image and tile size marker.
  return size >= 4 && head[0] == 0xFF && head[1] == 0x4F && head[2] == 0xFF && head[3] == 0x51;
}

constexpr Jpeg2000Format kFormats[] = {
    {"jp2", "JPEG-2000 JP2 File Format Syntax (ISO/IEC 15444-1)", OPJ_CODEC_JP2, IsJp2File},
    {"jpc", "JPEG-2000 Code Stream Syntax (ISO/IEC 15444-1)", OPJ_CODEC_J2K, IsCodeStream},
};
// How many of kFormats are registered (all or none).
size_t gRegisteredFormats = 0;

void ClearJpeg2000Codecs() { gRegisteredFormats = 0; }

const Jpeg2000Format* FindFormat(const uint8_t* head, size_t size) {
  RegisterJpeg2000Codecs();
  for (size_t i = 0; i < gRegisteredFormats; ++i)
    if (kFormats[i].validate(head, size)) return &kFormats[i];
  return nullptr;
}

const bool gRegisteredAtStart = (RegisterJpeg2000Codecs(), true);

// ---- stream over a framework file ------------------------------------------------------------

struct Jp2Io {
  TFile* file;
  long size;
  char message[256];
};

OPJ_SIZE_T Jp2Read(void* buffer, OPJ_SIZE_T count, void* user) {
  auto* io = static_cast<Jp2Io*>(user);
  long got = FileRead(io->file, buffer, static_cast<long>(std::min<OPJ_SIZE_T>(count, 0x40000000)));
  return got > 0 ? static_cast<OPJ_SIZE_T>(got) : static_cast<OPJ_SIZE_T>(-1);
}

OPJ_BOOL Jp2Seek(OPJ_OFF_T offset, void* user) {
  auto* io = static_cast<Jp2Io*>(user);
  if (offset < 0 || offset > io->size) return OPJ_FALSE;
  FileSeek(io->file, static_cast<long>(offset), kSeekStart);
  return FileTell(io->file) == offset ? OPJ_TRUE : OPJ_FALSE;
}

OPJ_OFF_T Jp2Skip(OPJ_OFF_T count, void* user) {
  auto* io = static_cast<Jp2Io*>(user);
  OPJ_OFF_T at = FileTell(io->file);
  if (at < 0 || count < -at || count > io->size - at) return -1;
  FileSeek(io->file, static_cast<long>(count), kSeekCurrent);
  return count;
}

void Jp2Error(const char* message, void* user) {
  auto* io = static_cast<Jp2Io*>(user);
  if (io->message[0]) return;  // the first error is the cause; later ones follow from it
  std::snprintf(io->message, sizeof io->message, "%s", message);
  size_t n = std::strlen(io->message);
  while (n && (io->message[n - 1] == '\n' || io->message[n - 1] == '\r')) io->message[--n] = 0;
}

void Jp2Quiet(const char*, void*) {}

// ---- the image and tile size marker, read before the library sees the file -------------------

uint64_t ReadBig(const uint8_t* p, int bytes) {
  uint64_t v = 0;
  for (int i = 0; i < bytes; ++i) v = (v << 8) | p[i];
  return v;
}

bool ReadAt(TFile* file, long offset, uint8_t* bytes, long count) {
  FileSeek(file, offset, kSeekStart);
  return FileTell(file) == offset && FileRead(file, bytes, count) == count;
}

// Where the code stream starts: at 0 for a bare code stream, else inside the "jp2c" box, found by
// walking the top-level boxes. -1 when there is none.
long FindCodeStream(TFile* file, long size, OPJ_CODEC_FORMAT codec) {
  if (codec == OPJ_CODEC_J2K) return 0;
  long at = 0;
  for (int box = 0; box < kJpeg2000MaxBoxes && at >= 0 && at + 8 <= size; ++box) {
    uint8_t head[16];
    if (!ReadAt(file, at, head, 8)) return -1;
    uint64_t length = ReadBig(head, 4);
    long content = at + 8;
    if (length == 1) {  // a 64-bit length follows
      if (!ReadAt(file, at + 8, head + 8, 8)) return -1;
      length = ReadBig(head + 8, 8);
      content = at + 16;
    } else if (length == 0) {  // the box runs to the end of the file
      length = static_cast<uint64_t>(size - at);
    }
    if (std::memcmp(head + 4, "jp2c", 4) == 0) return content;
    if (length < static_cast<uint64_t>(content - at) || length > static_cast<uint64_t>(size - at)) return -1;
    at += static_cast<long>(length);
  }
  return -1;
}

// Checks the declared picture (its size against the caller's limit, its components and tiles)
// from the code stream's SIZ marker; logs and answers false for one to refuse.
bool CheckDeclaredImage(TFile* file, long size, OPJ_CODEC_FORMAT codec, const TString& name, int32_t maxSide) {
  const long start = FindCodeStream(file, size, codec);
  uint8_t siz[42];
  if (start < 0 || !ReadAt(file, start, siz, sizeof siz) || ReadBig(siz, 2) != 0xFF4F || ReadBig(siz + 2, 2) != 0xFF51) {
    LogPrintf("LoadJpeg2000 %s: no image header in the code stream", name.CStr());
    return false;
  }
  const uint64_t x1 = ReadBig(siz + 8, 4), y1 = ReadBig(siz + 12, 4), x0 = ReadBig(siz + 16, 4),
                 y0 = ReadBig(siz + 20, 4), tileW = ReadBig(siz + 24, 4), tileH = ReadBig(siz + 28, 4),
                 tileX0 = ReadBig(siz + 32, 4), tileY0 = ReadBig(siz + 36, 4), components = ReadBig(siz + 40, 2);
  // Inconsistent numbers are the library's to refuse, with its own message.
  if (x1 <= x0 || y1 <= y0 || tileW == 0 || tileH == 0 || tileX0 > x0 || tileY0 > y0) return true;
  if (!CheckImageSize("LoadJpeg2000", name, x1 - x0, y1 - y0, maxSide)) return false;
  if (components > kJpeg2000MaxComponents) {
    LogPrintf("LoadJpeg2000 %s: image has %u components, more than %u", name.CStr(), unsigned(components),
              kJpeg2000MaxComponents);
    return false;
  }
  const uint64_t tiles = ((x1 - tileX0 + tileW - 1) / tileW) * ((y1 - tileY0 + tileH - 1) / tileH);
  if (tiles > kJpeg2000MaxTiles) {
    LogPrintf("LoadJpeg2000 %s: image is cut into %llu tiles, more than %llu", name.CStr(),
              static_cast<unsigned long long>(tiles), static_cast<unsigned long long>(kJpeg2000MaxTiles));
    return false;
  }
  return true;
}

// ---- spreading the components into the buffer ------------------------------------------------

// One component's samples as 8-bit values at image pixels.
struct Channel {
  const opj_image_comp_t* comp = nullptr;
  uint32_t imageX0 = 0, imageY0 = 0;

  explicit operator bool() const { return comp != nullptr; }
  uint8_t At(uint32_t x, uint32_t y) const {
    const opj_image_comp_t& c = *comp;
    int64_t cx = static_cast<int64_t>((imageX0 + x) / c.dx) - c.x0;
    int64_t cy = static_cast<int64_t>((imageY0 + y) / c.dy) - c.y0;
    cx = std::clamp<int64_t>(cx, 0, c.w - 1);
    cy = std::clamp<int64_t>(cy, 0, c.h - 1);
    int64_t v = c.data[cy * c.w + cx];
    if (c.sgnd) v += int64_t{1} << (c.prec - 1);
    v = c.prec > 8 ? v >> (c.prec - 8) : v << (8 - c.prec);
    return static_cast<uint8_t>(std::clamp<int64_t>(v, 0, 255));
  }
};

// A component usable as a channel: decoded, with samples, and a precision we can scale.
Channel MakeChannel(const opj_image_t* image, int index) {
  Channel ch;
  if (index < 0 || static_cast<uint32_t>(index) >= image->numcomps) return ch;
  const opj_image_comp_t& c = image->comps[index];
  if (!c.data || c.w == 0 || c.h == 0 || c.dx == 0 || c.dy == 0 || c.prec == 0 || c.prec > 31) return ch;
  ch.comp = &c;
  ch.imageX0 = image->x0;
  ch.imageY0 = image->y0;
  return ch;
}

void SpreadImage(const opj_image_t* image, TImageBuffer* out) {
  int n = static_cast<int>(image->numcomps);
  // The opacity component: marked as such by the file, else the extra one of a two- or
  // four-component image (code streams carry no channel definitions).
  int alpha = -1;
  for (int i = 0; i < n; ++i)
    if (image->comps[i].alpha) alpha = i;
  bool grey = image->color_space == OPJ_CLRSPC_GRAY ||
              ((image->color_space == OPJ_CLRSPC_UNSPECIFIED || image->color_space == OPJ_CLRSPC_UNKNOWN) && n <= 2);
  if (alpha < 0 && image->color_space != OPJ_CLRSPC_CMYK && n == (grey ? 2 : 4)) alpha = n - 1;
  int colour[3] = {-1, -1, -1};  // red, green, blue
  for (int i = 0, k = 0; i < n && k < 3; ++i)
    if (i != alpha) colour[k++] = i;

  Channel a = MakeChannel(image, alpha);
  out->hasAlpha = static_cast<bool>(a);
  uint32_t w = static_cast<uint32_t>(out->width), h = static_cast<uint32_t>(out->height);
  if (grey) {
    Channel g = MakeChannel(image, colour[0]);
    for (uint32_t y = 0; y < h; ++y)
      for (uint32_t x = 0; x < w; ++x) {
        uint8_t* p = out->Pixel(static_cast<int32_t>(x), static_cast<int32_t>(y));
        p[0] = p[1] = p[2] = g ? g.At(x, y) : 0;
        p[3] = a ? a.At(x, y) : 255;
      }
  } else {
    Channel r = MakeChannel(image, colour[0]), g = MakeChannel(image, colour[1]), b = MakeChannel(image, colour[2]);
    for (uint32_t y = 0; y < h; ++y)
      for (uint32_t x = 0; x < w; ++x) {
        uint8_t* p = out->Pixel(static_cast<int32_t>(x), static_cast<int32_t>(y));
        p[0] = b ? b.At(x, y) : 0;
        p[1] = g ? g.At(x, y) : 0;
        p[2] = r ? r.At(x, y) : 0;
        p[3] = a ? a.At(x, y) : 255;
      }
  }
  // Edge extension: the rest of each row repeats its last pixel, the rows below the last row.
  for (int32_t y = 0; y < out->height; ++y) {
    uint32_t last;
    std::memcpy(&last, out->Pixel(out->width - 1, y), 4);
    for (int32_t x = out->width; x < out->side; ++x) std::memcpy(out->Pixel(x, y), &last, 4);
  }
  for (int32_t y = out->height; y < out->side; ++y)
    std::memcpy(out->Pixel(0, y), out->Pixel(0, out->height - 1), static_cast<size_t>(out->side) * 4);
}

// Owners of the library's objects.
struct CodecDeleter {
  void operator()(opj_codec_t* c) const { opj_destroy_codec(c); }
};
struct StreamDeleter {
  void operator()(opj_stream_t* s) const { opj_stream_destroy(s); }
};
struct ImageDeleter {
  void operator()(opj_image_t* i) const { opj_image_destroy(i); }
};

}  // namespace

void RegisterJpeg2000Codecs() {
  if (gRegisteredFormats == std::size(kFormats)) return;
  gRegisteredFormats = std::size(kFormats);
  static bool cleanupSet = false;
  if (!cleanupSet) {
    cleanupSet = true;
    std::atexit(ClearJpeg2000Codecs);
  }
}

const char* FindJpeg2000Format(const uint8_t* head, size_t size) {
  const Jpeg2000Format* format = FindFormat(head, size);
  return format ? format->name : nullptr;
}

bool LoadJpeg2000(const TString& name, TImageBuffer* out, int32_t maxSide) {
  (void)gRegisteredAtStart;
  out->Reset();
  TImageFile file = OpenImageForReading("LoadJpeg2000", name);
  if (!file) return false;
  Jp2Io io{file.get(), file->GetSize(), {}};
  uint8_t head[12] = {};
  long got = FileRead(io.file, head, sizeof head);
  const Jpeg2000Format* format = FindFormat(head, got > 0 ? static_cast<size_t>(got) : 0);
  if (!format) {
    LogPrintf("LoadJpeg2000 %s: not a JPEG-2000 file", name.CStr());
    return false;
  }
  if (!CheckDeclaredImage(io.file, io.size, format->codec, name, maxSide)) return false;
  FileSeek(io.file, 0, kSeekStart);

  std::unique_ptr<opj_stream_t, StreamDeleter> stream(opj_stream_create(4096, OPJ_TRUE));
  std::unique_ptr<opj_codec_t, CodecDeleter> codec(opj_create_decompress(format->codec));
  if (!stream || !codec) {
    LogPrintf("LoadJpeg2000 %s: out of memory", name.CStr());
    return false;
  }
  opj_stream_set_user_data(stream.get(), &io, nullptr);
  opj_stream_set_user_data_length(stream.get(), static_cast<OPJ_UINT64>(io.size));
  opj_stream_set_read_function(stream.get(), Jp2Read);
  opj_stream_set_skip_function(stream.get(), Jp2Skip);
  opj_stream_set_seek_function(stream.get(), Jp2Seek);
  opj_set_error_handler(codec.get(), Jp2Error, &io);
  opj_set_warning_handler(codec.get(), Jp2Quiet, &io);
  opj_set_info_handler(codec.get(), Jp2Quiet, &io);

  opj_dparameters_t parameters;
  opj_set_default_decoder_parameters(&parameters);
  opj_image_t* rawImage = nullptr;
  bool headerRead = opj_setup_decoder(codec.get(), &parameters) &&
                    opj_decoder_set_strict_mode(codec.get(), OPJ_TRUE) &&  // a cut-off file is damaged
                    opj_read_header(stream.get(), codec.get(), &rawImage);
  std::unique_ptr<opj_image_t, ImageDeleter> image(rawImage);
  if (!headerRead || !image) {
    LogPrintf("LoadJpeg2000 %s: %s", name.CStr(), io.message[0] ? io.message : "unreadable header");
    return false;
  }
  if (!CheckImageSize("LoadJpeg2000", name, static_cast<uint64_t>(image->x1) - image->x0,
                      static_cast<uint64_t>(image->y1) - image->y0, maxSide))
    return false;
  if (image->numcomps > kJpeg2000MaxComponents) {
    LogPrintf("LoadJpeg2000 %s: image has %u components, more than %u", name.CStr(), image->numcomps,
              kJpeg2000MaxComponents);
    return false;
  }
  if (image->numcomps == 0 || !opj_decode(codec.get(), stream.get(), image.get()) ||
      !opj_end_decompress(codec.get(), stream.get())) {
    LogPrintf("LoadJpeg2000 %s: %s", name.CStr(), io.message[0] ? io.message : "cannot decode the image");
    return false;
  }
  if (!AllocateImageBuffer(out, static_cast<int32_t>(image->x1 - image->x0),
                           static_cast<int32_t>(image->y1 - image->y0))) {
    LogPrintf("LoadJpeg2000 %s: out of memory", name.CStr());
    return false;
  }
  SpreadImage(image.get(), out);
  return true;
}
