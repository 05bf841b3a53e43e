// Benchmark of the file layer: mounting a pack of 10,000 entries, and reading 1,000 small assets
// through the asset index from a pack and from loose files, against plain fopen/fread of the same
// loose files. Prints times and the ratios to plain stdio. Not run by CI.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/assetindex.h"
#include "core/file.h"
#include "core/packfile.h"

namespace {
using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

template <class F>
double Best(int rounds, F&& f) {
  double best = 1e30;
  for (int i = 0; i < rounds; ++i) {
    auto t0 = Clock::now();
    f();
    best = std::min(best, Seconds(t0, Clock::now()));
  }
  return best;
}

std::string Content(int i) { return std::string(200 + i % 300, static_cast<char>('a' + i % 26)); }
}  // namespace

int main() {
  constexpr int kPackEntries = 10000;
  constexpr int kReads = 1000;
  constexpr int kRounds = 15;
  namespace fs = std::filesystem;
  char pattern[] = "/tmp/tm_files_bench_XXXXXX";
  if (!mkdtemp(pattern)) return 1;
  fs::path root = pattern;
  fs::create_directories(root / "assets/loose");
  fs::current_path(root);

  std::vector<std::pair<std::string, std::string>> entries;
  for (int i = 0; i < kPackEntries; ++i) {
    char name[64];
    std::snprintf(name, sizeof name, "packed/entry%05d.dat", i);
    entries.emplace_back(name, Content(i));
  }
  std::vector<uint8_t> image = BuildPackImage(entries);
  std::ofstream(root / "assets/big.vxp", std::ios::binary)
      .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
  std::vector<std::string> looseNames, loosePaths;
  for (int i = 0; i < kReads; ++i) {
    char name[64];
    std::snprintf(name, sizeof name, "loose/file%04d.dat", i);
    looseNames.push_back(name);
    loosePaths.push_back((root / "assets" / name).string());
    std::ofstream(loosePaths.back(), std::ios::binary) << Content(i);
  }

  double mount = Best(kRounds, [&] {
    filetest::ResetFileSystem();
    ReadPackIndex(GetAssetIndex(), "::assets/big.vxp");
  });
  filetest::ResetFileSystem();
  InitFileSystem();

  std::vector<char> buf(4096);
  size_t checksum = 0;
  auto readVirtual = [&](const std::vector<std::string>& names) {
    for (auto& n : names) {
      TFile* f = FileOpen(n.c_str(), kFileReadBinary);
      if (!f) std::abort();
      checksum += static_cast<size_t>(f->Read(buf.data(), static_cast<long>(buf.size())));
      FileClose(f);
    }
  };
  std::vector<std::string> packedNames;
  for (int i = 0; i < kReads; ++i) packedNames.push_back(entries[static_cast<size_t>(i * (kPackEntries / kReads))].first);
  double fromPack = Best(kRounds, [&] { readVirtual(packedNames); });
  double fromLoose = Best(kRounds, [&] { readVirtual(looseNames); });
  double plain = Best(kRounds, [&] {
    for (auto& p : loosePaths) {
      FILE* f = std::fopen(p.c_str(), "rb");
      if (!f) std::abort();
      checksum += std::fread(buf.data(), 1, buf.size(), f);
      std::fclose(f);
    }
  });

  std::printf("mount a pack of %d entries: %8.2f ms\n", kPackEntries, mount * 1e3);
  std::printf("read %d assets (best of %d rounds):\n", kReads, kRounds);
  std::printf("  plain fopen/fread    %8.2f ms  (1.00x)\n", plain * 1e3);
  std::printf("  index -> pack entry  %8.2f ms  (%.2fx of plain)\n", fromPack * 1e3, fromPack / plain);
  std::printf("  index -> loose file  %8.2f ms  (%.2fx of plain)\n", fromLoose * 1e3, fromLoose / plain);
  std::printf("(checksum %zu)\n", checksum);

  filetest::ResetFileSystem();
  fs::current_path("/");
  std::error_code ec;
  fs::remove_all(root, ec);
  return 0;
}
