-- The last screen: the chapter is closed and scored once; a click on the picture opens the score
-- sheet, whose close button ends the game and returns to the main menu.
-- The relic rests in the shrine now, so the player no longer carries it.
CallScene("RemoveInventoryItem", "relic_item")
if not GetGlobalBool("level1Ended") then
  SetGlobalBool("level1Ended", true)
  -- Closing the level folds its points into the earlier chapters' total, so the sheet's lines are
  -- kept as they stand before.
  SetGlobalNumber("sheetPrevious", GetPreviousLevelBonus())
  SetGlobalNumber("sheetPoints", GetBonus())
  SetGlobalNumber("sheetComplete", GetLevelCompleteBonus())
  SetGlobalNumber("sheetHints", GetUsedHintsBonus())
  SetGlobalNumber("sheetTime", GetTimeBonus())
  SetGlobalBool("sheetKept", true)
  EndLevel()
  LogHighScore(GetHighscoreAsInt())
end
