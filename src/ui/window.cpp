// The window base: tree bookkeeping, placement codes, drawing order, event bubbling and message
// routing, the spiders and the per-window animation task.
#include "ui/window.h"

#include <algorithm>
#include <iterator>

#include "core/config.h"
#include "ui/luamessage.h"
#include "ui/windowscript.h"
#include "ui/message.h"
#include "ui/modalwindow.h"
#include "ui/windowdraw.h"
#include "ui/windowmanager.h"
#include "ui/windowstyle.h"

namespace {
int32_t gNextWindowId = 0;
}  // namespace

bool& SwallowNextCharacter() {
  static bool swallow = false;
  return swallow;
}

// ---- TWindowAnim ----

TWindowAnim::~TWindowAnim() {
  if (mOwner) mOwner->ForgetAnim();
}

bool TWindowAnim::Animate() { return mOwner ? mOwner->Animate() : false; }

// ---- construction ----

TWindow::TWindow() : mId(gNextWindowId++) {}

TWindow::~TWindow() {
  DetachAnim();
  TWindowManager* manager = GetWindowManager();
  manager->Invalidate();
  if (TModalWindow* modal = GetModalParent()) modal->UpdateCoverSet(this, false);
  // A window deleted outright must not stay in its parent's child list.
  if (mParent) {
    auto& siblings = mParent->mChildren;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    mParent = nullptr;
  }
  // Deepest first: each child's destructor destroys its own children before it ends.
  while (!mChildren.empty()) {
    TWindow* child = mChildren.front();
    mChildren.pop_front();
    child->mParent = nullptr;
    delete child;
  }
  manager->OnWindowDestroyed(this);
}

TString TWindow::GetIdString() const { return TString::Format("%8x", static_cast<unsigned>(mId)); }

TWindow* TWindow::SetParent(TWindow* parent) {
  TWindow* old = mParent;
  mParent = parent;
  return old;
}

TModalWindow* TWindow::GetModalParent() const {
  for (TWindow* w = mParent; w; w = w->mParent)
    if ((w->mFlags & kWindowModal) && w->IsKindOf(TModalWindow::ClassId())) return static_cast<TModalWindow*>(w);
  return nullptr;
}

bool IsEffectivelyVisible(const TWindow* window) {
  for (const TWindow* w = window; w; w = w->GetParent()) {
    if (w->GetFlags() & kWindowModal) return w->IsVisible();
    if (!w->IsVisible() || !w->GetParent()) return false;
  }
  return false;
}

// ---- geometry ----

TRect TWindow::GetScreenRect() const {
  TRect r = mRect;
  for (const TWindow* w = mParent; w; w = w->mParent) {
    r.left += w->mRect.left;
    r.top += w->mRect.top;
    r.right += w->mRect.left;
    r.bottom += w->mRect.top;
  }
  return r;
}

TPoint TWindow::ClientToScreen(TPoint p) const {
  TRect r = GetScreenRect();
  return {p.x + r.left, p.y + r.top};
}

TPoint TWindow::ScreenToClient(TPoint p) const {
  TRect r = GetScreenRect();
  return {p.x - r.left, p.y - r.top};
}

void TWindow::MoveTo(int32_t x, int32_t y) {
  int32_t w = GetWidth(), h = GetHeight();
  mRect = TRect(x, y, x + w, y + h);
  GetWindowManager()->Invalidate();
}

void TWindow::RefreshCoverSet(bool againstScreen) {
  TModalWindow* modal = GetModalParent();
  if (!modal) return;
  bool covers = false;
  if (mFlags & kWindowCovers) {
    TModalWindow* screen = GetWindowManager()->GetScreen();
    const TWindow* reference = againstScreen && screen ? static_cast<const TWindow*>(screen) : modal;
    covers = GetWidth() == reference->GetWidth() && GetHeight() == reference->GetHeight();
  }
  modal->UpdateCoverSet(this, covers);
}

