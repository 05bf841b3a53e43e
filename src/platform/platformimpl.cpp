// The event pump, the main window's procedure, activation and host messaging (see platformimpl.h).
#include "platform/platformimpl.h"

#include <algorithm>
#include <cstdio>

#include "core/commandline.h"
#include "core/config.h"
#include "core/log.h"
#include "core/timer.h"
#include "os/process.h"
#include "os/text.h"
#include "os/time.h"
#include "core/stringtable.h"
#include "render/assetmanager.h"
#include "render/drawcontext.h"
#include "render/dxdisplayhandler.h"
#include "render/platformdata.h"
#include "ui/windowscript.h"
#include "services/gamestate.h"
#include "services/portal.h"
#include "sound/soundmanager.h"
#include "ui/windowmanager.h"

namespace {

constexpr uint32_t kMouseBlockMs = 400;
bool gFirstEventSent = false;

bool KeyDown(int vk) { return (GetKeyState(vk) & 0x8000) != 0; }

bool IsXpOrLater() {
  DWORD v = GetVersion();
  DWORD major = v & 0xFF, minor = (v >> 8) & 0xFF;
  return major > 5 || (major == 5 && minor > 0);
}

bool TakeMessage(MSG* msg, bool wide, UINT lo = 0, UINT hi = 0) {
  return wide ? PeekMessageW(msg, nullptr, lo, hi, PM_REMOVE) : PeekMessageA(msg, nullptr, lo, hi, PM_REMOVE);
}

void TranslateAndDispatch(const MSG& msg, bool wide) {
  TranslateMessage(&msg);
  if (wide) DispatchMessageW(&msg); else DispatchMessageA(&msg);
}

void GreyOutSize(HWND hwnd) {
  HMENU menu = GetSystemMenu(hwnd, FALSE);
  MENUITEMINFOA info{};
  info.cbSize = sizeof(info);
  info.fMask = MIIM_STATE;
  info.fState = MFS_DISABLED | MFS_GRAYED;
  SetMenuItemInfoA(menu, static_cast<UINT>(SC_SIZE), FALSE, &info);
}

}  // namespace

void ResetFirstEventNotices() { gFirstEventSent = false; }

TPlatformImpl::TPlatformImpl() = default;
TPlatformImpl::~TPlatformImpl() { Shutdown(); }

bool TPlatformImpl::DisplayReady() const {
  // Without a display there is nothing to restore: the pump treats it as ready.
  return !mDisplay || GetDisplayHandler()->IsReady();
}

POINT TPlatformImpl::CursorImagePosition(LPARAM fallback) const {
  if (mDisplay) return GetDisplayHandler()->GetMouseImagePosition();
  return POINT{GET_X_LPARAM(fallback), GET_Y_LPARAM(fallback)};
}

bool TPlatformImpl::CursorImageMoved() {
  if (!mDisplay || (!mDrawnCursor && !mHardwareCursor)) return false;
  TDxDisplayHandler* display = GetDisplayHandler();
  if (!display->IsMouseImageVisible()) return false;
  const POINT at = display->GetMouseImagePosition();
  if (at.x == mCursorShownAt.x && at.y == mCursorShownAt.y) return false;
  mCursorShownAt = at;
  return true;
}

POINT TPlatformImpl::PlaceCursorImage(LPARAM at) {
  // The event is made before the message reaches the window procedure, which would otherwise be
  // the first to move the cursor image: without this the event would carry the previous place.
  if (!mDisplay) return POINT{GET_X_LPARAM(at), GET_Y_LPARAM(at)};
  TDxDisplayHandler* display = GetDisplayHandler();
  display->RefreshCursorRect();
  return display->SetMouseImagePosition(GET_X_LPARAM(at), GET_Y_LPARAM(at));
}

