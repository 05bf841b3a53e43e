-- The pause screen over a scene: play stops while it is open; back to the game, the main menu or out.
PausePlay()
MakeDialog { Window { name = "pause", x = 392, y = 200, w = 240, h = 300,
  MenuButton( "resume", 0, 0, "PAUSE_RESUME", function()
    SetGlobalBool( "WindowHasNotFocus", false )
    CloseWindow()
    ResumePlay()
    StartPlay()
  end ),
  MenuButton( "mainmenu", 0, 62, "PAUSE_MAINMENU", function()
    SetGlobalBool( "WindowHasNotFocus", false )
    StartPlay()
    CloseWindow()
    QuitToMainMenu()
  end ),
  MenuButton( "quitgame", 0, 124, "MENU_QUIT", function()
    SaveGame()
    PostMessage( CreateNamedMessage( kQuitNow, "quit" ) )
  end ),
} }
