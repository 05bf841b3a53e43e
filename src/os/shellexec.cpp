// ShellExecuteA over posix_spawnp (see shellexec.h).
#include "os/shellexec.h"

#include <spawn.h>
#include <strings.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

#include "os/paths.h"

extern char** environ;

namespace {

std::mutex gLock;
int gRecord = -1;  // -1: decide from the video driver
std::vector<os::ShellCall> gCalls;

bool Headless() {
  const char* driver = std::getenv("SDL_VIDEODRIVER");
  return driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0);
}

HINSTANCE Result(uintptr_t v) { return reinterpret_cast<HINSTANCE>(v); }

std::vector<std::string> SplitBlanks(const std::string& text) {
  std::vector<std::string> out;
  std::string cur;
  bool quoted = false;
  for (char c : text) {
    if (c == '"') {
      quoted = !quoted;
    } else if ((c == ' ' || c == '\t') && !quoted) {
      if (!cur.empty()) out.push_back(cur);
      cur.clear();
    } else {
      cur.push_back(c);
    }
  }
  if (!cur.empty()) out.push_back(cur);
  return out;
}

bool IsBrowserName(const std::string& file) {
  std::string base = file.substr(file.find_last_of("\\/") == std::string::npos ? 0 : file.find_last_of("\\/") + 1);
  return strcasecmp(base.c_str(), "iexplore.exe") == 0 || strcasecmp(base.c_str(), "iexplore") == 0;
}

bool IsLink(const std::string& file) {
  return file.find("://") != std::string::npos || strncasecmp(file.c_str(), "mailto:", 7) == 0;
}

}  // namespace

HINSTANCE ShellExecuteA(HWND, LPCSTR operation, LPCSTR file, LPCSTR parameters, LPCSTR, INT) {
  if (!file || !*file) return Result(2);
  std::string op = operation ? operation : "open";
  std::string target = file, params = parameters ? parameters : "";
  if (!op.empty() && strcasecmp(op.c_str(), "open") != 0) return Result(31);  // SE_ERR_NOASSOC
  std::vector<std::string> argv;
  if (IsLink(target)) {
    argv = {"xdg-open", target};
  } else if (IsBrowserName(target)) {
    std::vector<std::string> p = SplitBlanks(params);
    if (p.empty()) return Result(2);
    argv = {"xdg-open", p.front()};
  } else {
    std::string path = os::ToLinuxPath(target);
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return Result(2);
    if (S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0) {
      argv = {path};
      for (const std::string& a : SplitBlanks(params)) argv.push_back(a);
    } else {
      argv = {"xdg-open", path};  // a document or folder
    }
  }
  {
    std::lock_guard<std::mutex> g(gLock);
    if (gRecord < 0 ? Headless() : gRecord == 1) {
      gCalls.push_back(os::ShellCall{op, target, params, argv});
      return Result(42);
    }
  }
  std::vector<char*> args;
  for (std::string& a : argv) args.push_back(a.data());
  args.push_back(nullptr);
  pid_t pid;
  if (posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0) return Result(2);
  std::thread([pid] {
    int status;
    waitpid(pid, &status, 0);  // no zombie left behind
  }).detach();
  return Result(42);
}

namespace os {

void TestRecordShellExecute(bool on) {
  std::lock_guard<std::mutex> g(gLock);
  gRecord = on ? 1 : 0;
}

std::vector<ShellCall> TestShellCalls() {
  std::lock_guard<std::mutex> g(gLock);
  return gCalls;
}

void TestResetShellCalls() {
  std::lock_guard<std::mutex> g(gLock);
  gCalls.clear();  // a test's choice to record stays until it says otherwise
}

}  // namespace os
