-- The profile chooser: up to ten players, new, rename and delete. Ten is as many as it can show,
-- so at ten "New player" gives way to a line that says why no further player can be made.
local kMaxPlayers = 10
local kNoteFont = { "fonts/kingthings.mvec", 18, Color(240, 222, 176) }
local t = { name = "profiles", x = 192, y = 104, w = 640, h = 560,
  Bitmap { name = "panel", image = "menu/panel", x = 0, y = 0 },
  Text { name = "title", x = 20, y = 20, w = 600, h = 60, label = "MENU_PROFILES", font = MenuTitleFont, flags = 5 },
}

-- The player buttons form one radio group: choosing one clears the others. Every state is drawn
-- from pictures of one size, so the chosen player is as wide as the rest.
table.insert( t, BeginGroup() )
for i = 0, kMaxPlayers - 1 do
  table.insert( t, Button { name = "button" .. i, x = 60, y = 86 + i * 41, type = kRadio, scale = 0.85,
    graphics = { "menu/btn", "menu/btn_down", "menu/btn_over", "menu/btn_down" },
    Text { name = "label", x = 6, y = 0, w = 192, h = 40, label = "#", font = MenuSmallFont, flags = 5 } } )
end

-- The chosen player's index, or nil while no shown player is chosen.
local function Chosen()
  for i = 0, kMaxPlayers - 1 do
    if GetButtonToggleState( "button" .. i ) then return GetCurrentSelectedUser() end
  end
  return nil
end

-- Labels the players and offers "New player" only while there is room for one more.
local function Refresh()
  SetPlayerChoices()
  local full = GetNumUsers() >= kMaxPlayers
  EnableWindow( "new", not full )
  EnableWindow( "full", full )
  -- A current player beyond those shown is not one of the buttons: none stays chosen.
  if GetCurrentUser() >= kMaxPlayers then
    for i = 0, kMaxPlayers - 1 do SetButtonToggleState( "button" .. i, false ) end
  end
end

table.insert( t, MenuButton( "new", 380, 100, "PROFILE_NEW", function()
  if GetNumUsers() >= kMaxPlayers then return end
  DoModal( "scripts/newplayer.lua" )
  Refresh()
end ) )
table.insert( t, Text { name = "full", x = 380, y = 86, w = 240, h = 76, label = "PROFILE_FULL", font = kNoteFont,
  flags = 5 } )
table.insert( t, MenuButton( "rename", 380, 170, "PROFILE_RENAME", function()
  local chosen = Chosen()
  if not chosen then return end
  SetCurrentUser( chosen )
  DoModal( "scripts/renameplayer.lua" )
  Refresh()
end ) )
table.insert( t, MenuButton( "delete", 380, 240, "PROFILE_DELETE", function()
  local chosen = Chosen()
  if not chosen then return end
  DeleteUser( chosen )
  Refresh()
end ) )
table.insert( t, MenuButton( "ok", 200, 500, "MENU_OK", function()
  local chosen = Chosen()
  if chosen then SetCurrentUser( chosen ) end
  CloseWindow()
end, { default = true, cancel = true } ) )
MakeDialog { ProfilesWindow( t ) }
Refresh()
