-- The pause screen over a scene: play stops while it is open; back to the game (Enter or Escape
-- too), the options, the main menu or out.
PausePlay()
MakeDialog { Window { name = "pause", x = 352, y = 194, w = 320, h = 380,
  Bitmap { name = "panel", image = "menu/pause", x = 0, y = 0 },
  Text { name = "title", x = 20, y = 22, w = 280, h = 50, label = "PAUSE_TITLE", font = MenuTitleFont, flags = 5 },
  MenuButton( "resume", 40, 90, "PAUSE_RESUME", function()
    SetGlobalBool( "WindowHasNotFocus", false )
    CloseWindow()
    ResumePlay()
    StartPlay()
  end, { default = true, cancel = true } ),
  MenuButton( "options", 40, 152, "MENU_OPTIONS", function() DoModal( "scripts/options.lua" ) end ),
  MenuButton( "mainmenu", 40, 214, "PAUSE_MAINMENU", function()
    SetGlobalBool( "WindowHasNotFocus", false )
    StartPlay()
    CloseWindow()
    QuitToMainMenu()
  end ),
  MenuButton( "quitgame", 40, 276, "MENU_QUIT", function()
    SaveGame()
    PostMessage( CreateNamedMessage( kQuitNow, "quit" ) )
  end ),
} }
