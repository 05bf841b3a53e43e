-- control flow and expressions: loops, short-circuit values, nested breaks, long strings,
-- escapes, constructors and method definitions
local out = {}
local function emit(...) for i = 1, arg.n do table.insert(out, tostring(arg[i])) end end

-- and/or return operands
emit(nil or "d", false or nil, 1 and 2, nil and 1, false and error("no"), 0 or 1, "" and "empty")
emit(not nil, not 0, not not "x", 1 == 1 and "yes" or "no", nil == false)
print(table.concat(out, " "))
out = {}

-- loops
local i = 0
while true do i = i + 1 if i > 4 then break end end
local j = 10
repeat j = j - 3 until j < 0
local acc = 0
for k = 10, 1, -2 do acc = acc + k end
local float = 0
for x = 0, 1, 0.1 do float = float + 1 end
print(i, j, acc, float)

-- nested loops with break in the inner one
local pairs_seen = 0
for a = 1, 5 do
  for b = 1, 5 do
    if b > a then break end
    pairs_seen = pairs_seen + 1
  end
end
print(pairs_seen)

-- generic for with a custom stateless iterator
local function evens(limit, cur)
  cur = cur + 2
  if cur <= limit then return cur end
end
local e = ""
for v in evens, 9, 0 do e = e .. v end
print(e)

-- long strings and escapes
local long = [[
first line
second "quoted" line]]
print(long)
print("tab\tnew\\n \065\066\067 \"q\" 'single'", 'it\'s')
print(string.len("\0\1\2"), string.byte("\255"), "a\
b")

-- constructors
local t = {1, 2, 3,}
local u = {[1] = "one"; two = 2; "first";}
print(table.getn(t), u[1], u.two)
local nested = {a = {b = {c = {}}}}
function nested.a.b.c.f(x) return x + 1 end
function nested.a.b.c:m(x) return self == nested.a.b.c, x end
print(nested.a.b.c.f(1), nested.a.b.c:m(5))

-- multiple assignment swaps and adjustments
local p, q, r = 1, 2
p, q = q, p
print(p, q, r)
local function mr() return 7, 8, 9 end
local x1, x2 = mr()
local y1, y2, y3, y4 = 0, mr()
print(x1, x2, y1, y2, y3, y4)
print((mr()))

-- string coercion and comparison rules
print(1 .. "", "10" + 0 == 10, "abc" < "abd", "Z" < "a", 2 < 10, "2" < "10")

-- numeric for with large bounds
local count = 0
for n = 2147483640, 2147483650 do count = count + 1 end
print(count)

-- recursion depth within limits
local function depth(n) if n == 0 then return 0 end return 1 + depth(n - 1) end
print(depth(150))

-- semicolons and empty statements
local s1 = 1; local s2 = 2;
print(s1 + s2);
