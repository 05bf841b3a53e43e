-- A puzzle room behind the clock: the torn portrait, and how it is played.
PuzzleRoom("HOWTO_JIGSAW")
