
MakeGame
{
  name = "demo",
  startScene = 101,
  sundialShadowSprite = "sun.png", sundialShadowCount = 12, sundialPoleSprite = "pole.png",
  hintSprite = "hint.png", hintCount = 3,
  miniGameSkipButtonPosX = 10, miniGameSkipButtonPosY = 20, miniGameSkipButtonGraphic = "skip.png",
  miniGameSkipButtonFontType = "font.mvec", miniGameSkipButtonFontSize = 18,
  miniGameMenuButtonPosX = 30, miniGameMenuButtonPosY = 40, miniGameMenuButtonGraphic = "menu.png",
  cutsceneSkipButtonPosX = 50, cutsceneSkipButtonPosY = 60, cutsceneSkipButtonGraphic = "cskip.png",
  canUseItemSound = "yes.ogg",
  MakeLevel
  {
    seqId = 1, name = "first",
    MakeAdventureScreen
    {
      seqId = 101, bg = "bg.png", theme = "theme.ogg", atmo = "wind.ogg", minLoop = 2, maxLoop = 5,
      themeOffset = 7, fadeInDuration = 100, fadeOutDuration = 200, nextScene = 102,
      showHintButton = "false", showDiaryButton = "yes", initScript = "entered = true",
      MakeSceneExit
      {
        id = "101_exit", name = "to the mill",
        positionX1 = 0, positionY1 = 0, positionX2 = 100, positionY2 = 0,
        positionX3 = 100, positionY3 = 50, positionX4 = 0, positionY4 = 50,
        cursorstyleid = 6, cursorstylepath = "cursor.png", text = "The mill", isActive = "true",
        nextScene = 102, image = "door.png", imagePositionX = 5, imagePositionY = 6
      },
      MakeSceneExit { id = "101_back", nextScene = 1, isActive = "false" },
      MakeSceneHotspot
      {
        id = "well", name = "the well", text = "A well", isActive = "true",
        positionX1 = 1, positionY1 = 2, positionX2 = 3, positionY2 = 4,
        positionX3 = 5, positionY3 = 6, positionX4 = 7, positionY4 = 8,
        MakeActionMap { {"bucket", "AddToInventory('water')"}, {"rope", "x = 1"} }
      },
      MakeSceneObject
      {
        id = "lamp", name = "Lamp", positionX = 11, positionY = 12, image = "lamp.png",
        timesPickable = 1, isActive = "true", isVisible = "false", invitem = "lamp_item", text = "A lamp",
        MakeActionMap { {"OnPickedUp", "picked = 'lamp'"} }
      },
      MakeSceneObject { id = "box", timesPickable = 0 },
      title = "ignored",
      textFont = "fonts/box.mvec", textboxHeight = 40, textboxWidth = 300, lineHeight = 20,
      textColor = { red = 255, green = 128, blue = 0, alpha = 200 },
      textboxes = { { text = "hello", x = 1, y = 2, rotation = 0.5 }, { text = "bye", x = 3, y = 4, rotation = -1.25 } },
    },
    MakeChapterScreen
    {
      seqId = 100, title = "Chapter 1", subtitle = "Arrival", locationImage = "map.png",
      locationX = 300, locationY = 200, locationText = "The village",
    },
    MakeCutscene
    {
      seqId = 102, stageBg = "stage.png", letterFont = "fonts/letter.mvec", letterFontSize = "24",
      MakeCutsceneCharacter { id = "anna", name = "Anna", position = 1, offsetX = -5,
                              images = { normal = "anna.png", happy = "anna_h.png", sad = "anna_s.png" } },
      MakeCutsceneCharacter { id = "ben", name = "Ben", position = 2 },
      MakeCutsceneScript { {"anna", "happy", "LINE_1", ""}, {"ben", "grumpy", "LINE_2", "LINE_2B"} },
    },
  },
  MakeLevel
  {
    seqId = 2, name = "second",
    MakeHiddenObjectGame
    {
      seqId = 201, bg = "hog.png", itemListCount = 4, hitClickSound = "hit.ogg",
      missClickSound = "miss.ogg", pickedUpInventoryItemOnWon = "medal", STDLeftSideOfActiveSide = 17,
      MakeHiddenObject { id = "cup", name = "Cup", positionX = 1, positionY = 2, image = "cup.png",
                         MakeActionMap { {"OnPickedUp", "cup = 1"} } },
      MakeHiddenObject { id = "fork", name = "Fork", isActive = "false" },
      MakeHiddenObject { id = "spoon", name = "Spoon", isVisible = "false" },
      MakeHOGGroup { groupName = "Keys", MakeHiddenObject { id = "key1" }, MakeHiddenObject { id = "key2" } },
      MakeHOGGroup { groupName = "Coins", MakeHiddenObject { id = "coin", isActive = "false" } },
      MakeFixItems { "cup", "spoon" },
      MakeFoundItems { "spoon" },
    },
  },
  MakeInventoryItem
  {
    id = "lamp_item", name = "Lamp", description = "It glows", image = "lamp_inv.png",
    pickUpImage = "lamp_big.png", MakeActionMap { {"well", "lit = true"} }
  },
  MakeInventoryItem { id = "water" },
  MakeInventory { "lamp_item", "water", "lamp_item" },
  MakeHighscoreSystem
  {
    levelCompleteBonus = 1000, levelSpeedPerSecondBonus = 2, neededTimeForHOSpeedBonusInSeconds = 3,
    HOTaskCompleteBonus = 50, foundInventoryItemBonus = 10, usedInventoryItemSuccessfullyBonus = 20,
    adventureTaskCompleteBonus = 30, miniGameTaskCompleteBonus = 40, clicksNeedForPenalty = 3,
    timeForClicksForPenalty = 5, timeForPenalty = 10,
    MakeHOFoundBonus { 10, 20, 30 },
    MakeHintUsedInLevelBonus { 500, 300, 100, 0 },
  },
}
