// The portal handler, the host command wire format and the portal state (see portal.h).
#include "services/portal.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

#include "core/commandline.h"
#include "os/time.h"
#include "os/winuser.h"
#include "platform/platform.h"
#include "platform/platformimpl.h"

namespace {
// Read by the platform timer and the event pump, so atomic.
std::atomic<bool> gZylom{false};
std::atomic<bool> gMsn{false};
std::atomic<uint32_t> gPauseTotal{0};

TPortalState gState;
TPortalHooks gHooks;
float gLocalVolume = 1.0f;  // the master volume when no sound hook is installed

TClock& GameClock() {
  static TClock clock;
  return clock;
}

bool Hosted() { return gMsn || gZylom; }
bool HostDriven() { return CommandLineHas(kSwitchHostDriven); }

HWND HostWindow() {
  if (gHooks.hostWindow) return gHooks.hostWindow();
  TPlatform* platform = TPlatform::GetInstance();
  return platform && platform->GetImpl() ? platform->GetImpl()->GetHostWindow() : nullptr;
}

float MasterVolume() { return gHooks.getMasterVolume ? gHooks.getMasterVolume() : gLocalVolume; }
void SetMasterVolume(float volume) {
  if (gHooks.setMasterVolume)
    gHooks.setMasterVolume(volume);
  else
    gLocalVolume = volume;
}

long ClockSeconds() { return static_cast<long>(GameClock().GetTime() / 1000); }

void PauseClock() { GameClock().Pause(); }
void ResumeClock() { GameClock().Start(); }

// The interval after "-com_interval" and one separator; -1 when the option or its number is missing.
int32_t ReadCommercialInterval(const TString& commandLine) {
  int at = commandLine.Find(kSwitchComInterval);
  if (at < 0) return -1;
  int value = at + static_cast<int>(std::strlen(kSwitchComInterval)) + 1;
  if (value > commandLine.Length()) return -1;  // the option ends the line: no separator, no number
  return static_cast<int32_t>(std::atoi(commandLine.CStr() + value));
}
}  // namespace

bool PortalIsZylom() { return gZylom; }
void SetPortalZylom(bool active) { gZylom = active; }
void SetPortalMsn(bool active) { gMsn = active; }
void AddPortalPause(uint32_t ms) {
  gPauseTotal += ms;
  gState.hostPausedTotal = gPauseTotal;
}
uint32_t GetPortalPauseTotal() { return Hosted() ? gPauseTotal.load() : 0; }

void SetPortalHooks(TPortalHooks hooks) { gHooks = std::move(hooks); }
TClock& GetPortalGameClock() { return GameClock(); }
const TPortalState& GetPortalState() { return gState; }

void ResetPortal() {
  gZylom = false;
  gMsn = false;
  gPauseTotal = 0;
  gState = TPortalState();
  gHooks = TPortalHooks();
  gLocalVolume = 1.0f;
  GameClock().Reset();
}

namespace {
void AddPortalHandler() { GetGameState()->AddHandler(std::make_unique<TMsnZylomHandler>()); }
}  // namespace

void CreateMsnHandler() {
  gMsn = true;
  AddPortalHandler();
}

void CreateZylomHandler() {
  gZylom = true;
  AddPortalHandler();
}

void CreateAolHandler() { AddPortalHandler(); }

void PostHostCommand(const TString& text, bool pauseAfter) {
  if (HostDriven()) {
    gState.gameActive = true;
    return;
  }
  HWND host = HostWindow();
  const char* bytes = text.CStr();
  const size_t total = static_cast<size_t>(text.Length()) + 1;  // with the NUL
  for (size_t start = 0; start < total; start += 8) {
    // Each group is copied into a zeroed buffer, so the last one never reads past the text.
    unsigned char group[8] = {};
    std::memcpy(group, bytes + start, total - start < 8 ? total - start : 8);
    uint32_t low = group[0] | group[1] << 8 | group[2] << 16 | static_cast<uint32_t>(group[3]) << 24;
    uint32_t high = group[4] | group[5] << 8 | group[6] << 16 | static_cast<uint32_t>(group[7]) << 24;
    PostMessageA(host, WM_USER, static_cast<WPARAM>(low), static_cast<LPARAM>(static_cast<int32_t>(high)));
  }
  if (pauseAfter && !gZylom) PortalPauseGame();
  PortalUpdateMute();
}