bool TPlatformImpl::MouseBlocked(bool buttonUp) {
  bool blocked = false;
  if (mMouseBlock) {
    bool movieOpen = mWindowManager && GetWindowManager()->IsMovieOpen();
    if (!movieOpen && GetFrameworkTimer() - mMouseBlockTime < kMouseBlockMs) blocked = true;
    if (buttonUp) mMouseBlock = false;
  }
  if (mWindowManager && GetWindowManager()->MovieTakesInput()) blocked = true;
  return blocked;
}

void TPlatformImpl::GetEvent(TPlatformEvent* event) {
  MakeEvent(event, kEventIgnored, 0, 0, 0, 0);
  // 1. The host window of a portal or host-driven run is gone.
  if ((PortalIsZylom() || CommandLineHas(kSwitchHostDriven)) && mHostWindow && !IsWindow(mHostWindow)) {
    MakeEvent(event, kEventQuit, 0, 0, 0, 0);
    return;
  }
  // 2. The start-up notices, once per process.
  if (!gFirstEventSent) {
    gFirstEventSent = true;
    GetGameState()->SendStateNumber("loadbroadcast", 0);
    // The pause lets a host or module that heard the first notice act before the second; with
    // nobody listening it would only hold back the first frame.
    if (GetGameState()->HandlerCount() > 0) Sleep(500);
    GetGameState()->SendStateNumber("sessionready", 0);
  }
  // 3. A busy handler: keep the window alive only.
  while (FindGameState() && FindGameState()->IsBusy()) {
    Sleep(1);
    MSG msg;
    if (TakeMessage(&msg, mWideApi)) {
      if (msg.message == WM_QUIT) {
        MakeEvent(event, kEventQuit, 0, 0, 0, 0);
        return;
      }
      TranslateAndDispatch(msg, mWideApi);
    }
  }
  // 4. Activation change.
  if (mActivationChangedPending) {
    mActivationChangedPending = false;
    if (!mWindowActive && mDisplay) GetDisplayHandler()->ResetStateFlag();
    MakeEvent(event, kEventActivate, 0, 0, mWindowActive ? 1 : 0, 0);
    return;
  }
  // 5. A quit while the display is not ready.
  if (!DisplayReady()) {
    MSG msg;
    if (TakeMessage(&msg, mWideApi, WM_QUIT, WM_QUIT)) {
      MakeEvent(event, kEventQuit, 0, 0, 0, 0);
      return;
    }
  }
  // 6. Restore a display that is not ready while the window is active.
  if (mWindowActive && !mSuspended && !mActivationChangedPending && !DisplayReady()) {
    TPlatformData::Restore();
    MakeEvent(event, kEventIgnored, 0, 0, 0, 0);
    return;
  }
  // 7.-11. Pending flags.
  if (mDisplayChangedPending) {
    mDisplayChangedPending = false;
    MakeEvent(event, kEventDisplayChanged, 0, 0, 0, 0);
    return;
  }
  if (mRedrawPending) {
    mRedrawPending = false;
    MakeEvent(event, kEventRedraw, 0, 0, 0, 0);
    if (!DisplayReady() && !mSuspended) TPlatformData::Restore();
    return;
  }
  if (mAppActivationPending) {
    mAppActivationPending = false;
    MakeEvent(event, kEventActivate, 0, 0, mAppActive ? 1 : 0, 0);
    return;
  }
  if (mCloseRequested) {
    mCloseRequested = false;
    if (mWindowManager && GetWindowManager()->GetWindowScript()) GetWindowManager()->GetWindowScript()->StopMovieIfPlaying();
    MakeEvent(event, kEventClose, 0, 0, 0, 0);
    return;
  }
  if (mCaptureLostPending) {
    mCaptureLostPending = false;
    POINT p = CursorImagePosition(0);
    MakeEvent(event, kEventMousePosition, p.x, p.y, 0, 0);
    return;
  }
  // 12. Nothing waiting: the idle turn, when the next frame is due (input arriving before then is
  // taken at once).
  MSG msg;
  bool have = TakeMessage(&msg, mWideApi);
  if (!have && WaitForFrameTurn()) have = TakeMessage(&msg, mWideApi);
  if (!have) {
    // The turns keep their cadence, never more than a period ahead; a loop behind it (slow frames)
    // goes on at once.
    auto now = std::chrono::steady_clock::now();
    std::chrono::microseconds period(mFramePeriodUs);
    mNextFrameAt = std::clamp(mNextFrameAt + period, now, now + period);
    if (CursorImageMoved()) {
      // The drawn cursor moves with the next presented frame: a still screen must present one.
      MakeEvent(event, kEventRedraw, 0, 0, 0, 0);
      return;
    }
    if (mDisplay && GetDisplayHandler()->IsFullScreen() && mWindowActive && !mActivationChangedPending) KeepOnTop();
    if (mSoundUpdate) mSoundUpdate();
    mTaskList.RunAll(kTaskPhaseIdle);
    MakeEvent(event, kEventIdle, 0, 0, 0, 0);
    return;
  }
  // 13. The message's event, then its dispatch. Hosted, the right button never reaches the
  // window's default handling, so the host shows no context menu.
  EventFromMessage(msg, event);
  bool rightButton = msg.message == WM_RBUTTONDOWN || msg.message == WM_RBUTTONUP;
  if (mHosted && rightButton && msg.hwnd == mMainWindow) return;
  TranslateAndDispatch(msg, mWideApi);
}

