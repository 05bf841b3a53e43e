// TVxMiniVecDraw: the antialiased outline rasteriser through which all text is drawn. It turns
// glyph and bar outlines (the ".mvec" command stream) into horizontal spans of 16 coverage levels,
// caches the spans per outline, size and sub-pixel phase, and either blends them straight into a
// locked 32-bit pixel target or hands them on as coloured line vertices (which it can record, for
// a drawing that is sent again unchanged).
#pragma once
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <tuple>
#include <type_traits>
#include <unordered_map>
#include <vector>

// A locked 32-bit ARGB pixel buffer to draw into (rows top-down, pitch in bytes).
struct TVxPixelTarget {
  uint32_t* pixels = nullptr;
  int width = 0;
  int height = 0;
  int pitch = 0;
};

// One emitted line end: position in target pixels and packed ARGB colour.
struct TVxLineVertex {
  float x, y;
  uint32_t color;
};

// One span of a cached outline: pixels [x0, x1) of a row, relative to the pen pixel.
struct TVxSpan {
  int16_t x0, x1, row;
  uint8_t level;  // coverage 1..16
  uint8_t ramp;
};

class TVxMiniVecDraw {
public:
  static constexpr int kRowCells = 3200;  // accumulation cells; cell c is pixel c - 1600 from the pen
  using LineBatch = std::function<void(const TVxLineVertex* vertices, int count)>;
  // Turns a whole recorded line output into a drawing of it in the sink's own form: made once, and
  // called each time the same output is drawn again, so nothing is converted again.
  using LinePreparer = std::function<std::function<void()>(const TVxLineVertex* vertices, int count)>;
  // Where lines go: `lines` takes each batch; a sink that draws in a form of its own may also offer
  // `prepare`. Any callable taking a batch is a sink without a preparer.
  struct LineSink {
    LineBatch lines;
    LinePreparer prepare;

    LineSink() = default;
    LineSink(LineBatch batch, LinePreparer preparer) : lines(std::move(batch)), prepare(std::move(preparer)) {}
    template <class F>
      requires(!std::same_as<std::remove_cvref_t<F>, LineSink> && std::constructible_from<LineBatch, F>)
    LineSink(F&& batch) : lines(std::forward<F>(batch)) {}
    explicit operator bool() const { return bool(lines); }
    void operator()(const TVxLineVertex* vertices, int count) const { lines(vertices, count); }
  };
  // Everything besides the drawing calls that decides what the rasteriser sends to its line sink:
  // the sink, its scale, the span offsets, the clip, the cached spans (counted by the outlines
  // scanned) and the colour ramps. The same drawing calls from equal states send the same lines.
  struct LineState {
    uint64_t sink = 0;
    float sinkScale = 1, startOffset = 0, endOffset = 0, yOffset = 0;
    bool hasClip = false;
    int clip[4] = {};
    int rasterCount = 0;
    uint32_t ramps[4][32] = {};
    bool operator==(const LineState&) const = default;
  };

  TVxMiniVecDraw();

  // Slot colour (ARGB) with its alpha multiplied by alphaFactor; rebuilds the slot's ramp.
  void SetColor(int slot, uint32_t argb, float alphaFactor);
  uint32_t GetRampColor(int ramp, int level) const { return mRamps[ramp & 3][(level - 1) & 31]; }
  static int RampOfSlot(int slot) { return slot == 255 ? 0 : slot == 254 ? 1 : slot == 1 ? 3 : 2; }

  // Drawing parameters for the outlines that follow.
  void SetScale(float x, float y) { mScaleX = x, mScaleY = y; }
  void SetStrokeWidths(float outline, float bold) { mOutlineWidth = outline, mBoldWidth = bold; }
  void SetShear(bool on) { mShear = on; }
  void SetRotation(float cosine, float sine) { mCos = cosine, mSin = sine; }
  void SetReplace(bool on) { mReplace = on; }
  void SetBlendAlpha(bool on) { mBlendAlpha = on; }

  // Pen origin in pixels (x, y may be fractional: quarter fractions are kept); a null target sends
  // the lines to the line sink. A different target flushes the current one first. Always true.
  bool SetTarget(float x, float y, TVxPixelTarget* target);
  // The pixels drawing may touch, [left, right) x [top, bottom) in target pixels (with the line
  // sink, in the sink's coordinates). An outline is only scanned where it can touch them, so the
  // work stays bounded by the clip however large the outline is; a pixel target also bounds it.
  void SetClip(int left, int top, int right, int bottom);
  void ClearClip() { mHasClip = false; }
  // Rasterises an outline (at most `size` bytes are read) at (x, y) quarter-pixels from the origin.
  void DrawOutline(const uint8_t* outline, size_t size, int x, int y);
  // Draws the pending batch and forgets the target.
  void Flush();

