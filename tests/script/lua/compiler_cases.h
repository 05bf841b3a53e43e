// Table-driven cases shared by the compiler tests: a chunk and the exact outcome of compiling and
// running it (its results joined by ", ", or "error: " and the full message).
#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "lua_runner.h"

namespace compilertest {

struct ChunkCase {
  std::string source;
  std::string expected;
};

inline void PrintTo(const ChunkCase& c, std::ostream* os) { *os << c.source.substr(0, 80); }

// The results of running `source' in a fresh state as one line, or "error: <message>".
inline std::string Outcome(const std::string& source, const std::string& name = "=test") {
  return luatest::Summary(luatest::Run(source, name));
}

// Instantiate with INSTANTIATE_TEST_SUITE_P(Group, ChunkRuns, ::testing::Values(ChunkCase{...}, ...)).
class ChunkRuns : public ::testing::TestWithParam<ChunkCase> {};

}  // namespace compilertest
