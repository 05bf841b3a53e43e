-- The screen of a hidden-object search: the scene window over the whole screen, and an autosave.
SetGlobalBool("isMainMenu", false)
MakeDialog { HiddenObjectGame { name = "scene", x = 0, y = 0, w = 1024, h = 768 } }
SaveGame()
