// Fuzz target for the string library's pattern matcher and formatter: the input picks an operation
// (first byte) and is split into a subject and a pattern or format (at the first zero byte); the
// call must either succeed or raise a script error, never crash. Backtracking is exponential in the
// number of repetition items (as the pattern language is), so inputs are kept where it stays small.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "script/lua/lauxlib.h"
#include "script/lua/lua.h"
#include "script/lua/lualib.h"

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
  const char* call = kCalls[data[0] % (sizeof kCalls / sizeof kCalls[0])];
  const char* rest = reinterpret_cast<const char*>(data + 1);
  size_t restLen = size - 1;
  const void* zero = std::memchr(rest, 0, restLen);
  size_t subjectLen = zero ? static_cast<size_t>(static_cast<const char*>(zero) - rest) : restLen;
  size_t patternStart = zero ? subjectLen + 1 : restLen;
  int repetitions = 0;
  for (size_t i = patternStart; i < restLen; i++)
    if (std::strchr("*+-?", rest[i]) != nullptr && rest[i] != 0) repetitions++;
  if (subjectLen > 64 || repetitions > 3) return 0;

  lua_State* L = lua_open();
  if (L == nullptr) return 0;
  luaopen_stdlibs(L);
  lua_pushlstring(L, rest, subjectLen);
  lua_setglobal(L, "S");
  lua_pushlstring(L, rest + patternStart, restLen - patternStart);
  lua_setglobal(L, "P");
  if (luaL_loadbuffer(L, call, std::strlen(call), "=fuzz") == 0) lua_pcall(L, 0, LUA_MULTRET, 0);
  lua_close(L);
  return 0;
}
