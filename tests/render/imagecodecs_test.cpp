// Image codecs: buffer shape and placement, PNG colour types and transformations, JPEG and
// JPEG-2000 decoding, both writers, the size limit checked before allocating, and damaged files
// refused with a log line instead of a crash or an ended process.
#include "render/imagecodecs.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <zlib.h>

#include "core/assetindex.h"
#include "filesizelimit.h"
#include "imagefixture.h"

using namespace imagetest;

namespace {

// A test pattern pixel, blue, green, red, alpha.
std::array<uint8_t, 4> Pattern(int x, int y) {
  return {static_cast<uint8_t>(x * 7 + y), static_cast<uint8_t>(y * 5 + 3), static_cast<uint8_t>(x ^ y),
          static_cast<uint8_t>(255 - x - y)};
}

// Pixels in the buffer's byte order with a row length of rowBytes.
std::vector<uint8_t> PatternPixels(int w, int h, int rowBytes) {
  std::vector<uint8_t> px(static_cast<size_t>(rowBytes) * h, 0xEE);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) std::memcpy(&px[y * rowBytes + x * 4], Pattern(x, y).data(), 4);
  return px;
}

// A smooth pattern that survives JPEG compression nearly unchanged.
std::array<uint8_t, 3> Smooth(int x, int y, int w, int h) {
  return {static_cast<uint8_t>(40 + 150 * x / std::max(w, 1)), static_cast<uint8_t>(60 + 120 * y / std::max(h, 1)),
          static_cast<uint8_t>(200)};
}

bool AllZeroOutside(const TImageBuffer& img) {
  for (int y = 0; y < img.side; ++y)
    for (int x = 0; x < img.side; ++x) {
      if (x < img.width && y < img.height) continue;
      const uint8_t* p = img.Pixel(x, y);
      if (p[0] | p[1] | p[2] | p[3]) return false;
    }
  return true;
}

uint32_t Word(const TImageBuffer& img, int x, int y) {
  uint32_t v;
  std::memcpy(&v, img.Pixel(x, y), 4);
  return v;
}

}  // namespace

TEST(ImageBuffer, SideIsSmallestCoveringPowerOfTwo) {
  struct Case { int w, h, side; };
  for (Case c : {Case{1, 1, 1}, Case{2, 1, 2}, Case{3, 3, 4}, Case{300, 200, 512}, Case{200, 300, 512},
                 Case{512, 512, 512}, Case{513, 2, 1024}, Case{700, 300, 1024}, Case{8192, 1, 8192}}) {
    EXPECT_EQ(ImageBufferSide(c.w, c.h), c.side) << c.w << "x" << c.h;
  }
}

// ---- PNG ------------------------------------------------------------------------------------------

TEST_F(ImageTest, PngRoundTripKeepsPixelsInTheTopLeftOfAZeroedSquare) {
  struct Case { int w, h, side; };
  for (Case c : {Case{1, 1, 1}, Case{3, 5, 8}, Case{64, 64, 64}, Case{65, 2, 128}, Case{2, 65, 128},
                 Case{300, 200, 512}}) {
    SCOPED_TRACE(testing::Message() << c.w << "x" << c.h);
    int rowBytes = c.w * 4 + 12;  // padded rows: the writer must step by the row length
    std::vector<uint8_t> px = PatternPixels(c.w, c.h, rowBytes);
    ASSERT_TRUE(SavePng("user:round.png", px.data(), c.w, c.h, rowBytes));
    TImageBuffer img;
    ASSERT_TRUE(LoadPng("user:round.png", &img)) << Log();
    EXPECT_EQ(img.width, c.w);
    EXPECT_EQ(img.height, c.h);
    EXPECT_EQ(img.side, c.side);
    EXPECT_TRUE(img.hasAlpha);
    for (int y = 0; y < c.h; ++y)
      for (int x = 0; x < c.w; ++x) ASSERT_EQ(0, std::memcmp(img.Pixel(x, y), Pattern(x, y).data(), 4)) << x << "," << y;
    EXPECT_TRUE(AllZeroOutside(img));
  }
}

