// Runs a fuzz target's entry point once over every file of a corpus folder (or over files named on the
// command line). This is the regression pass the test run uses; long fuzzing uses the libFuzzer build.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

static int RunFile(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", p.c_str());
    return 1;
  }
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // A copy of exactly the file's size, so a read past the end is caught by the sanitizer.
  std::vector<uint8_t> exact(bytes);
  LLVMFuzzerTestOneInput(exact.empty() ? nullptr : exact.data(), exact.size());
  return 0;
}

int main(int argc, char** argv) {
  int files = 0, failures = 0;
  for (int i = 1; i < argc; ++i) {
    std::filesystem::path arg(argv[i]);
    if (std::filesystem::is_directory(arg)) {
      std::vector<std::filesystem::path> entries;
      for (auto& e : std::filesystem::recursive_directory_iterator(arg))
        if (e.is_regular_file()) entries.push_back(e.path());
      std::sort(entries.begin(), entries.end());
      for (auto& e : entries) { failures += RunFile(e); ++files; }
    } else {
      failures += RunFile(arg);
      ++files;
    }
  }
  std::printf("ran %d corpus files\n", files);
  return (failures || files == 0) ? 1 : 0;
}
