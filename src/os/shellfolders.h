// Special folders of the stand-in (SHELL32). Application data is $XDG_DATA_HOME (default
// ~/.local/share); the desktop is $XDG_DESKTOP_DIR (default ~/Desktop); there is no shared all-users
// folder on Linux, so common application data fails and the caller takes its own fallback.
// Tests point these at temporary folders by setting XDG_DATA_HOME, XDG_DESKTOP_DIR or HOME.
#pragma once
#include "os/win32types.h"

constexpr int CSIDL_DESKTOP = 0x00;         // the desktop folder
constexpr int CSIDL_APPDATA = 0x1A;         // the user's application-data folder (26)
constexpr int CSIDL_COMMON_APPDATA = 0x23;  // the all-users application-data folder (35): fails here

// Path of a special folder in the Windows view, without a trailing "\", into a buffer of MAX_PATH
// units; with `create` set the folder (and its parents) are created. FALSE when the folder is
// unknown, cannot be created or does not fit in MAX_PATH units.
BOOL SHGetSpecialFolderPathW(HWND owner, LPWSTR path, int csidl, BOOL create);
// The same in UTF-8 into MAX_PATH bytes.
BOOL SHGetSpecialFolderPathA(HWND owner, LPSTR path, int csidl, BOOL create);