TEST_F(ImageTest, PngColourTypesBecomeBlueGreenRedAlpha) {
  auto rgb = [](std::initializer_list<int> v) {
    std::string s;
    for (int b : v) s += static_cast<char>(b);
    return s;
  };
  struct Case {
    const char* name;
    PngSpec pngSpec;
    bool hasAlpha;
    std::vector<uint32_t> expect;  // 0xAARRGGBB per pixel, row by row (2 × 1 images)
  };
  std::vector<Case> cases;
  {
    PngSpec s;
    s.width = 2, s.colorType = PNG_COLOR_TYPE_RGB, s.rows = {rgb({10, 20, 30, 40, 50, 60})};
    cases.push_back({"rgb gets opaque filler", s, false, {0xFF0A141E, 0xFF28323C}});
  }
  {
    PngSpec s;
    s.width = 2, s.colorType = PNG_COLOR_TYPE_RGB_ALPHA, s.rows = {rgb({10, 20, 30, 0, 40, 50, 60, 128})};
    cases.push_back({"rgba", s, true, {0x000A141E, 0x8028323C}});
  }
  {
    PngSpec s;
    s.width = 2, s.colorType = PNG_COLOR_TYPE_PALETTE, s.depth = 2;
    s.palette = {{1, 2, 3}, {200, 100, 50}};
    s.paletteAlpha = {0};
    s.rows = {rgb({0x10})};  // indices 0, 1 in the top bits
    cases.push_back({"palette with transparency", s, true, {0x00010203, 0xFFC86432}});
  }
  {
    PngSpec s;
    s.width = 2, s.colorType = PNG_COLOR_TYPE_PALETTE, s.depth = 8;
    s.palette = {{1, 2, 3}, {200, 100, 50}};
    s.rows = {rgb({1, 0})};
    cases.push_back({"palette without transparency", s, false, {0xFFC86432, 0xFF010203}});
  }
  {
    PngSpec s;
    s.width = 2, s.colorType = PNG_COLOR_TYPE_GRAY, s.depth = 1, s.rows = {rgb({0x40})};
    cases.push_back({"one-bit grey expands", s, false, {0xFF000000, 0xFFFFFFFF}});
  }
  {
    PngSpec s;
    s.width = 2, s.colorType = PNG_COLOR_TYPE_GRAY_ALPHA, s.rows = {rgb({90, 255, 7, 3})};
    cases.push_back({"grey with alpha", s, true, {0xFF5A5A5A, 0x03070707}});
  }
  {
    PngSpec s;
    s.width = 2, s.colorType = PNG_COLOR_TYPE_RGB, s.depth = 16,
    s.rows = {rgb({0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 1, 2, 3, 4, 5, 6})};
    cases.push_back({"16-bit channels keep their high byte", s, false, {0xFF12569A, 0xFF010305}});
  }
  {
    // A colour key on a grey image gives the keyed pixel alpha 0, but only a palette's
    // transparency or an alpha channel marks the image as carrying alpha.
    PngSpec s;
    s.width = 2, s.colorType = PNG_COLOR_TYPE_GRAY, s.greyKey = true, s.greyKeyValue = 9, s.rows = {rgb({9, 10})};
    cases.push_back({"grey colour key", s, false, {0x00090909, 0xFF0A0A0A}});
  }
  {
    PngSpec s;
    s.width = 2, s.colorType = PNG_COLOR_TYPE_RGB_ALPHA, s.interlace = true,
    s.rows = {rgb({10, 20, 30, 0, 40, 50, 60, 128})};
    cases.push_back({"interlaced", s, true, {0x000A141E, 0x8028323C}});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(WritePng(mTemp / "v.png", c.pngSpec));
    TImageBuffer img;
    ASSERT_TRUE(LoadPng("user:v.png", &img)) << Log();
    EXPECT_EQ(img.hasAlpha, c.hasAlpha);
    ASSERT_EQ(img.side, 2);
    for (size_t i = 0; i < c.expect.size(); ++i)
      EXPECT_EQ(Word(img, static_cast<int>(i), 0), c.expect[i]) << std::hex << "pixel " << i;
  }
}

TEST_F(ImageTest, PngGammaChunkCorrectsToScreenGamma) {
  PngSpec s;
  s.width = 3, s.colorType = PNG_COLOR_TYPE_GRAY;
  s.rows = {std::string("\x00\x80\xFF", 3)};
  TImageBuffer img;
  s.gamma = 1.0;  // linear file data, shown on a 2.2 screen: mid grey brightens
  ASSERT_TRUE(WritePng(mTemp / "g.png", s));
  ASSERT_TRUE(LoadPng("user:g.png", &img));
  EXPECT_EQ(img.Pixel(0, 0)[0], 0);
  EXPECT_NEAR(img.Pixel(1, 0)[0], 255.0 * std::pow(128 / 255.0, 1 / 2.2), 1.0);
  EXPECT_EQ(img.Pixel(2, 0)[0], 255);
  s.gamma = 0;  // no chunk: values as stored
  ASSERT_TRUE(WritePng(mTemp / "g.png", s));
  ASSERT_TRUE(LoadPng("user:g.png", &img));
  EXPECT_EQ(img.Pixel(1, 0)[0], 0x80);
}

TEST_F(ImageTest, PngReadsThroughFrameworkFilesFromMemory) {
  std::vector<uint8_t> px = PatternPixels(4, 3, 16);
  ASSERT_TRUE(SavePng("user:disk.png", px.data(), 4, 3, 16));
  std::string bytes = ReadFile("disk.png");
  RegisterMemoryFile("in/memory.png", bytes.data(), bytes.size());
  TImageBuffer img;
  ASSERT_TRUE(LoadPng("in/memory.png", &img)) << Log();
  EXPECT_EQ(img.width, 4);
  EXPECT_EQ(0, std::memcmp(img.Pixel(3, 2), Pattern(3, 2).data(), 4));
}

