// Vector fonts: reading the glyph table of a ".mvec" image (every offset and count checked against
// the image), the line metrics and fit factors, the shared font map and the glyph hand-over to the
// outline rasteriser.
#include "ui/vectorfont.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>

#include "core/file.h"
#include "core/filedata.h"
#include "core/log.h"
#include "render/vxminivecdraw.h"

namespace {

constexpr size_t kHeaderSize = 12;
constexpr size_t kRecordSize = 18;

uint32_t ReadU32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

}  // namespace

TVectorFont::TVectorFont(std::vector<uint8_t> image) : mData(std::move(image)) {
  if (mData.size() < kHeaderSize || std::memcmp(mData.data(), "MVC4", 4) != 0) {
    LogPrintf("Font image is not a vector font (no MVC4 header in its %zu bytes).\n", mData.size());
    return;
  }
  size_t n = size_t(mData[4]) | size_t(mData[5]) << 8;
  if (kHeaderSize + kRecordSize * n > mData.size()) {
    LogPrintf("Font image too short for its %zu glyphs (%zu bytes).\n", n, mData.size());
    return;
  }
  mGlyphCount = int(n);
  mCodes.resize(n);
  for (size_t i = 0; i < n; ++i) mCodes[i] = ReadU32(&mData[kHeaderSize + kRecordSize * i]);

  int w = FindGlyph('W');
  mAscent = w >= 0 ? -float(Field(w, 8)) / 128.0f : 0.0f;
  float descent = 0;
  for (int i = 0; i < mGlyphCount; ++i)
    if (mCodes[i] < 128 && mCodes[i] != '_') descent = std::max(descent, float(Field(i, 10)) / 128.0f);
  mDescent = descent;

  mFit.assign(n, 1.0f);
  float top = mAscent + GetPadding(true), bottom = mDescent + GetPadding(false);
  for (int i = 0; i < mGlyphCount; ++i) {
    float a = top > 0 ? (-float(Field(i, 8)) / 128.0f) / top : 0.0f;
    float b = bottom > 0 ? (float(Field(i, 10)) / 128.0f) / bottom : 0.0f;
    if (a > 1 || b > 1) mFit[i] = 1.0f / std::max(a, b);
  }
}

int16_t TVectorFont::Field(int index, int offset) const {
  const uint8_t* p = &mData[kHeaderSize + kRecordSize * size_t(index) + size_t(offset)];
  return int16_t(uint16_t(p[0] | p[1] << 8));
}

int TVectorFont::FindGlyph(uint32_t code) const {
  int low = 0, high = mGlyphCount - 1;
  while (low <= high) {
    int middle = (low + high) / 2;
    if (mCodes[middle] == code) return middle;
    if (mCodes[middle] < code) low = middle + 1;
    else high = middle - 1;
  }
  return -1;
}

float TVectorFont::GetAdvance(int index) const { return index >= 0 && index < mGlyphCount ? Field(index, 12) / 128.0f : 0; }
float TVectorFont::GetLeft(int index) const { return index >= 0 && index < mGlyphCount ? Field(index, 4) / 128.0f : 0; }
float TVectorFont::GetRight(int index) const { return index >= 0 && index < mGlyphCount ? Field(index, 6) / 128.0f : 0; }
float TVectorFont::GetFit(int index) const { return index >= 0 && index < mGlyphCount ? mFit[index] : 1.0f; }

const uint8_t* TVectorFont::GetOutline(int index) const {
  if (index < 0 || index >= mGlyphCount) return nullptr;
  uint32_t offset = ReadU32(&mData[kHeaderSize + kRecordSize * size_t(index) + 14]);
  return offset < mData.size() ? &mData[offset] : nullptr;
}

size_t TVectorFont::GetOutlineSize(int index) const {
  const uint8_t* outline = GetOutline(index);
  return outline ? size_t(mData.data() + mData.size() - outline) : 0;
}

float TVectorFont::GetPadding(bool top) const {
  float line = (mAscent + mDescent) / 0.8f;
  return (top ? 0.15f : 0.05f) * line;
}

float TVectorFont::GetScale(int size) const {
  float body = mAscent + mDescent;
  return body > 0 ? 0.8f * 4.0f * float(size) / body : 0.0f;
}

// ---- font map --------------------------------------------------------------------------------

namespace {

std::map<TString, std::unique_ptr<TVectorFont>>& FontMap() {
  static std::map<TString, std::unique_ptr<TVectorFont>> map;
  return map;
}

std::vector<uint8_t> BuiltinImage() {
  const uint8_t* data = GetBuiltinFontData();
  return std::vector<uint8_t>(data, data + GetBuiltinFontSize());
}

bool ReadWhole(const TString& path, std::vector<uint8_t>& out) {
  TFile file;
  if (!file.Open(path, kFileReadBinary)) return false;
  long size = file.GetSize();
  if (size < 0) return false;
  out.resize(size_t(size));
  long got = size ? file.Read(out.data(), size) : 0;
  out.resize(size_t(std::max(got, 0L)));
  return true;
}

}  // namespace

TVectorFont* FindFont(const TString& name) {
  auto& map = FontMap();
  auto it = map.find(name);
  if (it != map.end()) return it->second.get();
  std::vector<uint8_t> image;
  if (name == kDefaultFontName || (!ReadWhole(name, image) && !ReadWhole(kDefaultFontFile, image)))
    image = BuiltinImage();
  auto font = std::make_unique<TVectorFont>(std::move(image));
  TVectorFont* result = font.get();
  map.emplace(name, std::move(font));
  return result;
}

void ClearFontMap() { FontMap().clear(); }

// ---- drawing ---------------------------------------------------------------------------------

void DrawGlyph(TVxMiniVecDraw& draw, const TVectorFont& font, uint32_t code, float scale, float& penX, float penY) {
  int index = font.FindGlyph(code);
  if (index < 0) return;
  draw.SetScale(scale, font.GetFit(index) * scale);
  draw.DrawOutline(font.GetOutline(index), font.GetOutlineSize(index), int(std::lround(penX)), int(penY));
  penX += font.GetAdvance(index) * scale;
}

void DrawBar(TVxMiniVecDraw& draw, float x0, float y0, float x1, float y1, float penX, float penY) {
  uint8_t outline[2 + 5 * 5 + 1];
  size_t n = 0;
  outline[n++] = 2;
  outline[n++] = 1;
  auto put = [&](int cmd, float x, float y) {
    int ix = std::clamp(int(std::lround(x * 128)), -32768, 32767), iy = std::clamp(int(std::lround(y * 128)), -32768, 32767);
    outline[n++] = uint8_t(cmd);
    outline[n++] = uint8_t(ix & 0xFF), outline[n++] = uint8_t((ix >> 8) & 0xFF);
    outline[n++] = uint8_t(iy & 0xFF), outline[n++] = uint8_t((iy >> 8) & 0xFF);
  };
  put(4, x0, y0);
  put(5, x1, y0);
  put(5, x1, y1);
  put(5, x0, y1);
  put(5, x0, y0);
  outline[n++] = 8;
  draw.DrawOutline(outline, n, int(std::lround(penX)), int(penY));
}
