// The movie window: plays a movie over the game's window through a movie player plug-in, in a
// child window of the platform window. Without a player (none ships with the program) opening a
// movie fails and leaves the game as it was, so callers take their still-image path.
#pragma once
#include <vector>

#include "core/string.h"
#include "os/win32types.h"

class TMoviePlayer;

class TFlashHost {
 public:
  explicit TFlashHost(const TString& movie);
  ~TFlashHost();
  TFlashHost(const TFlashHost&) = delete;
  TFlashHost& operator=(const TFlashHost&) = delete;

  // Opens the player and the movie; false (game left as it was) when it cannot.
  bool Create(bool loop, bool translate, bool allowInput);
  // Finds the movie ("assets/" first, then the bare name) and hands it to the player; with
  // translate also the string-table texts the movie asks for, then starts it.
  bool LoadMovie(bool loop, bool translate);
  // Whether the movie still plays; keeps the platform window at least as large as the movie.
  bool IsPlaying();
  // The player's major version, 0 when there is no player or the call fails.
  int32_t GetFlashVersion();
  // Closes the player and its windows and gives the game back its window and cursor.
  void Destroy();
  const TString& GetMovie() const { return mMovie; }
  bool IsOpen() const { return mPlayer != nullptr; }
  HWND GetControlWindow() const { return mControlWindow; }
  HWND GetBlockerWindow() const { return mBlockerWindow; }

  // The lowest player major version a movie needs: 4, 6 when texts are handed in, raised by the
  // configuration value "flashmajorversion".
  static int32_t RequiredVersion(bool translate);
  // The names of a "textvarnames" list; each name ends with ";", a last name without one is dropped.
  static std::vector<TString> SplitVariableNames(const TString& list);
  // The plug-in file looked for ("vxmovie.dll" unless changed); changing it forgets a loaded one.
  static void SetPlayerModuleName(const TString& name);

 private:
  static LRESULT ControlWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  // The player, when its window still exists.
  TMoviePlayer* Player() const;
  void CloseWindows();

  TString mMovie;
  TMoviePlayer* mPlayer = nullptr;
  HWND mControlWindow = nullptr;
  HWND mBlockerWindow = nullptr;
  bool mSavedHardwareCursor = false;
  bool mAllowInput = false;
  int32_t mMovieWidth = 0, mMovieHeight = 0;
};
