-- Entering the manor hall.
SetGlobalString("HintLocation", "")
OnEnterHall()
