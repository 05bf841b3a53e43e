// Text-edit fields: typing and refusals, the length limit in bytes and in characters, Backspace,
// Delete and the cursor keys over multi-byte characters, the blinking cursor on the frozen clock,
// password stars, ignored characters, paste from the clipboard and Tab between the fields of a
// screen. Truncated UTF-8 at the end of a text must never be stepped over.
#include <gtest/gtest.h>

#include <string>

#include "os/clipboard.h"
#include "platform/platformevent.h"
#include "ui/textedit.h"
#include "uifixture.h"

namespace {

const float kWhite[4] = {1, 1, 1, 1};

// Records every edit question and can refuse Enter/Tab like the base or agree with them.
class RecordingEdit : public TTextEdit {
 public:
  bool OnEdit(int32_t kind, uint8_t byte) override {
    edits.push_back(std::to_string(kind) + ":" + std::to_string(byte));
    return TTextEdit::OnEdit(kind, byte);
  }
  std::vector<std::string> edits;
};

class TextEditTest : public UiFixture {
 protected:
  void SetUp() override {
    UiFixture::SetUp();
    screen_ = MakeScreen();
    os::TestResetClipboard();
  }
  void TearDown() override {
    os::TestResetClipboard();
    UiFixture::TearDown();
  }
  template <class T = TTextEdit>
  T* Add(const char* name, const char* text = "", int limit = 10) {
    auto* edit = new T;
    edit->SetName(name);
    screen_->AddChild(edit, true);
    EXPECT_TRUE(edit->Setup(text, 300, 40, 0, "__DEFAULT", 16, kWhite));
    edit->SetLimit(limit);
    return edit;
  }
  void Type(TTextEdit* edit, const std::string& text) {
    for (char c : text) edit->OnChar(static_cast<int8_t>(c));
  }
  std::string Text(TTextEdit* edit) { return edit->GetText().CStr(); }
  std::string Shown(TTextEdit* edit) { return edit->GetShownText().CStr(); }
  // Drops the queued messages and answers how many there were.
  size_t TakeMessages() {
    size_t n = manager_->GetQueuedMessageCount();
    manager_->FlushMessages();
    return n;
  }

