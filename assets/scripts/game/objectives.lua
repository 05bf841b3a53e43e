-- The demo's objectives and the story steps the scenes' action maps call. Progress lives in
-- global script variables, so a saved game restores it with the rest of the game state.

-- Marks an objective reached (or not) and tells the player when it was reached.
function Objective(name, done)
  SetGlobalBool("objective_" .. name, done)
  if done then CallScene("ShowInfoText", "OBJECTIVE_" .. string.upper(name)) end
end

function IsObjectiveDone(name)
  return GetGlobalBool("objective_" .. name) == true
end

-- The village: the first visit opens the diary and explains the key.
function OnEnterVillage()
  if not IsObjectiveDone("visited_village") then
    Objective("visited_village", true)
    CallScene("AddDiaryNewChapter")
    CallScene("AddDiaryText", "DIARY_1", 16, "fonts/default.mvec", 40, 60)
    CallScene("ShowBriefingWindow", "BRIEFING_VILLAGE", 500, 4000, true)
  end
end

-- The key opens the manor gate.
function OpenManorGate()
  CallScene("RemoveInventoryItem", "key_item")
  CallScene("SetActiveExit", "001_adv_exit_wassermuehle", true)
  CallScene("SetActiveHotspot", "101_gate", false)
  CallScene("ShowInfoText", "GATE_OPENED")
  Objective("gate_open", true)
end

function OnEnterHall()
  if IsObjectiveDone("clock_lit") then CallScene("SetActiveExit", "103_to_shrine", true) end
end

-- The candle on the clock reveals the way to the shrine.
function LightClock()
  CallScene("RemoveInventoryItem", "candle_item")
  CallScene("SetActiveExit", "103_to_shrine", true)
  CallScene("AddDiaryText", "DIARY_2", 16, "fonts/default.mvec", 40, 200)
  Objective("clock_lit", true)
end

-- The relic set in the shrine ends the demo.
function PlaceRelic()
  CallScene("RemoveInventoryItem", "relic_item")
  CallScene("ShowInfoText", "DEMO_END")
  Objective("relic_placed", true)
  CallScene("SendGameMessage", "quit")
end
