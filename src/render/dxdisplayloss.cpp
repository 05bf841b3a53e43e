// The display handler's recovery: restoring a lost device and its assets, and the switch to the
// low-video-memory mode (remembered in the display settings file) when video memory runs out,
// reported from any thread and handled on the main one.
#include "render/dxdisplayhandler.h"

#include <atomic>
#include <thread>

#include "core/config.h"
#include "core/file.h"
#include "core/log.h"
#include "core/timer.h"
#include "core/xml.h"
#include "os/thread.h"
#include "os/time.h"
#include "render/assetmanager.h"
#include "render/directx.h"
#include "render/dxdisplayhandler_internal.h"

using namespace dxdisplay;

namespace {

std::atomic<bool> gOutOfVideoMemorySeen{false};
std::thread::id gMainThread;

}  // namespace

void TDxDisplayHandler::BecomeProcessDisplay() {
  gMainThread = std::this_thread::get_id();
  gOutOfVideoMemorySeen = false;
  SetOutOfVideoMemoryHook(&TDxDisplayHandler::ReportOutOfVideoMemory);
}

void TDxDisplayHandler::LeaveProcessDisplay() { SetOutOfVideoMemoryHook(nullptr); }

void TDxDisplayHandler::RestoreDisplay() {
  TPlatformData& d = *mData;
  if (d.mRestoreBusy) {
    MarkBroken();
    Sleep(50);
    return;
  }
  d.mRestoreBusy = true;
  struct Clear {
    bool* flag;
    ~Clear() { *flag = false; }
  } clear{&d.mRestoreBusy};
  TPlatformImpl* impl = Impl();
  if (impl && impl->mSuspended) {
    Sleep(100);
    return;
  }
  if (TAssetManager* assets = TAssetManager::GetInstance()) assets->UnloadAll();
  HandleOutOfVideoMemoryReports();
  int width = d.mDisplayRect.right, height = d.mDisplayRect.bottom;
  auto again = [&] { SetDisplay(width, height, mFullScreen, true, false, false); };
  if (!d.mDirectDraw || d.mOutOfVideoMemoryReported) {
    LogPrintf("TPlatformData::Restore: mDirectDraw NULL. Calling SetDisplay()");
    SetDisplay(width, height, mFullScreen, true, true, false);
    return;
  }
  bool active = impl && impl->mWindowActive;
  HRESULT hr = d.mDirectDraw->TestCooperativeLevel();
  if (FAILED(hr)) {
    for (int attempt = 1;; ++attempt) {
      if (hr == DDERR_WRONGMODE) {
        again();
        return;
      }
      if (!active) return;
      Sleep(100);
      if (hr == DDERR_NOEXCLUSIVEMODE) return;
      if (hr == DDERR_EXCLUSIVEMODEALREADYSET)
        hr = d.mDirectDraw->SetCooperativeLevel(impl->mMainWindow, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN);
      if (attempt >= 4) return;
      if (FAILED(hr)) {
        hr = d.mDirectDraw->TestCooperativeLevel();
        if (SUCCEEDED(hr)) break;
        continue;
      }
      LogPrintf("Restore: Test Cooperative level failed. Calling SetDisplay");
      again();
      return;
    }
  }
  if (d.mFrameCount < 3) {
    if (!active) {
      MarkBroken();
      return;
    }
    LogPrintf("TPlatformData::Restore: Working count too small (%d). Calling SetDisplay()", static_cast<int>(d.mFrameCount));
    again();
    return;
  }
  d.mFrameCount = 0;
  d.mBroken = false;
  SetConfig("dxbroken", "0");
  hr = d.mDirectDraw->RestoreAllSurfaces();
  if (SUCCEEDED(hr)) {
    RestoreAssets();
    if (impl) impl->RefreshCursor();
    Invalidate();
  } else if (hr == DDERR_WRONGMODE) {
    LogPrintf("Restore: RestoreAllSurfaces resulted in DDERR_WRONGMODE. Calling SetDisplay.");
    again();
  } else {
    LogPrintf("RestoreAllSurfaces failed!\n");
    DX_CHECK(hr);
    again();
  }
}

void TDxDisplayHandler::RestoreAssets() {
  if (!IsReady()) {
    LogPrintf("RestoreAssets: DX broken");
    return;
  }
  if (TAssetManager* assets = TAssetManager::GetInstance()) assets->RestoreAll();
  if (TPlatform* platform = TPlatform::GetInstance())
    if (TTaskList* tasks = platform->GetTaskList()) tasks->RunAll(0);
  Invalidate();
}

void TDxDisplayHandler::OutOfVideoMemory() {
  ++mOutOfVideoMemoryCalls;
  TPlatformData& d = *mData;
  if (d.mLowMemoryVideo || !d.mDirect3D) return;
  LogPrintf("OutOfVideoMemory triggered!");
  d.mLowMemoryVideo = true;
  MarkBroken();
  d.mOutOfVideoMemoryReported = true;
  TXmlNode doc;
  TXmlNode* settings = doc.AddChild("Settings");
  settings->SetAttribute("LowMemoryVideo", TString("1"));
  TString text = settings->ToString();
  TFile* file = FileOpen(kDisplayFile, kFileWriteText);
  if (!file) {
    LogPrintf("Could not write %s", kDisplayFile);
    return;
  }
  FileWrite(file, text.CStr(), text.Length());
  FileClose(file);
}

void TDxDisplayHandler::ReportOutOfVideoMemory() {
  // Only the main thread may log, touch the configuration or write files: other threads leave a
  // note that the main thread takes up at its next frame or pump turn.
  TDxDisplayHandler* handler = GetInstance();
  if (handler && std::this_thread::get_id() == gMainThread) handler->OutOfVideoMemory();
  else gOutOfVideoMemorySeen = true;
}

void TDxDisplayHandler::HandleOutOfVideoMemoryReports() {
  if (std::this_thread::get_id() != gMainThread) return;
  if (gOutOfVideoMemorySeen.exchange(false)) OutOfVideoMemory();
}
