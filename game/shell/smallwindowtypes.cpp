// The small window types' registration.
#include "shell/smallwindowtypes.h"

#include "shell/rolloverwindow.h"
#include "shell/scorewindow.h"
#include "shell/tickerwindow.h"
#include "ui/windowmanager.h"

void RegisterSmallWindowTypes(TWindowManager* manager) {
  if (!manager) manager = GetWindowManager();
  manager->RegisterWindowType("RolloverWindow", &TRolloverWindow::CreateInstance);
  manager->RegisterWindowType("ScoreWindow", &TScoreWindow::CreateInstance);
  manager->RegisterWindowType("TickerWindow", &TTickerWindow::CreateInstance);
}
