// UTF-8 <-> UTF-16 for the wide file and shell calls, absolute paths, the desktop folder and the
// player's data folder below the application-data folder.
#pragma once
#include "core/string.h"

// UTF-16 form of a UTF-8 text in a per-thread buffer, valid until the next call on the same thread
// (copy it to keep two at once). An empty text frees the buffer and answers a static empty text.
const char16_t* ToWide(const TString& text);
// UTF-8 form of a NUL-terminated UTF-16 text (null gives an empty string).
TString FromWide(const char16_t* text);
// Absolute form of a path (in the Windows view); empty on failure. Paths of any length are served.
TString GetFullPath(const TString& path);
// The desktop folder (created when missing), absolute, with a trailing "\", copied with its NUL into
// the buffer. 0 on success, -1 on failure, or the buffer size needed (NUL included) when `size` is
// smaller; nothing is copied then.
int GetSpecialFolder(char* buffer, int size);
// Builds and creates "<application data>\<publisher>\<game folder>\" (the all-users folder with
// `common`), the publisher from the "publisher" setting, else "Brisklume". 0 on success, -1 on
// failure, or the buffer size needed (NUL included) when `size` is smaller; nothing is created then.
int MakeUserDataFolder(bool common, const char* gameFolder, char* buffer, int size);
