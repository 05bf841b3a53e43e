// TScene construction, its standard children, drawing, input on exits, the cursor, the scene's
// sounds and the fade messages. The per-frame update is in sceneanimate.cpp, the script functions
// and the queued presentations' set-up in scenescript.cpp.
#include "shell/scene.h"

#include <cstdlib>
#include <functional>
#include <ctime>

#include "core/config.h"
#include "core/file.h"
#include "core/log.h"
#include "platform/platform.h"
#include "core/stringtable.h"
#include "model/game.h"
#include "model/globals.h"
#include "render/animatedtexture.h"
#include "render/drawspec.h"
#include "particles/effectsprite.h"
#include "render/sprite.h"
#include "render/texture.h"
#include "shell/animationplayer.h"
#include "shell/scenetext.h"
#include "shell/spriteanimation.h"
#include "shell/spriteanimator.h"
#include "shell/spritewindow.h"
#include "shell/settings.h"
#include "sound/sound.h"
#include "ui/image.h"
#include "ui/modalwindow.h"
#include "ui/windowmanager.h"
#include "ui/windowstyle.h"

namespace {

const float kCaptionColour[4] = {221 / 255.0f, 242 / 255.0f, 253 / 255.0f, 1.0f};

bool GlobalBool(const char* name) {
  CGlobalInformationSystem* globals = CGlobalInformationSystem::GetInstance();
  return globals && globals->GetGlobalBool(name);
}

const char* CursorTexture(int32_t kind) {
  switch (kind) {
    case kCursorActive: return "cursor/cursor_active";
    case kCursorLook:
    case kCursorHotspot: return "cursor/cursor_look";
    case kCursorUse: return "cursor/cursor_use";
    case kCursorExit: return "cursor/cursor_exit";
    case kCursorActiveRed: return "cursor/cursor_active_red";
    case kCursorInactive: return "cursor/cursor_inactive";
    default: return nullptr;
  }
}

TImage* MakeImage(const char* name, const char* texture, int32_t x, int32_t y) {
  auto* image = new TImage(false);
  image->SetName(name);
  image->SetTexture(TTexture::Get(texture, 0), 1.0f);
  image->MoveTo(x, y);
  return image;
}

}  // namespace

std::shared_ptr<TTexture> TScene::GetSceneTexture(const char* image) {
  const TString name = image ? image : "";
  if (!name.IsEmpty() && (FileExists(name + ".xml") || FileExists(name + ".anm"))) {
    if (std::shared_ptr<TAnimatedTexture> animated = TAnimatedTexture::Get(name, TString(), TString())) {
      mAnimations.push_back(std::make_unique<TAnimationPlayer>(animated));
      mAnimations.back()->Update(mSceneClock.GetTime());
      return animated;
    }
    LogPrintf("Scene animation %s cannot be loaded; its picture is used\n", name.CStr());
  }
  return TTexture::Get(name, 0);
}

TScene::TScene() {
  std::srand(static_cast<unsigned>(std::time(nullptr)));
  if (CGame* game = CGame::GetInstance()) mScene = game->GetCurrentScene();
  SetConfig("vsync", "1");
  // Made now so that derived screens can add their sprites before the standard children exist.
  mSpriteWindow = new TSpriteWindow;
  mSpriteWindow->SetName("spriteWindow");
  AddChild(mSpriteWindow, false);
  mTransitionAlpha = 1.0f;
  mFadeStep = -0.03f;
  mShortTextFadeModifier = ConfigFloat("infoboxTransModifier");
  RegisterScriptFunctions();
}

TScene::~TScene() {
  // Glows and moves of this scene's sprites (its own and its sidebar's) end with it; those of the
  // screen that already follows it are left alone. The child windows still stand here.
  TSpriteAnimator* animator = TSpriteAnimator::Instance();
  if (!animator) return;
  std::function<void(TWindow*)> stopIn = [&](TWindow* window) {
    if (auto* sprites = KindCast<TSpriteWindow>(window)) animator->StopUnder(sprites->GetRootSprite().get());
    for (TWindow* child : window->GetChildren()) stopIn(child);
  };
  stopIn(this);
}

lua_State* TScene::ScriptState() const {
  TWindowManager* manager = GetWindowManager();
  TWindowScript* script = manager ? manager->GetWindowScript() : nullptr;
  return script ? script->GetState() : nullptr;
}

