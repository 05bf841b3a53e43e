// Test helper for the script runtime: opens a state with the standard libraries, runs a chunk
// and reports what it printed, what it returned (as text) and the error message if it failed.
// Setting TM_LUA_GCSTRESS=1 in the environment runs every state in collector stress mode.
#pragma once

#include <string>
#include <vector>

#include "script/lua/lua.h"

namespace luatest {

// A state with base, coroutine, string, table and math opened; closed on destruction.
class State {
 public:
  State();
  ~State();
  State(const State &) = delete;
  State &operator=(const State &) = delete;
  lua_State *get() const { return mL; }

 private:
  lua_State *mL;
};

struct RunResult {
  bool ok = false;                   // compiled and ran without error
  std::string output;                // everything `print' wrote
  std::string error;                 // the error message (compile or run) when !ok
  std::vector<std::string> results;  // returned values rendered by Render
};

// Renders a value: numbers "%.14g", strings as they are, wide strings as L"..." with units
// outside 32..126 as \x{hex}, booleans, "nil", and other types by their type name.
std::string Render(lua_State *L, int idx);

// Compiles and runs `source' (chunk name `name') in `L', collecting the results.
RunResult RunIn(lua_State *L, const std::string &source, const std::string &name = "=test");

// Same in a fresh state.
RunResult Run(const std::string &source, const std::string &name = "=test");

// Results joined with ", " (handy for one-line expectations); the error text when it failed.
std::string Summary(const RunResult &r);

// True when the environment asks for collector stress mode.
bool GcStressRequested();

// One table row: a chunk and what it should give. `expected' is the Summary of its results, or
// "error: " followed by a text the error message must contain.
struct Case {
  const char *source;
  const char *expected;
};

// Runs each case in a fresh state and reports mismatches (with the source) as test failures.
// `prelude' is put in front of every source (helper functions the cases share).
void ExpectCases(const std::vector<Case> &cases, const std::string &prelude = std::string());

// A chunk that must run without error and print exactly `output'.
struct OutputCase {
  const char *source;
  const char *output;
};
void ExpectOutputs(const std::vector<OutputCase> &cases);

}  // namespace luatest
