// The whole start-up run in this process: the configuration sources in their order, the log lines,
// the managers the facade owns and wires, the game-state modules and their notices, and a tear-down
// that leaves nothing behind. Also start-up ending cleanly when the program's folder cannot be read.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "core/commandline.h"
#include "core/config.h"
#include "core/log.h"
#include "core/stringtable.h"
#include "core/timer.h"
#include "os/dll.h"
#include "os/faultinject.h"
#include "os/msgbox.h"
#include "os/paths.h"
#include "os/time.h"
#include "os/winuser.h"
#include "platform/platform.h"
#include "platform/platformimpl.h"
#include "render/assetmanager.h"
#include "script/lua/lua.h"
#include "render/drawcontext.h"
#include "render/dxdisplayhandler.h"
#include "services/gamestate.h"
#include "services/portal.h"
#include "sound/soundmanager.h"
#include "ui/windowmanager.h"
#include "ui/windowscript.h"
#include "testplugins.h"

namespace fs = std::filesystem;

namespace {

// What the game's main function saw while the platform ran.
struct Seen {
  std::map<std::string, std::string> config;
  std::string commandLine;
  std::string moduleLog;
  bool facadeIsInstance = false;
  bool soundManagerWired = false;
  bool assetManagerWired = false;
  bool windowScriptInstalled = false;
  int32_t scriptFlag = -1;
  bool timerIsPlatforms = false;
  float viewportScale = 0;
  int32_t memoryCap = 0;
  bool vsyncReachesDisplay = false;
  bool displayHandlerWired = false;
  bool windowExists = false;
  std::string greeting, other;
  size_t handlers = 0;
  bool zylom = false;
  bool hostIsOwnWindow = false;
  RECT client{};
  std::string scriptState;  // what a script read back through the game state
  std::string moduleLogAfterScript;
};
Seen gSeen;

const char* const kKeys[] = {"memorymax", "texturememorymax", "stringtest", "utf8modeinit", "computerid",
                             "probe",     "gamename",         "version",    "buildtag",     "installkey",
                             "startupdir", "hwnd",            "fromentry",  "activex"};

std::string ModuleLog() {
  HMODULE module = GetModuleHandleA("test.vxmod");
  if (!module) return "(no module)";
  auto log = reinterpret_cast<const char* (*)()>(GetProcAddress(module, "TestModuleLog"));
  return log ? log() : "(no log)";
}

int RecordingMain(TPlatform* platform, const char* commandLine) {
  for (const char* key : kKeys) gSeen.config[key] = GetConfig(key, "(absent)").CStr();
  gSeen.commandLine = commandLine;
  gSeen.moduleLog = ModuleLog();
  if (TWindowManager* manager = platform->GetWindowManager(); manager && manager->GetWindowScript()) {
    TWindowScript* script = manager->GetWindowScript();
    script->DoLuaString(
        "SetState('level', 4) gRead = GetState('level') .. ',' .. tostring(QueryMuteGame()) .. ',' .."
        " tostring(QueryRestartMode()) .. ',' .. tostring(QueryJumpToMenu())", -1, 0);
    lua_State* L = script->GetState();
    lua_getglobal(L, "gRead");
    gSeen.scriptState = lua_isstring(L, -1) ? lua_tostring(L, -1) : "(no answer)";
    lua_pop(L, 1);
    gSeen.moduleLogAfterScript = ModuleLog();
  }
  gSeen.facadeIsInstance = TPlatform::GetInstance() == platform;
  gSeen.soundManagerWired = platform->GetSoundManager() && GetPlatformSoundManager() == platform->GetSoundManager();
  gSeen.assetManagerWired = platform->GetAssetManager() && TAssetManager::GetInstance() == platform->GetAssetManager();
  gSeen.windowScriptInstalled = platform->GetWindowManager() && platform->GetWindowManager()->GetWindowScript();
  gSeen.scriptFlag = platform->GetWindowManager() ? platform->GetWindowManager()->GetScriptFlag() : -1;
  if (TStringTable* strings = platform->GetStringTable()) {
    strings->SetQuiet(true);
    gSeen.greeting = strings->GetString("GREETING").CStr();
    gSeen.other = strings->GetString("OTHER").CStr();
  }
  TPlatformImpl* impl = platform->GetImpl();
  gSeen.windowExists = IsWindow(impl->mMainWindow);
  gSeen.handlers = FindGameState() ? FindGameState()->HandlerCount() : 0;
  gSeen.zylom = PortalIsZylom();
  gSeen.hostIsOwnWindow = impl->mHostWindow == impl->mMainWindow;
  GetClientRect(impl->mMainWindow, &gSeen.client);
  gSeen.displayHandlerWired = impl->GetDisplayHandler() == TDxDisplayHandler::GetInstance() && impl->GetDisplayHandler();
  impl->mClockOffset = 777777;  // only the platform's timer knows this offset
  // The clock may tick between the reads: the framework's reading must fall between two of the platform's.
  uint32_t before = platform->GetTimer();
  uint32_t framework = GetFrameworkTimer();
  uint32_t after = platform->GetTimer();
  gSeen.timerIsPlatforms = before <= framework && framework <= after && framework >= 777777u;
  // Writes that act at once while the platform exists.
  SetConfig("viewportscale", "1.5");
  gSeen.viewportScale = impl->mViewportScale[0];
  SetConfig("memorymax", "4242");
  gSeen.memoryCap = GetMemoryCap();
  SetConfig("vsync", "1");
  gSeen.vsyncReachesDisplay = impl->GetDisplayHandler() && impl->GetDisplayHandler()->mVsync;
  return 0;
}

class PlatformMainTest : public ::testing::Test {
 protected:
  void SetUp() override {
    start_ = fs::current_path();
    root_ = fs::temp_directory_path() / ("platformmain-" + std::to_string(getpid()));
    app_ = root_ / "app";
    fs::create_directories(app_ / "assets");
    setenv("XDG_DATA_HOME", (root_ / "data").c_str(), 1);
    setenv("XDG_DESKTOP_DIR", (root_ / "desk").c_str(), 1);
    fs::copy_file(testutil::TestPluginFolder() + "test.vxmod", app_ / "test.vxmod");
    // The program seems to live in the temporary folder; its own name keeps its version block.
    os::TestSetModulePath((app_ / fs::read_symlink("/proc/self/exe").filename()).string());
    os::TestRecordMessageBoxes(true);
    os::TestResetMessageBoxes();
    ClearConfig();
    gSeen = Seen();
  }
  void TearDown() override {
    fs::current_path(start_);
    os::TestSetModulePath("");
    os::TestClearFailures();
    LogInit("");
    SetProcessCommandLine("");
    fs::remove_all(root_);
  }
  void WriteSettings(const std::string& body) {
    std::ofstream(app_ / "assets" / "settings.xml") << "<?xml version=\"1.0\"?>\n<settings>\n" << body
                                                     << "</settings>\n";
  }
  // Runs the platform without the test harness beside this test program.
  int Run(const std::string& commandLine, TGameMain main = RecordingMain) {
    os::TestFailCall("LoadLibraryA", 126, 1);  // the harness is the first library the start-up asks for
    return RunPlatform(nullptr, commandLine.c_str(), SW_SHOWNORMAL, main, false);
  }
  std::string ReadLog() {
    if (!fs::exists(root_ / "data")) return "";
    for (auto& entry : fs::recursive_directory_iterator(root_ / "data"))
      if (entry.path().filename() == "logfile.txt") {
        std::ifstream in(entry.path());
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
      }
    return "";
  }
  std::string Windows(const fs::path& p) { return os::ToWindowsPath(p.string()); }

