-- The last screen: the chapter is closed and scored once; a click on the picture opens the score
-- sheet, whose close button ends the game and returns to the main menu.
if not GetGlobalBool("level1Ended") then
  SetGlobalBool("level1Ended", true)
  EndLevel()
  LogHighScore(GetHighscoreAsInt())
end
