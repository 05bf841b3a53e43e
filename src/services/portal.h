// Portal handlers. Only the Zylom flag the event pump reads exists yet.
#pragma once

// True while the Zylom portal handler is active.
bool PortalIsZylom();
// Set when the "-zylom" handler is created, cleared when it goes.
void SetPortalZylom(bool active);
