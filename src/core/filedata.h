// The file objects behind a TFile: the abstract TFileData and the disk file over the CRT stream.
// Memory blocks (memfile.h) and pack entries (mappedfile.h) are the other two kinds.
#pragma once
#include <cstdio>

#include "core/string.h"

// Open modes: 0 and 1 read, every mode from 2 up writes; unknown values open like 1.
enum : int {
  kFileReadBinary = 0,
  kFileReadText = 1,
  kFileWriteBinary = 2,
  kFileWriteText = 3,
  kFileAppendBinary = 4,
  kFileAppendText = 5,
};

// Whence values of Seek.
enum : int {
  kSeekCurrent = 0,
  kSeekStart = 1,
  kSeekEnd = 2,
};

inline bool IsReadingMode(int mode) { return mode == kFileReadBinary || mode == kFileReadText; }

class TFileData {
public:
  virtual ~TFileData() = default;
  virtual bool Open(const TString& path, int mode) = 0;
  virtual void Close() = 0;
  virtual void Unget() = 0;
  virtual void Seek(long offset, int whence) = 0;
  virtual long GetSize() = 0;
  virtual long Tell() = 0;
  virtual long Read(void* buffer, long count) = 0;
  virtual long Write(const void* buffer, long count) = 0;
  virtual bool IsEof() = 0;
  // Hands what was written so far to the system; false when that (or an earlier write) failed.
  virtual bool Flush() { return true; }
};

// A file on disk, opened with the wide CRT fopen on the path's UTF-16 form.
class TDiskFileData : public TFileData {
public:
  ~TDiskFileData() override;
  bool Open(const TString& path, int mode) override;
  void Close() override;
  void Unget() override;
  void Seek(long offset, int whence) override;
  long GetSize() override;
  long Tell() override;
  long Read(void* buffer, long count) override;
  long Write(const void* buffer, long count) override;
  bool IsEof() override;
  bool Flush() override;

private:
  FILE* mStream = nullptr;
  int mLastByte = -1;  // last byte read, for Unget; -1 when none
};
