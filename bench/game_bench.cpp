// The real game against a bare SDL + OpenGL program on the same display: time from launch to the
// first presented frame, and, once idle, CPU time per second and per presented frame in the main
// menu and in the village. Run it under an X server, for example
//   xvfb-run -s "-screen 0 1280x1024x24" build/bench/bin/bench_game_bench [seconds]
// It needs xdotool (to type the first player's name and to click) and the game program beside it
// (or its path in GAME_BENCH_PROGRAM). The game runs with a data folder of its own: a first start
// makes the player, then each timed start comes up at the main menu. From the menu of the first
// timed start the bench clicks Play and through the story's first lines to the village (the game
// fills the screen: the 1024x768 layout is scaled to it and centred), closes the briefing and
// measures the village standing still; then, once the hint has filled (a minute after the village
// began), it presses the hint and counts the presents while the hint's sparkle circles. Built with
// Xlib it reads the screen to see that the village was reached.
// Presents are counted through the stand-in's TM_PRESENT_LOG file (one line per swap with the
// monotonic clock; frames of one colour, such as the black window before the menu, do not count as
// the first picture); the bare program writes the same lines. Output:
//   game start first_frame_s=<median of the game's starts> bare_first_picture_s=<median> difference_s=<G-B>
//   game menu cpu_ms_per_s=<C> presents_per_s=<P> cpu_ms_per_frame=<C/P>
//   game village cpu_ms_per_s=<C> presents_per_s=<P> cpu_ms_per_frame=<C/P>
//   game hint presents_per_s=<P while the sparkle circles> frames=<presents in that run>
//   game bare cpu_ms_per_s=<C> presents_per_s=<P> cpu_ms_per_frame=<C/P>
//   game ratio cpu_per_s=<menu/bare> village_cpu_per_s=<village/bare>
// A still screen is not presented again, so the menu's and the village's presents are near 0 and
// their CPU per frame is left at 0. The bare program (bench/bare/bare_picture.cpp, linked with SDL
// and GL only) shows a still 1024 x 768 picture scaled to a full-screen window, redrawn at 60
// frames a second as a plain game loop does.
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

#ifdef TM_BENCH_X11
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#endif

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

// Where the game's 1024x768 layout lies on the screen it fills.
struct Placement {
  double left = 0, top = 0, scale = 1;
  int X(double x) const { return int(left + (x + 0.5) * scale); }
  int Y(double y) const { return int(top + (y + 0.5) * scale); }
};

Placement LayoutOnScreen() {
  int w = 1024, h = 768;
  if (FILE* p = popen("xdotool getdisplaygeometry", "r")) {
    if (std::fscanf(p, "%d %d", &w, &h) != 2) w = 1024, h = 768;
    pclose(p);
  }
  Placement at;
  at.scale = std::min(w / 1024.0, h / 768.0);
  at.left = (w - 1024 * at.scale) / 2;
  at.top = (h - 768 * at.scale) / 2;
  return at;
}

void Click(const Placement& at, int x, int y) {
  std::string command = "xdotool mousemove " + std::to_string(at.X(x)) + " " + std::to_string(at.Y(y)) + " click 1";
  if (std::system(command.c_str()) != 0) std::fprintf(stderr, "game_bench: xdotool failed\n");
}

// The pointer goes to the layout's top-right corner, over the sky, where nothing answers to it.
void PointerAway(const Placement& at) {
  std::string command = "xdotool mousemove " + std::to_string(at.X(1020)) + " " + std::to_string(at.Y(4));
  if (std::system(command.c_str()) != 0) std::fprintf(stderr, "game_bench: xdotool failed\n");
}

struct Rgb {
  int r = 0, g = 0, b = 0;
};

#ifdef TM_BENCH_X11
// The average colour of a small square of the layout as shown.
bool Sample(const Placement& at, int x, int y, Rgb* out) {
  Display* d = XOpenDisplay(nullptr);
  if (!d) return false;
  const int r = std::max(1, int(3 * at.scale));
  XImage* image = XGetImage(d, DefaultRootWindow(d), at.X(x) - r, at.Y(y) - r, unsigned(2 * r + 1),
                            unsigned(2 * r + 1), AllPlanes, ZPixmap);
  bool ok = image != nullptr;
  if (ok) {
    long n = 0, sr = 0, sg = 0, sb = 0;
    for (int j = 0; j <= 2 * r; ++j)
      for (int i = 0; i <= 2 * r; ++i) {
        unsigned long p = XGetPixel(image, i, j);
        sr += long(p >> 16 & 255), sg += long(p >> 8 & 255), sb += long(p & 255), ++n;
      }
    *out = {int(sr / n), int(sg / n), int(sb / n)};
    XDestroyImage(image);
  }
  XCloseDisplay(d);
  return ok;
}
constexpr bool kCanSee = true;
#else
bool Sample(const Placement&, int, int, Rgb*) { return false; }
constexpr bool kCanSee = false;
#endif

