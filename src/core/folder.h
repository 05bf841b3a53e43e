// TDirectoryIterator: walks the entries of one folder (never "." or ".."), optionally skipping
// folders, in the order the platform lists them (sorted by name). Used by the asset scan and the
// pack mounting.
#pragma once
#include <memory>

#include "core/string.h"

class TDirectoryIterator {
public:
  explicit TDirectoryIterator(const TString& folder);
  ~TDirectoryIterator();
  TDirectoryIterator(const TDirectoryIterator&) = delete;
  TDirectoryIterator& operator=(const TDirectoryIterator&) = delete;

  // Ends a running search and starts one on the folder; a null folder leaves the iterator closed.
  void Open(const char* folder);
  // The next entry's name; with `isFolder` given, folders are listed too and flagged there, without
  // it they are skipped. False at the end of the listing.
  bool Next(TString* name, bool* isFolder);

private:
  void CloseSearch();
  bool Advance();  // moves to the following entry, closing the search at the end

  struct FindState;
  std::unique_ptr<FindState> mState;  // the system's find record and the search handle
};
