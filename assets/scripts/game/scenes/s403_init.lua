-- The last screen: the chapter is closed and scored once; a click on the picture opens the score
-- sheet, whose close button ends the game and returns to the main menu.
-- The relic rests in the shrine now, so the player no longer carries it.
CallScene("RemoveInventoryItem", "relic_item")
if not GetGlobalBool("level1Ended") then
  SetGlobalBool("level1Ended", true)
  EndLevel()
  LogHighScore(GetHighscoreAsInt())
end
