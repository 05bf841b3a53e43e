-- Help, from the sidebar's help button: how the game is played. The level clock stands still
-- while it is open.
PausePlay()
MakeDialog { Window { name = "tutorial", x = 192, y = 104, w = 640, h = 560,
  Bitmap { name = "panel", image = "menu/panel", x = 0, y = 0 },
  Text { name = "helptitle", x = 40, y = 30, w = 560, h = 60, label = "HELP_TITLE", font = MenuTitleFont, flags = 5 },
  Text { name = "helptext", x = 50, y = 110, w = 540, h = 330, label = "HELP_TEXT", font = MenuSmallFont, flags = 0 },
  MenuButton( "helpclose", 200, 470, "MENU_BACK", function()
    CloseWindow()
    StartPlay()
  end, { default = true, cancel = true } ),
} }