// ---- JPEG -----------------------------------------------------------------------------------------

TEST_F(ImageTest, JpegRoundTripIsCloseAndPlacedInTheTopLeft) {
  struct Case { int w, h, side; };
  for (Case c : {Case{1, 1, 1}, Case{17, 9, 32}, Case{300, 200, 512}}) {
    SCOPED_TRACE(testing::Message() << c.w << "x" << c.h);
    std::vector<uint8_t> px(static_cast<size_t>(c.w) * c.h * 4, 0x11);  // alpha byte 0x11: ignored
    for (int y = 0; y < c.h; ++y)
      for (int x = 0; x < c.w; ++x) std::memcpy(&px[(y * c.w + x) * 4], Smooth(x, y, c.w, c.h).data(), 3);
    ASSERT_TRUE(SaveJpeg("user:round.jpg", 1.0f, c.w, c.h, c.w * 4, px.data())) << Log();
    TImageBuffer img;
    ASSERT_TRUE(LoadJpeg("user:round.jpg", &img)) << Log();
    EXPECT_EQ(img.width, c.w);
    EXPECT_EQ(img.height, c.h);
    EXPECT_EQ(img.side, c.side);
    EXPECT_FALSE(img.hasAlpha);
    int worst = 0;
    for (int y = 0; y < c.h; ++y)
      for (int x = 0; x < c.w; ++x) {
        auto want = Smooth(x, y, c.w, c.h);
        for (int k = 0; k < 3; ++k) worst = std::max(worst, std::abs(img.Pixel(x, y)[k] - want[k]));
        ASSERT_EQ(img.Pixel(x, y)[3], 255);
      }
    EXPECT_LE(worst, 10);  // colour is kept at half resolution
    EXPECT_TRUE(AllZeroOutside(img));
  }
  EXPECT_EQ(Log(), "");
}

TEST_F(ImageTest, JpegQualityIsRoundedToPercent) {
  // The quality shows in the quantisation tables; 0.85 must give 85, not the 84 of truncation.
  auto tablesOf = [](const std::string& bytes) {
    jpeg_decompress_struct info;
    jpeg_error_mgr err;
    info.err = jpeg_std_error(&err);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    jpeg_read_header(&info, TRUE);
    std::vector<int> q(info.quant_tbl_ptrs[0]->quantval, info.quant_tbl_ptrs[0]->quantval + DCTSIZE2);
    jpeg_destroy_decompress(&info);
    return q;
  };
  std::vector<uint8_t> px(16 * 16 * 4, 100);
  std::vector<uint8_t> rgb(16 * 16 * 3, 100);
  ASSERT_TRUE(SaveJpeg("user:q.jpg", 0.85f, 16, 16, 64, px.data()));
  std::vector<int> saved = tablesOf(ReadFile("q.jpg"));
  EXPECT_EQ(saved, tablesOf(EncodeJpeg(16, 16, JCS_RGB, 3, rgb, 85)));
  EXPECT_NE(saved, tablesOf(EncodeJpeg(16, 16, JCS_RGB, 3, rgb, 84)));
  // Qualities outside 0..1 are held to the range.
  struct Case { float quality; int percent; };
  for (Case c : {Case{7.0f, 100}, Case{-3.0f, 1}, Case{std::nanf(""), 1}}) {
    SCOPED_TRACE(c.quality);
    ASSERT_TRUE(SaveJpeg("user:q.jpg", c.quality, 16, 16, 64, px.data()));
    EXPECT_EQ(tablesOf(ReadFile("q.jpg")), tablesOf(EncodeJpeg(16, 16, JCS_RGB, 3, rgb, c.percent)));
  }
}

TEST_F(ImageTest, JpegGreyAndProgressiveFilesDecode) {
  std::vector<uint8_t> grey(8 * 8);
  for (int i = 0; i < 64; ++i) grey[i] = static_cast<uint8_t>(100 + i);
  WriteFile("grey.jpg", EncodeJpeg(8, 8, JCS_GRAYSCALE, 1, grey, 100));
  TImageBuffer img;
  ASSERT_TRUE(LoadJpeg("user:grey.jpg", &img)) << Log();
  const uint8_t* p = img.Pixel(5, 3);
  EXPECT_EQ(p[0], p[1]);
  EXPECT_EQ(p[1], p[2]);
  EXPECT_NEAR(p[0], 100 + 3 * 8 + 5, 3);

  std::vector<uint8_t> rgb(40 * 30 * 3);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) {
      auto s = Smooth(x, y, 40, 30);  // blue, green, red
      rgb[(y * 40 + x) * 3 + 0] = s[2];
      rgb[(y * 40 + x) * 3 + 1] = s[1];
      rgb[(y * 40 + x) * 3 + 2] = s[0];
    }
  WriteFile("prog.jpg", EncodeJpeg(40, 30, JCS_RGB, 3, rgb, 95, true));
  ASSERT_TRUE(LoadJpeg("user:prog.jpg", &img)) << Log();
  EXPECT_EQ(img.side, 64);
  EXPECT_NEAR(img.Pixel(20, 10)[0], Smooth(20, 10, 40, 30)[0], 6);
  EXPECT_NEAR(img.Pixel(20, 10)[2], 200, 6);
}

