-- The options: effects and music levels, full screen and mute.
MakeDialog { OptionsWindow { name = "options", x = 192, y = 104, w = 640, h = 560,
  Bitmap { name = "panel", image = "menu/panel", x = 0, y = 0 },
  Text { name = "title", x = 20, y = 30, w = 600, h = 60, label = "MENU_OPTIONS", font = MenuTitleFont, flags = 5 },
  Text { name = "soundtext", x = 60, y = 130, w = 200, h = 40, label = "OPTIONS_SOUND", font = MenuFont, flags = 4 },
  MenuSlider( "sfxlevelslider", 270, 135 ),
  Text { name = "musictext", x = 60, y = 200, w = 200, h = 40, label = "OPTIONS_MUSIC", font = MenuFont, flags = 4 },
  MenuSlider( "musiclevelslider", 270, 205 ),
  Text { name = "fullscreentext", x = 60, y = 270, w = 200, h = 40, label = "OPTIONS_FULLSCREEN", font = MenuFont, flags = 4 },
  MenuToggle( "fullscreen", 270, 272, function() ToggleFullScreen() end ),
  Text { name = "mutetext", x = 60, y = 340, w = 200, h = 40, label = "OPTIONS_MUTE", font = MenuFont, flags = 4 },
  MenuToggle( "mutebox", 270, 342, function() ToggleSoundMute() end ),
  MenuButton( "ok", 200, 450, "MENU_OK", function()
    SaveVolumes()
    CloseWindow()
  end, { default = true, cancel = true } ),
} }
