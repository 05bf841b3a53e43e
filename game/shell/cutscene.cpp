// The cutscene window and its character window: the stage, the speech panels and name plate, the
// letterbox bars, the speakers lit and dimmed, letters, voices and the line-by-line advance.
#include "shell/cutscene.h"

#include "core/log.h"
#include "model/globals.h"
#include "model/highscore.h"
#include "model/scenekinds.h"
#include "render/drawspec.h"
#include "render/sprite.h"
#include "render/texture.h"
#include "shell/scenetext.h"
#include "shell/spritewindow.h"
#include "shell/textbox.h"
#include "sound/sound.h"
#include "ui/image.h"
#include "ui/modalwindow.h"
#include "ui/windowmanager.h"

namespace {

const float kNameInk[4] = {46 / 255.0f, 42 / 255.0f, 33 / 255.0f, 1.0f};
const float kBlack[4] = {0.0f, 0.0f, 0.0f, 1.0f};
const float kContinueInk[4] = {229 / 255.0f, 198 / 255.0f, 116 / 255.0f, 1.0f};
const float kNarrationInk[4] = {253 / 255.0f, 242 / 255.0f, 221 / 255.0f, 1.0f};
// The listener is shaded only lightly: a deep shade turned skin and hair into other colours
// from one line to the next, so that the two people no longer looked like themselves.
constexpr float kLit = 1.0f, kDimmed = 0.72f, kPlaced = 0.2f;
const char kFont[] = "fonts/kingthings.mvec";
constexpr int32_t kNamePlateTop = 96;  // below the letterbox bar, clear of the speech text under it

bool BriefingShown() {
  CGlobalInformationSystem* globals = CGlobalInformationSystem::GetInstance();
  return globals && globals->GetGlobalBool("showBriefingWindow");
}

TImage* Panel(const char* name, const char* texture, float alpha) {
  auto* image = new TImage(false);
  image->SetName(name);
  image->SetTexture(TTexture::Get(texture, 0), 1.0f);
  image->SetAlpha(alpha);
  return image;
}

}  // namespace

// ---- the character window ----

TCutsceneCharacterWindow::TCutsceneCharacterWindow() : mRoot(TSprite::Create(0)) { SetName("charWindow"); }

TCutsceneCharacterWindow::~TCutsceneCharacterWindow() {
  mRoot->RemoveAllChildren();
  mSprites.clear();
}

void TCutsceneCharacterWindow::SetSprite(int32_t key, const std::shared_ptr<TSprite>& sprite) {
  auto it = mSprites.find(key);
  if (it != mSprites.end()) {
    mRoot->RemoveChild(it->second);
    mSprites.erase(it);
  }
  if (!sprite) return;
  mSprites[key] = sprite;
  mRoot->AddChild(sprite);
}

std::shared_ptr<TSprite> TCutsceneCharacterWindow::GetSprite(int32_t key) const {
  auto it = mSprites.find(key);
  return it == mSprites.end() ? nullptr : it->second;
}

void TCutsceneCharacterWindow::Draw() {
  DrawSpriteTree(*mRoot);
}

bool TCutsceneCharacterWindow::OnMouseDown(TPoint) {
  TWindowManager* manager = GetWindowManager();
  TModalWindow* top = manager ? manager->GetTopModal() : nullptr;
  // Without a scene window the press is simply not taken.
  TScene* scene = KindCast<TScene>(top ? top->FindChild("scene", -1) : nullptr);
  if (!scene || scene->IsInputBlocked()) return false;
  return BriefingShown();
}

// ---- the cutscene window ----

TCutsceneWindow::TCutsceneWindow() {
  mModel = dynamic_cast<CCutscene*>(mScene);
  BindGlobal("StartCutscene", this, &TCutsceneWindow::StartCutscene);
  BindGlobal("StopCutscene", this, &TCutsceneWindow::StopCutscene);
  BindGlobal("PauseCutscene", this, &TCutsceneWindow::PauseCutscene);
  BindGlobal("ResumeCutscene", this, &TCutsceneWindow::ResumeCutscene);
  if (CHighscoreSystem* score = CHighscoreSystem::GetInstance()) score->PausePlay();
}

