-- A puzzle room behind the clock: the first one tells where the player is.
if not GetGlobalBool("clockRoomsEntered") then
  SetGlobalBool("clockRoomsEntered", true)
  ShowInfoText("BRIEFING_CLOCK")
end
