// Restoring the display after a device loss. Only the entry the event pump calls exists yet; it
// counts its calls until the display code fills it in.
#pragma once

class TPlatformData {
 public:
  // Brings the display's surfaces and assets back (the pump calls it while the display is not ready).
  static void Restore();
  static int RestoreCount();
};
