// Byte sources of the XML reader.
#include "core/getchar.h"

#include "core/file.h"

int TGetChar::ReadUtf8Char(uint8_t bytes[4], int* count) {
  *count = 0;
  if (mStop) return -1;
  int lead = GetChar();
  if (lead < 0) return -1;
  bytes[0] = static_cast<uint8_t>(lead);
  int extra = lead >= 240 ? 3 : lead >= 224 ? 2 : lead >= 192 ? 1 : 0;
  int n = 1;
  for (int i = 0; i < extra; ++i) {
    int c = GetChar();
    if (c < 0) break;
    bytes[n++] = static_cast<uint8_t>(c);
  }
  *count = n;
  return lead;
}

void TGetChar::UngetBytes(const uint8_t* bytes, int count) {
  for (int i = count - 1; i >= 0; --i)
    if (Unget(bytes[i]) < 0) return;
}

TGetCharFile::TGetCharFile(const TString& path) : mPath(path) { mFile = FileOpen(path, kFileReadBinary); }

TGetCharFile::~TGetCharFile() { FileClose(mFile); }

int TGetCharFile::GetChar() { return mFile ? FileGetChar(mFile) : -1; }

int TGetCharFile::Unget(int byte) {
  if (!mFile) return -1;
  FileSeek(mFile, -1, kSeekCurrent);
  return byte;
}

void TGetCharFile::Rewind() { FileSeek(mFile, 0, kSeekStart); }

void TGetCharFile::Reopen() {
  if (!mFile) return;
  FileClose(mFile);
  mFile = FileOpen(mPath, kFileReadBinary);
}

int TGetCharString::GetChar() {
  if (!mData || mPosition >= mSize) return -1;
  return mData[mPosition++];
}

int TGetCharString::Unget(int byte) {
  if (mPosition <= 0) return -1;
  --mPosition;
  return byte;
}
