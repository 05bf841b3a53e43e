-- closures: counters, shared upvalues, closures made in loops, recursion through upvalues
local function counter(start)
  local n = start
  return function(step)
    n = n + (step or 1)
    return n
  end
end

local c1, c2 = counter(0), counter(100)
print(c1(), c1(), c1(5), c2(), c1())

-- two closures sharing one upvalue
local function pair()
  local v = 0
  local function get() return v end
  local function set(x) v = x end
  return get, set
end
local get, set = pair()
set(42)
print(get())
set("text")
print(get())

-- a fresh local per iteration gives each closure its own value
local fs = {}
for i = 1, 5 do
  local j = i * i
  fs[i] = function() return j end
end
for i = 1, 5 do io_line = (io_line or "") .. fs[i]() .. " " end
print(io_line)

-- while loop locals are fresh too
local gs = {}
local k = 0
while k < 3 do
  k = k + 1
  local captured = k
  gs[k] = function() captured = captured + 10 return captured end
end
print(gs[1](), gs[1](), gs[2](), gs[3]())

-- deep nesting: upvalues of upvalues
local function outer(a)
  return function(b)
    return function(c)
      return function(d)
        return a .. b .. c .. d
      end
    end
  end
end
print(outer("w")("x")("y")("z"))

-- recursion through a local function
local function fact(n)
  if n <= 1 then return 1 end
  return n * fact(n - 1)
end
print(fact(10), fact(20))

-- mutual recursion through upvalues
local isodd
local function iseven(n) if n == 0 then return true end return isodd(n - 1) end
function isodd(n) if n == 0 then return false end return iseven(n - 1) end
print(iseven(10), isodd(7), iseven(3))

-- memoizing wrapper
local function memoize(f)
  local cache = {}
  return function(x)
    local v = cache[x]
    if v == nil then v = f(x) cache[x] = v end
    return v
  end
end
local calls = 0
local slow = memoize(function(x) calls = calls + 1 return x * 2 end)
print(slow(2), slow(2), slow(3), calls)

local fib
fib = memoize(function(n) if n < 2 then return n end return fib(n - 1) + fib(n - 2) end)
print(fib(80))

-- closures as objects
local function account(balance)
  local self = {}
  function self.deposit(v) balance = balance + v end
  function self.withdraw(v)
    if v > balance then return false end
    balance = balance - v
    return true
  end
  function self.balance() return balance end
  return self
end
local acc = account(100)
acc.deposit(50)
print(acc.withdraw(500), acc.withdraw(30), acc.balance())
