// The ordered map keyed by TString. Keys are ordered by TString::operator<, so by CollateStrings:
// keys the collation calls equal are one key, and the empty (null) string and "" are the same key.
// operator[] inserts a zero (value-initialised) entry for an absent key.
#pragma once
#include <functional>
#include <map>

#include "core/string.h"

template <typename Value>
using StringKeyMap = std::map<TString, Value, std::less<TString>>;
