// The real-input player: Xvfb, the game under it, XTest input, screenshots and the pointer's image.
#include "xinput/xplayer.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xfixes.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

namespace fs = std::filesystem;

namespace xinput {

namespace {

// X errors (a window gone while it was looked at) are not the test's business.
int IgnoreXError(Display*, XErrorEvent*) { return 0; }

void EndProcess(pid_t* pid, int graceMs) {
  if (*pid <= 0) return;
  kill(*pid, SIGTERM);
  for (int waited = 0; waited < graceMs; waited += 50) {
    if (waitpid(*pid, nullptr, WNOHANG) == *pid) {
      *pid = -1;
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  kill(*pid, SIGKILL);
  waitpid(*pid, nullptr, 0);
  *pid = -1;
}

fs::path OwnFolder() {
  std::error_code error;
  const fs::path self = fs::read_symlink("/proc/self/exe", error);
  return error ? fs::current_path() : self.parent_path();
}

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

// ---- images ----

uint32_t Image::At(int x, int y) const {
  if (x < 0 || y < 0 || x >= width || y >= height) return 0;
  return pixels[size_t(y) * size_t(width) + size_t(x)];
}

Rect Image::LitBox(int threshold) const {
  Rect box{width, height, 0, 0};
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const uint32_t p = pixels[size_t(y) * size_t(width) + size_t(x)];
      if (int(p >> 16 & 255) > threshold || int(p >> 8 & 255) > threshold || int(p & 255) > threshold) {
        box.left = std::min(box.left, x);
        box.top = std::min(box.top, y);
        box.right = std::max(box.right, x + 1);
        box.bottom = std::max(box.bottom, y + 1);
      }
    }
  if (box.right <= box.left) return Rect{};
  return box;
}

bool Image::SavePpm(const fs::path& path) const {
  std::ofstream out(path, std::ios::binary);
  out << "P6\n" << width << " " << height << "\n255\n";
  for (uint32_t p : pixels) {
    const char rgb[3] = {char(p >> 16 & 255), char(p >> 8 & 255), char(p & 255)};
    out.write(rgb, 3);
  }
  return bool(out);
}

Placement Placement::Fit(const Rect& lit, const Rect& layout) {
  Placement at;
  at.sx = double(lit.Width()) / std::max(layout.Width(), 1);
  at.sy = double(lit.Height()) / std::max(layout.Height(), 1);
  at.left = lit.left - layout.left * at.sx;
  at.top = lit.top - layout.top * at.sy;
  return at;
}

Rgb Sample(const Image& shot, const Placement& at, int layoutX, int layoutY, int radius) {
  long sum[3] = {0, 0, 0};
  long count = 0;
  for (int y = at.Y(layoutY - radius); y <= at.Y(layoutY + radius); ++y)
    for (int x = at.X(layoutX - radius); x <= at.X(layoutX + radius); ++x) {
      const uint32_t p = shot.At(x, y);
      sum[0] += p >> 16 & 255;
      sum[1] += p >> 8 & 255;
      sum[2] += p & 255;
      ++count;
    }
  if (!count) return Rgb{};
  return Rgb{int(sum[0] / count), int(sum[1] / count), int(sum[2] / count)};
}

// ---- the X server and the game ----

XPlayer::XPlayer() {
  char pattern[] = "/tmp/xinput-XXXXXX";
  const char* made = mkdtemp(pattern);
  root_ = made ? fs::path(made) : fs::temp_directory_path() / ("xinput-" + std::to_string(getpid()));
  fs::create_directories(root_ / "data");
  fs::create_directories(root_ / "run");
  fs::permissions(root_ / "run", fs::perms::owner_all, fs::perm_options::replace);
}

XPlayer::~XPlayer() {
  EndProcess(&game_, 5000);
  if (display_) XCloseDisplay(display_);
  EndProcess(&server_, 5000);
  std::error_code ignored;
  fs::remove_all(root_, ignored);
}

bool XPlayer::StartServer(int width, int height, std::string* why) {
  width_ = width;
  height_ = height;
  int fds[2];
  if (pipe(fds) != 0) {
    *why = "no pipe";
    return false;
  }
  const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
  server_ = fork();
  if (server_ == 0) {
    close(fds[0]);
    setpgid(0, 0);
    prctl(PR_SET_PDEATHSIG, SIGKILL);  // gone with the test program, even when it is killed
    const int null = open("/dev/null", O_RDWR);
    dup2(null, 0);
    dup2(null, 1);
    dup2(null, 2);
    const std::string fd = std::to_string(fds[1]);
    execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-nolisten", "tcp", "-br",
           "-noreset", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  // Xvfb writes its display number once it listens.
  std::string number;
  pollfd p{fds[0], POLLIN, 0};
  for (int waited = 0; waited < 60000 && number.find('\n') == std::string::npos; waited += 200) {
    if (poll(&p, 1, 200) > 0) {
      char buffer[32];
      const ssize_t n = read(fds[0], buffer, sizeof buffer);
      if (n <= 0) break;
      number.append(buffer, size_t(n));
    }
  }
  close(fds[0]);
  if (number.find('\n') == std::string::npos) {
    *why = "Xvfb did not start (is the xvfb package installed?)";
    EndProcess(&server_, 1000);
    return false;
  }
  displayName_ = ":" + number.substr(0, number.find('\n'));
  XSetErrorHandler(IgnoreXError);
  display_ = XOpenDisplay(displayName_.c_str());
  int event = 0, error = 0, major = 0, minor = 0;
  if (!display_ || !XTestQueryExtension(display_, &event, &error, &major, &minor) ||
      !XFixesQueryExtension(display_, &event, &error)) {
    *why = "the X server at " + displayName_ + " does not answer with XTest and XFixes";
    return false;
  }
  return true;
}

bool XPlayer::CopyGameBeginningAt(int scene, std::string* why) {
  const fs::path app = root_ / "game";
  std::error_code error;
  fs::create_directories(app, error);
  const fs::path assets = fs::canonical(OwnFolder() / "assets", error);
  if (!error) fs::copy_file(OwnFolder() / "harrowmere", app / "harrowmere", error);
  if (!error) fs::copy(assets, app / "assets", fs::copy_options::recursive, error);
  if (error) {
    *why = "cannot copy the game: " + error.message();
    return false;
  }
  const fs::path text = app / "assets/scripts/game/game.lua";
  std::string game = ReadText(text);
  for (const std::string key : {"startScene = ", "currentScene = "}) {
    const size_t at = game.find(key + "100,");
    if (at == std::string::npos) {
      *why = "the game text names no first scene (" + key + "100)";
      return false;
    }
    game.replace(at, key.size() + 3, key + std::to_string(scene));
  }
  std::ofstream(text, std::ios::binary | std::ios::trunc) << game;
  program_ = app / "harrowmere";
  return true;
}

bool XPlayer::StartGame(const std::vector<std::string>& args) {
  const fs::path program = program_.empty() ? OwnFolder() / "harrowmere" : program_;
  game_ = fork();
  if (game_ == 0) {
    setpgid(0, 0);
    prctl(PR_SET_PDEATHSIG, SIGKILL);  // gone with the test program, even when it is killed
    setenv("DISPLAY", displayName_.c_str(), 1);
    setenv("SDL_VIDEODRIVER", "x11", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    setenv("HOME", root_.c_str(), 1);
    setenv("XDG_DATA_HOME", (root_ / "data").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (root_ / "run").c_str(), 1);
    setenv("XDG_DESKTOP_DIR", (root_ / "desk").c_str(), 1);
    // The player's program is judged by what it shows, not by its leaks at exit.
    const char* asan = std::getenv("ASAN_OPTIONS");
    setenv("ASAN_OPTIONS", (std::string(asan ? asan : "") + ":detect_leaks=0").c_str(), 1);
    const int out = open((root_ / "output.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(out, 1);
    dup2(out, 2);
    if (chdir(root_.c_str()) != 0) _exit(126);
    std::vector<std::string> all{program.string(), "--multiple"};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  return game_ > 0;
}

bool XPlayer::GameRunning() { return game_ > 0 && waitpid(game_, nullptr, WNOHANG) == 0; }

std::string XPlayer::GameLog() const {
  std::string text = ReadText(root_ / "output.txt");
  std::error_code error;
  for (const auto& entry :
       fs::recursive_directory_iterator(root_ / "data", fs::directory_options::skip_permission_denied, error))
    if (entry.path().filename() == "logfile.txt") text += ReadText(entry.path());
  // The end is what matters.
  return text.size() > 4000 ? text.substr(text.size() - 4000) : text;
}

// ---- input ----

void XPlayer::Pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

void XPlayer::Move(int x, int y) {
  XTestFakeMotionEvent(display_, DefaultScreen(display_), x, y, CurrentTime);
  XSync(display_, False);
  Pause(150);
}

void XPlayer::Click(int x, int y, int button) {
  // The pointer rests on the place first, as a hand's does before it presses.
  Move(x, y);
  XTestFakeButtonEvent(display_, unsigned(button), True, CurrentTime);
  XSync(display_, False);
  Pause(60);
  XTestFakeButtonEvent(display_, unsigned(button), False, CurrentTime);
  XSync(display_, False);
  Pause(150);
}

void XPlayer::Press(int button) {
  XTestFakeButtonEvent(display_, unsigned(button), True, CurrentTime);
  XSync(display_, False);
  Pause(100);
}

void XPlayer::Release(int button) {
  XTestFakeButtonEvent(display_, unsigned(button), False, CurrentTime);
  XSync(display_, False);
  Pause(100);
}

void XPlayer::Key(const std::string& keysym, const std::vector<std::string>& held) {
  std::vector<KeyCode> mods;
  for (const std::string& name : held) mods.push_back(XKeysymToKeycode(display_, XStringToKeysym(name.c_str())));
  const KeyCode code = XKeysymToKeycode(display_, XStringToKeysym(keysym.c_str()));
  for (KeyCode m : mods) XTestFakeKeyEvent(display_, m, True, CurrentTime);
  XTestFakeKeyEvent(display_, code, True, CurrentTime);
  XSync(display_, False);
  Pause(40);
  XTestFakeKeyEvent(display_, code, False, CurrentTime);
  for (auto m = mods.rbegin(); m != mods.rend(); ++m) XTestFakeKeyEvent(display_, *m, False, CurrentTime);
  XSync(display_, False);
  Pause(80);
}

void XPlayer::Type(const std::string& letters) {
  for (char c : letters) {
    if (c == ' ') Key("space");
    else if (c >= 'A' && c <= 'Z') Key(std::string(1, char(c - 'A' + 'a')), {"Shift_L"});
    else Key(std::string(1, c));
  }
}

// ---- what the server shows ----

Image XPlayer::Shot() {
  Image image;
  XImage* x = XGetImage(display_, DefaultRootWindow(display_), 0, 0, unsigned(width_), unsigned(height_), AllPlanes,
                        ZPixmap);
  if (!x) return image;
  image.width = width_;
  image.height = height_;
  image.pixels.resize(size_t(width_) * size_t(height_));
  const bool direct = x->bits_per_pixel == 32 && x->red_mask == 0xff0000 && x->green_mask == 0xff00 &&
                      x->blue_mask == 0xff && x->byte_order == LSBFirst;
  for (int y = 0; y < height_; ++y) {
    uint32_t* row = &image.pixels[size_t(y) * size_t(width_)];
    if (direct) {
      std::memcpy(row, x->data + size_t(y) * size_t(x->bytes_per_line), size_t(width_) * 4);
      for (int i = 0; i < width_; ++i) row[i] &= 0xffffff;
    } else {
      for (int i = 0; i < width_; ++i) row[i] = uint32_t(XGetPixel(x, i, y)) & 0xffffff;
    }
  }
  XDestroyImage(x);
  return image;
}

CursorImage XPlayer::Cursor() {
  CursorImage cursor;
  XFixesCursorImage* c = XFixesGetCursorImage(display_);
  if (!c) return cursor;
  cursor.width = c->width;
  cursor.height = c->height;
  cursor.hotX = c->xhot;
  cursor.hotY = c->yhot;
  // The pixels come as longs, one ARGB value each.
  for (size_t i = 0; i < size_t(c->width) * size_t(c->height); ++i) cursor.argb.push_back(uint32_t(c->pixels[i]));
  XFree(c);
  return cursor;
}

bool XPlayer::WaitUntil(const std::function<bool()>& condition, int seconds) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  for (;;) {
    if (condition()) return true;
    if (std::chrono::steady_clock::now() > end || !GameRunning()) return condition();
    Pause(100);
  }
}

bool XPlayer::ClickUntil(Placement at, int layoutX, int layoutY, const std::function<bool()>& condition,
                         int attempts, int secondsEach) {
  for (int i = 0; i < attempts; ++i) {
    ClickAt(at, layoutX, layoutY);
    if (WaitUntil(condition, secondsEach)) return true;
  }
  return false;
}

}  // namespace xinput
