// The plot-point board's strip, text box and timing over its model.
#include "minigames/plotpointboard.h"

#include <algorithm>
#include <string>

#include "render/texture.h"
#include "shell/textbox.h"

TPlotpointBoard::TPlotpointBoard(IMiniGameHost& host, CPlotpoint& plot)
    : TMiniGameBoard(host, plot), mPlot(plot), mStartTime(host.GetPlayClockTime()) {}

static TString StripName(int32_t i) { return ("strip" + std::to_string(i)).c_str(); }

void TPlotpointBoard::PostCreate() {
  std::vector<std::pair<int32_t, int32_t>> sizes;
  for (int32_t i = 0; i < mPlot.numberOfTextures; ++i) {
    const TString image = (mPlot.movingTextureDirectory + mPlot.movingTextureName + std::to_string(i)).c_str();
    std::shared_ptr<TTexture> texture = TTexture::Get(image, 0);
    sizes.emplace_back(texture ? texture->GetWidth() : 0, texture ? texture->GetHeight() : 0);
    AddSprite(MakeSprite(image, 0, 0, 0, kKindStrip, StripName(i)), false);
  }
  mStrip = mPlot.LayoutStrip(sizes);
  for (size_t i = 0; i < mStrip.rest.size(); ++i) {
    mHost.GetSprites().SetSpritePosition(StripName(static_cast<int32_t>(i)), mStrip.rest[i].first,
                                         mStrip.rest[i].second);
  }
  AddSprite(MakeSprite(mPlot.borderTexture.c_str(), 0, 0, 0, kKindBorder, "border"), false);

  const uint32_t w = static_cast<uint32_t>(std::max(mPlot.textLowerRightX - mPlot.textUpperLeftX, 0));
  const uint32_t h = static_cast<uint32_t>(std::max(mPlot.textLowerRightY - mPlot.textUpperLeftY, 0));
  const float colour[4] = {mPlot.textColorRed / 255.0f, mPlot.textColorGreen / 255.0f, mPlot.textColorBlue / 255.0f,
                           1.0f};
  mText = new TTextbox();
  mText->SetName("text");
  mText->BuildText(LabelText("0000_empty"), w, h, 1, "fonts/kingthings.mvec",
                   static_cast<uint32_t>(std::max(mPlot.textHeight, 1)), colour, 100);
  mText->SetBoxSize(w, h);
  mText->MoveTo(mPlot.textUpperLeftX, mPlot.textUpperLeftY);
  mText->SetTextAlpha(0.0f);
  mHost.GetWindow().AddChild(mText, false);
  TMiniGameBoard::PostCreate();
}

void TPlotpointBoard::Animate() {
  const double progress = mPlot.Progress(mHost.GetPlayClockTime() - mStartTime);
  const auto offset = mPlot.Offset(mStrip, progress);
  for (size_t i = 0; i < mStrip.rest.size(); ++i) {
    mHost.GetSprites().SetSpritePosition(StripName(static_cast<int32_t>(i)), mStrip.rest[i].first + offset.first,
                                         mStrip.rest[i].second + offset.second);
  }
  float alpha = 0;
  const int32_t text = mPlot.TextAt(mPlot.GetTotalDuration() * progress, &alpha);
  if (text >= 0 && mText) {
    mText->SetText(LabelText(mPlot.GetTexts()[static_cast<size_t>(text)].first.c_str()));
    mText->SetTextAlpha(alpha);
  }
  if (mPlot.HasReachedEnd(mPlot.TrailingPoint(mStrip, offset))) mHost.Skip();
}

bool TPlotpointBoard::OnMouseDown(TPoint mouse) {
  if (!mHost.IsLive() || !mHost.AcceptsInput()) return false;
  if (!CPlotpoint::InSkipArea(mouse.x, mouse.y)) return false;
  mHost.Skip();
  if (mHost.GetCursor() != kCursorNormal) mHost.SetCursor(kCursorNormal);
  return true;
}

bool TPlotpointBoard::OnMouseMove(TPoint mouse) {
  if (!mHost.IsLive() || !mHost.AcceptsInput()) return false;
  const int32_t cursor = CPlotpoint::InSkipArea(mouse.x, mouse.y) ? kCursorHand : kCursorNormal;
  if (mHost.GetCursor() != cursor) mHost.SetCursor(cursor);
  return true;
}
