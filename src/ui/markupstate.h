// TMarkupState: the inline markup of laid-out text. Reads one tag ("<b>", "<font size="20">", ...)
// from a text and applies it to the state that the runs started afterwards take: the font stack,
// styles, alignment stack, link and outline.
#pragma once
#include <cstdint>

#include "core/string.h"

struct TFontStackEntry {
  TString face;
  int size = 16;
  float color[4] = {0, 0, 0, 0};
};

// What a tag asks of the layout besides changing the state.
struct TTagEffect {
  bool endsLine = false;
  bool alignment = false;  // an alignment tag (it also ends the line)
  bool cursor = false;
  int pad = 0;             // "br" pad in pixels
  int tabPosition = -1;    // "tab" pos in pixels, -1 when none
};

class TMarkupState {
public:
  static constexpr int kStackDepth = 32;
  static constexpr int kTagBufferSize = 128;
  // Font and outline sizes (pixels) that scale glyphs are cut to these: no screen shows larger
  // ones, and a text from a script or a save must not make one glyph cost a frame.
  static constexpr int kMaxFontSize = 1024;
  static constexpr int kMaxOutlineSize = 64;

  TMarkupState() { Reset(); }
  void Reset();

  // Reads the tag starting at text (a "<") into buffer (kTagBufferSize + 1 bytes): blanks outside
  // quotes dropped, lower-cased except attribute values (from "=" to the next blank). Answers the
  // bytes consumed, or 0 when the text ends before a ">" (the "<" is then an ordinary character).
  static int ReadTag(const char* text, char* buffer);
  // The value of an attribute of a read tag (between the quotes after its name), false when absent.
  static bool ReadAttribute(const char* tag, const char* name, TString& value);
  // Applies a read tag to the state.
  TTagEffect ApplyTag(const char* tag);

  const TFontStackEntry& Top() const { return mFontStack[mFontIndex]; }
  TFontStackEntry& Entry(int index) { return mFontStack[index]; }
  // The alignment in force: -1 the layout's own flags, 0 left, 1 centre, 2 right.
  int GetAlignment() const { return mAlignStack[mAlignCount]; }
  int GetAlignCount() const { return mAlignCount; }

  TFontStackEntry mFontStack[kStackDepth];
  int mFontIndex = 0;
  bool mBold = false, mItalic = false, mUnderline = false;
  int mAlignStack[kStackDepth] = {};
  int mAlignCount = 0;
  TString mLinkId;
  float mCurrentColor[4] = {0, 0, 0, 0};
  float mOutlineSize = 0;
  float mOutlineColor[4] = {0, 0, 0, 0};
};

// Reads "RRGGBB" (optionally "#"-prefixed) into a colour; with `allowAlpha`, a value of exactly
// eight characters ("#" counted) is RRGGBBAA. Alpha is 1 otherwise.
void ParseMarkupColor(const TString& value, bool allowAlpha, float color[4]);
