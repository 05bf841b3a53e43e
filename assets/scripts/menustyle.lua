-- Fonts and builders the menu screens share.
MenuFont = { "fonts/schwarzwald.mvec", 24, Color(240, 222, 176) }
MenuSmallFont = { "fonts/kingthings.mvec", 22, Color(240, 222, 176) }
MenuTitleFont = { "fonts/schwarzwald.mvec", 44, Color(240, 206, 130) }

-- A push button with its caption (a string-table label).
function MenuButton( name, x, y, label, command )
  return Button { name = name, x = x, y = y, graphics = { "menu/btn", "menu/btn_down", "menu/btn_over" },
    Text { name = "label", x = 0, y = 0, w = 240, h = 48, label = label, font = MenuFont, flags = 5 },
    command = command }
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
