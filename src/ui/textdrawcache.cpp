// The text windows' kept line output (see textdrawcache.h).
#include "ui/textdrawcache.h"

void TTextDrawCache::Clear() {
  mHeld = false;
  mCount = 0;
  std::vector<TVxLineVertex>().swap(mLines);
  mPrepared = nullptr;
}

void TTextDrawCache::Draw(const TTextDrawKey& key, TVxMiniVecDraw& draw, const std::function<void()>& fresh) {
  const TVxMiniVecDraw::LineState state = draw.GetLineState();
  const bool sameKey = mDrawn && key == mKey;
  if (mHeld && sameKey && state == mState) {
    draw.Flush();  // whatever was pending goes first, as it would before a fresh drawing
    ++mReplays;
    const TVxMiniVecDraw::LineSink& sink = draw.GetLineSink();
    if (mPrepared)
      mPrepared();
    else if (sink && mCount > 0)
      sink(mLines.data(), static_cast<int>(mCount));
    return;
  }
  Clear();
  if (!sameKey) mUnkept = 0;
  mKey = key;
  mDrawn = true;
  constexpr int kGiveUp = 2;
  if (!sameKey || mUnkept >= kGiveUp) {
    fresh();
    return;
  }
  draw.BeginRecording(mMaxVertices);
  fresh();
  std::vector<TVxLineVertex> lines;
  if (!draw.EndRecording(&lines)) {
    mUnkept = kGiveUp;
    return;
  }
  // Spans scanned anew or colour ramps left otherwise than found would make the next drawing
  // differ from this one: such an output is drawn fresh again.
  if (!(draw.GetLineState() == state)) {
    ++mUnkept;
    return;
  }
  mState = state;
  mCount = lines.size();
  const TVxMiniVecDraw::LineSink& sink = draw.GetLineSink();
  if (sink.prepare && mCount > 0)
    mPrepared = sink.prepare(lines.data(), static_cast<int>(mCount));
  else
    mLines.swap(lines);
  mHeld = true;
}
