// The window base: child-list order (hit first, drawn last), restacking, placement codes read from
// style tables, event bubbling through overlapped siblings and parents, focus on click, and the
// press-any-key messages of unhandled input.
#include <gtest/gtest.h>

#include "script/script.h"
#include "script/luawrapper.h"
#include "ui/windowstyle.h"
#include "uifixture.h"

namespace {

class WindowTest : public UiFixture {};

std::vector<std::string> Names(const TWindow& w) {
  std::vector<std::string> out;
  for (TWindow* c : w.GetChildren()) out.push_back(c->GetName().CStr());
  return out;
}

TEST_F(WindowTest, NewChildGoesOnTopIsHitFirstAndDrawnLast) {
  TScreen* screen = MakeScreen();
  auto* a = new Probe(&log_, "a", TRect(0, 0, 100, 100));
  auto* b = new Probe(&log_, "b", TRect(50, 50, 150, 150));
  ASSERT_TRUE(screen->AddChild(a, true));
  ASSERT_TRUE(screen->AddChild(b, true));
  EXPECT_EQ(Names(*screen), (std::vector<std::string>{"b", "a"}));
  EXPECT_EQ(screen->ChildAtPoint({60, 60}), b);
  EXPECT_EQ(screen->ChildAtPoint({10, 10}), a);
  EXPECT_EQ(screen->ChildAtPoint({500, 500}), screen);

  log_.clear();
  screen->DrawTree(0);
  EXPECT_EQ(log_, (std::vector<std::string>{"fill 0,0,800,600", "a:draw", "b:draw"}));

  b->Restack(0);
  EXPECT_EQ(screen->ChildAtPoint({60, 60}), a);
}

TEST_F(WindowTest, RestackModes) {
  struct Case {
    int32_t mode;
    const char* moved;
    const char* sibling;
    std::vector<std::string> order;
  } cases[] = {
      {0, "c", nullptr, {"b", "a", "c"}},  // to the back
      {1, "a", nullptr, {"a", "c", "b"}},  // to the front
      {2, "b", nullptr, {"b", "c", "a"}},  // one toward the front
      {2, "c", nullptr, {"c", "b", "a"}},  // already first: unchanged
      {3, "c", nullptr, {"b", "c", "a"}},  // one toward the back
      {3, "a", nullptr, {"c", "b", "a"}},  // already last: unchanged
      {9, "a", "c", {"a", "c", "b"}},      // in front of the sibling
      {9, "c", "zz", {"b", "a", "c"}},     // not a sibling: to the back
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.moved) + " mode " + std::to_string(c.mode));
    TWindow parent;
    for (const char* n : {"a", "b", "c"}) parent.AddChild(new Probe(&log_, n, TRect()), false);
    TWindow outsider;
    outsider.SetName("zz");
    TWindow* sibling = c.sibling ? (std::string(c.sibling) == "zz" ? &outsider : parent.FindChild(c.sibling, 1))
                                 : nullptr;
    parent.FindChild(c.moved, 1)->Restack(c.mode, sibling);
    EXPECT_EQ(Names(parent), c.order);
  }
}

TEST_F(WindowTest, AnInvisibleOrModalChildIsNotDrawnWithItsParent) {
  TScreen* screen = MakeScreen();
  auto* hidden = new Probe(&log_, "hidden", TRect(0, 0, 10, 10));
  hidden->Show(false);
  auto* inner = new Probe(&log_, "inner", TRect(0, 0, 5, 5));
  hidden->AddChild(inner, false);
  screen->AddChild(hidden, false);
  auto* dialog = new TModalWindow;
  manager_->PushModal(dialog);
  dialog->AddChild(new Probe(&log_, "dlg", TRect(0, 0, 10, 10)), false);
  log_.clear();
  screen->DrawTree(0);
  EXPECT_EQ(log_, std::vector<std::string>{});  // the screen is not the top: no fill either
  EXPECT_FALSE(IsEffectivelyVisible(inner));
}

TEST_F(WindowTest, FindWindowAtDepths) {
  TWindow root;
  root.SetSize(100, 100);
  auto* child = new Probe(&log_, "child", TRect(10, 10, 60, 60));
  auto* grandchild = new Probe(&log_, "grand", TRect(5, 5, 20, 20));
  child->AddChild(grandchild, false);
  root.AddChild(child, false);
  EXPECT_EQ(root.FindWindowAt({1, 1}, 0), nullptr);
  EXPECT_EQ(root.FindWindowAt({1, 1}, -1), &root);
  EXPECT_EQ(root.FindWindowAt({16, 16}, -1), grandchild);
  EXPECT_EQ(root.FindWindowAt({16, 16}, 3), grandchild);
  grandchild->Show(false);  // hidden windows are not hit
  EXPECT_EQ(root.FindWindowAt({16, 16}, -1), child);
  EXPECT_EQ(root.FindChild("grand", 1), nullptr);
  EXPECT_EQ(root.FindChild("grand", -1), grandchild);
}

