// The text-edit field: typing, cursor keys, paste, the blinking cursor, password masking and the
// tab group. Texts are walked with Utf8StepLength so that a truncated sequence at the end of a text
// never carries a step past its terminating NUL.
#include "ui/textedit.h"

#include <algorithm>

#include "platform/platform.h"
#include "platform/platformevent.h"
#include "services/validutf8.h"
#include "ui/message.h"
#include "ui/modalwindow.h"
#include "ui/vectorfont.h"
#include "ui/windowmanager.h"
#include "ui/windowstyle.h"

namespace {
constexpr uint32_t kBlinkPeriod = 800, kBlinkHidden = 401, kAnimPeriod = 200;

// Bytes of the sequence at p; a stray byte or a NUL in the middle of the bytes still moves one.
int32_t Step(const char* p) { return std::max(1, Utf8StepLength(p)); }

// Finds the first other field of a modal window that already has a tab group.
class TextSpider : public TWindowSpider {
 public:
  explicit TextSpider(TTextEdit* self) : mSelf(self) {}
  bool Visit(TWindow* window) override {
    TTextEdit* edit = KindCast<TTextEdit>(window);
    if (edit && edit != mSelf && edit->GetTabGroup()) {
      const auto& group = *edit->GetTabGroup();
      if (std::find(group.begin(), group.end(), mSelf) == group.end()) {
        mFound = edit->GetTabGroup();
        return false;
      }
    }
    return true;
  }
  std::shared_ptr<TTextEdit::TTabGroup> mFound;

 private:
  TTextEdit* mSelf;
};
}  // namespace

int32_t TTextEdit::Utf8CharCount(const TString& text) {
  int32_t count = 0;
  const char* p = text.CStr();
  for (int32_t i = 0, n = text.Length(); i < n; i += Step(p + i)) ++count;
  return count;
}

int32_t TTextEdit::Utf8CharOffset(const TString& text, int32_t position) {
  const char* p = text.CStr();
  int32_t start = 0;
  for (int32_t i = 0; i < position && i < text.Length(); i += Step(p + i)) start = i;
  return position - start;
}

TTextEdit::TTextEdit() {
  mFlags |= kWindowFocusable;
  mBlinkClock.Start();
}

TTextEdit::~TTextEdit() { LeaveTabGroup(); }

void TTextEdit::LeaveTabGroup() {
  if (!mTabGroup) return;
  auto& group = *mTabGroup;
  group.erase(std::remove(group.begin(), group.end(), this), group.end());
  mTabGroup.reset();
}

void TTextEdit::JoinTabGroup() {
  if (mTabGroup) return;
  TModalWindow* modal = GetModalParent();
  if (modal) {
    StartAnim(kAnimPeriod, false, true, false);
    TextSpider spider(this);
    modal->VisitChildren(spider);
    if (spider.mFound) {
      mTabGroup = spider.mFound;
      mTabGroup->push_back(this);
      return;
    }
  }
  mTabGroup = std::make_shared<TTabGroup>(1, this);
}

void TTextEdit::Init(TWindowStyle& style) {
  JoinTabGroup();
  bool password = style.GetBool("password", false);
  mLimit = static_cast<int32_t>(style.GetNumber("length", 10));
  mIgnore = style.GetString("ignore", TString());
  mUtf8 = style.GetBool("utf8", false);
  // A field's label is its starting text, never a string-table label.
  bool translation = LabelTranslation();
  LabelTranslation() = false;
  TText::Init(style);
  LabelTranslation() = translation;
  if (password) SetPassword(true);
}

bool TTextEdit::OnActivate() {
  JoinTabGroup();
  return true;
}

void TTextEdit::Draw() {
  JoinTabGroup();
  TText::Draw();
}

bool TTextEdit::Animate() {
  Refresh();
  return true;
}

void TTextEdit::SetText(const TString& text) {
  mText = text;
  mCursor = static_cast<uint32_t>(mText.Length());
  Refresh();
}

void TTextEdit::SetPassword(bool on) {
  mPassword = on;
  Refresh();
}

void TTextEdit::Refresh() {
  TString shown = mText;
  if (mPassword) shown = TString(std::string(static_cast<size_t>(mText.Length()), '*').c_str());
  if (GetWindowManager()->GetFocus() == this) {
    bool visible = mBlinkClock.GetTime() % kBlinkPeriod >= kBlinkHidden;
    if (visible != mBlinkVisible) {
      mBlinkVisible = visible;
      GetWindowManager()->Invalidate();
    }
    if (visible) {
      int32_t cut = std::min<int32_t>(static_cast<int32_t>(mCursor), shown.Length());
      TString marked = shown.SubString(0, cut);
      if (mCursorShown) marked += "<cursor>";
      marked += shown.SubString(cut);
      shown = marked;
    }
  }
  TText::SetText(shown);
}

void TTextEdit::PostChanged() { GetWindowManager()->PostMessage(new TMessage(kTextEditChanged, GetName())); }

bool TTextEdit::OnEdit(int32_t kind, uint8_t byte) {
  switch (kind) {
    case kEditMove:
    case kEditPaste:
      return true;
    case kEditInsert:
      if (mUtf8 || mText.Length() + 1 < mLimit) return true;
      OnEdit(kEditRefused, byte);
      return false;
    default:
      return false;
  }
}

