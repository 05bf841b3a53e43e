local function counter() local n = 0 return function() n = n + 1 return n end end
local c = counter() c() c()
local t = {} for i = 1, 10 do t[i] = function() return i end end
local co = coroutine.wrap(function(a) while true do a = coroutine.yield(a * 2) end end)
print(c(), t[3](), co(4), co(5))
