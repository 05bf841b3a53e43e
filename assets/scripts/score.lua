-- The score sheet at the end of the chapter: each bonus fades in line by line, the total last.
-- Closing it ends the game: the finished player starts over from the main menu.
local kValueFont = { "fonts/rabiohead.mvec", 30, Color(250, 232, 180) }
local sheet = { name = "scoresheet", x = 192, y = 104, w = 640, h = 560, afterlines = "scoreclose",
  Bitmap { name = "panel", image = "menu/panel", x = 0, y = 0 },
  Text { name = "scoretitle", x = 40, y = 24, w = 560, h = 60, label = "SCORE_TITLE", font = MenuTitleFont, flags = 5 },
}
-- A caption and its number; the number's window carries the name the sheet fades in.
local function Line( name, caption, value, y )
  table.insert( sheet, Text { name = name .. "caption", x = 60, y = y, w = 360, h = 40, label = caption,
                              font = MenuSmallFont, flags = 4 } )
  table.insert( sheet, Text { name = name, x = 420, y = y, w = 160, h = 40, label = "#" .. value,
                              font = kValueFont, flags = 6 } )
end
-- A chapter already closed shows the lines kept as they stood before it was closed.
local function Kept( name, value )
  if GetGlobalBool( "sheetKept" ) then return GetGlobalNumber( name ) end
  return value
end
Line( "previouslevelbonus", "SCORE_PREVIOUS", Kept( "sheetPrevious", GetPreviousLevelBonus() ), 100 )
Line( "bonuspointscore", "SCORE_POINTS", Kept( "sheetPoints", GetBonus() ), 145 )
Line( "bonuscompletelevelscore", "SCORE_COMPLETE", Kept( "sheetComplete", GetLevelCompleteBonus() ), 190 )
Line( "usedhintsbonusscore", "SCORE_HINTS", Kept( "sheetHints", GetUsedHintsBonus() ), 235 )
Line( "timebonusscore", "SCORE_TIME", Kept( "sheetTime", GetTimeBonus() ), 280 )
Line( "scoreedit", "SCORE_TOTAL", GetHighscoreAsInt(), 340 )
-- The demo awards no medal by itself; the line shows once the score client holds one for the player.
if NumEarnedMedals() > 0 then Line( "medals", "SCORE_MEDALS", NumEarnedMedals() .. " / 2", 395 ) end
table.insert( sheet, MenuButton( "scoreclose", 200, 470, "SCORE_CLOSE", function()
  PopModal( "scripts/score.lua" )
  SetGlobalBool( "endGame", true )
  QuitToMainMenu()
end ) )

MakeDialog { ScoreWindow( sheet ) }
