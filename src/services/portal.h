// The portal handler: when the program runs inside a game portal's host window (MSN, Zylom or AOL)
// it turns the game's state reports into command texts posted to the host window, and answers the
// host's window messages (pause, mute, new game, back to the menu). The portal state is process-wide.
#pragma once
#include <cstdint>
#include <functional>

#include "core/clock.h"
#include "core/string.h"
#include "os/win32types.h"
#include "services/gamestate.h"

// True while the Zylom portal handler is active.
bool PortalIsZylom();
// Set when the "-zylom" handler is created.
void SetPortalZylom(bool active);
void SetPortalMsn(bool active);
// While the MSN or the Zylom portal flag is set, the milliseconds the host kept the game paused,
// else 0 (the platform timer leaves them out).
uint32_t GetPortalPauseTotal();
void AddPortalPause(uint32_t ms);

// Each marks its portal, makes sure the hub exists and adds a portal handler to it.
void CreateMsnHandler();
void CreateZylomHandler();
void CreateAolHandler();

class TMsnZylomHandler : public TGameStateHandler {
 public:
  bool SetState(const TString& key, const TString& value) override;
  TString GetState(const TString& key, const TString& current) override;
  bool QueryRestartMode() override;
  bool QueryJumpToMenu() override;
  bool QueryMuteGame() override;
  bool IsBusy() override;
  bool IsAol() const { return mAol; }

 private:
  // The hub's value of a key read as a number (0 outside a hub).
  int32_t HubNumber(const char* key);
  bool mAol = false;
};

// What the portal code needs of the rest of the program. The platform installs the real ones;
// without them the host window is the platform's, the volume is kept here and the cursor calls do
// nothing.
struct TPortalHooks {
  std::function<HWND()> hostWindow;
  std::function<float()> getMasterVolume;
  std::function<void(float)> setMasterVolume;
  std::function<void()> restoreGameCursor;  // the game's cursor back, and a redraw
};
void SetPortalHooks(TPortalHooks hooks);

// The game clock the portal reports times of; paused and resumed with the host.
TClock& GetPortalGameClock();

// Posts the text and its NUL to the host window in 8-byte WM_USER groups (bytes 0-3 as wParam,
// 4-7 as lParam, little-endian). In host-driven mode ("-pq=") nothing is posted and the game is
// marked active. Afterwards a pause (unless Zylom) when asked, then the mute is brought up to date.
void PostHostCommand(const TString& text, bool pauseAfter);

// The portal operations (each acts only while hosted by MSN or Zylom).
void PortalScoreSubmit(int32_t score);
void PortalScoreBroadcast(int32_t score);
void PortalGameEnd();
void PortalGameBreak();
void PortalGameReady(const TString& mode);
void PortalLoadBroadcast(int32_t percent);
void PortalSessionReady();
void PortalGamePause(bool on);
void PortalRestart();
void PortalSetLevel(int32_t level, int32_t sublevel);
void PortalSetMute(bool on);
void PortalPauseGame();
void PortalResumeGame();
void PortalUpdateMute();
void PortalOnHostMessage(int32_t kind);
bool PortalTakeJumpToMenu();
bool PortalTakeRestart();
bool PortalCommercialDue();

// A view of the portal state for tests and diagnostics.
struct TPortalState {
  bool sessionReadySent = false;
  bool jumpToMenuPending = false;
  bool hostPaused = false;
  uint32_t hostPauseStart = 0;
  uint32_t hostPausedTotal = 0;
  bool gameActive = false;
  bool scoreSubmitted = false;
  bool restartPending = false;
  bool hostMute = false;
  bool gameMute = false;
  bool muteApplied = false;
  float savedVolume = 1.0f;
  bool gamePaused = false;
  uint32_t lastBroadcast = 0;
  int32_t level = 0;
  int32_t sublevel = 0;
  int32_t commercialInterval = -1;
  bool menuJumpTaken = false;
  uint32_t breakCounter = 0;
};
const TPortalState& GetPortalState();
// Back to the state of a fresh run: flags cleared, hooks and game clock reset.
void ResetPortal();
