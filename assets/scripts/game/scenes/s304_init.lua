-- A puzzle room behind the clock: the old mirror, and how it is played.
PuzzleRoom("HOWTO_MIRROR")
