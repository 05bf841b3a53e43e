// Buttons: states and their layers, the mouse, presses, commands, radio groups and the hooks that
// let modal windows press buttons.
#include "ui/button.h"

#include "core/config.h"
#include "core/log.h"
#include "render/texture.h"
#include "script/luawrapper.h"
#include "ui/windowscript.h"
#include "sound/sound.h"
#include "ui/image.h"
#include "ui/message.h"
#include "ui/modalwindow.h"
#include "ui/text.h"
#include "ui/windowmanager.h"
#include "ui/windowstyle.h"

namespace {
bool HookPress(TWindow* window) {
  TButton* button = TButtonCast(window);
  if (!button) return false;
  button->Press();
  return true;
}
int32_t HookOptions(TWindow* window) {
  TButton* button = TButtonCast(window);
  return button ? static_cast<int32_t>(button->GetOptions()) : -1;
}
bool HookDoCommand(TWindow* window) {
  TButton* button = TButtonCast(window);
  return button && button->DoCommand();
}

// True when the window's chain of parents reaches the window manager's screen.
bool IsBelowScreen(const TWindow* window) {
  TWindowManager* manager = GetWindowManager();
  TWindow* screen = manager ? manager->GetScreen() : nullptr;
  if (!screen) return false;
  for (const TWindow* w = window; w; w = w->GetParent())
    if (w == screen) return true;
  return false;
}
}  // namespace

void InstallButtonHooks() {
  TButtonHooks hooks;
  hooks.press = &HookPress;
  hooks.options = &HookOptions;
  hooks.doCommand = &HookDoCommand;
  SetButtonHooks(hooks);
}

TButton* TButtonCast(TWindow* window) { return KindCast<TButton>(window); }

// ---- actions ----

TButton::LuaAction::LuaAction(std::unique_ptr<TLuaFunction> command) : mCommand(std::move(command)) {}
TButton::LuaAction::~LuaAction() = default;

void TButton::LuaAction::Execute(TButton* button) {
  TString name("LuaAction:");
  name += button->GetName();
  auto* message = new TMessage(kCommandOnly, name);
  TWindowManager* manager = GetWindowManager();
  if (!manager) {
    delete message;
    return;
  }
  if (TWindowScript* script = manager->GetWindowScript()) {
    TString text = TString::Format("function GetButtonName() return [[%s]]; end;", button->GetName().CStr());
    script->DoLuaString(text, text.Length(), 0);
  }
  manager->PassMessageToScript(message, mCommand.get());
}

// ---- the button ----

TButton::TButton() : TLayeredWindow(4) { InstallButtonHooks(); }

TButton::~TButton() { OnMouseLeave(); }

int32_t TButton::GetKind() const {
  int32_t kind = static_cast<int32_t>(mStateWord & 0xF);
  return kind >= 8 ? kind - 16 : kind;
}

void TButton::SetKind(int32_t kind) { mStateWord = (mStateWord & ~0xFu) | (static_cast<uint32_t>(kind) & 0xFu); }

void TButton::SetOptions(uint32_t bits) {
  if (bits & 1) mFlags |= kWindowGroupStart;  // a low bit: SetFlags keeps those as they are
  if (bits & 2) mOptions |= kButtonSendToParent;
  if (bits & 4) mOptions |= kButtonClose;
  if (bits & 8) mOptions |= kButtonDefault;
  if (bits & 0x10) mOptions |= kButtonCancel;
}

void TButton::SetAction(std::unique_ptr<Action> action) { mAction = std::move(action); }

void TButton::SetSound(int32_t index, const TString& name) {
  if (index < 0 || index > 2) return;
  mSounds[index] = TSound::Get(name, true, 0);
}

void TButton::SetHitMask(const std::shared_ptr<TTexture>& texture) {
  if (!texture) return;
  uint32_t* pixels = nullptr;
  int rowLength = 0;
  if (!texture->Lock(&pixels, &rowLength)) return;
  SetHitMask(pixels, texture->GetWidth(), texture->GetHeight(), rowLength);
  texture->Unlock();
}

void TButton::SetHitMask(const uint32_t* pixels, int32_t width, int32_t height, int32_t rowLength) {
  if (!pixels || width < 0 || height < 0 || rowLength < width) return;
  mMaskWidth = width;
  mMaskHeight = height;
  mHitMask.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x)
      mHitMask[static_cast<size_t>(y) * width + x] = pixels[static_cast<size_t>(y) * rowLength + x];
}

bool TButton::OnActivate() {
  SetState(kButtonNormal);
  return true;
}

