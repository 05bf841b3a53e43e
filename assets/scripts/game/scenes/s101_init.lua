-- The village square. The first visit starts the chapter's clock, opens the diary and briefs the
-- player; the hint points at the gate to the manor.
if not GetGlobalBool("level1Started") then
  SetGlobalBool("level1Started", true)
  StartLevel(1, 1800)
  AddDiaryNewChapter()
  DiaryLine("DIARY_1")
  SetGlobalString("briefingText", "BRIEFING_VILLAGE")
  SetGlobalBool("showBriefingWindow", true)
end
SetGlobalString("HintLocation", "002")
SetGlobalNumber("HintPosX", 780)
SetGlobalNumber("HintPosY", 360)
