// Drives the real game program for the end-to-end tests: a copy of the program with its assets in
// a folder of its own, the test agent beside it as its harness plug-in, its own data folder, and
// one command at a time through the agent's command folder.
#pragma once
#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace e2e {

// A frame read back from the program: 0xRRGGBB words, rows top-down.
struct Frame {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;
  uint32_t At(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
  // Pixels inside the rectangle that differ from the colour by more than `tolerance` per channel.
  int CountDiffering(int left, int top, int right, int bottom, uint32_t colour, int tolerance) const;
  // The number of different colours inside the rectangle (at most `limit` are counted).
  int CountColours(int left, int top, int right, int bottom, int limit) const;
};

class GameDriver {
 public:
  // Makes the folders: `root` holds the program folder ("game") and the data folder ("data").
  explicit GameDriver(const std::filesystem::path& root);
  ~GameDriver();

  // Starts the program ("--multiple" unless `single`); false when it does not answer its agent in
  // time.
  bool Start(const std::vector<std::string>& args = {}, bool single = false);
  // Sends one command and answers the agent's reply ("" when none came in time).
  std::string Send(const std::string& command, int timeoutMs = 30000);
  // Repeats a query until it answers `expected`; false when it never does.
  bool WaitFor(const std::string& query, const std::string& expected, int timeoutMs = 30000);
  // Lets the program run several frames (the agent answers between frames).
  void Settle(int turns = 10);
  bool ClickWindow(const std::string& name);
  // Clicks the window until the query answers `expected` (a click that only activated the window,
  // or came while a mouse block was on, is repeated); false when it never does.
  bool ClickUntil(const std::string& name, const std::string& query, const std::string& expected);
  // The presented frame as it is now.
  Frame Shot();
  // The screen rectangle of a named window (left, top, right, bottom); false when it is missing.
  bool Rect(const std::string& name, int rect[4]);
  // Exit code (also of a process that already ended), or -1 when it did not end in time.
  int WaitForExit(int timeoutMs);
  void Kill();
  // The running program's process id (-1 when none runs).
  pid_t Pid() const { return pid_; }

  std::filesystem::path DataFolder() const;  // the player's data folder of the game
  std::filesystem::path LogFile() const { return DataFolder() / "logfile.txt"; }
  std::string ReadLog() const;
  const std::filesystem::path& AppFolder() const { return app_; }
  // Where the program keeps its single-instance lock ($XDG_RUNTIME_DIR); its own unless another
  // driver's is given, as for two copies of the program on one desktop.
  const std::filesystem::path& RuntimeFolder() const { return runtime_; }
  void SetRuntimeFolder(const std::filesystem::path& folder) { runtime_ = folder; }

 private:
  std::filesystem::path root_, app_, control_, runtime_;
  pid_t pid_ = -1;
  int next_ = 1;
  int exitCode_ = -1;  // of a process that ended while a command waited
};

// Reads one key of the game's preference file (as the game enciphers it) from a data folder; the
// file is opened read-only in this process. The game keeps its values under the key of the
// installation that wrote them, named after the program's folder.
struct Prefs {
  Prefs(const std::filesystem::path& dataFolder, const std::filesystem::path& appFolder);
  // The data folder of a GameDriver; its program folder is found beside it.
  explicit Prefs(const std::filesystem::path& dataFolder);
  ~Prefs();
  int GetInt(const std::string& key, int defaultValue, int user);
  std::string GetString(const std::string& key, int user);
  int UserCount();

 private:
  struct Impl;
  Impl* impl_;
};

}  // namespace e2e
