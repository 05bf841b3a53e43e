// Preference database throughput: 10,000 writes of 1 KiB values with a commit every 100 writes,
// then 10,000 reads of them; prints the time per operation and the size of the file.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "core/config.h"
#include "core/prefsdb.h"

namespace {
using Clock = std::chrono::steady_clock;

double MicrosPerOp(Clock::duration d, int ops) {
  return std::chrono::duration<double, std::micro>(d).count() / ops;
}
}  // namespace

int main() {
  namespace fs = std::filesystem;
  constexpr int kOps = 10000;
  constexpr int kCommitEvery = 100;
  const fs::path folder = fs::temp_directory_path() / ("tm_prefs_bench_" + std::to_string(
                                                           Clock::now().time_since_epoch().count()));
  fs::create_directories(folder);
  const std::string path = (folder / "prefsdb.dat").string();
  SetConfig("encryptionkey", "BenchK3yText");

  std::string value(1024, 'v');
  long checksum = 0;
  Clock::duration writeTime{}, readTime{};
  {
    TPrefsDB db(true, path.c_str());
    const auto w0 = Clock::now();
    for (int i = 0; i < kOps; ++i) {
      value[i % 1024] = char('a' + i % 26);
      db.SetString(TString::Format("key%d", i), value.c_str(), i % 4 - 1, (i + 1) % kCommitEvery == 0);
    }
    writeTime = Clock::now() - w0;
    const auto r0 = Clock::now();
    for (int i = 0; i < kOps; ++i) checksum += db.GetString(TString::Format("key%d", i), "", i % 4 - 1).Length();
    readTime = Clock::now() - r0;
  }
  std::error_code ec;
  const auto size = fs::file_size(path, ec);
  std::printf("SetString (1 KiB, commit every %d): %8.2f us/op\n", kCommitEvery, MicrosPerOp(writeTime, kOps));
  std::printf("GetString (1 KiB):                  %8.2f us/op\n", MicrosPerOp(readTime, kOps));
  std::printf("file size: %llu bytes for %d values (%.2f bytes per value byte)\n",
              static_cast<unsigned long long>(size), kOps, double(size) / (double(kOps) * 1024.0));
  if (checksum != long(kOps) * 1024) std::printf("read back %ld bytes, expected %ld\n", checksum, long(kOps) * 1024);
  fs::remove_all(folder, ec);
  return checksum == long(kOps) * 1024 ? 0 : 1;
}