TEST_F(ImageTest, JpegThatEndsEarlyLoadsAndLogsWhyItIsPartlyGrey) {
  std::vector<uint8_t> rgb(64 * 64 * 3, 30);
  for (size_t i = 64 * 3 * 16; i < rgb.size(); ++i) rgb[i] = static_cast<uint8_t>(i * 2654435761u >> 11);
  std::string whole = EncodeJpeg(64, 64, JCS_RGB, 3, rgb, 90);
  size_t scan = whole.find("\xFF\xDA");
  ASSERT_NE(scan, std::string::npos);
  WriteFile("cut.jpg", whole.substr(0, scan + (whole.size() - scan) / 2));
  TImageBuffer img;
  ASSERT_TRUE(LoadJpeg("user:cut.jpg", &img)) << Log();
  EXPECT_EQ(img.width, 64);
  EXPECT_NEAR(img.Pixel(0, 0)[0], 30, 4);  // the part that was there decoded
  EXPECT_TRUE(Logged("LoadJpeg user:cut.jpg: warning: Premature end of JPEG file")) << Log();
}

TEST_F(ImageTest, JpegWithEndlessScansIsStopped) {
  std::vector<uint8_t> rgb(16 * 16 * 3, 90);
  std::string prog = EncodeJpeg(16, 16, JCS_RGB, 3, rgb, 90, true);
  size_t lastScan = prog.rfind("\xFF\xDA");
  ASSERT_NE(lastScan, std::string::npos);
  std::string scan = prog.substr(lastScan, prog.size() - 2 - lastScan);  // up to the end marker
  std::string many = prog.substr(0, prog.size() - 2);
  for (int i = 0; i < 600; ++i) many += scan;
  WriteFile("scans.jpg", many + "\xFF\xD9");
  TImageBuffer img;
  EXPECT_FALSE(LoadJpeg("user:scans.jpg", &img));
  EXPECT_TRUE(Logged("LoadJpeg user:scans.jpg: more than 500 scans")) << Log();
  // The same scan repeated a few times is only odd, not endless.
  WriteFile("some.jpg", prog.substr(0, prog.size() - 2) + scan + scan + "\xFF\xD9");
  EXPECT_TRUE(LoadJpeg("user:some.jpg", &img)) << Log();
}

TEST_F(ImageTest, JpegTheLibraryCannotConvertFailsTheLoadNotTheProcess) {
  std::vector<uint8_t> cmyk(8 * 8 * 4, 77);
  WriteFile("cmyk.jpg", EncodeJpeg(8, 8, JCS_CMYK, 4, cmyk, 90));
  TImageBuffer img;
  EXPECT_FALSE(LoadJpeg("user:cmyk.jpg", &img));
  EXPECT_FALSE(img.pixels);
  EXPECT_TRUE(Logged("LoadJpeg user:cmyk.jpg: ")) << Log();
}

// ---- JPEG-2000 ------------------------------------------------------------------------------------

TEST_F(ImageTest, Jpeg2000ColourImageRepeatsItsLastColumnAndRowToTheEdges) {
  const int w = 100, h = 60;
  std::vector<std::vector<int>> planes(3, std::vector<int>(w * h));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      planes[0][y * w + x] = (x * 2) & 255;  // red
      planes[1][y * w + x] = (y * 3) & 255;  // green
      planes[2][y * w + x] = (x + y) & 255;  // blue
    }
  for (auto format : {OPJ_CODEC_JP2, OPJ_CODEC_J2K}) {
    SCOPED_TRACE(format == OPJ_CODEC_JP2 ? "jp2" : "jpc");
    ASSERT_TRUE(WriteJpeg2000(mTemp / "c.jp2", format, w, h, 8, OPJ_CLRSPC_SRGB, planes));
    TImageBuffer img;
    ASSERT_TRUE(LoadJpeg2000("user:c.jp2", &img)) << Log();
    EXPECT_EQ(img.width, w);
    EXPECT_EQ(img.height, h);
    EXPECT_EQ(img.side, 128);
    EXPECT_FALSE(img.hasAlpha);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const uint8_t* p = img.Pixel(x, y);
        ASSERT_EQ(p[0], planes[2][y * w + x]);
        ASSERT_EQ(p[1], planes[1][y * w + x]);
        ASSERT_EQ(p[2], planes[0][y * w + x]);
        ASSERT_EQ(p[3], 255);
      }
    for (int y = 0; y < h; ++y)
      for (int x = w; x < 128; ++x) ASSERT_EQ(Word(img, x, y), Word(img, w - 1, y)) << x << "," << y;
    for (int y = h; y < 128; ++y)
      for (int x = 0; x < 128; ++x) ASSERT_EQ(Word(img, x, y), Word(img, x, h - 1)) << x << "," << y;
  }
}