bool TTextEdit::OnEditWide(int32_t kind, uint32_t codePoint) {
  if (kind == kEditInsert) {
    bool full = mUtf8 && Utf8CharCount(mText) >= mLimit;
    bool drawable = true;
    if (!full) {
      TTextLayout* layout = GetLayout();
      TVectorFont* font = layout ? FindFont(layout->GetFontName()) : nullptr;
      if (!font || !font->HasGlyph(codePoint)) {
        TVectorFont* fallback = FindFont(kDefaultFontFile);
        drawable = fallback && fallback->HasGlyph(codePoint);
      }
    }
    if (full || !drawable) {
      if (codePoint > 127)
        OnEditWide(kEditRefused, codePoint);
      else
        OnEdit(kEditRefused, static_cast<uint8_t>(codePoint));
      return false;
    }
  }
  return OnEdit(kind, codePoint < 128 ? static_cast<uint8_t>(codePoint) : ' ');
}

bool TTextEdit::OnChar(int8_t character) {
  char text[2] = {static_cast<char>(character), 0};
  return OnText(TString(text, 1));
}

bool TTextEdit::OnText(const TString& text) {
  if (!mCursorShown || text.IsEmpty()) return false;
  auto first = static_cast<uint8_t>(text.CharAt(0));
  bool changed = true;
  if (first == 8) {
    if (mCursor == 0) {
      changed = OnEditWide(kEditRefused, 8);
    } else if (OnEdit(kEditMove, 8)) {
      int32_t cursor = static_cast<int32_t>(mCursor);
      int32_t bytes = std::min(Utf8CharOffset(mText, cursor), cursor);
      mText.Erase(cursor - bytes, bytes);
      mCursor -= static_cast<uint32_t>(bytes);
      Refresh();
    }
  } else if (first == 9) {
    if (!OnEditWide(kEditTab, 9)) {
      if (mTabGroup) {
        TTabGroup group = *mTabGroup;  // focus changes may reshape the group
        auto at = std::find(group.begin(), group.end(), this);
        size_t index = at == group.end() ? 0 : static_cast<size_t>(at - group.begin());
        for (size_t tries = 0; tries < group.size(); ++tries) {
          index = (index + 1) % group.size();
          if (group[index]->IsVisible()) {
            GetWindowManager()->SetFocus(group[index]);
            break;
          }
        }
      }
      return true;
    }
  } else if (first == 13) {
    // A field that does not take Enter itself leaves it to its dialog's default button.
    if (!OnEditWide(kEditEnter, 13)) return false;
  } else if (first < 32 || (first >= 128 && !mPassword && !mUtf8)) {
    return false;
  } else if (mIgnore.Find(text) < 0) {
    int32_t consumed = 0;
    uint32_t code = Utf8Decode(text.CStr(), &consumed);
    if (!OnEditWide(kEditInsert, code)) return true;
    int32_t cursor = static_cast<int32_t>(mCursor);
    mText = mText.SubString(0, cursor) + text + mText.SubString(cursor);
    mCursor += static_cast<uint32_t>(text.Length());
    Refresh();
  }
  if (changed) PostChanged();
  return true;
}

bool TTextEdit::OnKeyDown(int8_t key, int32_t modifiers) {
  JoinTabGroup();
  auto length = static_cast<uint32_t>(mText.Length());
  if (key == kKeyLeft) {
    if (mCursor == 0) {
      OnEdit(kEditRefused, static_cast<uint8_t>(key));
    } else if (OnEdit(kEditMove, static_cast<uint8_t>(key))) {
      mCursor -= static_cast<uint32_t>(Utf8CharOffset(mText, static_cast<int32_t>(mCursor)));
      Refresh();
    }
    return true;
  }
  if (key == kKeyRight) {
    if (mCursor >= length) {
      OnEdit(kEditRefused, static_cast<uint8_t>(key));
    } else if (OnEdit(kEditMove, static_cast<uint8_t>(key))) {
      mCursor = std::min(length, mCursor + static_cast<uint32_t>(Step(mText.CStr() + mCursor)));
      Refresh();
    }
    return true;
  }
  if (key == kKeyDelete) {
    if (mCursor >= length) {
      OnEdit(kEditRefused, static_cast<uint8_t>(key));
    } else {
      mText.Erase(static_cast<int32_t>(mCursor), 1);
      Refresh();
    }
    return true;
  }
  if (key > 90) return false;
  bool paste = (key == 'V' && (modifiers & kModifierCtrl)) || key == kKeyInsert;
  if (paste && OnEditWide(kEditPaste, 0)) {
    TPlatform* platform = TPlatform::GetInstance();
    TString clip = platform ? platform->GetClipboardText() : TString();
    if (clip.IsEmpty()) return true;
    if (!mUtf8 && !IsValidUTF8(clip)) return true;
    // At most "length" characters, never cutting a character in two.
    const char* p = clip.CStr();
    int32_t end = 0;
    for (int32_t n = 0; n < mLimit && end < clip.Length(); ++n) end += Step(p + end);
    clip = clip.SubString(0, std::min(end, clip.Length()));
    for (const char* c = mIgnore.CStr(); *c; c += Step(c)) clip.Replace(TString(c, Step(c)), TString(), kStringAll);
    TString kept;
    for (const char* c = clip.CStr(); *c; ++c)
      if (static_cast<uint8_t>(*c) >= 32) kept += *c;
    SetText(TString());
    if (!kept.IsEmpty()) {
      OnEditWide(kEditInsert, 32);
      SetText(kept);
    }
    return true;
  }
  return (modifiers & (kModifierCtrl | kModifierAlt | kModifierExtended)) == 0;
}
