// Fitting a text into its window's box by lowering the font size.
#pragma once

class TText;

// Lays the text out at `largest` and then one point smaller at a time (never below 1) until it
// fits the window's width and height; answers the size it settled on (0 without a layout).
int FitTextToBox(TText* text, int largest);
