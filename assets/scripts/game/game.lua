-- The new game of The Harrowmere Demo, one chapter told in this order: the chapter card, the
-- vicar's welcome (cutscene), the village square with the manor gate, the manor hall, the attic's
-- hidden-object search, the seven puzzles behind the hall's clock, the shrine where the relic is
-- set back, the vicar's farewell, and the last screen with the score. Texts are string-table
-- labels; model flags are quoted strings ("true"/"false"), never Lua booleans.

LUA_PATH = "assets/?;?;../?;../../?"
require("scripts/game/init.lua")
require("scripts/game/objectives.lua")

-- A rectangle as the four corners the model's areas take, clockwise from the top left.
local function Area(t, x1, y1, x2, y2)
  t.positionX1, t.positionY1 = x1, y1
  t.positionX2, t.positionY2 = x2, y1
  t.positionX3, t.positionY3 = x2, y2
  t.positionX4, t.positionY4 = x1, y2
  return t
end

-- The two speakers of the cutscenes: the vicar on the left, the heroine on the right.
local function Vicar()
  return MakeCutsceneCharacter { id = "vicar", name = "CHAR_VICAR", position = 1, offsetX = 0,
                                 images = { normal = "scenes/cutscene/warden", happy = "scenes/cutscene/warden_happy",
                                            sad = "scenes/cutscene/warden_sad" } }
end
local function Heroine()
  return MakeCutsceneCharacter { id = "player", name = "CHAR_PLAYER", position = 2, offsetX = 0,
                                 images = { normal = "scenes/cutscene/heroine" } }
end