TCutsceneWindow::~TCutsceneWindow() {
  // The four globals die with the window's bindings.
  if (CHighscoreSystem* score = CHighscoreSystem::GetInstance()) score->StartPlay();
  if (mVoice) mVoice->Stop();
}

TWindow* TCutsceneWindow::GetPart(const char* name) const {
  auto it = mParts.find(name);
  return it == mParts.end() ? nullptr : it->second;
}

void TCutsceneWindow::PostCreate(TWindowStyle& style) {
  const int32_t W = ConfigInt("screenwidth");
  const int32_t H = ConfigInt("screenheight");
  auto add = [&](TWindow* window) {
    mParts[window->GetName().CStr()] = window;
    AddChild(window, false);
  };

  TImage* stage = Panel("stageBg", mModel ? mModel->GetStageBg() : "", 1.0f);
  stage->SetSize(W, H);
  add(stage);
  // The speakers stand behind the speech panels, so a line is never hidden by a head.
  mCharacters = new TCutsceneCharacterWindow;
  mCharacters->SetSize(W, H);
  const float letterInk[4] = {kNameInk[0], kNameInk[1], kNameInk[2], 1.0f};
  TWindow* letter = scenetext::Make("letterText", " ", 1024, 768, 0, mModel ? mModel->GetLetterFont() : kFont,
                                    mModel ? mModel->GetLetterFontSize() : 30, letterInk, 1000);
  mCharacters->AddChild(letter, false);
  mParts["letterText"] = letter;
  add(mCharacters);
  TImage* left = Panel("textBgLeft", "scenes/letters/bg_text_left", 0.0f);
  left->MoveTo(0, 132);
  add(left);
  TWindow* leftText = scenetext::Make("textTextLeft", "", left->GetWidth() - 144, left->GetHeight() - 53, 4, kFont, 30,
                                      kBlack, 100);
  leftText->MoveTo(left->GetRect().left + 822 - left->GetWidth(), left->GetRect().top + 16);
  add(leftText);
  TImage* right = Panel("textBgRight", "scenes/letters/bg_text_right", 0.0f);
  right->MoveTo(W - right->GetWidth(), 132);
  add(right);
  TWindow* rightText = scenetext::Make("textTextRight", "", right->GetWidth() - 144, right->GetHeight() - 53, 4, kFont,
                                       30, kBlack, 100);
  rightText->MoveTo(right->GetRect().left + 53, right->GetRect().top + 16);
  add(rightText);
  // The name plate lies on the top edge of the speech panels, above them and above the lines,
  // which the panels centre lower down.
  TImage* nameBg = Panel("nameBg", "scenes/letters/bg_name", 0.0f);
  nameBg->MoveTo((W - nameBg->GetWidth()) / 2, kNamePlateTop);
  add(nameBg);
  TWindow* nameText = scenetext::Make("nameText", "", nameBg->GetWidth(), nameBg->GetHeight(), 5, kFont, 30, kNameInk, 1);
  nameText->MoveTo(nameBg->GetRect().left, nameBg->GetRect().top);
  add(nameText);
  TImage* top = Panel("borderTop", "scenes/letters/cutsceneborder_top", 1.0f);
  top->MoveTo(0, 0);
  top->SetSize(W, 90);
  add(top);
  TImage* bottom = Panel("borderBottom", "scenes/letters/cutsceneborder_bottom", 1.0f);
  bottom->MoveTo(0, H - 90);
  bottom->SetSize(W, 90);
  add(bottom);
  TWindow* more = scenetext::Make("clickToContinue", LookUpLabel("clickContinue"), 300, 50, 10, "fonts/schwarzwald.mvec",
                                  15, kContinueInk, 1);
  scenetext::SetBoxSize(more, 300, 50);
  more->MoveTo(W - 20 - more->GetWidth(), top->GetHeight() - more->GetHeight() - 10);
  scenetext::SetTextAlpha(more, 1.0f);
  add(more);
  TWindow* narration = scenetext::Make("envText", "", bottom->GetWidth(), bottom->GetHeight(), 5, kFont, 30,
                                       kNarrationInk, 100);
  narration->MoveTo(bottom->GetRect().left, bottom->GetRect().top - 10);
  add(narration);

  TScene::PostCreate(style);
  // The scene's own cover and overlays stay on top of the stage.
}