int32_t TScene::ConfigInt(const char* key) const { return GetConfig(key).ToInt(); }
float TScene::ConfigFloat(const char* key) const { return GetConfig(key).ToFloat(); }

TImage* TScene::FindImage(const char* name) { return KindCast<TImage>(FindChild(name, -1)); }
TWindow* TScene::FindText(const char* name) { return FindChild(name, -1); }

TString TScene::LookUpLabel(const TString& label) {
  TPlatform* platform = TPlatform::GetInstance();
  TStringTable* table = platform ? platform->GetStringTable() : nullptr;
  return table ? table->GetString(label) : label;
}

void TScene::RunScriptText(const TString& text) {
  if (TWindowManager* manager = GetWindowManager()) manager->DoScriptString(this, text);
}

void TScene::Init(TWindowStyle& style) {
  TFadeInOutInterface::Init(style);
  // The grid keys are read for the style's sake; no scene lays anything out by them.
  (void)style.GetNumber("rows", 0);
  (void)style.GetNumber("columns", 0);
  BindGlobal("SendGameMessage", this, &TScene::SendGameMessage);
}

void TScene::AddTextChild(TWindow* child) { AddChild(child, false); }

void TScene::PostCreate(TWindowStyle& style) {
  const int32_t w = ConfigInt("screenwidth");
  const int32_t h = ConfigInt("screenheight");

  // The background and the sprites lie below everything a derived screen added before.
  mSpriteWindow->MoveTo(0, 0);
  mSpriteWindow->SetSize(w, h);
  mSpriteWindow->Restack(0);
  TImage* bg = MakeImage("bg", mScene ? mScene->GetBg() : "", 0, 0);
  bg->SetSize(w, h);
  bg->SetAlpha(1.0f);
  AddChild(bg, false);
  bg->Restack(0);

  TImage* shortBg = MakeImage("shorttextBg", "sprites/gamescene/bg_shorttext", 128, 14);
  shortBg->SetAlpha(mShortTextAlpha);
  AddChild(shortBg, false);
  // The text keeps clear of the panel's rim: a long line wraps (or shrinks) inside it.
  const int32_t pad = 28;
  TWindow* shortText = scenetext::Make("shorttextText", "Test test", std::max(shortBg->GetWidth() - 2 * pad, 1),
                                       shortBg->GetHeight() - 8, 5, "fonts/kingthings.mvec", 25, kCaptionColour, 100);
  shortText->MoveTo(shortBg->GetRect().left + pad, shortBg->GetRect().top + 4);
  scenetext::SetTextAlpha(shortText, mShortTextAlpha);
  AddTextChild(shortText);

  TImage* infoBg = MakeImage("briefingWindowBg", "sprites/gamescene/bg_shorttext", mInfoX, mInfoY);
  infoBg->SetAlpha(mShortTextAlpha);
  AddChild(infoBg, false);
  TWindow* infoText = scenetext::Make("briefingWindowText", "Test test", infoBg->GetWidth(), infoBg->GetHeight(), 5,
                                      "fonts/kingthings.mvec", 25, kCaptionColour, 100);
  infoText->MoveTo(infoBg->GetRect().left, infoBg->GetRect().top);
  scenetext::SetTextAlpha(infoText, mShortTextAlpha);
  AddTextChild(infoText);

  TImage* top = MakeImage("borderTop", "scenes/letters/cutsceneborder_top", 0, -125);
  top->SetSize(w, 125);
  AddChild(top, false);
  TImage* bottom = MakeImage("borderBottom", "scenes/letters/cutsceneborder_bottom", 0, h);
  bottom->SetSize(w, 125);
  AddChild(bottom, false);

  TImage* tutorial = MakeImage("tutorial", "sprites/no_sprite", 0, 0);
  tutorial->SetSize(w, h);
  tutorial->SetAlpha(0.0f);
  AddChild(tutorial, false);
  TWindow* tutorialText = scenetext::Make("tutorialtextText", "Test test", 576, 89, 5, "fonts/kingthings.mvec", 25,
                                          kCaptionColour, 100);
  tutorialText->MoveTo(392, 645);
  scenetext::SetTextAlpha(tutorialText, 0.0f);
  tutorial->AddChild(tutorialText, false);

  TImage* transition = MakeImage("transition", "backgrounds/transition", 0, 0);
  transition->SetSize(w, h);
  transition->SetAlpha(mTransitionAlpha);
  AddChild(transition, false);

  if (mScene && *mScene->GetTheme())
    if (TSettings* settings = TSettings::GetInstance()) settings->SetMusic(mScene->GetTheme(), true);
  TFadeInOutInterface::PostCreate(style);
  // One update per frame while the modal window is on top. The steps of the update are per
  // frame, so it runs on a 16 ms period rather than on every turn of the idle loop, which comes
  // round about every millisecond and would run fades and the hint several times too fast.
  StartAnim(16, true, true, false);
  if (mScene && *mScene->GetInitScript()) {
    TWindowManager* manager = GetWindowManager();
    if (TWindowScript* script = manager ? manager->GetWindowScript() : nullptr) script->RunScript(mScene->GetInitScript());
  }
  mSceneClock.Start();
  mExitsUsable = true;
  // Keys go to the scene while its screen is on top (Escape pauses, space shows the exits); the
  // modal window hands the focus back to it whenever a window above closes.
  for (TWindow* w = GetParent(); w; w = w->GetParent())
    if (auto* modal = KindCast<TModalWindow>(w)) {
      modal->SetFocusChild(this);
      break;
    }
}

