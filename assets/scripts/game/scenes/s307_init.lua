-- The chronicle after the puzzle rooms: no puzzle words to call back here.
SetGlobalString("puzzleHowTo", "")
