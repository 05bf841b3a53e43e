// The scene window's script functions: the globals the scene scripts call to change the model and
// the window, the queueing of briefing texts, letterbox bars, in-game objects and bonus texts, the
// tutorial overlay, the diary entries and the hint sparkle with its route search. Every global is
// bound to the window that registered it and dies with it.
#include <algorithm>
#include <cmath>

#include "core/config.h"
#include "model/diary.h"
#include "model/game.h"
#include "model/scene.h"
#include "particles/effectsprite.h"
#include "render/sprite.h"
#include "render/texture.h"
#include "shell/scene.h"
#include "shell/scenetext.h"
#include "shell/settings.h"
#include "shell/spriteanimation.h"
#include "shell/spritewindow.h"
#include "ui/image.h"

namespace {

const float kCaptionColour[4] = {221 / 255.0f, 242 / 255.0f, 253 / 255.0f, 1.0f};
const char kDiaryFont[] = "fonts/kingthings.mvec";

TDiaryEntry DiaryEntry(int32_t kind, const TString& text, int32_t size, const TString& font, int32_t x, int32_t y) {
  TDiaryEntry entry;
  entry.kind = kind;
  entry.red = entry.green = entry.blue = 0;
  entry.alpha = 255;
  entry.size = size;
  entry.font = font.CStr();
  entry.x = x;
  entry.y = y;
  entry.text = text.CStr();
  entry.secondExtra = 1000;
  return entry;
}

}  // namespace

void TScene::RegisterScriptFunctions() {
  BindGlobal("AddInventoryItem", this, &TScene::AddInventoryItem);
  BindGlobal("RemoveInventoryItem", this, &TScene::RemoveInventoryItem);
  BindGlobal("ResetInventory", this, &TScene::ResetInventory);
  BindGlobal("SetTextForInventoryItem", this, &TScene::SetTextForInventoryItem);
  BindGlobal("SetTextForHotspot", this, &TScene::SetTextForHotspot);
  BindGlobal("SetTextForExit", this, &TScene::SetTextForExit);
  BindGlobal("StartInGameCutscene", this, &TScene::StartInGameCutscene);
  BindGlobal("ShowInGameObjectPartOne", this, &TScene::ShowInGameObjectPartOne);
  BindGlobal("ShowInGameObjectPartTwo", this, &TScene::ShowInGameObjectPartTwo);
  BindGlobal("ShowBriefingWindow", this, &TScene::ShowBriefingWindow);
  BindGlobal("ResumePlay", this, &TScene::ResumePlay);
  BindGlobal("ShowInfoText", this, &TScene::ShowInfoText);
  BindGlobal("SetActiveHotspot", this, &TScene::SetActiveHotspot);
  BindGlobal("SetActiveExit", this, &TScene::SetActiveExit);
  BindGlobal("SetExit", this, &TScene::SetExit);
  BindGlobal("PlaySoundSFX", this, &TScene::PlaySoundSFX);
  BindGlobal("Skip", this, &TScene::Skip);
  BindGlobal("ShowBonusAsTextInSidebar", this, &TScene::ShowBonusAsTextInSidebar);
  BindGlobal("ShowBonusAsTextOnMousePos", this, &TScene::ShowBonusAsTextOnMousePos);
  BindGlobal("SetNextScene", this, &TScene::SetNextScene);
  BindGlobal("ShowHint", this, &TScene::ShowHint);
  BindGlobal("BlockInput", this, &TScene::BlockInput);
  BindGlobal("SetTutorialImage", this, &TScene::SetTutorialImage);
  BindGlobal("SetTutorialText", this, &TScene::SetTutorialText);
  BindGlobal("SetTutorialVisible", this, &TScene::SetTutorialVisible);
  BindGlobal("SetTutorialTextPosition", this, &TScene::SetTutorialTextPosition);
  BindGlobal("SetTutorialTextColor", this, &TScene::SetTutorialTextColor);
  BindGlobal("AddDiaryNewChapter", this, &TScene::AddDiaryNewChapter);
  BindGlobal("AddDiaryConstantText", this, &TScene::AddDiaryConstantText);
  BindGlobal("AddDiaryConstantImage", this, &TScene::AddDiaryConstantImage);
  BindGlobal("AddDiaryConstantSiteEnd", this, &TScene::AddDiaryConstantSiteEnd);
  BindGlobal("AddDiaryText", this, &TScene::AddDiaryText);
  BindGlobal("AddDiaryImage", this, &TScene::AddDiaryImage);
  BindGlobal("AddDiarySiteEnd", this, &TScene::AddDiarySiteEnd);
  BindGlobal("GetDiaryCurrentSitePosX", this, &TScene::GetDiaryCurrentSitePosX);
  BindGlobal("GetDiaryNextFreePosY", this, &TScene::GetDiaryNextFreePosY);
  BindGlobal("GetDiaryInsertSite", this, &TScene::GetDiaryInsertSite);
  BindGlobal("SetTransitionAlpha", this, &TScene::SetTransitionAlpha);
  BindGlobal("SetDiaryButtonVisibleInModel", this, &TScene::SetDiaryButtonVisibleInModel);
  BindGlobal("SetHintButtonVisibleInModel", this, &TScene::SetHintButtonVisibleInModel);
  BindGlobal("StartGlowExit", this, &TScene::StartGlowExit);
}

