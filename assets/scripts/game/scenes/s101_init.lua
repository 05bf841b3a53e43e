-- Entering the village: the level starts on the first visit; the hint points at the way to the manor.
SetGlobalString("HintLocation", "002")
SetGlobalNumber("HintPosX", 780)
SetGlobalNumber("HintPosY", 360)
OnEnterVillage()
