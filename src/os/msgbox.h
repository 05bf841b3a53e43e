// Message boxes of the platform stand-in, shown with SDL's message box. Under test (or without a
// display) they are recorded and answered at once instead.
#pragma once
#include <string>
#include <vector>

#include "os/handles.h"
#include "os/windowerrors.h"

constexpr UINT MB_OK = 0x0, MB_OKCANCEL = 0x1, MB_ABORTRETRYIGNORE = 0x2, MB_YESNOCANCEL = 0x3, MB_YESNO = 0x4,
               MB_RETRYCANCEL = 0x5, MB_ICONERROR = 0x10, MB_ICONHAND = 0x10, MB_ICONQUESTION = 0x20,
               MB_ICONWARNING = 0x30, MB_ICONEXCLAMATION = 0x30, MB_ICONINFORMATION = 0x40,
               MB_SETFOREGROUND = 0x10000, MB_TOPMOST = 0x40000;
constexpr int IDOK = 1, IDCANCEL = 2, IDABORT = 3, IDRETRY = 4, IDIGNORE = 5, IDYES = 6, IDNO = 7;

// Shows the box and waits for a button; returns its ID*, 0 when no box could be shown.
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);

namespace os {
struct MessageBoxCall {
  HWND owner;
  std::string text;     // UTF-8
  std::string caption;  // UTF-8
  UINT type;
};
// Record boxes instead of showing them (on by default under SDL's offscreen or dummy driver).
void TestRecordMessageBoxes(bool on);
// Answers for the next recorded boxes, in order; without one a box gets its first button.
void TestAnswerMessageBox(int answer);
std::vector<MessageBoxCall> TestMessageBoxes();
void TestResetMessageBoxes();  // forgets the boxes and answers, keeps the recording choice
}  // namespace os
