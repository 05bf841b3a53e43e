// The outline rasteriser: edges of an outline are scanned per quarter-pixel sub-row, even-odd for
// fill layers and by winding for the stroke layers (outline, bold), summed into per-pixel coverage
// of 0..16 per ramp and emitted as spans of equal coverage. Spans are cached by outline content and
// drawing parameters so a repeated glyph costs only its spans.
#include "render/vxminivecdraw.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr int kCellOffset = TVxMiniVecDraw::kRowCells / 2;
constexpr int kMaxSubRow = 4 * 8192;  // rows farther from the pen than this are not scanned
// Pixels scanned around what can be seen, so that glyphs standing partly outside a target keep
// their whole spans (and their cache entries); only far larger outlines are cut.
constexpr int kWindowMargin = 256;

uint32_t WithAlpha(uint32_t argb, int alpha) { return (argb & 0x00FFFFFFu) | (uint32_t(alpha) << 24); }

// Bytes the command stream spans up to and including its end command, never more than size.
size_t OutlineLength(const uint8_t* p, size_t size) {
  size_t i = 0;
  while (i < size) {
    uint8_t cmd = p[i++];
    size_t operands = 0;
    switch (cmd) {
      case 2: case 3: operands = 1; break;
      case 4: case 5: operands = 4; break;
      case 6: operands = 8; break;
      case 7: operands = 3; break;
      case 8: return i;
      default: break;
    }
    if (operands > size - i) return size;
    i += operands;
  }
  return size;
}

uint64_t Hash(const uint8_t* p, size_t n) {
  uint64_t h = 1469598103934665603ull;
  for (size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 1099511628211ull;
  return h;
}

int16_t ReadI16(const uint8_t* p) { return int16_t(uint16_t(p[0] | p[1] << 8)); }

}  // namespace

TVxMiniVecDraw::TVxMiniVecDraw() : mLastSpans(&mNoSpans) {
  for (int slot = 0; slot < 256; ++slot) SetColor(slot, 0xFF000000u, 1.0f);
  mBatch.reserve(mBatchCapacity);
}

void TVxMiniVecDraw::SetColor(int slot, uint32_t argb, float alphaFactor) {
  slot &= 255;
  int a = int(float(argb >> 24) * alphaFactor);
  a = std::clamp(a, 0, 255);
  mSlots[slot] = WithAlpha(argb, a);
  uint32_t* ramp = mRamps[RampOfSlot(slot)];
  for (int k = 0; k < 32; ++k) ramp[k] = WithAlpha(argb, k < 16 ? 16 * (k + 1) * a / 256 : 255 * a / 256);
}

bool TVxMiniVecDraw::SetTarget(float x, float y, TVxPixelTarget* target) {
  mOriginX = int(x);
  mOriginY = int(y);
  mFracX = int(x * 4) % 4;
  mFracY = int(y * 4) % 4;
  if (target != mTarget) {
    Flush();
    mTarget = target && target->pixels ? target : nullptr;
  }
  return true;
}

void TVxMiniVecDraw::Flush() {
  SendBatch();
  mTarget = nullptr;
}

void TVxMiniVecDraw::SendBatch() {
  if (mBatch.empty()) return;
  if (mRecording && !mRecordingLost) {
    if (mBatch.size() > mRecordLimit - mRecorded.size()) {
      mRecordingLost = true;
      std::vector<TVxLineVertex>().swap(mRecorded);
    } else {
      mRecorded.insert(mRecorded.end(), mBatch.begin(), mBatch.end());
    }
  }
  if (mSink) mSink(mBatch.data(), int(mBatch.size()));
  mBatch.clear();
}

TVxMiniVecDraw::LineState TVxMiniVecDraw::GetLineState() const {
  LineState s;
  s.sink = mSinkGeneration;
  s.sinkScale = mSinkScale;
  s.startOffset = mStartOffset, s.endOffset = mEndOffset, s.yOffset = mYOffset;
  s.hasClip = mHasClip;
  if (mHasClip) s.clip[0] = mClipLeft, s.clip[1] = mClipTop, s.clip[2] = mClipRight, s.clip[3] = mClipBottom;
  s.rasterCount = mRasterCount;
  std::memcpy(s.ramps, mRamps, sizeof s.ramps);
  return s;
}

