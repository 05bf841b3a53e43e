// The game's process entry pieces: the configuration set before the platform exists, the drawing
// options, the game's main function with its main loop, and the message handler that turns the
// game's named messages into modal screens.
#pragma once
#include <cstdint>

#include "platform/platformevent.h"
#include "core/string.h"
#include "ui/message.h"

class TPlatform;

// 0 while the game runs; 1 from the end of the main loop on, before any singleton goes. Screen
// destructors read it to tell a shutdown from a screen change.
extern uint8_t gAppShuttingDown;

// The framework keys the game fixes before the platform starts (the data key among them, which
// the preference database and the score client need).
void GamePreInitialize();
// The four drawing options the game's art is made for.
void SetRenderFlags();
// The exit code of a start that found a damaged file of the game (a script that does not compile).
inline constexpr unsigned kExitDamagedGameFile = 3;
// Compiles every script of "assets/scripts"; false with the first failing file and its error.
bool CheckGameScripts(TString* failure);

// Called back by the platform once the window manager and its script exist; returns after the
// quit event, with the game's singletons gone. A game script that does not compile is shown in a
// message box naming the file and its error, and the process ends with kExitDamagedGameFile.
int GameMain(TPlatform* platform, const char* commandLine);
// The shutdown's end: the model, the settings keeper, the globals, the diary, the score system and
// the sprite animator go, in this order, whichever of them exist.
void DestroyGameSingletons();

// One turn of the main loop: false for the quit event (which is not passed on); otherwise the
// close request runs the "scriptOkVerify" script, a full-screen toggle is stored, an activation
// change sets "WindowHasNotFocus", and the event goes to the window manager.
bool HandleMainLoopEvent(const TPlatformEvent& event);

// Opens the game's dialog screens for six named messages on the top modal window.
class CMessageHandler : public TMessageListener {
 public:
  bool OnMessage(TMessage& message) override;
};
