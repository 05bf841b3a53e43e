// Entry of The Harrowmere Demo: fixes the game's framework keys, then hands the process to the
// framework with the game's main function.
#include <string>

#include "platform/platform.h"
#include "os/winuser.h"
#include "shell/gamemain.h"

namespace {

// The arguments as one command line, as the framework reads it. An argument with blanks is quoted,
// after its "=" when it has one, so that "-wd=/a b" reaches the framework as -wd="/a b".
std::string JoinArguments(int argc, char** argv) {
  std::string line;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (!line.empty()) line += ' ';
    if (arg.find(' ') == std::string::npos || arg.find('"') != std::string::npos) {
      line += arg;
      continue;
    }
    size_t eq = arg.find('=');
    size_t cut = eq == std::string::npos ? 0 : eq + 1;
    line += arg.substr(0, cut) + '"' + arg.substr(cut) + '"';
  }
  return line;
}

}  // namespace

int main(int argc, char** argv) {
  std::string line = JoinArguments(argc, argv);
  GamePreInitialize();
  PlatformMain(nullptr, nullptr, line.c_str(), SW_SHOWNORMAL, GameMain, false);
}