TEST_F(WindowTest, FitToChildrenNeverShrinks) {
  TWindow w;
  w.SetSize(500, 50);
  w.AddChild(new Probe(&log_, "c", TRect(0, 0, 300, 200)), false);
  w.FitToChildren();
  EXPECT_EQ(w.GetWidth(), 500);
  EXPECT_EQ(w.GetHeight(), 200);
}

TEST_F(WindowTest, SetFlagsKeepsLowByteAndDropsHighBits) {
  TModalWindow m;  // low bits 0x1 | 0x2
  m.SetFlags(0xFFFF0000u | kWindowCovers);
  EXPECT_EQ(m.GetFlags(), 0x3u | kWindowCovers);
}

TEST_F(WindowTest, IdStringIsEightCharactersHex) {
  TWindow w;
  TString id = w.GetIdString();
  EXPECT_EQ(id.Length(), 8);
  EXPECT_EQ(id, TString::Format("%8x", static_cast<unsigned>(w.GetId())));
}

// ---- placement codes ----

TEST(Placement, ResolveAxisTable) {
  TWindow parent;
  parent.SetSize(800, 600);
  struct Case {
    const char* what;
    int32_t p, s;
    int32_t align;  // -1: no "align"
    int32_t wantP, wantS;
  } cases[] = {
      {"plain offset", 30, 100, -1, 30, 100},
      {"kCenter centres", 80000, 100, -1, 350, 100},
      {"kCenter with offset", 80010, 100, -1, 360, 100},
      {"far edge", 160000, 100, -1, 800, 100},
      {"far edge minus 100", 159900, 100, -1, 700, 100},
      {"negative from far edge", -100, 100, -1, 700, 100},
      {"negative stays with align", -100, 100, 0, -100, 100},
      {"centre align bit", 400, 100, kHAlignCenter, 350, 100},
      {"right align bit", 400, 100, kHAlignRight, 300, 100},
      {"relative size: full width minus 20", 10, 160000 - 20, -1, 10, 770},
      {"relative size centred", 80000, 160000, -1, 0, 800},
      {"negative size: right-aligned", 500, -100, -1, 400, 100},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    int32_t p = c.p, s = c.s;
    int32_t bits = c.align == -1 ? 0 : c.align;
    TWindow::ResolveAxis(p, s, bits & kHAlignCenter, bits & kHAlignRight, c.align != -1, &parent, true);
    EXPECT_EQ(p, c.wantP);
    EXPECT_EQ(s, c.wantS);
  }
}

class PlacementStyleTest : public UiFixture {
 protected:
  // Builds a window under an 800 x 600 parent from the Lua table text.
  TWindow* Place(const char* table, TRect start = TRect()) {
    auto* w = new TWindow;
    w->MoveTo(start.left, start.top);
    w->SetSize(start.right - start.left, start.bottom - start.top);
    parent_.AddChild(w, false);
    TString text = TString("return ") + table;
    lua_State* L = script_.GetState();
    EXPECT_EQ(script_.DoLuaString(text, -1, 1), 0);
    TLuaTable t(L);
    TWindowStyle style(&t);
    w->Init(style);
    return w;
  }
  void SetUp() override {
    UiFixture::SetUp();
    parent_.SetSize(800, 600);
  }
  void TearDown() override {
    parent_.DeleteChildren();
    manager_->DeleteClosedWindows();
    UiFixture::TearDown();
  }
  TScript script_;
  TWindow parent_;
};

TEST_F(PlacementStyleTest, StyleTablesPlaceWindows) {
  struct Case {
    const char* table;
    TRect start;
    TRect want;
  } cases[] = {
      {"{x=80000, w=100, y=80000, h=50}", TRect(), TRect(350, 275, 450, 325)},
      {"{x=160000, w=100, h=10}", TRect(), TRect(800, 0, 900, 10)},
      {"{x=-100, w=100, h=10}", TRect(), TRect(700, 0, 800, 10)},
      {"{x=10, y=5}", TRect(30, 0, 60, 20), TRect(30, 5, 60, 25)},  // a set left stays
      {"{x=400, y=300, w=100, h=40, align=kHAlignCenter+kVAlignBottom}", TRect(), TRect(350, 260, 450, 300)},
      {"{x=80000, y=10}", TRect(), TRect(0, 0, 0, 0)},  // coded without a size: left for PostCreate
  };
  script_.DoLuaString("kHAlignCenter=1; kVAlignBottom=8", -1, 0);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.table);
    TWindow* w = Place(c.table, c.start);
    EXPECT_EQ(w->GetRect().left, c.want.left);
    EXPECT_EQ(w->GetRect().top, c.want.top);
    EXPECT_EQ(w->GetRect().right, c.want.right);
    EXPECT_EQ(w->GetRect().bottom, c.want.bottom);
  }
}

