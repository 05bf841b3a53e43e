-- small algorithms: sieve, queens, quicksort, string building, binary search, matrix product
local function sieve(n)
  local composite, primes = {}, {}
  for i = 2, n do
    if not composite[i] then
      table.insert(primes, i)
      for j = i * i, n, i do composite[j] = true end
    end
  end
  return primes
end
local p = sieve(200)
print(table.getn(p), p[1], p[10], p[table.getn(p)])

local function queens(n)
  local count, cols = 0, {}
  local function ok(row, col)
    for r = 1, row - 1 do
      local c = cols[r]
      if c == col or math.abs(c - col) == row - r then return false end
    end
    return true
  end
  local function place(row)
    if row > n then count = count + 1 return end
    for col = 1, n do
      if ok(row, col) then cols[row] = col place(row + 1) end
    end
  end
  place(1)
  return count
end
print(queens(6), queens(8))

local function quicksort(t, lo, hi)
  if lo < hi then
    local pivot, i = t[hi], lo - 1
    for j = lo, hi - 1 do
      if t[j] <= pivot then i = i + 1 t[i], t[j] = t[j], t[i] end
    end
    t[i + 1], t[hi] = t[hi], t[i + 1]
    quicksort(t, lo, i)
    quicksort(t, i + 2, hi)
  end
end
local arr = {38, 27, 43, 3, 9, 82, 10, 3, 55, 1}
quicksort(arr, 1, table.getn(arr))
print(table.concat(arr, " "))

local function bsearch(t, x)
  local lo, hi = 1, table.getn(t)
  while lo <= hi do
    local mid = math.floor((lo + hi) / 2)
    if t[mid] == x then return mid
    elseif t[mid] < x then lo = mid + 1
    else hi = mid - 1 end
  end
  return nil
end
print(bsearch(arr, 43), bsearch(arr, 1), bsearch(arr, 4))

-- string building three ways
local parts = {}
for i = 1, 100 do parts[i] = string.format("%03d", i) end
local joined = table.concat(parts)
local concatenated = ""
for i = 1, 100 do concatenated = concatenated .. parts[i] end
print(string.len(joined), joined == concatenated, string.sub(joined, 1, 12), string.sub(joined, -6))

local function matmul(a, b)
  local n, m, q = table.getn(a), table.getn(b), table.getn(b[1])
  local c = {}
  for i = 1, n do
    c[i] = {}
    for j = 1, q do
      local s = 0
      for k = 1, m do s = s + a[i][k] * b[k][j] end
      c[i][j] = s
    end
  end
  return c
end
local c = matmul({{1, 2}, {3, 4}}, {{5, 6}, {7, 8}})
print(c[1][1], c[1][2], c[2][1], c[2][2])

-- gcd, collatz, fibonacci
local function gcd(a, b) while b ~= 0 do a, b = b, math.mod(a, b) end return a end
print(gcd(1071, 462), gcd(17, 5), gcd(100, 75))
local function collatz(n) local steps = 0 while n ~= 1 do if math.mod(n, 2) == 0 then n = n / 2 else n = 3 * n + 1 end steps = steps + 1 end return steps end
print(collatz(27), collatz(97))
local a, b = 0, 1
for i = 1, 70 do a, b = b, a + b end
print(a)

-- word frequency with sorted output
local text = "the cat and the hat and the bat sat on the mat"
local freq = {}
for w in string.gfind(text, "%a+") do freq[w] = (freq[w] or 0) + 1 end
local words = {}
for w in pairs(freq) do table.insert(words, w) end
table.sort(words, function(x, y) if freq[x] ~= freq[y] then return freq[x] > freq[y] end return x < y end)
for i = 1, 4 do io_w = (io_w or "") .. words[i] .. ":" .. freq[words[i]] .. " " end
print(io_w)
