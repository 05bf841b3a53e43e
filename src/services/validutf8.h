// The check a text-entry field outside its UTF-8 mode makes before it takes a clipboard paste.
#pragma once
#include "core/string.h"

// True when no byte of the text is 0xC0 or above (7-bit text and stray continuation bytes pass).
bool IsValidUTF8(const TString& text);
