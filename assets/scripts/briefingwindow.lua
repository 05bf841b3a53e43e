-- The briefing over a scene that has just faded in: the task in a few words. The scene's fade asks
-- for it while "showBriefingWindow" is set, so the flag is cleared at once; play resumes on close.
SetGlobalBool( "showBriefingWindow", false )
-- A diary page found as the scene opens is shown here, once the scene is in view.
local page = GetGlobalString( "briefingDiaryPage" )
if page ~= "" then
  SetGlobalString( "briefingDiaryPage", "" )
  DiaryPageDialog( page, function() CallScene( "ResumePlay" ) end )
  return
end
MakeDialog { Window { name = "briefing", x = 252, y = 234, w = 520, h = 300,
  Bitmap { name = "panel", image = "menu/dialog", x = 0, y = 0 },
  Text { name = "briefingtext", x = 30, y = 30, w = 460, h = 160, label = GetGlobalString( "briefingText" ),
         font = MenuSmallFont, flags = 5 },
  MenuButton( "briefingok", 140, 210, "MENU_OK", function()
    CloseWindow()
    CallScene( "ResumePlay" )
  end, { default = true, cancel = true } ),
} }