bool Wood(Rgb c) { return c.r > 70 && c.r < 180 && c.r > c.g && c.g > c.b; }  // a button
bool Panel(Rgb c) { return c.r < 75 && c.g < 55 && c.r > c.b; }               // a dialog's dark wood
bool Green(Rgb c) { return c.g > c.r + 20 && c.g > c.b + 10; }                // the village's tree
bool Sky(Rgb c) { return c.b > c.r + 25; }                                    // the village's sky

// The briefing's OK on its panel, with the village's tree beside it (the chapter card and the
// story's pages have none).
bool BriefingShown(const Placement& at) {
  Rgb button, panel, tree;
  return Sample(at, 512, 467, &button) && Sample(at, 512, 410, &panel) && Sample(at, 100, 300, &tree) &&
         Wood(button) && Panel(panel) && Green(tree);
}

bool VillageShown(const Placement& at) {
  Rgb tree, sky;
  return Sample(at, 100, 300, &tree) && Sample(at, 900, 20, &sky) && Green(tree) && Sky(sky);
}

// From the idle main menu: Play, the chapter card and the story's lines clicked through until the
// briefing stands over the village, then its OK. False when the screen shows no village after it
// (without Xlib the clicks are timed and the answer is true).
bool ReachVillage(const Placement& at) {
  Click(at, 512, 223);  // Play
  usleep(3000000);
  for (int i = 0; i < 40; ++i) {
    Click(at, 512, 400);
    usleep(1200000);
    if (kCanSee ? BriefingShown(at) : i >= 14) break;
  }
  Click(at, 512, 467);  // the briefing's OK
  usleep(1500000);
  PointerAway(at);
  return !kCanSee || VillageShown(at);
}

// The run of presents that began after `since` (one ends at a pause of a fifth of a second), once
// `seconds` have passed: how many, and how many a second.
struct Burst {
  int frames = 0;
  double perSecond = 0;
};
Burst PresentBurst(const Run& r, double since, double seconds) {
  usleep(useconds_t(seconds * 1e6));
  std::vector<double> p = Presents(r.log);
  auto first = std::find_if(p.begin(), p.end(), [&](double t) { return t > since; });
  Burst b;
  if (first == p.end()) return b;
  auto last = first;
  while (last + 1 != p.end() && *(last + 1) - *last < 0.2) ++last;
  b.frames = int(last - first) + 1;
  if (last > first) b.perSecond = double(b.frames - 1) / (*last - *first);
  return b;
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
  Idle menu, village, bare;
  bool inVillage = false;
  Burst hint;
  for (int round = 0; round < 3; ++round) {
    Run g = Start(gameArgs, home, log);
    double t = WaitFirstPresent(g, 30);
    if (t >= 0) gameStarts.push_back(t);
    if (round == 0) {
      usleep(4000000);  // the menu fades in, then idles
      menu = Measure(g, seconds);
      const Placement at = LayoutOnScreen();
      inVillage = ReachVillage(at);
      const double villageFrom = Now();
      if (!inVillage) std::fprintf(stderr, "game_bench: the village did not show; its figures are left at 0\n");
      if (inVillage) {
        usleep(2000000);  // the briefing fades out
        village = Measure(g, seconds);
        // The hint fills a minute after the village began.
        const double wait = villageFrom + 65 - Now();
        if (wait > 0) usleep(useconds_t(wait * 1e6));
        const double pressed = Now();
        Click(at, 978, 660);
        PointerAway(at);
        hint = PresentBurst(g, pressed + 0.1, 4.0);
      }
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

  auto perFrame = [](const Idle& i) { return i.presentsPerSecond >= 1 ? i.cpuMsPerSecond / i.presentsPerSecond : 0.0; };
  auto ratio = [](double a, double b) { return b > 0 ? a / b : 0.0; };
  double g = Median(gameStarts), b = Median(bareStarts);
  std::printf("game start first_frame_s=%.3f bare_first_picture_s=%.3f difference_s=%.3f\n", g, b, g - b);
  for (const auto& [name, idle] : {std::pair<const char*, Idle>{"menu", menu}, {"village", village}, {"bare", bare}})
    std::printf("game %s cpu_ms_per_s=%.1f presents_per_s=%.1f cpu_ms_per_frame=%.2f\n", name, idle.cpuMsPerSecond,
                idle.presentsPerSecond, perFrame(idle));
  std::printf("game hint presents_per_s=%.1f frames=%d\n", hint.perSecond, hint.frames);
  std::printf("game ratio cpu_per_s=%.3f village_cpu_per_s=%.3f\n", ratio(menu.cpuMsPerSecond, bare.cpuMsPerSecond),
              ratio(village.cpuMsPerSecond, bare.cpuMsPerSecond));
  return 0;
}
