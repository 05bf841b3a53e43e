// Clipboard and GlobalAlloc blocks (see clipboard.h).
#include "os/clipboard.h"

#include <SDL.h>

#include <cstring>
#include <map>
#include <mutex>
#include <vector>

#include "os/thread.h"
#include "os/user_internal.h"
#include "os/text.h"
#include "os/faultinject.h"

namespace {

class GlobalBlock : public os::HandleObject {
 public:
  std::vector<char> bytes;
  int locks = 0;
};

struct Clipboard {
  std::mutex lock;
  DWORD openBy = 0;
  bool changed = false;
  std::map<UINT, std::vector<char>> formats;
  std::map<UINT, HGLOBAL> handedOut;  // blocks GetClipboardData returned, freed on the next change
  std::string mirrored;               // what we last gave SDL (UTF-8)
  bool haveMirror = false;
};

Clipboard& C() {
  static Clipboard* c = new Clipboard;
  return *c;
}

bool SdlUsable() { return os::sdl::VideoReady() && os::sdl::OnSdlThread(); }

void DropHandedOut(Clipboard& c) {
  for (auto& [fmt, h] : c.handedOut) CloseHandle(h);
  c.handedOut.clear();
}

// Another program may have changed SDL's clipboard since we set it: then its text wins.
void RefreshFromSdl(Clipboard& c) {
  if (!SdlUsable() || !SDL_HasClipboardText()) return;
  char* text = SDL_GetClipboardText();
  if (!text) return;
  std::string t = text;
  SDL_free(text);
  if (c.haveMirror && t == c.mirrored) return;
  DropHandedOut(c);
  c.formats.clear();
  std::u16string w = os::Utf8ToUtf16(t);
  std::vector<char> wide(reinterpret_cast<const char*>(w.c_str()),
                         reinterpret_cast<const char*>(w.c_str() + w.size() + 1));
  c.formats[CF_UNICODETEXT] = wide;
  c.mirrored = t;
  c.haveMirror = true;
}

std::string Utf8Of(const Clipboard& c) {
  auto u = c.formats.find(CF_UNICODETEXT);
  if (u != c.formats.end()) {
    std::u16string w;
    for (size_t i = 0; i + 1 < u->second.size(); i += 2) {
      char16_t unit;
      std::memcpy(&unit, u->second.data() + i, 2);
      if (!unit) break;
      w.push_back(unit);
    }
    return os::Utf16ToUtf8(w);
  }
  auto a = c.formats.find(CF_TEXT);
  if (a == c.formats.end()) return {};
  // The ANSI code page is UTF-8 here; bytes that are not valid UTF-8 stay as they are.
  return std::string(a->second.data(), strnlen(a->second.data(), a->second.size()));
}

// The system clipboard takes valid UTF-8 only: stray bytes become U+FFFD there.
std::string ForSystem(const std::string& bytes) { return os::Utf16ToUtf8(os::Utf8ToUtf16(bytes)); }

}  // namespace

HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes) {
  if (os::ShouldFail("GlobalAlloc")) return nullptr;
  if (bytes > (SIZE_T{1} << 31)) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  auto b = std::make_shared<GlobalBlock>();
  b->bytes.assign(bytes ? bytes : 1, 0);  // zeroed whatever the flags say
  (void)flags;
  return os::NewHandle(b);
}

LPVOID GlobalLock(HGLOBAL mem) {
  auto b = os::LookupHandleAs<GlobalBlock>(mem);
  if (!b) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  ++b->locks;
  return b->bytes.data();
}

BOOL GlobalUnlock(HGLOBAL mem) {
  auto b = os::LookupHandleAs<GlobalBlock>(mem);
  if (!b) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (b->locks > 0) --b->locks;
  SetLastError(0);
  return b->locks > 0;
}

SIZE_T GlobalSize(HGLOBAL mem) {
  auto b = os::LookupHandleAs<GlobalBlock>(mem);
  return b ? b->bytes.size() : 0;
}

HGLOBAL GlobalFree(HGLOBAL mem) {
  if (!os::LookupHandleAs<GlobalBlock>(mem)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return mem;
  }
  CloseHandle(mem);
  return nullptr;
}

BOOL OpenClipboard(HWND) {
  if (os::ShouldFail("OpenClipboard")) return FALSE;
  Clipboard& c = C();
  std::lock_guard<std::mutex> g(c.lock);
  DWORD me = GetCurrentThreadId();
  if (c.openBy && c.openBy != me) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  c.openBy = me;
  return TRUE;
}

