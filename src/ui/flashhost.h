// The movie window: hosts an outside movie player control over the game's window. No such player
// is installed on this system, so opening a movie always fails and callers take their still-image
// path; the parts that do not need the player (version rule, variable list) work regardless.
#pragma once
#include <vector>

#include "core/string.h"

class TFlashHost {
 public:
  explicit TFlashHost(const TString& movie);
  ~TFlashHost();
  TFlashHost(const TFlashHost&) = delete;
  TFlashHost& operator=(const TFlashHost&) = delete;

  // Opens the player control and the movie; false (game left as it was) when it cannot.
  bool Create(bool loop, bool translate, bool allowInput);
  bool IsPlaying();
  // The player's major version, 0 when there is no player.
  int32_t GetFlashVersion();
  void Destroy();
  const TString& GetMovie() const { return mMovie; }

  // The lowest player major version a movie needs: 4, 6 when texts are handed in, raised by the
  // configuration value "flashmajorversion".
  static int32_t RequiredVersion(bool translate);
  // The names of a "textvarnames" list; each name ends with ";", a last name without one is dropped.
  static std::vector<TString> SplitVariableNames(const TString& list);

 private:
  TString mMovie;
  bool mOpen = false;
};
