// Runs chunks for the script runtime tests and captures what `print' writes.
#include "lua_runner.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <gtest/gtest.h>

#include "script/lua/lauxlib.h"
#include "script/lua/lualib.h"

namespace luatest {

bool GcStressRequested() {
  const char *v = std::getenv("TM_LUA_GCSTRESS");
  return v != nullptr && std::strcmp(v, "1") == 0;
}

State::State() {
  lua_setdefaultgcstress(GcStressRequested() ? 1 : 0);
  mL = lua_open();
  if (mL != nullptr) luaopen_stdlibs(mL);
}

State::~State() {
  if (mL != nullptr) lua_close(mL);
}

std::string Render(lua_State *L, int idx) {
  switch (lua_type(L, idx)) {
    case LUA_TNIL: return "nil";
    case LUA_TBOOLEAN: return lua_toboolean(L, idx) ? "true" : "false";
    case LUA_TNUMBER: {
      char buf[64];
      std::snprintf(buf, sizeof buf, "%.14g", lua_tonumber(L, idx));
      return buf;
    }
    case LUA_TSTRING: return std::string(lua_tostring(L, idx), lua_strlen(L, idx));
    case LUA_TWSTRING: {
      const lua_WChar *w = lua_towstring(L, idx);
      size_t n = lua_strlen(L, idx);
      std::string s = "L\"";
      for (size_t i = 0; i < n; i++) {
        if (w[i] >= 32 && w[i] < 127) {
          s += static_cast<char>(w[i]);
        } else {
          char buf[16];
          std::snprintf(buf, sizeof buf, "\\x{%x}", static_cast<unsigned>(w[i]));
          s += buf;
        }
      }
      return s + "\"";
    }
    default: return lua_typename(L, lua_type(L, idx));
  }
}

static void AppendOutput(const char *s, size_t len, void *ud) {
  static_cast<std::string *>(ud)->append(s, len);
}

RunResult RunIn(lua_State *L, const std::string &source, const std::string &name) {
  RunResult r;
  int base = lua_gettop(L);
  luaB_setprintwriter(AppendOutput, &r.output);
  int status = luaL_loadbuffer(L, source.data(), source.size(), name.c_str());
  if (status == 0) status = lua_pcall(L, 0, LUA_MULTRET, 0);
  luaB_setprintwriter(nullptr, nullptr);
  if (status != 0) {
    r.error = lua_type(L, -1) == LUA_TSTRING ? std::string(lua_tostring(L, -1), lua_strlen(L, -1))
                                             : Render(L, -1);
  } else {
    r.ok = true;
    for (int i = base + 1; i <= lua_gettop(L); i++) r.results.push_back(Render(L, i));
  }
  lua_settop(L, base);
  return r;
}

RunResult Run(const std::string &source, const std::string &name) {
  State s;
  if (s.get() == nullptr) {
    RunResult r;
    r.error = "lua_open failed";
    return r;
  }
  return RunIn(s.get(), source, name);
}

std::string Summary(const RunResult &r) {
  if (!r.ok) return "error: " + r.error;
  std::string s;
  for (size_t i = 0; i < r.results.size(); i++) {
    if (i > 0) s += ", ";
    s += r.results[i];
  }
  return s;
}

void ExpectCases(const std::vector<Case> &cases, const std::string &prelude) {
  for (const Case &c : cases) {
    SCOPED_TRACE(c.source);
    RunResult r = Run(prelude + c.source);
    std::string expected = c.expected;
    if (expected.rfind("error: ", 0) == 0) {
      EXPECT_FALSE(r.ok) << "gave " << Summary(r);
      EXPECT_NE(r.error.find(expected.substr(7)), std::string::npos) << "error was: " << r.error;
    } else {
      EXPECT_EQ(Summary(r), expected);
    }
  }
}

void ExpectOutputs(const std::vector<OutputCase> &cases) {
  for (const OutputCase &c : cases) {
    SCOPED_TRACE(c.source);
    RunResult r = Run(c.source);
    EXPECT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.output, c.output);
  }
}

}  // namespace luatest
