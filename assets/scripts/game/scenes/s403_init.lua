-- The last screen: the chapter is closed and scored once, and the score sheet opens over it. Its
-- close button ends the game and returns to the main menu.
if not GetGlobalBool("level1Ended") then
  SetGlobalBool("level1Ended", true)
  EndLevel()
  LogHighScore(GetHighscoreAsInt())
end
PostMessage(CreateNamedMessage(kGeneric, "ShowScoreWindow"))
