// What a movie player plug-in offers the movie window. A player is a shared object beside the
// program ("vxmovie.dll", found as vxmovie.so) that exports CreateMoviePlayer and
// DestroyMoviePlayer; it draws into the child window the movie window gives it. Every call answers
// false (or null) when it fails. No player ships with the program.
#pragma once
#include <cstdint>

#include "os/win32types.h"

class TMoviePlayer {
 public:
  virtual ~TMoviePlayer() = default;
  // The installed version; the major version is in bits 16-23.
  virtual bool GetVersion(int32_t* version) = 0;
  // The movie file's full path, as a Linux path.
  virtual bool SetMovie(const char* path) = 0;
  virtual bool SetLoop(bool loop) = 0;
  virtual bool GetPlaying(bool* playing) = 0;
  virtual bool Play() = 0;
  virtual bool Stop() = 0;
  // The movie variable's text (UTF-8), valid until the next call; null when it cannot be read.
  virtual const char* GetVariable(const char* name) = 0;
  virtual bool SetVariable(const char* name, const char* value) = 0;
  // Mouse and key messages of the movie's window while the movie takes input (right-button
  // messages never arrive here).
  virtual void HandleInput(UINT message, WPARAM wParam, LPARAM lParam) = 0;
};

// The player's exports: a player for the movie's child window of the given size, and its release.
using TCreateMoviePlayerProc = TMoviePlayer* (*)(HWND window, int32_t width, int32_t height);
using TDestroyMoviePlayerProc = void (*)(TMoviePlayer* player);
