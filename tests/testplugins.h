// The test plug-ins (harness, game-state module, score-server stub, movie player) are built into a
// folder of their own, never beside the programs, where the game itself would load them. Including
// this header makes the test program's bare-name library loads find them there.
#pragma once
#include <string>

#include "os/dll.h"

namespace testutil {
inline std::string TestPluginFolder() { return os::ExecutableFolder() + "../testplugins/"; }
inline const bool kTestPluginsFound = (os::TestAddLibraryFolder(TestPluginFolder()), true);
}  // namespace testutil
