// Disk files through the CRT stream of the platform layer.
#include "core/filedata.h"

#include "core/path.h"
#include "os/files.h"

namespace {
const char16_t* ModeText(int mode) {
  switch (mode) {
    case kFileReadBinary: return u"rb";
    case kFileWriteBinary: return u"wb";
    case kFileWriteText: return u"wt";
    case kFileAppendBinary: return u"ab";
    case kFileAppendText: return u"at";
    default: return u"rt";
  }
}
}  // namespace

TDiskFileData::~TDiskFileData() { Close(); }

bool TDiskFileData::Open(const TString& path, int mode) {
  Close();
  if (path.IsEmpty()) return false;
  mStream = _wfopen(ToWide(path), ModeText(mode));
  mLastByte = -1;
  return mStream != nullptr;
}

void TDiskFileData::Close() {
  if (mStream) fclose(mStream);
  mStream = nullptr;
}

void TDiskFileData::Unget() {
  if (!mStream || mLastByte < 0) return;
  ungetc(mLastByte, mStream);
  mLastByte = -1;
}

void TDiskFileData::Seek(long offset, int whence) {
  if (!mStream) return;
  int w = whence == kSeekStart ? SEEK_SET : whence == kSeekEnd ? SEEK_END : SEEK_CUR;
  fseek(mStream, offset, w);
}

long TDiskFileData::GetSize() {
  if (!mStream) return 0;
  long here = ftell(mStream);
  fseek(mStream, 0, SEEK_END);
  long size = ftell(mStream);
  fseek(mStream, here, SEEK_SET);
  return size < 0 ? 0 : size;
}

long TDiskFileData::Tell() { return mStream ? ftell(mStream) : 0; }

long TDiskFileData::Read(void* buffer, long count) {
  if (!mStream || !buffer || count <= 0) return 0;
  size_t n = fread(buffer, 1, static_cast<size_t>(count), mStream);
  if (n > 0) mLastByte = static_cast<unsigned char*>(buffer)[n - 1];
  return static_cast<long>(n);
}

long TDiskFileData::Write(const void* buffer, long count) {
  if (!mStream || !buffer || count <= 0) return 0;
  return static_cast<long>(fwrite(buffer, 1, static_cast<size_t>(count), mStream));
}

bool TDiskFileData::IsEof() { return !mStream || feof(mStream); }

bool TDiskFileData::Flush() { return mStream && fflush(mStream) == 0 && !ferror(mStream); }