void TButton::PostCreate(TWindowStyle& style) {
  TWindow::PostCreate(style);
  SetState(kButtonNormal);
}

void TButton::ShowState(int32_t state, int32_t previous) {
  if (state != previous && (state == kButtonNormal || state == kButtonRollover) && previous != kButtonClicked) {
    if (mSounds[state] && IsVisible()) mSounds[state]->Play(false);
  }
  if (state == kButtonClicked) return;
  int32_t kind = GetKind();
  if (kind == kPush) {
    ShowLayer(state);
  } else if (kind == kToggle || kind == kRadio) {
    bool selected = IsSelected();
    static constexpr int32_t kPlain[3] = {0, 1, 2};
    static constexpr int32_t kSelected[3] = {1, 0, 3};
    if (state >= 0 && state <= 2) ShowLayer(selected ? kSelected[state] : kPlain[state]);
  }
}

void TButton::SetState(int32_t state) {
  int32_t previous = GetState();
  mStateWord = (mStateWord & ~0x70u) | ((static_cast<uint32_t>(state) & 0x7u) << 4);
  ShowState(state, previous);
}

bool TButton::LeaveIfOutside(TPoint point) {
  bool miss = false;
  if (point.x < 0 || point.y < 0 || point.x >= GetWidth() || point.y >= GetHeight()) {
    miss = true;
  } else if (!mHitMask.empty() && mMaskWidth >= 1 && mMaskHeight >= 1) {
    float sx = static_cast<float>(GetWidth()) / static_cast<float>(mMaskWidth);
    float sy = static_cast<float>(GetHeight()) / static_cast<float>(mMaskHeight);
    int32_t mx, my;
    if (GetSettingFlag("fixbuttonmask")) {
      mx = static_cast<int32_t>(static_cast<float>(point.x) / sx);
      my = static_cast<int32_t>(static_cast<float>(point.y) / sy);
    } else {
      mx = static_cast<int32_t>(static_cast<float>(point.x) * sx);
      my = static_cast<int32_t>(static_cast<float>(point.y) * sy);
    }
    if (mx >= 0 && my >= 0 && mx < mMaskWidth && my < mMaskHeight) {
      uint32_t pixel = mHitMask[static_cast<size_t>(my) * mMaskWidth + mx];
      bool lit = ((pixel >> 16) & 0xFF) > 19 || ((pixel >> 8) & 0xFF) > 19 || (pixel & 0xFF) > 19;
      miss = !lit;
    } else {
      miss = true;
    }
  }
  if (miss) OnMouseLeave();
  return miss;
}

bool TButton::OnMouseDown(TPoint point) {
  if (GetState() == kButtonNormal)
    if (TWindowManager* manager = GetWindowManager()) manager->TrackMouse(this);
  SetState(kButtonPressed);
  LeaveIfOutside(point);
  return true;
}

bool TButton::OnMouseMove(TPoint point) {
  if (LeaveIfOutside(point)) return false;
  if (GetState() == kButtonNormal) {
    SetState(kButtonRollover);
    if (TWindowManager* manager = GetWindowManager()) manager->TrackMouse(this);
  }
  return true;
}

bool TButton::OnMouseUp(TPoint point) {
  int32_t state = GetState();
  if (state == kButtonNormal || LeaveIfOutside(point)) return true;
  if (state == kButtonPressed && !Press()) return true;
  if (IsEffectivelyVisible(this)) SetState(kButtonRollover);
  else OnMouseLeave();
  return true;
}

bool TButton::OnMouseLeave() {
  if (GetState() != kButtonNormal)
    if (TWindowManager* manager = GetWindowManager()) manager->StopTrackingMouse(this);
  SetState(kButtonNormal);
  return true;
}

bool TButton::Press() {
  ShowState(kButtonClicked, kButtonPressed);
  if (mSounds[1] && IsEffectivelyVisible(this)) mSounds[1]->Play(false);
  if (!DoCommand()) {
    if (GetKind() == kRadio) SelectInGroup(true);
    else if (GetKind() == kToggle) Toggle();
    TModalWindow* modal = GetModalParent();
    TWindowManager* manager = GetWindowManager();
    if (modal && manager && manager->GetTopModal() == modal) return true;
  }
  OnMouseLeave();
  return false;
}

