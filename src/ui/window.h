// The window base: a rectangle in its parent's coordinates, a name, an ordered list of owned
// children (front = top-most: hit first, drawn last), a flag word and the virtual operations through
// which the window manager delivers input, drawing, focus and messages. Also the tree visitors
// (spiders), the per-window animation task and the placement codes read from style tables.
#pragma once
#include <cstdint>
#include <list>

#include "core/classid.h"
#include "core/rect.h"
#include "core/string.h"
#include "core/task.h"
#include "platform/platformevent.h"
#include "script/scriptbinding.h"

class TMessage;
class TModalWindow;
class TWindow;
class TWindowManager;
class TWindowStyle;
class TWindowSpider;

// Flag bits of a window.
enum : uint32_t {
  kWindowModal = 0x1,            // a TModalWindow: bubbling and routing stop here
  kWindowFocusable = 0x2,        // a left click inside gives it the keyboard focus
  kWindowRedrawWithParent = 0x4, // drawn again in the render-target pass when its parent was
  kWindowGroupStart = 0x8,       // a radio button that begins a new group
  kWindowVisible = 0x100,
  kWindowDrawn = 0x400,          // drawn in the current frame
  kWindowCovers = 0x800,         // opaque over its whole rectangle
};

// Placement code constants (kCenter is 80000 for scripts).
constexpr int32_t kPlaceCodeLow = 40000;
constexpr int32_t kCenter = 80000;
constexpr int32_t kPlaceFarStart = 106667;
constexpr int32_t kPlaceFar = 160000;
// The "align" bits.
constexpr int32_t kHAlignCenter = 1, kHAlignRight = 2, kVAlignCenter = 4, kVAlignBottom = 8;

struct TPoint {
  int32_t x = 0;
  int32_t y = 0;
};

// The per-window animation task: runs the owner's Animate on the modal window's clock.
class TWindowAnim : public TAnimTask {
 public:
  TWindowAnim(TWindow* owner, TClock* clock) : TAnimTask(clock), mOwner(owner) {}
  ~TWindowAnim() override;
  bool Animate() override;
  void ForgetOwner() { mOwner = nullptr; }

 private:
  TWindow* mOwner;
};

// A window creator: makes a window with default arguments. Its address doubles as the class's
// identity in the window script's type registry.
using TWindowCreator = TWindow* (*)();

class TWindow {
  TM_CLASS_ROOT(TWindow)

 public:
  TWindow();
  // Destroys every child, then clears the window manager's references to this window. Callers
  // unlink the window from its parent first.
  virtual ~TWindow();
  TWindow(const TWindow&) = delete;
  TWindow& operator=(const TWindow&) = delete;

  static TWindow* CreateInstance() { return new TWindow; }

  // ---- virtual operations ----
  virtual bool OnActivate() { return true; }
  virtual bool QueryReserved1() { return false; }
  virtual void Init(TWindowStyle& style);
  virtual void PostCreate(TWindowStyle& style);
  virtual void Draw() {}
  virtual void PostDraw() {}
  virtual bool AddChild(TWindow* child, bool activate);
  virtual void RemoveChild(TWindow* child);
  virtual void OnModalPopped() {}
  virtual void ScrollTo(int32_t) {}
  virtual bool OnMessage(TMessage&) { return false; }
  virtual bool Animate() { return false; }
  virtual bool OnMouseDown(TPoint) { return false; }
  virtual bool OnMouseButton(TPoint, int32_t /*button*/) { return false; }
  virtual bool OnMouseUp(TPoint) { return false; }
  virtual bool OnMouseMove(TPoint) { return false; }
  virtual bool OnMouseLeave() { return false; }
  virtual bool QueryReserved2() { return false; }
  virtual bool OnChar(int8_t) { return false; }
  virtual bool OnText(const TString&) { return false; }
  // Key codes arrive as signed bytes, so the framework's negative codes (Left = -126) stay intact.
  virtual bool OnKeyDown(int8_t /*key*/, int32_t /*modifiers*/) { return false; }
  virtual bool OnKeyUp(int8_t) { return false; }
  virtual bool OnMouseHover(TPoint point);
  virtual void OnFocus(TWindow* /*previous*/) {}
  virtual void ReservedHook(int32_t) {}

  // ---- names, identity, tree ----
  TString GetName() const { return mName; }
  void SetName(const TString& name) { mName = name; }
  int32_t GetId() const { return mId; }
  // The id as "%8x": how scripts and messages name unnamed windows.
  TString GetIdString() const;
  TWindow* GetParent() const { return mParent; }
  TWindow* SetParent(TWindow* parent);
  const std::list<TWindow*>& GetChildren() const { return mChildren; }
  TModalWindow* GetModalParent() const;

  // ---- geometry ----
  const TRect& GetRect() const { return mRect; }
  int32_t GetWidth() const { return mRect.right - mRect.left; }
  int32_t GetHeight() const { return mRect.bottom - mRect.top; }
  TRect GetClientRect() const { return TRect(0, 0, GetWidth(), GetHeight()); }
  TRect GetScreenRect() const;
  TPoint ClientToScreen(TPoint p) const;
  TPoint ScreenToClient(TPoint p) const;
  TPoint ClientToParent(TPoint p) const { return {p.x + mRect.left, p.y + mRect.top}; }
  TPoint ParentToClient(TPoint p) const { return {p.x - mRect.left, p.y - mRect.top}; }
  void MoveTo(int32_t x, int32_t y);
  void SetSize(int32_t width, int32_t height);

