// Registration of the scene screens' window types.
#include "shell/scenewindows.h"

#include "shell/chapterscreen.h"
#include "shell/fadeinout.h"
#include "shell/scene.h"
#include "ui/windowmanager.h"

void RegisterSceneWindowTypes(TWindowManager* manager) {
  if (!manager) return;
  manager->RegisterWindowType("SceneWindow", &TScene::CreateInstance);
  manager->RegisterWindowType("ChapterScreenWindow", &TChapterScreenWindow::CreateInstance);
}
