-- The demo's story steps, called from the scenes' action maps and init scripts. Progress lives in
-- global script variables, so a saved game restores it with the rest of the game state. Action
-- texts run while the main coroutine waits: nothing here may wait.

-- Marks an objective reached (or not) and tells the player when it was reached.
function Objective(name, done)
  SetGlobalBool("objective_" .. name, done)
  if done then CallScene("ShowInfoText", "OBJECTIVE_" .. string.upper(name)) end
end

function IsObjectiveDone(name)
  return GetGlobalBool("objective_" .. name) == true
end

-- Where each diary line starts on the page. The diary's one text area spans both pages, so the
-- texts break their own lines to stay on the left page, and each has its own place below the one
-- before (a line's height is not known before the diary has been opened once).
kDiaryLineY = { DIARY_1 = 100, DIARY_2 = 190, DIARY_3 = 250, DIARY_4 = 340, DIARY_5 = 410, DIARY_6 = 480 }

-- A line of the diary, once: the flag keeps a scene entered again from writing it twice.
function DiaryLine(label)
  local key = "diary_" .. label
  if GetGlobalBool(key) then return end
  SetGlobalBool(key, true)
  CallScene("AddDiaryText", label, 22, "fonts/kingthings.mvec", 100, kDiaryLineY[label] or -1)
end

-- The hint points at the next useful step of the scene the player is in: the thing to take
-- before the door it opens. A location routes the sparkle to the exit that leads there; "-1"
-- names no location, so the sparkle circles the point given instead.
local function HintAt(location, x, y)
  SetGlobalString("HintLocation", location)
  SetGlobalNumber("HintPosX", x)
  SetGlobalNumber("HintPosY", y)
end

-- `scene` is given by a scene's init script; story steps inside a scene call it bare.
function PointHint(scene)
  if scene then SetGlobalNumber("hintScene", scene) end
  scene = GetGlobalNumber("hintScene")
  if scene == 101 then
    if not IsObjectiveDone("find_key") then HintAt("-1", 332, 580)      -- the key on the cobbles
    else HintAt("002", 780, 360) end                                     -- the gate, then through it
  elseif scene == 103 then
    if not IsObjectiveDone("attic_searched") then HintAt("003", 400, 60) -- up to the attic
    elseif not IsObjectiveDone("find_candle") then HintAt("-1", 620, 515) -- the candle on the floor
    else HintAt("-1", 320, 170) end                                      -- the clock's lantern and door
  elseif scene == 401 then
    HintAt("-1", 420, 400)                                               -- the pedestal
  else
    HintAt("", 0, 0)
  end
end

-- An item picked up from the scene: it fades from the picture; points at the sidebar's fixed
-- point, clear of the pick-up window that opens over the place where it was taken; and the
-- objective it fulfils.
function ItemFound(objective, object)
  CallScene("FadeOut", object)
  CallScene("ShowBonusAsTextInSidebar", FoundInventoryItem())
  Objective(objective, true)
  PointHint()
end

-- The key opens the manor gate.
function OpenManorGate()
  CallScene("RemoveInventoryItem", "key_item")
  CallScene("SetActiveExit", "001_adv_exit_wassermuehle", true)
  CallScene("SetActiveHotspot", "101_gate", false)
  SetVisible("101_gate_open", true)
  CallScene("StartGlowExit", "001_adv_exit_wassermuehle")
  CallScene("ShowBonusAsTextOnMousePos", UsedInventoryItemSuccessfully())
  AdventureTaskComplete()
  Objective("gate_open", true)
  DiaryLine("DIARY_2")
end

-- Leaving the attic, which only its won search allows: the relic is held, and the candle that
-- the search turned up now stands in the hall.
function AtticDone()
  if IsObjectiveDone("attic_searched") then return end
  SetGlobalBool("objective_attic_searched", true)
  SetActive("103_candle", true)
  SetVisible("103_candle", true)
  DiaryLine("DIARY_4")
  PointHint(103)
end

-- The candle set in the clock's lantern opens the door behind the clock.
function LightClock()
  CallScene("RemoveInventoryItem", "candle_item")
  SetVisible("103_lantern_lit", true)
  CallScene("SetActiveHotspot", "103_clock", false)
  CallScene("SetActiveExit", "103_clock_door", true)
  CallScene("StartGlowExit", "103_clock_door")
  CallScene("ShowBonusAsTextOnMousePos", UsedInventoryItemSuccessfully())
  AdventureTaskComplete()
  Objective("clock_lit", true)
  DiaryLine("DIARY_5")
end

-- The relic set on its pedestal ends the story's last task. It stays in view on the pedestal
-- until the player clicks on, through the shrine's exit that now opens.
function PlaceRelic()
  CallScene("RemoveInventoryItem", "relic_item")
  SetVisible("401_relic", true)
  CallScene("SetActiveHotspot", "401_pedestal", false)
  CallScene("SetActiveExit", "401_onward", true)
  CallScene("ShowBonusAsTextOnMousePos", MiniGameTaskComplete())
  Objective("relic_placed", true)
  DiaryLine("DIARY_6")
end

-- The last screen's click: the score sheet, whose close button ends the game.
function ShowScoreSheet()
  PostMessage(CreateNamedMessage(kGeneric, "ShowScoreWindow"))
end

-- A puzzle room behind the clock: how its puzzle is played, in the info box as the room opens.
-- A click on the info box brings the words back (the puzzle window reads "puzzleHowTo").
function PuzzleRoom(howTo)
  SetGlobalString("puzzleHowTo", howTo)
  ShowInfoText(howTo)
end
