// Writes the seed files of the image decoder and mesh reader fuzz targets: tiny files of every
// colour type, coding mode and mesh shape the readers handle, and a few damaged ones. Run by hand
// when the seeds need remaking:   render_seeds tests/data/fuzz
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "assetwriters.h"

using namespace imagetest;
namespace fs = std::filesystem;

namespace {

std::string Bytes(std::initializer_list<int> v) {
  std::string s;
  for (int b : v) s += static_cast<char>(b);
  return s;
}

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

bool WriteAll(const fs::path& p, const std::string& bytes) {
  std::ofstream out(p, std::ios::binary);
  out << bytes;
  return static_cast<bool>(out);
}

// Keeps the first part of a seed as a second, cut-off seed.
bool Cut(const fs::path& from, const fs::path& to) {
  std::string all = ReadAll(from);
  return !all.empty() && WriteAll(to, all.substr(0, all.size() * 3 / 5));
}

bool PngSeeds(const fs::path& dir) {
  PngSpec rgba;
  rgba.width = 3, rgba.height = 2;
  rgba.rows = {Bytes({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}), Bytes({13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24})};
  PngSpec palette;
  palette.width = 4, palette.height = 1, palette.colorType = PNG_COLOR_TYPE_PALETTE, palette.depth = 2;
  palette.palette = {{1, 2, 3}, {200, 100, 50}, {9, 9, 9}};
  palette.paletteAlpha = {0, 128};
  palette.rows = {Bytes({0x1B})};
  PngSpec grey;
  grey.width = 5, grey.height = 2, grey.colorType = PNG_COLOR_TYPE_GRAY, grey.depth = 1;
  grey.rows = {Bytes({0xA8}), Bytes({0x50})};
  PngSpec greyAlpha;
  greyAlpha.width = 2, greyAlpha.height = 1, greyAlpha.colorType = PNG_COLOR_TYPE_GRAY_ALPHA, greyAlpha.depth = 16;
  greyAlpha.rows = {Bytes({1, 2, 3, 4, 5, 6, 7, 8})};
  PngSpec interlaced;
  interlaced.width = 3, interlaced.height = 3, interlaced.colorType = PNG_COLOR_TYPE_RGB, interlaced.interlace = true;
  interlaced.gamma = 1.0;
  interlaced.rows = {std::string(9, 'a'), std::string(9, 'b'), std::string(9, 'c')};
  return WritePng((dir / "rgba_3x2.png").string(), rgba) && WritePng((dir / "palette_trns.png").string(), palette) &&
         WritePng((dir / "grey_1bit.png").string(), grey) && WritePng((dir / "grey_alpha_16.png").string(), greyAlpha) &&
         WritePng((dir / "interlaced_gamma.png").string(), interlaced) &&
         Cut(dir / "interlaced_gamma.png", dir / "cut.png");
}

bool JpegSeeds(const fs::path& dir) {
  std::vector<uint8_t> rgb(8 * 8 * 3), grey(8 * 8), cmyk(8 * 8 * 4, 60);
  for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<uint8_t>(i * 5);
  for (size_t i = 0; i < grey.size(); ++i) grey[i] = static_cast<uint8_t>(i * 3);
  return WriteAll(dir / "rgb_8x8.jpg", EncodeJpeg(8, 8, JCS_RGB, 3, rgb, 75)) &&
         WriteAll(dir / "grey_8x8.jpg", EncodeJpeg(8, 8, JCS_GRAYSCALE, 1, grey, 75)) &&
         WriteAll(dir / "progressive.jpg", EncodeJpeg(8, 8, JCS_RGB, 3, rgb, 75, true)) &&
         WriteAll(dir / "cmyk.jpg", EncodeJpeg(8, 8, JCS_CMYK, 4, cmyk, 50)) &&
         Cut(dir / "rgb_8x8.jpg", dir / "cut.jpg");
}

bool Jpeg2000Seeds(const fs::path& dir) {
  std::vector<std::vector<int>> rgb(3, std::vector<int>(4 * 4)), rgba(4, std::vector<int>(3 * 2)),
      grey(1, std::vector<int>(5 * 3)), deep(1, std::vector<int>(2 * 2));
  for (auto* planes : {&rgb, &rgba, &grey, &deep})
    for (size_t c = 0; c < planes->size(); ++c)
      for (size_t i = 0; i < (*planes)[c].size(); ++i) (*planes)[c][i] = static_cast<int>((i * 37 + c * 11) % 256);
  deep[0] = {0, 1000, 2000, 4095};
  return WriteJpeg2000((dir / "rgb_4x4.jp2").string(), OPJ_CODEC_JP2, 4, 4, 8, OPJ_CLRSPC_SRGB, rgb) &&
         WriteJpeg2000((dir / "rgba_3x2.jp2").string(), OPJ_CODEC_JP2, 3, 2, 8, OPJ_CLRSPC_SRGB, rgba, 3) &&
         WriteJpeg2000((dir / "grey_5x3.jpc").string(), OPJ_CODEC_J2K, 5, 3, 8, OPJ_CLRSPC_GRAY, grey) &&
         WriteJpeg2000((dir / "grey_12bit.jp2").string(), OPJ_CODEC_JP2, 2, 2, 12, OPJ_CLRSPC_GRAY, deep) &&
         Cut(dir / "rgb_4x4.jp2", dir / "cut.jp2");
}

bool MeshSeeds(const fs::path& dir) {
  const std::vector<std::array<int, 8>> quad = {{-1000, -1000, 0, 0, 0, 1000, 0, 0},
                                                {1000, -1000, 0, 0, 0, 1000, 1000, 0},
                                                {1000, 1000, 0, 0, 0, 1000, 1000, 1000},
                                                {-1000, 1000, 0, 0, 0, 1000, 0, 1000}};
  std::string good = MeshBytes(quad, {0, 1, 2, 0, 2, 3});
  return WriteAll(dir / "quad.mesh", good) && WriteAll(dir / "empty.mesh", MeshBytes({}, {})) &&
         WriteAll(dir / "bad_index.mesh", MeshBytes({quad[0], quad[1], quad[2]}, {0, 1, 3})) &&
         WriteAll(dir / "short.mesh", good.substr(0, good.size() - 5)) &&
         WriteAll(dir / "huge_counts.mesh", MeshBytes(quad, {0, 1, 2}, 65535, 65535));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: render_seeds <corpus folder>\n");
    return 2;
  }
  fs::path root(argv[1]);
  for (const char* sub : {"png", "jpeg", "jpeg2000", "mesh"}) fs::create_directories(root / sub);
  bool ok = PngSeeds(root / "png") && JpegSeeds(root / "jpeg") && Jpeg2000Seeds(root / "jpeg2000") &&
            MeshSeeds(root / "mesh");
  if (!ok) std::fprintf(stderr, "render_seeds: could not write every seed\n");
  return ok ? 0 : 1;
}
