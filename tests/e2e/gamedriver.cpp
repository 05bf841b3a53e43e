// The end-to-end tests' driver of the real game program.
#include "e2e/gamedriver.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "core/config.h"
#include "core/prefsdb.h"
#include "os/dll.h"
#include "os/paths.h"

namespace fs = std::filesystem;

namespace e2e {

namespace {
void SleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
}  // namespace

int Frame::CountDiffering(int left, int top, int right, int bottom, uint32_t colour, int tolerance) const {
  int count = 0;
  for (int y = std::max(top, 0); y < std::min(bottom, height); ++y)
    for (int x = std::max(left, 0); x < std::min(right, width); ++x) {
      const uint32_t p = At(x, y);
      for (int shift : {0, 8, 16}) {
        const int d = int((p >> shift) & 255) - int((colour >> shift) & 255);
        if (d > tolerance || d < -tolerance) {
          ++count;
          break;
        }
      }
    }
  return count;
}

int Frame::CountColours(int left, int top, int right, int bottom, int limit) const {
  std::vector<uint32_t> seen;
  for (int y = std::max(top, 0); y < std::min(bottom, height); ++y)
    for (int x = std::max(left, 0); x < std::min(right, width); ++x) {
      const uint32_t p = At(x, y);
      if (std::find(seen.begin(), seen.end(), p) == seen.end()) {
        seen.push_back(p);
        if (int(seen.size()) >= limit) return limit;
      }
    }
  return int(seen.size());
}

GameDriver::GameDriver(const fs::path& root)
    : root_(root), app_(root / "game"), control_(root / "control"), runtime_(root / "run") {
  fs::create_directories(app_);
  fs::create_directories(control_);
  fs::create_directories(root_ / "data");
  fs::create_directories(root_ / "run");
  fs::permissions(root_ / "run", fs::perms::owner_all, fs::perm_options::replace);
  const fs::path bin = os::ExecutableFolder();
  // The program reads its folder from where it really lives, so it is copied, not linked; the
  // assets come from the source tree as they are committed.
  fs::copy_file(bin / "harrowmere", app_ / "harrowmere");
  fs::copy_file(bin / "../testplugins/libe2eagent.so", app_ / "vxHarness.dll");  // built apart from the game
  const char* source = std::getenv("TM_SOURCE_DIR");
  fs::copy(fs::path(source ? source : "") / "assets", app_ / "assets", fs::copy_options::recursive);
}

GameDriver::~GameDriver() {
  Kill();
  std::error_code ignored;
  fs::remove_all(root_, ignored);
}

fs::path GameDriver::DataFolder() const {
  return root_ / "data" / "The Harrowmere Demo" / "The Harrowmere Demo";
}

bool GameDriver::Start(const std::vector<std::string>& args, bool single) {
  next_ = 1;
  exitCode_ = -1;
  std::error_code ignored;
  for (const auto& entry : fs::directory_iterator(control_)) fs::remove(entry.path(), ignored);
  pid_ = fork();
  if (pid_ == 0) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);  // a test killed by its time-out takes its game with it
    setenv("XDG_DATA_HOME", (root_ / "data").c_str(), 1);
    setenv("XDG_DESKTOP_DIR", (root_ / "desk").c_str(), 1);
    setenv("TM_E2E_DIR", control_.c_str(), 1);
    setenv("XDG_RUNTIME_DIR", RuntimeFolder().c_str(), 1);
    std::string exe = (app_ / "harrowmere").string();
    std::vector<std::string> copies = args;
    if (!single) copies.insert(copies.begin(), "--multiple");
    std::vector<char*> argv{exe.data()};
    for (std::string& a : copies) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (chdir(root_.c_str()) != 0) _exit(126);
    execv(exe.c_str(), argv.data());
    _exit(127);
  }
  // The agent answers once the program pumps its messages.
  return Send("modals", 120000) != "";
}

std::string GameDriver::Send(const std::string& command, int timeoutMs) {
  if (pid_ <= 0) return "";  // nothing runs that could answer
  const int n = next_++;
  const fs::path cmd = control_ / ("cmd." + std::to_string(n));
  {
    std::ofstream out(control_ / "cmd.tmp");
    out << command << "\n";
  }
  fs::rename(control_ / "cmd.tmp", cmd);
  const fs::path done = control_ / ("done." + std::to_string(n));
  for (int waited = 0; waited <= timeoutMs; waited += 10) {
    std::ifstream in(done);
    if (in) {
      std::string line;
      std::getline(in, line);
      return line;
    }
    int status = 0;
    if (pid_ > 0 && waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      return "";
    }
    SleepMs(10);
  }
  return "";
}

