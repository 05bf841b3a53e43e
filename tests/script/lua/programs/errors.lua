-- errors: error values and levels, pcall/xpcall results, runtime errors whose messages do not
-- depend on variable names
local function thrower(msg, level) error(msg, level) end
print(pcall(thrower, "plain"))
print(pcall(thrower, "no position", 0))
print(pcall(error, nil))
local ok, e = pcall(thrower, {code = 42})
print(ok, type(e), e.code)

local function caller()
  thrower("from caller", 2)  -- blamed on this line
end
print(pcall(caller))

local function deep(n)
  if n == 0 then error("bottom reached") end
  local r = deep(n - 1)
  return r
end
print(pcall(deep, 10))

-- results pass through pcall
print(pcall(function(a, b) return a + b, a * b, "x" end, 6, 7))
print(pcall(function() end))

-- runtime errors without variable names
print(pcall(function() return nil + 1 end))
print(pcall(function() return {} .. "x" end))
print(pcall(function() return 1 < "x" end))
print(pcall(function() return {} < 1 end))
print(pcall(function() return (nil).field end))
print(pcall(nil))
print(pcall(function() local t = setmetatable({}, {__index = function(t, k) error("no field " .. k) end}) return t.foo end))

-- assert
print(pcall(assert, false))
print(pcall(assert, nil, "custom message"))
print(pcall(function() assert(false, "inside") end))

-- xpcall with a handler that decorates the message
print(xpcall(function() error("raw") end, function(m) return "handled<" .. m .. ">" end))
print(xpcall(function() return "fine" end, function(m) return "never" end))

-- nested protected calls
print(pcall(pcall, error, "inner"))
print(pcall(function()
  local ok, err = pcall(error, "first")
  error("second after " .. err, 0)
end))

-- errors inside metamethods and iterators
local bad = setmetatable({}, {__add = function() error("no adding", 0) end})
print(pcall(function() return bad + 1 end))
print(pcall(function() for k in pairs(nil) do end end) == false)

-- error with a number value gets a position
print(pcall(function() error(404) end))

-- loadstring syntax errors
local f, msg = loadstring("x = ")
print(f, type(msg))
print(loadstring("return 1 + 2")())