// The background is the child "bg" and the sprites draw in "spriteWindow"; nothing of its own.
void TScene::Draw() {}

// ---- messages, fades, leaving ----

void TScene::SendGameMessage(TString name) {
  if (name == "quit") {
    if (TSettings* settings = TSettings::GetInstance()) settings->QuitToMainMenu();
  } else if (name == "fadeInCompleted") {
    OnFadeInCompleted();
  } else if (name == "fadeOutCompleted") {
    OnFadeOutCompleted();
  }
}

void TScene::OnFadeInCompleted() {
  if (GlobalBool("endGame"))
    if (TSettings* settings = TSettings::GetInstance()) settings->QuitToMainMenu();
}

void TScene::OnFadeOutCompleted() {
  SetCursor(kCursorActive);
  if (TSettings* settings = TSettings::GetInstance()) settings->OpenCurrentScene();
}

void TScene::Skip() {
  if (!mExitsUsable || mLeaving) return;
  mLeaving = true;
  if (TSettings* settings = TSettings::GetInstance()) settings->GotoNextScene(true);
}

void TScene::AddInventoryItem(TString id) {
  if (CGame* game = CGame::GetInstance()) game->AddToInventory(id.CStr());
}

void TScene::RemoveInventoryItem(TString id) {
  if (CGame* game = CGame::GetInstance()) game->RemoveFromInventory(id.CStr());
}

void TScene::BlockInput(int32_t delay, int32_t length) {
  mInputBlocked = true;
  mBlockStart = static_cast<int32_t>(mSceneClock.GetTime()) + delay;
  mBlockLength = length;
}

void TScene::ResumePlay() { mSceneClock.Start(); }

CSceneHotspot* TScene::FindHotspotAt(TPoint point) const {
  if (!mScene) return nullptr;
  mScene->ResetSceneHotspotIterator();
  while (mScene->HasNextSceneHotspot()) {
    CSceneHotspot* hotspot = mScene->GetNextSceneHotspot();
    if (hotspot && hotspot->IsInside(point.x, point.y) && hotspot->IsActive()) return hotspot;
  }
  return nullptr;
}

// ---- sounds ----

std::shared_ptr<TSound> TScene::GetSceneSound(const TString& key, const TString& file) {
  auto it = mSounds.find(key);
  if (it != mSounds.end()) return it->second;
  std::shared_ptr<TSound> sound = TSound::Get(file, true, 1000);
  if (!sound) return nullptr;
  mSounds[key] = sound;
  return sound;
}

void TScene::PlaySceneSound(const TString& name, bool stopFirst, bool play, bool /*flag*/) {
  auto it = mSounds.find(name);
  if (it == mSounds.end() || !it->second) return;
  if (stopFirst) it->second->Stop();
  // Scene sounds are effects: each request plays once, never in a loop.
  if (play) it->second->Play(false);
}

// ---- cursor and exits ----

void TScene::SetCursor(int32_t kind) {
  if (mCursorKind == kCursorExit && kind != kCursorExit) StopExitGlows();
  mCursorKind = kind;
  const char* texture = CursorTexture(kind);
  TPlatform* platform = TPlatform::GetInstance();
  if (texture && platform) platform->SetCursor(TTexture::Get(texture, 0), 0, 0, false);
}