// ---- model ----

void TScene::ResetInventory() {
  CGame* game = CGame::GetInstance();
  if (!game) return;
  // Each removal takes one held item; the loop ends when none is left.
  while (game->GetInventory().GetCount() > 0) {
    const int32_t before = game->GetInventory().GetCount();
    game->RemoveFromInventory(game->GetInventory().GetItem(0));
    if (game->GetInventory().GetCount() >= before) break;
  }
}

void TScene::SetTextForInventoryItem(TString id, TString text) {
  CGame* game = CGame::GetInstance();
  if (CInventoryItem* item = game ? game->GetInventoryItem(id.CStr()) : nullptr) item->SetDescription(text.CStr());
}

void TScene::SetTextForHotspot(TString name, TString text) {
  CGame* game = CGame::GetInstance();
  if (CSceneHotspot* hotspot = game ? game->FindSceneHotspot(name.CStr()) : nullptr) hotspot->SetText(text.CStr());
}

void TScene::SetTextForExit(TString name, TString text) {
  CGame* game = CGame::GetInstance();
  if (CSceneExit* exit = game ? game->FindSceneExit(name.CStr()) : nullptr) exit->SetText(text.CStr());
}

void TScene::SetNextScene(int32_t sceneId) {
  if (mScene) mScene->SetNextScene(sceneId);
}

void TScene::SetExit(TString name, int32_t sceneId) {
  CGame* game = CGame::GetInstance();
  if (CSceneExit* exit = game ? game->FindSceneExit(name.CStr()) : nullptr) exit->SetNextScene(sceneId);
}

void TScene::SetActiveExit(TString name, bool active) {
  CGame* game = CGame::GetInstance();
  if (CSceneExit* exit = game ? game->FindSceneExit(name.CStr()) : nullptr) exit->SetActive(active);
}

void TScene::SetActiveHotspot(TString name, bool active) {
  CGame* game = CGame::GetInstance();
  if (CSceneHotspot* hotspot = game ? game->FindSceneHotspot(name.CStr()) : nullptr) hotspot->SetActive(active);
}

void TScene::SetDiaryButtonVisibleInModel(bool visible) {
  if (mScene) mScene->SetShowDiaryButton(visible);
}

void TScene::SetHintButtonVisibleInModel(bool visible) {
  if (mScene) mScene->SetShowHintButton(visible);
}

void TScene::StartGlowExit(TString id) {
  if (CSceneExit* exit = mScene ? mScene->FindSceneExit(id.CStr()) : nullptr) exit->StartGlow();
}

void TScene::PlaySoundSFX(TString name) {
  GetSceneSound(name, name);
  PlaySceneSound(name, true, true, false);
}

// ---- window ----

void TScene::SetTransitionAlpha(float alpha) {
  if (TImage* transition = FindImage("transition")) transition->SetAlpha(alpha);
}

void TScene::ShowInfoText(TString label) { ShowShortText(LookUpLabel(label)); }

