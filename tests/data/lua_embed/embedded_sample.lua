-- A script the build compiles into the test program as a precompiled chunk.
local greeting = L"h\x00e9llo"
local function counter(start)
  local n = start
  return function(step) n = n + step return n end
end
local c = counter(10)
c(1)
return greeting, c(2), 6 & 3, "narrow", nil, 2.5
