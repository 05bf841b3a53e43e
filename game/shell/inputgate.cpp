// The shared first step of the game windows' mouse handlers.
#include "shell/inputgate.h"

#include "model/globals.h"
#include "shell/settings.h"

bool NoteMouseAndCheckBriefing(const TWindow& window, TPoint point) {
  if (TSettings* settings = TSettings::GetInstance()) {
    TPoint screen = window.ClientToScreen(point);
    settings->SetMousePosition(screen.x, screen.y);
  }
  CGlobalInformationSystem* globals = CGlobalInformationSystem::GetInstance();
  return globals && globals->GetGlobalBool("showBriefingWindow");
}
