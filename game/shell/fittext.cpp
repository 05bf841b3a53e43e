// Font-size fitting for names shown in fixed boxes (the high-score rows, the player chooser).
#include "shell/fittext.h"

#include "ui/text.h"
#include "ui/textlayout.h"

int FitTextToBox(TText* text, int largest) {
  TTextLayout* layout = text ? text->GetLayout() : nullptr;
  if (!layout) return 0;
  int size = largest < 1 ? 1 : largest;
  for (;; --size) {
    layout->SetFontSize(size);
    layout->Layout();
    const TRect extent = layout->GetExtent(1.0f);
    if ((extent.right - extent.left <= text->GetWidth() && extent.bottom - extent.top <= text->GetHeight()) ||
        size == 1)
      return size;
  }
}
