// The platform facade (see platform.h).
#include "platform/platform.h"

#include <cstdlib>
#include <cctype>
#include <cstring>
#include <string>

#include "core/assetindex.h"
#include "core/commandline.h"
#include "core/config.h"
#include "core/file.h"
#include "core/log.h"
#include "core/machineid.h"
#include "core/stringtable.h"
#include "core/timer.h"
#include "core/xml.h"
#include "os/clipboard.h"
#include "os/shellexec.h"
#include "os/text.h"
#include "os/time.h"
#include "platform/platformimpl.h"
#include "render/assetmanager.h"
#include "render/drawcontext.h"
#include "render/dxdisplayhandler.h"
#include "render/vxlinesink.h"
#include "render/vxselftest.h"
#include "ui/windowscript.h"
#include "services/gamestate.h"
#include "services/portal.h"
#include "sound/sounddatasource.h"
#include "sound/soundmanager.h"
#include "ui/modalwindow.h"
#include "ui/text.h"
#include "ui/windowmanager.h"
#include "ui/windowmanager.h"

namespace {

TPlatform* gInstance = nullptr;
TCursorTextureLoader gCursorLoader = nullptr;
constexpr const char kSystemCursorName[] = "__systemcursor__.png";

uint32_t FrameworkTimer() { return gInstance ? gInstance->GetTimer() : timeGetTime(); }

// One word of the reseeding: three draws of rand, as r2 * (r1 * 8) + (r3 >> 3) in 32 bits.
uint32_t SeedWord() {
  auto r1 = static_cast<uint32_t>(std::rand());
  auto r2 = static_cast<uint32_t>(std::rand());
  auto r3 = static_cast<uint32_t>(std::rand());
  return r2 * (r1 * 8u) + (r3 >> 3);
}

// Every child element of the settings file's "settings" element becomes a configuration key.
void ReadSettingsFile() {
  TXmlNode document;
  if (!document.Load("::assets/settings.xml")) return;
  TXmlNode* settings = document.FindChild("settings");
  if (!settings) return;
  for (const auto& child : settings->GetChildren()) {
    char first = child->GetName().CharAt(0);
    if (first == '!' || first == '?') continue;  // comments and declarations are no settings
    SetConfig(child->GetName(), child->GetText());
  }
}

// Copies bytes into a movable block for the clipboard; null when memory cannot be had.
HGLOBAL BlockWith(const void* bytes, size_t size) {
  HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, size);
  if (!mem) return nullptr;
  void* p = GlobalLock(mem);
  if (!p) {
    GlobalFree(mem);
    return nullptr;
  }
  std::memcpy(p, bytes, size);
  GlobalUnlock(mem);
  return mem;
}

}  // namespace

void SetDataFolders(const TString& user, const TString& common, const TString& desktop) {
  SetFileRoots(user, common, desktop);
}

void RegisterSystemCursorFile() {
  if (FileExists(kSystemCursorName)) return;  // the assets' own image wins
  RegisterMemoryFile(kSystemCursorName, kSystemCursorPng, static_cast<unsigned long>(kSystemCursorPngSize));
}

void SetCursorTextureLoader(TCursorTextureLoader loader) { gCursorLoader = loader; }
TCursorTextureLoader GetCursorTextureLoader() { return gCursorLoader; }

TPlatform::TPlatform(std::unique_ptr<TPlatformImpl> impl) : mImpl(std::move(impl)) {
  gInstance = this;
  SetFrameworkTimerSource(FrameworkTimer);
  SetConfigChangedHook([](const TString& key, const TString& value) {
    if (gInstance) gInstance->mImpl->OnConfigChanged(key, value);
  });
  RunStartupConfiguration();
}

