-- The high-score table of the first game mode; the main menu's title stays clear above it.
local t = { name = "hiscores", x = 192, y = 136, w = 640, h = 600,
  Bitmap { name = "panel", image = "menu/panel", x = 0, y = 0 },
  Text { name = "heading", x = 20, y = 20, w = 600, h = 56, label = "HISCORE_TITLE", font = MenuTitleFont, flags = 5 },
  Text { name = "gamemode", x = 20, y = 76, w = 600, h = 30, label = "#", font = MenuSmallFont, flags = 5 },
  Text { name = "topplayers", x = 20, y = 104, w = 600, h = 26, label = "HISCORE_LOCAL", font = MenuSmallFont, flags = 5 },
  -- Shown instead of the rows while the table is empty.
  Text { name = "noscores", x = 60, y = 220, w = 520, h = 90, label = "HISCORE_NONE", font = MenuSmallFont, flags = 5 },
}
for i = 1, 10 do
  local y = 134 + ( i - 1 ) * 34
  table.insert( t, Text { name = tostring( i ), x = 50, y = y, w = 50, h = 32, label = "#", font = MenuSmallFont, flags = 6 } )
  table.insert( t, Bitmap { name = "p1_" .. i, image = "menu/marker", x = 108, y = y + 4 } )
  table.insert( t, Text { name = "name" .. i, x = 140, y = y, w = 300, h = 32, label = "#", font = MenuSmallFont, flags = 4 } )
  table.insert( t, Text { name = "score" .. i, x = 450, y = y, w = 140, h = 32, label = "#", font = MenuSmallFont, flags = 6 } )
end
table.insert( t, Button { name = "scrollup", x = 600, y = 140, graphics = { "menu/check", "menu/check_on", "menu/check_over" } } )
table.insert( t, Button { name = "scrolldown", x = 600, y = 440, graphics = { "menu/check", "menu/check_on", "menu/check_over" } } )
table.insert( t, MenuButton( "back", 200, 500, "MENU_BACK", function() CloseWindow() end,
  { default = true, cancel = true } ) )
MakeDialog { HiscoreWindow( t ) }