// ---- lines ----

void TCutsceneWindow::TintCharacter(int32_t key, float level) {
  std::shared_ptr<TSprite> sprite = mCharacters ? mCharacters->GetSprite(key) : nullptr;
  if (sprite) sprite->GetSpec().color = TVec4(level, level, level, 1.0f);
}

void TCutsceneWindow::HighlightSpeaker(int32_t position) {
  if (position == 0) {
    TintCharacter(1, kLit);
    TintCharacter(2, kLit);
  } else if (position == 1) {
    TintCharacter(1, kLit);
    TintCharacter(2, kDimmed);
  } else if (position == 2) {
    TintCharacter(2, kLit);
    TintCharacter(1, kDimmed);
  }
}

void TCutsceneWindow::SetCharacterImage(int32_t position, const char* image, int32_t offsetX) {
  if (!mCharacters) return;
  std::shared_ptr<TTexture> texture = TTexture::Get(image ? image : "", 0);
  std::shared_ptr<TSprite> sprite = TSprite::Create(0);
  sprite->SetTexture(texture);
  const int32_t W = ConfigInt("screenwidth");
  const int32_t width = texture ? texture->GetWidth() : 0;
  const float x = position == 1 ? float(offsetX) : position == 2 ? float(W - width + offsetX) : 0.0f;
  sprite->SetSpec(TDrawSpec(TVec2(x, 232.0f), 1.0f, 1.0f, kDrawUseAnchor));
  sprite->GetSpec().color = TVec4(kPlaced, kPlaced, kPlaced, 1.0f);
  mCharacters->SetSprite(position, sprite);
}

void TCutsceneWindow::SetLetterImage(const char* image, int32_t* w, int32_t* h, int32_t* x, int32_t* y) {
  std::shared_ptr<TTexture> texture = TTexture::Get(image ? image : "", 0);
  *w = texture ? texture->GetWidth() : 0;
  *h = texture ? texture->GetHeight() : 0;
  *x = (ConfigInt("screenwidth") - *w) / 2;
  *y = (ConfigInt("screenheight") - *h) / 2;
  std::shared_ptr<TSprite> sprite = TSprite::Create(0, texture);
  sprite->SetSpec(TDrawSpec(TVec2(float(*x), float(*y)), 1.0f, 1.0f, kDrawUseAnchor));
  if (mCharacters) mCharacters->SetSprite(3, sprite);
}

void TCutsceneWindow::PlaceCharacters() {
  if (!mModel) return;
  for (int32_t position : {1, 2})
    if (CCutsceneCharacter* c = mModel->FindCharacterAtPosition(position))
      if (const char* image = c->GetImageForMood(kMoodNormal)) SetCharacterImage(position, image, c->GetOffsetX());
  CCutsceneScript* script = mModel->GetScript();
  CCutsceneScriptItem* line = script ? script->GetCurrentItem() : nullptr;
  CCutsceneCharacter* speaker = line ? mModel->FindCharacter(line->GetCharacterId()) : nullptr;
  if (speaker) HighlightSpeaker(speaker->GetPosition());
}

void TCutsceneWindow::Advance() {
  CCutsceneScript* script = mModel ? mModel->GetScript() : nullptr;
  if (script && script->Advance())
    ShowCurrentLine();
  else
    Skip();
}

