// Sliders: value, thumb placement, layout, mouse dragging and the rail's drawing.
#include "ui/slider.h"

#include <cstdlib>

#include "render/drawcontext.h"
#include "render/texture.h"
#include "ui/image.h"
#include "ui/message.h"
#include "ui/windowdraw.h"
#include "ui/windowmanager.h"
#include "ui/windowstyle.h"

TSlider::TSlider() : mThumb(new TImage(true)) {}

TSlider::~TSlider() {
  // An attached thumb is one of the children, which the window base destroys.
  if (mThumb && !mThumb->GetParent()) delete mThumb;
}

void TSlider::Send(int32_t type) {
  if (!GetParent()) return;
  RouteMessage(GetParent(), new TMessage(type, GetName()));
}

void TSlider::SetValue(float value, bool silent) {
  mValue = value < 0.0f ? 0.0f : (value > 1.0f ? 1.0f : value);
  if (!mThumb) return;
  UpdateThumb();
  if (!silent) Send(kSliderValChanged);
}

void TSlider::UpdateThumb() {
  if (!mThumb) return;
  if (mHorizontal)
    mThumb->MoveTo(static_cast<int32_t>(mValue * static_cast<float>(GetWidth() - mThumb->GetWidth())), mThumbOffset);
  else
    mThumb->MoveTo(mThumbOffset, static_cast<int32_t>(mValue * static_cast<float>(GetHeight() - mThumb->GetHeight())));
}

void TSlider::SetRails(const std::shared_ptr<TTexture>& top, const std::shared_ptr<TTexture>& middle,
                       const std::shared_ptr<TTexture>& bottom) {
  mRails[0] = top;
  mRails[1] = middle;
  mRails[2] = bottom;
  Layout();
}

void TSlider::SetThumbImages(const std::shared_ptr<TTexture>& normal, const std::shared_ptr<TTexture>& rollover) {
  mThumbImage = normal;
  mThumbRollImage = rollover;
  if (mThumb) {
    mThumb->SetTexture(normal, mScale);
    if (!mThumb->GetParent()) AddChild(mThumb, true);
  }
  Layout();
}

void TSlider::Layout() {
  int32_t widest = 0;
  for (const auto& rail : mRails)
    if (rail && rail->GetWidth() > widest) widest = rail->GetWidth();
  mThickness = static_cast<int32_t>(static_cast<float>(widest) * mScale);
  if (mThumb) {
    int32_t across = std::abs(mThumbOffset) + (mHorizontal ? mThumb->GetHeight() : mThumb->GetWidth());
    if (across > mThickness) mThickness = across;
  }
  if (mHorizontal) SetSize(GetWidth(), mThickness);
  else SetSize(mThickness, GetHeight());
}

void TSlider::Init(TWindowStyle& style) {
  if (mInitialised) return;
  mInitialised = true;
  TWindow::Init(style);
  double w = style.GetNumber("w", 0), h = style.GetNumber("h", 0);
  if (style.GetNumber("hslider", -1) >= 0) mHorizontal = style.GetBool("hslider", false);
  else mHorizontal = h < w;
  TString railTop = style.GetString("railtop", TString());
  TString railMid = style.GetString("railmid", TString());
  TString railBot = style.GetString("railbot", TString());
  TString thumb = style.GetString("sliderimage", TString());
  TString thumbRoll = style.GetString("sliderrollimage", TString());
  float scale = static_cast<float>(style.GetNumber("scale", 1.0));
  mThumbOffset = static_cast<int32_t>(style.GetNumber("yoffset", 0));
  SetValue(static_cast<float>(style.GetNumber("value", 0)), true);
  auto normal = thumb.IsEmpty() ? nullptr : TTexture::Get(thumb, 0);
  auto rollover = thumbRoll.IsEmpty() ? nullptr : TTexture::Get(thumbRoll, 0);
  mScale = scale;
  SetRails(railTop.IsEmpty() ? nullptr : TTexture::Get(railTop, 0), railMid.IsEmpty() ? nullptr : TTexture::Get(railMid, 0),
           railBot.IsEmpty() ? nullptr : TTexture::Get(railBot, 0));
  SetThumbImages(normal, rollover);
  UpdateThumb();
  if (mThumb && !mThumb->GetParent()) {
    AddChild(mThumb, true);
    Layout();
  }
}

bool TSlider::OnThumb(TPoint point) const {
  const TRect& r = mThumb->GetRect();
  return point.x >= r.left && point.x < r.right && point.y >= r.top && point.y < r.bottom;
}

