// TMemoryFile: a read-only file over a memory block registered with the file layer and reached
// through a locator "&<address>,<length>". The block belongs to whoever registered it.
#pragma once
#include <cstdint>

#include "core/filedata.h"

class TMemoryFile : public TFileData {
public:
  bool Open(const TString& locator, int mode) override;
  void Close() override;
  void Unget() override;
  void Seek(long offset, int whence) override;
  long GetSize() override { return mSize; }
  long Tell() override { return mPosition; }
  // In mode 1 (read text) carriage returns are dropped; answers the bytes stored.
  long Read(void* buffer, long count) override;
  long Write(const void* buffer, long count) override { return 0; }
  bool IsEof() override { return mPosition == mSize; }

private:
  const uint8_t* mData = nullptr;
  int32_t mSize = 0;
  int32_t mPosition = 0;  // always within 0..mSize
  int32_t mMode = 0;
};

// Where a seek lands in a block, before any clamping (64-bit, so huge offsets cannot wrap); false for
// an unknown whence. Shared by the memory and pack-entry files.
bool SeekTarget(long position, long size, long offset, int whence, long long* target);

// Copies `count` bytes from `src` to `dst`, dropping carriage returns in mode 1 (read text).
// Answers the bytes stored. Shared by the memory and pack-entry files.
long CopyFileBytes(void* dst, const uint8_t* src, long count, int mode);
