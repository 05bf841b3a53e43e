-- Run by the command-line tool's tests, as source and as a compiled chunk.
local function count(t) local n = 0 for _ in pairs(t) do n = n + 1 end return n end
local words = {arg[1], arg[2]}
print("tool sample: " .. table.concat(words, " ") .. " " .. count(words) .. " " ..
      tostring(L"L" .. (2 + 4)))
