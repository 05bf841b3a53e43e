-- Fonts and builders the menu screens share.
MenuFont = { "fonts/schwarzwald.mvec", 24, Color(240, 222, 176) }
MenuSmallFont = { "fonts/kingthings.mvec", 22, Color(240, 222, 176) }
MenuTitleFont = { "fonts/schwarzwald.mvec", 44, Color(240, 206, 130) }

-- A push button with its caption (a string-table label). `extra` adds style keys, such as
-- default = true (Enter presses it) or cancel = true (Escape presses it).
function MenuButton( name, x, y, label, command, extra )
  local style = { name = name, x = x, y = y, graphics = { "menu/btn", "menu/btn_down", "menu/btn_over" },
    Text { name = "label", x = 0, y = 0, w = 240, h = 48, label = label, font = MenuFont, flags = 5 },
    command = command }
  if extra then
    for key, value in pairs( extra ) do style[key] = value end
  end
  return Button( style )
end

-- A check box (a toggle button).
function MenuToggle( name, x, y, command )
  return Button { name = name, x = x, y = y, type = kToggle,
    graphics = { "menu/check", "menu/check_on", "menu/check_over", "menu/check_on_over" },
    command = command }
end

-- A horizontal level slider.
function MenuSlider( name, x, y )
  return Slider { name = name, x = x, y = y, w = 300, h = 30, hslider = true,
    railtop = "menu/rail_top", railmid = "menu/rail_mid", railbot = "menu/rail_bot",
    sliderimage = "menu/thumb", sliderrollimage = "menu/thumb_over" }
end

-- The name dialog of a new or renamed player: `accept` takes the typed name once it is free.
-- OK stands there from the start; pressed without a name it asks for one. Cancel is off when the
-- player cannot skip the question.
function NameDialog( name, accept, mustAnswer )
  MakeDialog { Window { name = name, x = 252, y = 234, w = 520, h = 300,
    Bitmap { name = "panel", image = "menu/dialog", x = 0, y = 0 },
    Text { name = "prompt", x = 20, y = 30, w = 480, h = 40, label = "PROFILE_ENTERNAME", font = MenuFont, flags = 5 },
    Bitmap { name = "field", image = "menu/field", x = 100, y = 100 },
    TextEdit { name = "nameedit", x = 110, y = 102, w = 300, h = 40, label = "", length = 16, utf8 = true,
      font = MenuSmallFont, flags = 4 },
    -- Without a way to cancel, the OK button stands alone in the middle.
    MenuButton( "ok", mustAnswer and 140 or 16, 210, "MENU_OK", function()
      local typed = GetLabel( "nameedit" )
      if not string.find( typed, "%S" ) then
        SetLabel( "prompt", GetString( "PROFILE_NAMEEMPTY" ) )
        SetFocus( "nameedit" )
        return
      end
      if IsNameInUse( typed ) then
        SetLabel( "prompt", GetString( "PROFILE_NAMEINUSE" ) )
        return
      end
      accept( typed )
      CloseWindow()
    end, { default = true } ),
    MenuButton( "cancel", 264, 210, "MENU_CANCEL", function() CloseWindow() end, { cancel = true } ),
  } }
  if mustAnswer then EnableWindow( "cancel", false ) end
  SetFocus( "nameedit" )
end

-- The found diary page: what it says, and where to read it again. `close` runs as it closes.
function DiaryPageDialog( text, close )
  MakeDialog { Window { name = "pickupwindowdiary", x = 252, y = 234, w = 520, h = 300,
    Bitmap { name = "panel", image = "menu/dialog", x = 0, y = 0 },
    Bitmap { name = "diaryicon", image = "sprites/sidebardiary", x = 30, y = 30 },
    Text { name = "diarypagetitle", x = 160, y = 24, w = 330, h = 40, label = "DIARY_PAGE_FOUND", font = MenuFont, flags = 5 },
    Text { name = "diarypagetext", x = 160, y = 70, w = 330, h = 120, label = text, font = MenuSmallFont, flags = 5 },
    MenuButton( "diarypageok", 140, 210, "MENU_OK", function()
      CloseWindow()
      if close then close() end
    end, { default = true, cancel = true } ),
  } }
end