void TVxMiniVecDraw::BeginRecording(size_t limit) {
  SendBatch();
  mRecording = true;
  mRecordingLost = false;
  mRecordLimit = limit;
  mRecorded.clear();
}

bool TVxMiniVecDraw::EndRecording(std::vector<TVxLineVertex>* lines) {
  SendBatch();
  const bool kept = mRecording && !mRecordingLost;
  mRecording = false;
  if (kept) lines->swap(mRecorded);
  std::vector<TVxLineVertex>().swap(mRecorded);
  return kept;
}

void TVxMiniVecDraw::SetClip(int left, int top, int right, int bottom) {
  mHasClip = true;
  mClipLeft = left, mClipTop = top, mClipRight = right, mClipBottom = bottom;
}

TVxMiniVecDraw::Window TVxMiniVecDraw::VisibleWindow(int penX, int penY, int margin) const {
  // What the span records can hold at all, then the target's pixels and the clip.
  int64_t left = -kCellOffset, right = kRowCells - kCellOffset;
  int64_t top = -kMaxSubRow / 4, bottom = kMaxSubRow / 4;
  auto cut = [&](int64_t l, int64_t t, int64_t r, int64_t b) {
    left = std::max(left, l - margin - penX), right = std::min(right, r + margin - penX);
    top = std::max(top, t - margin - penY), bottom = std::min(bottom, b + margin - penY);
  };
  if (mTarget) cut(0, 0, mTarget->width, mTarget->height);
  if (mHasClip) {
    // The clip is in the sink's coordinates: in the rasteriser's pixels it covers every pixel it touches.
    if (mTarget || mSinkScale == 1.0f)
      cut(mClipLeft, mClipTop, mClipRight, mClipBottom);
    else
      cut(int64_t(std::floor(float(mClipLeft) / mSinkScale)), int64_t(std::floor(float(mClipTop) / mSinkScale)),
          int64_t(std::ceil(float(mClipRight) / mSinkScale)), int64_t(std::ceil(float(mClipBottom) / mSinkScale)));
  }
  if (right < left) right = left;
  if (bottom < top) bottom = top;
  return {int(left), int(top), int(right), int(bottom)};
}

void TVxMiniVecDraw::DrawOutline(const uint8_t* outline, size_t size, int x, int y) {
  if (!outline || size == 0) return;
  x += mFracX;
  y += mFracY;
  int penX = mOriginX + (x >> 2), penY = mOriginY + (y >> 2);
  int fx = x & 3, fy = y & 3;
  // Texts draw the same glyphs every frame: the outline's length and hash are remembered by its
  // address, and good while the bytes there are still the ones they were taken from.
  OutlineName& name = mOutlineNames[outline];
  if (name.size != size || name.bytes.empty() || std::memcmp(name.bytes.data(), outline, name.bytes.size()) != 0) {
    name.size = size;
    const size_t length = OutlineLength(outline, size);
    name.hash = Hash(outline, length);
    name.bytes.assign(outline, outline + length);
  }
  const size_t length = name.bytes.size();
  Key key{name.hash, length, fx, fy, mScaleX, mScaleY, mOutlineWidth, mBoldWidth, mShear, mCos, mSin};
  auto it = mCache.find(key);
  // Spans cut to a window that does not hold what is visible now do not serve: scan again (only
  // outlines reaching far past what is drawn into are ever cut).
  if (it == mCache.end() || (it->second.clipped && !it->second.window.Holds(VisibleWindow(penX, penY, 0)))) {
    CachedSpans entry;
    entry.window = VisibleWindow(penX, penY, kWindowMargin);
    entry.clipped = Rasterise(outline, length, fx, fy, entry.window, entry.spans);
    ++mRasterCount;
    if (it == mCache.end())
      it = mCache.emplace(key, std::move(entry)).first;
    else
      it->second = std::move(entry);
  }
  mLastSpans = &it->second.spans;
  for (const TVxSpan& span : it->second.spans) EmitSpan(penX, penY, span);
}