void TCutsceneWindow::ShowCurrentLine() {
  CCutsceneScript* script = mModel ? mModel->GetScript() : nullptr;
  CCutsceneScriptItem* line = script ? script->GetCurrentItem() : nullptr;
  if (!line) {
    // Nothing to show: the cutscene is over.
    Skip();
    return;
  }
  CCutsceneCharacter* c = mModel->FindCharacter(line->GetCharacterId());
  const int32_t p = c ? c->GetPosition() : -1;
  const char* image = c ? c->GetImageForMood(line->GetMood()) : nullptr;
  if (!c || ((p == 1 || p == 2 || p == 3) && !image)) {
    LogPrintf("Cutscene %d: line %d has no character or picture and is skipped\n", mModel->GetSeqId(),
              script->GetCurrent());
    Advance();
    return;
  }
  const TString text = *line->GetText() ? LookUpLabel(line->GetText()) : TString();
  auto set = [&](const char* part, const TString& value) { scenetext::SetText(GetPart(part), value); };
  auto show = [&](const char* part, bool visible) {
    if (TImage* panel = KindCast<TImage>(GetPart(part))) panel->SetAlpha(visible ? 1.0f : 0.0f);
  };
  if (p == 0) {
    set("envText", text);
    set("textTextLeft", "");
    set("textTextRight", "");
    set("nameText", "");
    show("textBgLeft", false);
    show("textBgRight", false);
    show("nameBg", false);
  } else if (p == 1 || p == 2) {
    if (text.IsEmpty()) {
      set("textTextLeft", "");
      set("textTextRight", "");
      show("textBgLeft", false);
      show("textBgRight", false);
      show("nameBg", false);
      set("nameText", "");
    } else {
      const bool leftSide = p == 1;
      set(leftSide ? "textTextRight" : "textTextLeft", "");
      show(leftSide ? "textBgRight" : "textBgLeft", false);
      show(leftSide ? "textBgLeft" : "textBgRight", true);
      set(leftSide ? "textTextLeft" : "textTextRight", text);
      show("nameBg", true);
      set("nameText", LookUpLabel(c->GetName()));
    }
    SetCharacterImage(p, image, c->GetOffsetX());
    HighlightSpeaker(p);
    set("envText", "");
  } else if (p == 3) {
    set("envText", "");
    set("textTextLeft", "");
    set("textTextRight", "");
    set("nameText", "");
    show("textBgLeft", false);
    show("textBgRight", false);
    show("nameBg", false);
    int32_t w = 0, h = 0, x = 0, y = 0;
    SetLetterImage(image, &w, &h, &x, &y);
    if (TWindow* letter = GetPart("letterText")) {
      scenetext::SetBoxSize(letter, w - 60, h - 60);
      letter->MoveTo(x + c->GetOffsetX() + 30, y + 30);
      scenetext::SetText(letter, text);
    }
  }
  if (*line->GetSecondText()) {
    if (mVoice) mVoice->Stop();
    mVoice = TSound::Get(line->GetSecondText(), false, 1000);
    if (mVoice) mVoice->Play(false);
  }
  if (text.IsEmpty() && p != 0) Advance();
}

// ---- play ----

void TCutsceneWindow::StartCutscene() {
  mPlayState = 0;
  ShowCurrentLine();
}

void TCutsceneWindow::PauseCutscene() {
  mSavedPlayState = mPlayState;
  mPlayState = 2;
}

void TCutsceneWindow::ResumeCutscene() {
  mPlayState = mSavedPlayState;
  mSavedPlayState = 2;
}

void TCutsceneWindow::OnFadeInCompleted() {
  PlaceCharacters();
  mPlayState = 0;
  ShowCurrentLine();
}

void TCutsceneWindow::OnFadeOutCompleted() {
  if (CCutsceneScript* script = mModel ? mModel->GetScript() : nullptr) script->Rewind();
  TScene::OnFadeOutCompleted();
}

bool TCutsceneWindow::OnMouseDown(TPoint point) {
  if (BriefingShown()) return true;
  if (IsInputBlocked()) return TScene::OnMouseDown(point);
  if (!CanUseExits()) return true;
  Advance();
  return true;
}

bool TCutsceneWindow::Animate() {
  if (TWindowManager* manager = GetWindowManager()) manager->Invalidate();
  return TScene::Animate();
}
