-- A puzzle room behind the clock: the gallery, and how it is played.
PuzzleRoom("HOWTO_GALLERY")
