local t = setmetatable({}, {__index = function(t, k) return k .. "!" end, __newindex = rawset})
t.x = 1 t[1.5] = 2 t[L"w"] = 3
for k, v in pairs(t) do t[k] = nil end
local s = {} for i = 1, 100 do s[i] = i end table.remove(s, 1) table.insert(s, 1, 0)
print(t.y, table.getn(s), table.concat({1, 2, 3}, ","), 5 & 3, 5 ^ 3, 1 << 4, -1 >> 28)