bool TPlatformImpl::WaitForFrameTurn() {
  if (mFramePeriodUs <= 0) return false;
  auto now = std::chrono::steady_clock::now();
  if (mNextFrameAt <= now) return false;
  auto ms = std::chrono::ceil<std::chrono::milliseconds>(mNextFrameAt - now).count();
  MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(ms), QS_ALLINPUT);
  return true;
}

void TPlatformImpl::EventFromMessage(const MSG& msg, TPlatformEvent* event) {
  MakeEvent(event, kEventIgnored, 0, 0, 0, 0);
  switch (msg.message) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(mMainWindow, &ps);
      EndPaint(mMainWindow, &ps);
      MakeEvent(event, kEventRedraw, 0, 0, 0, 0);
      mPointerInside = false;
      return;
    }
    case WM_QUIT:
      MakeEvent(event, kEventQuit, 0, 0, 0, 0);
      return;
    case WM_KEYUP:
      MakeEvent(event, kEventKeyUp, 0, 0, TranslateKeyCode(static_cast<int32_t>(msg.wParam)), 0);
      return;
    case WM_CHAR: {
      if (!mWideApi) {
        MakeEvent(event, kEventChar, 0, 0, static_cast<int32_t>(msg.wParam), 0);
        return;
      }
      auto unit = static_cast<uint32_t>(msg.wParam);
      if (unit >= 0xD800 && unit <= 0xDBFF) {
        mHighSurrogate = static_cast<char16_t>(unit);  // the low half follows
        return;
      }
      if (unit >= 0xDC00 && unit <= 0xDFFF) {
        if (mHighSurrogate) {
          int32_t cp = 0x10000 + (static_cast<int32_t>(mHighSurrogate) - 0xD800) * 1024 + (static_cast<int32_t>(unit) - 0xDC00);
          mHighSurrogate = 0;
          MakeEvent(event, kEventWideChar, 0, 0, cp, 0);
        }
        return;  // a lone low half is dropped
      }
      MakeEvent(event, kEventWideChar, 0, 0, static_cast<int32_t>(unit), 0);
      return;
    }
    case WM_SYSKEYDOWN:
      if (msg.lParam & KF_ALTDOWN_BIT) {
        int vk = static_cast<int>(msg.wParam);
        if (vk == VK_RETURN) {
          bool hostDriven = CommandLineHas(kSwitchHostDriven);
          if (mHosted && !hostDriven) return;
          if (hostDriven) {
            SendHostFullScreen(!mHostFullScreen);  // the host goes full screen; the display stays windowed
          } else if (mDisplay) {
            GetDisplayHandler()->SetFullScreen(!GetDisplayHandler()->IsFullScreen());
          }
          MakeEvent(event, kEventFullScreenToggled, 0, 0, mDisplay && GetDisplayHandler()->IsFullScreen() ? 1 : 0, 0);
          return;
        }
        if (vk == VK_F1) {
          // Switched off, the overlay's text would stay where no window draws.
          if (!TDrawContext::GetInstance()->ToggleDebugOverlay() && mWindowManager)
            GetWindowManager()->ClearOnNextFrame(TRect(0, 0, 512, 512));
          return;
        }
        int32_t mods = kModifierAlt | (KeyDown(VK_CONTROL) ? kModifierCtrl : 0) |
                       (KeyDown(VK_SHIFT) ? kModifierShift : 0) | ((msg.lParam & KF_EXTENDED_BIT) ? kModifierExtended : 0);
        MakeEvent(event, kEventKeyDown, 0, 0, vk, mods);
        return;
      }
      [[fallthrough]];
    case WM_KEYDOWN: {
      int32_t mods = (KeyDown(VK_CONTROL) ? kModifierCtrl : 0) | (KeyDown(VK_SHIFT) ? kModifierShift : 0);
      int vk = LOWORD(msg.wParam);
      if (vk == VK_INSERT && mods != kModifierShift) return;  // only Shift+Insert (paste) is a key
      if (msg.lParam & KF_EXTENDED_BIT) mods |= kModifierExtended;
      MakeEvent(event, kEventKeyDown, 0, 0, TranslateKeyCode(vk), mods);
      return;
    }
    case WM_MOUSEMOVE: {
      POINT p = PlaceCursorImage(msg.lParam);
      if (mInputMode == 1) {
        if (p.x != mCentre.x || p.y != mCentre.y) {
          MakeEvent(event, kEventMouseMove, p.x - mCentre.x, p.y - mCentre.y, 0, 0);
          SetCursorPosition(mCentre);
          mLastRecentre = mCentre;
        }
      } else {
        MakeEvent(event, kEventMouseMove, p.x, p.y, 0, 0);
      }
      if (!mPointerInside) {
        TRACKMOUSEEVENT tme{sizeof(tme), TME_HOVER, mMainWindow, HOVER_DEFAULT};
        mPointerInside = TrackMouseEvent(&tme);
      }
      if (!mLeaveTracking) {
        TRACKMOUSEEVENT tme{sizeof(tme), TME_LEAVE, mMainWindow, HOVER_DEFAULT};
        mLeaveTracking = TrackMouseEvent(&tme);
      }
      return;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_XBUTTONDOWN: {
      if (MouseBlocked(false)) return;
      if (mHosted) SetFocus(mMainWindow);
      SetCapture(mMainWindow);
      POINT p = PlaceCursorImage(msg.lParam);
      if (msg.message == WM_LBUTTONDOWN) {
        MakeEvent(event, kEventMouseDown, p.x, p.y, 0, MouseKeyModifiers(msg.wParam));
      } else if (msg.message == WM_RBUTTONDOWN) {
        MakeEvent(event, kEventMouseButton, p.x, p.y, kMouseRightDown, 0);
      } else if (msg.message == WM_MBUTTONDOWN) {
        MakeEvent(event, kEventMouseButton, p.x, p.y, kMouseMiddleDown, 0);
      } else if (HIWORD(msg.wParam) & XBUTTON1) {
        MakeEvent(event, kEventMouseButton, p.x, p.y, kMouseExtra1Down, 0);
      } else if (HIWORD(msg.wParam) & XBUTTON2) {
        MakeEvent(event, kEventMouseButton, p.x, p.y, kMouseExtra2Down, 0);
      }
      return;
    }
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: {
      if (MouseBlocked(true)) return;
      ReleaseCapture();
      POINT p = PlaceCursorImage(msg.lParam);
      if (msg.message == WM_LBUTTONUP) MakeEvent(event, kEventMouseUp, p.x, p.y, 0, 0);
      else MakeEvent(event, kEventMouseButton, p.x, p.y, msg.message == WM_RBUTTONUP ? kMouseRightUp : kMouseMiddleUp, 0);
      return;
    }
    case WM_MOUSEWHEEL: {
      if (MouseBlocked(false)) return;
      POINT p = CursorImagePosition(0);
      auto delta = static_cast<SHORT>(HIWORD(msg.wParam));
      MakeEvent(event, kEventMouseButton, p.x, p.y, delta > 0 ? kMouseWheelAway : kMouseWheelToward, 0);
      return;
    }
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(msg.lParam) != mMainWindow) MakeEvent(event, kEventMousePosition, 0, 0, 0, 0);
      return;
    case WM_MOUSEHOVER: {
      TRACKMOUSEEVENT tme{sizeof(tme), TME_HOVER, mMainWindow, HOVER_DEFAULT};
      mPointerInside = TrackMouseEvent(&tme);
      POINT p = PlaceCursorImage(msg.lParam);
      MakeEvent(event, kEventMouseHover, p.x, p.y, 0, 0);
      return;
    }
    default:
      return;
  }
}

