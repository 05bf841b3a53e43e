-- The shrine: the relic won in the attic waits in the shrine's own strip to be set in place.
ShowInfoText("BRIEFING_SHRINE")