-- An exit to another scene over a rectangle, named and labelled by one string-table label; the
-- label is also what a click on the closed exit says. `extra` adds keys (the exit's glow picture).
local function Exit(id, label, scene, x1, y1, x2, y2, active, extra)
  local t = Area({ id = id, name = label, text = label, isActive = active or "true", cursorstyleid = 5,
                   cursorstylepath = "cursor/cursor_exit", nextScene = scene }, x1, y1, x2, y2)
  for k, v in pairs(extra or {}) do t[k] = v end
  return MakeSceneExit(t)
end

-- A hidden object of the attic; its name is the label that the item list shows.
local function Hidden(id, name, x, y, image)
  return MakeHiddenObject { id = id, name = name, positionX = x, positionY = y, image = image,
                            isActive = "true", isVisible = "true" }
end

local kMusicStory = "audio/music/story.ogg"
local kMusicExplore = "audio/music/explore.ogg"
local kMusicPuzzle = "audio/music/puzzle.ogg"

MakeGame
{
  name = "The Harrowmere Demo",
  startScene = 100,
  currentScene = 100,
  sundialPoleSprite = "images/sundial_pole",
  hintSprite = "sprites/hint/hinttimer_", hintCount = 10,
  -- what an item used where nothing takes it answers (also set for saved games by init.lua)
  canUseItemSound = "audio/sfx/use_ok.ogg", canNotUseItemText = "CANNOT_USE_ITEM",
  canNotUseItemSound = "audio/sfx/use_fail.ogg",
  miniGameSkipButtonPosX = 20, miniGameSkipButtonPosY = 700, miniGameSkipButtonGraphic = "images/button_skip.png",
  miniGameMenuButtonPosX = 880, miniGameMenuButtonPosY = 700, miniGameMenuButtonGraphic = "images/button_menu.png",
  cutsceneSkipButtonPosX = 880, cutsceneSkipButtonPosY = 700, cutsceneSkipButtonGraphic = "images/button_skip.png",

  MakeLevel
  {
    seqId = 1, name = "LEVEL_1",

    MakeChapterScreen
    {
      seqId = 100, bg = "scenes/chapter/bg", theme = kMusicStory, nextScene = 102,
      showHintButton = "false", showDiaryButton = "false",
      title = "CH1_TITLE", subtitle = "CH1_SUBTITLE", locationImage = "scenes/chapter/loc1",
      locationX = 140, locationY = 240, locationText = "LOC_VILLAGE",
    },

    -- The vicar meets the player at the edge of the village.
    MakeCutscene
    {
      seqId = 102, bg = "scenes/cutscene/stage1", theme = kMusicStory, nextScene = 101,
      showHintButton = "false", showDiaryButton = "false",
      stageBg = "scenes/cutscene/stage1", letterFont = "fonts/kingthings.mvec", letterFontSize = 26,
      Vicar(), Heroine(),
      MakeCutsceneScript
      {
        {"vicar", "normal", "CUT_1_LINE_1", ""},
        {"player", "normal", "CUT_1_LINE_2", ""},
        {"vicar", "sad", "CUT_1_LINE_3", ""},
        {"vicar", "normal", "CUT_1_LINE_3B", ""},
      },
    },

    -- The village square: the key lies on the cobbles, the gate to the manor is locked.
    MakeAdventureScreen
    {
      seqId = 101, bg = "scenes/courtyard/bg", theme = kMusicExplore, atmo = "sounds/wind.ogg",
      minLoop = 4, maxLoop = 9, nextScene = 103,
      initScript = "scripts/game/scenes/s101_init.lua",
      Exit("001_adv_exit_wassermuehle", "EXIT_MANOR", 103, 700, 200, 860, 520, "false",
           { image = "scenes/courtyard/door_glow", imagePositionX = 700, imagePositionY = 200 }),
      MakeSceneHotspot(Area({ id = "101_gate", name = "HS_GATE", text = "HS_GATE_TEXT", isActive = "true" },
                            700, 200, 860, 520)),
      -- the gate standing open, shown once the key has turned in it
      MakeSceneObject
      {
        id = "101_gate_open", name = "EXIT_MANOR", positionX = 700, positionY = 200,
        image = "scenes/courtyard/gate_open", timesPickable = 0, isActive = "false", isVisible = "false",
      },
      MakeSceneObject
      {
        id = "101_key", name = "OBJ_KEY", positionX = 300, positionY = 560, image = "scenes/courtyard/key",
        timesPickable = 1, isActive = "true", isVisible = "true", invitem = "key_item", text = "OBJ_KEY_TEXT",
        MakeActionMap { {"OnPickedUp", "ItemFound('find_key', '101_key')"} },
      },
      -- the notice pinned above the gate: dark ink, level, on its light paper
      textFont = "fonts/kingthings.mvec", textboxHeight = 60, textboxWidth = 270, lineHeight = 26,
      textColor = { red = 40, green = 24, blue = 10, alpha = 255 },
      textboxes = { { text = "NOTE_VILLAGE", x = 656, y = 138, rotation = 0 } },
    },

    -- The manor hall: the way back, the attic stairs, a candle and the stopped clock.
    MakeAdventureScreen
    {
      seqId = 103, bg = "scenes/hall/bg", theme = kMusicExplore, nextScene = 201,
      initScript = "scripts/game/scenes/s103_init.lua",
      -- the open ways on have glowing rims
      Exit("002_adv_exit_bruecke", "EXIT_VILLAGE", 101, 0, 540, 800, 600, nil,
           { image = "scenes/hall/way_glow", imagePositionX = 0, imagePositionY = 540 }),
      Exit("002_adv_exit_waldkreuzung", "EXIT_ATTIC", 201, 340, 0, 460, 120, nil,
           { image = "scenes/hall/stairs_glow", imagePositionX = 340, imagePositionY = 0 }),
      Exit("103_clock_door", "EXIT_CLOCK", 301, 300, 152, 340, 260, "false",
           { image = "scenes/hall/clock_door", imagePositionX = 292, imagePositionY = 152 }),
      -- the clock with the empty lantern on its top: the candle may be used on either
      MakeSceneHotspot(Area({ id = "103_clock", name = "HS_CLOCK", text = "HS_CLOCK_TEXT", isActive = "true" },
                            292, 96, 348, 260)),
      -- the fire in the hearth, its flames moving (an animated picture over the still one)
      MakeSceneObject
      {
        id = "103_fire", name = "OBJ_FIRE", positionX = 520, positionY = 370,
        image = "scenes/hall/fire", timesPickable = 0, isActive = "false", isVisible = "true",
      },
      -- the candle burning in the clock's lantern, shown once it is lit
      MakeSceneObject
      {
        id = "103_lantern_lit", name = "OBJ_LANTERN", positionX = 300, positionY = 100,
        image = "scenes/hall/lantern_lit", timesPickable = 0, isActive = "false", isVisible = "false",
      },
      MakeSceneObject
      {
        id = "103_candle", name = "OBJ_CANDLE", positionX = 600, positionY = 470, image = "scenes/hall/candle",
        timesPickable = 1, isActive = "false", isVisible = "false", invitem = "candle_item",
        text = "OBJ_CANDLE_TEXT", MakeActionMap { {"OnPickedUp", "ItemFound('find_candle', '103_candle')"} },
      },
    },

    -- The attic: the list of things to find; the relic is the prize, and the way leads back down.
    MakeHiddenObjectGame
    {
      seqId = 201, bg = "scenes/study/bg", theme = kMusicExplore, nextScene = 103,
      itemListCount = 9, hitClickSound = "audio/sfx/ho_hit.ogg", missClickSound = "audio/sfx/ho_miss.ogg",
      pickedUpInventoryItemOnWon = "relic_item", STDLeftSideOfActiveSide = 0,
      initScript = "scripts/game/scenes/s201_init.lua", exitScript = "scripts/game/scenes/s201_exit.lua",
      -- each lies partly behind the attic's clutter, dimmed to the colours around it
      Hidden("201_cup", "HO_CUP", 304, 452, "scenes/study/ho_cup"),
      Hidden("201_book", "HO_BOOK", 470, 130, "scenes/study/ho_book"),
      Hidden("201_bell", "HO_BELL", 128, 290, "scenes/study/ho_bell"),
      Hidden("201_feather", "HO_FEATHER", 238, 452, "scenes/study/ho_quill"),
      Hidden("201_skull", "HO_CANDLESTICK", 940, 324, "scenes/study/ho_candle"),
      Hidden("201_cranium", "HO_SKULL", 58, 134, "scenes/study/ho_skull"),
      Hidden("201_key", "HO_KEY", 664, 546, "scenes/study/ho_key"),
      Hidden("201_lens", "HO_LENS", 600, 294, "scenes/study/ho_lens"),
      MakeHOGGroup
      {
        groupName = "HO_COINS",
        Hidden("201_coin1", "HO_COIN", 392, 152, "scenes/study/coin"),
        Hidden("201_coin2", "HO_COIN", 554, 550, "scenes/study/coin2"),
        Hidden("201_coin3", "HO_COIN", 128, 472, "scenes/study/coin3"),
      },
      MakeFixItems { "201_skull" },
    },

    -- Behind the clock, seven rooms with a puzzle each, one after the other.
    MakeJigsawPuzzle
    {
      -- The torn portrait: the four pieces joined into one, anywhere on the table. Pieces join
      -- when one is laid against its neighbour as in the picture; nothing needs to lie on a
      -- marked place, so the stick-on-background rule is off and the room ends when one group
      -- holds all four.
      seqId = 301, bg = "images/puzzle_bg.jpg", theme = kMusicPuzzle, nextScene = 302,
      initScript = "scripts/game/scenes/s301_init.lua",
      offsetX = 272, offsetY = 172, hookPieces = "true", stickOnBackground = "false", delta = 20,
      numberOfGroupsToWin = 1,
      MakeJigsawPiece { id = 1, image = "images/jigsaw_1.png", startPosX = 60, startPosY = 150, endPosX = 0, endPosY = 0, {2, 3} },
      MakeJigsawPiece { id = 2, image = "images/jigsaw_2.png", startPosX = 720, startPosY = 160, endPosX = 128, endPosY = 0, {1, 4} },
      MakeJigsawPiece { id = 3, image = "images/jigsaw_3.png", startPosX = 60, startPosY = 400, endPosX = 0, endPosY = 128, {1, 4} },
      MakeJigsawPiece { id = 4, image = "images/jigsaw_4.png", startPosX = 600, startPosY = 380, endPosX = 128, endPosY = 128, {2, 3} },
    },

    MakeUnlockingDoorsMiniGame
    {
      -- The cellar door: four bolts that each drag their neighbours, the second held by a padlock
      -- that the lever on the right opens: pull the lever, then the two outer bolts.
      seqId = 302, bg = "images/puzzle_bg.jpg", theme = kMusicPuzzle, nextScene = 303,
      initScript = "scripts/game/scenes/s302_init.lua",
      stdLocked = "false", stdUp = "false", stdMovesOthers = "true", stdGraphic = "images/bolt.png",
      moveBoltSoundFile = "sounds/click.ogg", missSoundFile = "audio/sfx/negative_sound.ogg",
      wonSoundFile = "audio/sfx/positive_sound.ogg",
      overlayImage = "images/lock/frame.png", overlayImagePosX = 200, overlayImagePosY = 120,
      MakeUnlockingDoorsBolt { downX = 250, downY = 280, upX = 250, upY = 160, {1} },
      MakeUnlockingDoorsBolt { downX = 350, downY = 280, upX = 350, upY = 160, locked = "true",
                               boltUpperLockGraphic = "images/lock/padlock.png", upperBoltLockPositionX = 350,
                               upperBoltLockPositionY = 150, upperBoltLockOpenRotAngle = 90,
                               upperBoltLockCloseRotAngle = 0, {0, 2} },
      MakeUnlockingDoorsBolt { downX = 450, downY = 280, upX = 450, upY = 160, {1, 3} },
      MakeUnlockingDoorsBolt { downX = 550, downY = 280, upX = 550, upY = 160, {2} },
      MakeUnlockingDoorsBolt { downX = 680, downY = 280, upX = 680, upY = 160, movesOthers = "false",
                               graphic = "images/lock/lever.png", {1} },
    },

    MakeMixPotionMiniGame
    {
      -- The alchemist's table: green and purple poured into the two funnels meet at the joint
      -- and run down orange.
      seqId = 303, bg = "images/puzzle_bg.jpg", theme = kMusicPuzzle, nextScene = 304,
      initScript = "scripts/game/scenes/s303_init.lua",
      mixSoundFile = "sounds/click.ogg", wonSoundFile = "audio/sfx/positive_sound.ogg",
      tryAgainSoundFile = "audio/sfx/negative_sound.ogg",
      kPipe2_ud = "images/potion/pipe_ud", kPipe2_ur = "images/potion/pipe_ur",
      kPipe3_udl_d = "images/potion/pipe_udl_d", funnel = "images/potion/funnel", flask = "images/potion/flask",
      targetColor = "images/potion/target", moveableflask = "images/potion/carry",
      button = "images/potion/mix", resetbutton = "images/potion/reset", cboard = "images/potion/cupboard",
      x = 560, y = 200, colorSystem = 1, buttonX = 700, buttonY = 420, cboardX = 340, cboardY = 364,
      resetbuttonX = 700, resetbuttonY = 480,
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
      -- The old mirror: which of the four is the true reflection of the framed portrait?
      seqId = 304, bg = "images/mirror_bg.jpg", theme = kMusicPuzzle, nextScene = 305,
      initScript = "scripts/game/scenes/s304_init.lua",
      amountSelectedFalseImages = 3, amountAllFalseImages = 5, filepath = "images/mirror/",
      nameFalseImage = "false", nameCorrectImage = "right",
      { {xPos = 150, yPos = 150}, {xPos = 400, yPos = 150}, {xPos = 650, yPos = 150}, {xPos = 275, yPos = 380} },
    },

    MakeNineMensMorrisGame
    {
      -- The game board: a row of three places with a side path of two below its middle. The
      -- white and the black stone at the row's ends must change places, as the lid shows; the
      -- side path lets one wait while the other passes (eight moves at the least).
      seqId = 305, bg = "images/morris_bg.jpg", theme = kMusicPuzzle, nextScene = 306,
      initScript = "scripts/game/scenes/s305_init.lua",
      filepath = "images/morris/",
      {
        { xPos = 250, yPos = 150, statusStart = 1, statusEnd = 2, {1} },
        { xPos = 400, yPos = 150, statusStart = 0, statusEnd = 0, {0, 2, 3} },
        { xPos = 550, yPos = 150, statusStart = 2, statusEnd = 1, {1} },
        { xPos = 400, yPos = 300, statusStart = 0, statusEnd = 0, {1, 4} },
        { xPos = 400, yPos = 450, statusStart = 0, statusEnd = 0, {3} },
      },
    },

    MakePlacingPicturesGame
    {
      -- The gallery: two pictures hang on each other's places; the empty third place lets them
      -- change over.
      seqId = 306, bg = "images/gallery_bg.jpg", theme = kMusicPuzzle, nextScene = 307,
      initScript = "scripts/game/scenes/s306_init.lua",
      filepath = "images/pictures/", textFont = "fonts/kingthings.mvec",
      textboxHeight = 40, textboxWidth = 420, lineHeight = 24,
      textColor = { red = 240, green = 225, blue = 190, alpha = 255 },
      textboxes = { { text = "NOTE_GALLERY", x = 560, y = 560, rotation = 0 } },
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
      -- The chronicle: the story of the bells runs by on a painted strip.
      -- The captions are dark ink on the parchment band of its board.
      seqId = 307, bg = "images/chronicle_bg.jpg", theme = kMusicStory, nextScene = 401,
      movingTextureDirectory = "images/strip/", movingTextureName = "strip", numberOfTextures = 5,
      direction = "left", beginX = 962, beginY = 200, endX = 62, endY = 200, borderTexture = "images/border.png",
      offsetStart = 0, offsetEnd = 0,
      textUpperLeftX = 100, textUpperLeftY = 440, textLowerRightX = 924, textLowerRightY = 520,
      textColorRed = 50, textColorGreen = 30, textColorBlue = 12, textHeight = 28,
      initScript = "scripts/game/scenes/s307_init.lua",
      MakePlotpointTexts { {"PLOT_1", 3}, {"PLOT_2", 3}, {"PLOT_3", 3} },
    },

    -- The shrine: the relic goes back on its pedestal.
    MakePlacingObjectGame
    {
      seqId = 401, bg = "images/shrine_bg.jpg", theme = kMusicExplore, nextScene = 402,
      initScript = "scripts/game/scenes/s401_init.lua",
      hintImage = "HINT_SHRINE",
      -- once the relic stands on its pedestal, a click anywhere on the shrine leads on
      Exit("401_onward", "EXIT_ONWARD", 402, 0, 0, 1024, 640, "false", { text = "HINT_SHRINE" }),
      MakeSceneHotspot(Area({ id = "401_pedestal", name = "HS_PEDESTAL", text = "HS_PEDESTAL_TEXT", isActive = "true" },
                            340, 250, 500, 550)),
      MakeSceneObject { id = "401_relic", name = "OBJ_RELIC", positionX = 380, positionY = 260,
                        image = "images/relic.jpg", timesPickable = 0, isActive = "false", isVisible = "false",
                        invitem = "", text = "" },
      MakeInventory { "relic_item" },
      textFont = "fonts/kingthings.mvec", textboxHeight = 40, textboxWidth = 400, lineHeight = 24,
      textColor = { red = 230, green = 220, blue = 180, alpha = 255 },
      textboxes = { { text = "NOTE_SHRINE", x = 312, y = 584, rotation = 0 } },
    },

    -- The vicar's farewell.
    MakeCutscene
    {
      seqId = 402, bg = "scenes/cutscene/stage1", theme = kMusicStory, nextScene = 403,
      showHintButton = "false", showDiaryButton = "false",
      stageBg = "scenes/cutscene/stage1", letterFont = "fonts/kingthings.mvec", letterFontSize = 26,
      Vicar(), Heroine(),
      MakeCutsceneScript
      {
        {"vicar", "happy", "CUT_2_LINE_1", ""},
        {"player", "normal", "CUT_2_LINE_2", ""},
        {"vicar", "happy", "CUT_2_LINE_3", ""},
      },
    },

    -- The last screen: the village asleep; a click anywhere brings the score sheet.
    MakeAdventureScreen
    {
      seqId = 403, bg = "scenes/ending/bg", theme = kMusicStory, nextScene = 100,
      showHintButton = "false", showDiaryButton = "false",
      initScript = "scripts/game/scenes/s403_init.lua",
      MakeSceneHotspot(Area({ id = "403_end", name = "HS_END", text = "", isActive = "true",
                              MakeActionMap { {"OnClick", "ShowScoreSheet()"} } }, 0, 0, 1024, 640)),
      textFont = "fonts/schwarzwald.mvec", textboxHeight = 120, textboxWidth = 520, lineHeight = 36,
      textColor = { red = 70, green = 40, blue = 15, alpha = 255 },
      textboxes = { { text = "DEMO_END", x = 60, y = 70, rotation = 0 } },
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
    pickUpImage = "sprites/inventory/head_big", MakeActionMap { {"401_pedestal", "PlaceRelic()"} },
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
