-- The new game of The Harrowmere Demo: one level, the chapter card, the village and the manor,
-- the vicar's cutscene, the attic's hidden-object search, the seven puzzles and the shrine where
-- the found relic is set in place. Texts are string-table labels; pictures and sounds live under
-- the assets folder (images/, sounds/).

require("scripts/game/init.lua")
require("scripts/game/objectives.lua")

-- A rectangle as the four corners the model's areas take.
local function Area(t, x1, y1, x2, y2)
  t.positionX1, t.positionY1 = x1, y1
  t.positionX2, t.positionY2 = x2, y1
  t.positionX3, t.positionY3 = x2, y2
  t.positionX4, t.positionY4 = x1, y2
  return t
end

-- An exit to another scene over a rectangle, named and labelled by one string-table label;
-- active unless told otherwise; `extra` adds keys (a picture of the exit).
local function Exit(id, label, scene, x1, y1, x2, y2, active, extra)
  local t = Area({ id = id, name = label, text = label, isActive = active or "true", cursorstyleid = 2,
                   cursorstylepath = "images/cursor_exit.png", nextScene = scene }, x1, y1, x2, y2)
  for k, v in pairs(extra or {}) do t[k] = v end
  return MakeSceneExit(t)
end

-- The exit back to the manor hall, used by every puzzle room.
local function BackToHall(id)
  return Exit(id, "EXIT_BACK", 103, 0, 540, 800, 600)
end

