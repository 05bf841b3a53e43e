// String library: the basic functions, format with its conversions and errors, and the pattern
// matcher behind find, gfind and gsub (classes, sets, quantifiers, captures, anchors, errors).
#include <gtest/gtest.h>

#include "lua_runner.h"

using luatest::Case;
using luatest::ExpectCases;

TEST(LuaStringLib, LengthSubAndCase) {
  ExpectCases({
      {"return string.len('abc'), string.len(''), string.len('a\\0b')", "3, 0, 3"},
      {"local s = 'hello' return s:sub(2, 3), s:sub(-3), s:sub(2), s:sub(0)", "el, llo, ello, hello"},
      {"local s = 'hello' return s:sub(10), s:sub(3, 2), s:sub(-100, 2), s:sub(2, -2)", ", , he, ell"},
      {"return string.sub('hello', 1, 1e10), string.sub('hello', -1e10, -4)", "hello, he"},
      {"return string.sub('hello')", "error: bad argument #2 to `sub' (number expected, got no value)"},
      {"return string.upper('aBc1'), string.lower('AbC!')", "ABC1, abc!"},
      {"return string.upper(12)", "12"},
      {"return string.len(L\"w\")", "error: bad argument #1 to `len' (string expected, got wstring)"},
  });
}

TEST(LuaStringLib, CharByteRep) {
  ExpectCases({
      {"return string.char(72, 105), string.char()", "Hi, "},
      {"return string.char(256)", "error: bad argument #1 to `char' (invalid value)"},
      {"return string.char(65, -1)", "error: bad argument #2 to `char' (invalid value)"},
      {"return string.byte('A'), string.byte('abc', 2), string.byte('abc', -1)", "65, 98, 99"},
      {"return string.byte('abc', 10)", ""},
      {"return string.byte('')", ""},
      {"return string.byte('\\255')", "255"},
      {"return string.rep('ab', 3), string.rep('x', 0), string.rep('x', -1)", "ababab, , "},
      {"return string.len(string.rep('', 1e9))", "0"},
      {"return string.rep('x', 1e10)", "error: resulting string too large"},
      {"return string.len(string.rep('abc', 1000))", "3000"},
  });
}

TEST(LuaStringLib, FormatConversions) {
  ExpectCases({
      {"return string.format('%d|%5d|%-5d|%i', 3.7, 42, 42, -7)", "3|   42|42   |-7"},
      {"return string.format('%d', 3000000000)", "3000000000"},
      {"return string.format('%x|%X|%o|%u', 255, 255, 8, 7)", "ff|FF|10|7"},
      {"return string.format('%x', -1)", "ffffffff"},
      {"return string.format('%05.1f|%.3f|%5.2f', 3.14159, 2, 3.14159)", "003.1|2.000| 3.14"},
      {"return string.format('%e|%g|%g|%G', 12345.678, 0.0001, 1e20, 1e-20)",
       "1.234568e+04|0.0001|1e+20|1E-20"},
      {"return string.format('%c%c', 76, 117)", "Lu"},
      {"return string.format('%s|%s|%-4s|%.2s|%5.1s', 1, 'x', 'ab', 'abcdef', 'abc')", "1|x|ab  |ab|    a"},
      {"return string.format('100%% %s', 'done')", "100% done"},
      {"return string.format('no items')", "no items"},
      {"return string.format('%q', 'a\\nb\"c\\\\d')", "\"a\\\nb\\\"c\\\\d\""},
      {"return string.format('%q', 'x\\0y')", "\"x\\000y\""},
      {"return string.len(string.format('%s', string.rep('x', 300)))", "300"},
      {"return string.format('%s', string.rep('ab', 60)) == string.rep('ab', 60)", "true"},
      {"return string.format('%d', 1e300), string.format('%d', -1e300)",
       "9223372036854775807, -9223372036854775808"},
  });
}

