// The line-offset calibration of the outline rasteriser, drawn through the drawing context.
#include "render/vxselftest.h"

#include <vector>

#include "core/log.h"
#include "render/drawcontext.h"
#include "render/texture.h"
#include "render/vxlinesink.h"

namespace {

constexpr int kCombinations = 128;
constexpr int kWidth = 800, kHeight = 512;

struct Offsets {
  float start, end, y;
};

Offsets OffsetsOf(int m) { return {(m / 8 % 4) * 0.25f - 1, (m % 8) * 0.25f - 1, (m / 32) * 0.25f}; }

// Draws every combination's two one-pixel lines: pixel 4m+1 of row 1 and pixel 4m+2 of row 2.
bool DrawPatterns(TVxMiniVecDraw& vec, const std::shared_ptr<TTexture>& target) {
  TDrawContext* draw = TDrawContext::GetInstance();
  if (!draw->BeginRenderTarget(target)) return false;
  draw->DrawTextureRect(TRect(0, 0, kWidth, 4), TVec4(0, 0, 0, 1), nullptr);
  if (!draw->Begin2d()) {
    draw->EndRenderTarget();
    return false;
  }
  TVxMiniVecDraw::LineSink sink = MakeDrawContextLineSink();
  const uint32_t white = 0xFFFFFFFFu;
  std::vector<TVxLineVertex> batch;
  for (int m = 0; m < kCombinations; ++m) {
    Offsets o = OffsetsOf(m);
    for (int row = 1; row <= 2; ++row) {
      float x = float(4 * m + row);
      batch.push_back({x + o.start, row + o.y, white});
      batch.push_back({x + 1 + o.end, row + o.y, white});
      if (batch.size() >= vec.GetBatchCapacity()) {
        sink(batch.data(), int(batch.size()));
        batch.clear();
      }
    }
  }
  if (!batch.empty()) sink(batch.data(), int(batch.size()));
  draw->End2d();
  draw->EndRenderTarget();
  return true;
}

// Reads the patterns back: the best passing combination (-1 when none) and how many drew nothing.
int Evaluate(const std::shared_ptr<TTexture>& target, int* empty) {
  *empty = 0;
  uint32_t* pixels = nullptr;
  int row = 0;
  if (!target->Lock(&pixels, &row)) return -1;
  auto at = [&](int x, int y) { return pixels[size_t(y) * size_t(row) + size_t(x)] & 0xFFFFFFu; };
  int best = -1;
  uint32_t bestSum = 0;
  for (int m = 0; m < kCombinations; ++m) {
    int x0 = 4 * m + 1;
    const int probe[8][2] = {{x0 - 1, 1}, {x0, 1}, {x0 + 1, 1}, {x0, 0}, {x0, 2}, {x0 + 1, 2}, {x0 + 2, 2}, {x0 + 1, 3}};
    bool allBlack = true, pass = true;
    for (int i = 0; i < 8; ++i) {
      bool lit = at(probe[i][0], probe[i][1]) != 0;
      allBlack = allBlack && !lit;
      bool wanted = i == 1 || i == 5;  // (x0, 1) and (x0 + 1, 2)
      if (lit != wanted) pass = false;
    }
    if (allBlack) ++*empty;
    uint32_t sum = at(x0, 1) + at(x0 + 1, 2);
    if (pass && (best < 0 || sum >= bestSum)) best = m, bestSum = sum;
  }
  target->Unlock();
  return best;
}

}  // namespace

bool RunLineSelfTest(TVxMiniVecDraw& vec) {
  for (;;) {
    std::shared_ptr<TTexture> target = TTexture::CreateBlank(kWidth, kHeight, false);
    if (!target || !DrawPatterns(vec, target)) {
      LogPrintf("Line self-test: no render target; span offsets left as they are\n");
      return false;
    }
    int empty = 0;
    int best = Evaluate(target, &empty);
    TDrawContext::GetInstance()->DrawTextureRect(TRect(0, 0, kWidth, 4), TVec4(0, 0, 0, 0), target);
    if (best >= 0) {
      Offsets o = OffsetsOf(best);
      vec.SetSpanOffsets(o.start, o.end, o.y);
      return true;
    }
    vec.SetSpanOffsets(-0.75f, -0.75f, 0.25f);
    if (empty > 75 && vec.GetBatchCapacity() != 64) {
      // Drivers that drop long line lists draw short ones: try again with small batches.
      vec.SetBatchCapacity(64);
      continue;
    }
    LogPrintf("Line self-test: no offset combination drew whole pixels (%d drew nothing)\n", empty);
    return false;
  }
}
