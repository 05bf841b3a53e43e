// A Lua source that the build compiled into this program (tm_embed_lua) loads as a binary chunk
// and runs like its source.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "lua_runner.h"

extern const unsigned char luachunk_embedded_sample[];
extern const std::size_t luachunk_embedded_sample_size;

namespace {

TEST(EmbeddedChunk, LoadsAndRunsLikeItsSource) {
  std::string chunk(reinterpret_cast<const char *>(luachunk_embedded_sample), luachunk_embedded_sample_size);
  ASSERT_GT(chunk.size(), 22u);
  EXPECT_EQ(chunk.substr(0, 4), "\033Lua");
  luatest::RunResult r = luatest::Run(chunk, "=embedded");
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(luatest::Summary(r), "L\"h\\x{e9}llo\", 13, 2, narrow, nil, 2.5");

  std::filesystem::path data = std::getenv("TM_TEST_DATA")
                                   ? std::filesystem::path(std::getenv("TM_TEST_DATA"))
                                   : std::filesystem::path(__FILE__).parent_path() / ".." / ".." / "data";
  std::ifstream in(data / "lua_embed" / "embedded_sample.lua", std::ios::binary);
  ASSERT_TRUE(in.good());
  std::stringstream source;
  source << in.rdbuf();
  EXPECT_EQ(luatest::Summary(luatest::Run(source.str())), luatest::Summary(r));
}

}  // namespace
