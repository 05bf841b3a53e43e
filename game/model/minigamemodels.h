// The scene models of the mini-games: what the game data sets up for each board, the rules of
// play on it (moving pieces, mixing, toggling bolts, ...) and what a save writes back. The
// mini-game windows draw these boards and turn clicks into the calls below.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/random.h"
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

  // Makes piece "jigsawPiece" + number in a group of its own and returns its name.
  std::string AddPiece(int64_t number) { return GetOrAddPiece(PieceName(number)).id; }
  void AddNeighbour(const std::string& piece, int64_t number);
  // Index of the first group holding the name; the last group's index when none does.
  int32_t GroupOfPiece(const std::string& name) const;
  // The names of the piece's group, in group order (empty for an unknown name).
  std::vector<std::string> GroupMembers(const std::string& name) const;
  // Drags a movable piece and the pieces joined to it; unknown or fixed pieces stay.
  void MovePiece(const std::string& name, int32_t x, int32_t y);
  // Lays the piece down: joins neighbours lying in the right relative place, and snaps the
  // group onto the picture when it lies close enough to its place.
  void DropPiece(const std::string& name, int32_t x, int32_t y);
  bool IsWon() const;
  // Every piece back where the game data (or the save) laid it, alone and movable.
  void Reset();

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

  // Slides bolt i; a bolt that moves others drags its moved bolts (one level less deep), one
  // that does not locks or unlocks them. False, and nothing changes, for a locked bolt or an
  // index outside the lock.
  bool ToggleBolt(int32_t i, int32_t depth = 1);
  // Won when every bolt is up (also with no bolts).
  bool AreAllBoltsUp() const;
  // True while every bolt drags others; such a lock shows no lock sprites.
  bool AllBoltsMoveOthers() const;
  // Every bolt up or down and unlocked; what each bolt acts on stays.
  void ResetBolts(bool up);
  // A moved-bolt list bolt i can take: shorter than the bolt count, every index inside the
  // lock, no index twice.
  bool IsValidMovedList(const std::vector<int32_t>& indices) const;
  // The most bolts one bolt acts on.
  static constexpr size_t kMaxMovedBolts = 30;

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

// The image letter of a colour code: "g", "o", "b", "p", "u" (none), "" for any other code.
const char* MixPotionColorLetter(int32_t code);
// The colour of the streams arriving at a pipe; only colour system 1 mixes two streams.
int32_t MixPotionMixColors(const int32_t* values, int count, int32_t colorSystem);

class CMixPotionPipe : public ISerializable {
 public:
  // Pipe shapes, the index of their image key; kNoShape gets no sprite.
  enum : int32_t { kNoShape = 18 };

  void Serialize(std::string& out) const override;
  // The shape by the sides where streams enter and leave.
  int32_t GetPipeKind() const;
  // "_" and the colour letters its image is drawn with.
  std::string ImageSuffix() const;

  int32_t id = 440042;
  int32_t x = 0, y = 0, h = 0;
  std::vector<int32_t> links;  // at most 3
  int32_t colour = 5;
  uint32_t depth = 0;  // of the last mix, 0 = not reached
  // Filled by ConnectPipes; the game owns every pipe.
  std::vector<CMixPotionPipe*> outputs, inputs;

 private:
  struct Sides;
  Sides OpenSides() const;
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

  // Joins the pipes by their links, finds the funnels (pipes nothing feeds) and the flasks
  // (pipes that feed nothing) and sorts the pipes by h. Called once all pipes are added.
  void ConnectPipes();
  const std::vector<CMixPotionPipe*>& GetSources() const { return mSources; }
  const std::vector<CMixPotionPipe*>& GetOutlets() const { return mOutlets; }
  // Pours a colour into funnel i; false (nothing poured) when it already holds one.
  bool SetSourceColor(size_t i, int32_t colour);
  bool AllSourcesFilled() const;
  // Lets the poured colours run down the pipes.
  void Mix();
  // Every flask holds the colour wanted there (never with fewer wanted colours than flasks).
  bool IsWon() const;
  void ResetAll(bool clearDepth, bool clearColour);

  int32_t buttonX = 0, buttonY = 0, resetbuttonX = 0, resetbuttonY = 0;
  int32_t cboardX = 0, cboardY = 0, x = 0, y = 0;
  int32_t colorSystem = 0;
  std::string mixSoundFile, wonSoundFile, tryAgainSoundFile;
  bool hasMixSoundFile = false, hasWonSoundFile = false, hasTryAgainSoundFile = false;
  std::string images[kImageCount];
  std::vector<int32_t> givenColors, needColors;

 private:
  void PropagateColor(CMixPotionPipe& pipe, uint32_t depth, uint32_t limit);
  uint32_t MaxDepth(const CMixPotionPipe& pipe, uint32_t depth) const;

  std::vector<std::unique_ptr<CMixPotionPipe>> mPipes;
  std::vector<CMixPotionPipe*> mSources, mOutlets;
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

  // One picture of a layout: entry name ("false" or "correct"), image and place.
  struct TPicture {
    std::string name, image;
    int32_t x = 0, y = 0;
  };
  // Draws the false images and shuffles all pictures over the places; the false ones come
  // first, the correct one last. Counts the places or images cannot serve are left out.
  std::vector<TPicture> MakeLayout(TRandom& random) const;
  static bool IsCorrectImage(const std::string& entryName) { return entryName == "correct"; }

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

struct CNineMensMorrisField {
  int32_t index = 0;
  std::vector<int32_t> neighbours;
  int32_t status = 0;  // 0 empty, else a kind of stone
  int32_t statusEnd = 0;
  int32_t xPos = 0, yPos = 0;
};

class CNineMensMorrisGame : public CScene {
 public:
  // What a click on a field did.
  struct TClick {
    enum Kind { kNothing, kSelected, kMoved, kRefused } kind = kNothing;
    int32_t from = -1, to = -1;
    bool won = false;
  };

