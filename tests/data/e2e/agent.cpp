// The end-to-end tests' agent: a test-harness plug-in that the real game program loads at start-up.
// On the main thread, every few milliseconds, it takes the next command file from the folder named
// by TM_E2E_DIR ("cmd.<n>", one command a file), carries it out and writes the answer to
// "done.<n>". Input goes through the stand-in's simulated input; answers read the program's state.
//   activate | move X Y | down | up | click X Y | key VK | keydown VK | keyup VK | text UTF8 | clickwin NAME | rect NAME | visible NAME
//   text? NAME | label NAME | selected NAME | value NAME | alpha NAME | top | volume GROUP | master | shot PATH | modals | lua TEXT
//   at X Y (the window under a point)
//   scene (current scene id) | held (held items) | box? NAME (a text box's text) | cursor (scene's kind)
//   score (the player's score) | penalty (miss penalty running) | hint (centre of the object hint)
//   config KEY VALUE (sets a configuration value) | overlay (the Alt+F1 overlay's last text)
//   boxes (the message boxes shown so far; also written to "boxes.txt" when the program ends)
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/config.h"
#include "model/game.h"
#include "model/highscore.h"
#include "os/ddraw.h"
#include "os/msgbox.h"
#include "os/process.h"
#include "render/drawcontext.h"
#include "shell/hiddenobjectgame.h"
#include "shell/scene.h"
#include "shell/textbox.h"
#include "os/winuser.h"
#include "sound/soundmanager.h"
#include "ui/button.h"
#include "ui/image.h"
#include "ui/modalwindow.h"
#include "ui/slider.h"
#include "ui/text.h"
#include "ui/windowmanager.h"

