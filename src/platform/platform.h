// The platform facade: the one object through which the rest of the system reaches the clock, the
// event pump, the window, the display mode, the pointer, the clipboard, web links and the task
// lists, and the managers the platform owns. It forwards to TPlatformImpl and the display handler.
// Its constructor runs the start-up configuration; PlatformMain runs the whole process.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

#include "core/string.h"
#include "core/task.h"
#include "os/win32types.h"
#include "platform/platformevent.h"

class TAssetManager;
class TPlatform;
class TPlatformImpl;
class TSoundManager;
class TStringTable;
class TTexture;
class TWindowManager;

// The game's main function: called with the facade and the command line; its result is ignored.
using TGameMain = int (*)(TPlatform* platform, const char* commandLine);

// Runs the process: the harness hook, the Win32 start-up, the facade with its start-up
// configuration, the window, sound and drawing context, the game-state modules and their start-up
// notices, the game's main function, then the tear-down. Ends the process through the normal exit
// with RunPlatform's code; never returns.
[[noreturn]] void PlatformMain(HINSTANCE instance, HINSTANCE previous, const char* commandLine, int showCommand,
                               TGameMain gameMain, bool allowMultiple);
// PlatformMain without the final exit: answers the exit code (-1 when start-up could not begin).
int RunPlatform(HINSTANCE instance, const char* commandLine, int showCommand, TGameMain gameMain, bool allowMultiple);
// Seeds rand with (timeGetTime() * 8627) mod 104729 and runs TPlatformImpl::Init on a new object;
// null when start-up cannot go on.
std::unique_ptr<TPlatformImpl> CreatePlatformImpl(HINSTANCE instance, HINSTANCE previous, const char* commandLine,
                                                  int showCommand, bool allowMultiple);

// Hands the user, common and desktop folders to the file layer's "user:", "common:" and "desktop:".
void SetDataFolders(const TString& user, const TString& common, const TString& desktop);
// Registers the program's own "__systemcursor__.png" unless a file of that name already resolves.
void RegisterSystemCursorFile();
// Loads a texture the simple way (no mip maps, no mask); installed by the texture code. Without it
// the system cursor stays without a texture.
using TCursorTextureLoader = std::shared_ptr<TTexture> (*)(const TString& path);
void SetCursorTextureLoader(TCursorTextureLoader loader);
TCursorTextureLoader GetCursorTextureLoader();
// The embedded image of the system cursor.
extern const uint8_t kSystemCursorPng[];
extern const size_t kSystemCursorPngSize;

class TPlatform {
 public:
  // Takes the impl; the facade is the process-wide instance from here until its destructor. Runs
  // the start-up configuration: defaults, "::assets/settings.xml", the data folders, the asset
  // index, the string tables, the version values, the game-state hub.
  explicit TPlatform(std::unique_ptr<TPlatformImpl> impl);
  // The tear-down in order (polling thread, managers, drawing context, hub), then the impl's, and
  // last the configuration store.
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
  // The display set-up: the display mode, the first-time clear, the wake-up timer, the cursors
  // and the base clip rectangle.
  void InitDisplay(int32_t width, int32_t height, bool fullScreen);
  bool SetFullScreen(bool fullScreen);
  bool IsFullScreen() const;
  // The display's mode; with "-pq=" the full-screen flag is the one last sent to the host.
  void GetDisplaySize(int32_t* width, int32_t* height, bool* fullScreen) const;
  bool IsDisplayReady() const;
  // Called where a device call ran out of video memory (main thread only).
  void OutOfVideoMemory();
  // The cursor: a hardware one is the system pointer's image, else it is drawn; with hardware
  // cursors on and none set, the system cursor stands in.
  void SetCursor(const std::shared_ptr<TTexture>& texture, int32_t hotX, int32_t hotY, bool hardware);
  void SetHardwareCursor(bool on);
  bool GetHardwareCursor() const;
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
  TStringTable* GetStringTable() const;
  // Creates the sound manager on the first call and answers whether it could open the device.
  bool InitSoundManager();
  TSoundManager* GetSoundManager() const;
  TWindowManager* GetWindowManager() const;
  TAssetManager* GetAssetManager() const;
  TTaskList* GetTaskList() const;
  void AddTask(std::unique_ptr<TTask> task);
  bool RemoveTask(TTask* task);
  void AddRestoreTask(std::unique_ptr<TTask> task);
  TTaskList* GetRestoreTasks() { return &mRestoreTasks; }
  TPlatformImpl* GetImpl() const { return mImpl.get(); }

 private:
  void RunStartupConfiguration();

  std::unique_ptr<TPlatformImpl> mImpl;
  TTaskList mRestoreTasks;
};
