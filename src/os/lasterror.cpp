// Per-thread last-error value of the stand-in layer.
#include "os/lasterror.h"

namespace {
thread_local DWORD tLastError = ERROR_SUCCESS;
}

DWORD GetLastError() { return tLastError; }

void SetLastError(DWORD error) { tLastError = error; }