TEST_F(ImageTest, Jpeg2000GreyAlphaAndPrecision) {
  struct Case {
    const char* name;
    OPJ_CODEC_FORMAT format;
    OPJ_COLOR_SPACE space;
    int precision;
    std::vector<std::vector<int>> planes;  // 2 × 1 images
    int alphaIndex;
    bool hasAlpha;
    std::vector<uint32_t> expect;  // 0xAARRGGBB
  };
  const Case cases[] = {
      {"grey", OPJ_CODEC_JP2, OPJ_CLRSPC_GRAY, 8, {{5, 200}}, -1, false, {0xFF050505, 0xFFC8C8C8}},
      {"grey with opacity", OPJ_CODEC_JP2, OPJ_CLRSPC_GRAY, 8, {{5, 200}, {0, 99}}, 1, true, {0x00050505, 0x63C8C8C8}},
      {"grey code stream with an extra component", OPJ_CODEC_J2K, OPJ_CLRSPC_UNSPECIFIED, 8, {{5, 200}, {7, 9}}, -1,
       true, {0x07050505, 0x09C8C8C8}},
      {"rgba", OPJ_CODEC_JP2, OPJ_CLRSPC_SRGB, 8, {{1, 2}, {3, 4}, {5, 6}, {128, 255}}, 3, true,
       {0x80010305, 0xFF020406}},
      {"12-bit samples scale to 8", OPJ_CODEC_JP2, OPJ_CLRSPC_GRAY, 12, {{0x123, 0xFFF}}, -1, false,
       {0xFF121212, 0xFFFFFFFF}},
      {"4-bit samples shift up", OPJ_CODEC_JP2, OPJ_CLRSPC_GRAY, 4, {{0x3, 0xF}}, -1, false,
       {0xFF303030, 0xFFF0F0F0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(WriteJpeg2000(mTemp / "v.jp2", c.format, 2, 1, c.precision, c.space, c.planes, c.alphaIndex));
    TImageBuffer img;
    ASSERT_TRUE(LoadJpeg2000("user:v.jp2", &img)) << Log();
    EXPECT_EQ(img.hasAlpha, c.hasAlpha);
    ASSERT_EQ(img.side, 2);
    for (size_t i = 0; i < c.expect.size(); ++i)
      EXPECT_EQ(Word(img, static_cast<int>(i), 0), c.expect[i]) << std::hex << "pixel " << i;
    // The row below repeats the image's last row.
    EXPECT_EQ(Word(img, 0, 1), c.expect[0]);
  }
}

TEST_F(ImageTest, Jpeg2000SubsampledComponentsCoverTheirPixels) {
  // Red at full size, green and blue with one sample per 2 × 2 pixels (3 × 2 samples for 5 × 3).
  const int w = 5, h = 3;
  std::vector<std::vector<int>> planes = {std::vector<int>(w * h), std::vector<int>(3 * 2), std::vector<int>(3 * 2)};
  for (int i = 0; i < w * h; ++i) planes[0][i] = 10 * i;
  for (int i = 0; i < 6; ++i) {
    planes[1][i] = 100 + i;
    planes[2][i] = 200 + i;
  }
  ASSERT_TRUE(WriteJpeg2000(mTemp / "sub.jp2", OPJ_CODEC_JP2, w, h, 8, OPJ_CLRSPC_SRGB, planes, -1, {1, 2, 2}));
  TImageBuffer img;
  ASSERT_TRUE(LoadJpeg2000("user:sub.jp2", &img)) << Log();
  ASSERT_EQ(img.width, w);
  ASSERT_EQ(img.height, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      SCOPED_TRACE(testing::Message() << x << "," << y);
      const uint8_t* p = img.Pixel(x, y);
      EXPECT_EQ(p[2], 10 * (y * w + x));
      EXPECT_EQ(p[1], 100 + (y / 2) * 3 + x / 2);
      EXPECT_EQ(p[0], 200 + (y / 2) * 3 + x / 2);
    }
}

TEST(Jpeg2000Formats, BothFormatsAreRegisteredAndToldApartByTheirFirstBytes) {
  RegisterJpeg2000Codecs();
  RegisterJpeg2000Codecs();  // again: harmless
  const uint8_t jp2[] = {0, 0, 0, 12, 'j', 'P', ' ', ' ', 0x0D, 0x0A, 0x87, 0x0A};
  const uint8_t jpc[] = {0xFF, 0x4F, 0xFF, 0x51, 0};
  const uint8_t png[] = {0x89, 'P', 'N', 'G'};
  EXPECT_STREQ(FindJpeg2000Format(jp2, sizeof jp2), "jp2");
  EXPECT_STREQ(FindJpeg2000Format(jpc, sizeof jpc), "jpc");
  EXPECT_EQ(FindJpeg2000Format(png, sizeof png), nullptr);
  EXPECT_EQ(FindJpeg2000Format(jp2, 11), nullptr);  // too short to tell
}

// ---- size limits ----------------------------------------------------------------------------------

namespace {

uint32_t Crc(const std::string& bytes) {
  uint32_t c = 0xFFFFFFFF;
  for (unsigned char b : bytes) {
    c ^= b;
    for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
  }
  return ~c;
}

std::string Be32(uint32_t v) {
  return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8), static_cast<char>(v)};
}

// A PNG that is only a header claiming the given size (no pixel data follows).
std::string PngHeaderOnly(uint32_t w, uint32_t h) {
  std::string ihdr = "IHDR" + Be32(w) + Be32(h) + std::string("\x08\x06\x00\x00\x00", 5);
  auto chunk = [](const std::string& typeAndData) {
    return Be32(static_cast<uint32_t>(typeAndData.size() - 4)) + typeAndData + Be32(Crc(typeAndData));
  };
  return std::string("\x89PNG\r\n\x1a\n", 8) + chunk(ihdr) + chunk("IDAT") + chunk("IEND");
}

}  // namespace

