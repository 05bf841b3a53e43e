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
#include "script/lua/lua.h"
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

// Runs a chunk in the game's script state and answers "ok" only when it ran to its end and no
// error was reported on the way. The script runner alone cannot tell: a chunk given while the main
// loop's coroutine waits runs inside that coroutine, and calls made from C (a state handler run by
// _SetState) catch their own errors and report them through _ALERT only. So the chunk runs in a
// pcall, _ALERT is watched meanwhile, and the outcome is read back from the state.
std::string RunLua(const std::string& chunk) {
  TWindowScript* script = GetWindowManager()->GetWindowScript();
  if (!script) return "failed: no script";
  const std::string wrapped =
      "__e2e = { done = false, errors = {}, n = 0 }\n"
      "local function note(m) __e2e.n = __e2e.n + 1 __e2e.errors[__e2e.n] = tostring(m) end\n"
      "local alert = _ALERT\n"
      "_ALERT = function(m) note(m) if alert then return alert(m) end return m end\n"
      "local ok, e = pcall(function()\n" + chunk + "\nend)\n"
      "_ALERT = alert\n"
      "if not ok then note(e) end\n"
      "__e2e.done = true\n";
  if (script->DoLuaString(wrapped.c_str(), int(wrapped.size()), 0) != 0) return "failed: does not run";
  lua_State* L = script->GetState();
  const int top = lua_gettop(L);
  std::string answer = "failed: did not finish";
  lua_pushstring(L, "__e2e");
  lua_gettable(L, LUA_GLOBALSINDEX);
  if (lua_istable(L, -1)) {
    lua_pushstring(L, "done");
    lua_gettable(L, -2);
    const bool done = lua_toboolean(L, -1) != 0;
    lua_pop(L, 1);
    lua_pushstring(L, "errors");
    lua_gettable(L, -2);
    lua_rawgeti(L, -1, 1);
    if (lua_isstring(L, -1)) answer = std::string("failed: ") + lua_tostring(L, -1);
    else if (done) answer = "ok";
  }
  lua_settop(L, top);
  return answer;
}

// The scene screens' play state; "" for a verb that is not one of these.
std::string RunPlayQuery(const std::string& verb, std::istringstream& args) {
  CHighscoreSystem* score = CHighscoreSystem::GetInstance();
  if (verb == "score") return score ? std::to_string(score->GetHighscoreAsInt()) : std::string("-");
  if (verb == "penalty") return score && score->IsPenaltyActive() ? "yes" : "no";
  if (verb == "hint") {
    // The sparkle's centre: a hidden-object search's, or an adventure scene's.
    TWindow* named = FindNamed("scene");
    TPoint centre;
    if (auto* search = KindCast<THiddenObjectGameWindow>(named)) {
      if (!search->IsObjectHintActive()) return "-";
      centre = search->GetObjectHintCentre();
    } else if (auto* scene = KindCast<TScene>(named)) {
      if (!scene->IsHintActive()) return "-";
      centre = scene->GetHintCentre();
    } else {
      return "-";
    }
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
  if (verb == "lua") return RunLua(rest);
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
