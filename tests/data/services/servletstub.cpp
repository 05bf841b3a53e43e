// A local score server module for the tests: it writes down every call it gets, so a test can see
// what the score client handed over.
#include <string>

namespace {
std::string gLog;
int gServer = 0;
}  // namespace

extern "C" void* HiscoreServer_CreateLocalServer() {
  gLog += "create;";
  return &gServer;
}

extern "C" int HiscoreServer_SetServerInfo(void* server, const char* game, const char* identity, const char** modes,
                                           int modeCount, const char** medals, int medalCount) {
  gLog += std::string("info ") + (server == &gServer ? "ok" : "bad") + " " + game + " " + identity + " modes";
  for (int i = 0; i < modeCount; ++i) gLog += std::string(" ") + modes[i];
  gLog += " medals";
  for (int i = 0; i < medalCount; ++i) gLog += std::string(" ") + medals[i];
  gLog += ";";
  return 1;
}

extern "C" int HiscoreServer_LoadServerDefFile(void* server) {
  gLog += server == &gServer ? "deffile;" : "deffile bad;";
  return 1;
}

extern "C" void HiscoreServer_FreeLocalServer(void* server) { gLog += server == &gServer ? "free;" : "free bad;"; }

extern "C" const char* TestServletLog() { return gLog.c_str(); }
extern "C" void TestServletClear() { gLog.clear(); }