void TPlatform::RunStartupConfiguration() {
  SetConfig("memorymax", "100000000");
  SetConfig("texturememorymax", "100000000");
  if (CommandLineHas(kSwitchStringTest)) SetConfig("stringtest", "1");
  SetConfig("utf8modeinit", GetConfig("utf8mode", ""));
  uint32_t words[4];
  for (uint32_t& w : words) w = SeedWord();
  mImpl->mRandom.InitByArray(words, 4);
  if (TWindowManager* manager = mImpl->GetWindowManager()) manager->InstallWindowScript(std::make_unique<TWindowScript>());
  SetConfig("computerid", MakeComputerId());
  ReadSettingsFile();
  SetDataFolders(mImpl->mUserDataFolder, mImpl->mCommonDataFolder, mImpl->mDesktopFolder);
  InitFileSystem();  // the manifest ("firstpeek" picks the alternative), the assets, the packs
  RegisterSystemCursorFile();
  if (mImpl->mStringTable && LoadStartupStringTables(*mImpl->mStringTable)) {
    if (TWindowManager* manager = mImpl->GetWindowManager()) manager->SwapScriptFlag(1);
  }
  SetConfig("buildtag", mImpl->mInternalName);
  LogPrintf("%s, version %s.", mImpl->mGameName.CStr(), mImpl->mVersionText.CStr());
  SetConfig("gamename", mImpl->mGameName);
  SetConfig("version", mImpl->mVersionText);
  // The scripts' GetState, _SetState and the three queries reach the hub through the window
  // script's state, the one every screen and the game run in.
  TGameState* hub = GetGameState();
  if (TWindowManager* manager = mImpl->GetWindowManager())
    if (TWindowScript* script = manager->GetWindowScript()) hub->BindScript(script->GetState());
}

TPlatform::~TPlatform() {
  // The polling thread reads the window manager and the display handler: it goes first.
  mImpl->StopPollingThread();
  if (mImpl->mOwnedWindowManager) {
    mImpl->SetWindowManager(nullptr);
    mImpl->mOwnedWindowManager.reset();
  }
  mImpl->mTaskList.Clear();
  if (mImpl->mSoundManager) {
    mImpl->mSoundUpdate = nullptr;
    mImpl->mSoundSetAppActive = nullptr;
    SetPlatformSoundManager(nullptr);
    mImpl->mSoundManager.reset();
    SoundDataSourceRegistry::Clear();
  }
  if (TDrawContext* context = TDrawContext::Find()) {
    if (mImpl->GetDisplayHandler() == context->GetDisplayHandler()) mImpl->SetDisplayHandler(nullptr);
    TDrawContext::DestroyInstance();
  }
  SetConfigChangedHook(nullptr);
  SetFrameworkTimerSource(nullptr);
  gInstance = nullptr;
  DeleteGameState();
  ResetPortal();  // the portal flags belong to the handlers just released
  mImpl->mStringTable.reset();
  if (mImpl->mAssetManager) {
    TAssetManager::SetInstance(nullptr);
    mImpl->mAssetManager.reset();
  }
  mImpl->Shutdown();
  mImpl.reset();
  ClearConfig();
  mRestoreTasks.Clear();
}

TPlatform* TPlatform::GetInstance() { return gInstance; }

void TPlatform::GetEvent(TPlatformEvent* event) { mImpl->GetEvent(event); }

uint32_t TPlatform::GetTimer() const {
  return timeGetTime() + static_cast<uint32_t>(mImpl->mClockOffset) - mImpl->mStartTime - GetPortalPauseTotal();
}

void TPlatform::Sleep(uint32_t ms) { ::Sleep(ms); }

void TPlatform::PostQuitMessage(int exitCode) { ::PostQuitMessage(exitCode); }

TString TPlatform::GetGameName() const { return mImpl->mGameName; }

TString TPlatform::GetVersionString() const { return mImpl->mVersionText; }

void TPlatform::SetWindowTitle(const TString& title) {
  if (mImpl->mWideApi) SetWindowTextW(mImpl->mMainWindow, os::Utf8ToUtf16(title.CStr()).c_str());
  else SetWindowTextA(mImpl->mMainWindow, title.CStr());
}

bool TPlatform::CreateMainWindow() { return mImpl->CreateMainWindow(); }

bool TPlatform::HasFocus() const {
  HWND foreground = GetForegroundWindow();
  HWND main = mImpl->mMainWindow;
  if (!foreground) return false;
  if (foreground == main) return true;
  if (!CommandLineHas(kSwitchHostDriven)) return false;
  for (HWND cur = GetParent(main); cur; cur = GetParent(cur))
    if (cur == foreground) return true;
  return false;
}

