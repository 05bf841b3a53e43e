// The rollover window's hover tracking and the window it shows.
#include "shell/rolloverwindow.h"

#include "shell/inputgate.h"
#include "ui/modalwindow.h"
#include "ui/text.h"
#include "ui/windowmanager.h"
#include "ui/windowstyle.h"

TRolloverWindow::~TRolloverWindow() { GetWindowManager()->StopTrackingMouse(this); }

void TRolloverWindow::PostCreate(TWindowStyle& style) {
  mActivateName = style.GetString("activate", TString());
  mCaption = style.GetString("text", TString());
  TWindow::PostCreate(style);
}

bool TRolloverWindow::OnMouseMove(TPoint point) {
  if (NoteMouseAndCheckBriefing(*this, point)) return true;
  if (!mTracking) {
    // Tracking gives this window the pointer first, and a leave event once it is gone.
    GetWindowManager()->TrackMouse(this);
    mTracking = true;
    ShowTarget(true);
  } else if (!GetClientRect().Contains(point.x, point.y)) {
    GetWindowManager()->StopTrackingMouse(this);
    mTracking = false;
    ShowTarget(false);
  }
  return false;
}

bool TRolloverWindow::OnMouseLeave() {
  if (mTracking) {
    GetWindowManager()->StopTrackingMouse(this);
    ShowTarget(false);
    mTracking = false;
  }
  return false;
}

void TRolloverWindow::ShowTarget(bool visible) {
  TModalWindow* modal = GetModalParent();
  if (!mActivateName.IsEmpty() && modal) {
    if (TWindow* target = modal->FindChild(mActivateName, -1)) {
      target->Show(visible);
      if (visible && !mCaption.IsEmpty())
        if (TText* text = KindCast<TText>(target)) text->SetText(mCaption);
    }
  }
  GetWindowManager()->Invalidate();
}
