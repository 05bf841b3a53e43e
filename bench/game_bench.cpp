// The real game against a bare SDL + OpenGL program on the same display: time from launch to the
// first presented frame, and, once idle, CPU time per second and per presented frame. Run it under
// an X server, for example
//   xvfb-run -s "-screen 0 1280x1024x24" build/bench/bin/bench_game_bench [seconds]
// It needs xdotool (to type the first player's name) and the game program beside it (or its path in
// GAME_BENCH_PROGRAM). The game runs with a data folder of its own: a first start makes the player,
// then each timed start comes up at the main menu. Presents are counted through the stand-in's
// TM_PRESENT_LOG file (one line per swap with the monotonic clock; frames of one colour, such as the
// black window before the menu, do not count as the first picture); the bare program writes the
// same lines. Output:
//   game start first_frame_s=<median of the game's starts> bare_first_picture_s=<median> difference_s=<G-B>
//   game menu cpu_ms_per_s=<C> presents_per_s=<P> cpu_ms_per_frame=<C/P>
//   game bare cpu_ms_per_s=<C> presents_per_s=<P> cpu_ms_per_frame=<C/P>
//   game ratio cpu_per_s=<game/bare> cpu_per_frame=<game/bare>
// The bare program (bench/bare/bare_picture.cpp, linked with SDL and GL only) shows a still
// 1024 x 768 picture scaled to a full-screen window, redrawn at 60 frames a second as a plain game
// loop does.
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

double Now() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// Present times (seconds, monotonic) written so far into a log; `pictures` leaves out frames of one
// colour (the black window before the first picture).
std::vector<double> Presents(const fs::path& log, bool pictures = false) {
  std::vector<double> out;
  std::ifstream in(log);
  std::string word;
  long long ns = 0;
  while (in >> word >> ns)
    if (!pictures || word == "present") out.push_back(double(ns) / 1e9);
  return out;
}

// CPU seconds a process (all its threads) has used.
double CpuSeconds(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  size_t close = stat.rfind(')');
  if (close == std::string::npos) return 0;
  std::vector<std::string> fields;
  size_t at = close + 2;
  while (at < stat.size()) {
    size_t end = stat.find(' ', at);
    if (end == std::string::npos) end = stat.size();
    fields.push_back(stat.substr(at, end - at));
    at = end + 1;
  }
  if (fields.size() < 13) return 0;
  // utime and stime are the 14th and 15th fields of the whole line.
  return double(std::stoll(fields[11]) + std::stoll(fields[12])) / double(sysconf(_SC_CLK_TCK));
}

struct Run {
  pid_t pid = -1;
  double started = 0;
  fs::path log;
};

Run Start(const std::vector<std::string>& args, const fs::path& home, const fs::path& log) {
  fs::remove(log);
  Run r;
  r.log = log;
  r.started = Now();
  r.pid = fork();
  if (r.pid == 0) {
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (home / "run").c_str(), 1);
    setenv("TM_PRESENT_LOG", log.c_str(), 1);
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  return r;
}

void Stop(Run& r) {
  if (r.pid <= 0) return;
  kill(r.pid, SIGTERM);
  for (int i = 0; i < 50; ++i) {
    if (waitpid(r.pid, nullptr, WNOHANG) == r.pid) {
      r.pid = -1;
      return;
    }
    usleep(100000);
  }
  kill(r.pid, SIGKILL);
  waitpid(r.pid, nullptr, 0);
  r.pid = -1;
}

// Seconds from the start to the first picture presented; negative when none came within `timeout`.
double WaitFirstPresent(const Run& r, double timeout) {
  while (Now() - r.started < timeout) {
    std::vector<double> p = Presents(r.log, true);
    if (!p.empty()) return p.front() - r.started;
    usleep(10000);
  }
  return -1;
}

struct Idle {
  double cpuMsPerSecond = 0, presentsPerSecond = 0;
};