  fs::path start_, root_, app_;
};

}  // namespace

TEST_F(PlatformMainTest, ConfigurationSourcesApplyInTheirOrder) {
  // The game's entry writes first; the start-up's defaults, the settings file, the version block,
  // the folders and last "options=" each replace what came before.
  SetConfig("fromentry", "kept");
  SetConfig("gamename", "Entry Name");
  SetConfig("buildtag", "entry-tag");
  SetConfig("utf8mode", "1");
  WriteSettings(
      "<memorymax>5000</memorymax>\n<!-- a remark is no setting -->\n<stringtest>0</stringtest>\n"
      "<computerid>settings-id</computerid>\n<probe>settings</probe>\n<gamename>Settings Name</gamename>\n"
      "<version>9.9</version>\n<installkey>settings-key</installkey>\n");
  ASSERT_EQ(Run("--multiple --stringtest options=probe=options&startupdir=opt dir&x=1 tail"), 0);

  std::string exeFolder = Windows(app_) + "\\";
  struct Case {
    const char* key;
    std::string expected;
  } cases[] = {
      {"fromentry", "kept"},                 // nothing later writes it
      {"memorymax", "5000"},                 // the settings file beats the default
      {"texturememorymax", "100000000"},     // the default stands
      {"stringtest", "0"},                   // the settings file beats "--stringtest"
      {"utf8modeinit", "1"},                 // copied from "utf8mode"
      {"computerid", "settings-id"},         // the settings file beats the machine id
      {"probe", "options"},                  // "options=" beats the settings file
      {"gamename", "Entry Name"},            // the start-up's game name beats the settings file
      {"buildtag", "tallowmark-0.85"},       // the version block's internal name beats the entry
      {"installkey", exeFolder},             // the folder beats the settings file
      {"startupdir", "opt dir"},             // "options=" beats the start-up folder
      {"activex", "(absent)"},               // not hosted
  };
  for (const Case& c : cases) EXPECT_EQ(gSeen.config[c.key], c.expected) << c.key;
  EXPECT_NE(gSeen.config["version"], "9.9");  // the version block's text replaces the settings file's
  EXPECT_NE(gSeen.config["version"].find('.'), std::string::npos);
  EXPECT_NE(gSeen.config["hwnd"], "(absent)");
  EXPECT_EQ(gSeen.commandLine, "--multiple --stringtest options=probe=options&startupdir=opt dir&x=1 tail");
}