void TWindow::SetSize(int32_t width, int32_t height) {
  mRect.right = mRect.left + width;
  mRect.bottom = mRect.top + height;
  GetWindowManager()->Invalidate();
  RefreshCoverSet(true);
}

void TWindow::SetFlags(uint32_t value) {
  uint32_t old = mFlags;
  mFlags = (old & 0xFFu) | (value & 0xFF00u);
  if ((old ^ mFlags) & kWindowVisible) GetWindowManager()->Invalidate();
  RefreshCoverSet(false);
}

// ---- tree ----

bool TWindow::AddChild(TWindow* child, bool activate) {
  if (!child) return false;
  bool present = false;
  for (TWindow* c : mChildren) present = present || c == child;
  if (!present) {
    mChildren.push_front(child);
    child->mParent = this;
  }
  if (activate && !child->OnActivate()) {
    child->mParent = nullptr;
    mChildren.remove(child);
    child->SetSize(child->GetWidth(), child->GetHeight());
    return false;
  }
  return true;
}

void TWindow::RemoveChild(TWindow* child) {
  if (!child) return;
  auto it = std::find(mChildren.begin(), mChildren.end(), child);
  if (it != mChildren.end()) {
    mChildren.erase(it);
    GetWindowManager()->Invalidate();
  }
  if (TModalWindow* modal = child->GetModalParent()) modal->UpdateCoverSet(child, false);
  child->mParent = nullptr;
}

TWindow* TWindow::FindChild(const TString& name, int32_t depth) {
  if (mName == name) return this;
  if (depth == 0) return nullptr;
  for (TWindow* c : mChildren)
    if (TWindow* found = c->FindChild(name, depth - 1)) return found;
  return nullptr;
}

namespace {
// Visible and attached up to the nearest modal window (or the root).
bool VisibleUpToModal(const TWindow* w) {
  for (; w; w = w->GetParent()) {
    if (!w->IsVisible()) return false;
    if (w->GetFlags() & kWindowModal) return true;
  }
  return true;
}
}  // namespace

TWindow* TWindow::ChildAtPoint(TPoint point, std::list<TWindow*>::const_iterator start) {
  for (auto it = start; it != mChildren.cend(); ++it) {
    TWindow* c = *it;
    if (c->mRect.Contains(point.x, point.y) && VisibleUpToModal(c)) return c;
  }
  return this;
}

TWindow* TWindow::FindWindowAt(TPoint point, int32_t depth) {
  if (depth == 0) return nullptr;
  TWindow* c = ChildAtPoint(point);
  if (c == this) return this;
  return c->FindWindowAt(c->ParentToClient(point), depth - 1);
}

void TWindow::VisitChildren(TWindowSpider& spider, bool reverse) {
  if (!reverse) {
    for (auto it = mChildren.begin(); it != mChildren.end();) {
      TWindow* w = *it++;
      if (!spider.Visit(w)) return;
    }
  } else {
    for (auto it = mChildren.rbegin(); it != mChildren.rend();) {
      TWindow* w = *it++;
      if (!spider.Visit(w)) return;
    }
  }
}

void TWindow::FitToChildren() {
  GetLargest largest(GetWidth(), GetHeight());
  VisitChildren(largest);
  SetSize(largest.mRight, largest.mBottom);
}

void TWindow::DeleteChildren() {
  ChildrenDelete spider(this, GetWindowManager());
  VisitChildren(spider);
}

void TWindow::Restack(int32_t mode, TWindow* sibling) {
  if (!mParent) return;
  std::list<TWindow*>& list = mParent->mChildren;
  auto it = std::find(list.begin(), list.end(), this);
  if (it == list.end()) return;
  switch (mode) {
    case 0:
      list.splice(list.end(), list, it);
      break;
    case 1:
      list.splice(list.begin(), list, it);
      break;
    case 2:
      if (it != list.begin()) list.splice(std::prev(it), list, it);
      break;
    case 3:
      if (std::next(it) != list.end()) list.splice(std::next(it, 2), list, it);
      break;
    default: {
      auto at = sibling && sibling != this && sibling->mParent == mParent
                    ? std::find(list.begin(), list.end(), sibling)
                    : list.end();
      list.splice(at, list, it);
      break;
    }
  }
  GetWindowManager()->Invalidate();
}

