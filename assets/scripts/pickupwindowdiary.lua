-- A page for the diary was found: what it says, and where to read it again.
MakeDialog { Window { name = "pickupwindowdiary", x = 252, y = 234, w = 520, h = 300,
  Bitmap { name = "panel", image = "menu/dialog", x = 0, y = 0 },
  Bitmap { name = "diaryicon", image = "sprites/sidebardiary", x = 30, y = 30 },
  Text { name = "diarypagetitle", x = 160, y = 24, w = 330, h = 40, label = "DIARY_PAGE_FOUND", font = MenuFont, flags = 5 },
  Text { name = "diarypagetext", x = 160, y = 70, w = 330, h = 120, label = GetGlobalString( "diaryPageText" ),
         font = MenuSmallFont, flags = 5 },
  MenuButton( "diarypageok", 140, 210, "MENU_OK", function() CloseWindow() end, { default = true, cancel = true } ),
} }
