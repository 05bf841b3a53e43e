// The ticker's per-frame redraw.
#include "shell/tickerwindow.h"

#include "ui/windowmanager.h"
#include "ui/windowstyle.h"

void TTickerWindow::Init(TWindowStyle& style) {
  StartAnim(10, true, true, false);
  SetName(style.GetString("name", TString()));
}

void TTickerWindow::SetText(const TString& text) {
  // The style's font set-up is not run for a ticker, so it has no layout until it gets a text;
  // without one every text would be dropped.
  if (!GetLayout() && !text.IsEmpty() && GetWidth() > 0 && GetHeight() > 0) {
    const float white[4] = {1, 1, 1, 1};
    Setup(text, GetWidth(), GetHeight(), 0, TString(), 16, white);
    return;
  }
  TText::SetText(text);
}

bool TTickerWindow::Animate() {
  GetWindowManager()->Invalidate();
  return true;
}
