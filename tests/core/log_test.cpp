// Log file: line format, the fresh log of LogInit, the wrap at 100 KiB with its banner, the memory
// cap marker, failure records, and whole lines from several threads at once.
#include "core/log.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>

namespace fs = std::filesystem;

namespace {

// Each test logs into its own new temporary folder.
class LogTest : public testing::Test {
protected:
  void SetUp() override {
    std::random_device rd;
    folder = fs::temp_directory_path() / ("tm_log_" + std::to_string(rd()) + std::to_string(rd()));
    LogInit(folder.c_str());
    file = folder / "logfile.txt";
  }
  void TearDown() override {
    LogInit("");
    std::error_code ec;
    fs::remove_all(folder, ec);
  }
  std::string Contents() const {
    std::ifstream in(file, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  std::vector<std::string> Lines() const {
    std::vector<std::string> lines;
    std::stringstream ss(Contents());
    for (std::string l; std::getline(ss, l);) lines.push_back(l);
    return lines;
  }
  fs::path folder;
  fs::path file;
};

// "Thu Dec 10 12:46:30 2026: " followed by the message.
const std::regex kLine(R"([A-Z][a-z]{2} [A-Z][a-z]{2} [ 0-9]\d \d\d:\d\d:\d\d \d{4}: (.*))");
constexpr size_t kPrefix = 26;  // the time text and ": "

std::string Message(const std::string& line) {
  std::smatch m;
  return std::regex_match(line, m, kLine) ? m[1].str() : "<malformed: " + line + ">";
}

}  // namespace

TEST_F(LogTest, LinesAreTimeColonMessage) {
  EXPECT_EQ(GetLogPath(), TString((folder / "logfile.txt").c_str()));
  LogPrintf("hello %d", 5);
  LogPrintf("%s", "");
  LogPrintf("100%% sure");
  auto lines = Lines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(Message(lines[0]), "hello 5");
  EXPECT_EQ(Message(lines[1]), "");
  EXPECT_EQ(Message(lines[2]), "100% sure");
  std::string all = Contents();
  EXPECT_EQ(all.back(), '\n');
  EXPECT_EQ(all.size(), 3 * (kPrefix + 1) + 7 + 9);
}

TEST_F(LogTest, InitStartsAnEmptyLogKeepingThePreviousOneAndCreatesTheFolder) {
  LogPrintf("first session");
  LogInit(folder.c_str());  // same folder again: the previous log is kept as the old one
  EXPECT_FALSE(fs::exists(file));
  LogPrintf("second session");
  auto lines = Lines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(Message(lines[0]), "second session");
  auto oldText = [&] {
    std::ifstream in(folder / "logfile.old.txt");
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  };
  EXPECT_NE(oldText().find(": first session\n"), std::string::npos);
  // One generation: a third start drops the first session's log.
  LogInit(folder.c_str());
  EXPECT_EQ(oldText().find("first session"), std::string::npos);
  EXPECT_NE(oldText().find(": second session\n"), std::string::npos);

  fs::path sub = folder / "fresh";
  LogInit(sub.c_str());
  LogPrintf("in sub");
  EXPECT_TRUE(fs::exists(sub / "logfile.txt"));
}

TEST_F(LogTest, NothingIsWrittenWhileOff) {
  LogInit("");
  EXPECT_EQ(GetLogPath().Length(), 0);
  LogPrintf("lost");
  EXPECT_FALSE(fs::exists(file));
}

TEST_F(LogTest, WrapsPast102400BytesToTheMiddleAfterTheBanner) {
  // A first line of exactly 102400 bytes leaves the write position at 102400: no wrap yet.
  std::string big(kLogWrapAbove - kPrefix - 1, 'x');
  big[0] = '<';
  LogPrintf("%s", big.c_str());
  ASSERT_EQ(fs::file_size(file), kLogWrapAbove);
  LogPrintf("second");
  EXPECT_EQ(fs::file_size(file), kLogWrapAbove + kPrefix + 7);
  std::string before = Contents();

  LogPrintf("third");  // position above 102400: back to 51200 after the banner
  std::string after = Contents();
  std::string banner = kLogWrapBanner;
  ASSERT_EQ(after.size(), kLogWrapTo + banner.size() + kPrefix + 6);
  EXPECT_EQ(after.compare(0, kLogWrapTo, before, 0, kLogWrapTo), 0);  // first half kept
  EXPECT_EQ(after.substr(kLogWrapTo, banner.size()), banner);
  EXPECT_EQ(Message(after.substr(kLogWrapTo + banner.size(), kPrefix + 5)), "third");
  // Nothing stale follows the newest line, and the next line goes right after it.
  LogPrintf("fourth");
  std::string last = Contents();
  EXPECT_EQ(last.size(), after.size() + kPrefix + 7);
  EXPECT_EQ(Message(last.substr(after.size(), kPrefix + 6)), "fourth");
}

TEST_F(LogTest, AVanishedLogStartsAgainWithoutAHole) {
  LogPrintf("first");
  LogPrintf("second");
  fs::remove(file);
  LogPrintf("third");
  auto lines = Lines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(Message(lines[0]), "third");
  EXPECT_EQ(Contents().find('\0'), std::string::npos);
}

TEST_F(LogTest, ALineTheFileCannotTakeGoesToStderr) {
  fs::remove(file);
  fs::create_directory(file);  // a folder where the file should be
  testing::internal::CaptureStderr();
  LogPrintf("nowhere to go");
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_TRUE(fs::is_directory(file));
  EXPECT_TRUE(fs::is_empty(file));
  EXPECT_NE(err.find(": nowhere to go\n"), std::string::npos) << err;
  fs::remove(file);

  // A full disk (here: a file size limit below the next line) takes the line to stderr too, and
  // the next line that fits goes where the lost one would have.
  LogPrintf("%s", std::string(2000, 'f').c_str());  // the limit below must leave room for stderr's capture file
  const auto size = fs::file_size(file);
  rlimit old{};
  getrlimit(RLIMIT_FSIZE, &old);
  auto handler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit low = old;
  low.rlim_cur = size + 10;
  setrlimit(RLIMIT_FSIZE, &low);
  testing::internal::CaptureStderr();
  LogPrintf("a line longer than the ten bytes left");
  err = testing::internal::GetCapturedStderr();
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, handler);
  EXPECT_NE(err.find(": a line longer than the ten bytes left\n"), std::string::npos) << err;
  LogPrintf("space again");
  auto lines = Lines();
  ASSERT_EQ(lines.size(), 2u) << Contents();
  EXPECT_EQ(Message(lines[1]), "space again");
  EXPECT_EQ(Contents().find("a line longer"), std::string::npos);
}

TEST_F(LogTest, MemoryCapMarkerLeavesTheLogAlone) {
  LogPrintf("kept");
  struct Case {
    const char* text;
    int32_t cap;
  };
  for (const Case& c : {Case{"__MEMORYMAX__ 5000", 5000}, Case{"__MEMORYMAX__=77", 77},
                        Case{"__MEMORYMAX__=", 0}, Case{"__MEMORYMAX__=12abc", 12},
                        Case{"__MEMORYMAX__", 0}}) {
    LogInit(c.text);  // the TString holds an exactly sized block: no read past its end
    EXPECT_EQ(GetMemoryCap(), c.cap) << c.text;
  }
  EXPECT_EQ(GetLogPath(), TString((folder / "logfile.txt").c_str()));
  LogPrintf("still here");
  auto lines = Lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(Message(lines[0]), "kept");
}

TEST_F(LogTest, FailureAndDirectXRecords) {
  TFailure failure;
  failure.Report("texture missing", 42, "dxtexturedata.cpp");
  failure.ReportText("50% done %s");  // written as it is, not used as a format
  failure.Report(nullptr, 7, nullptr);
  LogDxError("", HRESULT(0x8876017C), "dxdisplayhandler", 318);
  LogDxError("CreateSurface", 5, "ddutil", 9);
  LogDxError("", HRESULT(0x88780078), ".\\soundmanager", 163);
  LogDxError("", HRESULT(0x12345), "nowhere", 1);  // no name: the number alone
  auto lines = Lines();
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(Message(lines[0]), "dxtexturedata.cpp(42): texture missing");
  EXPECT_EQ(Message(lines[1]), "50% done %s");
  EXPECT_EQ(Message(lines[2]), "(7): ");
  EXPECT_EQ(Message(lines[3]), "DX Error: DDERR_OUTOFVIDEOMEMORY (0x8876017c), File dxdisplayhandler, Line 318");
  EXPECT_EQ(Message(lines[4]), "DX Error: CreateSurface (0x5), File ddutil, Line 9");
  EXPECT_EQ(Message(lines[5]), "DX Error: DSERR_NODRIVER (0x88780078), File .\\soundmanager, Line 163");
  EXPECT_EQ(Message(lines[6]), "DX Error:  (0x12345), File nowhere, Line 1");
}

TEST_F(LogTest, LinesFromSeveralThreadsStayWhole) {
  constexpr int kThreads = 4, kLinesEach = 150;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([t] {
      for (int i = 0; i < kLinesEach; ++i) LogPrintf("thread %d line %03d end", t, i);
    });
  for (auto& th : threads) th.join();
  auto lines = Lines();
  ASSERT_EQ(lines.size(), size_t(kThreads * kLinesEach));
  const std::regex whole(R"(thread \d line \d{3} end)");
  for (const auto& l : lines) EXPECT_TRUE(std::regex_match(Message(l), whole)) << l;
}

TEST_F(LogTest, WindowsFormFolderReachesTheSameFile) {
  // The platform hands the log its folder in the framework's Windows form.
  std::string windowsForm = "Z:" + folder.string();
  for (char& c : windowsForm) if (c == '/') c = '\\';
  LogInit(windowsForm.c_str());
  LogPrintf("through the drive view");
  auto lines = Lines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(Message(lines[0]), "through the drive view");
}