void PortalScoreSubmit(int32_t score) {
  if (!Hosted()) return;
  if (gZylom) {
    PostHostCommand(TString::Format("ScoreSubmit(\"<game><score>%ld</score><time>%ld</time><level>%d</level>"
                                    "<sublevel>%d</sublevel></game>\")",
                                    static_cast<long>(score), ClockSeconds(), gState.level, gState.sublevel),
                    false);
    gState.scoreSubmitted = true;
  } else {
    PostHostCommand(TString::Format("ScoreSubmit(\"<game><score>%ld</score><time>%ld</time></game>\")",
                                    static_cast<long>(score), ClockSeconds()),
                    false);
  }
}

void PortalScoreBroadcast(int32_t score) {
  if (!Hosted() || !gState.gameActive) return;
  uint32_t now = GetTickCount();
  if (gState.lastBroadcast != 0 && now - gState.lastBroadcast < 5000) return;
  gState.lastBroadcast = now;
  PostHostCommand(TString::Format("ScoreBroadcast(\"<game><score>%ld</score><time>%ld</time></game>\")",
                                  static_cast<long>(score), ClockSeconds()),
                  false);
}

void PortalGameEnd() {
  if (!Hosted()) return;
  gState.gameActive = false;
  PostHostCommand("GameEnd(\"<gamedata></gamedata>\")", true);
}

void PortalGameBreak() {
  if (!Hosted()) return;
  ++gState.breakCounter;
  PostHostCommand(TString::Format("GameBreak(\"<data><breakpoint>%d</breakpoint></data>\")",
                                  static_cast<int>(gState.breakCounter)),
                  true);
}

void PortalGameReady(const TString& mode) {
  if (!Hosted()) return;
  PostHostCommand(TString::Format("GameReady(\"<data><mode>%s</mode></data>\")", mode.CStr()), true);
}

void PortalLoadBroadcast(int32_t percent) {
  if (!gMsn || gState.sessionReadySent) return;
  if (percent < 0) percent = 0;
  if (percent > 100) percent = 100;
  PostHostCommand(
      TString::Format("LoadBroadcast(\"<data><percentcomplete>%d</percentcomplete></data>\")", percent), true);
}

void PortalSessionReady() {
  if (!Hosted() || gState.sessionReadySent) return;
  gState.sessionReadySent = true;
  PostHostCommand("SessionReady(\"<data></data>\")", true);
}

void PortalGamePause(bool on) {
  if (!Hosted() || on == gState.gamePaused) return;
  gState.gamePaused = on;
  if (!gState.hostPaused) {
    if (on)
      PauseClock();
    else
      ResumeClock();
    if (gZylom) PostHostCommand(on ? "GamePause(\"<data>true</data>\")" : "GamePause(\"<data>false</data>\")", true);
  }
  PortalUpdateMute();
}

void PortalRestart() {
  if (!gZylom || !PortalCommercialDue() || !gState.scoreSubmitted) return;
  PostHostCommand("Restart", false);
}

void PortalSetLevel(int32_t level, int32_t sublevel) {
  gState.level = level;
  gState.sublevel = sublevel;
}

void PortalSetMute(bool on) {
  if (Hosted()) gState.gameMute = on;
  PortalUpdateMute();
}

void PortalPauseGame() {
  if (gState.hostPaused) return;
  gState.hostPaused = true;
  gState.hostPauseStart = GetTickCount();
  if (!gState.gamePaused) {
    PauseClock();
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));  // the system's arrow while the host has the game
  }
}

void PortalResumeGame() {
  if (!gState.hostPaused) return;
  gState.hostPaused = false;
  AddPortalPause(GetTickCount() - gState.hostPauseStart);
  if (!gState.gamePaused) {
    ResumeClock();
    if (gHooks.restoreGameCursor) gHooks.restoreGameCursor();
  }
}

void PortalUpdateMute() {
  // Without a portal host nothing ever makes the game active, so the forced mute below would
  // silence an unhosted (AOL) run for good.
  if (!Hosted()) return;
  bool wanted = gState.hostMute || gState.gamePaused || gState.hostPaused || gState.gameMute;
  if (!gZylom && !gState.gameActive) wanted = true;
  if (wanted && !gState.muteApplied) {
    gState.savedVolume = MasterVolume();
    SetMasterVolume(0.0f);
    gState.muteApplied = true;
  } else if (!wanted && gState.muteApplied) {
    SetMasterVolume(gState.savedVolume);
    gState.muteApplied = false;
  }
}

