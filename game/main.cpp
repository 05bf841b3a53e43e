// Entry of The Harrowmere Demo: hands the process to the framework with the game's main function.
// Until the game's screens exist, the main function opens the window, shows a cleared frame on
// idle turns and runs the event pump until the window is closed.
#include <string>

#include "os/winuser.h"
#include "particles/particledraw.h"
#include "platform/platform.h"
#include "platform/platformevent.h"
#include "render/dxdisplayhandler.h"
#include "shell/settings.h"
#include "shell/windowscreenstack.h"

namespace {

constexpr int32_t kScreenWidth = 800;
constexpr int32_t kScreenHeight = 600;
constexpr uint32_t kBackground = 0xFF1E2A38;  // slate blue
constexpr uint32_t kFrameMs = 16;

int GameMain(TPlatform* platform, const char* commandLine) {
  platform->InitDisplay(kScreenWidth, kScreenHeight, false);
  platform->SetWindowTitle(platform->GetGameName());
  // The game flow's screens live on the window manager's modal stack and the model in its window
  // script; particles draw on the display.
  InstallWindowScreenStack();
  ConnectModelScript();
  ConnectParticleDrawing();
  uint32_t lastFrame = platform->GetTimer() - kFrameMs;
  for (;;) {
    TPlatformEvent event;
    platform->GetEvent(&event);
    if (event.type == kEventQuit) break;
    if (event.type == kEventClose) platform->PostQuitMessage(0);
    if (event.type == kEventIdle || event.type == kEventRedraw) {
      uint32_t now = platform->GetTimer();
      if (event.type == kEventRedraw || now - lastFrame >= kFrameMs) {
        lastFrame = now;
        if (TDxDisplayHandler* display = TDxDisplayHandler::GetInstance()) display->PresentFrame(kBackground);
      }
    }
  }
  return 0;
}

// The arguments as one command line, as the framework reads it. An argument with blanks is quoted,
// after its "=" when it has one, so that "-wd=/a b" reaches the framework as -wd="/a b".
std::string JoinArguments(int argc, char** argv) {
  std::string line;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (!line.empty()) line += ' ';
    if (arg.find(' ') == std::string::npos || arg.find('"') != std::string::npos) {
      line += arg;
      continue;
    }
    size_t eq = arg.find('=');
    size_t cut = eq == std::string::npos ? 0 : eq + 1;
    line += arg.substr(0, cut) + '"' + arg.substr(cut) + '"';
  }
  return line;
}

}  // namespace

int main(int argc, char** argv) {
  std::string line = JoinArguments(argc, argv);
  PlatformMain(nullptr, nullptr, line.c_str(), SW_SHOWNORMAL, GameMain, false);
}