void TPlatformImpl::OnActivateApp(HWND window, bool active) {
  if (active == mAppActive) return;
  SetActive(window, active, true);
  mAppActive = active;
  mAppActivationPending = true;
  if (mSoundSetAppActive) mSoundSetAppActive(active);
  if (!active && mDisplay && GetDisplayHandler()->IsFullScreen()) mSuspended = true;
  if (active) mSuspended = false;
}

void TPlatformImpl::SetActive(HWND, bool active, bool forced) {
  if (active == mWindowActive) return;
  if (mSoundSetAppActive) mSoundSetAppActive(active);
  if (mDisplay && GetDisplayHandler()->IsFullScreen() && !forced) return;
  // Two changes before the pump sees them cancel out.
  mActivationChangedPending = !mActivationChangedPending;
  mWindowActive = active;
}

void TPlatformImpl::KeepOnTop() {
  if (mSuspended) {
    Sleep(50);
    return;
  }
  if (!(GetWindowLongA(mMainWindow, GWL_EXSTYLE) & WS_EX_TOPMOST)) LogPrintf("Window does NOT have topmost style");
  if (GetForegroundWindow() != mMainWindow && !SetForegroundWindow(mMainWindow))
    LogPrintf("Error using BringWindowToTop: %x", static_cast<unsigned>(GetLastError()));
  SetActiveWindow(mMainWindow);
  RECT r{};
  GetWindowRect(mMainWindow, &r);
  if (r.left != 0 || r.top != 0) ShowWindow(mMainWindow, mShowCommand);
  HWND top = GetTopWindow(nullptr);
  if (top != mMainWindow && IsWindowVisible(top)) {
    int32_t w, h;
    TDrawContext::GetInstance()->GetViewport(&w, &h);
    if (!SetWindowPos(mMainWindow, HWND_TOP, 0, 0, w, h, SWP_NOCOPYBITS | SWP_DEFERERASE))
      LogPrintf("Error using BringWindowToTop: %x", static_cast<unsigned>(GetLastError()));
  }
}

