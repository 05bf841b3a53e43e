// TTextEdit: a one-line text entry field on a text window. It keeps the edited text and a cursor
// (a byte index), blinks the cursor through the "<cursor>" tag, masks passwords, limits the length,
// drops characters its font cannot draw or that the style ignores, pastes from the clipboard and
// moves the focus between the fields of one modal window with Tab. Each change posts
// kTextEditChanged; OnEdit / OnEditWide are asked before every edit so a derived field can react.
#pragma once
#include <memory>
#include <vector>

#include "core/clock.h"
#include "ui/text.h"

class TTextEdit : public TText {
  TM_CLASS(TTextEdit, TText)

 public:
  // Edit kinds handed to OnEdit / OnEditWide.
  enum : int32_t { kEditInsert = 0, kEditMove = 1, kEditEnter = 2, kEditTab = 3, kEditPaste = 4, kEditRefused = 5 };
  using TTabGroup = std::vector<TTextEdit*>;

  TTextEdit();
  ~TTextEdit() override;

  static TWindow* CreateInstance() { return new TTextEdit; }

  bool OnActivate() override;
  void Init(TWindowStyle& style) override;
  void Draw() override;
  bool Animate() override;
  bool OnChar(int8_t character) override;
  bool OnText(const TString& text) override;
  bool OnKeyDown(int8_t key, int32_t modifiers) override;
  void SetText(const TString& text) override;
  TString GetText() const override { return mText; }
  virtual bool OnEdit(int32_t kind, uint8_t byte);
  virtual bool OnEditWide(int32_t kind, uint32_t codePoint);

  void SetPassword(bool on);
  void SetUtf8(bool on) { mUtf8 = on; }
  void SetIgnore(const TString& characters) { mIgnore = characters; }
  void SetLimit(int32_t limit) { mLimit = limit; }
  int32_t GetLimit() const { return mLimit; }
  uint32_t GetCursor() const { return mCursor; }
  // What the layout shows: the text or its stars, with "<cursor>" in the visible blink phase.
  TString GetShownText() const { return TText::GetText(); }
  const std::shared_ptr<TTabGroup>& GetTabGroup() const { return mTabGroup; }
  void JoinTabGroup();

  // Characters of a UTF-8 text; a truncated sequence counts as the bytes it really spans.
  static int32_t Utf8CharCount(const TString& text);
  // Byte length of the character that ends at byte `position` (stepping from the start).
  static int32_t Utf8CharOffset(const TString& text, int32_t position);

 private:
  void Refresh();
  void PostChanged();
  void LeaveTabGroup();

  int32_t mLimit = 10;
  std::shared_ptr<TTabGroup> mTabGroup;
  TString mText;
  uint32_t mCursor = 0;
  bool mCursorShown = true;
  bool mUtf8 = false;
  bool mPassword = false;
  bool mBlinkVisible = false;
  TString mIgnore;
  TClock mBlinkClock;
};