void TScene::SetTutorialImage(TString image) {
  if (TImage* tutorial = FindImage("tutorial")) tutorial->SetTexture(TTexture::Get(image, 0), 1.0f);
}

void TScene::SetTutorialText(TString label) { scenetext::SetText(FindText("tutorialtextText"), LookUpLabel(label)); }

void TScene::SetTutorialVisible(bool visible) {
  if (TImage* tutorial = FindImage("tutorial")) tutorial->SetAlpha(visible ? 1.0f : 0.0f);
  scenetext::SetTextAlpha(FindText("tutorialtextText"), visible ? 1.0f : 0.0f);
}

void TScene::SetTutorialTextPosition(int32_t x, int32_t y, int32_t width, int32_t height) {
  TWindow* box = FindText("tutorialtextText");
  if (!box) return;
  box->MoveTo(x, y);
  scenetext::SetBoxSize(box, width, height);
  scenetext::SetText(box, scenetext::GetText(box));
}

void TScene::SetTutorialTextColor(float red, float green, float blue, float alpha) {
  const float colour[4] = {red / 255.0f, green / 255.0f, blue / 255.0f, alpha / 255.0f};
  scenetext::SetColor(FindText("tutorialtextText"), colour);
}

// ---- queued presentations ----

void TScene::ShowBriefingWindow(TString label, int32_t delay, int32_t time, bool advanceOnClick) {
  TBriefing briefing;
  briefing.text = LookUpLabel(label);
  briefing.start = mSceneClock.GetTime() + static_cast<uint32_t>(delay);
  briefing.display = static_cast<uint32_t>(time);
  briefing.advanceOnClick = advanceOnClick;
  mBriefings.push_back(briefing);
  mBriefingPending = true;
}

void TScene::ShowBriefingText(size_t index) {
  if (index >= mBriefings.size()) return;
  mInfoClock.Pause();
  mInfoClock.Reset();
  std::shared_ptr<TTexture> texture = TTexture::Get("sprites/gamescene/bg_shorttext", 0);
  mInfoWidth = texture ? texture->GetWidth() : 0;
  mInfoHeight = texture ? texture->GetHeight() : 0;
  if (TImage* bg = FindImage("briefingWindowBg")) {
    bg->SetTexture(texture, 1.0f);
    bg->MoveTo(mInfoX, mInfoY);
    bg->SetSize(mInfoWidth, mInfoHeight);
    bg->SetAlpha(1.0f);
  }
  mInfoAlpha = 1.0f;
  TWindow* text = FindText("briefingWindowText");
  scenetext::SetText(text, mBriefings[index].text);
  scenetext::SetTextAlpha(text, 1.0f);
  mBriefings[index].shown = true;
  mInfoShown = true;
  mInfoClock.Start();
}

void TScene::StartInGameCutscene(int32_t delay, int32_t hold) {
  TLetterbox entry;
  entry.start = mSceneClock.GetTime() + static_cast<uint32_t>(delay);
  entry.hold = static_cast<uint32_t>(hold);
  mLetterboxes.push_back(entry);
  mLetterboxPending = true;
}

void TScene::ShowInGameObjectPartOne(TString label, int32_t x, int32_t y, TString image) {
  TSceneTimedText object;
  object.text = label.IsEmpty() ? TString() : LookUpLabel(label);
  object.name = TString::Format("InGameObject%u", unsigned(mInGameObjects.size()));
  std::shared_ptr<TTexture> texture = TTexture::Get(image, 0);
  TSpriteEntry entry;
  entry.sprite = TSprite::Create(0, texture);
  entry.sprite->SetSpec(TDrawSpec(TVec2(float(x), float(y)), 1.0f, 1.0f, kDrawUseAnchor));
  entry.sprite->SetVisible(false);
  entry.name = object.name;
  entry.clickable = true;
  entry.active = false;
  entry.id = kEntryInGameObject;
  if (mSpriteWindow) mSpriteWindow->AddSpriteEntry(entry);
  object.width = texture ? texture->GetWidth() : 0;
  object.height = texture ? texture->GetHeight() : 0;
  object.x = x;
  object.y = y;
  if (!object.text.IsEmpty()) {
    TWindow* box = scenetext::Make(object.name, object.text, object.width, object.height, 5, "fonts/kingthings.mvec",
                                   25, kCaptionColour, 100);
    box->MoveTo(x, y);
    scenetext::SetTextAlpha(box, 0.0f);
    AddChild(box, false);
  }
  mInGameObjects.push_back(std::move(object));
}