void TPlatformImpl::SetCursorPosition(POINT point) {
  RECT rect{0, 0, 0, 0};
  if (mDisplay) {
    rect = GetDisplayHandler()->GetCursorRect();
  } else {
    POINT origin{0, 0};
    ClientToScreen(mMainWindow, &origin);
    rect.left = origin.x;
    rect.top = origin.y;
  }
  SetCursorPos(static_cast<int>(point.x * mViewportScale[0] + rect.left),
               static_cast<int>(point.y * mViewportScale[1] + rect.top));
}

void TPlatformImpl::SendHostFullScreen(bool state) {
  mHostFullScreen = state;
  SendToHost(WM_USER, state ? 1 : 0, 0);
}

LRESULT TPlatformImpl::SendToHost(UINT message, WPARAM wParam, LPARAM lParam) {
  HWND host = GetParent(mMainWindow);
  if (!host) host = mHostWindow;
  return host ? SendMessageA(host, message, wParam, lParam) : 0;
}

bool TPlatformImpl::CreateMainWindow() {
  TString className = mClassBaseName + "_WNDCLASS";
  mWideApi = GetSettingFlag("utf8mode");
  HICON icon = LoadIconA(mInstance, MAKEINTRESOURCEA(99));
  HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
  auto brush = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  if (mWideApi) {
    std::u16string wideName = os::Utf8ToUtf16(className.CStr());
    WNDCLASSW wc{CS_HREDRAW | CS_VREDRAW, PlatformWindowProc, 0, 4, mInstance, icon, arrow, brush, nullptr,
                 wideName.c_str()};
    RegisterClassW(&wc);
  } else {
    WNDCLASSA wc{CS_HREDRAW | CS_VREDRAW, PlatformWindowProc, 0, 4, mInstance, icon, arrow, brush, nullptr,
                 className.CStr()};
    RegisterClassA(&wc);
  }
  if (mHostWindow && !IsWindow(mHostWindow)) {
    LogPrintf("Error: mExternalWindowParent is lost, exiting!");
    ExitProcess(static_cast<UINT>(-1));
  }
  if (mHostWindow) {
    mMainWindow = CreateWindowExA(0, className.CStr(), "Brisklume", WS_CHILD | WS_VISIBLE, 0, 0, 480, 360, mHostWindow,
                                  nullptr, mInstance, nullptr);
  } else {
    mMainWindow = CreateWindowExA(WS_EX_APPWINDOW, className.CStr(), "Brisklume",
                                  WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX, 0, 0, 480, 360, nullptr,
                                  nullptr, mInstance, nullptr);
  }
  if (!mMainWindow) return false;
  char handle[16];
  std::snprintf(handle, sizeof(handle), "%d", static_cast<int>(reinterpret_cast<intptr_t>(mMainWindow)));
  SetConfig("hwnd", handle);
  if (mHostTestMode) {
    RECT r{0, 0, 960, 720};
    AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongA(mMainWindow, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongA(mMainWindow, GWL_EXSTYLE)));
    SetWindowPos(mMainWindow, nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER);
    ShowWindow(mMainWindow, SW_SHOW);
  }
  GreyOutSize(mMainWindow);
  HMENU menu = GetSystemMenu(mMainWindow, FALSE);
  for (UINT position = 0; position < 4; ++position) {
    MENUITEMINFOA info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_STATE;
    info.fState = MFS_DISABLED | MFS_GRAYED;
    SetMenuItemInfoA(menu, position, TRUE, &info);
  }
  SetWindowLongA(mMainWindow, 0, reinterpret_cast<LONG_PTR>(this));
  SetActiveWindow(mMainWindow);
  return true;
}

