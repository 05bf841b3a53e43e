-- The screen of a mirroredimagegame scene: the mini-game window over the whole screen, and an autosave.
SetGlobalBool("isMainMenu", false)
MakeDialog { MirroredImageWindow { name = "scene", x = 0, y = 0, w = 1024, h = 768 } }
SaveGame()