namespace {
// The outline rasteriser the start-up calibrates; every text window draws with its offsets.
std::unique_ptr<TVxMiniVecDraw>& StartupRasteriser() {
  static std::unique_ptr<TVxMiniVecDraw> rasteriser;
  return rasteriser;
}

// After the first display set-up: calibrate the text lines on this display and send every text
// window's lines to the drawing context.
void StartTextDrawing(int32_t width, int32_t height) {
  StartupRasteriser() = std::make_unique<TVxMiniVecDraw>();
  TVxMiniVecDraw& vec = *StartupRasteriser();
  if (!RunLineSelfTest(vec)) LogPrintf("Text line calibration found no exact offsets; using the fallback\n");
  // Render targets are drawn through the back buffer: the calibration lines are still there, and
  // frames that redraw only part of the screen would show them.
  TDrawContext::GetInstance()->DrawTextureRect(TRect(0, 0, width, height), TVec4(0, 0, 0, 0), nullptr);
  float start = 0, end = 0, y = 0;
  vec.GetSpanOffsets(&start, &end, &y);
  TText::SetDefaultSpanOffsets(start, end, y);
  TText::SetDefaultLineSink(MakeDrawContextLineSink());
  ConnectLineSink(vec);
}
}  // namespace

void TPlatform::InitDisplay(int32_t width, int32_t height, bool fullScreen) {
  TWindowManager* manager = mImpl->GetWindowManager();
  if (manager && !manager->GetScreen()) {
    auto* screen = new TScreen();
    manager->SetScreen(screen);
    screen->SetSize(width, height);
  }
  const bool first = !mImpl->mDisplayInitialised;
  mImpl->SetDisplay(width, height, fullScreen);
  if (first && mImpl->mDisplayInitialised) StartTextDrawing(width, height);
  TDrawContext* context = TDrawContext::GetInstance();
  context->PopClipRect();
  context->PushClipRect(TRect(0, 0, width, height));
}

void TPlatform::GetDisplaySize(int32_t* width, int32_t* height, bool* fullScreen) const {
  *width = *height = 0;
  *fullScreen = false;
  if (TDxDisplayHandler* display = mImpl->GetDisplayHandler()) display->GetDisplaySize(width, height, fullScreen);
  if (CommandLineHas(kSwitchHostDriven)) *fullScreen = mImpl->HostFullScreenState();
}

void TPlatform::OutOfVideoMemory() {
  if (TDxDisplayHandler* display = mImpl->GetDisplayHandler()) display->OutOfVideoMemory();
}

void TPlatform::SetCursor(const std::shared_ptr<TTexture>& texture, int32_t hotX, int32_t hotY, bool hardware) {
  mImpl->SetCursor(texture, hotX, hotY, hardware);
}

void TPlatform::SetHardwareCursor(bool on) {
  if (on == mImpl->mHardwareCursorWanted) return;
  mImpl->mHardwareCursorWanted = on;
  if (TDxDisplayHandler* display = mImpl->GetDisplayHandler()) display->ShowHardwareCursor(on);
}

bool TPlatform::GetHardwareCursor() const { return mImpl->mHardwareCursorWanted; }

bool TPlatform::SetFullScreen(bool fullScreen) {
  TDxDisplayHandler* display = mImpl->GetDisplayHandler();
  if (CommandLineHas(kSwitchHostDriven)) {
    mImpl->SendHostFullScreen(fullScreen);
    if (display) display->SetFullScreen(false);
    return true;
  }
  return display && display->SetFullScreen(fullScreen);
}

bool TPlatform::IsFullScreen() const {
  if (CommandLineHas(kSwitchHostDriven)) return mImpl->HostFullScreenState();
  TDxDisplayHandler* display = mImpl->GetDisplayHandler();
  return display && display->IsFullScreen();
}

bool TPlatform::IsDisplayReady() const {
  TDxDisplayHandler* display = mImpl->GetDisplayHandler();
  return display && display->IsFlipDone();
}

void TPlatform::SetMousePosition(POINT point) { mImpl->SetCursorPosition(point); }

int32_t TPlatform::GetInputMode() const { return mImpl->mInputMode; }

bool TPlatform::StringToClipboard(const TString& text) {
  if (!OpenClipboard(mImpl->mMainWindow)) return false;
  EmptyClipboard();
  HGLOBAL bytes = BlockWith(text.CStr(), static_cast<size_t>(text.Length()) + 1);
  if (!bytes) {
    CloseClipboard();
    return false;
  }
  SetClipboardData(CF_TEXT, bytes);
  if (mImpl->mWideApi) {
    std::u16string wide = os::Utf8ToUtf16(text.CStr());
    if (HGLOBAL units = BlockWith(wide.c_str(), (wide.size() + 1) * sizeof(char16_t)))
      SetClipboardData(CF_UNICODETEXT, units);
  }
  CloseClipboard();
  return true;
}

