// The named single-instance mutex across two real processes: the second copy sees error 183, finds
// the first copy's window and brings it to the front.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "os/dll.h"
#include "os/thread.h"

namespace {

struct Child {
  pid_t pid = -1;
  int out = -1;
};

Child Spawn(const std::vector<std::string>& args) {
  int fds[2];
  if (pipe(fds) != 0) return {};
  pid_t pid = fork();
  if (pid == 0) {
    dup2(fds[1], 1);
    close(fds[0]);
    close(fds[1]);
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(fds[1]);
  return Child{pid, fds[0]};
}

std::string ReadLine(int fd, int timeoutMs) {
  std::string line;
  char c;
  while (true) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, timeoutMs) <= 0) break;
    if (read(fd, &c, 1) != 1 || c == '\n') break;
    line.push_back(c);
  }
  return line;
}

int Wait(pid_t pid) {
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace

TEST(SingleInstance, ASecondProcessSeesTheMutexAndRaisesTheFirstWindow) {
  std::string helper = os::ExecutableFolder() + "oswin_instance_helper";
  std::string tag = std::to_string(getpid());
  std::string mutexName = "zoswintest" + tag + "harrowmere_MUTEX";
  std::string className = "zoswintest" + tag + "harrowmere_WNDCLASS";

  Child first = Spawn({helper, "first", mutexName, className});
  ASSERT_GT(first.pid, 0);
  ASSERT_EQ(ReadLine(first.out, 20000), "ready");

  // This process sees the name taken too, and is not given ownership.
  HANDLE here = CreateMutexA(nullptr, TRUE, mutexName.c_str());
  EXPECT_NE(here, nullptr);
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  CloseHandle(here);

  Child second = Spawn({helper, "second", mutexName, className});
  EXPECT_EQ(Wait(second.pid), 0) << "3: no error 183, 4: window not found, 5: not raised";
  close(second.out);

  EXPECT_EQ(ReadLine(first.out, 20000), "raised");
  EXPECT_EQ(Wait(first.pid), 0);
  close(first.out);

  // The first copy is gone, and with it the lock: a new copy is the first again.
  Child again = Spawn({helper, "second", mutexName, className});
  EXPECT_EQ(Wait(again.pid), 3);
  close(again.out);
}

TEST(SingleInstance, DifferentNamesDoNotCollide) {
  std::string tag = std::to_string(getpid());
  HANDLE a = CreateMutexA(nullptr, TRUE, ("zoswin" + tag + "folderone_MUTEX").c_str());
  EXPECT_EQ(GetLastError(), 0u);
  HANDLE b = CreateMutexA(nullptr, TRUE, ("zoswin" + tag + "foldertwo_MUTEX").c_str());
  EXPECT_EQ(GetLastError(), 0u);
  CloseHandle(a);
  CloseHandle(b);
}

TEST(SingleInstance, AProcessMayEndWithItsWindowStillOpen) {
  std::string helper = os::ExecutableFolder() + "oswin_instance_helper";
  std::string tag = std::to_string(getpid());
  Child open = Spawn({helper, "open", "zoswinopen" + tag + "_MUTEX", "zoswinopen" + tag + "_WNDCLASS"});
  EXPECT_EQ(Wait(open.pid), 0);
  close(open.out);
}

// Killed copies cannot remove their lock files; the next copy that makes a named mutex clears every
// file no process holds, and leaves those of running copies alone.
TEST(SingleInstance, LockFilesOfKilledProcessesAreClearedByTheNextOne) {
  namespace fs = std::filesystem;
  const fs::path folder = fs::temp_directory_path() / ("tm_locks_" + std::to_string(getpid()));
  fs::create_directories(folder);
  const char* oldRuntime = std::getenv("XDG_RUNTIME_DIR");
  const std::string savedRuntime = oldRuntime ? oldRuntime : "";
  setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
  auto lockFiles = [&] {
    int n = 0;
    for (const auto& entry : fs::directory_iterator(folder)) n += entry.path().extension() == ".lock";
    return n;
  };
  const std::string helper = os::ExecutableFolder() + "oswin_instance_helper";
  for (int i = 0; i < 20; ++i) {
    const std::string tag = "zkilled" + std::to_string(i);
    Child c = Spawn({helper, "hold", tag + "_MUTEX", tag + "_WNDCLASS"});
    ASSERT_EQ(ReadLine(c.out, 20000), "held");
    kill(c.pid, SIGKILL);
    EXPECT_EQ(Wait(c.pid), 128 + SIGKILL);
    close(c.out);
  }
  // Each start clears what the killed ones before it left: never more than one stale file.
  EXPECT_LE(lockFiles(), 1);
  Child live = Spawn({helper, "hold", "zlive_MUTEX", "zlive_WNDCLASS"});
  ASSERT_EQ(ReadLine(live.out, 20000), "held");

  HANDLE mine = CreateMutexA(nullptr, TRUE, "zmine_MUTEX");
  EXPECT_EQ(GetLastError(), 0u);
  EXPECT_EQ(lockFiles(), 2);  // the running copy's and this one's
  HANDLE again = CreateMutexA(nullptr, TRUE, "zlive_MUTEX");
  EXPECT_EQ(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));  // the running copy still holds its own
  CloseHandle(again);
  CloseHandle(mine);

  kill(live.pid, SIGKILL);
  Wait(live.pid);
  close(live.out);
  if (oldRuntime) setenv("XDG_RUNTIME_DIR", savedRuntime.c_str(), 1);
  else unsetenv("XDG_RUNTIME_DIR");
  std::error_code ec;
  fs::remove_all(folder, ec);
}
