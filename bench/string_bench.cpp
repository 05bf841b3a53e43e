// Compares TString with std::string on copying, comparing, appending and finding, then prints the
// ratio of their times (above 1: TString is slower). Built with -DTM_BENCH=ON; not run by CI.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

#include "core/string.h"

namespace {

const std::string kText64 = std::string(63, 'k') + "a";
const std::string kOther64 = std::string(63, 'k') + "b";
const std::string kHaystack = [] {
  std::string s;
  while (s.size() < 4000) s += "the quick brown fox jumps over the lazy dog ";
  return s + "needle";
}();

// Adapters so that one benchmark body serves both string types.
int Cmp(const TString& a, const TString& b) { return a.Compare(b); }
int Cmp(const std::string& a, const std::string& b) { return a.compare(b); }
long FindIn(const TString& s, const TString& p) { return s.Find(p); }
long FindIn(const std::string& s, const std::string& p) { return long(s.find(p)); }
void Add(TString& s, const TString& piece) { s.Append(piece); }
void Add(std::string& s, const std::string& piece) { s.append(piece); }

template <typename S>
void Copy(benchmark::State& state) {
  S s(kText64.c_str());
  for (auto _ : state) {
    S c(s);
    benchmark::DoNotOptimize(c);
  }
}

template <typename S>
void Compare(benchmark::State& state) {
  S a(kText64.c_str()), b(kOther64.c_str());
  for (auto _ : state) benchmark::DoNotOptimize(Cmp(a, b));
}

template <typename S>
void Append(benchmark::State& state) {
  S piece("0123456789");
  for (auto _ : state) {
    S s;
    for (int i = 0; i < 100; ++i) Add(s, piece);
    benchmark::DoNotOptimize(s);
  }
}

template <typename S>
void Find(benchmark::State& state) {
  S hay(kHaystack.c_str()), needle("needle");
  for (auto _ : state) benchmark::DoNotOptimize(FindIn(hay, needle));
}

BENCHMARK_TEMPLATE(Copy, TString)->Name("Copy/TString");
BENCHMARK_TEMPLATE(Copy, std::string)->Name("Copy/std::string");
BENCHMARK_TEMPLATE(Compare, TString)->Name("Compare/TString");
BENCHMARK_TEMPLATE(Compare, std::string)->Name("Compare/std::string");
BENCHMARK_TEMPLATE(Append, TString)->Name("Append/TString");
BENCHMARK_TEMPLATE(Append, std::string)->Name("Append/std::string");
BENCHMARK_TEMPLATE(Find, TString)->Name("Find/TString");
BENCHMARK_TEMPLATE(Find, std::string)->Name("Find/std::string");

// Console output as usual, keeping each run's time per operation for the ratio table.
class RatioReporter : public benchmark::ConsoleReporter {
public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs)
      if (r.run_type == Run::RT_Iteration) times[r.benchmark_name()] = r.GetAdjustedRealTime();
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> times;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::printf("\n%-10s %14s %14s %8s\n", "operation", "TString", "std::string", "ratio");
  for (const char* op : {"Copy", "Compare", "Append", "Find"}) {
    auto t = reporter.times.find(std::string(op) + "/TString");
    auto s = reporter.times.find(std::string(op) + "/std::string");
    if (t == reporter.times.end() || s == reporter.times.end() || s->second <= 0) continue;
    std::printf("%-10s %11.1f ns %11.1f ns %8.2f\n", op, t->second, s->second, t->second / s->second);
  }
  benchmark::Shutdown();
  return 0;
}
