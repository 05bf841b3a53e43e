local ok, e = pcall(function() local x return x.y end)
print(ok, e, pcall(error, {1}), pcall(string.rep), L"a" .. 1, tonumber(L"0x10"))
local w = setmetatable({}, {__mode = "k"}) w[{}] = 1 collectgarbage()
for i = 1, 3 do if i == 2 then continue end print(i) end
