// Portal handlers. Only the Zylom flag the event pump reads exists yet.
#pragma once
#include <cstdint>

// True while the Zylom portal handler is active.
bool PortalIsZylom();
// Set when the "-zylom" handler is created, cleared when it goes.
void SetPortalZylom(bool active);
// While the MSN or the Zylom portal flag is set, the milliseconds the portal handlers kept paused,
// else 0 (the platform timer leaves them out).
uint32_t GetPortalPauseTotal();
void SetPortalMsn(bool active);
void AddPortalPause(uint32_t ms);