namespace {

std::string gDir;
int gNext = 1;

// The named window under the top modal window, else under any modal window (top first).
TWindow* FindNamed(const std::string& name) {
  TWindowManager* manager = GetWindowManager();
  for (TModalWindow* modal : manager->GetModalStack())
    if (TWindow* w = modal->FindChild(name.c_str(), -1)) return w;
  return nullptr;
}

bool IsShown(TWindow* w) {
  for (; w; w = w->GetParent())
    if (!w->IsVisible()) return false;
  return true;
}

// The recorded message boxes' texts, " | " between boxes, line breaks written as "\n".
std::string BoxesText() {
  std::string all;
  for (const os::MessageBoxCall& box : os::TestMessageBoxes()) {
    if (!all.empty()) all += " | ";
    for (char c : box.text) all += c == '\n' ? std::string("\\n") : std::string(1, c);
  }
  return all;
}

void WriteBoxesAtExit() {
  std::ofstream out(gDir + "/boxes.txt");
  out << BoxesText() << "\n";
}

std::string RectText(TWindow* w) {
  TRect r = w->GetScreenRect();
  return std::to_string(r.left) + " " + std::to_string(r.top) + " " + std::to_string(r.right) + " " +
         std::to_string(r.bottom);
}

bool WriteShot(const std::string& path) {
  std::vector<uint32_t> pixels;
  int width = 0, height = 0;
  if (!os::TestReadPresentedFrame(&pixels, &width, &height)) return false;
  // Binary PPM, rows top-down.
  std::ofstream out(path, std::ios::binary);
  out << "P6\n" << width << " " << height << "\n255\n";
  for (uint32_t p : pixels) {
    char rgb[3] = {char((p >> 16) & 255), char((p >> 8) & 255), char(p & 255)};
    out.write(rgb, 3);
  }
  return bool(out);
}

// The scene screens' play state; "" for a verb that is not one of these.
std::string RunPlayQuery(const std::string& verb, std::istringstream& args) {
  CHighscoreSystem* score = CHighscoreSystem::GetInstance();
  if (verb == "score") return score ? std::to_string(score->GetHighscoreAsInt()) : std::string("-");
  if (verb == "penalty") return score && score->IsPenaltyActive() ? "yes" : "no";
  if (verb == "hint") {
    auto* search = KindCast<THiddenObjectGameWindow>(FindNamed("scene"));
    if (!search || !search->IsObjectHintActive()) return "-";
    const TPoint centre = search->GetObjectHintCentre();
    return std::to_string(centre.x) + " " + std::to_string(centre.y);
  }
  if (verb == "config") {
    std::string key, value;
    args >> key >> value;
    SetConfig(key.c_str(), value.c_str());
    return "ok";
  }
  return "";
}

std::string Run(const std::string& line) {
  std::istringstream in(line);
  std::string verb;
  in >> verb;
  std::string rest;
  std::getline(in, rest);
  if (!rest.empty() && rest[0] == ' ') rest.erase(0, 1);
  std::istringstream args(rest);
  if (verb == "activate") {
    // A click on an inactive window only activates it, as on the desktop.
    HWND main = os::TestMainWindow();
    if (GetActiveWindow() != main || GetForegroundWindow() != main) SetForegroundWindow(main);
    return "ok";
  }
  if (verb == "move") {
    int x = 0, y = 0;
    args >> x >> y;
    os::TestMouseMove(x, y);
    return "ok";
  }
  if (verb == "down" || verb == "up") {
    os::TestMouseButton(1, verb == "down");
    return "ok";
  }
  if (verb == "click") {
    int x = 0, y = 0;
    args >> x >> y;
    os::TestMouseMove(x, y);
    os::TestMouseButton(1, true);
    os::TestMouseButton(1, false);
    return "ok";
  }
  if (verb == "key") {
    int vk = 0;
    args >> vk;
    os::TestKeyPress(vk);
    return "ok";
  }
  if (verb == "keydown" || verb == "keyup") {
    // Held keys, such as Alt for a chord.
    int vk = 0;
    args >> vk;
    os::TestKey(vk, verb == "keydown");
    return "ok";
  }
  if (verb == "text") {
    os::TestText(rest);
    return "ok";
  }
  if (verb == "top") {
    TModalWindow* top = GetWindowManager()->GetTopModal();
    return top ? std::string(top->GetName().CStr()) : std::string("-");
  }
  if (verb == "at") {
    // The deepest visible window under a screen point in the top modal window.
    int x = 0, y = 0;
    args >> x >> y;
    TModalWindow* top = GetWindowManager()->GetTopModal();
    if (!top) return "-";
    TWindow* w = top->FindWindowAt(top->ScreenToClient({x, y}), -1);
    if (!w) w = top;
    const std::string name = w->GetName().CStr();
    return name.empty() ? std::string("(") + w->GetClassName() + ")" : name;
  }
  if (verb == "boxes") return BoxesText();
  if (verb == "modals") return std::to_string(GetWindowManager()->GetModalStack().size());
  if (verb == "overlay") {
    TDrawContext* draw = TDrawContext::GetInstance();
    return draw ? std::string(draw->GetOverlayText().CStr()) : std::string("-");
  }
  if (verb == "volume" || verb == "master") {
    TSoundManager* sound = GetPlatformSoundManager();
    if (!sound) return "none";
    int group = 0;
    args >> group;
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", verb == "master" ? sound->GetVolume() : sound->GetGroupVolume(group));
    return text;
  }
  if (verb == "shot") return WriteShot(rest) ? "ok" : "failed";
  if (verb == "lua") {
    TWindowScript* script = GetWindowManager()->GetWindowScript();
    return script && script->DoLuaString(rest.c_str(), int(rest.size()), 0) == 0 ? "ok" : "failed";
  }
  if (verb == "scene") {
    CGame* game = CGame::GetInstance();
    return game ? std::to_string(game->GetCurrentSceneId()) : std::string("-");
  }
  if (verb == "held") {
    CGame* game = CGame::GetInstance();
    std::string held;
    if (game)
      for (const std::string& id : game->GetInventory().GetHeld()) held += (held.empty() ? "" : ",") + id;
    return held.empty() ? std::string("-") : held;
  }
  if (verb == "cursor") {
    TScene* scene = KindCast<TScene>(FindNamed("scene"));
    return scene ? std::to_string(scene->GetCursorKind()) : std::string("-");
  }
  if (std::string play = RunPlayQuery(verb, args); !play.empty()) return play;
  TWindow* w = FindNamed(rest);
  if (verb == "visible") return w && IsShown(w) ? "yes" : "no";
  if (!w) return "missing";
  if (verb == "rect") return RectText(w);
  if (verb == "box?") {
    TTextbox* box = KindCast<TTextbox>(w);
    return box ? std::string(box->GetText().CStr()) : std::string("-");
  }
  if (verb == "text?") {
    TText* t = KindCast<TText>(w);
    return t ? std::string(t->GetText().CStr()) : std::string("-");
  }
  if (verb == "selected") {
    TButton* b = KindCast<TButton>(w);
    return b && b->IsSelected() ? "yes" : "no";
  }
  if (verb == "value") {
    TSlider* slider = KindCast<TSlider>(w);
    if (!slider) return "-";
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", slider->GetValue());
    return text;
  }
  if (verb == "alpha") {
    float alpha;
    if (TImage* image = KindCast<TImage>(w)) alpha = image->GetAlpha();
    else if (TText* text = KindCast<TText>(w)) alpha = text->GetAlpha();
    else return "-";
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", alpha < 0 ? 0.0f : alpha);
    return text;
  }
  if (verb == "label") {
    TText* t = KindCast<TText>(w->FindChild("label", 1));
    return t ? std::string(t->GetText().CStr()) : std::string("-");
  }
  if (verb == "clickwin") {
    if (!IsShown(w)) return "hidden";
    TRect r = w->GetScreenRect();
    os::TestMouseMove((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    os::TestMouseButton(1, true);
    os::TestMouseButton(1, false);
    return "ok";
  }
  return "unknown";
}

void Poll(HWND, UINT, UINT_PTR, DWORD) {
  const std::string cmd = gDir + "/cmd." + std::to_string(gNext);
  std::ifstream in(cmd);
  if (!in) return;
  std::string line;
  std::getline(in, line);
  in.close();
  const std::string answer = Run(line);
  const std::string done = gDir + "/done." + std::to_string(gNext);
  {
    std::ofstream out(done + ".tmp");
    out << answer << "\n";
  }
  std::rename((done + ".tmp").c_str(), done.c_str());
  ++gNext;
}

}  // namespace

extern "C" HWND TestHook(const char**) {
  const char* dir = std::getenv("TM_E2E_DIR");
  if (dir && *dir) {
    gDir = dir;
    SetTimer(nullptr, 0x7e2e, 20, &Poll);
    std::atexit(WriteBoxesAtExit);
    os::TestOnExitProcess(WriteBoxesAtExit);
  }
  return nullptr;
}
