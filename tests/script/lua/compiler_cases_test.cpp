// The one test body behind the compiler's case tables (instantiated in the compiler_*_test files).
#include "compiler_cases.h"

namespace compilertest {

TEST_P(ChunkRuns, GiveExpectedResultsOrError) {
  const ChunkCase& c = GetParam();
  EXPECT_EQ(Outcome(c.source), c.expected) << "source: " << c.source;
}

}  // namespace compilertest
