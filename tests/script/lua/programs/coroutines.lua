-- coroutines: generators, producer/consumer, status, passing values both ways, errors
local function range(n)
  return coroutine.wrap(function()
    for i = 1, n do coroutine.yield(i) end
  end)
end
local s = ""
for i in range(5) do s = s .. i .. "," end
print(s)

-- permutations generator
local function permgen(a, n)
  if n == 0 then
    coroutine.yield(a)
  else
    for i = 1, n do
      a[n], a[i] = a[i], a[n]
      permgen(a, n - 1)
      a[n], a[i] = a[i], a[n]
    end
  end
end
local function permutations(a)
  local n = table.getn(a)
  return coroutine.wrap(function() permgen(a, n) end)
end
local count = 0
for p in permutations({"a", "b", "c"}) do
  count = count + 1
  print(count, table.concat(p, ""))
end

-- producer / filter / consumer
local function producer()
  return coroutine.create(function()
    for _, w in ipairs({"alpha", "beta", "gamma", "delta"}) do
      coroutine.yield(w)
    end
  end)
end
local function filter(prod)
  return coroutine.create(function()
    local line = 1
    while true do
      local ok, x = coroutine.resume(prod)
      if not x then break end
      coroutine.yield(string.format("%3d %s", line, x))
      line = line + 1
    end
  end)
end
local f = filter(producer())
while true do
  local ok, x = coroutine.resume(f)
  if not x then break end
  print(x)
end

-- values in and out
local co = coroutine.create(function(a, b)
  print("start", a, b)
  local c = coroutine.yield(a + b)
  print("got", c)
  local d, e = coroutine.yield(c * 2)
  print("got", d, e)
  return d + e, "end"
end)
print(coroutine.resume(co, 1, 2))
print(coroutine.status(co))
print(coroutine.resume(co, 10))
print(coroutine.resume(co, 3, 4))
print(coroutine.status(co))
print(coroutine.resume(co))

-- errors inside a coroutine
local bad = coroutine.create(function() local x = nil; coroutine.yield(1); error("failed here") end)
print(coroutine.resume(bad))
print(coroutine.resume(bad))
print(coroutine.status(bad))

-- error objects that are not strings pass through unchanged
local obj = coroutine.create(function() error({code = 17}) end)
local ok, e = coroutine.resume(obj)
print(ok, type(e), e.code)

-- a coroutine resuming another
local inner = coroutine.wrap(function() for i = 1, 3 do coroutine.yield("inner" .. i) end end)
local outer = coroutine.wrap(function()
  for i = 1, 3 do coroutine.yield(inner() .. "/outer" .. i) end
end)
print(outer(), outer(), outer())

-- yielding many values
local multi = coroutine.wrap(function() coroutine.yield(1, 2, 3, nil, 5) return "done" end)
print(multi())
print(multi())
