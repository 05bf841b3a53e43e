// The text box's fitting loop and the operations that act on its laid-out text child.
#include "shell/textbox.h"

#include <algorithm>
#include <cstring>

#include "ui/text.h"
#include "ui/textlayout.h"

TTextbox::TTextbox(uint8_t textFlags) : mTextFlags(textFlags) {}

TTextbox::~TTextbox() = default;

TText* TTextbox::GetTextChild() { return KindCast<TText>(FindChild(kChildName, -1)); }

bool TTextbox::BuildText(const TString& text, uint32_t width, uint32_t height, int32_t layoutFlags,
                         const TString& fontName, uint32_t size, const float colour[4], uint32_t lineCount) {
  if (TWindow* old = FindChild(kChildName, -1); old && old != this) {
    if (TWindow* parent = old->GetParent()) parent->RemoveChild(old);
    delete old;
  }
  SetBoxSize(width, height);
  mFontSize = mRequestedSize = size;
  mBoxText = text;
  mLayoutFlags = layoutFlags;
  mBoxWidth = width;
  mBoxHeight = height;
  mFontName = fontName;
  std::memcpy(mColour, colour, sizeof mColour);
  mMaxLines = lineCount;

  // Lower the size until the text fits the box and lineCount lines of the size. The loop ends at
  // size 1 (the text is then clipped) and when the text window refuses the layout (a box or line
  // limit of 0), where trying again would change nothing.
  uint64_t limit = uint64_t(size) * lineCount;
  uint32_t h = height;
  for (;;) {
    h = static_cast<uint32_t>(std::min<uint64_t>(h, limit));
    TText scratch(false);
    if (!scratch.Setup(text, static_cast<int32_t>(width), static_cast<int32_t>(h), layoutFlags, fontName,
                       static_cast<int32_t>(size), colour))
      break;
    TRect extent = scratch.GetTextExtent();
    uint32_t extentWidth = static_cast<uint32_t>(std::max(0, extent.right - extent.left));
    uint32_t extentHeight = static_cast<uint32_t>(std::max(0, extent.bottom - extent.top));
    if (extentWidth <= width && extentHeight <= h) break;
    if (size <= 1) break;
    --size;
    limit -= lineCount;
  }
  mFontSize = size;

  auto* child = new TText(mTextFlags != 0);
  bool laidOut = child->Setup(text, static_cast<int32_t>(width), static_cast<int32_t>(height), layoutFlags,
                              fontName, static_cast<int32_t>(size), colour);
  child->SetName(kChildName);
  child->MoveTo(0, 0);
  AddChild(child, true);
  return laidOut;
}

void TTextbox::SetText(const TString& text) {
  if (!GetTextChild()) return;
  float colour[4];
  std::memcpy(colour, mColour, sizeof colour);
  BuildText(text, mBoxWidth, mBoxHeight, mLayoutFlags, mFontName, mRequestedSize, colour, mMaxLines);
}

void TTextbox::SetBoxSize(uint32_t width, uint32_t height) {
  mBoxHeight = height;
  mBoxWidth = width;
  SetSize(static_cast<int32_t>(width), static_cast<int32_t>(height));
}

TString TTextbox::GetText() {
  TText* child = GetTextChild();
  return child ? child->GetText() : TString();
}

void TTextbox::GetTextRect(TRect* rect) {
  if (TText* child = GetTextChild()) *rect = child->GetTextExtent();
}

void TTextbox::SetColor(const float colour[4]) {
  if (TText* child = GetTextChild()) child->SetColor(colour);
}

bool TTextbox::SetTextAlpha(float alpha) {
  TText* child = GetTextChild();
  TTextLayout* layout = child ? child->GetLayout() : nullptr;
  if (!layout) return false;
  float colour[4];
  std::memcpy(colour, layout->GetColor(), sizeof colour);
  colour[3] = alpha;
  layout->SetColor(colour);
  return true;
}

float TTextbox::GetTextAlpha() {
  TText* child = GetTextChild();
  TTextLayout* layout = child ? child->GetLayout() : nullptr;
  return layout ? layout->GetColor()[3] : 0.0f;
}

void TTextbox::SetRotation(float degrees, float originX, float originY) {
  if (TText* child = GetTextChild()) child->SetRotation(degrees, originX, originY);
}

void TTextbox::ScrollTo(float x, float /*y*/) {
  // Text windows scroll by lines only; the second value has nothing to move.
  if (TText* child = GetTextChild()) child->ScrollTo(static_cast<int32_t>(x));
}
