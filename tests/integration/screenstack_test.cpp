// Scene changes of the game flow through the window manager's real modal stack: the new scene's
// window is made, filled by its screen script and pushed; the old scene's window is closed.
#include <gtest/gtest.h>

#include "../game/shell/shellfixture.h"
#include "shell/windowscreenstack.h"
#include "ui/modalwindow.h"
#include "ui/windowmanager.h"

using namespace shelltest;

namespace {

// Screen scripts: each names its window and notes that it ran with a window to fill.
const char kAdventure[] = "Note('ran:adventure') SetWindowName('adventure')";
const char kCutscene[] = "Note('ran:cutscene') SetWindowName('cutscene')";

class WindowScreenStackTest : public ShellTest {
 protected:
  WindowScreenStackTest() {
    RegisterMemoryFile("scripts/adventurescreen.lua", kAdventure, sizeof kAdventure - 1);
    RegisterMemoryFile("scripts/cutscene.lua", kCutscene, sizeof kCutscene - 1);
    SetScreenStack(&mStack);
  }
  ~WindowScreenStackTest() override {
    TWindowManager* manager = GetWindowManager();
    while (manager->GetTopModal()) manager->PopModal();
  }
  std::vector<std::string> StackNames() {
    std::vector<std::string> names;
    for (TModalWindow* w : GetWindowManager()->GetModalStack()) names.insert(names.begin(), w->GetName().CStr());
    return names;
  }
  TWindowScreenStack mStack;
};

TEST_F(WindowScreenStackTest, ASceneChangePushesAModalWindowRunningTheScenesScreenScript) {
  TSettings* settings = Start();
  Run("CreateNewUser('Anna')");
  // The main menu is the screen at the bottom.
  TWindow* menu = mStack.NewModalWindow();
  menu->SetName("mainmenu");
  mStack.PushModal(menu);
  ASSERT_EQ(GetWindowManager()->GetScreen(), menu);
  EXPECT_FALSE(mStack.TopModalHasParent());
  // The first scene opened over it, as the menu's start button does.
  TWindow* first = mStack.NewModalWindow();
  mStack.DoScriptFile(first, "scripts/adventurescreen.lua");
  EXPECT_EQ(mStack.GetPendingCount(), 1u);
  mStack.PushModal(first);
  EXPECT_EQ(StackNames(), (std::vector<std::string>{"mainmenu", "adventure"}));
  EXPECT_EQ(mStack.GetTopModalName(), "adventure");
  EXPECT_TRUE(mStack.TopModalHasParent());
  EXPECT_EQ(GetWindowManager()->GetTopModal()->GetParent(), menu);
  EXPECT_EQ(mStack.GetPendingCount(), 0u);

  Events().clear();
  settings->ChangeScene(102, false);
  EXPECT_EQ(Events(), (std::vector<std::string>{"exit:101", "ran:cutscene"}));
  EXPECT_EQ(GetWindowManager()->GetTopModal()->GetParent(), menu);
  EXPECT_EQ(StackNames(), (std::vector<std::string>{"mainmenu", "cutscene"}));

  // Back to the main menu: every window above the bottom one closes.
  settings->QuitToMainMenu();
  EXPECT_EQ(StackNames(), (std::vector<std::string>{"mainmenu"}));
}

TEST_F(WindowScreenStackTest, WindowsNotMadeByTheStackAreRefusedAndInstallingReplacesTheFake) {
  TModalWindow stranger;
  mStack.PushModal(&stranger);
  mStack.PushModal(nullptr);
  EXPECT_TRUE(GetWindowManager()->GetModalStack().empty());
  EXPECT_TRUE(Logged("was not made by the screen stack"));

  TWindowScreenStack* installed = InstallWindowScreenStack();
  EXPECT_EQ(GetScreenStack(), installed);
  EXPECT_FALSE(installed->SetSceneFadeStep(0.03f));
}

}  // namespace