void TVxMiniVecDraw::AddEdge(float x0, float y0, float x1, float y1, int layer, int color, int fx, int fy) {
  auto transform = [&](float& x, float& y) {
    if (mShear) x -= y / 3;
    x *= mScaleX;
    y *= mScaleY;
    if (mSin != 0) {
      float rx = x * mCos - y * mSin, ry = x * mSin + y * mCos;
      x = rx, y = ry;
    }
    x += float(fx);
    y += float(fy);
  };
  transform(x0, y0);
  transform(x1, y1);
  if (!std::isfinite(x0) || !std::isfinite(y0) || !std::isfinite(x1) || !std::isfinite(y1)) return;
  bool turned = y0 > y1;
  if (turned) std::swap(x0, x1), std::swap(y0, y1);
  if (std::floor(y0) == std::floor(y1)) return;
  mEdges.push_back({x0, y0, x1, y1, uint8_t(color), uint8_t(layer), turned});
}

void TVxMiniVecDraw::AddSegment(float x0, float y0, float x1, float y1, int layer, int color, int fx, int fy) {
  AddEdge(x0, y0, x1, y1, layer, color, fx, fy);
  const float widths[2] = {mOutlineWidth, mBoldWidth};
  for (int stroke = 0; stroke < 2; ++stroke) {
    float w = widths[stroke];
    if (w == 0 || mScaleX == 0 || mScaleY == 0) continue;
    float dx = x1 - x0, dy = y1 - y0, len = std::sqrt(dx * dx + dy * dy);
    if (len == 0) continue;
    dx /= len, dy /= len;
    float u = 4 * w / mScaleX * dx, v = 4 * w / mScaleY * dy;
    const float hx[6] = {x0 + v, x0 - u, x0 - v, x1 - v, x1 + u, x1 + v};
    const float hy[6] = {y0 - u, y0 - v, y0 + u, y1 + u, y1 + v, y1 - u};
    for (int i = 0; i < 6; ++i)
      AddEdge(hx[i], hy[i], hx[(i + 1) % 6], hy[(i + 1) % 6], stroke, 255 - stroke, fx, fy);
  }
}

