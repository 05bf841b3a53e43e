// The scene models of the mini-games as far as the save text holds them: what the game data
// sets up for each board and what a save writes back. The boards' play (moving pieces, mixing,
// toggling bolts) belongs to the mini-game windows, which work on these models.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "model/inventory.h"
#include "model/scene.h"
#include "model/scenekinds.h"

// ---- jigsaw ----

struct CJigsawPiece {
  int32_t initialX = 0, initialY = 0;
  int32_t endX = 0, endY = 0;
  std::string id;  // "jigsawPiece" + number
  int32_t currentX = 0, currentY = 0;
  std::vector<std::string> neighbours;  // piece names
  std::string image;
  bool movable = true;
};

class CJigsawPuzzle : public CScene {
 public:
  bool IsType(int32_t type) const override { return type == kSceneJigsaw; }
  void Serialize(std::string& out) const override;

  // "jigsawPiece" + number.
  static std::string PieceName(int64_t number);
  // The piece of that name, made (in a group of its own) when there is none.
  CJigsawPiece& GetOrAddPiece(const std::string& name);
  CJigsawPiece* FindPiece(const std::string& name) const;
  const std::map<std::string, std::unique_ptr<CJigsawPiece>>& GetPieces() const { return mPieces; }
  const std::vector<std::vector<std::string>>& GetGroups() const { return mGroups; }

  int32_t numberOfGroupsToWin = 1;
  int32_t offsetX = 0, offsetY = 0;
  bool hookPieces = true;
  bool stickOnBackground = true;
  int32_t delta = 10;

 private:
  std::vector<std::vector<std::string>> mGroups;
  std::map<std::string, std::unique_ptr<CJigsawPiece>> mPieces;
};

// ---- unlocking doors ----

class CLockingBolt : public ISerializable {
 public:
  CLockingBolt(bool movesOthers, bool up, bool locked)
      : movesOthers(movesOthers), up(up), locked(locked) {}
  void Serialize(std::string& out) const override;

  int32_t index = 0;
  std::string graphic;
  std::string boltUpperLockGraphic;
  int32_t upperBoltLockOpenRotAngle = 0, upperBoltLockCloseRotAngle = 0;
  int32_t upperBoltLockPositionX = 0, upperBoltLockPositionY = 0;
  std::string boltLowerLockGraphic;
  int32_t lowerBoltLockOpenRotAngle = 0, lowerBoltLockCloseRotAngle = 0;
  int32_t lowerBoltLockPositionX = 0, lowerBoltLockPositionY = 0;
  int32_t downX = 0, downY = 0, upX = 0, upY = 0;
  bool movesOthers, up, locked;
  std::vector<int32_t> movedIndices;  // the bolts of the same lock this one acts on
  // Which of the three flags the game data gave for this bolt.
  bool gaveMovesOthers = false, gaveLocked = false, gaveUp = false;
};

class CLock : public CScene {
 public:
  bool IsType(int32_t type) const override { return type == kSceneLock; }
  void Serialize(std::string& out) const override;

  void AddBolt(std::unique_ptr<CLockingBolt> bolt);
  const std::vector<std::unique_ptr<CLockingBolt>>& GetBolts() const { return mBolts; }
  void SetMoveBoltSoundFile(std::string v) { moveBoltSoundFile = std::move(v), hasMoveBoltSoundFile = true; }
  void SetMissSoundFile(std::string v) { missSoundFile = std::move(v), hasMissSoundFile = true; }
  void SetWonSoundFile(std::string v) { wonSoundFile = std::move(v), hasWonSoundFile = true; }

  std::string moveBoltSoundFile, missSoundFile, wonSoundFile;
  bool hasMoveBoltSoundFile = false, hasMissSoundFile = false, hasWonSoundFile = false;
  std::string overlayImage;
  int32_t overlayImagePosX = 0, overlayImagePosY = 0;

 private:
  std::vector<std::unique_ptr<CLockingBolt>> mBolts;
};

// ---- mix potion ----

// Colour codes: 0 green, 1 orange, 2 black, 3 purple, 5 none.
int32_t MixPotionColorCode(const std::string& word);
// The word of codes 0-3, else "".
const char* MixPotionColorWord(int32_t code);

class CMixPotionPipe : public ISerializable {
 public:
  void Serialize(std::string& out) const override;

  int32_t id = 440042;
  int32_t x = 0, y = 0, h = 0;
  std::vector<int32_t> links;  // at most 3
  int32_t colour = 5;
};

class CMixPotionMiniGame : public CScene {
 public:
  // The image keys in their stored order.
  static constexpr int kImageCount = 17;
  static const char* const kImageKeys[kImageCount];

  bool IsType(int32_t type) const override { return type == kSceneMixPotion; }
  void Serialize(std::string& out) const override;

