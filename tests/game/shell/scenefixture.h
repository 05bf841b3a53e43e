// Shared set-up of the scene screen tests: the shell fixture with the real window manager's modal
// stack, the scene window types registered, a frozen clock, a main menu at the bottom and a small
// game whose scenes the tests open through the game flow, as the running game does.
#pragma once
#include "game/shell/shellfixture.h"

#include <string>

#include "core/config.h"
#include "model/modelscript.h"
#include "os/time.h"
#include "render/assetmanager.h"
#include "render/sprite.h"
#include "render/texture.h"
#include "render/texturedata.h"
#include "shell/scene.h"
#include "shell/windowtypes.h"
#include "shell/windowscreenstack.h"
#include "ui/modalwindow.h"
#include "ui/windowmanager.h"

namespace scenetest {

using namespace shelltest;

// Two adventure-kind rooms joined by exits, with a hotspot and a closed door whose label shows.
inline const char kSceneGame[] = R"GAME(
MakeGame
{
  name = "scenetest", startScene = 201,
  MakeLevel
  {
    seqId = 1, name = "one",
    MakeAdventureScreen
    {
      seqId = 201, nextScene = 202, bg = "scenes/test/bg",
      MakeSceneExit { id = "e_open", name = "e_open", isActive = "true", nextScene = 202, cursorstyleid = 5,
        positionX1 = 0, positionY1 = 0, positionX2 = 100, positionY2 = 0,
        positionX3 = 100, positionY3 = 100, positionX4 = 0, positionY4 = 100 },
      MakeSceneExit { id = "e_shut", name = "e_shut", isActive = "false", nextScene = 202, text = "door_locked",
        positionX1 = 200, positionY1 = 0, positionX2 = 300, positionY2 = 0,
        positionX3 = 300, positionY3 = 100, positionX4 = 200, positionY4 = 100 },
      MakeSceneExit { id = "e_mute", name = "e_mute", isActive = "false", nextScene = 202,
        positionX1 = 400, positionY1 = 0, positionX2 = 500, positionY2 = 0,
        positionX3 = 500, positionY3 = 100, positionX4 = 400, positionY4 = 100 },
      MakeSceneHotspot { id = "h_well", name = "h_well", text = "well_text", isActive = "true",
        positionX1 = 600, positionY1 = 300, positionX2 = 700, positionY2 = 300,
        positionX3 = 700, positionY3 = 400, positionX4 = 600, positionY4 = 400,
        MakeActionMap { { "OnClick", "Note('well clicked')" } } },
      MakeSceneObject { id = "o_rope", name = "o_rope", positionX = 300, positionY = 500, image = "scenes/test/rope",
        timesPickable = 1, isActive = "true", isVisible = "true", invitem = "rope", text = "rope_text",
        MakeActionMap { { "OnPickedUp", "Note('rope picked')" } } },
      MakeSceneObject { id = "o_statue", name = "o_statue", positionX = 800, positionY = 300, image = "scenes/test/statue",
        timesPickable = 0, isActive = "true", isVisible = "true", text = "statue_text" },
      textFont = "fonts/kingthings.mvec", textboxHeight = 40, textboxWidth = 200, lineHeight = 20,
      textColor = { red = 10, green = 20, blue = 30, alpha = 255 },
      textboxes = { { text = "sign_text", x = 420, y = 140, rotation = 0 } },
    },
    MakeAdventureScreen { seqId = 202, nextScene = 201 },
    MakeHiddenObjectGame { seqId = 204, nextScene = 201, itemListCount = 4, pickedUpInventoryItemOnWon = "rope",
      STDLeftSideOfActiveSide = 1024,
      MakeHiddenObject { id = "h_cup", name = "ho_cup", positionX = 300, positionY = 300, image = "scenes/test/cup",
        MakeActionMap { { "OnPickedUp", "Note('cup found')" } } },
      MakeHiddenObject { id = "h_bell", name = "ho_bell", positionX = 500, positionY = 300, image = "scenes/test/cup" },
      MakeHOGGroup { groupName = "ho_coins",
        MakeHiddenObject { id = "h_coin1", name = "ho_coin", positionX = 300, positionY = 100, image = "scenes/test/cup" },
        MakeHiddenObject { id = "h_coin2", name = "ho_coin", positionX = 500, positionY = 100, image = "scenes/test/cup" } },
    },
    MakeCutscene { seqId = 205, nextScene = 201, stageBg = "scenes/test/stage",
      MakeCutsceneCharacter { id = "narrator", name = "cs_narrator", position = 0 },
      MakeCutsceneCharacter { id = "warden", name = "cs_warden", position = 1, images = { normal = "scenes/test/warden" } },
      MakeCutsceneCharacter { id = "heroine", name = "cs_heroine", position = 2, images = { normal = "scenes/test/heroine" } },
      MakeCutsceneCharacter { id = "letter", name = "cs_letter", position = 3, images = { normal = "scenes/test/letter" } },
      MakeCutsceneScript {
        { "narrator", "normal", "cs_l1", "" },
        { "warden", "normal", "cs_l2", "" },
        { "heroine", "normal", "", "" },
        { "heroine", "normal", "cs_l4", "" },
        { "letter", "normal", "cs_l5", "" },
        { "nobody", "normal", "cs_l6", "" },
        { "narrator", "normal", "cs_l7", "" } } },
    MakeChapterScreen { seqId = 203, nextScene = 201, title = "ch_title", subtitle = "ch_subtitle",
      locationImage = "scenes/test/map", locationX = 100, locationY = 200, locationText = "ch_place" },
  },
  MakeHighscoreSystem { clicksNeedForPenalty = 3, timeForClicksForPenalty = 10, timeForPenalty = 5,
    neededTimeForHOSpeedBonusInSeconds = 3, HOTaskCompleteBonus = 500, MakeHOFoundBonus { 10, 20, 30 } },
  MakeInventoryItem { id = "rope", name = "rope", description = "item_rope", image = "sprites/inventory/rope",
    pickUpImage = "sprites/inventory/rope_big",
    MakeActionMap { { "h_well", "RemoveInventoryItem('rope') Note('rope into well')" } } },
}
)GAME";

