// The mix potion's play: joining the pipes, pouring colours into the funnels, letting them run
// down and mix where two streams meet, the win test, and the pipe shapes and colour suffixes
// the window draws them with.
#include <algorithm>

#include "model/minigamemodels.h"

const char* MixPotionColorLetter(int32_t code) {
  switch (code) {
    case 0: return "g";
    case 1: return "o";
    case 2: return "b";
    case 3: return "p";
    case 5: return "u";
    default: return "";
  }
}

int32_t MixPotionMixColors(const int32_t* values, int count, int32_t colorSystem) {
  if (count == 1) return values[0];
  if (count != 2 || colorSystem != 1) return 5;
  const int32_t a = values[0], b = values[1];
  if (a == b) return a;
  if (a == 5) return b;
  if (b == 5) return a;
  if (a < 0 || a > 3 || b < 0 || b > 3) return 5;
  static const int32_t kMix[4][4] = {{0, 2, 3, 1}, {2, 1, 3, 2}, {3, 3, 2, 0}, {1, 2, 0, 3}};
  return kMix[a][b];
}

// ---- pipe shapes ----

namespace {
enum Side { kUp, kRight, kDown, kLeft };

Side SideOf(const CMixPotionPipe& self, const CMixPotionPipe& other) {
  if (other.x == self.x) return other.y > self.y ? kDown : kUp;
  return other.x > self.x ? kRight : kLeft;
}
}  // namespace

struct CMixPotionPipe::Sides {
  bool open[4] = {false, false, false, false};
  bool output[4] = {false, false, false, false};  // an output lies there
  int32_t colour[4] = {5, 5, 5, 5};
  int count() const { return open[0] + open[1] + open[2] + open[3]; }
};

CMixPotionPipe::Sides CMixPotionPipe::OpenSides() const {
  Sides s;
  for (const CMixPotionPipe* in : inputs) {
    const Side side = SideOf(*this, *in);
    s.open[side] = true;
    s.colour[side] = in->colour;
  }
  for (const CMixPotionPipe* out : outputs) {
    const Side side = SideOf(*this, *out);
    s.open[side] = true;
    s.output[side] = true;
    s.colour[side] = colour;
  }
  // The funnel end and the flask end.
  if (inputs.empty()) s.open[kUp] = true;
  if (outputs.empty()) s.open[kDown] = true;
  return s;
}

int32_t CMixPotionPipe::GetPipeKind() const {
  const Sides s = OpenSides();
  const bool u = s.open[kUp], r = s.open[kRight], d = s.open[kDown], l = s.open[kLeft];
  if (s.count() == 2) {
    if (d && l) return 0;
    if (r && d) return 1;
    if (l && r) return 2;
    if (u && d) return 3;
    if (u && l) return 4;
    return 5;  // up and right
  }
  if (s.count() == 3 && u && !s.output[kUp] && s.output[kDown]) {
    if (!r) return s.output[kLeft] ? 7 : 6;
    if (!l) return s.output[kRight] ? 9 : 8;
  }
  return kNoShape;
}

std::string CMixPotionPipe::ImageSuffix() const {
  const Sides s = OpenSides();
  std::string suffix = "_";
  if (s.count() == 2) return suffix + MixPotionColorLetter(colour);
  if (s.count() != 3) return suffix;
  if (inputs.size() == 1) {
    for (int i = 0; i < 3; ++i) suffix += MixPotionColorLetter(colour);
    return suffix;
  }
  for (int side = kUp; side <= kLeft; ++side) {
    if (s.open[side]) suffix += MixPotionColorLetter(s.colour[side]);
  }
  return suffix;
}

// ---- the board ----

void CMixPotionMiniGame::ConnectPipes() {
  mSources.clear();
  mOutlets.clear();
  for (auto& p : mPipes) p->inputs.clear(), p->outputs.clear();
  for (auto& p : mPipes) {
    for (int32_t link : p->links) {
      auto q = std::find_if(mPipes.begin(), mPipes.end(), [&](const auto& c) { return c->id == link; });
      if (q == mPipes.end()) continue;
      p->outputs.push_back(q->get());
      (*q)->inputs.push_back(p.get());
    }
  }
  for (auto& p : mPipes) {
    if (p->inputs.empty()) mSources.push_back(p.get());
    if (p->outputs.empty()) mOutlets.push_back(p.get());
  }
  std::stable_sort(mPipes.begin(), mPipes.end(), [](const auto& a, const auto& b) { return a->h < b->h; });
}

bool CMixPotionMiniGame::SetSourceColor(size_t i, int32_t colour) {
  if (i >= mSources.size() || mSources[i]->colour != 5) return false;
  mSources[i]->colour = colour;
  return true;
}

bool CMixPotionMiniGame::AllSourcesFilled() const {
  return std::none_of(mSources.begin(), mSources.end(), [](const CMixPotionPipe* p) { return p->colour == 5; });
}

void CMixPotionMiniGame::ResetAll(bool clearDepth, bool clearColour) {
  for (auto& p : mPipes) {
    if (clearDepth) p->depth = 0;
    if (clearColour) p->colour = 5;
  }
}

// Pipes joined in a ring by bad level data would lead on for ever; no path is longer than the
// number of pipes.
uint32_t CMixPotionMiniGame::MaxDepth(const CMixPotionPipe& pipe, uint32_t depth) const {
  if (pipe.outputs.empty() || depth > mPipes.size()) return depth;
  uint32_t deepest = depth;
  for (const CMixPotionPipe* out : pipe.outputs) deepest = std::max(deepest, MaxDepth(*out, depth + 1));
  return deepest;
}

void CMixPotionMiniGame::PropagateColor(CMixPotionPipe& pipe, uint32_t depth, uint32_t limit) {
  if (limit >= depth && !pipe.inputs.empty() && pipe.depth < depth) {
    int32_t values[2] = {5, 5};
    for (size_t i = 0; i < pipe.inputs.size() && i < 2; ++i) {
      if (pipe.inputs[i]->depth < depth) values[i] = pipe.inputs[i]->colour;
    }
    pipe.colour = MixPotionMixColors(values, static_cast<int>(pipe.inputs.size()), colorSystem);
    pipe.depth = depth;
  }
  // Nothing deeper than the limit changes in this pass.
  if (depth + 1 > limit) return;
  for (CMixPotionPipe* out : pipe.outputs) PropagateColor(*out, depth + 1, limit);
}

void CMixPotionMiniGame::Mix() {
  ResetAll(true, false);
  uint32_t passes = 0;
  for (const CMixPotionPipe* s : mSources) passes = std::max(passes, MaxDepth(*s, 1));
  for (uint32_t c = 0; c < passes; ++c) {
    for (CMixPotionPipe* s : mSources) PropagateColor(*s, 0, c);
  }
}

bool CMixPotionMiniGame::IsWon() const {
  if (needColors.size() < mOutlets.size()) return false;
  for (size_t i = 0; i < mOutlets.size(); ++i) {
    if (mOutlets[i]->colour != needColors[i]) return false;
  }
  return true;
}
