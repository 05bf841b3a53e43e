// The plot-point board: a strip of pictures travelling inside a border while timed texts fade in
// and out; it leaves once the strip has run its course, or at once from the skip corner.
#pragma once
#include "minigames/minigameboard.h"
#include "model/minigamemodels.h"

class TTextbox;

class TPlotpointBoard : public TMiniGameBoard {
 public:
  enum : int32_t { kKindBorder = 20, kKindStrip = 21 };

  TPlotpointBoard(IMiniGameHost& host, CPlotpoint& plot);

  void PostCreate() override;
  void Animate() override;
  bool OnMouseDown(TPoint mouse) override;
  bool OnMouseMove(TPoint mouse) override;

  const CPlotpoint::TStrip& GetStrip() const { return mStrip; }
  TTextbox* GetTextbox() const { return mText; }

 private:
  CPlotpoint& mPlot;
  CPlotpoint::TStrip mStrip;
  uint32_t mStartTime = 0;
  TTextbox* mText = nullptr;  // a child of the window
};
