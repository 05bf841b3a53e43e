// The glow's mask and effect, and the straight-line move with its per-frame step.
#include "shell/spriteanimation.h"

#include <cmath>
#include <vector>

#include "core/log.h"
#include "render/assetmanager.h"
#include "particles/effectsprite.h"
#include "render/texture.h"
#include "script/script.h"

namespace {

// The draw record that places children of `sprite`'s parent, relative to `reference`: the parent
// records composed upward until the reference (excluded) or the top of the tree.
TDrawSpec ParentSpecRelativeTo(const TSprite& sprite, const TSprite* reference) {
  TDrawSpec spec;
  for (TSprite* p = sprite.GetParent(); p && p != reference; p = p->GetParent()) {
    TDrawSpec composed;
    spec.Compose(composed, p->GetSpec());
    spec = composed;
  }
  return spec;
}

// A Lua string literal of the text.
TString Quoted(const TString& text) {
  TString out = "'";
  for (int i = 0; i < text.Length(); ++i) {
    char c = text.CharAt(i);
    if (c == '\\' || c == '\'') out += "\\";
    out += TString(&c, 1);
  }
  return out + "'";
}

}  // namespace

// ---- base ----

TSpriteAnimation::TSpriteAnimation(std::shared_ptr<TSprite> sprite, std::shared_ptr<TSprite> reference)
    : mSprite(std::move(sprite)), mReference(std::move(reference)) {}

TSpriteAnimation::~TSpriteAnimation() = default;

TFxSpriteAnimTask* TSpriteAnimation::CreateTask() { return TFxSpriteAnimTask::GetInstance(); }

// ---- effect host ----

TFxHostSprite::TFxHostSprite(int32_t layer, std::shared_ptr<TFxSprite> effect)
    : TSprite(layer), mEffect(std::move(effect)) {}

TFxHostSprite::~TFxHostSprite() = default;

void TFxHostSprite::Draw(const TDrawSpec& parentSpec, int32_t depth) {
  if (!IsVisible()) return;
  TDrawSpec drawSpec;
  GetSpec().Compose(drawSpec, parentSpec);
  if (mEffect) mEffect->Draw(&drawSpec);
  if (depth != 0)
    for (const auto& child : std::vector<std::shared_ptr<TSprite>>(GetChildren().begin(), GetChildren().end()))
      child->Draw(drawSpec, depth - 1);
}

// ---- glow ----

TString TSpriteAnimationGlow::MakeMaskName(const TTexture& texture) {
  TString source = texture.GetData() ? texture.GetData()->mSourceName : TString();
  if (source.IsEmpty()) source = texture.MakeUniqueName();
  int dot = source.FindChar('.', kStringBackwards);
  int slash = source.FindChar('/', kStringBackwards);
  if (dot > slash) source = source.SubString(0, dot);
  return "user:" + source + "_mask.png";
}

void TSpriteAnimationGlow::PaintMask(TTexture& mask) {
  uint32_t* pixels = nullptr;
  int rowLength = 0;
  if (!mask.Lock(&pixels, &rowLength)) return;
  const uint32_t colour = uint32_t(kRed) << 16 | uint32_t(kGreen) << 8 | kBlue;
  for (int y = 0; y < mask.GetHeight(); ++y) {
    uint32_t* row = pixels + static_cast<ptrdiff_t>(y) * rowLength;
    for (int x = 0; x < mask.GetWidth(); ++x) {
      float alpha = static_cast<float>(row[x] >> 24) / 255.0f;
      if (alpha > 0.499f) row[x] = (row[x] & 0xFF000000u) | colour;
    }
  }
  mask.Unlock();
}

