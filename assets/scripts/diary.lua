-- The diary: the book's pages over the game, turned with the arrows and closed with "back".
MakeDialog { DiaryWindow { name = "diary", x = 0, y = 0, w = 1024, h = 768,
  Bitmap { name = "book", image = "diary/book", x = 0, y = 0 },
  Button { name = "goBack", x = 119, y = 530, graphics = { "diary/back", "diary/back_down", "diary/back_over" } },
  Button { name = "goForward", x = 823, y = 536, graphics = { "diary/next", "diary/next_down", "diary/next_over" } },
  MenuButton( "back", 392, 690, "DIARY_CLOSE", function() CloseWindow() end,
  { default = true, cancel = true } ),
} }
