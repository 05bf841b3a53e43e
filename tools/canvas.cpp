#include "canvas.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "core/assetindex.h"
#include "core/string.h"
#include "render/imagecodecs.h"

namespace {

std::string gRoot;
bool gFailed = false;

uint8_t Byte(float v) { return uint8_t(std::lround(std::clamp(v, 0.f, 1.f) * 255)); }

}  // namespace

Rgba Hex(uint32_t rgb, float a) {
  return {((rgb >> 16) & 255) / 255.f, ((rgb >> 8) & 255) / 255.f, (rgb & 255) / 255.f, a};
}
Rgba Mix(const Rgba& x, const Rgba& y, float t) {
  t = std::clamp(t, 0.f, 1.f);
  return {x.r + (y.r - x.r) * t, x.g + (y.g - x.g) * t, x.b + (y.b - x.b) * t, x.a + (y.a - x.a) * t};
}
Rgba Shade(Rgba c, float f) {
  c.r = std::clamp(c.r * f, 0.f, 1.f), c.g = std::clamp(c.g * f, 0.f, 1.f), c.b = std::clamp(c.b * f, 0.f, 1.f);
  return c;
}

float Hash(int x, int y, uint32_t seed) {
  uint32_t h = uint32_t(x) * 374761393u + uint32_t(y) * 668265263u + seed * 2246822519u;
  h = (h ^ (h >> 13)) * 1274126177u;
  return float((h ^ (h >> 16)) & 0xffff) / 65535.f;
}
float Noise(float x, float y, uint32_t seed) {
  const int ix = int(std::floor(x)), iy = int(std::floor(y));
  float fx = x - ix, fy = y - iy;
  fx = fx * fx * (3 - 2 * fx), fy = fy * fy * (3 - 2 * fy);
  const float a = Hash(ix, iy, seed), b = Hash(ix + 1, iy, seed);
  const float c = Hash(ix, iy + 1, seed), d = Hash(ix + 1, iy + 1, seed);
  return a + (b - a) * fx + (c - a) * fy + (a - b - c + d) * fx * fy;
}
float Fractal(float x, float y, uint32_t seed) {
  float sum = 0, amp = 0.5f;
  for (int o = 0; o < 4; ++o, x *= 2, y *= 2, amp *= 0.5f) sum += amp * Noise(x, y, seed + o);
  return sum / 0.9375f;
}

float Circle(float x, float y, float cx, float cy, float r) { return std::hypot(x - cx, y - cy) - r; }
float Box(float x, float y, float x0, float y0, float x1, float y1, float round) {
  const float qx = std::abs(x - (x0 + x1) / 2) - ((x1 - x0) / 2 - round);
  const float qy = std::abs(y - (y0 + y1) / 2) - ((y1 - y0) / 2 - round);
  return std::hypot(std::max(qx, 0.f), std::max(qy, 0.f)) + std::min(std::max(qx, qy), 0.f) - round;
}
float Ellipse(float x, float y, float cx, float cy, float rx, float ry) {
  const float k = std::hypot((x - cx) / rx, (y - cy) / ry);
  return (k - 1) * std::min(rx, ry);
}
float Trapezoid(float x, float y, float cx, float y0, float y1, float wTop, float wBottom) {
  const float t = std::clamp((y - y0) / (y1 - y0), 0.f, 1.f);
  const float half = (wTop + (wBottom - wTop) * t) / 2;
  return std::max(std::abs(x - cx) - half, std::max(y0 - y, y - y1));
}

void SetContentRoot(const std::string& root) {
  gRoot = std::filesystem::absolute(root).string();
  // The file layer writes below the "user:" root.
  SetFileRoots(TString(gRoot.c_str()), TString(), TString());
}
const std::string& ContentRoot() { return gRoot; }
bool ContentFailed() { return gFailed; }
void ReportContentFailure(const std::string& what) {
  std::fprintf(stderr, "mkcontent: %s\n", what.c_str());
  gFailed = true;
}

bool SaveText(const std::string& rel, const std::string& text) {
  std::error_code ignored;
  std::filesystem::create_directories(std::filesystem::path(gRoot + "/" + rel).parent_path(), ignored);
  std::ofstream out(gRoot + "/" + rel, std::ios::binary);
  out << text;
  if (!out.flush()) ReportContentFailure("cannot write " + rel);
  return bool(out);
}

Canvas::Canvas(int w, int h, Rgba background) : mW(w), mH(h), mPix(size_t(w) * h, background) {}

void Canvas::Paint(const Painter& painter, Area area) {
  const int x0 = std::max(area.x0, 0), y0 = std::max(area.y0, 0);
  const int x1 = std::min(area.x1, mW), y1 = std::min(area.y1, mH);
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) Over(At(x, y), painter(x + 0.5f, y + 0.5f));
}
void Canvas::Shape(const Distance& distance, const Painter& fill, Area area) {
  Paint([&](float x, float y) {
    const float d = distance(x, y);
    if (d >= 0.5f) return Rgba{};
    Rgba c = fill(x, y);
    c.a *= std::clamp(0.5f - d, 0.f, 1.f);
    return c;
  }, area);
}
void Canvas::Shape(const Distance& distance, Rgba colour, Area area) {
  Shape(distance, [colour](float, float) { return colour; }, area);
}