bool TSpriteAnimationGlow::Setup(TFxSpriteAnimTask* task) {
  if (!mSprite) return false;
  const std::shared_ptr<TTexture>& source = mSprite->GetTexture();
  if (!source) {
    LogPrintf("TSpriteAnimationGlow: the sprite has no texture to glow with");
    return false;
  }
  TRect bounds = mSprite->GetBounds(ParentSpecRelativeTo(*mSprite, mReference.get()), 0);
  int32_t w = bounds.right - bounds.left;
  int32_t h = bounds.bottom - bounds.top;
  if (w <= 0 || h <= 0) return false;
  std::shared_ptr<TTexture> mask = TTexture::CreateBlank(w, h, true);
  if (!mask) {
    LogPrintf("TSpriteAnimationGlow: cannot make a %dx%d mask", static_cast<int>(w), static_cast<int>(h));
    return false;
  }
  TRect area(0, 0, w, h);
  source->CopyRect(0, 0, &area, mask.get());
  PaintMask(*mask);
  mMaskName = MakeMaskName(*source);
  // Kept under the key a lookup of the name with alpha makes, so the effect script finds it.
  if (TAssetManager* assets = TAssetManager::GetInstance())
    assets->Register(TTexture::MakeCacheKey(mMaskName, true, false, false), mask);

  std::shared_ptr<TFxSprite> effect = TFxSprite::Create(0, TString());
  if (effect->LoadSpec(kEffect, task ? task : CreateTask(), false)) {
    if (TScript* script = effect->GetParticleSystem().GetScript())
      script->DoLuaString("SetTexture(" + Quoted(mMaskName) + ");", -1, 0);
  }
  auto host = std::make_shared<TFxHostSprite>(0, effect);
  host->GetSpec().transform.SetTranslation(TVec2(static_cast<float>(w) * 0.5f, static_cast<float>(h) * 0.5f));
  host->GetSpec().color = mSprite->GetSpec().color;
  host->GetSpec().alpha = mSprite->GetSpec().alpha;
  mSprite->AddChild(host);
  // Nothing else need hold the mask (the effect may not have loaded): the glow keeps it.
  mMask = mask;
  return true;
}

// ---- move ----

TSpriteAnimationMove::TSpriteAnimationMove(std::shared_ptr<TSprite> sprite, std::shared_ptr<TSprite> reference,
                                           int32_t targetX, int32_t targetY, uint32_t speed, bool reparent,
                                           bool flag)
    : TSpriteAnimation(std::move(sprite), std::move(reference)),
      mTargetX(targetX),
      mTargetY(targetY),
      mSpeed(speed),
      mReparent(reparent),
      mFlag(flag) {}

void TSpriteAnimationMove::Start() {
  if (!mSprite) return;
  TDrawSpec placed;
  mSprite->GetSpec().Compose(placed, ParentSpecRelativeTo(*mSprite, mReference.get()));
  TVec2 start = placed.transform.GetTranslation();
  mStartX = static_cast<int32_t>(start.x);
  mStartY = static_cast<int32_t>(start.y);
  if (mReparent && mReference && mSprite->GetParent() != mReference.get()) {
    if (TSprite* parent = mSprite->GetParent()) parent->RemoveChild(mSprite);
    mReference->AddChild(mSprite);
    // Where it was on screen, now in the reference's frame.
    mSprite->GetSpec().transform.SetTranslation(start);
  }
}

bool TSpriteAnimationMove::Step() {
  if (!mSprite) return false;
  TDrawSpec& spec = mSprite->GetSpec();
  TVec2 p = spec.transform.GetTranslation();
  int32_t x = static_cast<int32_t>(p.x), y = static_cast<int32_t>(p.y);
  if ((x == mTargetX && y == mTargetY) || x < kMinX || y < kMinY || x > kMaxX || y > kMaxY) return false;
  if (spec.flags & kDrawUseAnchor) {
    // Turning goes round the middle of the picture: place it by its centre from now on.
    const auto& texture = mSprite->GetTexture();
    float w = texture ? static_cast<float>(texture->GetWidth()) : 0.0f;
    float h = texture ? static_cast<float>(texture->GetHeight()) : 0.0f;
    p = p + TVec2(w * 0.5f - spec.anchor.x, h * 0.5f - spec.anchor.y);
    spec.flags &= ~kDrawUseAnchor;
    spec.transform.SetTranslation(p);
    x = static_cast<int32_t>(p.x);
    y = static_cast<int32_t>(p.y);
  }
  spec.transform.Rotate(static_cast<float>(mSpeed) * 0.015f);
  int64_t dx = int64_t(mTargetX) - x, dy = int64_t(mTargetY) - y;
  int64_t d = static_cast<int64_t>(std::sqrt(static_cast<double>(dx * dx + dy * dy)));
  int64_t speed = mSpeed;
  if (speed < d) {
    dx = dx * speed / d;
    dy = dy * speed / d;
  }
  spec.transform.SetTranslation(p + TVec2(static_cast<float>(dx), static_cast<float>(dy)));
  return true;
}
