// Writers that make asset files for tests: images of every kind straight through the libraries, so
// that variants the framework's own writers never produce (palettes, grey, 16-bit, CMYK, code
// streams) can be fed to the loaders, and ".mesh" files. Used by the render tests and by the
// generator of the fuzz seed files.
#pragma once
#include <jpeglib.h>
#include <openjpeg.h>
#include <png.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace imagetest {

// A PNG of any colour type: rows are packed as the format stores them.
struct PngSpec {
  int width = 1, height = 1, colorType = PNG_COLOR_TYPE_RGB_ALPHA, depth = 8;
  std::vector<std::string> rows;
  std::vector<png_color> palette;
  std::vector<png_byte> paletteAlpha;  // tRNS of a palette image
  bool greyKey = false;                // tRNS of a grey image
  png_uint_16 greyKeyValue = 0;
  double gamma = 0;                    // gAMA when not 0
  bool interlace = false;
};

inline bool WritePng(const std::string& path, const PngSpec& s) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_init_io(png, f);
  png_set_IHDR(png, info, s.width, s.height, s.depth, s.colorType,
               s.interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (!s.palette.empty()) png_set_PLTE(png, info, s.palette.data(), static_cast<int>(s.palette.size()));
  if (!s.paletteAlpha.empty())
    png_set_tRNS(png, info, s.paletteAlpha.data(), static_cast<int>(s.paletteAlpha.size()), nullptr);
  png_color_16 key{};
  key.gray = s.greyKeyValue;
  if (s.greyKey) png_set_tRNS(png, info, nullptr, 0, &key);
  if (s.gamma > 0) png_set_gAMA(png, info, s.gamma);
  png_write_info(png, info);
  std::vector<png_bytep> rows;
  for (auto& r : s.rows) rows.push_back(reinterpret_cast<png_bytep>(const_cast<char*>(r.data())));
  png_write_image(png, rows.data());
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return std::fclose(f) == 0;
}

// A JPEG of a given colour space from packed samples (components per pixel as the space needs).
inline std::string EncodeJpeg(int width, int height, J_COLOR_SPACE space, int components,
                              const std::vector<uint8_t>& samples, int quality = 90, bool progressive = false) {
  jpeg_compress_struct info;
  jpeg_error_mgr err;
  info.err = jpeg_std_error(&err);
  jpeg_create_compress(&info);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &out, &size);
  info.image_width = width;
  info.image_height = height;
  info.input_components = components;
  info.in_color_space = space;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality, TRUE);
  if (progressive) jpeg_simple_progression(&info);
  jpeg_start_compress(&info, TRUE);
  for (int y = 0; y < height; ++y) {
    JSAMPROW row = const_cast<JSAMPROW>(samples.data() + static_cast<size_t>(y) * width * components);
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::string bytes(reinterpret_cast<char*>(out), size);
  free(out);
  return bytes;
}

// A lossless JPEG-2000 image from planes of samples, one per component. The component `alphaIndex`
// (or none for -1) is marked as opacity. A plane with a step s above 1 (steps[i], default 1) holds
// one sample per s × s pixels, ceil(width / s) × ceil(height / s) of them.
inline bool WriteJpeg2000(const std::string& path, OPJ_CODEC_FORMAT format, int width, int height, int precision,
                          OPJ_COLOR_SPACE space, const std::vector<std::vector<int>>& planes, int alphaIndex = -1,
                          const std::vector<int>& steps = {}) {
  std::vector<opj_image_cmptparm_t> params(planes.size());
  bool sameSize = true;
  for (size_t i = 0; i < params.size(); ++i) {
    opj_image_cmptparm_t& p = params[i];
    p = {};
    int step = i < steps.size() ? steps[i] : 1;
    sameSize = sameSize && step == 1;
    p.dx = p.dy = step;
    p.w = (width + step - 1) / step;
    p.h = (height + step - 1) / step;
    p.prec = precision;
    p.sgnd = 0;
  }
  opj_image_t* image = opj_image_create(static_cast<OPJ_UINT32>(planes.size()), params.data(), space);
  if (!image) return false;
  image->x0 = image->y0 = 0;
  image->x1 = width;
  image->y1 = height;
  for (size_t c = 0; c < planes.size(); ++c) {
    for (size_t i = 0; i < planes[c].size(); ++i) image->comps[c].data[i] = planes[c][i];
    image->comps[c].alpha = static_cast<int>(c) == alphaIndex ? 1 : 0;
  }
  opj_cparameters_t cp;
  opj_set_default_encoder_parameters(&cp);
  cp.tcp_numlayers = 1;
  cp.tcp_rates[0] = 0;
  cp.cp_disto_alloc = 1;
  int smaller = width < height ? width : height, levels = 1;
  while ((2 << (levels - 1)) <= smaller && levels < 6) ++levels;
  cp.numresolution = levels;
  cp.tcp_mct = planes.size() >= 3 && sameSize ? 1 : 0;
  opj_codec_t* codec = opj_create_compress(format);
  opj_stream_t* stream = opj_stream_create_default_file_stream(path.c_str(), OPJ_FALSE);
  bool ok = codec && stream && opj_setup_encoder(codec, &cp, image) && opj_start_compress(codec, image, stream) &&
            opj_encode(codec, stream) && opj_end_compress(codec, stream);
  if (stream) opj_stream_destroy(stream);
  if (codec) opj_destroy_codec(codec);
  opj_image_destroy(image);
  return ok;
}

// A ".mesh" file: "TRIS", the counts (by default the sizes of the lists), the vertices of eight
// stored 16-bit values each and the triangles' indices, little-endian.
inline std::string MeshBytes(const std::vector<std::array<int, 8>>& vertices, const std::vector<int>& indices,
                             int vertexCount = -1, int triangleCount = -1) {
  auto u16 = [](int v) { return std::string{static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)}; };
  std::string s = "TRIS" + u16(vertexCount >= 0 ? vertexCount : static_cast<int>(vertices.size())) +
                  u16(triangleCount >= 0 ? triangleCount : static_cast<int>(indices.size() / 3));
  for (auto& v : vertices)
    for (int value : v) s += u16(value);
  for (int i : indices) s += u16(i);
  return s;
}

}  // namespace imagetest