TEST(LuaStringLib, FormatErrors) {
  ExpectCases({
      {"return string.format('%y', 1)", "error: invalid option to `format'"},
      {"return string.format('%d', 'x')", "error: bad argument #2 to `format' (number expected, got string)"},
      {"return string.format('%d %d', 1)", "error: bad argument #3 to `format' (number expected, got no value)"},
      {"return string.format('%123d', 1)", "error: invalid format (width or precision too long)"},
      {"return string.format('%------d', 1)", "error: invalid format (repeated flags)"},
      {"return string.format('%1$d', 1)", "error: obsolete option (d$) to `format'"},
      {"return string.format('%s', L\"w\")", "error: (string expected, got wstring)"},
      {"return string.format('%s', {})", "error: bad argument #2 to `format' (string expected, got table)"},
      {"return string.format()", "error: bad argument #1 to `format' (string expected, got no value)"},
  });
}

TEST(LuaStringLib, FindPlainAndAnchored) {
  ExpectCases({
      {"return string.find('hello world', 'wor')", "7, 9"},
      {"return string.find('hello', 'l')", "3, 3"},
      {"return string.find('hello', 'xyz')", "nil"},
      {"return string.find('hello', ''), string.find('hello', '', 10)", "1, 6, 5"},
      {"return string.find('a.b', '.', 1, true)", "2, 2"},
      {"return string.find('a+b', '+', 1, 1)", "2, 2"},
      {"return string.find('a.b', '%.')", "2, 2"},
      {"return string.find('abc', '^b'), string.find('abc', '^a')", "nil, 1, 1"},
      {"return string.find('abc', 'c$'), string.find('abcc', 'c$')", "3, 4, 4"},
      {"return string.find('a$c', '$c')", "2, 3"},
      {"return string.find('abcabc', 'b', -3), string.find('abcabc', 'b', 3)", "5, 5, 5"},
      {"return string.find('aaa', '^a', 2)", "2, 2"},
  });
}

TEST(LuaStringLib, FindClassesSetsAndQuantifiers) {
  ExpectCases({
      {"return string.find('  x1', '%d')", "4, 4"},
      {"return string.find('12abc34', '%a+')", "3, 5"},
      {"return string.find('abc 12', '%A')", "4, 4"},
      {"return string.find('  _id9 ', '[%a_][%w_]*')", "3, 6"},
      {"return string.find('xxabcz', '[a-c]+')", "3, 5"},
      {"return string.find('abc-d', '[%-]')", "4, 4"},
      {"return string.find('ab]c', '[]]')", "3, 3"},
      {"return string.find('abc', '[^ab]')", "3, 3"},
      {"return string.find('the Word', '%u%l+')", "5, 8"},
      {"return string.find('zzBEEF', '%x+')", "3, 6"},
      {"return string.find('a, b', '%p')", "2, 2"},
      {"return string.find('a\\tb', '%c'), string.find('a b', '%s')", "2, 2, 2"},
      {"return string.find('a\\0b', '%z')", "2, 2"},
      {"return string.find('a\\0b', '[%z]')", "2, 2"},
      {"return string.find('<a><b>', '<(.-)>')", "1, 3, a"},
      {"return string.find('<a><b>', '<(.*)>')", "1, 6, a><b"},
      {"return string.find('color colour', 'colou?r', 2)", "7, 12"},
      {"return string.find('aaab', 'a+b'), string.find('b', 'a+b')", "1, nil"},
      {"return string.find('f(a(b)c) d', '%b()')", "2, 8"},
      {"return string.find('f(a(b c', '%b()')", "nil"},
  });
}

TEST(LuaStringLib, Captures) {
  ExpectCases({
      {"return string.find('key = value', '(%w+)%s*=%s*(%w+)')", "1, 11, key, value"},
      {"return string.find('hello', '()ll()')", "3, 4, 3, 5"},
      {"return string.find('say \"hi\" now', '([\"\\'])(.-)%1')", "5, 8, \", hi"},
      {"return string.find('abab', '(ab)%1')", "1, 4, ab"},
      {"return string.find('abc', '((a)(b))')", "1, 2, ab, a, b"},
      {"return string.find('abc', '(x*)')", "1, 0, "},
  });
}

