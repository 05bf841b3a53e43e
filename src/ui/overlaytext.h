// The debug overlay's text: laid out in the default vector font and drawn through the text
// windows' line sink, so that Alt+F1 shows its figures wherever text windows show theirs.
#pragma once
#include "core/rect.h"
#include "core/string.h"

// Lays out and draws the marked-up text into the box (white, so it reads on the black backing).
void DrawOverlayText(const TString& text, const TRect& box);
// Makes the drawing context draw its overlay text with DrawOverlayText (or stop, with false).
void InstallOverlayText(bool on);
