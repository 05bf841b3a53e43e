// Sprite trees: child order by layer, drawing and bounds through composed draw records, and hit tests
// (rectangle, then one probed pixel). The live-sprite count feeds the debug overlay.
#include "render/sprite.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "core/config.h"
#include "core/log.h"
#include "render/drawcontext.h"

namespace {

// Renders into a 4 x 4 texture with alpha, made on first use and shared by all sprites.
class TDisplayHitProbe : public ISpriteHitProbe {
 public:
  bool ReadAlpha(TSprite& sprite, const TDrawSpec& drawSpec, int32_t depth, uint8_t* alpha) override {
    TDrawContext* context = TDrawContext::Find();
    if (!context) return false;
    if (!mTarget) mTarget = TTexture::CreateBlank(4, 4, true);
    // Mode 4 renders the alpha channel into a target cleared to transparent black; the plain mode
    // makes the copied-back alpha opaque, and every pixel would hit.
    if (!mTarget || !context->BeginRenderTarget(mTarget, 4)) return false;
    context->DrawTextureRect(TRect(1, 1, 2, 2), TVec4(0, 0, 0, 0), nullptr);
    {
      Draw2dScope scope;
      if (scope.IsOpen()) sprite.Draw(drawSpec, depth);
    }
    context->EndRenderTarget();
    uint32_t* pixels = nullptr;
    int rowLength = 0;
    if (!mTarget->Lock(&pixels, &rowLength)) return false;
    *alpha = static_cast<uint8_t>(pixels[rowLength + 1] >> 24);
    mTarget->Unlock();
    return true;
  }
  bool IsSixteenBitMode() override {
    TDrawContext* context = TDrawContext::Find();
    return context && context->GetRenderOption("16bitmode").ToInt() != 0;
  }
  void ReleaseTarget() override { mTarget.reset(); }

 private:
  std::shared_ptr<TTexture> mTarget;
};

TDisplayHitProbe gDisplayProbe;
int32_t gLiveSprites = 0;
ISpriteHitProbe* gHitProbe = &gDisplayProbe;

// Truncated toward zero; values outside the integer range (a degenerate transform) saturate
// instead of being undefined, and NaN becomes 0.
int32_t ToRectCoordinate(float v) {
  if (!(v == v)) return 0;
  if (v >= 2147483520.0f) return INT32_MAX;
  if (v <= -2147483648.0f) return INT32_MIN;
  return static_cast<int32_t>(v);
}

void CountSprites(int32_t change) {
  gLiveSprites += change;
  SetConfig("current_sprite_count", TString::Format("%d", gLiveSprites));
  if (gLiveSprites == 0 && gHitProbe) gHitProbe->ReleaseTarget();
}
}  // namespace

ISpriteHitProbe::~ISpriteHitProbe() = default;

TSprite::TSprite(int32_t layer) : mLayer(layer) { CountSprites(+1); }

TSprite::~TSprite() {
  RemoveAllChildren();
  mTexture.reset();
  CountSprites(-1);
}

std::shared_ptr<TSprite> TSprite::Create(int32_t layer, const std::shared_ptr<TTexture>& texture) {
  auto sprite = std::make_shared<TSprite>(layer);
  if (texture) sprite->SetTexture(texture);
  return sprite;
}

int32_t TSprite::GetLiveCount() { return gLiveSprites; }
void TSprite::SetHitProbe(ISpriteHitProbe* probe) { gHitProbe = probe ? probe : &gDisplayProbe; }

Draw2dScope::Draw2dScope() {
  TDrawContext* context = TDrawContext::Find();
  mOpen = context && context->Begin2d();
}

void Draw2dScope::End() {
  if (!mOpen) return;
  mOpen = false;
  if (TDrawContext* context = TDrawContext::Find(); context && context->IsIn2d()) context->End2d();
}

void TSprite::SortChildren() { mChildren.sort(LayerLess); }  // std::list::sort is stable

void TSprite::AddChild(const std::shared_ptr<TSprite>& child) {
  if (!child || child.get() == this || child->mParent == this) return;
  // A sprite may not hold one of its own ancestors: the tree would draw itself without end.
  for (TSprite* p = mParent; p; p = p->mParent)
    if (p == child.get()) return;
  // Held across the move, so that leaving the old parent cannot destroy it.
  std::shared_ptr<TSprite> keep = child;
  if (keep->mParent) keep->mParent->RemoveChild(keep);
  // `child` may be a reference into the old parent's list, which RemoveChild just erased.
  mChildren.push_back(keep);
  SortChildren();
  keep->mParent = this;
}

