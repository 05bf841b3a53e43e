MakeGame { name = "a\"b\\c\nd\000e", startScene = 1e300, currentScene = 0/0,
  MakeLevel { seqId = -2147483649, MakeAdventureScreen { seqId = 1, initScript = "x = \"]]\"",
    MakeSceneExit { id = "\r\n", positionX1 = 4294967296, cursorstyleid = -1 },
    MakeSceneObject { id = 5, isActive = {}, MakeActionMap { {1, 2, 3}, "x", {} } },
    textboxes = { 5, { text = 1e999, rotation = -0 } }, textColor = 7 } },
  MakeInventory { 1, "two", nil, {} }, MakeHighscoreSystem { timeForPenalty = "x", MakeHOFoundBonus { "a", 1e20 } } }
