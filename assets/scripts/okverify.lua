-- The window's close button: the player's game is saved and the game ends.
if GetCurrentUser() >= 0 then SaveGame() end
PostMessage( CreateNamedMessage( kQuitNow, "quit" ) )
