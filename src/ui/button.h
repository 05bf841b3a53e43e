// Push, toggle and radio buttons. The looks are image layers (normal, pressed, rollover, selected
// rollover); a press plays a sound, sends kButtonPress, runs an optional Lua command, may close the
// modal window and keeps radio groups exclusive. Hot keys, Enter and Escape reach buttons through
// the hooks InstallButtonHooks gives the modal windows.
#pragma once
#include <memory>
#include <vector>

#include "ui/layeredwindow.h"

class TLuaFunction;
class TSound;
class TTexture;

// Kinds, display states and option bits of a button.
enum : int32_t { kPush = 0, kToggle = 1, kRadio = 2 };
enum : int32_t { kButtonNormal = 0, kButtonPressed = 1, kButtonRollover = 2, kButtonClicked = 3 };
enum : uint32_t {
  kButtonSendToParent = 0x1,
  kButtonSelected = 0x2,
  kButtonClose = 0x4,
  kButtonDefault = 0x8,
  kButtonCancel = 0x10,
};

class TButton : public TLayeredWindow {
  TM_CLASS(TButton, TLayeredWindow)

 public:
  // The command run on a press.
  class Action {
   public:
    virtual ~Action() = default;
    virtual void Execute(TButton* button) = 0;
  };
  // A Lua function as the command; it runs in the window script's coroutine.
  class LuaAction : public Action {
   public:
    explicit LuaAction(std::unique_ptr<TLuaFunction> command);
    ~LuaAction() override;
    void Execute(TButton* button) override;

   private:
    std::unique_ptr<TLuaFunction> mCommand;
  };

  TButton();
  ~TButton() override;
  static TWindow* CreateInstance() { return new TButton; }

  bool OnActivate() override;
  void Init(TWindowStyle& style) override;
  void PostCreate(TWindowStyle& style) override;
  bool OnMouseDown(TPoint point) override;
  bool OnMouseUp(TPoint point) override;
  bool OnMouseMove(TPoint point) override;
  bool OnMouseLeave() override;

  // False when the button is gone from its screen or its modal window is not on top.
  virtual bool Press();
  virtual void ShowState(int32_t state, int32_t previous);
  virtual void SetState(int32_t state);

  // The kind read as a signed 4-bit number.
  int32_t GetKind() const;
  void SetKind(int32_t kind);
  int32_t GetState() const { return static_cast<int32_t>((mStateWord >> 4) & 0x7); }
  // Script option bits: 1 group start, 2 send to parent, 4 close, 8 default, 0x10 cancel. Only sets.
  void SetOptions(uint32_t bits);
  uint32_t GetOptions() const { return mOptions; }
  bool IsSelected() const { return (mOptions & kButtonSelected) != 0; }
  void SetAction(std::unique_ptr<Action> action);
  void SetSound(int32_t index, const TString& name);
  std::shared_ptr<TSound> GetSound(int32_t index) const { return mSounds[index]; }
  // Copies the texture's pixels when it can be locked; otherwise the old mask stays.
  void SetHitMask(const std::shared_ptr<TTexture>& texture);
  // Copies width x height ARGB pixels, rows rowLength pixels apart.
  void SetHitMask(const uint32_t* pixels, int32_t width, int32_t height, int32_t rowLength);
  const TString& GetTooltip() const { return mTooltip; }
  void Toggle();
  void SelectInGroup(bool select);
  // The label is the text of the child window named "label"; empty (or left alone) without one.
  TString GetLabel();
  void SetLabel(const TString& text);
  // True when the command took the button off its screen.
  bool DoCommand();
  // True (after OnMouseLeave) when the point, in client coordinates, misses the button.
  bool LeaveIfOutside(TPoint point);

 private:
  uint32_t mStateWord = 0;
  uint32_t mOptions = 0;
  std::unique_ptr<Action> mAction;
  std::shared_ptr<TSound> mSounds[3];
  TString mTooltip;
  std::vector<uint32_t> mHitMask;  // ARGB
  int32_t mMaskWidth = 0;
  int32_t mMaskHeight = 0;
};

// The window when it is a button, else null.
TButton* TButtonCast(TWindow* window);

// Deselects the other buttons of a radio group: pass 0 finds the group start at or before the
// selected button, pass 1 walks from there to the next group start.
class TRadioButtonSpider : public TWindowSpider {
 public:
  explicit TRadioButtonSpider(TButton* selected) : mSelected(selected) {}
  bool Visit(TWindow* window) override;

  int32_t mPass = 0;
  bool mFound = false;
  TWindow* mGroupStart = nullptr;
  TButton* mSelected;
};

// Lets modal windows press buttons, find default and cancel buttons and run button commands.
void InstallButtonHooks();
