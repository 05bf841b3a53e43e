// Save records of the mini-game scene models.
#include "model/minigamemodels.h"

#include <algorithm>

#include "model/savetext.h"

using namespace savetext;

// "\t{" + the numbers separated by ", " + "}".
static void AppendNumberList(std::string& out, const std::vector<int32_t>& values) {
  out += "\t{";
  for (size_t i = 0; i < values.size(); ++i) {
    if (i) out += ", ";
    AppendInt(out, values[i]);
  }
  out += "}";
}

// ---- jigsaw ----

std::string CJigsawPuzzle::PieceName(int64_t number) { return "jigsawPiece" + std::to_string(number); }

CJigsawPiece& CJigsawPuzzle::GetOrAddPiece(const std::string& name) {
  auto it = mPieces.find(name);
  if (it != mPieces.end()) return *it->second;
  auto piece = std::make_unique<CJigsawPiece>();
  piece->id = name;
  mGroups.push_back({name});
  return *mPieces.emplace(name, std::move(piece)).first->second;
}

CJigsawPiece* CJigsawPuzzle::FindPiece(const std::string& name) const {
  auto it = mPieces.find(name);
  return it == mPieces.end() ? nullptr : it->second.get();
}

void CJigsawPuzzle::Serialize(std::string& out) const {
  static const size_t kPrefix = std::string("jigsawPiece").size();
  BeginRecord(out, "MakeJigsawPuzzle");
  SerializeCommon(out);
  IntField(out, "offsetX", offsetX);
  IntField(out, "offsetY", offsetY);
  FlagField(out, "hookPieces", hookPieces);
  FlagField(out, "stickOnBackground", stickOnBackground);
  IntField(out, "delta", delta);
  IntField(out, "numberOfGroupsToWin", numberOfGroupsToWin);
  for (const auto& [name, piece] : mPieces) {
    BeginRecord(out, "MakeJigsawPiece");
    out += "\tid = " + name.substr(std::min(kPrefix, name.size())) + ",\n";
    TextField(out, "image", piece->image);
    // A puzzle in play is saved where its pieces lie now, so a reload continues from there.
    IntField(out, "startPosX", piece->currentX);
    IntField(out, "startPosY", piece->currentY);
    IntField(out, "endPosX", piece->endX);
    IntField(out, "endPosY", piece->endY);
    if (!piece->neighbours.empty()) {
      std::vector<int32_t> numbers;
      for (const std::string& n : piece->neighbours) {
        numbers.push_back(std::atoi(n.c_str() + std::min(kPrefix, n.size())));
      }
      AppendNumberList(out, numbers);
      out += "\n";
    }
    EndRecordPlain(out);
  }
  EndRecordPlain(out);
}

// ---- unlocking doors ----

void CLockingBolt::Serialize(std::string& out) const {
  BeginRecord(out, "MakeUnlockingDoorsBolt");
  FlagField(out, "movesOthers", movesOthers);
  FlagField(out, "locked", locked);
  FlagField(out, "up", up);
  TextField(out, "graphic", graphic);
  IntField(out, "downX", downX);
  IntField(out, "downY", downY);
  IntField(out, "upX", upX);
  IntField(out, "upY", upY);
  TextField(out, "boltUpperLockGraphic", boltUpperLockGraphic);
  IntField(out, "upperBoltLockOpenRotAngle", upperBoltLockOpenRotAngle);
  IntField(out, "upperBoltLockCloseRotAngle", upperBoltLockCloseRotAngle);
  IntField(out, "upperBoltLockPositionX", upperBoltLockPositionX);
  IntField(out, "upperBoltLockPositionY", upperBoltLockPositionY);
  TextField(out, "boltLowerLockGraphic", boltLowerLockGraphic);
  IntField(out, "lowerBoltLockOpenRotAngle", lowerBoltLockOpenRotAngle);
  IntField(out, "lowerBoltLockCloseRotAngle", lowerBoltLockCloseRotAngle);
  IntField(out, "lowerBoltLockPositionX", lowerBoltLockPositionX);
  IntField(out, "lowerBoltLockPositionY", lowerBoltLockPositionY);
  AppendNumberList(out, movedIndices);
  out += "\n";
  EndRecordPlain(out);
}

void CLock::AddBolt(std::unique_ptr<CLockingBolt> bolt) {
  if (!bolt) return;
  bolt->index = static_cast<int32_t>(mBolts.size());
  mBolts.push_back(std::move(bolt));
}

void CLock::Serialize(std::string& out) const {
  BeginRecord(out, "MakeUnlockingDoorsMiniGame");
  SerializeCommon(out);
  if (hasMoveBoltSoundFile) TextField(out, "moveBoltSoundFile", moveBoltSoundFile);
  if (hasMissSoundFile) TextField(out, "missSoundFile", missSoundFile);
  if (hasWonSoundFile) TextField(out, "wonSoundFile", wonSoundFile);
  TextField(out, "overlayImage", overlayImage);
  UintField(out, "overlayImagePosX", static_cast<uint32_t>(overlayImagePosX));
  UintField(out, "overlayImagePosY", static_cast<uint32_t>(overlayImagePosY));
  for (const auto& bolt : mBolts) bolt->Serialize(out);
  EndRecordPlain(out);
}