bool TVxMiniVecDraw::Rasterise(const uint8_t* p, size_t size, int fx, int fy, const Window& window,
                               std::vector<TVxSpan>& spans) {
  mEdges.clear();
  mSlots[0] = 0;
  int layer = 2, colorCount = 0;
  int layerBase[256] = {}, fill[256] = {}, second[256] = {};
  float cx = 0, cy = 0;
  size_t i = 0;
  auto coord = [&](size_t at) { return float(ReadI16(p + at)) / 128.0f; };
  auto colorOf = [&](int l) { return fill[l] ? fill[l] : second[l]; };
  bool done = false;
  while (i < size && !done) {
    uint8_t cmd = p[i++];
    switch (cmd) {
      case 1:
        layer = std::min(layer + 1, 255);
        layerBase[layer] = colorCount;
        break;
      case 2: case 3: {
        if (i + 1 > size) { done = true; break; }
        int n = p[i++];
        int slot = n ? std::min(n + layerBase[layer], 255) : 0;
        (cmd == 2 ? fill : second)[layer] = slot;
        break;
      }
      case 4:
        if (i + 4 > size) { done = true; break; }
        cx = coord(i), cy = coord(i + 2);
        i += 4;
        break;
      case 5: {
        if (i + 4 > size) { done = true; break; }
        float x = coord(i), y = coord(i + 2);
        i += 4;
        AddSegment(cx, cy, x, y, layer, colorOf(layer), fx, fy);
        cx = x, cy = y;
        break;
      }
      case 6: {
        if (i + 8 > size) { done = true; break; }
        float qx = coord(i), qy = coord(i + 2), x = coord(i + 4), y = coord(i + 6);
        i += 8;
        for (int k = 1; k <= 3; ++k) {
          float t = float(k) / 3, s = 1 - t;
          float px = s * s * cx + 2 * s * t * qx + t * t * x, py = s * s * cy + 2 * s * t * qy + t * t * y;
          AddSegment(cx, cy, px, py, layer, colorOf(layer), fx, fy);
          cx = px, cy = py;
        }
        break;
      }
      case 7:
        if (i + 3 > size) { done = true; break; }
        colorCount = std::min(colorCount + 1, 255);
        SetColor(colorCount, 0xFF000000u | uint32_t(p[i]) << 16 | uint32_t(p[i + 1]) << 8 | p[i + 2], 1.0f);
        i += 3;
        break;
      case 8:
        done = true;
        break;
      default:
        break;
    }
  }
  if (mEdges.empty()) return false;

  // Only the sub-rows and quarter-pixel columns of the window are scanned: an outline scaled far
  // past what is drawn into costs no more than one that fills it.
  float minY = mEdges[0].topY, maxY = mEdges[0].bottomY;
  float minX = std::min(mEdges[0].topX, mEdges[0].bottomX), maxX = std::max(mEdges[0].topX, mEdges[0].bottomX);
  for (const Edge& e : mEdges) {
    minY = std::min(minY, e.topY), maxY = std::max(maxY, e.bottomY);
    minX = std::min({minX, e.topX, e.bottomX}), maxX = std::max({maxX, e.topX, e.bottomX});
  }
  const float windowTop = 4.0f * float(window.top), windowBottom = 4.0f * float(window.bottom);
  const float windowLeft = 4.0f * float(window.left), windowRight = 4.0f * float(window.right);
  const bool clipped = minY < windowTop || maxY >= windowBottom || minX < windowLeft || maxX > windowRight;
  if (window.right <= window.left || window.bottom <= window.top) return clipped;
  int firstRow = int(std::max(std::floor(minY), windowTop));
  int lastRow = int(std::min(std::floor(maxY), windowBottom - 1));
  firstRow = std::max(firstRow, -kMaxSubRow);
  lastRow = std::min(lastRow, kMaxSubRow);
  // Coverage is kept in quarter-pixel columns of the window's cells.
  const int coverLeft = 4 * std::max(window.left, -kCellOffset);
  const int coverRight = 4 * std::min(window.right, kRowCells - kCellOffset);

  std::vector<int> cells[4];
  int lo[4], hi[4];
  for (int r = 0; r < 4; ++r) cells[r].assign(kRowCells + 1, 0), lo[r] = kRowCells, hi[r] = -1;
  auto emitRow = [&](int pixelRow) {
    for (int r = 0; r < 4; ++r) {
      if (hi[r] < 0) continue;
      int level = 0, start = 0;
      for (int c = lo[r]; c <= hi[r] + 1 && c <= kRowCells; ++c) {
        int next = level + cells[r][c];
        cells[r][c] = 0;
        if (next != level) {
          if (level > 0)
            spans.push_back({int16_t(start - kCellOffset), int16_t(c - kCellOffset), int16_t(pixelRow),
                             uint8_t(std::min(level, 16)), uint8_t(r)});
          start = c;
          level = next;
        }
      }
      lo[r] = kRowCells, hi[r] = -1;
    }
  };
  auto addCoverage = [&](int ramp, int a, int c) {
    a = std::max(a, coverLeft);
    c = std::min(c, coverRight);
    if (c <= a) return;
    int ca = (a >> 2) + kCellOffset, cc = (c >> 2) + kCellOffset;
    std::vector<int>& row = cells[ramp];
    row[ca] += 4 - (a & 3);
    row[ca + 1] += a & 3;
    row[cc] -= 4 - (c & 3);
    if (cc + 1 <= kRowCells) row[cc + 1] -= c & 3;
    lo[ramp] = std::min(lo[ramp], ca);
    hi[ramp] = std::max(hi[ramp], std::min(cc + 1, kRowCells - 1));
  };

  struct Crossing {
    float x;
    const Edge* edge;
  };
  std::vector<Crossing> crossings;
  std::sort(mEdges.begin(), mEdges.end(), [](const Edge& a, const Edge& b) { return a.topY < b.topY; });
  std::vector<const Edge*> active;
  size_t nextEdge = 0;
  int currentPixelRow = firstRow >> 2;
  for (int row = firstRow; row <= lastRow; ++row) {
    if ((row >> 2) != currentPixelRow) {
      emitRow(currentPixelRow);
      currentPixelRow = row >> 2;
    }
    // Edges enter the active list at their top sub-row and leave it after their last one.
    while (nextEdge < mEdges.size() && std::floor(mEdges[nextEdge].topY) <= float(row)) active.push_back(&mEdges[nextEdge++]);
    active.erase(std::remove_if(active.begin(), active.end(),
                                [&](const Edge* e) { return std::floor(e->bottomY) <= float(row); }),
                 active.end());
    crossings.clear();
    for (const Edge* e : active) {
      float step = (e->bottomX - e->topX) / (e->bottomY - e->topY);
      // Crossings beyond the window count at its edge (a NaN from a degenerate edge at its left).
      float x = e->topX + step * (float(row) - e->topY);
      if (!(x >= float(coverLeft - 4))) x = float(coverLeft - 4);
      if (!(x <= float(coverRight + 4))) x = float(coverRight + 4);
      crossings.push_back({x, e});
    }
    std::sort(crossings.begin(), crossings.end(), [](const Crossing& a, const Crossing& b) { return a.x < b.x; });
    int fillState[256] = {}, winding[2] = {};
    int topLayer = 0;
    int runColor = 0, runStart = 0;
    for (const Crossing& crossing : crossings) {
      const Edge& e = *crossing.edge;
      int x = int(std::lround(crossing.x));
      if (e.layer < 2) winding[e.layer] += e.turned ? 1 : -1;
      else fillState[e.layer] = fillState[e.layer] == e.color ? 0 : e.color;
      topLayer = std::max(topLayer, int(e.layer));
      // The colour shown right of this edge: that of the highest layer that shows one.
      int visible = 0;
      for (int l = topLayer; l >= 0 && !visible; --l) visible = l < 2 ? (winding[l] ? 255 - l : 0) : fillState[l];
      if (visible != runColor) {
        if (runColor) addCoverage(RampOfSlot(runColor), runStart, x);
        runColor = visible;
        runStart = x;
      }
    }
  }
  emitRow(currentPixelRow);
  return clipped;
}

