// A movie player plug-in for the tests: it plays nothing, but records every call (readable through
// TestMoviePlayerLog), answers the version, the "textvarnames" list and the playing state the test
// sets, and can be made to refuse a movie.
#include <string>

#include "ui/movieplayer.h"

namespace {
std::string gLog;
int gVersion = 9 << 16;
std::string gNames;
bool gPlaying = true;
bool gRefuseMovie = false;
int gAlive = 0;

class Player : public TMoviePlayer {
 public:
  Player() { ++gAlive; }
  ~Player() override { --gAlive; }
  bool GetVersion(int32_t* version) override {
    *version = gVersion;
    return true;
  }
  bool SetMovie(const char* path) override {
    gLog += std::string("movie=") + path + ";";
    return !gRefuseMovie;
  }
  bool SetLoop(bool loop) override {
    gLog += loop ? "loop=1;" : "loop=0;";
    return true;
  }
  bool GetPlaying(bool* playing) override {
    *playing = gPlaying;
    return true;
  }
  bool Play() override {
    gLog += "play;";
    return true;
  }
  bool Stop() override {
    gLog += "stop;";
    return true;
  }
  const char* GetVariable(const char* name) override {
    gLog += std::string("get ") + name + ";";
    return std::string(name) == "textvarnames" ? gNames.c_str() : nullptr;
  }
  bool SetVariable(const char* name, const char* value) override {
    gLog += std::string("set ") + name + "=" + value + ";";
    return true;
  }
  void HandleInput(UINT message, WPARAM, LPARAM) override { gLog += "input " + std::to_string(message) + ";"; }
};
}  // namespace

extern "C" TMoviePlayer* CreateMoviePlayer(HWND, int32_t width, int32_t height) {
  gLog += "create " + std::to_string(width) + "x" + std::to_string(height) + ";";
  return new Player;
}
extern "C" void DestroyMoviePlayer(TMoviePlayer* player) {
  gLog += "destroy;";
  delete player;
}

extern "C" const char* TestMoviePlayerLog() { return gLog.c_str(); }
extern "C" void TestMoviePlayerReset(int version, const char* names, bool playing, bool refuseMovie) {
  gLog.clear();
  gVersion = version;
  gNames = names;
  gPlaying = playing;
  gRefuseMovie = refuseMovie;
}
extern "C" int TestMoviePlayersAlive() { return gAlive; }
