// Fuzz target for the string library's pattern matcher, formatter and string builders: the input
// picks an operation (first byte) and is split into a subject and a pattern or format (at the
// first zero byte); the call must either succeed or raise a script error, never crash. Patterns
// may backtrack as much as they like: the matcher's step limit ends them. First bytes 0xE0-0xEF
// pick the builder operations (long replacements, separators and counts), 0xF0-0xFF the ones
// that build while they go (replacement functions, quoted formats, escapes, case maps and
// concatenation); the others keep the operations the older corpus files were found with.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "lua_fuzz_state.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  static const char* const kCalls[] = {
      "return string.find(S, P)",
      "return string.find(S, P, 2, true)",
      "return string.gsub(S, P, '<%1>')",
      "return string.gsub(S, P, function(a, b) return b or a end, 20)",
      "local n = 0 for a in string.gfind(S, P) do n = n + 1 if n > 1000 then break end end return n",
      "return string.format(P, S, 1, 2.5, S)",
      "return string.rep(S, string.len(P))",
  };
  static const char* const kBuilders[] = {
      "return string.gsub(S, '.', P)",
      "return string.gsub(string.rep(S, 64), '(.)(.?)', string.rep(P, 64))",
      "local t = {} for i = 1, 3 * string.len(P) do t[i] = S end return table.concat(t, string.rep(P, 1000))",
      "local t = {} for i = 1, string.len(S) do t[i] = string.byte(S, i) end return table.concat(t, P, 2)",
      "return string.rep(S, (string.byte(P, 1) or 0) * 16777216 + string.len(P))",
      "return string.gsub(S, P, function(a) return string.rep(a, 10000) end)",
      "return string.find(string.rep(S, 16), P)",
      "return string.format(string.rep(P, 8), S, S, S, S, S, S, S, S)",
  };
  static const char* const kGrowing[] = {
      "return string.gsub(string.rep(S, 64), P, function(a, b) return string.format('%q', a) .. (b or '') end)",
      "return string.gsub(S, P, function(a) return string.rep(P, 100000) end)",
      "local w = towstring(string.rep(S, 64)) return string.format('%Q|%q|' .. P, w, string.rep(S, 64), S)",
      "return string.lualex(string.rep(S, 64), string.len(P)), string.lualex(P, 0)",
      "local s = string.rep(S, string.len(P) * 256) return string.upper(s .. P .. s), string.lower(P .. s)",
      ("local s = string.rep(S, (string.byte(P, 1) or 0) * 65536) local w = towstring(S) "
       "return string.len(s .. s .. s .. s .. P), tostring(w .. w .. P)"),
  };
  const char* call;
  if (data[0] >= 0xF0)
    call = kGrowing[(data[0] - 0xF0) % (sizeof kGrowing / sizeof kGrowing[0])];
  else if (data[0] >= 0xE0)
    call = kBuilders[(data[0] - 0xE0) % (sizeof kBuilders / sizeof kBuilders[0])];
  else
    call = kCalls[data[0] % (sizeof kCalls / sizeof kCalls[0])];
  const char* rest = reinterpret_cast<const char*>(data + 1);
  size_t restLen = size - 1;
  const void* zero = std::memchr(rest, 0, restLen);
  size_t subjectLen = zero ? static_cast<size_t>(static_cast<const char*>(zero) - rest) : restLen;
  size_t patternStart = zero ? subjectLen + 1 : restLen;
  if (subjectLen > 4096) return 0;

  // the budget keeps results that fit the string limit from filling the fuzzer's memory
  luatest::Budget budget;
  budget.limit = 256u << 20;
  lua_State* L = luafuzz::OpenState(budget);
  if (L == nullptr) return 0;
  lua_pushlstring(L, rest, subjectLen);
  lua_setglobal(L, "S");
  lua_pushlstring(L, rest + patternStart, restLen - patternStart);
  lua_setglobal(L, "P");
  if (luaL_loadbuffer(L, call, std::strlen(call), "=fuzz") == 0) lua_pcall(L, 0, LUA_MULTRET, 0);
  luafuzz::CloseState(L);
  return 0;
}