MakeGame
{
  name = "harrowmere",
  startScene = 100,
  currentScene = 100,
  sundialShadowSprite = "images/sundial_shadow.png", sundialShadowCount = 12,
  sundialPoleSprite = "images/sundial_pole.png",
  hintSprite = "sprites/hint/hinttimer_", hintCount = 10,
  miniGameSkipButtonPosX = 20, miniGameSkipButtonPosY = 550, miniGameSkipButtonGraphic = "images/button_skip.png",
  miniGameMenuButtonPosX = 680, miniGameMenuButtonPosY = 550, miniGameMenuButtonGraphic = "images/button_menu.png",
  cutsceneSkipButtonPosX = 680, cutsceneSkipButtonPosY = 550, cutsceneSkipButtonGraphic = "images/button_skip.png",

  MakeLevel
  {
    seqId = 1, name = "LEVEL_1",

    MakeChapterScreen
    {
      seqId = 100, bg = "scenes/chapter/bg", theme = "sounds/music_loop.ogg", nextScene = 102,
      title = "CH1_TITLE", subtitle = "CH1_SUBTITLE", locationImage = "scenes/chapter/loc1",
      locationX = 140, locationY = 240, locationText = "LOC_VILLAGE",
    },

    MakeCutscene
    {
      seqId = 102, bg = "scenes/cutscene/stage1", theme = "sounds/music_loop.ogg", nextScene = 101, showHintButton = "false",
      showDiaryButton = "false",
      stageBg = "scenes/cutscene/stage1", letterFont = "fonts/kingthings.mvec", letterFontSize = 26,
      MakeCutsceneCharacter { id = "vicar", name = "CHAR_VICAR", position = 1, offsetX = 0,
                              images = { normal = "scenes/cutscene/warden", happy = "scenes/cutscene/warden_happy",
                                         sad = "scenes/cutscene/warden_sad" } },
      MakeCutsceneCharacter { id = "player", name = "CHAR_PLAYER", position = 2, offsetX = 0,
                              images = { normal = "scenes/cutscene/heroine" } },
      MakeCutsceneScript
      {
        {"vicar", "normal", "CUT_1_LINE_1", ""},
        {"player", "normal", "CUT_1_LINE_2", ""},
        {"vicar", "sad", "CUT_1_LINE_3", "CUT_1_LINE_3B"},
      },
    },

    MakeAdventureScreen
    {
      seqId = 101, bg = "scenes/courtyard/bg", theme = "sounds/music_loop.ogg", atmo = "sounds/wind.ogg",
      minLoop = 2, maxLoop = 5, fadeInDuration = 300, fadeOutDuration = 300, nextScene = 103,
      showHintButton = "true", showDiaryButton = "true", initScript = "scripts/game/scenes/s101_init.lua",
      Exit("001_adv_exit_wassermuehle", "EXIT_MANOR", 103, 700, 200, 860, 520, "false",
           { image = "scenes/courtyard/door_glow", imagePositionX = 700, imagePositionY = 200 }),
      MakeSceneHotspot
      {
        id = "101_gate", name = "HS_GATE", text = "HS_GATE_TEXT", isActive = "true",
        positionX1 = 700, positionY1 = 200, positionX2 = 860, positionY2 = 200,
        positionX3 = 860, positionY3 = 520, positionX4 = 700, positionY4 = 520,
        MakeActionMap { {"key_item", "OpenManorGate()"} },
      },
      MakeSceneObject
      {
        id = "101_key", name = "OBJ_KEY", positionX = 300, positionY = 560, image = "scenes/courtyard/key",
        timesPickable = 1, isActive = "true", isVisible = "true", invitem = "key_item", text = "OBJ_KEY_TEXT",
        MakeActionMap { {"OnPickedUp", "Objective('find_key', true)"} },
      },
      textFont = "fonts/kingthings.mvec", textboxHeight = 60, textboxWidth = 260, lineHeight = 24,
      textColor = { red = 60, green = 40, blue = 20, alpha = 255 },
      textboxes = { { text = "NOTE_VILLAGE", x = 660, y = 140, rotation = -4 } },
    },

    MakeAdventureScreen
    {
      seqId = 103, bg = "scenes/hall/bg", theme = "sounds/music_loop.ogg", nextScene = 401,
      showHintButton = "true", showDiaryButton = "true", initScript = "scripts/game/scenes/s103_init.lua",
      Exit("103_to_village", "EXIT_VILLAGE", 101, 0, 540, 800, 600),
      Exit("103_to_attic", "EXIT_ATTIC", 201, 340, 0, 460, 120),
      Exit("103_to_jigsaw", "EXIT_PORTRAIT", 301, 40, 120, 140, 260),
      Exit("103_to_lock", "EXIT_CELLAR", 302, 160, 300, 260, 460),
      Exit("103_to_potion", "EXIT_ALCHEMY", 303, 280, 300, 380, 460),
      Exit("103_to_mirror", "EXIT_MIRROR", 304, 420, 300, 520, 460),
      Exit("103_to_morris", "EXIT_BOARD", 305, 540, 300, 640, 460),
      Exit("103_to_pictures", "EXIT_GALLERY", 306, 660, 120, 760, 260),
      Exit("103_to_plot", "EXIT_CHRONICLE", 307, 660, 300, 760, 460),
      Exit("103_to_shrine", "EXIT_SHRINE", 401, 160, 120, 260, 260, "false"),
      MakeSceneHotspot(Area({ id = "103_clock", name = "HS_CLOCK", text = "HS_CLOCK_TEXT", isActive = "true",
                              MakeActionMap { {"candle_item", "LightClock()"} } }, 300, 140, 340, 260)),
      MakeSceneObject
      {
        id = "103_candle", name = "OBJ_CANDLE", positionX = 600, positionY = 470, image = "scenes/hall/candle",
        timesPickable = 1, isActive = "true", isVisible = "true", invitem = "candle_item",
        text = "OBJ_CANDLE_TEXT", MakeActionMap { {"OnPickedUp", "Objective('find_candle', true)"} },
      },
    },

    MakeHiddenObjectGame
    {
      seqId = 201, bg = "scenes/study/bg", theme = "sounds/music_loop.ogg", nextScene = 103,
      itemListCount = 4, hitClickSound = "audio/sfx/ho_hit.ogg", missClickSound = "audio/sfx/ho_miss.ogg",
      pickedUpInventoryItemOnWon = "relic_item", STDLeftSideOfActiveSide = 0,
      initScript = "scripts/game/scenes/s201_init.lua",
      MakeHiddenObject { id = "201_cup", name = "HO_CUP", positionX = 100, positionY = 380, image = "scenes/study/ho_cup" },
      MakeHiddenObject { id = "201_book", name = "HO_BOOK", positionX = 260, positionY = 120, image = "scenes/study/ho_book" },
      MakeHiddenObject { id = "201_bell", name = "HO_BELL", positionX = 520, positionY = 200, image = "scenes/study/ho_bell" },
      MakeHiddenObject { id = "201_feather", name = "HO_FEATHER", positionX = 400, positionY = 460,
                         image = "scenes/study/ho_quill" },
      MakeHiddenObject { id = "201_skull", name = "HO_SKULL", positionX = 640, positionY = 420, image = "scenes/study/ho_candle",
                         MakeActionMap { {"OnPickedUp", "Objective('skull_found', true)"} } },
      MakeHOGGroup
      {
        groupName = "HO_COINS",
        MakeHiddenObject { id = "201_coin1", name = "HO_COIN", positionX = 180, positionY = 250, image = "scenes/study/coin" },
        MakeHiddenObject { id = "201_coin2", name = "HO_COIN", positionX = 590, positionY = 90, image = "scenes/study/coin" },
        MakeHiddenObject { id = "201_coin3", name = "HO_COIN", positionX = 330, positionY = 330, image = "scenes/study/coin" },
      },
      MakeFixItems { "201_skull" },
    },

    MakeJigsawPuzzle
    {
      seqId = 301, bg = "images/puzzle_bg.jpg", nextScene = 103, offsetX = 272, offsetY = 172,
      hookPieces = "true", delta = 12, numberOfGroupsToWin = 1,
      BackToHall("301_back"),
      MakeJigsawPiece { id = 1, image = "images/jigsaw_1.png", startPosX = 40, startPosY = 60, endPosX = 0, endPosY = 0, {2, 3} },
      MakeJigsawPiece { id = 2, image = "images/jigsaw_2.png", startPosX = 620, startPosY = 80, endPosX = 128, endPosY = 0, {1, 4} },
      MakeJigsawPiece { id = 3, image = "images/jigsaw_3.png", startPosX = 60, startPosY = 400, endPosX = 0, endPosY = 128, {1, 4} },
      MakeJigsawPiece { id = 4, image = "images/jigsaw_4.png", startPosX = 600, startPosY = 380, endPosX = 128, endPosY = 128, {2, 3} },
    },

    MakeUnlockingDoorsMiniGame
    {
      -- Four bolts that each drag their neighbours, the second held by a padlock that the lever
      -- on the right opens: pull the lever, then the two outer bolts.
      seqId = 302, bg = "images/puzzle_bg.jpg", nextScene = 103, stdLocked = "false", stdUp = "false",
      stdMovesOthers = "true", stdGraphic = "images/bolt.png", moveBoltSoundFile = "sounds/click.ogg",
      missSoundFile = "sounds/click.ogg", wonSoundFile = "sounds/pickup.ogg",
      overlayImage = "images/lock/frame.png", overlayImagePosX = 200, overlayImagePosY = 120,
      BackToHall("302_back"),
      MakeUnlockingDoorsBolt { downX = 250, downY = 280, upX = 250, upY = 160, {1} },
      MakeUnlockingDoorsBolt { downX = 350, downY = 280, upX = 350, upY = 160, locked = "true",
                               boltUpperLockGraphic = "images/lock/padlock.png", upperBoltLockPositionX = 350,
                               upperBoltLockPositionY = 150, upperBoltLockOpenRotAngle = 90,
                               upperBoltLockCloseRotAngle = 0, {0, 2} },
      MakeUnlockingDoorsBolt { downX = 450, downY = 280, upX = 450, upY = 160, {1, 3} },
      MakeUnlockingDoorsBolt { downX = 550, downY = 280, upX = 550, upY = 160, {2} },
      MakeUnlockingDoorsBolt { downX = 680, downY = 280, upX = 680, upY = 160, movesOthers = "false", {1} },
    },

    MakeMixPotionMiniGame
    {
      -- Green and purple poured into the two funnels meet at the joint and run down orange.
      seqId = 303, bg = "images/puzzle_bg.jpg", nextScene = 103, mixSoundFile = "sounds/click.ogg",
      wonSoundFile = "sounds/pickup.ogg", tryAgainSoundFile = "sounds/click.ogg",
      kPipe2_ud = "images/potion/pipe_ud", kPipe2_ur = "images/potion/pipe_ur",
      kPipe3_udl_d = "images/potion/pipe_udl_d", funnel = "images/potion/funnel", flask = "images/potion/flask",
      targetColor = "images/potion/target", moveableflask = "images/potion/carry",
      button = "images/potion/mix", resetbutton = "images/potion/reset", cboard = "images/potion/cupboard",
      x = 560, y = 200, colorSystem = 1, buttonX = 700, buttonY = 420, cboardX = 340, cboardY = 364,
      resetbuttonX = 700, resetbuttonY = 480,
      BackToHall("303_back"),
      MakeMixPotionGivenColors { "green", "black", "purple" },
      MakeMixPotionNeedColors { "orange" },
      MakeMixPotionPipe { id = 1, x = 1, y = 0, h = 1, {3} },
      MakeMixPotionPipe { id = 2, x = 0, y = 0, h = 1, {4} },
      MakeMixPotionPipe { id = 4, x = 0, y = 1, h = 2, {3} },
      MakeMixPotionPipe { id = 3, x = 1, y = 1, h = 3, {5} },
      MakeMixPotionPipe { id = 5, x = 1, y = 2, h = 4 },
    },

    MakeMirroredImageGame
    {
      seqId = 304, bg = "images/puzzle_bg.jpg", nextScene = 103, amountSelectedFalseImages = 3,
      amountAllFalseImages = 5, filepath = "images/mirror/", nameFalseImage = "false",
      nameCorrectImage = "right.png",
      BackToHall("304_back"),
      { {xPos = 150, yPos = 150}, {xPos = 400, yPos = 150}, {xPos = 650, yPos = 150}, {xPos = 275, yPos = 380} },
    },

    MakeNineMensMorrisGame
    {
      seqId = 305, bg = "images/puzzle_bg.jpg", nextScene = 103, filepath = "images/morris/",
      BackToHall("305_back"),
      {
        { xPos = 250, yPos = 150, statusStart = 1, statusEnd = 0, {1, 3} },
        { xPos = 400, yPos = 150, statusStart = 0, statusEnd = 1, {0, 2} },
        { xPos = 550, yPos = 150, statusStart = 1, statusEnd = 1, {1} },
        { xPos = 250, yPos = 300, statusStart = 0, statusEnd = 0, {0} },
      },
    },

    MakePlacingPicturesGame
    {
      -- Two pictures hang on each other's places; the empty third place lets them change over.
      seqId = 306, bg = "images/puzzle_bg.jpg", nextScene = 103, filepath = "images/pictures/",
      textFont = "fonts/default.mvec",
      BackToHall("306_back"),
      hotspots =
      {
        { id = "0", imageStart = "2", imageEnd = "1", xPos1 = 100, xPos2 = 280, xPos3 = 280, xPos4 = 100,
          yPos1 = 100, yPos2 = 100, yPos3 = 280, yPos4 = 280 },
        { id = "1", imageStart = "1", imageEnd = "2", xPos1 = 400, xPos2 = 580, xPos3 = 580, xPos4 = 400,
          yPos1 = 100, yPos2 = 100, yPos3 = 280, yPos4 = 280 },
        { id = "2", imageStart = "", imageEnd = "", xPos1 = 250, xPos2 = 430, xPos3 = 430, xPos4 = 250,
          yPos1 = 320, yPos2 = 320, yPos3 = 500, yPos4 = 500 },
      },
    },

    MakePlotpoint
    {
      seqId = 307, bg = "images/puzzle_bg.jpg", nextScene = 103, movingTextureDirectory = "images/strip/",
      movingTextureName = "strip", numberOfTextures = 4, direction = "left", beginX = 800, beginY = 200,
      endX = -400, endY = 200, borderTexture = "images/border.png", offsetStart = 0, offsetEnd = 0,
      textUpperLeftX = 100, textUpperLeftY = 440, textLowerRightX = 700, textLowerRightY = 520, textColorRed = 240, textHeight = 24,
      BackToHall("307_back"),
      MakePlotpointTexts { {"PLOT_1", 3}, {"PLOT_2", 3}, {"PLOT_3", 3} },
    },

    MakePlacingObjectGame
    {
      seqId = 401, bg = "images/shrine_bg.jpg", theme = "sounds/music_loop.ogg", nextScene = 100,
      hintImage = "images/hint.png",
      BackToHall("401_back"),
      MakeSceneObject { id = "401_relic", name = "OBJ_RELIC", positionX = 380, positionY = 260,
                        image = "images/relic.jpg", timesPickable = 0, isVisible = "false",
                        MakeActionMap { {"relic_item", "PlaceRelic()"} } },
      MakeInventory { "relic_item" },
      textFont = "fonts/default.mvec", textboxHeight = 40, textboxWidth = 300, lineHeight = 20,
      textColor = { red = 230, green = 220, blue = 180, alpha = 255 },
      textboxes = { { text = "NOTE_SHRINE", x = 250, y = 60, rotation = 0 } },
    },
  },

  MakeInventoryItem
  {
    id = "key_item", name = "INV_KEY", description = "INV_KEY_DESC", image = "sprites/inventory/key",
    pickUpImage = "sprites/inventory/key_big", MakeActionMap { {"101_gate", "OpenManorGate()"} },
  },
  MakeInventoryItem
  {
    id = "candle_item", name = "INV_CANDLE", description = "INV_CANDLE_DESC", image = "sprites/inventory/candle",
    pickUpImage = "sprites/inventory/candle_big", MakeActionMap { {"103_clock", "LightClock()"} },
  },
  MakeInventoryItem
  {
    id = "relic_item", name = "INV_RELIC", description = "INV_RELIC_DESC", image = "sprites/inventory/head",
    pickUpImage = "sprites/inventory/head_big", MakeActionMap { {"401_relic", "PlaceRelic()"} },
  },
  MakeInventory { },

  MakeHighscoreSystem
  {
    levelCompleteBonus = 5000, levelSpeedPerSecondBonus = 2, neededTimeForHOSpeedBonusInSeconds = 20,
    HOTaskCompleteBonus = 500, foundInventoryItemBonus = 100, usedInventoryItemSuccessfullyBonus = 150,
    adventureTaskCompleteBonus = 250, miniGameTaskCompleteBonus = 750, clicksNeedForPenalty = 5,
    timeForClicksForPenalty = 2, timeForPenalty = 10,
    MakeHOFoundBonus { 50, 100, 150 },
    MakeHintUsedInLevelBonus { 1000, 500, 250, 0 },
  },
}