TEST_F(PlatformMainTest, TheFacadeOwnsAndWiresItsManagersAndLeavesNothingBehind) {
  int openPeriods = os::TestOpenTimePeriods();
  ASSERT_EQ(Run("--multiple"), 0);
  EXPECT_TRUE(gSeen.facadeIsInstance);
  EXPECT_TRUE(gSeen.soundManagerWired);
  EXPECT_TRUE(gSeen.assetManagerWired);
  EXPECT_TRUE(gSeen.windowScriptInstalled);
  EXPECT_TRUE(gSeen.displayHandlerWired);
  EXPECT_TRUE(gSeen.windowExists);
  EXPECT_TRUE(gSeen.timerIsPlatforms);
  EXPECT_FLOAT_EQ(gSeen.viewportScale, 1.5f);
  EXPECT_EQ(gSeen.memoryCap, 4242);
  EXPECT_TRUE(gSeen.vsyncReachesDisplay);
  EXPECT_EQ(gSeen.scriptFlag, 0);  // no "strings.xml" in the assets

  // After the tear-down: no facade, no managers, no hub, no drawing context, an empty store, the
  // clock period given back and the final quit posted to this thread.
  EXPECT_EQ(TPlatform::GetInstance(), nullptr);
  EXPECT_EQ(GetPlatformSoundManager(), nullptr);
  EXPECT_EQ(TAssetManager::GetInstance(), nullptr);
  EXPECT_EQ(FindGameState(), nullptr);
  EXPECT_EQ(TDrawContext::Find(), nullptr);
  EXPECT_EQ(GetConfig("memorymax", "(empty)"), "(empty)");
  EXPECT_EQ(os::TestOpenTimePeriods(), openPeriods);
  EXPECT_EQ(os::TestMainWindow(), nullptr);
  MSG msg;
  EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  // Writes after the platform has gone act on nothing.
  SetConfig("memorymax", "99");
  EXPECT_EQ(GetMemoryCap(), 4242);
}

TEST_F(PlatformMainTest, ModulesHearTheCommandLineAndTheDataFoldersInOrder) {
  ASSERT_EQ(Run("--multiple x"), 0);
  std::string log = gSeen.moduleLog;
  size_t cmd = log.find("cmdline=--multiple x;");
  size_t common = log.find(";commondatadir=Z:\\");
  size_t user = log.find(";userdatadir=Z:\\");
  ASSERT_NE(cmd, std::string::npos) << log;
  ASSERT_NE(common, std::string::npos) << log;
  ASSERT_NE(user, std::string::npos) << log;
  EXPECT_LT(cmd, common);
  EXPECT_LT(common, user);
  EXPECT_NE(log.find("The Harrowmere Demo;"), std::string::npos) << log;  // the user folder is the game's
}

