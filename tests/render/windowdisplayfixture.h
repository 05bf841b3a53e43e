// A display of 320 x 240 that windows draw into through the display's own drawing, clipped to the
// whole frame, with text windows' lines going to the display too: for tests of windows on screen.
#pragma once
#include "displayfixture.h"
#include "render/vxlinesink.h"
#include "ui/text.h"
#include "ui/windowdraw.h"

namespace render_test {

class WindowDisplayFixture : public DisplayFixture {
 protected:
  static constexpr int kFrameWidth = 320, kFrameHeight = 240;
  void SetUp() override {
    DisplayFixture::SetUp();
    windowdraw::SetHooks(TWindowDrawHooks());
    Window(kFrameWidth, kFrameHeight);
    draw->PushClipRect(TRect(0, 0, kFrameWidth, kFrameHeight));
    TText::SetDefaultLineSink(MakeDrawContextLineSink());
  }
  void TearDown() override {
    TText::SetDefaultLineSink(nullptr);
    DisplayFixture::TearDown();
  }
};

}  // namespace render_test
