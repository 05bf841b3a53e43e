// The process's window manager. Until the platform object owns it, it lives here.
#include "ui/windowmanager.h"

TWindowManager* GetWindowManager() {
  static TWindowManager manager;
  return &manager;
}