TEST_F(PlatformMainTest, ScriptsReportToTheGameStateAndItsModules) {
  ASSERT_EQ(Run("--multiple"), 0);
  EXPECT_EQ(gSeen.scriptState, "4,false,false,false");
  EXPECT_EQ(gSeen.moduleLog.find("level=4;"), std::string::npos);
  EXPECT_NE(gSeen.moduleLogAfterScript.find("level=4;"), std::string::npos) << gSeen.moduleLogAfterScript;
}

TEST_F(PlatformMainTest, StringTablesLoadFromTheAssetsThenThePlayersFolders) {
  auto sheet = [](const std::string& rows) {
    return "<?xml version=\"1.0\"?>\n<Workbook><Worksheet><Table>\n" + rows + "</Table></Worksheet></Workbook>\n";
  };
  auto row = [](const std::string& label, const std::string& text) {
    return "<Row><Cell><Data>" + label + "</Data></Cell><Cell><Data>" + text + "</Data></Cell></Row>\n";
  };
  std::ofstream(app_ / "assets" / "strings.xml") << sheet(row("GREETING", "Hello") + row("OTHER", "Base"));
  SetConfig("gamename", "Strings Game");
  fs::path user = root_ / "data" / "Brisklume" / "Strings Game";
  fs::create_directories(user);
  std::ofstream(user / "strings_player.xml") << sheet(row("OTHER", "Player's"));
  std::ofstream(user / "notstrings.xml") << sheet(row("GREETING", "Ignored"));
  ASSERT_EQ(Run("--multiple"), 0);
  EXPECT_EQ(gSeen.greeting, "Hello");
  EXPECT_EQ(gSeen.other, "Player's");  // loaded on top
  EXPECT_EQ(gSeen.scriptFlag, 1);      // "strings.xml" loaded
}

TEST_F(PlatformMainTest, TheLogOpensInTheUserFolderAndNamesTheGame) {
  SetConfig("gamename", "Log Name");
  ASSERT_EQ(Run("--multiple -wd=" + Windows(root_)), 0);
  EXPECT_EQ(fs::current_path(), root_);  // "-wd=" switched after the data folders were made
  std::string log = ReadLog();
  EXPECT_EQ(log.find("Log Name, version 0.85.0.0."), 26u) << log;  // the first line, after the time
  EXPECT_TRUE(fs::exists(root_ / "data" / "Brisklume" / "Log Name" / "logfile.txt"));
}

TEST_F(PlatformMainTest, HostedWithoutHostDrivenModeKeepsNoLog) {
  HWND host = os::TestCreateForeignWindow("Host", "host", 640, 480);
  std::string line = TString::Format("-wnd=%x", static_cast<unsigned>(reinterpret_cast<uintptr_t>(host))).CStr();
  ASSERT_EQ(Run(line), 0);
  EXPECT_EQ(gSeen.config["activex"], "1");
  EXPECT_EQ(ReadLog(), "");
  os::TestResetWindows();
}

TEST_F(PlatformMainTest, PortalSwitchesAddTheirHandlersBesideTheModules) {
  ASSERT_EQ(Run("--multiple -zylom -aol -pq=1"), 0);
  EXPECT_EQ(gSeen.handlers, 4u);  // Zylom, AOL, MSN for "-pq=", and the module
  EXPECT_TRUE(gSeen.zylom);
  EXPECT_FALSE(PortalIsZylom());  // gone with its handler
  ASSERT_EQ(Run("--multiple"), 0);
  EXPECT_EQ(gSeen.handlers, 1u);
  EXPECT_FALSE(gSeen.zylom);
}

TEST_F(PlatformMainTest, HostTestModeMakesTheOwnWindowTheHost) {
  ASSERT_EQ(Run("--multiple --axtest"), 0);
  EXPECT_TRUE(gSeen.hostIsOwnWindow);
  EXPECT_EQ(gSeen.config["activex"], "1");
  EXPECT_EQ(gSeen.client.right - gSeen.client.left, 960);
  EXPECT_EQ(gSeen.client.bottom - gSeen.client.top, 720);
}

TEST_F(PlatformMainTest, AProgramFolderThatCannotBeReadEndsStartUpWithAMessage) {
  os::TestSetModulePath("harrowmere");  // no folder in the path: nothing to cut the folder from
  EXPECT_EQ(Run("--multiple"), -1);
  EXPECT_TRUE(gSeen.config.empty());  // the game never ran
  auto boxes = os::TestMessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "Error");
  EXPECT_EQ(TPlatform::GetInstance(), nullptr);
}
