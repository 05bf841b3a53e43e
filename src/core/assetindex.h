// The asset index: lower-cased virtual names -> located paths (disk paths, pack locators "@n:o,s",
// memory locators "&a,l"), filled at start-up from the assets folder, the player's folders and the
// pack files. Also the hidden-name set read from the manifest, the three root folders and the
// start-up scan.
#pragma once
#include <map>
#include <set>

#include "core/string.h"

using TAssetIndex = std::map<TString, TString>;

// The process-wide index, hidden-name set and root folders (main thread only).
TAssetIndex& GetAssetIndex();
std::set<TString>& GetHiddenNames();
// Sets the folders behind "user:", "common:" and "desktop:" (an empty folder disables its root).
void SetFileRoots(const TString& user, const TString& common, const TString& desktop);
const TString& GetUserRoot();
const TString& GetCommonRoot();
const TString& GetDesktopRoot();

// Start-up scan: the manifest ("final.txt", or "firstpeek.txt" with "firstpeek" set) from the current
// folder, then the assets folder, then (unless "activex" is "1") the user and common folders.
void InitFileSystem();
// Splits the manifest text at blanks and line ends; each lower-cased token is added to (or, without
// `add`, removed from) the hidden set, and "-*" empties the set. True when a "-*" was seen.
bool ParseManifest(const char* text, bool add);
// Mounts the folder's packs, then indexes its files (recursively) under prefix + relative name.
void IndexAssetFolder(const TString& folder, const TString& prefix);
// Enters a memory block under a name ("&address,length"); a null address erases the name's entry.
void RegisterMemoryBlock(TAssetIndex& index, const TString& name, const void* address, unsigned long length);
void RegisterMemoryFile(const TString& name, const void* address, unsigned long length);

namespace filetest {
// Empties the index, the hidden set, the root folders and the pack table.
void ResetFileSystem();
}