void TScene::ShowInGameObjectPartTwo(int32_t delay, int32_t duration, bool clickable, bool insideOnly, bool keep) {
  // Without a first part there is no object to time.
  if (mInGameObjects.empty()) return;
  TSceneTimedText& object = mInGameObjects.back();
  object.startTime = mSceneClock.GetTime() + static_cast<uint32_t>(delay);
  object.duration = static_cast<uint32_t>(duration);
  object.clickable = clickable;
  object.clickInsideOnly = clickable && insideOnly;
  object.keepOnClick = keep;
  object.clock.Pause();
  object.clock.Reset();
  object.started = object.finished = object.clicked = false;
}

void TScene::ShowBonusText(TPoint point, int32_t points) {
  TSettings* settings = TSettings::GetInstance();
  if (!settings || settings->GetCurrentGameMode() != 0) return;
  const float colour[4] = {193 / 255.0f, 193 / 255.0f, 193 / 255.0f, 1.0f};
  const TString text = TString::Format("<outline color=\"666666\" size=2>%d", points);
  TWindow* box = scenetext::Make("bonus", text, 157, 60, 1, "fonts/rabiohead.mvec", 30, colour, 1);
  // Centred on the point: half the box (157 x 60) rounded down.
  box->MoveTo(point.x - 157 / 2, point.y - 60 / 2);
  AddChild(box, false);
  mBonusTexts.push_back({box, 1.0f});
}

void TScene::ShowBonusAsTextOnMousePos(int32_t points) {
  TPoint mouse;
  if (TSettings* settings = TSettings::GetInstance()) settings->GetMousePosition(&mouse.x, &mouse.y);
  ShowBonusText(mouse, points);
}

void TScene::ShowBonusAsTextInSidebar(int32_t points) { ShowBonusText({80, 185}, points); }

// ---- diary ----

void TScene::AddDiaryNewChapter() {
  TDiary* diary = TDiary::GetInstance();
  if (!diary) return;
  diary->ClearContent();
  const int32_t areas = diary->GetAreaCount();
  if (areas <= 0) return;
  TDiaryEntry end = DiaryEntry(kDiarySiteEnd, "end", 30, kDiaryFont, -1, -1);
  // Each site end moves the insert site on by one; stop if the diary does not.
  while (diary->GetCurrentInsertSite() % uint32_t(areas) != 0) {
    const uint32_t before = diary->GetCurrentInsertSite();
    diary->AddContent(end);
    if (diary->GetCurrentInsertSite() == before) break;
  }
}

void TScene::AddDiaryConstantText(int32_t page, TString text, int32_t size, TString font, int32_t x, int32_t y) {
  if (TDiary* diary = TDiary::GetInstance()) diary->AddConstantContent(page, DiaryEntry(kDiaryText, text, size, font, x, y));
}

void TScene::AddDiaryConstantImage(int32_t page, TString image, int32_t x, int32_t y) {
  if (TDiary* diary = TDiary::GetInstance())
    diary->AddConstantContent(page, DiaryEntry(kDiaryImage, image, 30, kDiaryFont, x, y));
}

void TScene::AddDiaryConstantSiteEnd(int32_t page) {
  if (TDiary* diary = TDiary::GetInstance())
    diary->AddConstantContent(page, DiaryEntry(kDiarySiteEnd, "end", 30, kDiaryFont, -1, -1));
}

void TScene::AddDiaryText(TString text, int32_t size, TString font, int32_t x, int32_t y) {
  if (TDiary* diary = TDiary::GetInstance()) diary->AddContent(DiaryEntry(kDiaryText, text, size, font, x, y));
}

