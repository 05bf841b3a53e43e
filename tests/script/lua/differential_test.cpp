// Differential suite: every program in programs/ is run by our runtime and by the reference
// interpreter lua5.1 (a test-only package), and the printed output must be the same. The
// programs only use behaviour both versions share.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "lua_runner.h"

namespace {

const char *const kReference = "/usr/bin/lua5.1";

std::filesystem::path ProgramsDir() {
  if (const char *src = std::getenv("TM_SOURCE_DIR"))
    return std::filesystem::path(src) / "tests" / "script" / "lua" / "programs";
  return std::filesystem::path(__FILE__).parent_path() / "programs";
}

std::vector<std::string> ProgramNames() {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto &e : std::filesystem::directory_iterator(ProgramsDir(), ec))
    if (e.path().extension() == ".lua") names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::string ReadFile(const std::filesystem::path &p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// Runs the reference interpreter in the programs folder; stdout and stderr together.
std::string RunReference(const std::string &name) {
  std::string cmd = "cd '" + ProgramsDir().string() + "' && " + kReference + " '" + name + "' 2>&1";
  std::string out;
  FILE *p = popen(cmd.c_str(), "r");
  if (p == nullptr) return "<popen failed>";
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  pclose(p);
  return out;
}

class LuaDifferential : public ::testing::TestWithParam<std::string> {};

}  // namespace

TEST(LuaDifferentialSuite, HasPrograms) {
  EXPECT_GE(ProgramNames().size(), 5u) << "programs folder: " << ProgramsDir();
}

TEST_P(LuaDifferential, OutputMatchesTheReferenceInterpreter) {
  const std::string name = GetParam();
  std::string source = ReadFile(ProgramsDir() / name);
  ASSERT_FALSE(source.empty());
  luatest::RunResult ours = luatest::Run(source, "@" + name);
  ASSERT_TRUE(ours.ok) << ours.error << "\noutput so far:\n" << ours.output;
  if (access(kReference, X_OK) != 0)
    GTEST_SKIP() << kReference << " is not installed; only our own run was checked";
  EXPECT_EQ(ours.output, RunReference(name));
}

INSTANTIATE_TEST_SUITE_P(Programs, LuaDifferential, ::testing::ValuesIn(ProgramNames()),
                         [](const ::testing::TestParamInfo<std::string> &info) {
                           std::string n = info.param.substr(0, info.param.size() - 4);
                           std::replace_if(n.begin(), n.end(), [](char c) { return !isalnum((unsigned char)c); }, '_');
                           return n;
                         });
