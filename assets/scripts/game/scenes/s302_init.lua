-- A puzzle room behind the clock: the cellar door, and how it is played.
PuzzleRoom("HOWTO_BOLTS")