bool TButton::DoCommand() {
  TWindowManager* manager = GetWindowManager();
  if (!manager) return false;
  TModalWindow* modal = GetModalParent();
  if ((mOptions & kButtonClose) && modal) {
    manager->PostMessage(new TMessage(kCloseWindow, modal->GetIdString()));
    if (TWindowScript* script = manager->GetWindowScript()) script->SetGlobal("gReturnValue", GetName());
  }
  TWindow* target = GetParent();
  if (mOptions & kButtonSendToParent) {
    TModalWindow* top = manager->GetTopModal();
    target = top ? top->GetParent() : nullptr;
  }
  auto* press = new TMessage(kButtonPress, GetName(), target);
  if (!mAction) {
    manager->PostMessage(press);
    return false;
  }
  // The action may close the screen and delete this button: keep what is needed afterwards.
  bool sendAnyway = (mOptions & kButtonSendToParent) != 0;
  mAction->Execute(this);
  if (IsBelowScreen(this)) {
    manager->PostMessage(press);
    return false;
  }
  if (sendAnyway) manager->PostMessage(press);
  else delete press;
  return true;
}

void TButton::Toggle() {
  mOptions ^= kButtonSelected;
  SetState(GetState());
}

TString TButton::GetLabel() {
  TText* label = KindCast<TText>(FindChild("label", -1));
  return label ? label->GetText() : TString();
}

void TButton::SetLabel(const TString& text) {
  if (TText* label = KindCast<TText>(FindChild("label", -1))) label->SetText(text);
}

void TButton::SelectInGroup(bool select) {
  if (GetKind() == kRadio && select && GetParent()) {
    TRadioButtonSpider spider(this);
    GetParent()->VisitChildren(spider, true);
    spider.mPass = 1;
    GetParent()->VisitChildren(spider, true);
  }
  if (select) mOptions |= kButtonSelected;
  else mOptions &= ~kButtonSelected;
  SetState(GetState());
}

void TButton::Init(TWindowStyle& style) {
  TWindow::Init(style);
  TString sound = style.GetString("sound", TString());
  TString rollover = style.GetString("rolloversound", TString());
  TString mask = style.GetString("mask", TString());
  SetKind(static_cast<int32_t>(style.GetNumber("type", 0)));
  float scale = static_cast<float>(style.GetNumber("scale", 1.0));
  uint32_t bits = (style.GetBool("sendToParent", false) ? 2u : 0u) | (style.GetBool("beginGroup", false) ? 1u : 0u) |
                  (style.GetBool("close", false) ? 4u : 0u) | (style.GetBool("default", false) ? 8u : 0u) |
                  (style.GetBool("cancel", false) ? 0x10u : 0u);
  if (style.GetBool("on", false)) SelectInGroup(true);
  SetOptions(bits);
  if (!sound.IsEmpty()) SetSound(1, sound);
  if (!rollover.IsEmpty()) SetSound(2, rollover);
  if (!mask.IsEmpty()) SetHitMask(TTexture::Get(mask, 0));
  mTooltip = style.GetString("tooltip", TString());

  if (std::unique_ptr<TLuaTable> graphics = style.GetTable("graphics")) {
    TWindowStyle graphicsStyle(graphics.get());
    int32_t count = GetKind() == kPush ? 3 : 4;
    uint32_t drawFlags = (graphicsStyle.GetBool("hflip", false) ? 1u : 0u) |
                         (graphicsStyle.GetBool("vflip", false) ? 2u : 0u);
    bool rotate = graphicsStyle.GetBool("rotate", false);
    for (int32_t i = 0; i < count; ++i) {
      TString name = graphics->GetStringAt(i + 1, TString());
      TImage* image = nullptr;
      if (!name.IsEmpty()) {
        image = new TImage(true);
        image->SetTexture(TTexture::Get(name, 0), scale);
        image->SetName(TString::Format("image%d", i));
        image->SetDrawFlags(drawFlags);
        image->SetRotated(rotate);
      }
      ShowLayer(i);
      if (image && !AddChild(image, true)) delete image;
    }
    FitToChildren();
  }
  if (std::unique_ptr<TLuaFunction> command = style.GetFunction("command"))
    SetAction(std::make_unique<LuaAction>(std::move(command)));
  ShowLayer(kAllLayers);
}

// ---- radio groups ----

bool TRadioButtonSpider::Visit(TWindow* window) {
  if (mPass == 0) {
    if (window->GetFlags() & kWindowGroupStart) mGroupStart = window;
    return window != mSelected;
  }
  if (!mGroupStart) return false;  // no group start before the button: nobody else is deselected
  if (!mFound) {
    if (window != mGroupStart) return true;
    mFound = true;
  } else if (window->GetFlags() & kWindowGroupStart) {
    return false;
  }
  if (window != mSelected)
    if (TButton* button = TButtonCast(window)) button->SelectInGroup(false);
  return true;
}