bool GameDriver::WaitFor(const std::string& query, const std::string& expected, int timeoutMs) {
  for (int waited = 0; waited <= timeoutMs; waited += 50) {
    if (Send(query) == expected) return true;
    SleepMs(50);
  }
  return false;
}

void GameDriver::Settle(int turns) {
  for (int i = 0; i < turns; ++i) Send("modals");
}

bool GameDriver::ClickWindow(const std::string& name) {
  // The program's window is active and the pointer first rests on the window, so the press is
  // neither an activating click nor taken for a drag from elsewhere.
  int r[4];
  if (!Rect(name, r)) return false;
  Send("activate");
  Settle(3);
  Send("move " + std::to_string((r[0] + r[2]) / 2) + " " + std::to_string((r[1] + r[3]) / 2));
  Settle(3);
  const bool ok = Send("clickwin " + name) == "ok";
  Settle(5);
  return ok;
}

bool GameDriver::ClickUntil(const std::string& name, const std::string& query, const std::string& expected) {
  for (int attempt = 0; attempt < 4; ++attempt) {
    if (!ClickWindow(name)) return WaitFor(query, expected, 5000);
    if (WaitFor(query, expected, 8000)) return true;
  }
  return false;
}

Frame GameDriver::Shot() {
  Frame frame;
  const fs::path path = root_ / "shot.ppm";
  const std::string answer = Send("shot " + path.string(), 120000);
  if (answer != "ok") {
    ADD_FAILURE() << "the program gave no frame (" << (answer.empty() ? "no answer" : answer) << ")";
    return frame;
  }
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  int maxValue = 0;
  in >> magic >> frame.width >> frame.height >> maxValue;
  in.get();
  frame.pixels.resize(size_t(frame.width) * size_t(frame.height));
  for (uint32_t& p : frame.pixels) {
    unsigned char rgb[3] = {};
    in.read(reinterpret_cast<char*>(rgb), 3);
    p = uint32_t(rgb[0]) << 16 | uint32_t(rgb[1]) << 8 | rgb[2];
  }
  return frame;
}

bool GameDriver::Rect(const std::string& name, int rect[4]) {
  std::istringstream in(Send("rect " + name));
  return bool(in >> rect[0] >> rect[1] >> rect[2] >> rect[3]);
}

int GameDriver::WaitForExit(int timeoutMs) {
  if (pid_ <= 0) return exitCode_;
  for (int waited = 0; waited <= timeoutMs; waited += 20) {
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      return exitCode_;
    }
    SleepMs(20);
  }
  return -1;
}

void GameDriver::Kill() {
  if (pid_ <= 0) return;
  kill(pid_, SIGKILL);
  waitpid(pid_, nullptr, 0);
  pid_ = -1;
}

std::string GameDriver::ReadLog() const {
  std::ifstream in(LogFile(), std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

struct Prefs::Impl {
  std::unique_ptr<TPrefsDB> db;
};

Prefs::Prefs(const fs::path& dataFolder, const fs::path& appFolder) : impl_(new Impl) {
  // The game's data key, which the program fixes before it starts, and its installation key: the
  // program's folder as the program sees it (the real path, with a closing separator).
  SetConfig("encryptionkey", "vqlzkrtwMNPQ");
  std::error_code error;
  fs::path real = fs::canonical(appFolder, error);
  if (error) real = appFolder;
  SetConfig("installkey", (os::ToWindowsPath(real.string()) + "\\").c_str());
  impl_->db = std::make_unique<TPrefsDB>(false, os::ToWindowsPath((dataFolder / "prefsdb.dat").string()).c_str());
}

// The driver keeps the data folder at root/data/<game>/<game> and the program at root/game.
Prefs::Prefs(const fs::path& dataFolder)
    : Prefs(dataFolder, dataFolder.parent_path().parent_path().parent_path() / "game") {}

Prefs::~Prefs() { delete impl_; }

int Prefs::GetInt(const std::string& key, int defaultValue, int user) {
  return impl_->db->GetInt(key.c_str(), defaultValue, user);
}

std::string Prefs::GetString(const std::string& key, int user) {
  return impl_->db->GetString(key.c_str(), "", user).CStr();
}

int Prefs::UserCount() { return impl_->db->GetUserCount(); }

}  // namespace e2e