void Canvas::Solid(const Distance& distance, const Painter& fill, const Look& look, Area area) {
  if (look.shadow > 0) {
    const float s = look.shadow;
    Paint([&](float x, float y) {
      const float d = distance(x - s, y - s);
      return Rgba{0, 0, 0, look.shadowAlpha * std::clamp(0.5f - d / s, 0.f, 1.f)};
    }, Area{area.x0, area.y0, area.x1 + int(s) + 1, area.y1 + int(s) + 1});
  }
  // The light comes from the upper left.
  const float lx = -0.6f, ly = -0.8f;
  Paint([&](float x, float y) {
    const float d = distance(x, y);
    if (d >= 0.5f) return Rgba{};
    Rgba c = fill(x, y);
    const float gx = distance(x + 0.5f, y) - distance(x - 0.5f, y);
    const float gy = distance(x, y + 0.5f) - distance(x, y - 0.5f);
    const float len = std::hypot(gx, gy);
    if (len > 1e-4f && look.bevel > 0) {
      const float rim = std::clamp(1 + d / look.bevel, 0.f, 1.f);
      const float facing = (gx * lx + gy * ly) / len;
      c = Shade(c, 1 + look.light * rim * rim * facing);
      if (look.gloss > 0 && facing > 0) c = Mix(c, Rgba{1, 1, 1, c.a}, look.gloss * rim * facing * facing);
    }
    if (look.outline > 0) {
      const float ring = std::clamp(0.5f - (std::abs(d + look.outline / 2) - look.outline / 2), 0.f, 1.f);
      const float a = c.a;
      c = Mix(c, look.outlineColour, ring * look.outlineColour.a);
      c.a = a;
    }
    c.a *= std::clamp(0.5f - d, 0.f, 1.f);
    return c;
  }, area);
}
void Canvas::Solid(const Distance& distance, Rgba colour, const Look& look, Area area) {
  Solid(distance, [colour](float, float) { return colour; }, look, area);
}

void Canvas::Glow(const Distance& distance, Rgba colour, float radius, Area area) {
  Paint([&](float x, float y) {
    const float t = std::clamp(1 - distance(x, y) / radius, 0.f, 1.f);
    return Rgba{colour.r, colour.g, colour.b, colour.a * t * t};
  }, area);
}

void Canvas::Outline(const Distance& distance, float width, Rgba colour, Area area) {
  Shape([&](float x, float y) { return std::abs(distance(x, y)) - width / 2; }, colour, area);
}

void Canvas::Over(Rgba& d, const Rgba& c) {
  if (c.a <= 0) return;
  const float a = c.a + d.a * (1 - c.a);
  if (a <= 0) return;
  d.r = (c.r * c.a + d.r * d.a * (1 - c.a)) / a;
  d.g = (c.g * c.a + d.g * d.a * (1 - c.a)) / a;
  d.b = (c.b * c.a + d.b * d.a * (1 - c.a)) / a;
  d.a = a;
}

bool Canvas::SavePng(std::string rel) const {
  if (rel.size() < 4 || rel.compare(rel.size() - 4, 4, ".png") != 0) rel += ".png";
  return Write(rel, false, true, false, 0);
}
bool Canvas::SaveJpeg(std::string rel, float quality) const {
  if (rel.size() < 4 || rel.compare(rel.size() - 4, 4, ".jpg") != 0) rel += ".jpg";
  // For looking at the pictures while drawing them: MKCONTENT_PREVIEW names a folder (below the
  // assets folder) that gets a PNG copy of each JPEG.
  if (const char* preview = std::getenv("MKCONTENT_PREVIEW")) {
    std::string flat = rel.substr(0, rel.size() - 4);
    std::replace(flat.begin(), flat.end(), '/', '_');
    Write(std::string(preview) + "/" + flat + ".png", false, false, false, 0);
  }
  return Write(rel, true, false, false, quality);
}
bool Canvas::SaveMasked(const std::string& stem) const {
  return Write(stem + ".jpg", true, false, false, 0.82f) && Write(stem + ".mask.png", false, false, true, 0);
}

bool Canvas::Write(const std::string& rel, bool jpeg, bool alpha, bool maskOnly, float quality) const {
  std::vector<uint8_t> bytes(mPix.size() * 4);
  for (size_t i = 0; i < mPix.size(); ++i) {
    const Rgba& c = mPix[i];
    if (maskOnly) {
      bytes[i * 4] = bytes[i * 4 + 1] = bytes[i * 4 + 2] = Byte(c.a);
      bytes[i * 4 + 3] = 255;
    } else {
      bytes[i * 4] = Byte(c.b), bytes[i * 4 + 1] = Byte(c.g), bytes[i * 4 + 2] = Byte(c.r);
      bytes[i * 4 + 3] = alpha ? Byte(c.a) : 255;
    }
  }
  std::error_code ignored;
  std::filesystem::create_directories(std::filesystem::path(gRoot + "/" + rel).parent_path(), ignored);
  const TString path(("user:" + rel).c_str());
  const bool ok = jpeg ? ::SaveJpeg(path, quality, mW, mH, mW * 4, bytes.data())
                       : ::SavePng(path, bytes.data(), mW, mH, mW * 4);
  if (!ok) ReportContentFailure("cannot write " + rel);
  return ok;
}
