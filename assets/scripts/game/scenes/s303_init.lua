-- A puzzle room behind the clock: the alchemist's table, and how it is played.
PuzzleRoom("HOWTO_POTION")