// Every scene kind's screen script makes the plain scene window; kind-specific tests replace theirs.
inline const char kSceneScript[] = "MakeDialog { SceneWindow { name = 'scene', x = 0, y = 0, w = 1024, h = 768 } }";

inline const char kChapterScript[] =
    "MakeDialog { ChapterScreenWindow { name = 'scene', x = 0, y = 0, w = 1024, h = 768 } }";

class SceneTest : public ShellTest {
 protected:
  SceneTest() {
    if (!TAssetManager::GetInstance()) {
      mAssets = std::make_unique<TAssetManager>();
      TAssetManager::SetInstance(mAssets.get());
    }
    // The pictures the scene windows size their boxes by.
    Texture("sprites/gamescene/bg_shorttext", 768, 96);
    Texture("scenes/letters/cutsceneborder_top", 1024, 125);
    Texture("scenes/letters/cutsceneborder_bottom", 1024, 125);
    os::TestFreezeTime(100000);
    // The score keeper counts whole seconds of the same frozen clock.
    SetModelClock([] { return static_cast<int64_t>(timeGetTime() / 1000); });
    SetConfig("screenwidth", "1024");
    SetConfig("screenheight", "768");
    RegisterWindowTypes();
    SetScreenStack(&mStack);
    RegisterMemoryFile("scripts/game/game.lua", kSceneGame, sizeof kSceneGame - 1);
    for (const char* script : {"scripts/adventurescreen.lua", "scripts/cutscene.lua", "scripts/hiddenobjectgame.lua"})
      RegisterMemoryFile(script, kSceneScript, sizeof kSceneScript - 1);
    RegisterMemoryFile("scripts/chapterscreen.lua", kChapterScript, sizeof kChapterScript - 1);
  }
  ~SceneTest() override {
    TWindowManager* manager = GetWindowManager();
    while (manager->GetTopModal()) manager->PopModal();
    manager->DeleteClosedWindows();
    os::TestReleaseTime();
    SetModelClock(nullptr);
    mTextures.clear();
    if (mAssets) TAssetManager::SetInstance(nullptr);
  }

