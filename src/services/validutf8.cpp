// See validutf8.h.
#include "services/validutf8.h"

bool IsValidUTF8(const TString& text) {
  const char* p = text.CStr();
  for (int i = 0; i < text.Length(); ++i)
    if (static_cast<unsigned char>(p[i]) >= 0xC0) return false;
  return true;
}
