// The debug overlay's text (see overlaytext.h).
#include "ui/overlaytext.h"

#include <memory>

#include "render/drawcontext.h"
#include "render/vxminivecdraw.h"
#include "ui/text.h"
#include "ui/textlayout.h"

namespace {
struct TOverlayText {
  std::unique_ptr<TTextLayout> layout;
  TVxMiniVecDraw draw;
};

TOverlayText& Overlay() {
  static TOverlayText overlay;
  return overlay;
}
}  // namespace

void DrawOverlayText(const TString& text, const TRect& box) {
  TOverlayText& overlay = Overlay();
  if (!overlay.layout) {
    const float white[4] = {1, 1, 1, 1};
    overlay.layout = TTextLayout::Create(TString(), box.right - box.left, box.bottom - box.top, 0, TString(), 16, white);
  }
  if (!overlay.layout) return;
  overlay.draw.SetLineSink(TText::GetDefaultLineSink());
  overlay.layout->SetText(text);
  overlay.layout->Draw(overlay.draw, box, 1.0f, 0, 1.0f, nullptr);
  overlay.draw.Flush();
}

void InstallOverlayText(bool on) {
  TDrawContext::SetOverlayTextDrawer(on ? TDrawContext::TOverlayTextDrawer(&DrawOverlayText) : nullptr);
}
