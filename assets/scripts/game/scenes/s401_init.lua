-- The shrine: the relic won in the attic waits in the shrine's own strip to be set in place. A game
-- saved after it was set comes back with the relic on its pedestal, and says how to go on instead.
if IsObjectiveDone("relic_placed") then
  ShowInfoText("OBJECTIVE_RELIC_PLACED")
else
  ShowInfoText("BRIEFING_SHRINE")
end