TEST_F(ImageTest, OversizedImagesAreRefusedRightAfterTheHeader) {
  // 40000 a side would make a buffer of 65536² × 4 bytes, 16 GiB, whose size wraps to 0 in 32 bits.
  WriteFile("huge.png", PngHeaderOnly(40000, 40000));
  std::vector<uint8_t> rgb(16 * 16 * 3, 50);
  std::string jpeg = EncodeJpeg(16, 16, JCS_RGB, 3, rgb, 90);
  size_t sof = jpeg.find("\xFF\xC0");
  ASSERT_NE(sof, std::string::npos);
  jpeg.replace(sof + 5, 4, "\x9C\x40\x9C\x40");  // height and width 40000
  WriteFile("huge.jpg", jpeg);
  std::vector<std::vector<int>> planes(1, std::vector<int>(16 * 16, 9));
  ASSERT_TRUE(WriteJpeg2000(mTemp / "huge.jpc", OPJ_CODEC_J2K, 16, 16, 8, OPJ_CLRSPC_GRAY, planes));
  std::string jpc = ReadFile("huge.jpc");
  ASSERT_EQ(jpc.substr(0, 4), std::string("\xFF\x4F\xFF\x51", 4));
  for (size_t at : {8, 12, 24, 28}) jpc.replace(at, 4, Be32(40000));  // image and tile extents
  WriteFile("huge.jpc", jpc);

  struct Case { const char* file; bool (*load)(const TString&, TImageBuffer*, int32_t); };
  for (Case c : {Case{"huge.png", LoadPng}, Case{"huge.jpg", LoadJpeg}, Case{"huge.jpc", LoadJpeg2000}}) {
    SCOPED_TRACE(c.file);
    TImageBuffer img;
    EXPECT_FALSE(c.load(TString("user:") + c.file, &img, kImageMaxSide));
    EXPECT_FALSE(img.pixels);
    EXPECT_TRUE(Logged("user:" + std::string(c.file) + ": image of 40000 x 40000 is larger than the limit of 8192")) << Log();
  }
}

TEST_F(ImageTest, CallersChooseALowerLimitButNeverAHigherOne) {
  std::vector<uint8_t> px = PatternPixels(1100, 2, 1100 * 4);
  ASSERT_TRUE(SavePng("user:wide.png", px.data(), 1100, 2, 1100 * 4));
  ASSERT_TRUE(SaveJpeg("user:wide.jpg", 0.5f, 1100, 2, 1100 * 4, px.data()));
  TImageBuffer img;
  EXPECT_FALSE(LoadPng("user:wide.png", &img, kImagePlainMaxSide));
  EXPECT_FALSE(LoadJpeg("user:wide.jpg", &img, kImagePlainMaxSide));
  EXPECT_TRUE(Logged("user:wide.jpg: image of 1100 x 2 is larger than the limit of 1024"));
  EXPECT_TRUE(LoadPng("user:wide.png", &img));
  EXPECT_EQ(img.side, 2048);
  WriteFile("big.png", PngHeaderOnly(9000, 1));
  EXPECT_FALSE(LoadPng("user:big.png", &img, 100000));
  EXPECT_TRUE(Logged("larger than the limit of 8192"));
}

// ---- damaged files --------------------------------------------------------------------------------