// ---- animation ----

TWindowAnim* TWindow::GetAnim() {
  if (mAnim) return mAnim;
  TModalWindow* modal = (mFlags & kWindowModal) && IsKindOf(TModalWindow::ClassId())
                            ? static_cast<TModalWindow*>(this)
                            : GetModalParent();
  if (!modal) return nullptr;  // only attached windows animate
  auto anim = std::make_unique<TWindowAnim>(this, &modal->GetClock());
  mAnim = anim.get();
  modal->AddTask(std::move(anim));
  return mAnim;
}

void TWindow::DetachAnim() {
  if (!mAnim) return;
  mAnim->ForgetOwner();
  mAnim = nullptr;
}

void TWindow::StartAnim(uint32_t delay, bool fromLastSchedule, bool repeat, bool catchUp) {
  if (TWindowAnim* anim = GetAnim()) anim->SetTimer(delay, repeat, !fromLastSchedule, catchUp);
}

// ---- placement ----

namespace {
bool IsCodedPosition(int32_t p) { return p > kPlaceCodeLow || p < 0; }
bool IsCodedSize(int32_t s) { return s < 0 || s > kCenter; }

// One position code against the parent's extent e and the window's own extent s.
int32_t ResolvePosition(int32_t p, int32_t s, int32_t e, bool alignGiven) {
  if (p >= 0 && p <= kPlaceCodeLow) return p;
  if (p > kPlaceCodeLow && p < kPlaceFarStart) return e / 2 + (p - kCenter) - s / 2;
  if (p >= kPlaceFarStart) return p - kPlaceFar + e;
  return alignGiven ? p : e + p;
}
}  // namespace

void TWindow::ResolveAxis(int32_t& p, int32_t& s, bool centreBit, bool farBit, bool alignGiven,
                          const TWindow* parent, bool horizontal) {
  if (p < kPlaceCodeLow || p >= kPlaceFarStart) {
    if (centreBit) {
      if (s == 0) return;
      p -= s / 2;
    } else if (farBit) {
      if (s == 0) return;
      p -= s;
    }
  }
  if (!parent) return;
  const int32_t e = horizontal ? parent->GetWidth() : parent->GetHeight();
  if (s >= 0 && s <= kCenter) {
    p = ResolvePosition(p, s, e, alignGiven);
    return;
  }
  if (s < 0) {
    s = -s;
    if (s <= kCenter) {
      p = ResolvePosition(p, s, e, alignGiven);
      p -= s;
      return;
    }
    if (p <= kPlaceCodeLow) {
      p = ResolvePosition(p, s, e, alignGiven);
      s = p;
      p = kPlaceFar - p;
      return;
    }
  } else if (p <= kPlaceCodeLow) {
    p = ResolvePosition(p, s, e, alignGiven);
    s = s + e - p - kPlaceFar;
    return;
  }
  p = p < kPlaceFarStart ? p - kCenter : p + e - kPlaceFar;
  if (p < 0) {
    s = s + e + 2 * p - kPlaceFar;
    p = 0;
  } else {
    s = s + e - 2 * p - kPlaceFar;
    p = 2 * p;
  }
}

