// MessageBoxA/W over SDL_ShowMessageBox, with recording for tests (see msgbox.h).
#include "os/msgbox.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>

#include "os/user_internal.h"
#include "os/text.h"

namespace {

std::mutex gLock;
int gRecord = -1;  // -1: decide from the video driver
std::deque<int> gAnswers;
std::vector<os::MessageBoxCall> gCalls;

bool Headless() {
  const char* driver = std::getenv("SDL_VIDEODRIVER");
  return driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0);
}

std::vector<int> ButtonsOf(UINT type) {
  switch (type & 0xF) {
    case MB_OKCANCEL: return {IDOK, IDCANCEL};
    case MB_ABORTRETRYIGNORE: return {IDABORT, IDRETRY, IDIGNORE};
    case MB_YESNOCANCEL: return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO: return {IDYES, IDNO};
    case MB_RETRYCANCEL: return {IDRETRY, IDCANCEL};
    default: return {IDOK};
  }
}

const char* LabelOf(int id) {
  switch (id) {
    case IDOK: return "OK";
    case IDCANCEL: return "Cancel";
    case IDABORT: return "Abort";
    case IDRETRY: return "Retry";
    case IDIGNORE: return "Ignore";
    case IDYES: return "Yes";
    case IDNO: return "No";
    default: return "?";
  }
}

int Show(HWND owner, const std::string& text, const std::string& caption, UINT type) {
  std::vector<int> buttons = ButtonsOf(type);
  {
    std::lock_guard<std::mutex> g(gLock);
    bool record = gRecord < 0 ? Headless() : gRecord == 1;
    if (record) {
      gCalls.push_back(os::MessageBoxCall{owner, text, caption, type});
      if (gAnswers.empty()) return buttons.front();
      int a = gAnswers.front();
      gAnswers.pop_front();
      return a;
    }
  }
  std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
  std::vector<SDL_MessageBoxButtonData> data;
  for (size_t i = 0; i < buttons.size(); ++i) {
    Uint32 flags = i == 0 ? SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT : 0;
    if (buttons[i] == IDCANCEL || (buttons.size() == 2 && i == 1)) flags |= SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
    data.push_back(SDL_MessageBoxButtonData{flags, buttons[i], LabelOf(buttons[i])});
  }
  Uint32 icon = SDL_MESSAGEBOX_INFORMATION;
  if ((type & 0xF0) == MB_ICONERROR) icon = SDL_MESSAGEBOX_ERROR;
  else if ((type & 0xF0) == MB_ICONWARNING) icon = SDL_MESSAGEBOX_WARNING;
  SDL_MessageBoxData box{};
  box.flags = icon;
  box.title = caption.c_str();
  box.message = text.c_str();
  box.numbuttons = static_cast<int>(data.size());
  box.buttons = data.data();
  int hit = 0;
  if (SDL_ShowMessageBox(&box, &hit) != 0) return 0;
  return hit < 0 ? (buttons.size() > 1 ? buttons.back() : buttons.front()) : hit;
}

}  // namespace

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  return Show(owner, text ? text : "", caption ? caption : "Error", type);
}

int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
  return Show(owner, text ? os::Utf16ToUtf8(text) : "", caption ? os::Utf16ToUtf8(caption) : "Error", type);
}

namespace os {

void TestRecordMessageBoxes(bool on) {
  std::lock_guard<std::mutex> g(gLock);
  gRecord = on ? 1 : 0;
}

void TestAnswerMessageBox(int answer) {
  std::lock_guard<std::mutex> g(gLock);
  gAnswers.push_back(answer);
}

std::vector<MessageBoxCall> TestMessageBoxes() {
  std::lock_guard<std::mutex> g(gLock);
  return gCalls;
}

void TestResetMessageBoxes() {
  std::lock_guard<std::mutex> g(gLock);
  gCalls.clear();
  gAnswers.clear();  // a test's choice to record stays until it says otherwise
}

}  // namespace os
