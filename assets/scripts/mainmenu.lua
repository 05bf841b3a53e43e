-- The main menu.
local function Play()
  -- Without a chosen player, a new one is asked for (or, with no room left, one is chosen).
  if GetCurrentUser() < 0 then
    DoModal( GetNumUsers() < 10 and "scripts/newplayer.lua" or "scripts/profiles.lua" )
  end
  if GetCurrentUser() < 0 then return end
  SetGlobalBool( "showBriefingWindow", false )
  SetGlobalBool( "WindowHasNotFocus", false )
  SetGlobalBool( "endGame", false )
  SetCurrentGameMode( 0 )
  StartGame( true )
  StartPlay()
end

MakeDialog { MainMenuWindow { name = "scene", x = 0, y = 0, w = 1024, h = 768,
  Bitmap { name = "background", image = "backgrounds/mainmenu", x = 0, y = 0 },
  Text { name = "title", x = 112, y = 50, w = 800, h = 70, label = "windowtitle", font = MenuTitleFont, flags = 5 },
  Text { name = "welcome", x = 212, y = 140, w = 600, h = 40, label = "#", font = MenuSmallFont, flags = 5 },
  MenuButton( "play", 392, 200, "MENU_PLAY", Play ),
  MenuButton( "options", 392, 262, "MENU_OPTIONS", function() DoModal( "scripts/options.lua" ) end ),
  MenuButton( "changeplayer", 392, 324, "MENU_CHANGEPLAYER", function()
    DoModal( "scripts/profiles.lua" )
    SetWelcomeName()
  end ),
  MenuButton( "hiscores", 392, 386, "MENU_HISCORE", function() DoModal( "scripts/hiscores.lua" ) end ),
  MenuButton( "credits", 392, 448, "MENU_CREDITS", function()
    PostMessage( CreateNamedMessage( kGeneric, "ShowCredits" ) )
  end ),
  MenuButton( "quit", 392, 510, "MENU_QUIT", function() DoModal( "scripts/quitconfirm.lua" ) end ),
} }
