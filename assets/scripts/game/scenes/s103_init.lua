-- The manor hall. On the first visit a loose page of the lord's diary lies on the floor; the hint
-- leads up to the attic until it is searched, then to the candle and the clock.
if not GetGlobalBool("hallVisited") then
  SetGlobalBool("hallVisited", true)
  DiaryLine("DIARY_3")
  -- shown by the briefing once the hall has faded in
  SetGlobalString("briefingDiaryPage", "DIARY_3")
  SetGlobalBool("showBriefingWindow", true)
end
PointHint(103)
-- The open ways on glow as the hall opens.
StartGlowExit("002_adv_exit_bruecke")
StartGlowExit("002_adv_exit_waldkreuzung")