// ---- events ----

TEST_F(WindowTest, UnhandledClickFallsThroughToOverlappedSiblingThenParent) {
  TScreen* screen = MakeScreen();
  auto* panel = new Probe(&log_, "panel", TRect(100, 100, 400, 400));
  auto* back = new Probe(&log_, "back", TRect(0, 0, 200, 200), true);
  auto* front = new Probe(&log_, "front", TRect(50, 50, 150, 150));
  panel->AddChild(back, false);
  panel->AddChild(front, false);
  screen->AddChild(panel, false);
  log_.clear();
  manager_->HandleEvent(Event(kEventMouseDown, 160, 160));
  EXPECT_EQ(log_, (std::vector<std::string>{"front:down 10,10", "back:down 60,60"}));

  back->mHandles = false;
  log_.clear();
  manager_->HandleEvent(Event(kEventMouseDown, 160, 160));
  EXPECT_EQ(log_, (std::vector<std::string>{"front:down 10,10", "back:down 60,60", "panel:down 60,60"}));
}

TEST_F(WindowTest, ClickGivesFocusToNearestFocusableAncestor) {
  TScreen* screen = MakeScreen();
  auto* dialog = new TModalWindow;
  manager_->PushModal(dialog);
  auto* field = new Probe(&log_, "field", TRect(0, 0, 50, 50));
  auto* button = new Probe(&log_, "button", TRect(100, 0, 150, 50));
  dialog->AddChild(field, false);
  dialog->AddChild(button, false);
  dialog->SetFocusChild(field);
  manager_->SetFocus(screen);
  log_.clear();
  manager_->HandleEvent(Event(kEventMouseDown, 110, 10));
  // The modal window is focusable, the button is not: the modal passes focus to its focus child.
  EXPECT_EQ(manager_->GetFocus(), field);
  EXPECT_EQ(log_, (std::vector<std::string>{"button:down 10,10", "field:focus"}));
}

TEST_F(WindowTest, UnhandledKeyPostsPressAnyKeyUnlessOverlayMouse) {
  struct Taker : TMessageListener {
    explicit Taker(std::vector<std::string>* log) : mLog(log) {}
    bool OnMessage(TMessage& m) override {
      mLog->push_back(std::to_string(m.GetType()) + " " + m.GetName().CStr());
      return true;
    }
    std::vector<std::string>* mLog;
  };
  MakeScreen();
  std::vector<std::string> heard;
  manager_->AddListener(new Taker(&heard));
  manager_->HandleEvent(Event(kEventKeyDown, 0, 0, 'q'));
  manager_->HandleEvent(Event(kEventMouseUp, 5, 5));
  EXPECT_EQ(heard, (std::vector<std::string>{"4 raw:q", "4 mouse:up"}));

  SetConfig("overlaymouse", "1");
  heard.clear();
  manager_->HandleEvent(Event(kEventKeyDown, 0, 0, 'q'));
  EXPECT_TRUE(heard.empty());
  manager_->HandleEvent(Event(kEventMouseUp, 5, 5));  // posted by the manager's mouse routing instead
  EXPECT_EQ(heard, (std::vector<std::string>{"4 mouse:up"}));
}

TEST_F(WindowTest, NegativeKeyCodesArriveAsSignedBytes) {
  MakeScreen();
  auto* w = new Probe(&log_, "w", TRect(0, 0, 10, 10), true);
  manager_->GetTopModal()->AddChild(w, false);
  manager_->SetFocus(w);
  log_.clear();
  manager_->HandleEvent(Event(kEventKeyDown, 0, 0, -126 & 0xFF));
  EXPECT_EQ(log_, std::vector<std::string>{"w:key -126"});
}

TEST_F(WindowTest, DestroyedWindowLeavesNoDanglingManagerReferences) {
  TScreen* screen = MakeScreen();
  auto* w = new Probe(&log_, "w", TRect(0, 0, 10, 10));
  screen->AddChild(w, false);
  manager_->SetFocus(w);
  manager_->TrackMouse(w);
  screen->SetFocusChild(w);
  manager_->PostMessage(new TMessage(kGeneric, "late", w));
  screen->RemoveChild(w);
  manager_->DeferDelete(w);
  EXPECT_EQ(manager_->GetTrackingList().size(), 0u);
  manager_->DeleteClosedWindows();
  EXPECT_EQ(manager_->GetFocus(), nullptr);
  EXPECT_EQ(screen->GetFocusChild(), nullptr);
  // The queued message lost its target: it is delivered as untargeted, to the top modal window.
  manager_->FlushMessages();
}

}  // namespace