void TVxMiniVecDraw::EmitSpan(int penX, int penY, const TVxSpan& span) {
  uint32_t color = GetRampColor(span.ramp, span.level);
  int x0 = penX + span.x0, x1 = penX + span.x1, y = penY + span.row;
  if (mTarget) {
    BlendSpan(x0, x1, y, color);
    mRecordingLost = true;  // pixels are no line output to send again
    return;
  }
  // The offsets place the line's ends on the display's pixel grid, which is the rasteriser's.
  const float k = mSinkScale;
  mBatch.push_back({(float(x0) + mStartOffset) * k, (float(y) + mYOffset) * k, color});
  mBatch.push_back({(float(x1) + mEndOffset) * k, (float(y) + mYOffset) * k, color});
  if (mBatch.size() >= mBatchCapacity) SendBatch();
}

void TVxMiniVecDraw::BlendSpan(int x0, int x1, int y, uint32_t color) {
  const TVxPixelTarget& t = *mTarget;
  if (y < 0 || y >= t.height) return;
  x0 = std::max(x0, 0);
  x1 = std::min(x1, t.width);
  uint32_t* row = reinterpret_cast<uint32_t*>(reinterpret_cast<uint8_t*>(t.pixels) + size_t(y) * size_t(t.pitch));
  int a = int(color >> 24);
  for (int x = x0; x < x1; ++x) {
    uint32_t d = row[x];
    if (mReplace) {
      row[x] = color;
      continue;
    }
    int da = int(d >> 24);
    uint32_t out = 0;
    if (mBlendAlpha) {
      if (a + da == 0) continue;  // nothing to mix, and no division by zero
      for (int shift = 0; shift < 24; shift += 8) {
        int s = int(color >> shift) & 255, dc = int(d >> shift) & 255;
        out |= uint32_t((s * a + dc * da) / (a + da)) << shift;
      }
      out |= uint32_t(std::min(a + da, 255)) << 24;
    } else {
      for (int shift = 0; shift < 24; shift += 8) {
        int s = int(color >> shift) & 255, dc = int(d >> shift) & 255;
        out |= uint32_t((s * a + dc * (255 - a)) / 255) << shift;
      }
      out |= d & 0xFF000000u;
    }
    row[x] = out;
  }
}
