// Folder listings through FindFirstFileW / FindNextFileW.
#include "core/folder.h"

#include "core/path.h"
#include "os/folders.h"

struct TDirectoryIterator::FindState {
  WIN32_FIND_DATAW data;
  HANDLE search = INVALID_HANDLE_VALUE;
};

TDirectoryIterator::TDirectoryIterator(const TString& folder) : mState(std::make_unique<FindState>()) {
  Open(folder.CStr());
}

TDirectoryIterator::~TDirectoryIterator() { CloseSearch(); }

void TDirectoryIterator::CloseSearch() {
  if (mState->search != INVALID_HANDLE_VALUE) FindClose(mState->search);
  mState->search = INVALID_HANDLE_VALUE;
}

void TDirectoryIterator::Open(const char* folder) {
  CloseSearch();
  if (!folder) return;
  // The whole folder text is kept (no fixed-size copy), so long paths list the right folder.
  TString pattern(folder);
  int n = pattern.Length();
  char last = n ? pattern.CharAt(n - 1) : 0;
  pattern.Append(last == '/' || last == '\\' ? "*" : "/*");
  mState->search = FindFirstFileW(ToWide(pattern), &mState->data);
}

bool TDirectoryIterator::Advance() {
  if (!FindNextFileW(mState->search, &mState->data)) {
    CloseSearch();
    return false;
  }
  return true;
}

bool TDirectoryIterator::Next(TString* name, bool* isFolder) {
  while (mState->search != INVALID_HANDLE_VALUE) {
    const WIN32_FIND_DATAW& d = mState->data;
    bool folder = (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    bool dots = d.cFileName[0] == u'.' &&
                (d.cFileName[1] == 0 || (d.cFileName[1] == u'.' && d.cFileName[2] == 0));
    if ((folder && !isFolder) || dots) {
      Advance();
      continue;
    }
    if (name) *name = FromWide(d.cFileName);
    if (isFolder) *isFolder = folder;
    Advance();
    return true;
  }
  return false;
}