  bool IsType(int32_t type) const override { return type == kSceneNineMensMorris; }
  // One board field per complete set of the four lists.
  void Serialize(std::string& out) const override;

  void AddPosition(int32_t x, int32_t y) { positions.emplace_back(x, y); }
  void AddStatusStart(int32_t v) { statusStarts.push_back(v); }
  void AddStatusEnd(int32_t v) { statusEnds.push_back(v); }
  void AddNeighbourList(const std::vector<int32_t>& list) { neighbourLists.push_back(list); }
  // The fields that have all four values (the shortest list decides).
  size_t GetFieldCount() const;

  // Lays the board out from the game data (or the save) and decides whether it plays as a
  // sliding puzzle (at most one empty field).
  void BuildFields();
  // Drops any picked-up stone and decides the mode again for the board as it stands (a window
  // opening on a board already in play).
  void BeginPlay();
  const std::vector<CNineMensMorrisField>& GetFields() const { return mFields; }
  int32_t GetFieldStatus(int32_t i) const;
  bool IsLinked(int32_t from, int32_t to) const;
  bool CanMove(int32_t from, int32_t to) const;
  void SwapStatus(int32_t a, int32_t b);
  bool IsWon() const;
  void Solve();
  bool HasAtMostOneEmptyField() const;
  int32_t FirstEmptyField() const;
  bool IsSlidingMode() const { return mSlidingMode; }
  // The field picked up, or -1.
  int32_t GetSelected() const { return mSelection.empty() ? -1 : mSelection[0]; }
  // One click on field c: picks a stone up, or moves the picked one there.
  TClick ClickField(int32_t c);
  // The last typed letters; true when they complete the solving word, which solves the board.
  bool TypeKey(char c);
  static constexpr char kSolveWord[5] = "mill";

  std::string filepath;
  std::vector<std::pair<int32_t, int32_t>> positions;
  std::vector<int32_t> statusStarts, statusEnds;
  std::vector<std::vector<int32_t>> neighbourLists;

 private:
  std::vector<CNineMensMorrisField> mFields;
  bool mBuilt = false;
  std::vector<int32_t> mSelection;
  bool mSlidingMode = false;
  size_t mTyped = 0;
};

// ---- placing pictures ----

// A target area: the picture on it at the start and the one that belongs there, its corners,
// and in play the picture lying on it now ("" = free).
struct TPictureArea {
  std::string id, imageStart, imageEnd;
  int32_t x[4] = {0, 0, 0, 0}, y[4] = {0, 0, 0, 0};
  std::string current;
  bool IsFree() const { return current.empty(); }
  bool IsInside(int32_t px, int32_t py) const;
};

class CPlacingPicturesGame : public CScene, public CTextboxSet {
 public:
  bool IsType(int32_t type) const override { return type == kScenePlacingPictures; }
  void Serialize(std::string& out) const override;

  // Lays the pictures on their start areas; nothing held.
  void BuildBoard();
  // Forgets every area's id, start picture and corners; the pictures that belong on the areas stay
  // with their places in the list.
  void ClearHotspotLists();
  // Areas may also come as the scene's own hotspots (id, name = the picture on it, corners), the
  // hotspots list then giving only each area's imageEnd: they become the areas in the order of
  // their ids read as numbers and leave the scene. False (nothing changed) without such hotspots.
  bool AdoptSceneHotspots();
  // Lifts the named picture off its area, which becomes free. False when a picture is held
  // already or none of that name lies on the board.
  bool Lift(const std::string& picture);
  const std::string& GetHeld() const { return mHeld; }
  // Index of the first free area containing the point, or -1.
  int32_t FreeAreaAt(int32_t x, int32_t y) const;
  // Lays the held picture on the free area under the point; false (still held) when none.
  bool DropAt(int32_t x, int32_t y);
  // Puts a held picture back on the area it was lifted from.
  void ReturnHeld();
  // Every area holds the picture that belongs there (no areas: won).
  bool IsWon() const;
  // The picture lying on area i for a save: a held one counts as lying where it was lifted.
  std::string PlacedOn(size_t i) const;

  std::string filepath;
  std::vector<TPictureArea> areas;

 private:
  std::string mHeld;
  int32_t mHeldFrom = -1;  // the area it was lifted from, where a save puts it back
  bool mBuilt = false;
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

  // The strip laid out from its images' sizes: where each rests and how far it travels.
  struct TStrip {
    std::vector<std::pair<int32_t, int32_t>> rest, size;
    int32_t travelX = 0, travelY = 0;
  };
  TStrip LayoutStrip(const std::vector<std::pair<int32_t, int32_t>>& sizes) const;
  // Share of the running time gone after that many milliseconds, 0 to 1 (1 without texts).
  double Progress(uint32_t elapsedMs) const;
  // How far the strip has moved at that progress.
  std::pair<int32_t, int32_t> Offset(const TStrip& strip, double progress) const;
  // The strip's trailing point at that offset, and whether it has reached the end.
  std::pair<int32_t, int32_t> TrailingPoint(const TStrip& strip, std::pair<int32_t, int32_t> offset) const;
  bool HasReachedEnd(std::pair<int32_t, int32_t> trail) const;
  // The text shown at second t and its fade alpha; -1 once every text is over.
  int32_t TextAt(double t, float* alpha) const;
  // The corner area that leaves the screen at once (edges included).
  static bool InSkipArea(int32_t x, int32_t y) { return x >= 866 && x <= 1007 && y >= 6 && y <= 94; }

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
