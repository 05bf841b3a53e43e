-- The village square. The first visit starts the chapter's clock, opens the diary and briefs the
-- player; the hint points at the next step (the key, then the gate).
if not GetGlobalBool("level1Started") then
  SetGlobalBool("level1Started", true)
  StartLevel(1, 1800)
  AddDiaryNewChapter()
  DiaryLine("DIARY_1")
  SetGlobalString("briefingText", "BRIEFING_VILLAGE")
  SetGlobalBool("showBriefingWindow", true)
end
PointHint(101)
-- The opened gate glows as the way on.
if IsObjectiveDone("gate_open") then StartGlowExit("001_adv_exit_wassermuehle") end
