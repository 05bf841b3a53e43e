// The native half of the screen scripts' core functions: configuration, timer, strings, hot-key
// labels, modal depth, window lookups and changes by name, button commands and states, layers and
// immediate rectangle fills. The movie calls belong to the window script, which owns the movie.
#pragma once
#include "core/string.h"

struct lua_State;

// Publishes the core functions as globals of the state.
void RegisterCoreApi(lua_State* L);

// The label with the first occurrence of the hot key's last byte wrapped in "<u>" and "</u>".
TString TagHotKey(TString hotKey, TString label, TString ignored);
// Removes the first "&" from the label; the key is "@" and the byte after it (none for a
// multi-byte character or a trailing ampersand).
void StripKeyFromLabel(const TString& label, TString* stripped, TString* key);
