// ShellExecuteA of the platform stand-in: web links and documents open with xdg-open, programs run
// directly; never through a shell. Under test (or without a display) calls are recorded instead.
#pragma once
#include <string>
#include <vector>

#include "os/handles.h"
#include "os/windowerrors.h"

// "open" of a link or file, or of a program with parameters. "iexplore.exe" stands for the web
// browser: its parameters open with xdg-open. Answers a value above 32 when started, else an error
// code (2 file not found, 8 out of memory), as the original does.
HINSTANCE ShellExecuteA(HWND hwnd, LPCSTR operation, LPCSTR file, LPCSTR parameters, LPCSTR directory, INT show);

namespace os {
struct ShellCall {
  std::string operation, file, parameters;
  std::vector<std::string> argv;  // what would run
};
// Record instead of starting anything (on by default under SDL's offscreen or dummy driver).
void TestRecordShellExecute(bool on);
std::vector<ShellCall> TestShellCalls();
void TestResetShellCalls();  // forgets the calls, keeps the recording choice
}  // namespace os
