// The movie window over a movie player plug-in: the plug-in is looked up once per process; the host
// covers the platform window with a blocker window (when the movie takes no input) and the movie's
// own child window, hands the player the movie and its texts, and on closing puts back the focus,
// the window manager's movie flags and the hardware-cursor switch.
#include "ui/flashhost.h"

#include <cstdlib>
#include <cstring>

#include "core/config.h"
#include "core/file.h"
#include "core/log.h"
#include "core/path.h"
#include "core/stringtable.h"
#include "os/dll.h"
#include "os/winuser.h"
#include "platform/platform.h"
#include "platform/platformimpl.h"
#include "render/dxdisplayhandler.h"
#include "ui/modalwindow.h"
#include "ui/movieplayer.h"
#include "ui/windowmanager.h"

namespace {

constexpr const char* kBlockerClass = "BrisklumeBlockerWindowClass";
constexpr const char* kMovieClass = "BrisklumeMovieWindowClass";
constexpr int kMaxPath = 260;

// The player plug-in and its two exports, looked up once for the process.
struct TPlayerModule {
  TString name = "vxmovie.dll";
  bool tried = false;
  HMODULE module = nullptr;
  TCreateMoviePlayerProc create = nullptr;
  TDestroyMoviePlayerProc destroy = nullptr;
};

TPlayerModule& PlayerModule() {
  static TPlayerModule module;
  return module;
}

// Loads the plug-in and registers the window classes the first time; true when a player can be made.
bool PlayerAvailable(WNDPROC movieProc) {
  TPlayerModule& m = PlayerModule();
  if (!m.tried) {
    m.tried = true;
    m.module = LoadLibraryA(m.name.CStr());
    if (m.module) {
      m.create = reinterpret_cast<TCreateMoviePlayerProc>(GetProcAddress(m.module, "CreateMoviePlayer"));
      m.destroy = reinterpret_cast<TDestroyMoviePlayerProc>(GetProcAddress(m.module, "DestroyMoviePlayer"));
    }
    if (m.create && m.destroy) {
      WNDCLASSA blocker{};
      blocker.style = CS_HREDRAW | CS_VREDRAW;
      blocker.lpfnWndProc = &DefWindowProcA;
      blocker.hCursor = LoadCursorA(nullptr, IDC_ARROW);
      blocker.lpszClassName = kBlockerClass;
      RegisterClassA(&blocker);
      WNDCLASSA movie = blocker;
      movie.lpfnWndProc = movieProc;
      movie.lpszClassName = kMovieClass;
      RegisterClassA(&movie);
    }
  }
  return m.create && m.destroy;
}

bool DisplayBroken() { return std::strtol(GetConfig("dxbroken", TString()).CStr(), nullptr, 10) != 0; }

HWND PlatformWindow() {
  TPlatform* platform = TPlatform::GetInstance();
  return platform ? platform->GetImpl()->mMainWindow : nullptr;
}

bool IsRightButton(UINT msg) { return msg == WM_RBUTTONDOWN || msg == WM_RBUTTONUP; }

bool IsInput(UINT msg) {
  return (msg >= WM_MOUSEMOVE && msg <= WM_MOUSEWHEEL) || (msg >= WM_KEYDOWN && msg <= WM_DEADCHAR);
}

// The full path of a file that exists, else empty.
TString ExistingFullPath(const TString& name) {
  if (name.Length() > kMaxPath || !FileExists(name)) return TString();
  return GetFullPath(name);
}

}  // namespace

TFlashHost::TFlashHost(const TString& movie) : mMovie(movie) {}

TFlashHost::~TFlashHost() { Destroy(); }

void TFlashHost::SetPlayerModuleName(const TString& name) {
  TPlayerModule& m = PlayerModule();
  if (m.module) FreeLibrary(m.module);
  m = TPlayerModule();
  m.name = name;
}

