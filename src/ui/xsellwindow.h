// The cross-promotion window: a window whose children (laid out by the screen script) it fills from
// an advert file with the descriptions of other games and their links, and whose links it opens.
// The script functions "SetupXSell" and "LaunchGameLink" act on the window made last.
#pragma once
#include <cstdint>

#include "script/scriptbinding.h"
#include "services/xselldata.h"
#include "ui/window.h"

class TXSellWindow : public TWindow {
  TM_CLASS(TXSellWindow, TWindow)

 public:
  TXSellWindow();
  ~TXSellWindow() override;
  static TWindow* CreateInstance() { return new TXSellWindow; }

  // "config" names the advert file, "autoexpand" sizes the link windows to their content.
  void Init(TWindowStyle& style) override;
  // Fills the description, centre-text and link windows from the advert file and hides the
  // windows of games the file does not list.
  void SetupXSell();
  // Opens the site link (0) or the link of game number index (from 1); false when there is no
  // such link or it is not a web or mail link.
  bool LaunchGameLink(int32_t index);

  const TString& GetFile() const { return mFile; }
  bool GetAutoExpand() const { return mAutoExpand; }
  const TXSellLinks& GetLinks() const { return mLinks; }

 private:
  // The named child when it exists; hides it when asked.
  TWindow* Child(const char* format, int number = 0);
  void FitToContent(TWindow* window);

  TXSellLinks mLinks;
  TString mFile = "xsell/xsell.xml";
  bool mAutoExpand = false;
  TScriptBindings mBindings;
};