TEST_F(ImageTest, DamagedFilesAreRefusedWithALogLineNamingThem) {
  std::vector<uint8_t> px = PatternPixels(40, 40, 160);
  ASSERT_TRUE(SavePng("user:good.png", px.data(), 40, 40, 160));
  std::string png = ReadFile("good.png");
  std::vector<uint8_t> rgb(40 * 40 * 3, 99);
  std::string jpeg = EncodeJpeg(40, 40, JCS_RGB, 3, rgb, 90);
  std::vector<std::vector<int>> planes(3, std::vector<int>(40 * 40));
  for (auto& p : planes)
    for (size_t i = 0; i < p.size(); ++i) p[i] = static_cast<int>(i * 37 % 251);
  ASSERT_TRUE(WriteJpeg2000(mTemp / "good.jp2", OPJ_CODEC_JP2, 40, 40, 8, OPJ_CLRSPC_SRGB, planes));
  std::string jp2 = ReadFile("good.jp2");
  ASSERT_TRUE(WriteJpeg2000(mTemp / "many.jpc", OPJ_CODEC_J2K, 2, 1, 8, OPJ_CLRSPC_UNSPECIFIED,
                            std::vector<std::vector<int>>(9, std::vector<int>{1, 2})));
  std::string manyComponents = ReadFile("many.jpc");
  std::string garbage(300, '\0');
  for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<char>(i * 131 + 7);

  using Loader = bool (*)(const TString&, TImageBuffer*, int32_t);
  struct Case {
    const char* name;
    Loader load;
    std::string bytes;
    const char* why = "";  // the logged reason, where it is ours or plain
  };
  const Case cases[] = {
      {"empty.png", LoadPng, "", "not a PNG file"},
      {"garbage.png", LoadPng, garbage},
      {"signature-only.png", LoadPng, png.substr(0, 8)},
      {"cut-in-header.png", LoadPng, png.substr(0, 20)},
      {"cut-in-data.png", LoadPng, png.substr(0, png.size() / 2), "Read Error"},
      {"bad-crc.png", LoadPng, png.substr(0, 29) + "\x55" + png.substr(30)},
      {"empty.jpg", LoadJpeg, "", "Empty input file"},
      {"garbage.jpg", LoadJpeg, garbage},
      {"cut-in-header.jpg", LoadJpeg, jpeg.substr(0, 30)},
      {"png-named.jpg", LoadJpeg, png},
      {"empty.jp2", LoadJpeg2000, ""},
      {"garbage.jp2", LoadJpeg2000, garbage, "not a JPEG-2000 file"},
      {"cut-in-header.jp2", LoadJpeg2000, jp2.substr(0, 60)},
      {"cut-in-data.jp2", LoadJpeg2000, jp2.substr(0, jp2.size() * 2 / 3)},
      {"scrambled.jp2", LoadJpeg2000, jp2.substr(0, 120) + garbage + jp2.substr(420)},
      {"nine-components.jpc", LoadJpeg2000, manyComponents, "image has 9 components, more than 8"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFile(c.name, c.bytes);
    TImageBuffer img;
    img.width = 5;  // a stale value must not survive a failed load
    EXPECT_FALSE(c.load(TString("user:") + c.name, &img, kImageMaxSide));
    EXPECT_FALSE(img.pixels);
    EXPECT_EQ(img.width, 0);
    EXPECT_TRUE(Logged(":" + std::string(c.name) + ": " + c.why)) << Log();
  }
  for (Loader load : {LoadPng, LoadJpeg, LoadJpeg2000}) {
    TImageBuffer img;
    EXPECT_FALSE(load("user:missing.img", &img, kImageMaxSide));
  }
  EXPECT_TRUE(Logged("user:missing.img: cannot open the file"));
}

// A chunk that declares nearly 2 GiB behind a valid header: the library must neither allocate it nor
// spend long skipping it. The fuzz corpus holds these files too, run there under an allocation cap.
TEST_F(ImageTest, PngChunksDeclaringHugeLengthsAreRefusedWithoutAllocatingThem) {
  const std::string dir = std::string(std::getenv("TM_TEST_DATA")) + "/fuzz/png/";
  for (const char* name : {"splt_declares_2gb.png", "ztxt_declares_2gb.png", "iccp_declares_2gb.png",
                           "text_declares_2gb.png", "unknown_declares_2gb.png"}) {
    SCOPED_TRACE(name);
    WriteFile(name, testutil::ReadFileText(dir + name));
    TImageBuffer img;
    // A short file of an image of 4 x 1: refused, or read with only what is there.
    if (LoadPng(TString("user:") + name, &img)) EXPECT_EQ(img.width, 4);
    EXPECT_TRUE(Logged(std::string("user:") + name)) << Log();
  }
}

// A tiny code stream that declares tens of thousands of tiles would have the library set up every
// one of them while reading the header; it is refused from its size marker first, bare or in a box.
TEST_F(ImageTest, Jpeg2000DeclaringThousandsOfTilesIsRefusedBeforeTheLibraryReadsIt) {
  const std::string dir = std::string(std::getenv("TM_TEST_DATA")) + "/fuzz/jpeg2000/";
  const std::string small = testutil::ReadFileText(dir + "tiles_62500_small_image.jpc");
  const std::string big = testutil::ReadFileText(dir + "tiles_62001_declared.jpc");
  ASSERT_FALSE(small.empty());
  // The same code stream as a "jp2" file: signature, file type and header boxes, then the stream.
  auto box = [](const std::string& type, const std::string& body) { return Be32(uint32_t(8 + body.size())) + type + body; };
  const std::string jp2 = box("jP  ", "\x0D\x0A\x87\x0A") + box("ftyp", std::string("jp2 ") + Be32(0) + "jp2 ") +
                          box("jp2h", box("ihdr", std::string(14, '\0'))) + box("jp2c", small);
  struct Case { const char* file; std::string bytes; const char* why; };
  for (const Case& c : {Case{"small.jpc", small, "image is cut into 62500 tiles, more than 4096"},
                        Case{"small.jp2", jp2, "image is cut into 62500 tiles, more than 4096"},
                        Case{"big.jpc", big, "image of 8192 x 8192 is larger than the limit of 1024"}}) {
    SCOPED_TRACE(c.file);
    WriteFile(c.file, c.bytes);
    TImageBuffer img;
    EXPECT_FALSE(LoadJpeg2000(TString("user:") + c.file, &img, kImagePlainMaxSide));
    EXPECT_TRUE(Logged(std::string("LoadJpeg2000 user:") + c.file + ": " + c.why)) << Log();
  }
}

// An image a little past the caller's limit and one whose text chunk is large but sane.
TEST_F(ImageTest, PngLimitsFollowTheDeclaredSizeAndLeaveOrdinaryChunksAlone) {
  std::vector<uint8_t> px = PatternPixels(8, 8, 32);
  ASSERT_TRUE(SavePng("user:small.png", px.data(), 8, 8, 32));
  std::string png = ReadFile("small.png");
  // A 64 KiB text chunk after IHDR is skipped, not kept.
  std::string text = "Comment";
  text.push_back('\0');
  text.append(65536, 'x');
  auto be32 = [](uint32_t v) {
    return std::string{static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
                       static_cast<char>(v)};
  };
  std::string body = "tEXt" + text;
  uint32_t crc = static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(body.data()), body.size()));
  std::string withText = png.substr(0, 33) + be32(static_cast<uint32_t>(text.size())) + body + be32(crc) + png.substr(33);
  WriteFile("text.png", withText);
  TImageBuffer img;
  ASSERT_TRUE(LoadPng("user:text.png", &img)) << Log();
  EXPECT_EQ(std::memcmp(img.Pixel(3, 2), Pattern(3, 2).data(), 4), 0);
  EXPECT_FALSE(LoadPng("user:small.png", &img, 4));
  EXPECT_TRUE(Logged("larger than the limit of 4")) << Log();
}