void TWindow::ApplyPlacement(TWindowStyle& style) {
  int32_t x = static_cast<int32_t>(style.GetFloatByName("x", 0));
  int32_t y = static_cast<int32_t>(style.GetFloatByName("y", 0));
  int32_t w = static_cast<int32_t>(style.GetFloatByName("w", GetWidth()));
  int32_t h = static_cast<int32_t>(style.GetFloatByName("h", GetHeight()));
  if (mParent) {
    if ((IsCodedSize(w) || IsCodedPosition(x)) && mParent->GetWidth() == 0) return;
    if ((IsCodedSize(h) || IsCodedPosition(y)) && mParent->GetHeight() == 0) return;
  }
  if ((IsCodedPosition(x) && w == 0) || (IsCodedPosition(y) && h == 0)) return;  // PostCreate places it
  int32_t align = static_cast<int32_t>(style.GetFloatByName("align", -1));
  bool alignGiven = align != -1;
  int32_t bits = alignGiven ? align : 0;
  ResolveAxis(x, w, bits & kHAlignCenter, bits & kHAlignRight, alignGiven, mParent, true);
  ResolveAxis(y, h, bits & kVAlignCenter, bits & kVAlignBottom, alignGiven, mParent, false);
  MoveTo(mRect.left != 0 ? mRect.left : x, mRect.top != 0 ? mRect.top : y);
  SetSize(GetWidth() != 0 ? GetWidth() : w, GetHeight() != 0 ? GetHeight() : h);
}

void TWindow::Init(TWindowStyle& style) {
  mName = style.GetString("name", TString());
  ApplyPlacement(style);
}

void TWindow::PostCreate(TWindowStyle& style) {
  if (style.GetBool("fit", false)) FitToChildren();
  ApplyPlacement(style);
}

// ---- drawing ----

bool TWindow::DrawTree(int32_t kind) {
  if (!IsVisible()) return false;
  if (kind == 1) {
    if (!(mFlags & kWindowRedrawWithParent) || !mParent || !(mParent->mFlags & kWindowDrawn)) return false;
    mFlags |= kWindowDrawn;
  } else if (kind == 2 && (mFlags & kWindowDrawn)) {
    return false;
  }
  TRect screen = GetScreenRect();
  TRect clip;
  clip.Intersect(screen, windowdraw::GetClipRect());
  if (clip.right <= clip.left || clip.bottom <= clip.top) return true;
  bool viewport = screen.right != 0;
  if (viewport) windowdraw::PushViewport(screen);
  windowdraw::PushClipRect(clip);
  Draw();
  // Back to front, so the front child ends on top; modal children are the manager's to draw.
  for (auto it = mChildren.rbegin(); it != mChildren.rend();) {
    TWindow* c = *it++;
    if (!(c->mFlags & kWindowModal)) c->DrawTree(kind);
  }
  PostDraw();
  if (viewport) windowdraw::PopViewport();
  windowdraw::PopClipRect();
  return true;
}

// ---- events ----

bool TWindow::OnMouseHover(TPoint point) { return GetWindowManager()->OnHover(this, point); }

namespace {
bool IsMouseEvent(int32_t type) {
  return (type >= kEventMouseDown && type <= kEventMouseMove) || type == kEventMouseHover;
}
}  // namespace

