// A running platform for window tests: the facade with a display handler and a window manager of
// the test's own (so every window reports to it), a frozen clock and a drawing context whose base
// clip rectangle is the 800 x 600 view. Draw hooks record what the frame draws.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/commandline.h"
#include "core/config.h"
#include "os/time.h"
#include "platform/platform.h"
#include "platform/platformimpl.h"
#include "render/drawcontext.h"
#include "render/dxdisplayhandler.h"
#include "services/gamestate.h"
#include "ui/message.h"
#include "ui/modalwindow.h"
#include "ui/window.h"
#include "ui/windowdraw.h"
#include "ui/windowmanager.h"

class UiFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    os::TestFreezeTime(100000);
    SetProcessCommandLine("");
    ClearConfig();
    manager_ = new TWindowManager;
    auto impl = std::make_unique<TPlatformImpl>();
    impl->mClassBaseName = "zuiwindowtest";
    impl->mStartTime = timeGetTime();
    impl->SetDisplayHandler(&display_);
    impl->SetWindowManager(manager_);
    platform_ = std::make_unique<TPlatform>(std::move(impl));
    TDrawContext::GetInstance()->PushClipRect(TRect(0, 0, 800, 600));
    TWindowDrawHooks hooks;
    hooks.beginDraw = [this] {
      log_.push_back("begin");
      return true;
    };
    hooks.endDraw = [this] { log_.push_back("end"); };
    hooks.fillRect = [this](const TRect& r, const TVec4&) {
      log_.push_back("fill " + std::to_string(r.left) + "," + std::to_string(r.top) + "," +
                     std::to_string(r.right) + "," + std::to_string(r.bottom));
    };
    windowdraw::SetHooks(hooks);
  }
  void TearDown() override {
    windowdraw::SetHooks(TWindowDrawHooks());
    // The manager goes first, while the platform still names it.
    delete manager_;
    platform_->GetImpl()->SetWindowManager(nullptr);
    platform_.reset();
    TDrawContext::DestroyInstance();
    os::TestReleaseTime();
    SetProcessCommandLine("");
    ClearConfig();
    DeleteGameState();
  }

  // A screen of 800 x 600 installed as the root.
  TScreen* MakeScreen() {
    auto* screen = new TScreen;
    manager_->SetScreen(screen);
    return screen;
  }

  TPlatformEvent Event(int32_t type, int32_t x = 0, int32_t y = 0, int32_t data = 0, int32_t modifiers = 0) {
    TPlatformEvent e;
    e.type = type;
    e.x = x;
    e.y = y;
    e.data = data;
    e.modifiers = modifiers;
    return e;
  }

  TDxDisplayHandler display_;
  TWindowManager* manager_ = nullptr;
  std::unique_ptr<TPlatform> platform_;
  std::vector<std::string> log_;
};

// A window that records what reaches it into a shared log, and can be told to handle events.
class Probe : public TWindow {
 public:
  Probe(std::vector<std::string>* log, const char* name, TRect rect, bool handles = false)
      : mLog(log), mHandles(handles) {
    SetName(name);
    MoveTo(rect.left, rect.top);
    SetSize(rect.right - rect.left, rect.bottom - rect.top);
  }
  void Draw() override { Note("draw"); }
  bool OnMouseDown(TPoint p) override { return Note("down", p); }
  bool OnMouseUp(TPoint p) override { return Note("up", p); }
  bool OnMouseMove(TPoint p) override { return Note("move", p); }
  bool OnMouseLeave() override {
    Note("leave");
    return false;
  }
  bool OnKeyDown(int8_t key, int32_t) override { return Note("key " + std::to_string(key)); }
  bool OnChar(int8_t c) override { return Note("char " + std::to_string(c)); }
  bool OnMessage(TMessage& m) override {
    Note("msg " + std::string(m.GetName().CStr()));
    return mTakesMessages;
  }
  void OnFocus(TWindow*) override { Note("focus"); }
  void OnModalPopped() override { Note("popped"); }

  bool Note(const std::string& what, TPoint p) {
    return Note(what + " " + std::to_string(p.x) + "," + std::to_string(p.y));
  }
  bool Note(const std::string& what) {
    mLog->push_back(std::string(GetName().CStr()) + ":" + what);
    return mHandles;
  }

  std::vector<std::string>* mLog;
  bool mHandles;
  bool mTakesMessages = false;
};
