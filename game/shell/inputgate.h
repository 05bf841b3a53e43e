// The first step of every click and hover handler of the game's windows: the pointer's screen
// position goes to the settings keeper (bonuses and pick-ups appear where the player clicked), and
// while the briefing window is up the game's windows swallow the event.
#pragma once
#include "ui/window.h"

// Stores the point (client coordinates of the window) as a screen position; true when the event
// must be swallowed because the global bool "showBriefingWindow" is set.
bool NoteMouseAndCheckBriefing(const TWindow& window, TPoint point);
