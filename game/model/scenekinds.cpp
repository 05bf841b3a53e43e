// Adventure locations, chapter cards and cutscenes.
#include "model/scenekinds.h"

#include "model/game.h"
#include "model/savetext.h"

using namespace savetext;

// ---- adventure ----

CAdventureScreen::~CAdventureScreen() = default;

void CAdventureScreen::AddSceneObject(std::unique_ptr<CSceneObject> object) {
  if (object) mObjects.push_back(std::move(object));
}

CSceneObject* CAdventureScreen::FindSceneObject(const std::string& name) const {
  for (const auto& object : mObjects) {
    if (name == object->GetId()) return object.get();
  }
  return nullptr;
}

CSceneObject* CAdventureScreen::NextSceneObject() {
  if (mObjectCursor >= mObjects.size()) return nullptr;
  return mObjects[mObjectCursor++].get();
}

void CAdventureScreen::SetObjectActive(const std::string& name, bool active) {
  if (CSceneObject* object = FindSceneObject(name)) object->SetActive(active);
  Notify();
}

void CAdventureScreen::SetObjectVisible(const std::string& name, bool visible) {
  if (CSceneObject* object = FindSceneObject(name)) object->SetVisible(visible);
  Notify();
}

void CAdventureScreen::SetSceneObjectAlpha(const std::string& name, float alpha) {
  if (CSceneObject* object = FindSceneObject(name)) object->SetAlpha(alpha);
  Notify();
}

const char* CTextboxSet::GetTextboxText(int32_t i) const {
  return i >= 0 && size_t(i) < mTextboxTexts.size() ? mTextboxTexts[size_t(i)].c_str() : "";
}

CTextboxSet::TPoint CTextboxSet::GetTextboxPosition(int32_t i) const {
  return i >= 0 && size_t(i) < mTextboxPositions.size() ? mTextboxPositions[size_t(i)] : TPoint{};
}

float CTextboxSet::GetTextboxRotation(int32_t i) const {
  return i >= 0 && size_t(i) < mTextboxRotations.size() ? mTextboxRotations[size_t(i)] : 0.0f;
}

TWindow* CTextboxSet::GetTextboxWindow(int32_t i) const {
  return i >= 0 && size_t(i) < mTextboxWindows.size() ? mTextboxWindows[size_t(i)] : nullptr;
}

void CTextboxSet::SetTextColor(int32_t r, int32_t g, int32_t b, int32_t a) {
  mTextColor[0] = float(r);
  mTextColor[1] = float(g);
  mTextColor[2] = float(b);
  mTextColor[3] = float(a);
}

bool CAdventureScreen::ItemHasAction(const std::string& itemId, const std::string& target) const {
  CGame* game = CGame::GetInstance();
  CInventoryItem* item = game ? game->GetInventoryItem(itemId) : nullptr;
  return item && item->HasAction(target);
}

bool CAdventureScreen::DoItemAction(const std::string& itemId, const std::string& target) {
  CGame* game = CGame::GetInstance();
  CInventoryItem* item = game ? game->GetInventoryItem(itemId) : nullptr;
  return item && item->DoAction(target);
}

void CAdventureScreen::SerializeObjects(std::string& out) const {
  for (const auto& object : mObjects) object->Serialize(out);
}

void CTextboxSet::SerializeTextboxes(std::string& out) const {
  TextField(out, "textFont", mTextFont);
  IntField(out, "textboxHeight", mTextboxHeight);
  IntField(out, "textboxWidth", mTextboxWidth);
  IntField(out, "lineHeight", mLineHeight);
  out += "\ttextColor = { red = ";
  AppendReal(out, mTextColor[0]);
  out += ", green = ";
  AppendReal(out, mTextColor[1]);
  out += ", blue = ";
  AppendReal(out, mTextColor[2]);
  out += ", alpha = ";
  AppendReal(out, mTextColor[3]);
  out += "\t},\n";
  out += "\ttextboxes = {\n";
  for (int32_t i = 0; i < GetTextboxCount(); ++i) {
    const TPoint p = GetTextboxPosition(i);
    out += "\n\t{text = ";
    AppendQuoted(out, mTextboxTexts[size_t(i)]);
    out += ", x = " + std::to_string(p.x) + ", y = " + std::to_string(p.y) + ", rotation = ";
    AppendReal(out, GetTextboxRotation(i));
    out += "},\n";
  }
  out += "\t},\n";
}

