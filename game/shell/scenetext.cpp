// Scene text boxes over the framework's text window. The box keeps its own copy of the text, so a
// caption reads back the same even when its font could not be loaded and nothing is drawn.
#include "shell/scenetext.h"

#include <cstring>

#include "ui/text.h"

namespace {

class TSceneTextBox : public TText {
  TM_CLASS(TSceneTextBox, TText)

 public:
  TSceneTextBox() : TText(false) {}
  void SetText(const TString& text) override {
    mStored = text;
    TText::SetText(text);
  }
  TString GetText() const override { return mStored; }

 private:
  TString mStored;
};

TSceneTextBox* AsBox(TWindow* window) { return KindCast<TSceneTextBox>(window); }

}  // namespace

namespace scenetext {

TWindow* Make(const TString& name, const TString& text, int32_t width, int32_t height, int32_t flags,
              const TString& font, int32_t size, const float colour[4], int32_t lines) {
  (void)lines;
  auto* box = new TSceneTextBox;
  box->SetName(name);
  // A missing font leaves the box without a layout: it keeps its size and text, and draws nothing.
  if (!box->Setup(text, width, height, flags, font, size, colour)) box->SetSize(width, height);
  box->SetText(text);
  box->SetAlpha(colour[3]);
  return box;
}

void SetText(TWindow* window, const TString& text) {
  if (TSceneTextBox* box = AsBox(window)) box->SetText(text);
}

TString GetText(TWindow* window) {
  TSceneTextBox* box = AsBox(window);
  return box ? box->GetText() : TString();
}

void SetTextAlpha(TWindow* window, float alpha) {
  if (TSceneTextBox* box = AsBox(window)) box->SetAlpha(alpha);
}

float GetTextAlpha(TWindow* window) {
  TSceneTextBox* box = AsBox(window);
  return box ? box->GetAlpha() : 0.0f;
}

void SetColor(TWindow* window, const float colour[4]) {
  if (TSceneTextBox* box = AsBox(window)) box->SetColor(colour);
}

void SetBoxSize(TWindow* window, int32_t width, int32_t height) {
  if (TSceneTextBox* box = AsBox(window)) box->SetSize(width, height);
}

TRect GetTextRect(TWindow* window) {
  TSceneTextBox* box = AsBox(window);
  return box ? box->GetTextExtent() : TRect();
}

void SetRotation(TWindow* window, float degrees, float originX, float originY) {
  if (TSceneTextBox* box = AsBox(window)) box->SetRotation(degrees, originX, originY);
}

}  // namespace scenetext
