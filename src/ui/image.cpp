// The image window and the sound key.
#include "ui/image.h"

#include <cstdlib>
#include <cstring>

#include "platform/platform.h"
#include "render/drawcontext.h"
#include "render/drawspec.h"
#include "render/texture.h"
#include "ui/windowdraw.h"
#include "ui/windowstyle.h"

TImage::TImage(bool redrawWithParent) {
  if (redrawWithParent) mFlags |= kWindowRedrawWithParent;
  SetFlags(mFlags | kWindowCovers);
}

TImage::~TImage() = default;

void TImage::SizeFromTexture() {
  if (!mTexture) return;
  int32_t w = static_cast<int32_t>(static_cast<float>(mTexture->GetWidth()) * mScale + 0.5f);
  int32_t h = static_cast<int32_t>(static_cast<float>(mTexture->GetHeight()) * mScale + 0.5f);
  if (mRotated) SetSize(h, w);
  else SetSize(w, h);
}

void TImage::SetTexture(const std::shared_ptr<TTexture>& texture, float scale) {
  mTexture = texture;
  mScale = scale;
  SizeFromTexture();
}

void TImage::SetAlpha(float alpha) {
  mAlpha = alpha;
  bool covers = alpha == 1.0f && mTexture && !mTexture->HasAlpha();
  SetFlags(covers ? (mFlags | kWindowCovers) : (mFlags & ~kWindowCovers));
}

void TImage::SetDrawFlags(uint32_t bits) { mDrawFlags = bits; }

void TImage::SetRotated(bool rotated) {
  if (rotated == mRotated) return;
  mRotated = rotated;
  SizeFromTexture();
}

void TImage::Init(TWindowStyle& style) {
  TString image = style.GetString("image", TString());
  TString mask = style.GetString("mask", TString());
  float scale = static_cast<float>(style.GetNumber("scale", 1.0));
  bool alpha = style.GetBool("alpha", false);
  bool mipmap = style.GetBool("mipmap", false);
  if (alpha) SetFlags(mFlags & ~kWindowCovers);
  mDrawFlags = (style.GetBool("hflip", false) ? 1u : 0u) | (style.GetBool("vflip", false) ? 2u : 0u);
  mRotated = style.GetBool("rotate", false);
  int flags = (mipmap ? TTexture::kGetMipmap : 0) | (alpha ? TTexture::kGetAlpha : 0);

  std::shared_ptr<TTexture> texture;
  if (!image.IsEmpty() && !mask.IsEmpty()) texture = TTexture::GetWithMask(image, mask, flags);
  else if (!image.IsEmpty()) texture = TTexture::Get(image, flags);

  if (texture && scale == 1.0f && style.GetBool("autoscale", false)) {
    int32_t displayWidth = 0, displayHeight = 0;
    bool fullScreen = false;
    if (TPlatform* platform = TPlatform::GetInstance())
      platform->GetDisplaySize(&displayWidth, &displayHeight, &fullScreen);
    scale = AutoScaleFactor(displayWidth, displayHeight, texture->GetWidth(), texture->GetHeight());
  }
  SetTexture(texture, scale);
  TWindow::Init(style);
}

void TImage::Draw() {
  if (!mTexture) return;
  TDrawContext* context = TDrawContext::GetInstance();
  bool opened = !context->IsIn2d() && context->Begin2d();
  TDrawSpec drawSpec;
  drawSpec.transform.Scale(mScale);
  drawSpec.alpha = mAlpha;
  drawSpec.flags = mDrawFlags | 8;
  if (mRotated) {
    drawSpec.transform.SetTranslation(TVec2(0.0f, static_cast<float>(mTexture->GetHeight())));
    drawSpec.transform.Rotate(1.5707964f);
  }
  windowdraw::DrawTexture(mTexture, drawSpec);
  if (opened) context->End2d();
}

float AutoScaleFactor(int32_t displayWidth, int32_t displayHeight, int32_t w, int32_t h) {
  // Without a display there is nothing to fit to; a factor of 0 would make the image vanish.
  if (displayWidth <= 0 || displayHeight <= 0) return 1.0f;
  float horizontal = w ? static_cast<float>(displayWidth) / static_cast<float>(w) : 1.0f;
  float vertical = h ? static_cast<float>(displayHeight) / static_cast<float>(h) : 1.0f;
  return vertical > 1.0f ? vertical : horizontal;
}

TString MakeSoundId(const TString& name, const TString& options) {
  int32_t group = 0;
  if (const char* at = std::strstr(options.CStr(), "group=")) group = std::atoi(at + 6);
  return TString::Format("%s;%d;%d", name.CStr(), 0, group);
}
