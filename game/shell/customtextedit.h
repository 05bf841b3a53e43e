// The game's text entry field: an edit field that may clear its first text on first use, plays a
// typewriter sound for every typed character, and shows a companion window (a "done" button, say)
// only while the text is not empty.
#pragma once
#include <memory>

#include "core/random.h"
#include "render/assetmap.h"
#include "ui/textedit.h"

class TCustomTextEdit : public TTextEdit {
  TM_CLASS(TCustomTextEdit, TTextEdit)

 public:
  TCustomTextEdit();
  ~TCustomTextEdit() override;
  static TWindow* CreateInstance() { return new TCustomTextEdit; }

  void Init(TWindowStyle& style) override;
  bool OnMouseUp(TPoint point) override;
  bool OnEdit(int32_t kind, uint8_t byte) override;

  // The sound number (1..4) the next typed character would play, drawn from the field's generator.
  int NextSoundNumber();

 private:
  void UpdateEnableWindow(int delta);

  std::unique_ptr<TAssetMap> mTypingSounds;
  std::unique_ptr<TRandom> mRandom;
  bool mInitialCleared = true;
  TString mEnableWindow;
};