// ---- writers --------------------------------------------------------------------------------------

TEST_F(ImageTest, WritersReportFilesTheyCannotWrite) {
  std::vector<uint8_t> noise(256 * 256 * 4);
  std::mt19937 random(7);  // noise that no encoder can squeeze much
  for (uint8_t& byte : noise) byte = static_cast<uint8_t>(random());
  struct Case { const char* name; bool (*save)(const TString&, const std::vector<uint8_t>&); };
  const Case cases[] = {
      {"png", [](const TString& n, const std::vector<uint8_t>& p) { return SavePng(n, p.data(), 256, 256, 1024); }},
      {"jpeg", [](const TString& n, const std::vector<uint8_t>& p) { return SaveJpeg(n, 1.0f, 256, 256, 1024, p.data()); }},
  };
  std::vector<uint8_t> small = PatternPixels(4, 3, 16);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(c.save("::/no/such/folder/x.img", noise));
    // A save that runs out of room leaves the image that was there whole, and nothing beside it.
    const std::string name = std::string("kept.") + c.name;
    ASSERT_TRUE(c.name[0] == 'p' ? SavePng(("user:" + name).c_str(), small.data(), 4, 3, 16)
                                 : SaveJpeg(("user:" + name).c_str(), 1.0f, 4, 3, 16, small.data()));
    const std::string before = ReadFile(name);
    {
      testutil::FileSizeLimit limit(16384);  // writes past 16 kB into any file fail; the noise needs more
      EXPECT_FALSE(c.save(("user:" + name).c_str(), noise));
    }
    EXPECT_TRUE(ReadFile(name) == before);
    EXPECT_FALSE(std::filesystem::exists(mTemp / (name + ".part")));
    // A save that succeeds leaves nothing beside the image either.
    ASSERT_TRUE(c.save(("user:" + name).c_str(), noise));
    EXPECT_FALSE(ReadFile(name) == before);
    EXPECT_FALSE(std::filesystem::exists(mTemp / (name + ".part")));
  }
  EXPECT_TRUE(Logged("SavePng ::/no/such/folder/x.img: cannot open the file"));
  EXPECT_TRUE(Logged("SaveJpeg user:kept.jpeg: ")) << Log();
  EXPECT_TRUE(Logged("SavePng user:kept.png: Write Error")) << Log();
}

TEST_F(ImageTest, WritersRefuseEmptyOrShortRows) {
  std::vector<uint8_t> px(64, 1);
  EXPECT_FALSE(SavePng("user:a.png", px.data(), 0, 4, 16));
  EXPECT_FALSE(SavePng("user:a.png", nullptr, 4, 4, 16));
  EXPECT_FALSE(SaveJpeg("user:a.jpg", 0.5f, 4, 4, 12, px.data()));  // rows shorter than the width
  EXPECT_TRUE(Logged("SaveJpeg user:a.jpg: no pixels to write (4 x 4, row of 12 bytes)"));
}