bool TSprite::RemoveChild(const std::shared_ptr<TSprite>& child) {
  auto it = std::find(mChildren.begin(), mChildren.end(), child);
  if (it == mChildren.end()) return false;
  (*it)->mParent = nullptr;
  mChildren.erase(it);
  return true;
}

void TSprite::RemoveAllChildren() {
  // Moved out first: a child's destructor must not see a half-emptied list.
  std::list<std::shared_ptr<TSprite>> children;
  children.swap(mChildren);
  for (auto& child : children) child->mParent = nullptr;
}

void TSprite::Draw(const TDrawSpec& parentSpec, int32_t depth) {
  if (!mVisible) return;
  TDrawSpec drawSpec;
  mSpec.Compose(drawSpec, parentSpec);
  // Drawn from a copy of the list, which holds the children too: a derived sprite's draw (the
  // particle effects) may change the tree while it is walked.
  std::vector<std::shared_ptr<TSprite>> children;
  if (depth != 0) children.assign(mChildren.begin(), mChildren.end());
  auto it = children.begin();
  for (; it != children.end() && (*it)->mLayer < 0; ++it) (*it)->Draw(drawSpec, depth - 1);
  DrawContent(drawSpec);
  for (; it != children.end(); ++it) (*it)->Draw(drawSpec, depth - 1);
}

void TSprite::DrawContent(const TDrawSpec& drawSpec) {
  if (mTexture) mTexture->Draw(drawSpec);
}

TRect TSprite::GetBounds(const TDrawSpec& parentSpec, int32_t depth) {
  TDrawSpec drawSpec;
  mSpec.Compose(drawSpec, parentSpec);
  TRect bounds = TRect::Neutral();
  if (mTexture) {
    float w, h;
    if (drawSpec.flags & kDrawUseSourceRect) {
      w = float(drawSpec.sourceRect.right - drawSpec.sourceRect.left);
      h = float(drawSpec.sourceRect.bottom - drawSpec.sourceRect.top);
    } else {
      w = float(mTexture->GetWidth());
      h = float(mTexture->GetHeight());
    }
    TVec2 offset = (drawSpec.flags & kDrawUseAnchor) ? -drawSpec.anchor : TVec2(-w * 0.5f, -h * 0.5f);
    const TVec2 corners[4] = {offset, offset + TVec2(w, 0), offset + TVec2(w, h), offset + TVec2(0, h)};
    float minX = INFINITY, minY = INFINITY, maxX = -INFINITY, maxY = -INFINITY;
    for (const TVec2& corner : corners) {
      TVec2 p = TransformPoint(drawSpec.transform, corner);
      minX = std::min(minX, p.x);
      minY = std::min(minY, p.y);
      maxX = std::max(maxX, p.x);
      maxY = std::max(maxY, p.y);
    }
    bounds = TRect(ToRectCoordinate(minX), ToRectCoordinate(minY), ToRectCoordinate(maxX),
                   ToRectCoordinate(maxY));
  }
  if (depth != 0) {
    for (const auto& child : mChildren) bounds.Union(bounds, child->GetBounds(drawSpec, depth - 1));
  }
  return bounds;
}

bool TSprite::HitTest(int32_t x, int32_t y, const TDrawSpec& parentSpec, int32_t threshold,
                      int32_t depth) {
  static TSettingFlag hitTestChildren("hittestchildren");
  if (!mTexture && !hitTestChildren.Get()) return false;
  if (!mVisible) return false;
  if (!GetBounds(parentSpec, depth).Contains(x, y)) return false;
  if (threshold < 0) return true;
  TDrawSpec moved = parentSpec;
  moved.transform.SetTranslation(moved.transform.GetTranslation() + TVec2(float(1 - x), float(1 - y)));
  uint8_t alpha = 0;
  if (!gHitProbe->ReadAlpha(*this, moved, depth, &alpha)) return false;
  if (threshold > 240 && gHitProbe->IsSixteenBitMode()) threshold &= ~0xF;
  return alpha >= threshold;
}