void TScene::AddDiaryImage(TString image, int32_t x, int32_t y) {
  if (TDiary* diary = TDiary::GetInstance()) diary->AddContent(DiaryEntry(kDiaryImage, image, 30, kDiaryFont, x, y));
}

void TScene::AddDiarySiteEnd() {
  if (TDiary* diary = TDiary::GetInstance()) diary->AddContent(DiaryEntry(kDiarySiteEnd, "end", 30, kDiaryFont, -1, -1));
}

uint32_t TScene::GetDiaryCurrentSitePosX() {
  TDiary* diary = TDiary::GetInstance();
  return diary ? static_cast<uint32_t>(diary->GetSitePosX(diary->GetCurrentInsertSite())) : 0;
}

uint32_t TScene::GetDiaryNextFreePosY() {
  TDiary* diary = TDiary::GetInstance();
  return diary ? static_cast<uint32_t>(diary->GetLastUsedY()) : 0;
}

uint32_t TScene::GetDiaryInsertSite() {
  TDiary* diary = TDiary::GetInstance();
  return diary ? diary->GetCurrentInsertSite() : 0;
}

// ---- hint ----

std::string TScene::FindHintTarget(const std::vector<std::string>& visited, const std::string& start,
                                   const std::string& target) {
  if (std::find(visited.begin(), visited.end(), start) != visited.end()) return std::string();
  std::vector<std::string> seen = visited;
  seen.push_back(start);
  CGame* game = CGame::GetInstance();
  if (!game) return std::string();
  auto routes = game->GetHintRoutes().find(start);
  if (routes == game->GetHintRoutes().end()) return std::string();
  for (const THintRoute& route : routes->second) {
    if (route.targetScene == target) return route.exitId;
    if (!FindHintTarget(seen, route.targetScene, target).empty()) return route.exitId;
  }
  return std::string();
}

TPoint TScene::ExitCentre(const CSceneExit& exit) {
  const double x1 = exit.GetPositionX(0), y1 = exit.GetPositionY(0);
  const double x2 = exit.GetPositionX(1), y2 = exit.GetPositionY(1);
  const double x3 = exit.GetPositionX(2), y3 = exit.GetPositionY(2);
  const double x4 = exit.GetPositionX(3), y4 = exit.GetPositionY(3);
  const TPoint mean = {static_cast<int32_t>((x1 + x2 + x3 + x4) / 4), static_cast<int32_t>((y1 + y2 + y3 + y4) / 4)};
  // A vertical diagonal has no slope, and parallel diagonals no crossing: the corners' mean then.
  if (x3 == x1 || x4 == x2) return mean;
  const double m1 = (y3 - y1) / (x3 - x1);
  const double m2 = (y4 - y2) / (x4 - x2);
  if (m1 == m2) return mean;
  const double b1 = y1 - m1 * x1;
  const double b2 = y2 - m2 * x2;
  const double x = (b2 - b1) / (m1 - m2);
  const double y = m1 * x + b1;
  if (!std::isfinite(x) || !std::isfinite(y)) return mean;
  return {static_cast<int32_t>(x), static_cast<int32_t>(y)};
}

void TScene::ShowHint(TString target, int32_t x, int32_t y) {
  TPoint centre = {x, y};
  CGame* game = CGame::GetInstance();
  if (game && mScene) {
    const std::string start = game->GetLocationOfScene(mScene->GetSeqId());
    const std::string exitId = start.empty() ? std::string() : FindHintTarget({}, start, target.CStr());
    // No route, "-1", or an exit this scene does not hold: the scripted point.
    const CSceneExit* exit = exitId.empty() || exitId == "-1" ? nullptr : mScene->FindSceneExit(exitId);
    if (exit) centre = ExitCentre(*exit);
  }
  if (mHintActive) return;
  mHintX = centre.x;
  mHintY = centre.y;
  if (!mSparkle) mSparkle = std::make_shared<TFxHostSprite>(10, TFxSprite::Create(10, "fx/spinshinebrasks.lua"));
  if (mSpriteWindow) mSpriteWindow->AttachSprite(mSparkle);
  mHintTimer = 0.0f;
  mHintAngle = 0.0f;
  mHintRadius = 80.0f;
  mHintActive = true;
}
