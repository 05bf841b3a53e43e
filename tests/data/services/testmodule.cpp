// A game-state module for the tests: its handler writes down every key and value it hears, consumes
// the key "eat", answers "modulekey" with the value so far plus "+module", and a test can make it
// report busy or ask for a restart. With TM_VXMOD_LOG set, each key and value is also appended to that
// file as "key=value" lines, so a test can follow a module inside another process.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "services/gamestate.h"

namespace {
std::string gLog;
std::string gAnswer;
bool gBusy = false;
bool gRestart = false;

class Handler : public TGameStateModuleHandler {
 public:
  bool SetState(const char* key, const char* value) override {
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
    return std::strcmp(key, "eat") == 0;
  }
  const char* GetState(const char* key, const char* current) override {
    if (std::strcmp(key, "modulekey") != 0) return current;
    gAnswer = std::string(current) + "+module";
    return gAnswer.c_str();
  }
  bool QueryRestartMode() override { return gRestart; }
  bool IsBusy() override { return gBusy; }
};
}  // namespace

extern "C" TGameStateModuleHandler* CreateHandler() { return new Handler; }
extern "C" void DestroyHandler(TGameStateModuleHandler* handler) { delete handler; }
extern "C" const char* TestModuleLog() { return gLog.c_str(); }
extern "C" void TestModuleSetBusy(bool busy) { gBusy = busy; }
extern "C" void TestModuleSetRestart(bool restart) { gRestart = restart; }