// ---- mix potion ----

int32_t MixPotionColorCode(const std::string& word) {
  if (word == "green") return 0;
  if (word == "orange") return 1;
  if (word == "black") return 2;
  if (word == "purple") return 3;
  return 5;
}

const char* MixPotionColorWord(int32_t code) {
  static const char* const kWords[4] = {"green", "orange", "black", "purple"};
  return code >= 0 && code < 4 ? kWords[code] : "";
}

const char* const CMixPotionMiniGame::kImageKeys[kImageCount] = {
    "kPipe2_dl", "kPipe2_rd", "kPipe2_rl",     "kPipe2_ud",     "kPipe2_ul",     "kPipe2_ur",
    "kPipe3_udl_d", "kPipe3_udl_dl", "kPipe3_urd_d", "kPipe3_urd_rd", "flask", "funnel",
    "button", "resetbutton", "targetColor", "moveableflask", "cboard"};

void CMixPotionPipe::Serialize(std::string& out) const {
  BeginRecord(out, "MakeMixPotionPipe");
  UintField(out, "id", static_cast<uint32_t>(id));
  UintField(out, "x", static_cast<uint32_t>(x));
  UintField(out, "y", static_cast<uint32_t>(y));
  out += "\th = " + std::to_string(static_cast<uint32_t>(h));
  if (links.empty()) {
    out += "\n";
  } else {
    out += ",\n";
    AppendNumberList(out, links);
    out += "\n";
  }
  EndRecordPlain(out);
}

static void AppendColorList(std::string& out, const char* name, const std::vector<int32_t>& colors) {
  out += "\t";
  out += name;
  out += "\n\t{\n";
  for (size_t i = 0; i < colors.size(); ++i) {
    // A colour without a word is written as the empty word, which reads back as code 5; an
    // entry left out entirely would make the list unreadable.
    out += std::string("\t\"") + MixPotionColorWord(colors[i]) + "\"";
    if (i + 1 < colors.size()) out += ",";
    out += "\n";
  }
  out += "\t};\n";
}

void CMixPotionMiniGame::Serialize(std::string& out) const {
  BeginRecord(out, "MakeMixPotionMiniGame");
  SerializeCommon(out);
  if (hasMixSoundFile) TextField(out, "mixSoundFile", mixSoundFile);
  if (hasWonSoundFile) TextField(out, "wonSoundFile", wonSoundFile);
  if (hasTryAgainSoundFile) TextField(out, "tryAgainSoundFile", tryAgainSoundFile);
  for (int i = 0; i < kImageCount; ++i) TextField(out, kImageKeys[i], images[i]);
  UintField(out, "x", static_cast<uint32_t>(x));
  UintField(out, "y", static_cast<uint32_t>(y));
  UintField(out, "colorSystem", static_cast<uint32_t>(colorSystem));
  UintField(out, "buttonX", static_cast<uint32_t>(buttonX));
  UintField(out, "buttonY", static_cast<uint32_t>(buttonY));
  UintField(out, "cboardX", static_cast<uint32_t>(cboardX));
  UintField(out, "cboardY", static_cast<uint32_t>(cboardY));
  // The reset button's place is kept too, or a loaded game shows the button in the corner.
  IntField(out, "resetbuttonX", resetbuttonX);
  IntField(out, "resetbuttonY", resetbuttonY);
  AppendColorList(out, "MakeMixPotionGivenColors", givenColors);
  AppendColorList(out, "MakeMixPotionNeedColors", needColors);
  for (const auto& pipe : mPipes) pipe->Serialize(out);
  EndRecordPlain(out);
}

// ---- mirrored image ----

void CMirroredImageGame::Serialize(std::string& out) const {
  BeginRecord(out, "MakeMirroredImageGame");
  SerializeCommon(out);
  IntField(out, "amountSelectedFalseImages", mAmountSelected);
  IntField(out, "amountAllFalseImages", mAmountAll);
  TextField(out, "filepath", filepath);
  TextField(out, "nameFalseImage", nameFalseImage);
  TextField(out, "nameCorrectImage", nameCorrectImage);
  out += "\t{\n";
  for (const auto& [px, py] : positions) {
    out += "\t\t{xPos = " + std::to_string(px) + ", yPos = " + std::to_string(py) + "},\n";
  }
  out += "\t}\n";
  EndRecordPlain(out);
}

// ---- placing object ----

void CPlacingObjectGame::Serialize(std::string& out) const {
  BeginRecord(out, "MakePlacingObjectGame");
  SerializeCommon(out);
  TextField(out, "hintImage", mHintImage);
  SerializeObjects(out);
  mInventory.Serialize(out);
  SerializeTextboxes(out);
  EndRecord(out, "MakePlacingObjectGame");
}

