// Table library: insert and remove with the size rules, sort (default order, comparators,
// bad comparators), concat, foreach and foreachi.
#include <gtest/gtest.h>

#include "lua_runner.h"

using luatest::Case;
using luatest::ExpectCases;

TEST(LuaTableLib, InsertShiftsAndGrows) {
  ExpectCases({
      {"local t = {1, 2, 3} table.insert(t, 1, 0) return unpack(t)", "0, 1, 2, 3"},
      {"local t = {1, 2} table.insert(t, 'x') return table.getn(t), t[3]", "3, x"},
      {"local t = {1} table.insert(t, 5, 'x') return table.getn(t), t[5], t[2]", "5, x, nil"},
      {"local t = {n = 0} table.insert(t, 'a') return t.n, t[1]", "1, a"},
      {"local t = {'a', 'b'} table.insert(t, 2, nil) return table.getn(t), t[1], t[2], t[3]", "3, a, nil, b"},
      {"table.insert(nil, 1)", "error: bad argument #1 to `insert' (table expected, got nil)"},
  });
}

TEST(LuaTableLib, RemoveTakesOutOneElement) {
  ExpectCases({
      {"local t = {1, 2, 3} local v = table.remove(t) return v, table.getn(t), t[3]", "3, 2, nil"},
      {"local t = {1, 2, 3} local v = table.remove(t, 1) return v, table.getn(t), t[1], t[2], t[3]",
       "1, 2, 2, 3, nil"},
      {"local t = {n = 2, 'a', 'b', 'c'} local v = table.remove(t) return v, t.n, t[3]", "b, 1, c"},
      {"return table.remove({})", ""},
  });
}

TEST(LuaTableLib, RemoveOutsideTheRangeLosesNothing) {
  ExpectCases({
      {"local t = {1, 2, 3} local v = table.remove(t, 5) return v, table.getn(t), t[3]", "nil, 3, 3"},
      {"local t = {1, 2, 3} local v = table.remove(t, 0) return v, table.getn(t), t[1], t[3]", "nil, 3, 1, 3"},
      {"local t = {1, 2, 3} local v = table.remove(t, -1) return v, table.getn(t), t[3]", "nil, 3, 3"},
  });
}

TEST(LuaTableLib, Sort) {
  ExpectCases({
      {"local t = {5, 2, 8, 1, 9, 3} table.sort(t) return table.concat(t, ' ')", "1 2 3 5 8 9"},
      {"local t = {5, 2, 8, 1} table.sort(t, function(a, b) return a > b end) return table.concat(t, ' ')",
       "8 5 2 1"},
      {"local t = {'pear', 'apple', 'fig'} table.sort(t) return table.concat(t, ' ')", "apple fig pear"},
      {"local t = {} table.sort(t) local u = {1} table.sort(u) return table.getn(t), u[1]", "0, 1"},
      {"local t = {2, 1} table.sort(t) return t[1], t[2]", "1, 2"},
      {"local t = {3, 1, 2} table.sort(t) return t[1], t[2], t[3]", "1, 2, 3"},
      {"math.randomseed(7) local t = {} for i = 1, 300 do t[i] = math.random(1000) end table.sort(t)\n"
       "for i = 2, 300 do if t[i - 1] > t[i] then return 'unsorted at ' .. i end end return 'sorted'",
       "sorted"},
      {"local t = {} for i = 1, 100 do t[i] = 7 end table.sort(t) return t[1], t[100]", "7, 7"},
      {"local t = {3, 1, 'x'} table.sort(t)", "error: attempt to compare"},
      {"local t = {} for i = 1, 20 do t[i] = i end table.sort(t, function(a, b) return true end)",
       "error: invalid order function for sorting"},
      {"table.sort({}, 1)", "error: bad argument #2 to `sort' (function expected, got number)"},
      {"local t = setmetatable({}, {__lt = function(a, b) return a.v < b.v end})\n"
       "local list = {} for i, v in ipairs({3, 1, 2}) do list[i] = setmetatable({v = v}, getmetatable(t)) end\n"
       "table.sort(list) return list[1].v, list[2].v, list[3].v",
       "1, 2, 3"},
  });
}

TEST(LuaTableLib, Concat) {
  ExpectCases({
      {"return table.concat({1, 2, 'x'}, ', ')", "1, 2, x"},
      {"return table.concat({'a', 'b', 'c', 'd'}, '-', 2, 3)", "b-c"},
      {"return table.concat({}), table.concat({'a'}, 'sep')", ", a"},
      {"return table.concat({'a', 'b'}, '', 3)", ""},
      {"return table.concat({1, {}, 3})", "error: bad argument #1 to `concat' (table contains non-strings)"},
      {"return table.concat({L\"w\"})", "error: table contains non-strings"},
      {"local t = {} for i = 1, 1000 do t[i] = 'ab' end return string.len(table.concat(t, ','))", "2999"},
  });
}

TEST(LuaTableLib, ForeachAndForeachi) {
  ExpectCases({
      {"local s = '' table.foreachi({'a', 'b', 'c'}, function(i, v) s = s .. i .. v end) return s", "1a2b3c"},
      {"return table.foreachi({10, 20, 30}, function(i, v) if v == 20 then return i end end)", "2"},
      {"local n = 0 table.foreach({a = 1, b = 2, 3}, function(k, v) n = n + v end) return n", "6"},
      {"return table.foreach({x = 1}, function(k, v) return k end)", "x"},
      {"table.foreach({}, 1)", "error: bad argument #2 to `foreach' (function expected, got number)"},
  });
}

// Walks over positions a script names: far positions and sizes far past the contents are refused
// at once instead of stepping through billions of empty slots; ordinary walks, a few nils past the
// end, walks below 1 and long walks over real contents still behave as before.
TEST(LuaTableLib, WalksFarPastTheContentsAreRefused) {
  ExpectCases({
      {"table.insert({}, -2147483647, 1)", "error: bad argument #2 to `insert' (position out of range)"},
      {"local t = {} table.setn(t, 2147483646) table.remove(t, 1)", "error: table size out of range"},
      {"table.foreachi({n = 1e9}, function() end)", "error: table size out of range"},
      {"table.sort({n = 1e9}, function() return false end)", "error: table size out of range"},
      {"local t = {n = 5} local k = 0 table.foreachi(t, function(i, v) k = k + 1 end) return k", "5"},
      {"local t = {1, 2} table.insert(t, 0, 'x') return t[0], t[1], t[2], t[3]", "x, nil, 1, 2"},
      {"local t = {} table.insert(t, 2147483647, 'x') return table.getn(t), t[2147483647]", "2147483647, x"},
      {"local t = {} for i = 1, 100000 do t[i] = i end table.insert(t, 1, 0) local v = table.remove(t, 1)\n"
       "return v, t[1], t[100000], table.getn(t)",
       "0, 1, 100000, 100000"},
  });
}
