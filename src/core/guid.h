// Fresh random identifiers: the raw 16 bytes of a new GUID and its 32-digit text form.
#pragma once
#include <cstdint>

#include "core/string.h"

// The four 32-bit words of a new GUID in memory order. All zero when no GUID can be had.
void NewGuid(uint8_t out[16]);
// A new GUID as "%08x%08x%08x%08x" of its four words in memory order: 32 lower-case hex digits.
TString MakeGuidText();
