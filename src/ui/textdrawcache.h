// TTextDrawCache: a text window's line output kept between frames. Laying out and scanning every
// glyph again costs far more than sending the same lines again, and most texts stay unchanged for
// many frames: while nothing that shapes the output changed, the lines sent last time are sent
// again (converted once into the sink's own form when the sink offers a preparer).
#pragma once
#include <cstdint>
#include <functional>
#include <vector>

#include "core/rect.h"
#include "render/vxminivecdraw.h"

class TTextLayout;

// What a text window's drawing depends on besides its rasteriser's line state.
struct TTextDrawKey {
  uint64_t layoutGeneration = 0;  // unique per layout and change (see TTextLayout::GetGeneration)
  TRect box;
  float scale = 0, alpha = 0, screenScale = 0;
  int32_t lineSpacing = 0;
  bool operator==(const TTextDrawKey&) const = default;
};

class TTextDrawCache {
 public:
  // Recorded outputs past this many vertices are not kept (a screen full of small text is some
  // 300,000; the display keeps 32 bytes each).
  static constexpr size_t kMaxVertices = size_t(1) << 19;

  explicit TTextDrawCache(size_t maxVertices = kMaxVertices) : mMaxVertices(maxVertices) {}

  // Draws through `draw`: sends the lines kept from before when neither the key nor the
  // rasteriser's line state changed since they were recorded, else calls `fresh`, which draws the
  // text and flushes. An output is recorded when the same key is drawn a second time in a row
  // (a text that changes every frame is never recorded), and kept when drawing it left the
  // rasteriser's state as it found it; a key whose output cannot be kept (too large, or twice
  // left another state) is not recorded again.
  void Draw(const TTextDrawKey& key, TVxMiniVecDraw& draw, const std::function<void()>& fresh);
  // Forgets the kept output.
  void Clear();
  // Whether an output is kept, its vertices, and the drawings answered with it so far.
  bool IsHeld() const { return mHeld; }
  size_t GetVertexCount() const { return mCount; }
  int GetReplayCount() const { return mReplays; }

 private:
  size_t mMaxVertices;
  int mReplays = 0;
  TTextDrawKey mKey;
  bool mDrawn = false;    // mKey was drawn last time
  int mUnkept = 0;        // recordings of mKey that could not be kept
  bool mHeld = false;
  TVxMiniVecDraw::LineState mState;
  size_t mCount = 0;
  std::vector<TVxLineVertex> mLines;   // for a sink without a preparer
  std::function<void()> mPrepared;     // the sink's own drawing of them
};
