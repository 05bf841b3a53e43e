-- table library and table behaviour
local t = {10, 20, 30}
table.insert(t, 40)
table.insert(t, 1, 5)
print(table.getn(t), table.concat(t, ","))
print(table.remove(t), table.remove(t, 1), table.concat(t, ","))
table.insert(t, 2, 15)
print(table.concat(t, ","))

-- sort
local nums = {5, 3, 8, 1, 9, 2, 7, 4, 6, 0}
table.sort(nums)
print(table.concat(nums, " "))
table.sort(nums, function(a, b) return a > b end)
print(table.concat(nums, " "))
local names = {"pear", "Apple", "fig", "banana", "cherry"}
table.sort(names)
print(table.concat(names, " "))
table.sort(names, function(a, b) return string.len(a) < string.len(b) or (string.len(a) == string.len(b) and a < b) end)
print(table.concat(names, " "))
local recs = {{n = "b", v = 2}, {n = "a", v = 3}, {n = "c", v = 1}}
table.sort(recs, function(x, y) return x.v < y.v end)
for i, r in ipairs(recs) do io_s = (io_s or "") .. r.n end
print(io_s)

-- a larger sort with a deterministic sequence
local big = {}
local seed = 12345
for i = 1, 500 do
  seed = math.mod(seed * 1103 + 12345, 65536)
  big[i] = seed
end
table.sort(big)
local ok = true
for i = 2, table.getn(big) do if big[i - 1] > big[i] then ok = false end end
print(ok, big[1], big[250], big[500])

-- concat
print(table.concat({}), table.concat({"a"}), table.concat({1, 2, 3}, ", "), table.concat({"a", "b", "c", "d"}, "-", 2, 3))

-- foreach / foreachi
local acc = ""
table.foreachi({"x", "y", "z"}, function(i, v) acc = acc .. i .. v end)
print(acc)
print(table.foreachi({10, 20, 30}, function(i, v) if v == 20 then return i * 100 end end))
local total = 0
table.foreach({a = 1, b = 2, c = 3}, function(k, v) total = total + v end)
print(total)

-- unpack and getn
print(unpack({1, 2, 3}))
print(table.getn({}), table.getn({1, 2, 3, 4}))

-- keys of many types
local keys = {}
keys[1] = "int"; keys[1.5] = "float"; keys["1"] = "str"; keys[true] = "bool"
local kt = {}
keys[kt] = "table"
print(keys[1], keys[1.5], keys["1"], keys[true], keys[kt], keys[2])

-- sorted traversal of a hash
local h = {zeta = 1, alpha = 2, mid = 3, beta = 4}
local ks = {}
for k in pairs(h) do table.insert(ks, k) end
table.sort(ks)
for _, k in ipairs(ks) do io_h = (io_h or "") .. k .. "=" .. h[k] .. ";" end
print(io_h)

-- growing and shrinking
local g = {}
for i = 1, 1000 do g[i] = i * 2 end
local sum = 0
for i, v in ipairs(g) do sum = sum + v end
print(table.getn(g), sum)
for i = 1000, 1, -1 do table.remove(g) end
print(table.getn(g), next(g))

-- nested tables and constructors
local m = {{1, 2}, {3, 4}, n = {x = {y = "deep"}}}
print(m[2][1], m.n.x.y, table.getn(m))
local mixed = {1, 2; x = "a", [10] = "ten", "three"}
print(mixed[1], mixed[2], mixed[3], mixed.x, mixed[10])