void CAdventureScreen::Serialize(std::string& out) const {
  BeginRecord(out, "MakeAdventureScreen");
  SerializeCommon(out);
  SerializeObjects(out);
  SerializeTextboxes(out);
  EndRecord(out, "MakeAdventureScreen");
}

// ---- chapter card ----

void CChapterScreen::Serialize(std::string& out) const {
  BeginRecord(out, "MakeChapterScreen");
  SerializeCommon(out);
  TextField(out, "title", mTitle);
  TextField(out, "subtitle", mSubtitle);
  TextField(out, "locationImage", mLocationImage);
  IntField(out, "locationX", mLocationX);
  IntField(out, "locationY", mLocationY);
  TextField(out, "locationText", mLocationText);
  EndRecord(out, "MakeChapterScreen");
}

// ---- cutscene ----

const char* CutsceneMoodWord(CutsceneMood mood) {
  if (mood == kMoodHappy) return "happy";
  if (mood == kMoodSad) return "sad";
  return "normal";
}

const char* CCutsceneCharacter::GetImageForMood(CutsceneMood mood) const {
  auto it = mImages.find(mood);
  return it == mImages.end() ? nullptr : it->second.c_str();
}

void CCutsceneCharacter::Serialize(std::string& out) const {
  BeginRecord(out, "MakeCutsceneCharacter");
  out += "\tid= ";
  AppendQuoted(out, mId);
  out += ",\n\tname= ";
  AppendQuoted(out, mName);
  out += ",\n";
  IntField(out, "position", mPosition);
  IntField(out, "offsetX", mOffsetX);
  if (!mImages.empty()) {
    out += "\timages = { ";
    for (const auto& [mood, image] : mImages) {
      out += CutsceneMoodWord(mood);
      out += " = ";
      AppendQuoted(out, image);
      out += ", ";
    }
    out += "}\n";
  }
  EndRecord(out, "MakeCutsceneCharacter");
}

void CCutsceneScriptItem::Serialize(std::string& out) const {
  out += "\t{ ";
  AppendQuoted(out, mCharacterId);
  out += ", \"";
  out += CutsceneMoodWord(mMood);
  out += "\", ";
  AppendQuoted(out, mText);
  out += ", ";
  AppendQuoted(out, mSecondText);
  out += " },\n";
}

void CCutsceneScript::AddItem(int32_t index, std::unique_ptr<CCutsceneScriptItem> line) {
  if (line) mLines[index] = std::move(line);
}

CCutsceneScriptItem* CCutsceneScript::GetItem(int32_t index) const {
  auto it = mLines.find(index);
  return it == mLines.end() ? nullptr : it->second.get();
}

bool CCutsceneScript::Advance() {
  if (mCurrent == INT32_MAX || !GetItem(mCurrent + 1)) return false;
  ++mCurrent;
  return true;
}

void CCutsceneScript::Serialize(std::string& out) const {
  BeginRecord(out, "MakeCutsceneScript");
  for (const auto& [index, line] : mLines) line->Serialize(out);
  EndRecord(out, "MakeCutsceneScript");
}

void CCutscene::AddCharacter(std::unique_ptr<CCutsceneCharacter> character) {
  if (!character) return;
  const std::string id = character->GetId();
  mCharacters[id] = std::move(character);
}

CCutsceneCharacter* CCutscene::FindCharacter(const std::string& id) const {
  auto it = mCharacters.find(id);
  return it == mCharacters.end() ? nullptr : it->second.get();
}

CCutsceneCharacter* CCutscene::FindCharacterAtPosition(int32_t position) const {
  if (!mScript) return nullptr;
  for (int32_t i = 1; i <= mScript->GetLineCount(); ++i) {
    CCutsceneScriptItem* line = mScript->GetItem(i);
    if (!line) continue;
    CCutsceneCharacter* character = FindCharacter(line->GetCharacterId());
    if (character && character->GetPosition() == position) return character;
  }
  return nullptr;
}

void CCutscene::Serialize(std::string& out) const {
  BeginRecord(out, "MakeCutscene");
  SerializeCommon(out);
  TextField(out, "stageBg", mStageBg);
  TextField(out, "letterFont", mLetterFont);
  out += "\tletterFontSize = \"" + std::to_string(mLetterFontSize) + "\",\n";
  for (const auto& [id, character] : mCharacters) character->Serialize(out);
  if (mScript) mScript->Serialize(out);
  EndRecord(out, "MakeCutscene");
}
