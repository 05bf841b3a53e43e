-- Asks before the game ends; the player's game is saved first.
MakeDialog { Window { name = "quitconfirm", x = 252, y = 234, w = 520, h = 300,
  Bitmap { name = "panel", image = "menu/dialog", x = 0, y = 0 },
  Text { name = "question", x = 20, y = 40, w = 480, h = 100, label = "QUERY_QUIT", font = MenuFont, flags = 5 },
  MenuButton( "yes", 16, 210, "MENU_YES", function()
    if GetCurrentUser() >= 0 then SaveGame() end
    PostMessage( CreateNamedMessage( kQuitNow, "quit" ) )
  end, { default = true } ),
  MenuButton( "no", 264, 210, "MENU_NO", function() CloseWindow() end, { cancel = true } ),
} }
