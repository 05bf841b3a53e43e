// Names of the stand-in's result codes, so that log lines about failed DirectX and DirectSound
// calls say which failure it was instead of a bare number.
#pragma once

#include "os/win32types.h"

namespace os {

// The name of a result code ("DSERR_NODRIVER"); null for a code the stand-in never answers. Codes
// that several interfaces share by value go by their common name (E_FAIL, E_OUTOFMEMORY, ...).
const char* ResultName(HRESULT code);

}  // namespace os