  void AddPipe(std::unique_ptr<CMixPotionPipe> pipe) { mPipes.push_back(std::move(pipe)); }
  const std::vector<std::unique_ptr<CMixPotionPipe>>& GetPipes() const { return mPipes; }

  int32_t buttonX = 0, buttonY = 0, resetbuttonX = 0, resetbuttonY = 0;
  int32_t cboardX = 0, cboardY = 0, x = 0, y = 0;
  int32_t colorSystem = 0;
  std::string mixSoundFile, wonSoundFile, tryAgainSoundFile;
  bool hasMixSoundFile = false, hasWonSoundFile = false, hasTryAgainSoundFile = false;
  std::string images[kImageCount];
  std::vector<int32_t> givenColors, needColors;

 private:
  std::vector<std::unique_ptr<CMixPotionPipe>> mPipes;
};

// ---- mirrored image ----

class CMirroredImageGame : public CScene {
 public:
  bool IsType(int32_t type) const override { return type == kSceneMirroredImage; }
  void Serialize(std::string& out) const override;

  // Values of 0 or less are ignored.
  void SetAmountSelectedFalseImages(int32_t v) { if (v > 0) mAmountSelected = v; }
  void SetAmountAllFalseImages(int32_t v) { if (v > 0) mAmountAll = v; }
  int32_t GetAmountSelectedFalseImages() const { return mAmountSelected; }
  int32_t GetAmountAllFalseImages() const { return mAmountAll; }

  std::string filepath, nameFalseImage, nameCorrectImage;
  std::vector<std::pair<int32_t, int32_t>> positions;

 private:
  int32_t mAmountSelected = 0, mAmountAll = 0;
};

// ---- placing object ----

class CPlacingObjectGame : public CAdventureScreen {
 public:
  bool IsType(int32_t type) const override { return type == kScenePlacingObject; }
  void Serialize(std::string& out) const override;

  // Takes the held items of a built inventory.
  void SetInventory(const CInventory& inventory) { mInventory.SetHeld(inventory.GetHeld()); }
  CInventory& GetInventory() { return mInventory; }
  const char* GetHintImage() const { return mHintImage.c_str(); }
  void SetHintImage(std::string v) { mHintImage = std::move(v); }

 private:
  CInventory mInventory;
  std::string mHintImage;
};

// ---- nine men's morris ----

class CNineMensMorrisGame : public CScene {
 public:
  bool IsType(int32_t type) const override { return type == kSceneNineMensMorris; }
  // One board field per complete set of the four lists.
  void Serialize(std::string& out) const override;

  void AddPosition(int32_t x, int32_t y) { positions.emplace_back(x, y); }
  void AddStatusStart(int32_t v) { statusStarts.push_back(v); }
  void AddStatusEnd(int32_t v) { statusEnds.push_back(v); }
  void AddNeighbourList(const std::vector<int32_t>& list) { neighbourLists.push_back(list); }
  // The fields that have all four values (the shortest list decides).
  size_t GetFieldCount() const;

  std::string filepath;
  std::vector<std::pair<int32_t, int32_t>> positions;
  std::vector<int32_t> statusStarts, statusEnds;
  std::vector<std::vector<int32_t>> neighbourLists;
};

// ---- placing pictures ----

struct TPictureArea {
  std::string id, imageStart, imageEnd;
  int32_t x[4] = {0, 0, 0, 0}, y[4] = {0, 0, 0, 0};
};

class CPlacingPicturesGame : public CScene, public CTextboxSet {
 public:
  bool IsType(int32_t type) const override { return type == kScenePlacingPictures; }
  void Serialize(std::string& out) const override;

  std::string filepath;
  std::vector<TPictureArea> areas;
};

// ---- plot point ----

class CPlotpoint : public CScene {
 public:
  bool IsType(int32_t type) const override { return type == kScenePlotpoint; }
  void Serialize(std::string& out) const override;

  // Adds the duration to the running time.
  void AddText(std::string text, int32_t duration);
  const std::vector<std::pair<std::string, int32_t>>& GetTexts() const { return mTexts; }
  int32_t GetTotalDuration() const { return mTotalDuration; }
  // "up" 0, "right" 1, "down" 2, "left" 3, anything else 0.
  void SetDirection(const std::string& word);
  int32_t GetDirection() const { return mDirection; }

  std::string movingTextureDirectory, movingTextureName;
  int32_t numberOfTextures = 0;
  int32_t beginX = 0, beginY = 0, endX = 0, endY = 0;
  int32_t textUpperLeftX = 0, textUpperLeftY = 0, textLowerRightX = 0, textLowerRightY = 0;
  int32_t textColorRed = 0, textColorGreen = 0, textColorBlue = 0;
  int32_t textHeight = 30;
  std::string borderTexture;
  int32_t offsetStart = 0, offsetEnd = 0;

 private:
  std::vector<std::pair<std::string, int32_t>> mTexts;
  int32_t mTotalDuration = 0;
  int32_t mDirection = 0;
};