  TScreen* screen_ = nullptr;
};

TEST_F(TextEditTest, TypingInsertsAtTheCursorAndPostsAChangePerKey) {
  TTextEdit* edit = Add("name");
  Type(edit, "abc");
  EXPECT_EQ(Text(edit), "abc");
  EXPECT_EQ(edit->GetCursor(), 3u);
  EXPECT_EQ(TakeMessages(), 3u);
  edit->OnKeyDown(kKeyLeft, 0);
  edit->OnKeyDown(kKeyLeft, 0);
  Type(edit, "X");
  EXPECT_EQ(Text(edit), "aXbc");
  EXPECT_EQ(edit->GetCursor(), 2u);
  // Control bytes other than Backspace, Tab and Enter are dropped without a message; a high byte is
  // refused outside UTF-8 and password mode.
  EXPECT_FALSE(edit->OnChar(1));
  EXPECT_FALSE(edit->OnText("\xC3\xA9"));
  EXPECT_EQ(Text(edit), "aXbc");
  EXPECT_EQ(TakeMessages(), 1u);
}

TEST_F(TextEditTest, LimitCountsBytesOutsideUtf8AndCharactersInIt) {
  RecordingEdit* bytes = Add<RecordingEdit>("bytes");
  Type(bytes, "abcdefghijkl");
  EXPECT_EQ(Text(bytes), "abcdefghi");
  EXPECT_EQ(bytes->edits.back(), "5:" + std::to_string('l'));

  TTextEdit* chars = Add("chars");
  chars->SetUtf8(true);
  for (int i = 0; i < 12; ++i) chars->OnText("\xC3\xA9");
  EXPECT_EQ(TTextEdit::Utf8CharCount(chars->GetText()), 10);
  EXPECT_EQ(chars->GetText().Length(), 20);
}

TEST_F(TextEditTest, BackspaceRemovesWholeCharactersDeleteOneByte) {
  TTextEdit* edit = Add("e");
  edit->SetUtf8(true);
  edit->SetText("a\xC3\xA9");
  edit->OnChar(8);
  EXPECT_EQ(Text(edit), "a");
  EXPECT_EQ(edit->GetCursor(), 1u);

  edit->SetText("\xC3\xA9z");
  edit->OnKeyDown(kKeyLeft, 0);  // before z
  EXPECT_EQ(edit->GetCursor(), 2u);
  edit->OnKeyDown(kKeyLeft, 0);  // before é: one whole character back
  EXPECT_EQ(edit->GetCursor(), 0u);
  edit->OnKeyDown(kKeyRight, 0);
  EXPECT_EQ(edit->GetCursor(), 2u);
  edit->OnKeyDown(kKeyLeft, 0);
  edit->OnKeyDown(kKeyDelete, 0);
  EXPECT_EQ(Text(edit), "\xA9z");
}

TEST_F(TextEditTest, MovesAtTheEndsAreRefused) {
  RecordingEdit* edit = Add<RecordingEdit>("e", "ab");
  edit->edits.clear();
  EXPECT_TRUE(edit->OnKeyDown(kKeyRight, 0));
  EXPECT_TRUE(edit->OnKeyDown(kKeyDelete, 0));
  EXPECT_EQ(edit->edits, (std::vector<std::string>{"5:131", "5:255"}));
  edit->OnKeyDown(kKeyLeft, 0);
  edit->OnKeyDown(kKeyLeft, 0);
  edit->edits.clear();
  EXPECT_TRUE(edit->OnKeyDown(kKeyLeft, 0));
  EXPECT_EQ(edit->edits, (std::vector<std::string>{"5:130"}));
  EXPECT_EQ(Text(edit), "ab");
  // A letter key with Ctrl is not the field's; without modifiers it is swallowed; above 'Z' never.
  EXPECT_FALSE(edit->OnKeyDown('A', kModifierCtrl));
  EXPECT_TRUE(edit->OnKeyDown('A', 0));
  EXPECT_FALSE(edit->OnKeyDown('a', 0));
}

// Texts that end in a truncated sequence: walking them must stay inside the text.
TEST_F(TextEditTest, TruncatedSequencesNeverStepPastTheText) {
  struct Case {
    const char* text;
    int count;
  };
  for (Case c : {Case{"\xE2", 1}, Case{"a\xF0", 2}, Case{"\xF0\x9F", 1}, Case{"ab\xE2\x82", 3},
                 Case{"\xC3\xA9\xE2", 2}}) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(TTextEdit::Utf8CharCount(c.text), c.count);
    TTextEdit* edit = Add("t");
    edit->SetUtf8(true);
    edit->SetText(c.text);
    int length = edit->GetText().Length();
    for (int i = 0; i < length + 2; ++i) edit->OnKeyDown(kKeyLeft, 0);
    EXPECT_EQ(edit->GetCursor(), 0u);
    for (int i = 0; i < length + 2; ++i) edit->OnKeyDown(kKeyRight, 0);
    EXPECT_EQ(edit->GetCursor(), static_cast<uint32_t>(length));
    for (int i = 0; i < length + 2; ++i) edit->OnChar(8);
    EXPECT_EQ(Text(edit), "");
    screen_->RemoveChild(edit);
    delete edit;
  }
}

TEST_F(TextEditTest, CursorBlinksOnTheClockOnlyInTheFocusedField) {
  TTextEdit* edit = Add("e", "abc");
  EXPECT_EQ(Shown(edit), "abc");
  manager_->SetFocus(edit);
  edit->Animate();
  EXPECT_EQ(Shown(edit), "abc");  // 0 ms into the period: hidden
  os::TestAdvanceTime(401);
  edit->Animate();
  EXPECT_EQ(Shown(edit), "abc<cursor>");
  edit->OnKeyDown(kKeyLeft, 0);
  EXPECT_EQ(Shown(edit), "ab<cursor>c");
  os::TestAdvanceTime(399);  // 800: hidden again
  edit->Animate();
  EXPECT_EQ(Shown(edit), "abc");
  EXPECT_EQ(Text(edit), "abc");
}

TEST_F(TextEditTest, PasswordShowsOneStarPerByteWithTheCursorInside) {
  TTextEdit* edit = Add("p", "abc");
  edit->SetPassword(true);
  EXPECT_EQ(Shown(edit), "***");
  EXPECT_EQ(Text(edit), "abc");
  manager_->SetFocus(edit);
  os::TestAdvanceTime(500);
  edit->OnKeyDown(kKeyLeft, 0);
  edit->OnKeyDown(kKeyLeft, 0);
  EXPECT_EQ(Shown(edit), "*<cursor>**");
  // A password takes high bytes even outside UTF-8 mode.
  edit->OnText("\xC3\xA9");
  EXPECT_EQ(Text(edit), "a\xC3\xA9" "bc");
}

