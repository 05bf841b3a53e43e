// The game's window types: the names its screen scripts create windows by.
#pragma once

// Registers every game window type whose class exists, in the fixed order of the type list.
void RegisterWindowTypes();