TEST(LuaStringLib, PatternErrors) {
  ExpectCases({
      {"return string.find('a', '%')", "error: malformed pattern (ends with `%')"},
      {"return string.find('a', '[a')", "error: malformed pattern (missing `]')"},
      {"return string.find('a', '[a%')", "error: malformed pattern (missing `]')"},
      {"return string.find('a', '(a')", "error: unfinished capture"},
      {"return string.find('a', '.)')", "error: invalid pattern capture"},
      {"return string.find('a', '%1')", "error: invalid capture index"},
      {"return string.find('a', '(a%1)')", "error: invalid capture index"},
      {"return string.find('a', '%b')", "error: unbalanced pattern"},
      {"return string.find('a', '%ba')", "error: unbalanced pattern"},
      {"return string.find('a', string.rep('()', 33))", "error: too many captures"},
      {"return string.find(string.rep('a', 5000), string.rep('a?', 5000))", "error: pattern too complex"},
  });
}

TEST(LuaStringLib, Gfind) {
  ExpectCases({
      {"local t = {} for w in string.gfind('one two  three', '%a+') do table.insert(t, w) end\n"
       "return table.concat(t, ',')",
       "one,two,three"},
      {"local s = '' for k, v in string.gfind('a=1, b=2', '(%w+)=(%w+)') do s = s .. k .. v end return s",
       "a1b2"},
      {"local n = 0 for w in string.gfind('abc', 'x*') do n = n + 1 end return n", "4"},
      {"local n = 0 for w in string.gfind('^a^a', '^a') do n = n + 1 end return n", "2"},
      {"local f = string.gfind('ab', '.') return f(), f(), f(), f()", "a, b, nil"},
      {"return string.gfind('x')", "error: bad argument #2 to `gfind' (string expected, got no value)"},
  });
}

TEST(LuaStringLib, Gsub) {
  ExpectCases({
      {"return string.gsub('hello world', 'o', '0')", "hell0 w0rld, 2"},
      {"return string.gsub('hello', '', '-')", "-h-e-l-l-o-, 6"},
      {"return string.gsub('hello world', '(%w+)', '<%1>')", "<hello> <world>, 2"},
      {"return string.gsub('abc', '%w', '%%')", "%%%, 3"},
      {"return string.gsub('hello', 'l', 'L', 1)", "heLlo, 1"},
      {"return string.gsub('hello', 'l', 'L', 0)", "hello, 0"},
      {"return string.gsub('hhh', '^h', 'H')", "Hhh, 1"},
      {"return string.gsub('abc', '()', '%1')", "1a2b3c4, 4"},
      {"return string.gsub('a', 'a', 5)", "5, 1"},
      {"return string.gsub('1 2 3', '%d', function(d) return d * 2 end)", "2 4 6, 3"},
      {"return string.gsub('abc', 'b', function() end)", "ac, 1"},
      {"return string.gsub('k=v', '(%w)=(%w)', function(a, b) return b .. '=' .. a end)", "v=k, 1"},
      {"return string.gsub('abc', 'b', {})", "error: bad argument #3 to `gsub' (string or function expected)"},
      {"return string.gsub('abc', 'b')", "error: bad argument #3 to `gsub' (string or function expected)"},
      {"return string.gsub('x', 'x', '%1')", "error: invalid capture index"},
      {"return string.gsub('abc', '%w', '%0')", "error: invalid capture index"},
      {"return string.gsub('abc', 'b', function() return {} end)", "ac, 1"},
      {"return (string.gsub(string.rep('a', 2000), 'a', 'bb')) == string.rep('b', 4000)", "true"},
  });
}

TEST(LuaStringLib, DumpTakesOnlyLuaFunctions) {
  ExpectCases({
      {"return string.dump(print)", "error: unable to dump given function"},
      {"return string.dump(1)", "error: bad argument #1 to `dump' (function expected, got number)"},
  });
}

TEST(LuaStringLib, StringsIndexTheLibrary) {
  ExpectCases({
      {"local s = 'abc' return s:len(), s:upper(), ('%d'):format(5)", "3, ABC, 5"},
      {"local s = 'a,b' return s:find(',')", "2, 2"},
      {"string.shout = function(s) return s:upper() .. '!' end return ('hey'):shout()", "HEY!"},
      {"return ('x').nothing", "nil"},
  });
}
