// Registration of the game's small window types, so that window scripts can create them by type
// name: "RolloverWindow", "ScoreWindow" and "TickerWindow". Text boxes and sprite windows are made by
// code only.
#pragma once

class TWindowManager;

// Registers the types with the manager's window script (the running one when null).
void RegisterSmallWindowTypes(TWindowManager* manager = nullptr);
