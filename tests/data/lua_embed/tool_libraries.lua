-- The library tables the tool's scripts get (the README names exactly these).
local names = {}
for _, name in ipairs({"coroutine", "string", "table", "math", "io", "os", "debug"}) do
  if _G[name] then table.insert(names, name) end
end
print("libraries: " .. table.concat(names, " ") .. "; string.pack: " .. type(string.pack))
