-- A puzzle room behind the clock: the game board, and how it is played.
PuzzleRoom("HOWTO_MORRIS")