TString TPlatform::GetClipboardText() {
  if (!IsClipboardFormatAvailable(CF_TEXT) || !OpenClipboard(mImpl->mMainWindow)) return TString();
  TString text;
  HANDLE data = nullptr;
  bool wide = mImpl->mWideApi && IsClipboardFormatAvailable(CF_UNICODETEXT);
  data = GetClipboardData(wide ? CF_UNICODETEXT : CF_TEXT);
  if (data) {
    const void* p = GlobalLock(data);
    size_t size = GlobalSize(data);
    if (p && wide) {
      const auto* units = static_cast<const char16_t*>(p);
      size_t n = 0;
      while (n < size / 2 && units[n]) ++n;  // bounded by the block, terminator or not
      text = TString(os::Utf16ToUtf8(std::u16string_view(units, n)).c_str());
    } else if (p) {
      text = TString(static_cast<const char*>(p), static_cast<ptrdiff_t>(strnlen(static_cast<const char*>(p), size)));
    }
    GlobalUnlock(data);
  }
  CloseClipboard();
  return text;
}

namespace {
// Web and mail links only: the shell's "open" would also start programs and open local files.
bool IsWebLink(const TString& link) {
  for (const char* scheme : {"http:", "https:", "mailto:"}) {
    const char* p = link.CStr();
    const char* s = scheme;
    while (*s && std::tolower(static_cast<unsigned char>(*p)) == *s) ++p, ++s;
    if (!*s) return true;
  }
  return false;
}
}  // namespace

void TPlatform::OpenUrl(const TString& link) {
  if (!IsWebLink(link)) {
    LogPrintf("Not opening \"%s\": only web and mail links are opened", link.CStr());
    return;
  }
  HWND host = mImpl->GetHostWindow();
  if (CommandLineHas(kSwitchHostDriven) && mImpl->HostFullScreenState() && host)
    ShowWindow(GetAncestor(host, GA_ROOT), SW_MINIMIZE);
  if (!mImpl->mHosted) {
    ShellExecuteA(mImpl->mMainWindow, "open", link.CStr(), nullptr, nullptr, SW_SHOWNORMAL);
    return;
  }
  std::string program = "iexplore.exe";
  if (const char* after = CommandLineAfter(kSwitchHostProgram)) {
    size_t n = std::strcspn(after, " ");
    program.assign(after, n < 259 ? n : 259);
  }
  ShellExecuteA(mImpl->mMainWindow, "open", program.c_str(), link.CStr(), nullptr, SW_SHOWNORMAL);
}

TStringTable* TPlatform::GetStringTable() const { return mImpl->mStringTable.get(); }

bool TPlatform::InitSoundManager() {
  if (!mImpl->mSoundManager) {
    mImpl->mSoundManager = std::make_unique<TSoundManager>();
    TSoundManager* sound = mImpl->mSoundManager.get();
    SetPlatformSoundManager(sound);
    RegisterOggDataSource();
    // Reported by the manager's Update on the main thread, never from the streaming thread.
    sound->SetOutOfVideoMemoryHook([] {
      if (gInstance) gInstance->OutOfVideoMemory();
    });
    mImpl->mSoundUpdate = [sound] { sound->Update(); };
    mImpl->mSoundSetAppActive = [sound](bool active) { sound->SetAppActive(active); };
  }
  return mImpl->mSoundManager->Init(mImpl->mMainWindow);
}

TSoundManager* TPlatform::GetSoundManager() const { return mImpl->mSoundManager.get(); }

TWindowManager* TPlatform::GetWindowManager() const { return mImpl->GetWindowManager(); }

TAssetManager* TPlatform::GetAssetManager() const { return mImpl->mAssetManager.get(); }

TTaskList* TPlatform::GetTaskList() const { return &mImpl->mTaskList; }

void TPlatform::AddTask(std::unique_ptr<TTask> task) { mImpl->mTaskList.Add(std::move(task)); }

bool TPlatform::RemoveTask(TTask* task) { return mImpl->mTaskList.Remove(task); }

void TPlatform::AddRestoreTask(std::unique_ptr<TTask> task) { mRestoreTasks.Add(std::move(task)); }
