-- Leaving the won attic.
AtticDone()