// CPU time and presents over `seconds` from now.
Idle Measure(const Run& r, double seconds) {
  double t0 = Now(), c0 = CpuSeconds(r.pid);
  size_t p0 = Presents(r.log).size();
  usleep(useconds_t(seconds * 1e6));
  double t1 = Now(), c1 = CpuSeconds(r.pid);
  size_t p1 = Presents(r.log).size();
  return {(c1 - c0) * 1000 / (t1 - t0), double(p1 - p0) / (t1 - t0)};
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  double seconds = argc > 1 ? std::atof(argv[1]) : 5.0;
  if (!(seconds > 0)) seconds = 5.0;
  fs::path self = fs::read_symlink("/proc/self/exe");
  fs::path game = std::getenv("GAME_BENCH_PROGRAM") ? fs::path(std::getenv("GAME_BENCH_PROGRAM"))
                                                    : self.parent_path() / "harrowmere";
  if (!fs::exists(game)) {
    std::fprintf(stderr, "game_bench: no game program at %s (build the harrowmere target)\n", game.c_str());
    return 1;
  }
  char pattern[] = "/tmp/game_bench.XXXXXX";
  if (!mkdtemp(pattern)) return 1;
  fs::path root = pattern, home = root / "home", log = root / "presents.txt";
  fs::create_directories(home / "run");
  fs::permissions(home / "run", fs::perms::owner_all);
  const std::vector<std::string> gameArgs = {game.string(), "--multiple"};
  fs::path barePicture = self.parent_path() / "bench_bare_picture";

  // The first start asks for the player's name; after it the game starts at the main menu.
  Run first = Start(gameArgs, home, log);
  if (WaitFirstPresent(first, 30) < 0) {
    std::fprintf(stderr, "game_bench: the game showed nothing\n");
    Stop(first);
    return 1;
  }
  usleep(1500000);
  if (std::system("xdotool type --delay 40 Bench && xdotool key Return") != 0)
    std::fprintf(stderr, "game_bench: xdotool failed; the timed starts may stop at the name prompt\n");
  usleep(2000000);
  Stop(first);

  std::vector<double> gameStarts, bareStarts;
  Idle menu, bare;
  for (int round = 0; round < 3; ++round) {
    Run g = Start(gameArgs, home, log);
    double t = WaitFirstPresent(g, 30);
    if (t >= 0) gameStarts.push_back(t);
    if (round == 0) {
      usleep(4000000);  // the menu fades in, then idles
      menu = Measure(g, seconds);
    }
    Stop(g);
    Run b = Start({barePicture.string()}, home, log);
    t = WaitFirstPresent(b, 30);
    if (t >= 0) bareStarts.push_back(t);
    if (round == 0) {
      usleep(1000000);
      bare = Measure(b, seconds);
    }
    Stop(b);
  }
  fs::remove_all(root);

  auto perFrame = [](const Idle& i) { return i.presentsPerSecond > 0 ? i.cpuMsPerSecond / i.presentsPerSecond : 0.0; };
  double g = Median(gameStarts), b = Median(bareStarts);
  std::printf("game start first_frame_s=%.3f bare_first_picture_s=%.3f difference_s=%.3f\n", g, b, g - b);
  std::printf("game menu cpu_ms_per_s=%.1f presents_per_s=%.1f cpu_ms_per_frame=%.2f\n", menu.cpuMsPerSecond,
              menu.presentsPerSecond, perFrame(menu));
  std::printf("game bare cpu_ms_per_s=%.1f presents_per_s=%.1f cpu_ms_per_frame=%.2f\n", bare.cpuMsPerSecond,
              bare.presentsPerSecond, perFrame(bare));
  std::printf("game ratio cpu_per_s=%.3f cpu_per_frame=%.3f\n",
              bare.cpuMsPerSecond > 0 ? menu.cpuMsPerSecond / bare.cpuMsPerSecond : 0.0,
              perFrame(bare) > 0 ? perFrame(menu) / perFrame(bare) : 0.0);
  return 0;
}
