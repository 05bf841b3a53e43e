// The list of the game's window types, in registration order. A type whose window class is not
// part of the program yet has no creator and is left out, so its name stays unknown to scripts.
#include "shell/windowtypes.h"

#include "minigames/minigamewindow.h"
#include "shell/adventurescreen.h"
#include "shell/chapterscreen.h"
#include "shell/cutscene.h"
#include "shell/diarywindow.h"
#include "shell/hiddenobjectgame.h"
#include "shell/menuwindows.h"
#include "shell/rolloverwindow.h"
#include "shell/scene.h"
#include "shell/scorewindow.h"
#include "shell/tickerwindow.h"
#include "shell/customtextedit.h"
#include "ui/windowmanager.h"

namespace {

struct TWindowType {
  const char* name;
  TWindowCreator creator;
};

const TWindowType kWindowTypes[] = {
    {"SceneWindow", &TScene::CreateInstance},
    {"CutsceneWindow", &TCutsceneWindow::CreateInstance},
    {"HiddenObjectGame", &THiddenObjectGameWindow::CreateInstance},
    {"ChapterScreenWindow", &TChapterScreenWindow::CreateInstance},
    {"AdventureScreenWindow", &TAdventureScreenWindow::CreateInstance},
    {"JigsawPuzzleWindow", nullptr},
    {"UnlockingDoors", nullptr},
    {"MirroredImageWindow", nullptr},
    {"NineMensMorrisWindow", nullptr},
    {"PlacingPicturesWindow", nullptr},
    {"MixPotion", nullptr},
    {"TickerWindow", &TTickerWindow::CreateInstance},
    {"MainMenuWindow", &TMainMenuWindow::CreateInstance},
    {"OptionsWindow", &TOptionsWindow::CreateInstance},
    {"HiscoreWindow", &THiscoreWindow::CreateInstance},
    {"DiaryWindow", &TDiaryWindow::CreateInstance},
    {"ProfilesWindow", &TProfilesWindow::CreateInstance},
    {"CreditsWindow", &TCreditsWindow::CreateInstance},
    {"RolloverWindow", &TRolloverWindow::CreateInstance},
    {"TextEdit", &TCustomTextEdit::CreateInstance},
    {"PlotpointWindow", nullptr},
    {"ScoreWindow", &TScoreWindow::CreateInstance},
};

}  // namespace

void RegisterWindowTypes() {
  TWindowManager* manager = GetWindowManager();
  // Diary entries are placed by the real size of their pictures and texts.
  InstallDiaryMeasure();
  for (const TWindowType& type : kWindowTypes)
    if (type.creator) manager->RegisterWindowType(type.name, type.creator);
  RegisterMiniGameWindowTypes();
}