int32_t TFlashHost::RequiredVersion(bool translate) {
  int32_t required = translate ? 6 : 4;
  TString wanted = GetConfig("flashmajorversion", TString());
  if (!wanted.IsEmpty()) {
    long value = std::strtol(wanted.CStr(), nullptr, 10);
    if (value > required) required = static_cast<int32_t>(value);
  }
  return required;
}

std::vector<TString> TFlashHost::SplitVariableNames(const TString& list) {
  std::vector<TString> names;
  std::string text(list.CStr(), static_cast<size_t>(list.Length()));
  size_t start = 0;
  for (size_t end; (end = text.find(';', start)) != std::string::npos; start = end + 1)
    names.emplace_back(text.substr(start, end - start).c_str());
  return names;
}

LRESULT TFlashHost::ControlWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* host = reinterpret_cast<TFlashHost*>(GetWindowLongPtrA(hwnd, GWL_USERDATA));
  // A right click reaches neither the movie nor the game: the player would open its own menu.
  if (IsRightButton(msg)) return 0;
  if (host && host->mAllowInput && IsInput(msg)) {
    if (TMoviePlayer* player = host->Player()) player->HandleInput(msg, wParam, lParam);
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

TMoviePlayer* TFlashHost::Player() const {
  RECT rect;
  if (!mPlayer || !mControlWindow || !GetWindowRect(mControlWindow, &rect)) return nullptr;
  return mPlayer;
}

int32_t TFlashHost::GetFlashVersion() {
  TMoviePlayer* player = Player();
  int32_t version = 0;
  if (!player || !player->GetVersion(&version)) return 0;
  return (version >> 16) & 0xFF;
}

bool TFlashHost::Create(bool loop, bool translate, bool allowInput) {
  if (mPlayer) return false;
  TPlatform* platform = TPlatform::GetInstance();
  HWND parent = PlatformWindow();
  if (!platform || !parent) return false;
  if (allowInput) ReleaseCapture();
  if (DisplayBroken()) return false;

  mAllowInput = allowInput;
  mSavedHardwareCursor = platform->GetHardwareCursor();
  platform->SetHardwareCursor(false);
  if (allowInput) SetClassLongA(parent, GCL_HCURSOR, reinterpret_cast<LONG_PTR>(LoadCursorA(nullptr, IDC_ARROW)));

  bool opened = false;
  if (PlayerAvailable(&TFlashHost::ControlWindowProc)) {
    RECT client{0, 0, 0, 0};
    GetClientRect(parent, &client);
    mMovieWidth = client.right - client.left;
    mMovieHeight = client.bottom - client.top;
    int32_t required = RequiredVersion(translate);
    if (!allowInput)
      mBlockerWindow = CreateWindowExA(0, kBlockerClass, "", WS_CHILD | WS_VISIBLE, 0, 0, mMovieWidth, mMovieHeight,
                                       parent, nullptr, nullptr, nullptr);
    mControlWindow = CreateWindowExA(0, kMovieClass, "", WS_CHILD | WS_VISIBLE, 0, 0, mMovieWidth, mMovieHeight,
                                     parent, nullptr, nullptr, nullptr);
    if (mControlWindow) {
      SetWindowLongPtrA(mControlWindow, GWL_USERDATA, reinterpret_cast<LONG_PTR>(this));
      mPlayer = PlayerModule().create(mControlWindow, mMovieWidth, mMovieHeight);
    }
    opened = mPlayer && GetFlashVersion() >= required && LoadMovie(loop, translate);
    if (!opened) CloseWindows();
  }

  if (opened) {
    if (TWindowManager* manager = platform->GetWindowManager()) {
      manager->mMovieOpen = true;
      if (allowInput) manager->mMovieInput = true;
    }
    if (TDxDisplayHandler* display = platform->GetImpl()->GetDisplayHandler()) display->NotifyWindowChanged();
  } else {
    platform->SetHardwareCursor(mSavedHardwareCursor);
  }
  if (opened && DisplayBroken()) {
    Destroy();
    return false;
  }
  return opened;
}

bool TFlashHost::LoadMovie(bool loop, bool translate) {
  TMoviePlayer* player = Player();
  if (!player) return false;
  TString path = ExistingFullPath("assets/" + mMovie);
  if (path.IsEmpty()) path = ExistingFullPath(mMovie);
  if (path.IsEmpty()) return false;
  if (!player->SetMovie(path.CStr()) || !player->SetLoop(loop)) return false;
  if (!translate) return true;

  player->Stop();
  TPlatform* platform = TPlatform::GetInstance();
  TStringTable* table = platform ? platform->GetStringTable() : nullptr;
  const char* names = player->GetVariable("textvarnames");
  if (table && names) {
    for (const TString& name : SplitVariableNames(TString(names)))
      player->SetVariable(name.CStr(), table->GetString(name).CStr());
  }
  if (table) {
    std::vector<TStringTable::Entry> entries;
    table->GetFlashStrings(entries);
    for (const TStringTable::Entry& entry : entries) {
      if (std::strncmp(entry.first.CStr(), "FLASH_", 6) != 0) continue;
      player->SetVariable(entry.first.CStr() + 6, table->GetString(entry.first).CStr());
    }
  }
  return player->Play();
}

bool TFlashHost::IsPlaying() {
  TMoviePlayer* player = Player();
  bool playing = false;
  if (!player || !player->GetPlaying(&playing)) playing = false;
  TPlatform* platform = TPlatform::GetInstance();
  HWND window = PlatformWindow();
  if (player && window && mMovieWidth > 0 && mMovieHeight > 0 && !platform->IsFullScreen() && !IsIconic(window) &&
      !IsZoomed(window)) {
    RECT client{0, 0, 0, 0}, outer{0, 0, 0, 0};
    GetClientRect(window, &client);
    int32_t width = client.right - client.left, height = client.bottom - client.top;
    if (width < mMovieWidth || height < mMovieHeight) {
      LogPrintf("TFlashHost::IsPlaying: Resizing platform hwnd to %dx%d from %dx%d", mMovieWidth, mMovieHeight,
                width, height);
      // The window's outer size that gives the movie's client size, at its present place.
      RECT wanted{0, 0, mMovieWidth, mMovieHeight};
      AdjustWindowRectEx(&wanted, static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)), FALSE,
                         static_cast<DWORD>(GetWindowLongA(window, GWL_EXSTYLE)));
      GetWindowRect(window, &outer);
      SetWindowPos(window, nullptr, outer.left, outer.top, wanted.right - wanted.left, wanted.bottom - wanted.top,
                   SWP_NOZORDER | SWP_NOMOVE);
    }
  }
  return playing;
}

void TFlashHost::CloseWindows() {
  if (mPlayer) PlayerModule().destroy(mPlayer);
  mPlayer = nullptr;
  if (mControlWindow) DestroyWindow(mControlWindow);
  mControlWindow = nullptr;
  if (mBlockerWindow) DestroyWindow(mBlockerWindow);
  mBlockerWindow = nullptr;
}

void TFlashHost::Destroy() {
  if (!mPlayer && !mControlWindow && !mBlockerWindow) return;
  bool hadBlocker = mBlockerWindow != nullptr;
  CloseWindows();
  TPlatform* platform = TPlatform::GetInstance();
  TWindowManager* manager = platform ? platform->GetWindowManager() : nullptr;
  if (manager) manager->mMovieOpen = false;
  if (hadBlocker && PlatformWindow()) SetFocus(PlatformWindow());
  // The movie drew over the game: the whole screen is drawn again.
  if (manager && manager->GetTopModal()) manager->Invalidate();
  if (mAllowInput && manager) manager->mMovieInput = false;
  if (platform) platform->SetHardwareCursor(mSavedHardwareCursor);
}
