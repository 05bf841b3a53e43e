-- The screen of an adventure location or placing-object game: the scene window, and an autosave.
SetGlobalBool("isMainMenu", false)
MakeDialog { AdventureScreenWindow { name = "scene", x = 0, y = 0, w = 1024, h = 768 } }
SaveGame()