void TSlider::ShowThumbImage(bool rollover) {
  if (mThumb) mThumb->SetTexture(rollover ? mThumbRollImage : mThumbImage, mScale);
}

bool TSlider::OnMouseDown(TPoint point) {
  if (!mThumb) return false;
  if (OnThumb(point)) {
    mDragging = 1;
    if (TWindowManager* manager = GetWindowManager()) manager->TrackMouse(this);
    return true;
  }
  const TRect& r = mThumb->GetRect();
  bool before = mHorizontal ? point.x < r.left : point.y < r.top;
  Send(before ? kSliderPageUp : kSliderPageDown);
  return true;
}

bool TSlider::OnMouseMove(TPoint point) {
  if (!mThumb) return false;
  ShowThumbImage(mDragging || OnThumb(point));
  bool inside = point.x >= 0 && point.y >= 0 && point.x < GetWidth() && point.y < GetHeight();
  if (TWindowManager* manager = GetWindowManager()) {
    if (inside || mDragging) manager->TrackMouse(this);
    else manager->StopTrackingMouse(this);
  }
  if (!mDragging) return false;
  float length = static_cast<float>(mHorizontal ? GetWidth() : GetHeight());
  float along = static_cast<float>(mHorizontal ? point.x : point.y);
  SetValue(length > 0.0f ? along / length : 0.0f, false);
  return true;
}

bool TSlider::OnMouseUp(TPoint point) {
  if (!mDragging) return false;
  mDragging = 0;
  ShowThumbImage(mThumb && OnThumb(point));
  bool inside = point.x >= 0 && point.y >= 0 && point.x < GetWidth() && point.y < GetHeight();
  if (!inside)
    if (TWindowManager* manager = GetWindowManager()) manager->StopTrackingMouse(this);
  Send(kSliderMouseUp);
  return true;
}

bool TSlider::OnMouseLeave() {
  if (mDragging) return true;
  ShowThumbImage(false);
  if (TWindowManager* manager = GetWindowManager()) manager->StopTrackingMouse(this);
  return true;
}

void TSlider::Draw() {
  TDrawContext* context = TDrawContext::GetInstance();
  bool opened = !context->IsIn2d() && context->Begin2d();
  int32_t length = mHorizontal ? GetWidth() : GetHeight();
  int32_t ends = 0;
  if (mRails[0]) ends += mRails[0]->GetHeight();
  if (mRails[2]) ends += mRails[2]->GetHeight();
  uint32_t alpha = static_cast<uint32_t>(mRailAlpha * 255.0f) & 0xFF;
  int32_t along = 0;
  for (int i = 0; i < 3; ++i) {
    const auto& rail = mRails[i];
    if (!rail) continue;
    int32_t w = rail->GetWidth();
    int32_t h = i == 1 ? length - ends : rail->GetHeight();
    int32_t across = (mThickness - w) / 2;
    int surfaceW = 0, surfaceH = 0;
    rail->GetSurfaceSize(&surfaceW, &surfaceH);
    float u1 = surfaceW ? static_cast<float>(rail->GetWidth()) / static_cast<float>(surfaceW) : 1.0f;
    float v1 = surfaceH ? static_cast<float>(rail->GetHeight()) / static_cast<float>(surfaceH) : 1.0f;
    // Corners in image space (u across, v along), mapped to the slider's axes.
    struct Corner { float a, b, u, v; } corners[4] = {
        {0, 0, 0, 0}, {static_cast<float>(w), 0, u1, 0}, {static_cast<float>(w), static_cast<float>(h), u1, v1},
        {0, static_cast<float>(h), 0, v1}};
    TTransformedVertex quad[4];
    for (int c = 0; c < 4; ++c) {
      float x = static_cast<float>(across) + corners[c].a, y = static_cast<float>(along) + corners[c].b;
      if (mHorizontal) std::swap(x, y);
      quad[c].x = x;
      quad[c].y = y;
      quad[c].z = 0.1f;
      quad[c].w = 0.5f;
      quad[c].diffuse = (alpha << 24) | 0xFFFFFFu;
      quad[c].specular = 0xFF000000u;
      quad[c].u = corners[c].u;
      quad[c].v = corners[c].v;
    }
    TTransformedVertex triangles[6] = {quad[0], quad[1], quad[2], quad[0], quad[2], quad[3]};
    windowdraw::DrawTriangles(rail, triangles, 6);
    along += h;
  }
  if (opened) context->End2d();
}
