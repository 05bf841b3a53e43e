-- The manor hall. On the first visit a loose page of the lord's diary lies on the floor; the hint
-- leads up to the attic until it is searched, then to the clock.
if not GetGlobalBool("hallVisited") then
  SetGlobalBool("hallVisited", true)
  DiaryLine("DIARY_3")
  -- shown by the briefing once the hall has faded in
  SetGlobalString("briefingDiaryPage", "DIARY_3")
  SetGlobalBool("showBriefingWindow", true)
end
if IsObjectiveDone("attic_searched") then
  SetGlobalString("HintLocation", "")
  SetGlobalNumber("HintPosX", 320)
  SetGlobalNumber("HintPosY", 200)
else
  SetGlobalString("HintLocation", "003")
end
