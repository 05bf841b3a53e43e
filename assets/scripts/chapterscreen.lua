-- The screen of a chapter card: the scene window over the whole screen, and an autosave.
SetGlobalBool("isMainMenu", false)
MakeDialog { ChapterScreenWindow { name = "scene", x = 0, y = 0, w = 1024, h = 768 } }
SaveGame()
