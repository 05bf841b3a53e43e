-- metatables: arithmetic and comparison events, indexing chains, call, tostring, inheritance
local Vec = {}
Vec.__index = Vec
local function vec(x, y) return setmetatable({x = x, y = y}, Vec) end
Vec.__add = function(a, b) return vec(a.x + b.x, a.y + b.y) end
Vec.__sub = function(a, b) return vec(a.x - b.x, a.y - b.y) end
Vec.__mul = function(a, b)
  if type(a) == "number" then return vec(a * b.x, a * b.y) end
  if type(b) == "number" then return vec(a.x * b, a.y * b) end
  return a.x * b.x + a.y * b.y
end
Vec.__div = function(a, b) return vec(a.x / b, a.y / b) end
Vec.__unm = function(a) return vec(-a.x, -a.y) end
Vec.__eq = function(a, b) return a.x == b.x and a.y == b.y end
Vec.__lt = function(a, b) return a:len2() < b:len2() end
Vec.__le = function(a, b) return a:len2() <= b:len2() end
Vec.__concat = function(a, b)
  local function s(v) if type(v) == "table" then return v:str() end return tostring(v) end
  return s(a) .. s(b)
end
Vec.__tostring = function(v) return v:str() end
function Vec:len2() return self.x * self.x + self.y * self.y end
function Vec:str() return "(" .. self.x .. "," .. self.y .. ")" end

local a, b = vec(1, 2), vec(3, 4)
print(tostring(a + b), tostring(a - b), a * b, tostring(2 * a), tostring(a * 3), tostring(b / 2))
print(tostring(-a), a == vec(1, 2), a ~= b, a < b, b <= a, a > b)
print(a .. b, "v=" .. a, a .. "!")
print(a)

-- __index as a function and as a chain of tables
local defaults = {color = "red", size = 10}
local mid = setmetatable({size = 20}, {__index = defaults})
local obj = setmetatable({}, {__index = mid})
print(obj.color, obj.size, obj.missing)
local computed = setmetatable({}, {__index = function(t, k) return k .. "!" end})
print(computed.hello, computed[1], rawget(computed, "hello"))

-- __newindex to a table and to a function
local store = {}
local proxy = setmetatable({}, {__newindex = store})
proxy.a = 1
print(rawget(proxy, "a"), store.a)
local log = {}
local tracked = setmetatable({}, {__newindex = function(t, k, v) table.insert(log, k .. "=" .. tostring(v)); rawset(t, k, v) end})
tracked.x = 1
tracked.y = 2
tracked.x = 3 -- exists now, no event
print(table.concat(log, " "), tracked.x)

-- __call
local callable = setmetatable({}, {__call = function(self, a, b) return a + b, self end})
local r1, r2 = callable(3, 4)
print(r1, r2 == callable)

-- read-only table
local function readonly(t)
  return setmetatable({}, {__index = t, __newindex = function() error("read-only table", 2) end})
end
local ro = readonly({1, 2, 3})
print(ro[2], pcall(function() ro[1] = 5 end))

-- classes with inheritance
local Animal = {}
Animal.__index = Animal
function Animal.new(name, sound)
  local self = setmetatable({}, Animal)
  self.name, self.sound = name, sound
  return self
end
function Animal:speak() return self.name .. " says " .. self.sound end
local Dog = setmetatable({}, {__index = Animal})
Dog.__index = Dog
function Dog.new(name)
  local self = Animal.new(name, "woof")
  return setmetatable(self, Dog)
end
function Dog:fetch() return self.name .. " fetches" end
local d = Dog.new("rex")
print(d:speak(), d:fetch(), Animal.new("cat", "meow"):speak())

-- __metatable protects
local prot = setmetatable({}, {__metatable = "locked"})
print(getmetatable(prot), pcall(setmetatable, prot, {}))

-- __eq is only asked for two tables with the same handler
local e1 = setmetatable({}, {__eq = function() return true end})
local e2 = setmetatable({}, getmetatable(e1))
print(e1 == e2, e1 == {}, rawequal(e1, e2))

-- weak tables
local weak = setmetatable({}, {__mode = "k"})
local keep = {}
local function fill() weak[{}] = 1 weak[keep] = 2 end
fill()
collectgarbage()
local n = 0
for k, v in pairs(weak) do n = n + 1 end
print(n, weak[keep])
local weakv = setmetatable({}, {__mode = "v"})
local function fillv() weakv[1] = {} weakv[2] = keep end
fillv()
collectgarbage()
print(weakv[1], weakv[2] == keep)