bool TWindow::DispatchEvent(const TPlatformEvent& event, bool focusAlreadySet) {
  TPoint point{event.x, event.y};
  bool handled = false;
  const int8_t low = static_cast<int8_t>(event.data & 0xFF);
  if ((event.type == kEventChar || event.type == kEventWideChar) && SwallowNextCharacter()) {
    SwallowNextCharacter() = false;
    return true;
  }
  switch (event.type) {
    case kEventMouseDown: handled = OnMouseDown(point); break;
    case kEventMouseButton: handled = OnMouseButton(point, event.data); break;
    case kEventMouseUp: handled = OnMouseUp(point); break;
    case kEventMouseMove: handled = OnMouseMove(point); break;
    case kEventMouseHover: handled = OnMouseHover(point); break;
    case kEventKeyDown: handled = OnKeyDown(low, event.modifiers); break;
    case kEventKeyUp: handled = OnKeyUp(low); break;
    case kEventChar: handled = OnChar(low); break;
    case kEventWideChar: {
      TString text = TString::FromCodePoint(static_cast<uint32_t>(event.data));
      handled = OnText(text);
      if (!handled && text.Length() == 1) handled = OnChar(low);
      break;
    }
    default: break;
  }
  if (event.type == kEventMouseDown && !focusAlreadySet) {
    for (TWindow* w = this; w; w = w->mParent) {
      if (w->mFlags & kWindowFocusable) {
        GetWindowManager()->SetFocus(w);
        break;
      }
    }
    focusAlreadySet = true;
  }
  if (handled) return true;
  if (mFlags & kWindowModal) {
    if (!GetSettingFlag("overlaymouse")) {
      if (event.type == kEventMouseUp) {
        GetWindowManager()->PostMessage(new TMessage(kPressAnyKey, "mouse:up"));
      } else if (event.type == kEventKeyDown) {
        TString name("raw:");
        name += static_cast<char>(low);
        GetWindowManager()->PostMessage(new TMessage(kPressAnyKey, name));
      }
    }
    return false;
  }
  if (!mParent) return false;
  TPlatformEvent copy = event;
  if (IsMouseEvent(event.type)) {
    TPoint p = ClientToParent(point);
    copy.x = p.x;
    copy.y = p.y;
  }
  const std::list<TWindow*>& siblings = mParent->mChildren;
  auto self = std::find(siblings.begin(), siblings.end(), this);
  if (self != siblings.end()) {
    TWindow* behind = mParent->ChildAtPoint({copy.x, copy.y}, std::next(self));
    if (behind != mParent) {
      TPoint screenPoint = mParent->ClientToScreen({copy.x, copy.y});
      TWindow* target = behind->FindWindowAt(behind->ParentToClient({copy.x, copy.y}), -1);
      if (target) {
        TPlatformEvent moved = copy;
        if (IsMouseEvent(event.type)) {
          TPoint local = target->ScreenToClient(screenPoint);
          moved.x = local.x;
          moved.y = local.y;
        }
        return target->DispatchEvent(moved, focusAlreadySet);
      }
    }
  }
  return mParent->DispatchEvent(copy, focusAlreadySet);
}

// ---- messages ----

void TWindow::RouteMessage(TWindow* start, TMessage* message) {
  TWindowManager* manager = GetWindowManager();
  for (TWindow* w = start; w; w = w->mParent) {
    if (w->OnMessage(*message)) {
      delete message;
      return;
    }
    if (!(w->mFlags & kWindowModal)) continue;
    if (w->IsKindOf(TModalWindow::ClassId())) {
      TWindow* focus = static_cast<TModalWindow*>(w)->GetFocusChild();
      TMessage* boxed = message;
      if (auto* wrapper = KindCast<TLuaMessageWrapper>(message))
        if (TMessage* inner = wrapper->GetLuaMessage().GetBoxedMessage()) boxed = inner;
      if (focus && focus->OnMessage(*boxed)) {
        delete message;
        return;
      }
    }
    manager->PassMessageToScript(message, nullptr);
    return;
  }
  delete message;  // no modal window above the start: dropped
}

// ---- spiders ----

bool ChildrenDelete::Visit(TWindow* window) {
  mParent->RemoveChild(window);
  mManager->DeferDelete(window);
  return true;
}

bool GetLargest::Visit(TWindow* window) {
  mRight = std::max(mRight, window->GetRect().right);
  mBottom = std::max(mBottom, window->GetRect().bottom);
  return true;
}

bool TWindowClearFlags::Visit(TWindow* window) {
  window->SetFlags(window->GetFlags() & mMask);
  if (mRecursive) window->VisitChildren(*this);
  return true;
}

bool TModalPoppedSpider::Visit(TWindow* window) {
  TModalPoppedSpider inner;
  window->VisitChildren(inner);
  window->OnModalPopped();
  return true;
}
