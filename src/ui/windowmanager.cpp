// The process's window manager: the platform's while one exists, else a stand-by instance.
#include "ui/windowmanager.h"

#include "core/platform.h"

TWindowManager* GetWindowManager() {
  if (TPlatform* platform = TPlatform::GetInstance())
    if (TWindowManager* manager = platform->GetWindowManager()) return manager;
  static TWindowManager standBy;
  return &standBy;
}
