-- The profile chooser: up to ten players, new, rename and delete.
local t = { name = "profiles", x = 192, y = 104, w = 640, h = 560,
  Bitmap { name = "panel", image = "menu/panel", x = 0, y = 0 },
  Text { name = "title", x = 20, y = 20, w = 600, h = 60, label = "MENU_PROFILES", font = MenuTitleFont, flags = 5 },
}
-- The player buttons form one radio group: choosing one clears the others.
table.insert( t, BeginGroup() )
for i = 0, 9 do
  table.insert( t, Button { name = "button" .. i, x = 60, y = 90 + i * 40, type = kRadio, scale = 0.9,
    graphics = { "menu/field", "menu/btn_down", "menu/btn_over", "menu/btn_down" },
    Text { name = "label", x = 0, y = 0, w = 288, h = 40, label = "#", font = MenuSmallFont, flags = 5 } } )
end
table.insert( t, MenuButton( "new", 380, 100, "PROFILE_NEW", function()
  DoModal( "scripts/newplayer.lua" )
  SetPlayerChoices()
end ) )
table.insert( t, MenuButton( "rename", 380, 170, "PROFILE_RENAME", function()
  if GetNumUsers() == 0 then return end
  SetCurrentUser( GetCurrentSelectedUser() )
  DoModal( "scripts/renameplayer.lua" )
  SetPlayerChoices()
end ) )
table.insert( t, MenuButton( "delete", 380, 240, "PROFILE_DELETE", function()
  if GetNumUsers() == 0 then return end
  DeleteUser( GetCurrentSelectedUser() )
  SetPlayerChoices()
end ) )
table.insert( t, MenuButton( "ok", 200, 496, "MENU_OK", function()
  if GetNumUsers() > 0 then SetCurrentUser( GetCurrentSelectedUser() ) end
  CloseWindow()
end, { default = true, cancel = true } ) )
MakeDialog { ProfilesWindow( t ) }
