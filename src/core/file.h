// TFile, the owning handle through which the framework reads and writes every file, and the free
// file functions. A virtual path is lower-cased and resolved through the asset index, the roots
// "user:", "common:" and "desktop:", the "assets/" prefix and the literal prefix "::"; the result
// opens as a disk file, a pack entry ("@...") or a registered memory block ("&...").
#pragma once
#include <memory>

#include "core/filedata.h"
#include "core/string.h"

class TFile {
public:
  TFile() = default;
  ~TFile() = default;
  TFile(const TFile&) = delete;
  TFile& operator=(const TFile&) = delete;

  // Resolves the path and opens it (releasing any data held first); false when it cannot be opened.
  bool Open(const TString& path, int mode);
  // Deletes the data object (closing it) and empties the handle.
  void Release() { mData.reset(); }

  void Seek(long offset, int whence) { if (mData) mData->Seek(offset, whence); }
  long GetSize() { return mData ? mData->GetSize() : 0; }
  long Tell() { return mData ? mData->Tell() : -1; }
  long Read(void* buffer, long count) { return mData ? mData->Read(buffer, count) : 0; }
  long Write(const void* buffer, long count) { return mData ? mData->Write(buffer, count) : 0; }
  void Unget() { if (mData) mData->Unget(); }
  bool IsEof() { return mData ? mData->IsEof() : true; }
  // False when what was written did not all reach the system.
  bool Flush() { return mData && mData->Flush(); }
  bool IsOpen() const { return mData != nullptr; }

private:
  std::unique_ptr<TFileData> mData;
};

// A new open file, or null when the path cannot be resolved or opened.
TFile* FileOpen(const TString& path, int mode);
// Deletes the handle and its data; null does nothing.
void FileClose(TFile* file);
void FileSeek(TFile* file, long offset, int whence);
long FileTell(TFile* file);
long FileRead(TFile* file, void* buffer, long count);
long FileWrite(TFile* file, const void* buffer, long count);
bool FileIsEof(TFile* file);
void FileUnget(TFile* file);
// Next byte (0..255), or -1 at the end of the file or when the read fails.
int FileGetChar(TFile* file);
// True when the handle holds no data (a null handle counts as closed).
bool FileIsClosed(TFile* file);
// Reads up to size - 1 bytes, stopping after a line feed or carriage return (which is kept), and
// puts a NUL after them. Answers a pointer to that NUL, or null when the file is at its end after.
char* FileReadLine(TFile* file, char* buffer, int size);
// True when the path resolves for reading (an indexed name counts without a disk test).
bool FileExists(const TString& path);
// The located path of a virtual path; empty when it cannot be resolved.
TString ResolvePath(const TString& path, bool forReading);
// The process's current folder (in the platform's Windows view).
TString GetCurrentDir();