void TScene::SetBlockedCursor() {
  if (mCursorKind == kCursorExit) StopExitGlows();
  if (mCursorKind != kCursorInactive) {
    TPlatform* platform = TPlatform::GetInstance();
    if (platform) platform->SetCursor(TTexture::Get("cursor/cursor_inactive", 0), 0, 0, false);
  }
  mCursorKind = kCursorInactive;
}

void TScene::StopExitGlows() {
  if (!mScene) return;
  mScene->ResetSceneExitIterator();
  while (mScene->HasNextSceneExit()) {
    CSceneExit* exit = mScene->GetNextSceneExit();
    if (exit && exit->IsActive() && *exit->GetImage()) exit->StopGlow();
  }
}

void TScene::StartExitGlows() {
  if (!mScene) return;
  mScene->ResetSceneExitIterator();
  while (mScene->HasNextSceneExit()) {
    CSceneExit* exit = mScene->GetNextSceneExit();
    if (exit && exit->IsActive() && *exit->GetImage()) exit->StartGlow();
  }
}

// ---- input ----

bool TScene::OnMouseDown(TPoint point) {
  if (GlobalBool("showBriefingWindow")) return true;
  if (mInputBlocked) {
    SetBlockedCursor();
    return true;
  }
  bool consumed = false;
  if (mInfoShown && point.x > mInfoX && point.x < mInfoX + mInfoWidth && point.y > mInfoY &&
      point.y < mInfoY + mInfoHeight) {
    mInfoDismissed = true;
    consumed = true;
  }
  if (mBarsIn) {
    mLetterboxClicked = true;
    consumed = true;
  }
  for (uint32_t index : mShownObjects) {
    TSceneTimedText& object = mInGameObjects[index];
    if (!object.clickable) continue;
    const bool inside = point.x > object.x && point.x < object.x + object.width && point.y > object.y &&
                        point.y < object.y + object.height;
    if (!object.clickInsideOnly || inside) {
      object.clicked = true;
      consumed = true;
    }
  }
  if (!mExitsUsable || mLeaving || mLetterboxClicked || !mScene) return consumed;
  mScene->ResetSceneExitIterator();
  while (!consumed && mScene->HasNextSceneExit()) {
    CSceneExit* exit = mScene->GetNextSceneExit();
    if (!exit || !exit->IsInside(point.x, point.y)) continue;
    consumed = true;
    if (exit->IsActive()) {
      if (!mLeaving) {
        mLeaving = true;
        if (TSettings* settings = TSettings::GetInstance()) settings->ChangeScene(exit->GetNextScene(), true);
      }
    } else if (*exit->GetText()) {
      const TString text = LookUpLabel(exit->GetText());
      if (!text.IsEmpty()) ShowShortText(text);
    }
  }
  return consumed;
}

bool TScene::OnMouseMove(TPoint point) {
  if (TSettings* settings = TSettings::GetInstance()) settings->SetMousePosition(point.x, point.y);
  if (GlobalBool("showBriefingWindow")) return true;
  if (mInputBlocked) {
    SetBlockedCursor();
    return true;
  }
  if (!mExitsUsable || mLeaving || !mScene) return false;
  mScene->ResetSceneExitIterator();
  while (mScene->HasNextSceneExit()) {
    CSceneExit* exit = mScene->GetNextSceneExit();
    if (!exit || !exit->IsActive() || !exit->IsInside(point.x, point.y)) continue;
    if (exit->GetCursorStyleId() != mCursorKind) SetCursor(exit->GetCursorStyleId());
    return true;
  }
  return false;
}

bool TScene::OnChar(int8_t c) {
  if (c == 27) {
    SetCursor(kCursorActive);
    RunScriptText("DoModal('scripts/pause.lua')");
    return true;
  }
  if (c == ' ') {
    StartExitGlows();
    return true;
  }
  return false;
}

// ---- the short-text box ----

void TScene::ShowShortText(const TString& text) {
  mShortTextClock.Pause();
  mShortTextClock.Reset();
  mShortTextAlpha = 1.0f;
  if (TImage* bg = FindImage("shorttextBg")) {
    std::shared_ptr<TTexture> texture = TTexture::Get("sprites/gamescene/bg_shorttext", 0);
    bg->MoveTo(128, 14);
    bg->SetTexture(texture, 1.0f);
    if (texture) bg->SetSize(texture->GetWidth(), texture->GetHeight());
    bg->SetAlpha(1.0f);
  }
  TWindow* box = FindText("shorttextText");
  scenetext::SetText(box, text);
  scenetext::SetTextAlpha(box, 1.0f);
  mShortTextClock.Start();
}
