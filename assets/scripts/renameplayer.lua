-- Renames the current player.
MakeDialog { Window { name = "renameplayer", x = 252, y = 234, w = 520, h = 300,
  Bitmap { name = "panel", image = "menu/dialog", x = 0, y = 0 },
  Text { name = "prompt", x = 20, y = 30, w = 480, h = 40, label = "PROFILE_ENTERNAME", font = MenuFont, flags = 5 },
  Bitmap { name = "field", image = "menu/field", x = 100, y = 100 },
  TextEdit { name = "nameedit", x = 110, y = 102, w = 300, h = 40, label = "", length = 16, utf8 = true,
    font = MenuSmallFont, flags = 4, enablewindow = "ok" },
  MenuButton( "ok", 30, 210, "MENU_OK", function()
    local name = GetLabel( "nameedit" )
    if name == "" then return end
    if IsNameInUse( name ) then
      SetLabel( "prompt", GetString( "PROFILE_NAMEINUSE" ) )
      return
    end
    ChangeCurrentUserName( name )
    CloseWindow()
  end ),
  MenuButton( "cancel", 250, 210, "MENU_CANCEL", function() CloseWindow() end ),
} }
EnableWindow( "ok", false )
SetFocus( "nameedit" )
