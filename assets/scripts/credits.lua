-- The credits roll; it closes itself by this modal window's name, or on a click of "back".
SetWindowName( "creditswindow" )
MakeDialog { Window { name = "creditsscreen", x = 0, y = 0, w = 1024, h = 768,
  Bitmap { name = "background", image = "backgrounds/mainmenu", x = 0, y = 0 },
  Bitmap { name = "cover", image = "backgrounds/credits_cover", x = 0, y = 0, alpha = true },
  CreditsWindow { name = "roll", x = 112, y = 40, w = 800, h = 620, file = "credits.txt",
    font = "fonts/kingthings.mvec", fontsize = 26, fontcolor = Color(240, 222, 176),
    headercolor = Color(240, 190, 90), time = 40000, intropause = 1500, columngap = 40, columnwidth = 340 },
  MenuButton( "back", 392, 690, "MENU_BACK", function() PopModal( "creditswindow" ) end,
  { default = true, cancel = true } ),
} }
