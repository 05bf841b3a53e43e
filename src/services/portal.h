// Portal handlers: the flags the event pump and the timer read, and the creation points the
// platform's start-up calls for "-msn", "-zylom", "-aol" and "-pq=". The handlers themselves only
// take part in the game-state hub so far; their messaging with the portals comes later.
#pragma once
#include <cstdint>

#include "services/gamestate.h"

// True while the Zylom portal handler is active.
bool PortalIsZylom();
// Set when the "-zylom" handler is created, cleared when it goes.
void SetPortalZylom(bool active);
// While the MSN or the Zylom portal flag is set, the milliseconds the portal handlers kept paused,
// else 0 (the platform timer leaves them out).
uint32_t GetPortalPauseTotal();
void SetPortalMsn(bool active);
void AddPortalPause(uint32_t ms);

// A portal's handler in the hub: hears the states, is never busy yet.
class TPortalHandler : public IGameStateHandler {
 public:
  explicit TPortalHandler(const char* portal) : mPortal(portal) {}
  void SetState(const char* key, const char* value) override {}
  bool IsBusy() override { return false; }
  const char* GetPortal() const { return mPortal; }

 private:
  const char* mPortal;
};
// The MSN and Zylom portals share one handler class; its portal's flag stays set while it lives.
class TMsnZylomHandler : public TPortalHandler {
 public:
  explicit TMsnZylomHandler(bool zylom);
  ~TMsnZylomHandler() override;

 private:
  bool mZylom;
};

// Each marks its portal active (MSN and Zylom have flags), makes sure the hub exists and adds the
// portal's handler to it.
void CreateMsnHandler();
void CreateZylomHandler();
void CreateAolHandler();
