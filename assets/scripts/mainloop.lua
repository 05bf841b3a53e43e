-- The game's main script: shared menu helpers, the functions the program calls by name, and the
-- main coroutine, which keeps the main menu open (a new player is asked for a name first).
LUA_PATH = "assets/?;?;../?;../../?"
dofile( "assets/scripts/menustyle.lua" )

function ShowHelp( page ) DoModal( "scripts/tutorial.lua" ) end

-- Labels the profile screen's ten player buttons and selects the current player.
function UpdatePlayerChoices( count, current, names )
  for i = 0, 9 do
    local button = "button" .. i
    EnableWindow( button, i < count )
    if i < count then SetLabel( button, names[i + 1] ) end
  end
  if current >= 0 and current < 10 then SetButtonToggleState( "button" .. current, true ) end
end

return function()
  while true do
    SetGlobalBool( "isMainMenu", true )
    if GetNumUsers() == 0 then DoModal( "scripts/newplayer.lua" ) end
    DoMainWindow( "scripts/mainmenu.lua" )
  end
end