  // Where lines go when there is no pixel target (the display's line-list drawing).
  void SetLineSink(LineSink sink) {
    mSink = std::move(sink);
    ++mSinkGeneration;
  }
  const LineSink& GetLineSink() const { return mSink; }
  LineState GetLineState() const;
  // Keeps a copy of every vertex handed to the line sink from here until EndRecording, up to
  // `limit` vertices (what was pending before is handed on first, and stays out of it).
  void BeginRecording(size_t limit);
  // Ends the recording and hands it over; false (and nothing) when it outgrew its limit or spans
  // were blended into pixels meanwhile.
  bool EndRecording(std::vector<TVxLineVertex>* lines);
  // The line sink's coordinates are the rasteriser's pixels times this (1 by default). A display
  // that scales what it is given draws outlines rasterised at its own pixels with the inverse of
  // its scale here, so they are scaled once. The clip stays in the sink's coordinates.
  void SetSinkScale(float scale) { mSinkScale = scale > 0 ? scale : 1.0f; }
  float GetSinkScale() const { return mSinkScale; }
  void SetSpanOffsets(float start, float end, float y) { mStartOffset = start, mEndOffset = end, mYOffset = y; }
  void GetSpanOffsets(float* start, float* end, float* y) const { *start = mStartOffset, *end = mEndOffset, *y = mYOffset; }
  // Vertices gathered before the line sink is called (an even number, at least 2).
  void SetBatchCapacity(size_t vertices) { mBatchCapacity = vertices < 2 ? 2 : vertices & ~size_t(1); }
  size_t GetBatchCapacity() const { return mBatchCapacity; }
  size_t GetCacheSize() const { return mCache.size(); }
  // Number of outlines rasterised (not replayed from the cache) so far.
  int GetRasterCount() const { return mRasterCount; }
  // Spans of the last drawn outline (relative to its pen pixel).
  const std::vector<TVxSpan>& GetLastSpans() const { return *mLastSpans; }

private:
  struct Edge {
    float topX, topY, bottomX, bottomY;
    uint8_t color, layer;
    bool turned;
  };
  // Cache key: content hash and length of the outline with every parameter that shapes its spans.
  using Key = std::tuple<uint64_t, size_t, int, int, float, float, float, float, bool, float, float>;
  // Pixels relative to the pen that an outline is scanned over: columns [left, right), rows [top, bottom).
  struct Window {
    int left, top, right, bottom;
    bool Holds(const Window& o) const {
      return left <= o.left && top <= o.top && right >= o.right && bottom >= o.bottom;
    }
  };
  // Spans of an outline; `clipped` when parts outside `window` were left out, which makes them
  // good for that window only.
  struct CachedSpans {
    std::vector<TVxSpan> spans;
    bool clipped = false;
    Window window{};
  };

  // What can be seen from this pen position, widened by `margin` pixels on every side.
  Window VisibleWindow(int penX, int penY, int margin) const;
  // Answers whether the window cut anything off.
  bool Rasterise(const uint8_t* outline, size_t size, int fx, int fy, const Window& window, std::vector<TVxSpan>& spans);
  void AddEdge(float x0, float y0, float x1, float y1, int layer, int color, int fx, int fy);
  void AddSegment(float x0, float y0, float x1, float y1, int layer, int color, int fx, int fy);
  void EmitSpan(int penX, int penY, const TVxSpan& span);
  // Hands the gathered vertices to the sink (and to the recording).
  void SendBatch();
  void BlendSpan(int x0, int x1, int y, uint32_t color);

  uint32_t mSlots[256] = {};
  uint32_t mRamps[4][32] = {};
  float mScaleX = 1, mScaleY = 1;
  float mOutlineWidth = 0, mBoldWidth = 0;
  bool mShear = false;
  float mCos = 1, mSin = 0;
  bool mReplace = false, mBlendAlpha = false;
  float mStartOffset = 0.25f, mEndOffset = 0.25f, mYOffset = 0.25f;
  int mOriginX = 0, mOriginY = 0, mFracX = 0, mFracY = 0;
  bool mHasClip = false;
  int mClipLeft = 0, mClipTop = 0, mClipRight = 0, mClipBottom = 0;
  TVxPixelTarget* mTarget = nullptr;
  LineSink mSink;
  uint64_t mSinkGeneration = 0;
  float mSinkScale = 1;
  bool mRecording = false, mRecordingLost = false;
  size_t mRecordLimit = 0;
  std::vector<TVxLineVertex> mRecorded;
  std::vector<TVxLineVertex> mBatch;
  size_t mBatchCapacity = 256;
  std::vector<Edge> mEdges;
  std::map<Key, CachedSpans> mCache;
  struct OutlineName {
    size_t size = 0;
    uint64_t hash = 0;
    std::vector<uint8_t> bytes;  // the outline up to its end
  };
  std::unordered_map<const uint8_t*, OutlineName> mOutlineNames;
  const std::vector<TVxSpan>* mLastSpans;
  std::vector<TVxSpan> mNoSpans;
  int mRasterCount = 0;
};