LRESULT PlatformWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* p = reinterpret_cast<TPlatformImpl*>(GetWindowLongA(hwnd, 0));
  auto defaultHandling = [&] {
    return p && p->mWideApi ? DefWindowProcW(hwnd, msg, wParam, lParam) : DefWindowProcA(hwnd, msg, wParam, lParam);
  };
  if (!p) return defaultHandling();
  TDxDisplayHandler* display = p->GetDisplayHandler();
  switch (msg) {
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    case WM_TIMER:
      return 0;
    case WM_SIZE:
      if (wParam == SIZE_MINIMIZED) p->SetActive(hwnd, false, true);
      else if (wParam == SIZE_RESTORED || wParam == SIZE_MAXIMIZED || wParam == SIZE_MAXSHOW) p->SetActive(hwnd, true, true);
      return defaultHandling();
    case WM_PAINT:
      if (p->GetWindowManager()) {
        p->GetWindowManager()->Invalidate();
        p->mRedrawPending = true;
      }
      return defaultHandling();
    case WM_CLOSE:
      p->mCloseRequested = true;
      return 0;
    case WM_ACTIVATEAPP:
      p->OnActivateApp(hwnd, wParam == 1);
      return defaultHandling();
    case WM_SETCURSOR:
      if (LOWORD(lParam) == HTCLIENT && display && display->UpdateSystemCursor()) return 1;
      return defaultHandling();
    case WM_MOUSEACTIVATE:
      if (!p->mHosted) {
        p->mMouseBlock = true;
        p->mMouseBlockTime = GetFrameworkTimer();
      }
      return defaultHandling();
    case WM_WINDOWPOSCHANGING: {
      auto* wp = reinterpret_cast<WINDOWPOS*>(lParam);
      bool childOfHost = (GetWindowLongA(hwnd, GWL_STYLE) & WS_CHILD) && !p->mHostTestMode;
      if (wp && !p->mHosted && !CommandLineHas(kSwitchHostDriven) && IsXpOrLater() && !(wp->flags & SWP_NOSIZE) &&
          !(display && display->IsFullScreen()) && !childOfHost) {
        int32_t w, h;
        TDrawContext::GetInstance()->GetViewport(&w, &h);
        wp->cx = w + 2 * GetSystemMetrics(SM_CXFRAME);
        wp->cy = h + 2 * GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION);
      }
      return 0;
    }
    case WM_WINDOWPOSCHANGED: {
      auto* wp = reinterpret_cast<const WINDOWPOS*>(lParam);
      if (!wp) return 0;
      if (wp->cx == 0 || wp->cy == 0 || wp->x < -10000 || wp->y < -10000) {
        p->mSuspended = true;
        p->OnActivateApp(hwnd, false);
        p->mWasMinimized = true;
      } else {
        p->mSuspended = false;
        if (p->mWasMinimized) {
          p->OnActivateApp(hwnd, true);
          p->mWasMinimized = false;
        }
      }
      return 0;
    }
    case WM_DISPLAYCHANGE:
      if (!p->mWindowActive && display) display->RefreshDesktopMetrics();
      return defaultHandling();
    case WM_NCHITTEST: {
      LRESULT hit = defaultHandling();
      // No sizing or maximising with the mouse.
      if (hit == HTSIZE || hit == HTMAXBUTTON || (hit >= HTLEFT && hit <= HTBORDER)) return HTNOWHERE;
      return hit;
    }
    case WM_INITMENUPOPUP:
      GreyOutSize(hwnd);
      return 0;
    case WM_MOUSEMOVE:
      if (display) {
        display->RefreshCursorRect();
        POINT at = display->SetMouseImagePosition(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        lParam = MAKELPARAM(at.x, at.y);
      }
      return p->mWideApi ? DefWindowProcW(hwnd, msg, wParam, lParam) : DefWindowProcA(hwnd, msg, wParam, lParam);
    case WM_MOUSELEAVE:
      if (p->mInputMode == 1) {
        POINT image = display ? display->GetMouseImagePosition() : p->mCentre;
        if (image.x != p->mCentre.x || image.y != p->mCentre.y) {
          POINT now;
          GetCursorPos(&now);
          SetCursorPos(static_cast<int>(now.x - (image.x - p->mCentre.x) * p->mViewportScale[0]),
                       static_cast<int>(now.y - (image.y - p->mCentre.y) * p->mViewportScale[1]));
        }
        p->mPointerInside = false;
      } else {
        if (display) display->HideMouseImage();
        p->mPointerInside = false;
        p->mCaptureLostPending = true;
      }
      p->mLeaveTracking = false;
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_USER:
      if (FindGameState()) FindGameState()->SendStateNumber("windowmessage", static_cast<int32_t>(wParam));
      return 1;
    case WM_USER + 2:
      p->SendToHost(msg, wParam, lParam);
      return 1;
    case WM_USER + 100:
      return 1;
    default:
      return defaultHandling();
  }
}
