// COM's GUID source of the stand-in: fresh identifiers from the system's random source.
#pragma once
#include "os/win32types.h"


// 16 random bytes (getrandom, /dev/urandom when that is missing) with the version-4 and variant
// bits set. E_POINTER for a null argument, E_FAIL when no random bytes can be had.
HRESULT CoCreateGuid(GUID* guid);
