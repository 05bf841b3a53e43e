-- The diary: the book's pages over the game, turned with the arrows and closed with "back".
MakeDialog { DiaryWindow { name = "diary", x = 0, y = 0, w = 1024, h = 768,
  Bitmap { name = "book", image = "diary/book", x = 0, y = 0 },
  Button { name = "goBack", x = 119, y = 530, graphics = { "menu/btn", "menu/btn_down", "menu/btn_over" },
    Text { name = "label", x = 0, y = 0, w = 240, h = 48, label = "DIARY_BACK", font = MenuFont, flags = 5 } },
  Button { name = "goForward", x = 823, y = 536, graphics = { "menu/btn", "menu/btn_down", "menu/btn_over" },
    Text { name = "label", x = 0, y = 0, w = 240, h = 48, label = "DIARY_FORWARD", font = MenuFont, flags = 5 } },
  MenuButton( "back", 392, 690, "DIARY_CLOSE", function() CloseWindow() end,
  { default = true, cancel = true } ),
} }
