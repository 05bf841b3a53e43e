-- variable arguments through `arg', multiple results and adjustments
local function count(...) return arg.n end
print(count(), count(nil), count(1, nil, 3), count(nil, nil))

local function sum(...)
  local s = 0
  for i = 1, arg.n do s = s + (arg[i] or 0) end
  return s
end
print(sum(1, 2, 3), sum(), sum(10, nil, 5))

local function pass(...) return unpack(arg) end
print(pass(1, 2, 3))
print((pass(1, 2, 3)))

local function first(a, ...) return a, arg.n end
print(first(9, 8, 7))

local function three() return 1, 2, 3 end
local x, y, z, w = three()
print(x, y, z, w)
local t = {three(), three()}
print(table.getn(t), t[1], t[2], t[4])
print(three(), "end")
print("start", three())

local function fmt(f, ...) return string.format(f, unpack(arg)) end
print(fmt("%d-%s-%d", 1, "two", 3))

-- select-like helper with arg
local function nth(n, ...) return arg[n] end
print(nth(2, "a", "b", "c"), nth(5, "a"))

-- multiple assignment evaluation order
local a, b, c = 1
print(a, b, c)
local p, q = 1, 2
p, q = q, p
print(p, q)

-- method calls with varargs
local obj = {name = "o"}
function obj:describe(...) return self.name .. ":" .. arg.n end
print(obj:describe(1, 2), obj.describe(obj))

-- recursion with varargs
local function rev(...)
  if arg.n == 0 then return end
  local rest = {}
  for i = 2, arg.n do rest[i - 1] = arg[i] end
  local res = {rev(unpack(rest))}
  table.insert(res, arg[1])
  return unpack(res)
end
print(rev(1, 2, 3, 4))
