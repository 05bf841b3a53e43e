// TDiaryWindow: the diary's pages on screen. It shows the sites of the diary that are watched, one
// site per page area, and turns the pages with its "goBack" and "goForward" buttons. Also the
// diary's measure: the real height of a picture and of a laid-out text, used when entries are placed.
#pragma once
#include <vector>

#include "model/diary.h"
#include "ui/window.h"

class TDiaryWindow : public TWindow {
  TM_CLASS(TDiaryWindow, TWindow)

 public:
  TDiaryWindow() = default;
  ~TDiaryWindow() override;
  static TWindow* CreateInstance() { return new TDiaryWindow; }

  void PostCreate(TWindowStyle& style) override;
  bool OnMessage(TMessage& message) override;

  const std::vector<TWindow*>& GetPageWindows() const { return mPageWindows; }

 private:
  void ClearPage();
  void LayOutPage();

  std::vector<TWindow*> mPageWindows;  // children made for the visible items
};

// The height an entry takes: a picture's texture height, a text's laid-out height in the width
// (at most the limit). Installed as every new diary's measure by InstallDiaryMeasure.
int32_t MeasureDiaryEntry(const TDiaryEntry& entry, int32_t width, int32_t heightLimit);
void InstallDiaryMeasure();
