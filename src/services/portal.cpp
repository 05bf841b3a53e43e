// Portal flags (see portal.h).
#include "services/portal.h"

#include <atomic>
#include <memory>

namespace {
std::atomic<bool> gZylom{false};
std::atomic<bool> gMsn{false};
std::atomic<uint32_t> gPause{0};
}

bool PortalIsZylom() { return gZylom; }
void SetPortalZylom(bool active) { gZylom = active; }
void SetPortalMsn(bool active) { gMsn = active; }
void AddPortalPause(uint32_t ms) { gPause += ms; }
uint32_t GetPortalPauseTotal() { return (gMsn || gZylom) ? gPause.load() : 0; }

TMsnZylomHandler::TMsnZylomHandler(bool zylom) : TPortalHandler(zylom ? "zylom" : "msn"), mZylom(zylom) {
  if (mZylom) SetPortalZylom(true); else SetPortalMsn(true);
}

TMsnZylomHandler::~TMsnZylomHandler() {
  if (mZylom) SetPortalZylom(false); else SetPortalMsn(false);
}

void CreateMsnHandler() { GetGameState()->AddHandler(std::make_unique<TMsnZylomHandler>(false)); }

void CreateZylomHandler() { GetGameState()->AddHandler(std::make_unique<TMsnZylomHandler>(true)); }

void CreateAolHandler() { GetGameState()->AddHandler(std::make_unique<TPortalHandler>("aol")); }
