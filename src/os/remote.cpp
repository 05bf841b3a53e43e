// Lets a second copy of the program find the first one's main window and bring it to the front.
// The process that owns a main window listens on an abstract local socket named after the user and
// the window class; FindWindowA in another process connects to it and gets a proxy handle, and
// SetForegroundWindow/ShowWindow on that proxy send "raise" / "show N", which the owner's main thread
// carries out at its next message peek.
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <thread>

#include "os/user_internal.h"

namespace os::remote {
namespace {

std::mutex gLock;
int gListenFd = -1;
// Never destroyed: a process that ends with its window still open must not meet a joinable
// std::thread in the static destructors.
std::thread* gThread = nullptr;
std::atomic<bool> gStop{false};

socklen_t AddressFor(const std::string& className, sockaddr_un* addr) {
  std::string lower;
  for (char c : className) lower.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
  uint64_t h = 1469598103934665603ull;  // FNV-1a: class names can be longer than a socket name
  for (unsigned char c : lower) {
    h ^= c;
    h *= 1099511628211ull;
  }
  char name[96];
  int n = std::snprintf(name, sizeof(name), "tallowmark-window-%u-%016llx", static_cast<unsigned>(getuid()),
                        static_cast<unsigned long long>(h));
  std::memset(addr, 0, sizeof(*addr));
  addr->sun_family = AF_UNIX;
  std::memcpy(addr->sun_path + 1, name, static_cast<size_t>(n));  // leading NUL: abstract namespace
  return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + static_cast<size_t>(n));
}

std::string ReadLine(int fd, int timeoutMs) {
  std::string line;
  char c;
  while (line.size() < 64) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, timeoutMs) <= 0) break;
    if (read(fd, &c, 1) != 1 || c == '\n') break;
    line.push_back(c);
  }
  return line;
}

void Serve(int fd) {
  while (!gStop) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 100) <= 0) continue;
    int client = accept4(fd, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) continue;
    std::string request = ReadLine(client, 500);
    if (request == "ping" || request == "raise" || request.rfind("show ", 0) == 0) {
      if (request != "ping") {
        auto& s = os::user::S();
        os::user::Lock lk(s.lock);
        s.remoteRequests.push_back(request);
        s.pendingRemote.push_back(request);
        s.wake.notify_all();
      }
      (void)!write(client, "ok\n", 3);
    }
    close(client);
  }
}

}  // namespace

void Serve(const std::string& className) {
  std::lock_guard<std::mutex> g(gLock);
  if (gListenFd >= 0) return;
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return;
  sockaddr_un addr;
  socklen_t len = AddressFor(className, &addr);
  // A taken name means another copy already serves this class; that copy answers, not us.
  if (bind(fd, reinterpret_cast<sockaddr*>(&addr), len) != 0 || listen(fd, 4) != 0) {
    close(fd);
    return;
  }
  gListenFd = fd;
  gStop = false;
  gThread = new std::thread([fd] { Serve(fd); });
}

void StopServing() {
  std::lock_guard<std::mutex> g(gLock);
  if (gListenFd < 0) return;
  gStop = true;
  if (gThread) {
    gThread->join();
    delete gThread;
    gThread = nullptr;
  }
  close(gListenFd);
  gListenFd = -1;
}

bool Request(const std::string& className, const std::string& request) {
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  sockaddr_un addr;
  socklen_t len = AddressFor(className, &addr);
  bool ok = false;
  if (connect(fd, reinterpret_cast<sockaddr*>(&addr), len) == 0) {
    std::string line = request + "\n";
    if (write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size())) ok = ReadLine(fd, 2000) == "ok";
  }
  close(fd);
  return ok;
}

}  // namespace os::remote