  // A texture that TTexture::Get(name, 0) finds, of the given size (no pixels behind it).
  std::shared_ptr<TTexture> Texture(const char* name, int w, int h, bool alpha = false) {
    auto t = TTexture::Create(TTexture::MakeCacheKey(name, alpha, false, false));
    t->GetData()->mImageWidth = t->GetData()->mSurfaceWidth = w;
    t->GetData()->mImageHeight = t->GetData()->mSurfaceHeight = h;
    if (alpha) t->GetData()->mFlags |= kTexAlpha;
    mTextures.push_back(t);
    return t;
  }

  // A profile with the new game, the main menu at the bottom and the start scene opened over it.
  TScene* StartScene(int32_t sceneId = 0) {
    TSettings* settings = Start();
    Run("CreateNewUser('Anna')");
    if (sceneId) CGame::GetInstance()->SetCurrentScene(sceneId);
    TWindow* menu = mStack.NewModalWindow();
    menu->SetName("mainmenu");
    mStack.PushModal(menu);
    // The game flow replaces the top window with the scene's, as it replaces the menu's dialog.
    TWindow* start = mStack.NewModalWindow();
    start->SetName("start");
    mStack.PushModal(start);
    settings->StartGame(false);
    return CurrentScene();
  }
  TScene* CurrentScene() {
    TModalWindow* top = GetWindowManager()->GetTopModal();
    return KindCast<TScene>(top ? top->FindChild("scene", -1) : nullptr);
  }
  // Frames of the top scene, each after `ms` of the frozen clock; the closed windows go between.
  void Frames(int count, uint32_t ms = 10) {
    for (int i = 0; i < count; ++i) {
      os::TestAdvanceTime(ms);
      if (TScene* scene = CurrentScene()) scene->Animate();
      GetWindowManager()->DeleteClosedWindows();
    }
  }
  // Runs frames until the fade-in has finished.
  void FadeIn() { Frames(40); }

  std::unique_ptr<TAssetManager> mAssets;
  std::vector<std::shared_ptr<TTexture>> mTextures;
  TWindowScreenStack mStack;
};

// Every pixel of every sprite counts as opaque, so hits follow the sprites' rectangles.
class OpaqueProbe : public ISpriteHitProbe {
 public:
  bool ReadAlpha(TSprite&, const TDrawSpec&, int32_t, uint8_t* alpha) override {
    *alpha = 255;
    return true;
  }
  bool IsSixteenBitMode() override { return false; }
  void ReleaseTarget() override {}
};

// The playable screens (adventure, hidden-object game): their own screen script, sprites hit by
// their rectangles and a pickup window that only notes that it opened.
class PlayScreenTest : public SceneTest {
 protected:
  PlayScreenTest(const char* screenScript, const char* screen) {
    TSprite::SetHitProbe(&mProbe);
    RegisterMemoryFile(screenScript, screen, ptrdiff_t(std::char_traits<char>::length(screen)));
    RegisterMemoryFile("scripts/pickupwindow.lua", kPickup, sizeof kPickup - 1);
  }
  ~PlayScreenTest() override { TSprite::SetHitProbe(nullptr); }
  // Opens the scene (the start scene for 0) and lets it fade in.
  template <class Screen>
  Screen* Open(int32_t sceneId = 0) {
    auto* scene = KindCast<Screen>(StartScene(sceneId));
    FadeIn();
    return scene;
  }

 private:
  static constexpr char kPickup[] = "Note('pickup window')";
  OpaqueProbe mProbe;
};

}  // namespace scenetest
