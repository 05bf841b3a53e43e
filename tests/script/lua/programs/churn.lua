-- allocation churn: many short-lived strings, tables and closures, with the survivors checked
local keep = {}
for round = 1, 20 do
  local garbage = {}
  for i = 1, 50 do
    garbage[i] = {round = round, text = string.rep("x", math.mod(i, 13)) .. round .. ":" .. i}
  end
  local f = function(k) return garbage[k].text end
  keep[round] = f(math.mod(round, 50) + 1)
  if math.mod(round, 5) == 0 then collectgarbage() end
end
print(table.getn(keep), keep[1], keep[20])

-- closures keeping their upvalues alive across collections
local makers = {}
for i = 1, 30 do
  local secret = "s" .. i
  makers[i] = function() return secret end
end
collectgarbage()
local joined = ""
for i = 1, 30, 7 do joined = joined .. makers[i]() end
print(joined)

-- string interning: equal contents built different ways compare equal
local a = "abc" .. "def"
local b = string.sub("xxabcdefyy", 3, 8)
local c = string.format("%s%s", "abc", "def")
print(a == b, b == c, a == "abcdef")

-- a table that grows and shrinks repeatedly
local t = {}
for cycle = 1, 5 do
  for i = 1, 200 do t[i] = i * cycle end
  for i = 200, 1, -1 do if math.mod(i, 3) ~= 0 then t[i] = nil end end
  collectgarbage()
end
local n, s = 0, 0
for k, v in pairs(t) do n = n + 1 s = s + v end
print(n, s)

-- coroutines created and abandoned mid-way
local alive = 0
for i = 1, 40 do
  local co = coroutine.create(function(x) local y = coroutine.yield(x + 1) return y end)
  local ok, v = coroutine.resume(co, i)
  if ok and v == i + 1 then alive = alive + 1 end
end
collectgarbage()
print(alive)
