table.insert({}, -2147483647, 1)
local t = {} table.setn(t, 2147483646) table.remove(t, 1)
