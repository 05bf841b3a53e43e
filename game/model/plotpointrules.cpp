// The plot point's timing: how its picture strip is laid out and travels over the running time,
// which text shows when and how far it has faded, and when the strip has run its course.
#include <cmath>

#include "model/minigamemodels.h"

CPlotpoint::TStrip CPlotpoint::LayoutStrip(const std::vector<std::pair<int32_t, int32_t>>& sizes) const {
  TStrip strip;
  int32_t x = beginX, y = beginY;
  for (const auto& [w, h] : sizes) {
    strip.size.emplace_back(w, h);
    // Each strip trails behind its direction of motion.
    switch (mDirection) {
      case 1:  // right
        x -= w;
        strip.rest.emplace_back(x, y);
        strip.travelX += w;
        break;
      case 2:  // down
        y -= h;
        strip.rest.emplace_back(x, y);
        strip.travelY += h;
        break;
      case 3:  // left
        strip.rest.emplace_back(x, y);
        x += w;
        strip.travelX += w;
        break;
      default:  // up
        strip.rest.emplace_back(x, y);
        y += h;
        strip.travelY += h;
        break;
    }
  }
  // It travels its own length less the stretch it is seen over.
  strip.travelX -= endX - beginX;
  strip.travelY -= endY - beginY;
  return strip;
}

double CPlotpoint::Progress(uint32_t elapsedMs) const {
  if (mTotalDuration <= 0) return 1.0;
  const double progress = (elapsedMs / 1000.0) / mTotalDuration;
  return progress < 1.0 ? progress : 1.0;
}

std::pair<int32_t, int32_t> CPlotpoint::Offset(const TStrip& strip, double progress) const {
  const bool vertical = mDirection == 0 || mDirection == 2;
  const int32_t n = static_cast<int32_t>((vertical ? strip.travelY : strip.travelX) * progress + 0.5);
  switch (mDirection) {
    case 1: return {n, 0};
    case 2: return {0, n};
    case 3: return {-n, 0};
    default: return {0, -n};
  }
}

std::pair<int32_t, int32_t> CPlotpoint::TrailingPoint(const TStrip& strip, std::pair<int32_t, int32_t> offset) const {
  int32_t x = beginX, y = beginY;
  if (!strip.rest.empty()) {
    const auto [rx, ry] = strip.rest.back();
    const auto [w, h] = strip.size.back();
    x = rx, y = ry;
    if (mDirection == 0) y += h;
    else if (mDirection == 3) x += w;
  }
  return {x + offset.first, y + offset.second};
}

bool CPlotpoint::HasReachedEnd(std::pair<int32_t, int32_t> trail) const {
  switch (mDirection) {
    case 1: return trail.first >= endX;
    case 2: return trail.second >= endY;
    case 3: return trail.first <= endX;
    default: return trail.second <= endY;
  }
}

int32_t CPlotpoint::TextAt(double t, float* alpha) const {
  static const double kFade = 0.8;
  double start = 0;
  for (size_t i = 0; i < mTexts.size(); ++i) {
    const double end = start + mTexts[i].second;
    if (t <= end) {
      const double in = t - start, out = end - t;
      double a = 1.0;
      if (in < kFade) a = in / kFade;
      else if (out < kFade) a = out / kFade;
      if (alpha) *alpha = static_cast<float>(a);
      return static_cast<int32_t>(i);
    }
    start = end;
  }
  return -1;
}
