-- The screen of a ninemensmorrisgame scene: the mini-game window over the whole screen, and an autosave.
SetGlobalBool("isMainMenu", false)
MakeDialog { NineMensMorrisWindow { name = "scene", x = 0, y = 0, w = 1024, h = 768 } }
SaveGame()
