-- The picked-up item: its large picture and its description until the player closes the window.
-- A hidden-object scene that was won moves on once the prize has been seen.
MakeDialog { Window { name = "pickupwindow", x = 262, y = 184, w = 500, h = 400,
  Bitmap { name = "panel", image = "menu/pickup", x = 0, y = 0 },
  Bitmap { name = "item", image = GetGlobalString("pickupImage"), x = 150, y = 40 },
  Text { name = "description", x = 20, y = 250, w = 460, h = 60, label = GetGlobalString("description"),
         font = MenuSmallFont, flags = 5 },
  MenuButton( "takeitem", 130, 330, "PICKUP_OK", function()
    PopModal( "scripts/pickupwindow.lua" )
    if GetGlobalBool( "skipAfterPickup" ) then
      SetGlobalBool( "skipAfterPickup", false )
      CallScene( "Skip" )
    end
  end, { default = true, cancel = true } ),
} }
