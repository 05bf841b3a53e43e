// The platform facade: the one object through which the rest of the system reaches the clock, the
// event pump, the window, the display mode, the pointer, the clipboard, web links and the task
// lists. It forwards to TPlatformImpl and the display handler. The start-up configuration its
// constructor runs and the display set-up and cursor services come with the entry.
#pragma once
#include <cstdint>
#include <memory>

#include "core/platformevent.h"
#include "core/string.h"
#include "core/task.h"
#include "os/win32types.h"

class TPlatformImpl;
class TWindowManager;

class TPlatform {
 public:
  // Takes the impl; the facade is the process-wide instance from here until its destructor.
  explicit TPlatform(std::unique_ptr<TPlatformImpl> impl);
  ~TPlatform();
  TPlatform(const TPlatform&) = delete;
  TPlatform& operator=(const TPlatform&) = delete;

  static TPlatform* GetInstance();

  void GetEvent(TPlatformEvent* event);
  // timeGetTime + clock offset - start time - the portal handlers' pause total (wraps mod 2^32).
  uint32_t GetTimer() const;
  void Sleep(uint32_t ms);
  void PostQuitMessage(int exitCode);
  TString GetGameName() const;
  TString GetVersionString() const;
  // UTF-8 title; the wide call when the wide-API flag is set.
  void SetWindowTitle(const TString& title);
  bool CreateMainWindow();
  // Without "-pq=": the foreground window is the main window; with it also one of its ancestors.
  bool HasFocus() const;
  bool SetFullScreen(bool fullScreen);
  bool IsFullScreen() const;
  bool IsDisplayReady() const;
  // A point of the game's view, scaled and moved by the cursor rectangle.
  void SetMousePosition(POINT point);
  int32_t GetInputMode() const;
  // CF_TEXT with the text's bytes, and with the wide-API flag also CF_UNICODETEXT, so that other
  // programs see the characters and not UTF-8 bytes. False when the clipboard cannot be opened or
  // memory cannot be had (it is closed again).
  bool StringToClipboard(const TString& text);
  // With the wide-API flag and Unicode text available: that text as UTF-8; else the CF_TEXT bytes;
  // empty when there is no text or the clipboard cannot be opened.
  TString GetClipboardText();
  // Web link: opened by the desktop, or, hosted, by the "-host=" program (else "iexplore.exe").
  void OpenUrl(const TString& link);
  TWindowManager* GetWindowManager() const;
  TTaskList* GetTaskList() const;
  void AddTask(std::unique_ptr<TTask> task);
  bool RemoveTask(TTask* task);
  void AddRestoreTask(std::unique_ptr<TTask> task);
  TTaskList* GetRestoreTasks() { return &mRestoreTasks; }
  TPlatformImpl* GetImpl() const { return mImpl.get(); }

 private:
  std::unique_ptr<TPlatformImpl> mImpl;
  TTaskList mRestoreTasks;
};
