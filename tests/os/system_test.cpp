// Threads, synchronisation, modules, the version block, the clipboard, message boxes, ExitProcess and
// the command line of the platform stand-in.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <climits>
#include <cstring>
#include <thread>
#include <vector>

#include "os/faultinject.h"
#include "os/clipboard.h"
#include "os/dll.h"
#include "os/msgbox.h"
#include "os/process.h"
#include "os/shellexec.h"
#include "os/thread.h"
#include "os/version.h"
#include "os/winuser.h"

namespace {

std::string SelfPath() {
  char buf[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof(buf) - 1);
  return n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string();
}

// Our executable as the Parts see it: Z: drive, backslashes.
std::string SelfWindowsPath() {
  std::string p = "Z:" + SelfPath();
  for (char& c : p)
    if (c == '/') c = '\\';
  return p;
}

}  // namespace

TEST(Threads, ExitCodeIsStillActiveUntilTheProcedureReturns) {
  static std::atomic<bool> release{false};
  release = false;
  DWORD id = 0;
  HANDLE t = CreateThread(nullptr, 0, [](LPVOID p) -> DWORD {
    while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return static_cast<DWORD>(reinterpret_cast<uintptr_t>(p));
  }, reinterpret_cast<LPVOID>(uintptr_t{77}), 0, &id);
  ASSERT_NE(t, nullptr);
  EXPECT_NE(id, 0u);
  EXPECT_NE(id, GetCurrentThreadId());
  DWORD code = 0;
  ASSERT_TRUE(GetExitCodeThread(t, &code));
  EXPECT_EQ(code, STILL_ACTIVE);
  EXPECT_EQ(WaitForSingleObject(t, 10), WAIT_TIMEOUT);
  EXPECT_TRUE(SetThreadPriority(t, THREAD_PRIORITY_TIME_CRITICAL));
  EXPECT_EQ(GetThreadPriority(t), THREAD_PRIORITY_TIME_CRITICAL);
  release = true;
  EXPECT_EQ(WaitForSingleObject(t, INFINITE), WAIT_OBJECT_0);
  ASSERT_TRUE(GetExitCodeThread(t, &code));
  EXPECT_EQ(code, 77u);
  EXPECT_TRUE(CloseHandle(t));
  EXPECT_FALSE(GetExitCodeThread(t, &code));
  EXPECT_FALSE(CloseHandle(t));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST(Threads, ClosingTheHandleOfARunningThreadDoesNotStopIt) {
  static std::atomic<int> state{0};
  state = 0;
  HANDLE t = CreateThread(nullptr, 0, [](LPVOID) -> DWORD {
    while (state == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    state = 2;
    return 0;
  }, nullptr, 0, nullptr);
  ASSERT_TRUE(CloseHandle(t));
  state = 1;
  for (int i = 0; i < 2000 && state != 2; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_EQ(state, 2);
  os::TestFailCall("CreateThread", ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_EQ(CreateThread(nullptr, 0, [](LPVOID) -> DWORD { return 0; }, nullptr, 0, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
}

TEST(Sync, AutoResetEventsReleaseOneWaitManualOnesStaySet) {
  HANDLE autoEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  HANDLE manual = CreateEventA(nullptr, TRUE, TRUE, nullptr);
  ASSERT_NE(autoEvent, nullptr);
  EXPECT_EQ(WaitForSingleObject(autoEvent, 0), WAIT_TIMEOUT);
  SetEvent(autoEvent);
  EXPECT_EQ(WaitForSingleObject(autoEvent, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(autoEvent, 0), WAIT_TIMEOUT);
  EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0);
  ResetEvent(manual);
  EXPECT_EQ(WaitForSingleObject(manual, 5), WAIT_TIMEOUT);
  // Set from another thread while this one waits.
  std::thread setter([autoEvent] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    SetEvent(autoEvent);
  });
  EXPECT_EQ(WaitForSingleObject(autoEvent, 5000), WAIT_OBJECT_0);
  setter.join();
  CloseHandle(autoEvent);
  CloseHandle(manual);
  EXPECT_EQ(WaitForSingleObject(autoEvent, 0), WAIT_FAILED);
  os::TestFailCall("CreateEventA", ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_EQ(CreateEventA(nullptr, FALSE, FALSE, nullptr), nullptr);
}

TEST(Sync, MutexesAreRecursiveForTheOwnerAndTimeOutForOthers) {
  HANDLE m = CreateMutexA(nullptr, TRUE, nullptr);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(GetLastError(), 0u);
  EXPECT_EQ(WaitForSingleObject(m, 0), WAIT_OBJECT_0);  // depth 2
  DWORD other = 0;
  std::thread t([&] { other = WaitForSingleObject(m, 5); });
  t.join();
  EXPECT_EQ(other, WAIT_TIMEOUT);
  std::thread notOwner([&] { other = ReleaseMutex(m) ? 1 : GetLastError(); });
  notOwner.join();
  EXPECT_EQ(other, ERROR_NOT_OWNER);
  EXPECT_TRUE(ReleaseMutex(m));
  EXPECT_TRUE(ReleaseMutex(m));
  EXPECT_FALSE(ReleaseMutex(m));
  std::thread taker([&] {
    other = WaitForSingleObject(m, 100);
    ReleaseMutex(m);
  });
  taker.join();
  EXPECT_EQ(other, WAIT_OBJECT_0);
  CloseHandle(m);
}

TEST(Sync, ASecondNamedMutexInTheProcessReportsAlreadyExistsAndIsNotOwned) {
  std::string name = "oswin-test-inproc-" + std::to_string(getpid());
  HANDLE a = CreateMutexA(nullptr, TRUE, name.c_str());
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(GetLastError(), 0u);
  HANDLE b = CreateMutexA(nullptr, TRUE, name.c_str());
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  EXPECT_NE(a, b);
  // Same object: the owner can take it through the other handle, another thread cannot.
  EXPECT_EQ(WaitForSingleObject(b, 0), WAIT_OBJECT_0);
  DWORD other = 0;
  std::thread t([&] { other = WaitForSingleObject(b, 5); });
  t.join();
  EXPECT_EQ(other, WAIT_TIMEOUT);
  ReleaseMutex(b);
  ReleaseMutex(a);
  CloseHandle(a);
  CloseHandle(b);
  // Once every handle is closed the name is free again.
  HANDLE c = CreateMutexA(nullptr, TRUE, name.c_str());
  EXPECT_EQ(GetLastError(), 0u);
  CloseHandle(c);
}

TEST(Sync, CriticalSectionsSerialiseThreads) {
  CRITICAL_SECTION cs;
  InitializeCriticalSection(&cs);
  long counter = 0;
  auto work = [&] {
    for (int i = 0; i < 20000; ++i) {
      EnterCriticalSection(&cs);
      EnterCriticalSection(&cs);  // recursive
      ++counter;
      LeaveCriticalSection(&cs);
      LeaveCriticalSection(&cs);
    }
  };
  std::thread a(work), b(work);
  a.join();
  b.join();
  EXPECT_EQ(counter, 40000);
  EXPECT_TRUE(TryEnterCriticalSection(&cs));
  LeaveCriticalSection(&cs);
  DeleteCriticalSection(&cs);
}

TEST(Modules, LibrariesAreFoundBesideTheExecutableByTheirWindowsNames) {
  for (const char* name : {"tmtestplugin.dll", "TMTESTPLUGIN.DLL", "libtmtestplugin.so"}) {
    HMODULE m = LoadLibraryA(name);
    ASSERT_NE(m, nullptr) << name;
    auto add = reinterpret_cast<int (*)(int, int)>(GetProcAddress(m, "TmTestAdd"));
    ASSERT_NE(add, nullptr);
    EXPECT_EQ(add(2, 3), 5);
    EXPECT_EQ(GetProcAddress(m, "NoSuchExport"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
    EXPECT_TRUE(FreeLibrary(m));
  }
  HMODULE a = LoadLibraryA("tmtestplugin.dll");
  HMODULE b = LoadLibraryA("libtmtestplugin.so");
  EXPECT_EQ(a, b);  // one handle per loaded library
  EXPECT_EQ(GetModuleHandleA("tmtestplugin.dll"), a);
  EXPECT_TRUE(FreeLibrary(a));
  EXPECT_NE(GetProcAddress(b, "TmTestName"), nullptr);  // still loaded once more
  EXPECT_TRUE(FreeLibrary(b));
  EXPECT_FALSE(FreeLibrary(b));
  EXPECT_NE(GetModuleHandleA(nullptr), nullptr);
}

TEST(Modules, FullWindowsPathsAndMissingLibraries) {
  std::string folder = SelfWindowsPath();
  folder = folder.substr(0, folder.rfind('\\') + 1);
  HMODULE m = LoadLibraryA((folder + "TmTestPlugin.dll").c_str());
  ASSERT_NE(m, nullptr);
  FreeLibrary(m);
  HMODULE w = LoadLibraryW(u"tmtestplugin.dll");
  ASSERT_NE(w, nullptr);
  FreeLibrary(w);
  EXPECT_EQ(LoadLibraryA("vxNoSuchHarness.dll"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
  EXPECT_EQ(LoadLibraryA((folder + "nothing.vxmod").c_str()), nullptr);
  EXPECT_EQ(LoadLibraryA(""), nullptr);
  os::TestFailCall("LoadLibraryA", ERROR_MOD_NOT_FOUND);
  EXPECT_EQ(LoadLibraryA("tmtestplugin.dll"), nullptr);
}

TEST(Version, TheExecutableAnswersWithTheBuildsVersionBlock) {
  os::TestResetVersionInfo();
  std::string self = SelfWindowsPath();
  DWORD handle = 1;
  DWORD size = GetFileVersionInfoSizeA(self.c_str(), &handle);
  ASSERT_GT(size, 0u);
  EXPECT_EQ(handle, 0u);
  std::vector<char> block(size);
  ASSERT_TRUE(GetFileVersionInfoA(self.c_str(), 0, size, block.data()));
  os::VersionInfo built = os::BuiltInVersionInfo();
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT len = 0;
  ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<LPVOID*>(&fixed), &len));
  EXPECT_EQ(len, sizeof(VS_FIXEDFILEINFO));
  EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  EXPECT_EQ(HIWORD(fixed->dwFileVersionMS), built.version[0]);
  EXPECT_EQ(LOWORD(fixed->dwFileVersionMS), built.version[1]);
  char* text = nullptr;
  ASSERT_TRUE(VerQueryValueA(block.data(), "\\StringFileInfo\\040904b0\\ProductName", reinterpret_cast<LPVOID*>(&text),
                             &len));
  EXPECT_EQ(std::string(text), built.productName);
  EXPECT_FALSE(built.productName.empty());
  ASSERT_TRUE(VerQueryValueA(block.data(), "\\StringFileInfo\\040904B0\\internalname",
                             reinterpret_cast<LPVOID*>(&text), &len));
  EXPECT_EQ(std::string(text), built.internalName);
  EXPECT_FALSE(VerQueryValueA(block.data(), "\\StringFileInfo\\040904b0\\NoSuchKey", reinterpret_cast<LPVOID*>(&text),
                              &len));
  EXPECT_FALSE(VerQueryValueA(block.data(), "\\StringFileInfo\\04070000\\ProductName",
                              reinterpret_cast<LPVOID*>(&text), &len));
  // Other files have no version block; a short buffer is refused.
  EXPECT_EQ(GetFileVersionInfoSizeA("Z:\\bin\\sh", nullptr), 0u);
  EXPECT_EQ(GetLastError(), ERROR_RESOURCE_TYPE_NOT_FOUND);
  std::vector<char> small(16);
  EXPECT_FALSE(GetFileVersionInfoA(self.c_str(), 0, 16, small.data()));
  char junk[64] = "not a version block";
  EXPECT_FALSE(VerQueryValueA(junk, "\\", reinterpret_cast<LPVOID*>(&fixed), &len));
}

TEST(Version, TestsCanRemoveOrReplaceTheBlock) {
  std::string self = SelfWindowsPath();
  os::TestSetVersionInfo(nullptr);
  EXPECT_EQ(GetFileVersionInfoSizeA(self.c_str(), nullptr), 0u);
  os::VersionInfo v{"  Spaced Name", "build-7", "Maker", {1, 2, 3, 4}};
  os::TestSetVersionInfo(&v);
  DWORD size = GetFileVersionInfoSizeA(self.c_str(), nullptr);
  std::vector<char> block(size);
  ASSERT_TRUE(GetFileVersionInfoA(self.c_str(), 0, size, block.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT len = 0;
  VerQueryValueA(block.data(), "\\", reinterpret_cast<LPVOID*>(&fixed), &len);
  char ver[32];
  std::snprintf(ver, sizeof(ver), "%d.%d.%d.%d", HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
                HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS));
  EXPECT_STREQ(ver, "1.2.3.4");
  char* text = nullptr;
  VerQueryValueA(block.data(), "\\StringFileInfo\\040904b0\\ProductName", reinterpret_cast<LPVOID*>(&text), &len);
  EXPECT_STREQ(text, "  Spaced Name");
  os::TestResetVersionInfo();
}

class ClipboardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    os::TestResetWindows();
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "ClipTest";
    RegisterClassA(&wc);
    hwnd_ = CreateWindowExA(0, "ClipTest", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    os::TestResetClipboard();
  }
  void TearDown() override {
    os::TestResetClipboard();
    os::TestResetWindows();
  }
  bool Put(UINT format, const void* data, size_t bytes) {
    if (!OpenClipboard(hwnd_)) return false;
    EmptyClipboard();
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, bytes);
    std::memcpy(GlobalLock(mem), data, bytes);
    GlobalUnlock(mem);
    bool ok = SetClipboardData(format, mem) != nullptr;
    CloseClipboard();
    return ok;
  }
  std::string GetText(UINT format) {
    std::string out;
    if (!IsClipboardFormatAvailable(format) || !OpenClipboard(hwnd_)) return out;
    HANDLE h = GetClipboardData(format);
    if (h) {
      const char* p = static_cast<const char*>(GlobalLock(h));
      if (format == CF_TEXT) {
        out = p;
      } else {
        std::u16string w(reinterpret_cast<const char16_t*>(p));
        for (char16_t c : w) out += c < 0x80 ? static_cast<char>(c) : '#';
      }
      GlobalUnlock(h);
    }
    CloseClipboard();
    return out;
  }
  HWND hwnd_ = nullptr;
};

TEST_F(ClipboardTest, TextRoundTripsAndConvertsBetweenFormats) {
  const char text[] = "hello clip";
  ASSERT_TRUE(Put(CF_TEXT, text, sizeof(text)));
  EXPECT_EQ(GetText(CF_TEXT), "hello clip");
  EXPECT_EQ(GetText(CF_UNICODETEXT), "hello clip");
  EXPECT_EQ(os::TestClipboardUtf8(), "hello clip");
  const char16_t wide[] = u"wide \u00e9";
  ASSERT_TRUE(Put(CF_UNICODETEXT, wide, sizeof(wide)));
  EXPECT_EQ(os::TestClipboardUtf8(), "wide \xc3\xa9");
  EXPECT_EQ(GetText(CF_TEXT), "wide \xc3\xa9");  // the ANSI code page is UTF-8
}

TEST_F(ClipboardTest, BytesThatAreNotUtf8PassThroughUnchanged) {
  os::TestSetClipboardBytes("caf\xe9");
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_TEXT));
  EXPECT_EQ(GetText(CF_TEXT), "caf\xe9");
  EXPECT_EQ(os::TestClipboardUtf8(), "caf\xef\xbf\xbd");  // the system clipboard holds valid UTF-8
}

TEST_F(ClipboardTest, FailuresLeaveTheClipboardClosed) {
  os::TestFailCall("OpenClipboard", ERROR_ACCESS_DENIED);
  EXPECT_FALSE(OpenClipboard(hwnd_));
  EXPECT_FALSE(CloseClipboard());
  EXPECT_EQ(GetLastError(), ERROR_CLIPBOARD_NOT_OPEN);
  HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, 4);
  EXPECT_EQ(SetClipboardData(CF_TEXT, mem), nullptr);  // not open
  GlobalFree(mem);
  os::TestFailCall("GlobalAlloc", ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_EQ(GlobalAlloc(GMEM_MOVEABLE, 4), nullptr);
  // Another thread cannot open it while this one holds it.
  ASSERT_TRUE(OpenClipboard(hwnd_));
  BOOL other = TRUE;
  std::thread t([&] { other = OpenClipboard(nullptr); });
  t.join();
  EXPECT_FALSE(other);
  CloseClipboard();
  EXPECT_EQ(GetText(CF_TEXT), "");
}

TEST(MessageBoxes, AreRecordedAndAnsweredUnderTest) {
  os::TestResetMessageBoxes();
  os::TestRecordMessageBoxes(true);
  EXPECT_EQ(MessageBoxA(nullptr, "Out of memory", "Error", MB_OK | MB_ICONERROR), IDOK);
  os::TestAnswerMessageBox(IDNO);
  EXPECT_EQ(MessageBoxW(nullptr, u"Keep \u00e9?", u"Question", MB_YESNO), IDNO);
  EXPECT_EQ(MessageBoxA(nullptr, "Again?", nullptr, MB_YESNO), IDYES);  // first button without an answer
  auto calls = os::TestMessageBoxes();
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0].text, "Out of memory");
  EXPECT_EQ(calls[0].type, MB_OK | MB_ICONERROR);
  EXPECT_EQ(calls[1].text, "Keep \xc3\xa9?");
  EXPECT_EQ(calls[2].caption, "Error");
  os::TestResetMessageBoxes();
}

TEST(Process, ExitProcessIsRecordedAndUnwindsUnderTest) {
  os::TestCatchExitProcess(true);
  UINT code = 0;
  try {
    ExitProcess(static_cast<UINT>(-1));
  } catch (const os::ProcessExit& e) {
    code = e.code;
  }
  os::TestCatchExitProcess(false);
  EXPECT_EQ(code, static_cast<UINT>(-1));
  ASSERT_FALSE(os::TestExitCalls().empty());
  EXPECT_EQ(os::TestExitCalls().back(), static_cast<UINT>(-1));
}

TEST(Process, ExitProcessEndsWithTheLowByteOfTheCode) {
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) ExitProcess(static_cast<UINT>(-1));
  int status = 0;
  waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 255);
}

TEST(Process, CommandLineIsJoinedAsWindowsShowsIt) {
  struct Case {
    std::vector<const char*> args;
    const char* expected;
  } cases[] = {
      {{"prog"}, ""},
      {{"prog", "--multiple"}, "--multiple"},
      {{"prog", "-wnd=1a2b", "--axtest"}, "-wnd=1a2b --axtest"},
      {{"prog", "-wd=/tmp/a folder"}, "-wd=\"/tmp/a folder\""},
      {{"prog", "two words"}, "\"two words\""},
      {{"prog", ""}, "\"\""},
      {{"prog", "options=a=x y&b=2", "-pq=5"}, "options=a=x y&b=2 -pq=5"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(os::CommandLineFromArgs(static_cast<int>(c.args.size()), c.args.data()), c.expected);
}

TEST(Shell, LinksOpenWithTheDesktopsOpenerAndProgramsRunDirectly) {
  os::TestResetShellCalls();
  os::TestRecordShellExecute(true);
  auto ok = [](HINSTANCE h) { return reinterpret_cast<uintptr_t>(h) > 32; };
  EXPECT_TRUE(ok(ShellExecuteA(nullptr, "open", "https://example.org/a?b=1", nullptr, nullptr, SW_SHOWNORMAL)));
  EXPECT_TRUE(ok(ShellExecuteA(nullptr, "open", "iexplore.exe", "https://example.org/x", nullptr, SW_SHOWNORMAL)));
  std::string shell = "Z:\\bin\\sh";
  EXPECT_TRUE(ok(ShellExecuteA(nullptr, "open", shell.c_str(), "-c true", nullptr, SW_SHOWNORMAL)));
  EXPECT_FALSE(ok(ShellExecuteA(nullptr, "open", "Z:\\no\\such\\program.exe", "x", nullptr, SW_SHOWNORMAL)));
  EXPECT_FALSE(ok(ShellExecuteA(nullptr, "print", "https://example.org", nullptr, nullptr, SW_SHOWNORMAL)));
  auto calls = os::TestShellCalls();
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0].argv, (std::vector<std::string>{"xdg-open", "https://example.org/a?b=1"}));
  EXPECT_EQ(calls[1].argv, (std::vector<std::string>{"xdg-open", "https://example.org/x"}));
  EXPECT_EQ(calls[2].argv, (std::vector<std::string>{"/bin/sh", "-c", "true"}));
  os::TestResetShellCalls();
}

namespace {
TEST(ProcessMemory, WorkingSetGrowsWithTouchedMemoryAndPeakStaysAbove) {
  PROCESS_MEMORY_COUNTERS before{};
  ASSERT_TRUE(GetProcessMemoryInfo(GetCurrentProcess(), &before, sizeof(before)));
  EXPECT_GT(before.WorkingSetSize, 0u);
  const size_t size = 64u << 20;
  std::vector<char> block(size, 1);  // touched, so it is resident
  PROCESS_MEMORY_COUNTERS after{};
  ASSERT_TRUE(GetProcessMemoryInfo(GetCurrentProcess(), &after, sizeof(after)));
  EXPECT_GE(after.WorkingSetSize + (8u << 20), before.WorkingSetSize + size);
  EXPECT_GE(after.PeakWorkingSetSize, after.WorkingSetSize);
  EXPECT_EQ(block[size - 1], 1);

  PROCESS_MEMORY_COUNTERS other{};
  EXPECT_FALSE(GetProcessMemoryInfo(reinterpret_cast<HANDLE>(1234), &other, sizeof(other)));
  EXPECT_FALSE(GetProcessMemoryInfo(GetCurrentProcess(), &other, sizeof(other) - 1));
  EXPECT_FALSE(GetProcessMemoryInfo(GetCurrentProcess(), nullptr, sizeof(other)));
}
}  // namespace
