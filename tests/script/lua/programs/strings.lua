-- string patterns, captures, substitutions and formats
local s = "The quick brown fox jumps over the lazy dog"
print(string.find(s, "quick"), string.find(s, "o", 15), string.find(s, "%s(%a+)%s"))
print(string.find(s, "^The"), string.find(s, "dog$"), string.find(s, "cat"))
print(string.find("a.b.c", ".", 1, true), string.find("x+y", "+", 1, true))
print(string.find("key = value", "(%w+)%s*=%s*(%w+)"))
print(string.find("hello", "()ll()"))
print(string.find("f(a(b)c)d", "%b()"), string.find("[[x]]", "%b[]"))
print(string.find("  indent", "^%s*"), string.find("abc123def", "%d+"))
print(string.find("say 'hi' there", "(['\"])(.-)%1"))

-- greedy and lazy
print(string.find("<a><b><c>", "<(.*)>"), string.find("<a><b><c>", "<(.-)>"))
print(string.find("aaa", "a-b"), string.find("aaab", "a-b"), string.find("colour", "colou?r"))

-- classes
local classes = {"%a", "%d", "%l", "%u", "%s", "%w", "%x", "%p", "%c", "%A", "%D", "%S"}
local sample = "aZ9 \t!x"
for _, c in ipairs(classes) do
  local n = 0
  for ch in string.gfind(sample, c) do n = n + 1 end
  io_out = (io_out or "") .. c .. "=" .. n .. " "
end
print(io_out)
print(string.gsub("hello world", "[aeiou]", "*"), string.gsub("hello", "[^l]", "."))
print(string.gsub("a-b-c", "%-", "+"), string.gsub("2024-01-15", "(%d+)-(%d+)-(%d+)", "%3/%2/%1"))

-- gsub: counts, limits, functions, anchors, empty matches
print(string.gsub("hello world", "o", "0"))
print(string.gsub("hello world", "o", "0", 1))
print(string.gsub("abc", "", "-"))
print(string.gsub("hello world", "(%w+)", "<%1>"))
print(string.gsub("hello", "^h", "H"), string.gsub("hhh", "^h", "H"))
print(string.gsub("$name is $age", "%$(%w+)", function(k)
  local vars = {name = "Ann", age = 31}
  return tostring(vars[k])
end))
print(string.gsub("1 2 3", "%d", function(d) return d * d end))
print(string.gsub("abc", "%w", "%%"))
print(string.gsub("one two", "(%w+) (%w+)", "%2 %1"))
print(string.gsub("  trim me  ", "^%s*(.-)%s*$", "%1"))

-- gfind
local words = {}
for w in string.gfind("one, two;three  four", "%a+") do table.insert(words, w) end
print(table.getn(words), table.concat(words, "|"))
local pairs_found = {}
for k, v in string.gfind("a=1, b=22, ccc=333", "(%w+)=(%w+)") do table.insert(pairs_found, k .. ":" .. v) end
print(table.concat(pairs_found, " "))

-- basic functions
print(string.len("abc"), string.len(""), string.rep("ab", 3), string.rep("x", 0))
print(string.sub("hello", 2, 4), string.sub("hello", -3), string.sub("hello", 2), string.sub("hello", 0, 100))
print(string.upper("mixed Case 1"), string.lower("MIXED Case 1"))
print(string.byte("A"), string.byte("abc", 3), string.char(76, 117, 97))
print(("method"):upper(), ("%d items"):format(3))

-- formats
print(string.format("%d|%5d|%-5d|%05d", 42, 42, 42, 42))
print(string.format("%x|%X|%o|%#x", 255, 255, 8, 255))
print(string.format("%f|%.2f|%10.3f|%-10.1f|", 3.14159, 3.14159, 3.14159, 3.14159))
print(string.format("%e|%.3e|%g|%g|%g", 12345.6789, 0.00012, 100000, 1000000, 0.0001))
print(string.format("%s|%10s|%-10s|%.3s", "str", "right", "left", "truncate"))
print(string.format("%c%c%c", 72, 105, 33))
print(string.format("%q", 'he said "hi"\nand left\\'))
print(string.format("%%|%5.1f%%", 99.5))
print(string.format("%s %s %s", 1, 2.5, "x"))
print(string.format("%3d. %-8s %6.2f", 7, "item", 12.5))

-- tostring/tonumber
print(tonumber("42"), tonumber("0x1F"), tonumber("  7  "), tonumber("1e3"), tonumber("abc"))
print(tonumber("ff", 16), tonumber("777", 8), tonumber("zz", 36), tonumber("102", 2))
print(tostring(12), tostring(-0.5), "10" + 5, "3" * "4", 10 .. 20)

-- string comparison
print("a" < "b", "abc" < "abd", "Z" < "a", "" < "a", "abc" == "abc")
