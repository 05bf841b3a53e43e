// A game-state module for the tests: its handler writes down every key and value it hears, and a
// test can make it report busy. With TM_VXMOD_LOG set, each key and value is also appended to that
// file as "key=value" lines, so a test can follow a module inside another process.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "services/gamestate.h"

namespace {
std::string gLog;
bool gBusy = false;

class Handler : public IGameStateHandler {
 public:
  void SetState(const char* key, const char* value) override {
    gLog += key;
    gLog += "=";
    gLog += value;
    gLog += ";";
    if (const char* path = std::getenv("TM_VXMOD_LOG")) {
      if (FILE* f = std::fopen(path, "a")) {
        std::fprintf(f, "%s=%s\n", key, value);
        std::fclose(f);
      }
    }
  }
  bool IsBusy() override { return gBusy; }
};
}  // namespace

extern "C" IGameStateHandler* CreateHandler() { return new Handler; }
extern "C" void DestroyHandler(IGameStateHandler* handler) { delete handler; }
extern "C" const char* TestModuleLog() { return gLog.c_str(); }
extern "C" void TestModuleSetBusy(bool busy) { gBusy = busy; }
