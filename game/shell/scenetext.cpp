// Scene text boxes over the fitting text box. The helpers take any window, so a caption a screen
// cannot find (null, or a window of another kind) is simply left alone.
#include "shell/scenetext.h"

#include <algorithm>

#include "shell/textbox.h"

namespace {
TTextbox* AsBox(TWindow* window) { return KindCast<TTextbox>(window); }
}  // namespace

namespace scenetext {

TWindow* Make(const TString& name, const TString& text, int32_t width, int32_t height, int32_t flags,
              const TString& font, int32_t size, const float colour[4], int32_t lines) {
  auto* box = new TTextbox(0);
  box->SetName(name);
  box->BuildText(text, static_cast<uint32_t>(std::max(width, 0)), static_cast<uint32_t>(std::max(height, 0)), flags,
                 font, static_cast<uint32_t>(std::max(size, 1)), colour, static_cast<uint32_t>(std::max(lines, 0)));
  return box;
}

void SetText(TWindow* window, const TString& text) {
  if (TTextbox* box = AsBox(window)) box->SetText(text);
}

TString GetText(TWindow* window) {
  TTextbox* box = AsBox(window);
  return box ? box->GetText() : TString();
}

void SetTextAlpha(TWindow* window, float alpha) {
  if (TTextbox* box = AsBox(window)) box->SetTextAlpha(alpha);
}

float GetTextAlpha(TWindow* window) {
  TTextbox* box = AsBox(window);
  return box ? box->GetTextAlpha() : 0.0f;
}

void SetColor(TWindow* window, const float colour[4]) {
  if (TTextbox* box = AsBox(window)) box->SetColor(colour);
}

void SetBoxSize(TWindow* window, int32_t width, int32_t height) {
  if (TTextbox* box = AsBox(window))
    box->SetBoxSize(static_cast<uint32_t>(std::max(width, 0)), static_cast<uint32_t>(std::max(height, 0)));
}

TRect GetTextRect(TWindow* window) {
  TRect rect;
  if (TTextbox* box = AsBox(window)) box->GetTextRect(&rect);
  return rect;
}

void SetRotation(TWindow* window, float degrees, float originX, float originY) {
  if (TTextbox* box = AsBox(window)) box->SetRotation(degrees, originX, originY);
}

}  // namespace scenetext
