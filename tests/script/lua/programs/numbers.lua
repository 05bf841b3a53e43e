-- number formatting and arithmetic
print(1, -1, 0, 1.5, -2.25, 100, 1e15, 1e16, 1e100, 123456789012345)
print(1 / 3, 2 / 3, 10 / 4, 7 / 2, 0.1 + 0.2, 1 - 0.9)
print(3.14159265358979, 1e-5, 1e-10, 5e-324 > 0, 2147483647, 4294967296)
print(1e300 * 1e10, -1e300 * 1e10)
print(math.floor(3.7), math.floor(-3.7), math.ceil(3.2), math.ceil(-3.2))
print(math.mod(10, 3), math.mod(-10, 3), math.mod(10, -3), math.mod(5.5, 2))
print(math.abs(-3), math.max(1, 9, 3), math.min(4, 2, 8), math.sqrt(2))
print(math.pow(2, 10), math.exp(1), math.log(10), math.log10(1000))
print(math.sin(1), math.cos(1), math.tan(1), math.asin(0.5), math.acos(0.5), math.atan(1))
print(math.atan2(1, 2), math.deg(1), math.rad(90), math.pi)
print(math.frexp(12), math.ldexp(0.75, 4))
print(8 / 2 * 3, 2 + 3 * 4 - 1, (2 + 3) * 4, -2 - -3, 10 - 2 - 3)
print(100000000000000, 99999999999999.9, 0.1, 1/7)
print(string.format("%.14g", 2 / 3), string.format("%.3f", 1 / 3), string.format("%d", 12.9))

-- numeric for with fractional and negative steps
local s = ""
for i = 1, 2, 0.25 do s = s .. i .. " " end
print(s)
s = ""
for i = 10, 1, -3 do s = s .. i .. " " end
print(s)
s = ""
for i = 1, 0 do s = s .. i end
print("[" .. s .. "]")

-- coercions
print("10" + 1, "0x10" + 0, "1e2" * 1, " 5 " - 1, 10 .. "", -"2")
print(tonumber("  12  "), tonumber("12a"), tonumber(""), tonumber("1e"), tonumber(".5"), tonumber("5."))

-- integers stay exact up to 2^53
local big = 9007199254740992
print(big, big - 1, big / 2)

-- comparisons
print(1 < 2, 2 <= 2, 3 > 4, 1 == 1.0, "1" == 1, 0.1 + 0.2 == 0.3)