void PortalOnHostMessage(int32_t kind) {
  if (!Hosted()) return;
  switch (kind) {
    case 1:
      gState.jumpToMenuPending = true;
      break;
    case 2:
      gState.hostMute = true;
      break;
    case 3:
      gState.hostMute = false;
      break;
    case 4:
      if (HostDriven() && GetCapture()) ReleaseCapture();
      PortalPauseGame();
      break;
    case 7:
      gState.gameActive = true;
      gState.lastBroadcast = 0;
      gState.gamePaused = false;
      PortalResumeGame();
      GameClock().Reset();
      GameClock().Start();
      if (gState.menuJumpTaken) {
        gState.menuJumpTaken = false;
        break;
      }
      gState.restartPending = true;
      break;
    case 8:
      gState.restartPending = true;
      break;
    case 5:
    case 6:
    case 9:
    case 10:
      PortalResumeGame();
      break;
    default:
      break;
  }
  PortalUpdateMute();
}

bool PortalTakeJumpToMenu() {
  if (!Hosted()) return false;
  bool pending = gState.jumpToMenuPending;
  gState.jumpToMenuPending = false;
  if (pending) {
    gState.menuJumpTaken = true;
    gState.gameActive = false;
    PortalUpdateMute();
  }
  return pending;
}

bool PortalTakeRestart() {
  bool pending = gState.restartPending;
  gState.restartPending = false;
  if (pending) {
    gState.gameActive = true;
    PortalUpdateMute();
  }
  return pending;
}

bool PortalCommercialDue() {
  if (gState.commercialInterval < 0) return false;
  return gState.commercialInterval < ClockSeconds();
}

int32_t TMsnZylomHandler::HubNumber(const char* key) { return mHub ? mHub->GetState(key).ToInt() : 0; }

bool TMsnZylomHandler::SetState(const TString& key, const TString& value) {
  if (key == "windowmessage") {
    PortalOnHostMessage(value.ToInt());
    return true;
  }
  if (key == "loadbroadcast") {
    PortalLoadBroadcast(100);
    return true;
  }
  if (key == "sessionready") {
    PortalSessionReady();
    return true;
  }
  if (key == "cmdline") {
    if (gZylom)
      gState.commercialInterval = ReadCommercialInterval(value);
    else if (value.Find(kSwitchAol) >= 0)
      mAol = true;
  } else if (key == "level") {
    PortalSetLevel(value.ToInt(), HubNumber("sublevel"));
  } else if (key == "sublevel") {
    PortalSetLevel(HubNumber("level"), value.ToInt());
  } else if (key == "pause") {
    PortalGamePause(value.ToInt() != 0);
  } else if (key == "mute") {
    PortalSetMute(value.ToInt() != 0);
    return true;
  } else if (key == "breaknow") {
    PortalGameBreak();
  } else if (key == "score") {
    PortalScoreBroadcast(value.ToInt());
  } else if (key == "gamemode") {
    PortalGameReady(value);
  } else if (key == "gameover") {
    PortalScoreSubmit(HubNumber("score"));
    PortalGameEnd();
  } else if (key == "restartbutton") {
    PortalRestart();
  }
  return false;
}

TString TMsnZylomHandler::GetState(const TString& key, const TString& current) {
  if (key == "systemmode") {
    TString mode = current;
    if (gZylom) mode = "zylom";
    if (gMsn) mode = "msn";
    if (mAol) mode = "aol";
    return mode;
  }
  if (key == "restartbutton") return TString::Format("%d", PortalCommercialDue() ? 1 : 0);
  return current;
}

bool TMsnZylomHandler::QueryRestartMode() { return PortalTakeRestart(); }
bool TMsnZylomHandler::QueryJumpToMenu() { return PortalTakeJumpToMenu(); }
bool TMsnZylomHandler::QueryMuteGame() { return gState.muteApplied; }
bool TMsnZylomHandler::IsBusy() { return Hosted() && gState.hostPaused; }