TEST_F(TextEditTest, IgnoredCharactersInsertNothingButStillPostAChange) {
  TTextEdit* edit = Add("e");
  edit->SetIgnore(" -");
  Type(edit, "a b-c");
  EXPECT_EQ(Text(edit), "abc");
  EXPECT_EQ(TakeMessages(), 5u);
}

TEST_F(TextEditTest, EnterAndRefusedInsertsSendNoChange) {
  TTextEdit* edit = Add("e", "", 2);
  Type(edit, "a");
  EXPECT_EQ(TakeMessages(), 1u);
  Type(edit, "b\r");
  EXPECT_EQ(Text(edit), "a");
  EXPECT_EQ(TakeMessages(), 0u);
  // Enter the field does not take goes on to its dialog (whose default button may take it); a field
  // that takes it keeps it and tells of the change.
  EXPECT_FALSE(edit->OnChar(13));
  struct EnterTaker : TTextEdit {
    bool OnEditWide(int32_t kind, uint32_t code) override {
      return kind == kEditEnter || TTextEdit::OnEditWide(kind, code);
    }
  };
  EnterTaker* taker = Add<EnterTaker>("taker");
  EXPECT_TRUE(taker->OnChar(13));
  EXPECT_EQ(TakeMessages(), 1u);
  edit->SetText("");
  edit->OnChar(8);  // Backspace at 0: refused
  EXPECT_EQ(TakeMessages(), 0u);
}

TEST_F(TextEditTest, PasteReplacesTheTextCleanedAndCut) {
  struct Case {
    const char* clip;
    bool utf8;
    const char* before;
    const char* after;
  };
  const Case cases[] = {
      {"ab\tcd", false, "x", "abcd"},                  // control bytes go
      {"0123456789ABCDEF", false, "", "0123456789"},   // at most "length" characters
      {"a-b-c", false, "", "abc"},                     // ignored characters go
      {"caf\xC3\xA9", false, "keep", "keep"},           // multi-byte text refused outside UTF-8
      {"caf\xC3\xA9", true, "", "caf\xC3\xA9"},
      {"\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9", true, "",
       "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9"},
      {"", false, "keep", "keep"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.clip);
    TTextEdit* edit = Add("e", c.before);
    edit->SetUtf8(c.utf8);
    edit->SetIgnore("-");
    ASSERT_TRUE(platform_->StringToClipboard(c.clip) || !*c.clip);
    if (!*c.clip) os::TestResetClipboard();
    EXPECT_TRUE(edit->OnKeyDown('V', kModifierCtrl));
    EXPECT_EQ(Text(edit), c.after);
    EXPECT_EQ(edit->GetCursor(), static_cast<uint32_t>(edit->GetText().Length()));
    screen_->RemoveChild(edit);
    delete edit;
  }
  TTextEdit* edit = Add("i");
  ASSERT_TRUE(platform_->StringToClipboard("ins"));
  EXPECT_TRUE(edit->OnKeyDown(kKeyInsert, kModifierShift));
  EXPECT_EQ(Text(edit), "ins");
}

TEST_F(TextEditTest, TabMovesTheFocusAlongTheGroupSkippingHiddenFields) {
  TTextEdit* a = Add("a");
  TTextEdit* b = Add("b");
  TTextEdit* c = Add("c");
  ASSERT_TRUE(a->GetTabGroup());
  EXPECT_EQ(a->GetTabGroup(), c->GetTabGroup());
  EXPECT_EQ(*a->GetTabGroup(), (TTextEdit::TTabGroup{a, b, c}));
  manager_->SetFocus(a);
  a->OnChar(9);
  EXPECT_EQ(manager_->GetFocus(), b);
  c->Show(false);
  b->OnChar(9);
  EXPECT_EQ(manager_->GetFocus(), a);
  EXPECT_EQ(TakeMessages(), 0u);
  // A destroyed field leaves the group.
  screen_->RemoveChild(b);
  delete b;
  EXPECT_EQ(*a->GetTabGroup(), (TTextEdit::TTabGroup{a, c}));
}

}  // namespace
