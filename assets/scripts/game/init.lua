-- Loaded before every game text, new or saved: the game's helpers that action maps and scene
-- scripts call, and the game-root values a saved game does not carry (button fonts, the sounds
-- and text of item use), given to the game through a partial MakeGame that changes nothing else.

-- Calls a scene window's function when a scene window is up; model-only runs (loading a save at
-- start-up, tools) simply skip the visible part.
function CallScene(name, ...)
  local f = _G and _G[name] or nil
  if type(f) == "function" then return f(unpack(arg)) end
  return nil
end

MakeGame
{
  miniGameSkipButtonFontType = "fonts/kingthings.mvec", miniGameSkipButtonFontSize = 18,
  miniGameSkipButtonFontColorR = 240, miniGameSkipButtonFontColorG = 220, miniGameSkipButtonFontColorB = 170,
  miniGameMenuButtonFontType = "fonts/kingthings.mvec", miniGameMenuButtonFontSize = 18,
  miniGameMenuButtonFontColorR = 240, miniGameMenuButtonFontColorG = 220, miniGameMenuButtonFontColorB = 170,
  canUseItemSound = "audio/sfx/use_ok.ogg",
  canNotUseItemText = "CANNOT_USE_ITEM",
  canNotUseItemSound = "audio/sfx/use_fail.ogg",
}