  // ---- flags ----
  uint32_t GetFlags() const { return mFlags; }
  // Keeps bits 0-7, takes bits 8-15 from the value; higher bits become 0.
  void SetFlags(uint32_t value);
  bool IsVisible() const { return (mFlags & kWindowVisible) != 0; }
  void Show(bool visible) { SetFlags(visible ? (mFlags | kWindowVisible) : (mFlags & ~kWindowVisible)); }

  // ---- searching ----
  // The window itself or the first descendant (front first) with the name; depth -1 is unlimited.
  TWindow* FindChild(const TString& name, int32_t depth);
  // The first child from `start` toward the back that contains the point and is visible up to its
  // modal window; the window itself when none does.
  TWindow* ChildAtPoint(TPoint point, std::list<TWindow*>::const_iterator start);
  TWindow* ChildAtPoint(TPoint point) { return ChildAtPoint(point, mChildren.begin()); }
  // The deepest window under the point; null for depth 0, -1 is unlimited.
  TWindow* FindWindowAt(TPoint point, int32_t depth);
  // Visits the direct children front to back (reverse: back to front); a visit may remove the
  // visited child. Stops at the first false.
  void VisitChildren(TWindowSpider& spider, bool reverse = false);
  void FitToChildren();
  void DeleteChildren();
  // 0 to the back, 1 to the front, 2 one toward the front, 3 one toward the back, other: in front of
  // the sibling (to the back when it is not a sibling).
  void Restack(int32_t mode, TWindow* sibling = nullptr);

  // ---- animation ----
  TWindowAnim* GetAnim();
  void DetachAnim();
  void StartAnim(uint32_t delay, bool fromLastSchedule, bool repeat, bool catchUp);
  // The anim task ended (its destructor tells the owner).
  void ForgetAnim() { mAnim = nullptr; }

  // ---- placement ----
  static void ResolveAxis(int32_t& p, int32_t& size, bool centreBit, bool farBit, bool alignGiven,
                          const TWindow* parent, bool horizontal);
  void ApplyPlacement(TWindowStyle& style);

  // ---- drawing, events, messages ----
  // kind 0 all, 1 only redraw-with-parent windows, 2 skips windows drawn this frame.
  bool DrawTree(int32_t kind);
  // The event's point is in this window's client coordinates.
  bool DispatchEvent(const TPlatformEvent& event, bool focusAlreadySet);
  // Offers the message from the start window upward to its modal window, then that modal's focus
  // child, then the window script. Takes ownership of the message.
  static void RouteMessage(TWindow* start, TMessage* message);

 protected:
  // Globals a window binds to its own members go through these, so that they die with the window:
  // a script calling one afterwards gets a logged error instead of a call on freed memory.
  TScriptBindings& GetScriptBindings() { return mScriptBindings; }

  uint32_t mFlags = kWindowVisible;

 private:
  // Joins or leaves the modal ancestor's cover set: a covering window whose size equals the
  // screen's (or the modal ancestor's) covers it.
  void RefreshCoverSet(bool againstScreen);

  TWindow* mParent = nullptr;
  std::list<TWindow*> mChildren;  // owned; front = top-most
  TRect mRect;
  TString mName;
  int32_t mId;
  TWindowAnim* mAnim = nullptr;  // owned by the modal window's task list
  TScriptBindings mScriptBindings;
};

// Walks over a window's children; a false visit stops the walk.
class TWindowSpider {
 public:
  virtual ~TWindowSpider() = default;
  virtual bool Visit(TWindow* window) = 0;
};

// Removes each child and queues it for deferred deletion.
class ChildrenDelete : public TWindowSpider {
 public:
  ChildrenDelete(TWindow* parent, TWindowManager* manager) : mParent(parent), mManager(manager) {}
  bool Visit(TWindow* window) override;

 private:
  TWindow* mParent;
  TWindowManager* mManager;
};

// The largest right and bottom among the children, never below the parent's own size.
class GetLargest : public TWindowSpider {
 public:
  GetLargest(int32_t right, int32_t bottom) : mRight(right), mBottom(bottom) {}
  bool Visit(TWindow* window) override;
  int32_t mRight, mBottom;
};

class TWindowClearFlags : public TWindowSpider {
 public:
  TWindowClearFlags(uint32_t mask, bool recursive) : mMask(mask), mRecursive(recursive) {}
  bool Visit(TWindow* window) override;

 private:
  uint32_t mMask;
  bool mRecursive;
};

// Tells every descendant, children before parents, that their modal window was popped.
class TModalPoppedSpider : public TWindowSpider {
 public:
  bool Visit(TWindow* window) override;
};

// Answers true when the window and every ancestor up to its modal window are visible and attached,
// and that modal window is visible.
bool IsEffectivelyVisible(const TWindow* window);

// The process-wide flag a hot key sets so that the character of the same key press is swallowed.
bool& SwallowNextCharacter();