// ---- nine men's morris ----

size_t CNineMensMorrisGame::GetFieldCount() const {
  return std::min({positions.size(), statusStarts.size(), statusEnds.size(), neighbourLists.size()});
}

void CNineMensMorrisGame::Serialize(std::string& out) const {
  BeginRecord(out, "MakeNineMensMorrisGame");
  SerializeCommon(out);
  TextField(out, "filepath", filepath);
  out += "\t{\n";
  auto field = [&](int32_t x, int32_t y, int32_t start, int32_t end, const std::vector<int32_t>& links) {
    out += "\n\t{xPos = " + std::to_string(x) + ", yPos = " + std::to_string(y) +
           ", statusStart = " + std::to_string(start) + ", statusEnd = " + std::to_string(end) + ", {";
    for (size_t j = 0; j < links.size(); ++j) {
      if (j) out += ", ";
      AppendInt(out, links[j]);
    }
    out += "}},\n";
  };
  if (mBuilt) {
    // A board in play is saved as it stands, so a reload starts from there.
    for (const CNineMensMorrisField& f : mFields) field(f.xPos, f.yPos, f.status, f.statusEnd, f.neighbours);
  } else {
    for (size_t i = 0; i < GetFieldCount(); ++i) {
      field(positions[i].first, positions[i].second, statusStarts[i], statusEnds[i], neighbourLists[i]);
    }
  }
  out += "\t}\n";
  EndRecordPlain(out);
}

// ---- placing pictures ----

void CPlacingPicturesGame::Serialize(std::string& out) const {
  BeginRecord(out, "MakePlacingPicturesGame");
  SerializeCommon(out);
  TextField(out, "filepath", filepath);
  SerializeTextboxes(out);
  out += "\thotspots = {\n";
  for (size_t i = 0; i < areas.size(); ++i) {
    const TPictureArea& a = areas[i];
    out += "\n\t{id = ";
    AppendQuoted(out, a.id);
    // The pictures as they lie now, so a reload continues from there.
    out += ", imageStart = ";
    AppendQuoted(out, PlacedOn(i));
    out += ", imageEnd = ";
    AppendQuoted(out, a.imageEnd);
    for (int i = 0; i < 4; ++i) out += ", xPos" + std::to_string(i + 1) + " = " + std::to_string(a.x[i]);
    for (int i = 0; i < 4; ++i) out += ", yPos" + std::to_string(i + 1) + " = " + std::to_string(a.y[i]);
    out += "},\n";
  }
  out += "\t},\n";
  EndRecordPlain(out);
}

// ---- plot point ----

void CPlotpoint::AddText(std::string text, int32_t duration) {
  mTotalDuration = static_cast<int32_t>(static_cast<uint32_t>(mTotalDuration) + static_cast<uint32_t>(duration));
  mTexts.emplace_back(std::move(text), duration);
}

void CPlotpoint::SetDirection(const std::string& word) {
  if (word == "right") mDirection = 1;
  else if (word == "down") mDirection = 2;
  else if (word == "left") mDirection = 3;
  else mDirection = 0;
}

void CPlotpoint::Serialize(std::string& out) const {
  static const char* const kDirections[4] = {"up", "right", "down", "left"};
  BeginRecord(out, "MakePlotpoint");
  SerializeCommon(out);
  TextField(out, "movingTextureDirectory", movingTextureDirectory);
  TextField(out, "movingTextureName", movingTextureName);
  UintField(out, "numberOfTextures", static_cast<uint32_t>(numberOfTextures));
  TextField(out, "direction", kDirections[mDirection & 3]);
  IntField(out, "beginX", beginX);
  IntField(out, "beginY", beginY);
  IntField(out, "endX", endX);
  IntField(out, "endY", endY);
  TextField(out, "borderTexture", borderTexture);
  IntField(out, "offsetStart", offsetStart);
  IntField(out, "offsetEnd", offsetEnd);
  IntField(out, "textUpperLeftX", textUpperLeftX);
  IntField(out, "textUpperLeftY", textUpperLeftY);
  IntField(out, "textLowerRightX", textLowerRightX);
  IntField(out, "textLowerRightY", textLowerRightY);
  UintField(out, "textColorRed", static_cast<uint32_t>(textColorRed));
  UintField(out, "textColorGreen", static_cast<uint32_t>(textColorGreen));
  UintField(out, "textColorBlue", static_cast<uint32_t>(textColorBlue));
  UintField(out, "textHeight", static_cast<uint32_t>(textHeight));
  out += "\tMakePlotpointTexts {\n";
  for (const auto& [text, duration] : mTexts) {
    out += "\t\t{";
    AppendQuoted(out, text);
    out += ", " + std::to_string(static_cast<uint32_t>(duration)) + "},\n";
  }
  out += "\t};\n";
  EndRecord(out, "MakePlotpoint");
}