BOOL CloseClipboard() {
  Clipboard& c = C();
  std::string text;
  bool push;
  {
    std::lock_guard<std::mutex> g(c.lock);
    if (c.openBy != GetCurrentThreadId()) {
      SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
      return FALSE;
    }
    c.openBy = 0;
    push = c.changed;
    c.changed = false;
    if (push) {
      text = ForSystem(Utf8Of(c));
      c.mirrored = text;
      c.haveMirror = true;
    }
  }
  if (push && SdlUsable()) SDL_SetClipboardText(text.c_str());
  return TRUE;
}

BOOL EmptyClipboard() {
  Clipboard& c = C();
  std::lock_guard<std::mutex> g(c.lock);
  if (c.openBy != GetCurrentThreadId()) {
    SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
    return FALSE;
  }
  DropHandedOut(c);
  c.formats.clear();
  c.changed = true;
  return TRUE;
}

HANDLE SetClipboardData(UINT format, HANDLE mem) {
  Clipboard& c = C();
  std::lock_guard<std::mutex> g(c.lock);
  if (c.openBy != GetCurrentThreadId()) {
    SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
    return nullptr;
  }
  auto b = os::LookupHandleAs<GlobalBlock>(mem);
  if (!b) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  c.formats[format] = b->bytes;
  c.changed = true;
  CloseHandle(mem);  // the clipboard owns it now
  return mem;
}

HANDLE GetClipboardData(UINT format) {
  Clipboard& c = C();
  std::lock_guard<std::mutex> g(c.lock);
  if (c.openBy != GetCurrentThreadId()) {
    SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
    return nullptr;
  }
  RefreshFromSdl(c);
  std::vector<char> data;
  auto it = c.formats.find(format);
  if (it != c.formats.end()) {
    data = it->second;
  } else if (format == CF_TEXT && c.formats.count(CF_UNICODETEXT)) {
    std::string ansi = Utf8Of(c);
    data.assign(ansi.c_str(), ansi.c_str() + ansi.size() + 1);
  } else if (format == CF_UNICODETEXT && c.formats.count(CF_TEXT)) {
    std::u16string w = os::Utf8ToUtf16(Utf8Of(c));
    data.assign(reinterpret_cast<const char*>(w.c_str()), reinterpret_cast<const char*>(w.c_str() + w.size() + 1));
  } else {
    return nullptr;
  }
  auto old = c.handedOut.find(format);
  if (old != c.handedOut.end()) CloseHandle(old->second);
  auto b = std::make_shared<GlobalBlock>();
  b->bytes = std::move(data);
  HANDLE h = os::NewHandle(b);
  c.handedOut[format] = h;
  return h;
}

BOOL IsClipboardFormatAvailable(UINT format) {
  if (format != CF_TEXT && format != CF_UNICODETEXT) return FALSE;
  Clipboard& c = C();
  std::lock_guard<std::mutex> g(c.lock);
  RefreshFromSdl(c);
  return c.formats.count(CF_TEXT) || c.formats.count(CF_UNICODETEXT);
}

namespace os {

void TestSetClipboardBytes(const std::string& bytes) {
  Clipboard& c = C();
  std::lock_guard<std::mutex> g(c.lock);
  DropHandedOut(c);
  c.formats.clear();
  c.formats[CF_TEXT] = std::vector<char>(bytes.c_str(), bytes.c_str() + bytes.size() + 1);
  c.mirrored = ForSystem(Utf8Of(c));
  c.haveMirror = true;
  if (SdlUsable()) SDL_SetClipboardText(c.mirrored.c_str());
}

std::string TestClipboardUtf8() {
  if (SdlUsable()) {
    char* text = SDL_GetClipboardText();
    std::string t = text ? text : "";
    SDL_free(text);
    return t;
  }
  Clipboard& c = C();
  std::lock_guard<std::mutex> g(c.lock);
  return c.mirrored;
}

void TestResetClipboard() {
  Clipboard& c = C();
  std::lock_guard<std::mutex> g(c.lock);
  DropHandedOut(c);
  c.formats.clear();
  c.openBy = 0;
  c.changed = false;
  c.mirrored.clear();
  c.haveMirror = false;
  if (SdlUsable()) SDL_SetClipboardText("");
}

}  // namespace os
