// Byte sources of the XML reader: TGetCharFile reads a file through the file layer, TGetCharString a
// block of memory. Both answer bytes as 0..255 and -1 only at the end of the input.
#pragma once
#include <cstdint>

#include "core/string.h"

class TFile;

class TGetChar {
public:
  virtual ~TGetChar() = default;
  // Steps back one byte; answers the given byte, or -1 when that is not possible.
  virtual int Unget(int byte) = 0;
  // Next byte 0..255, or -1 at the end.
  virtual int GetChar() = 0;
  virtual void Rewind() = 0;

  // Reads one UTF-8 character: the lead byte and, judged by it, up to 3 more. The bytes go to `bytes`
  // and their number to `count`; answers the lead byte, or -1 at the end (or when stopped).
  int ReadUtf8Char(uint8_t bytes[4], int* count);
  // Pushes such bytes back, last first, stopping at the first failing unget.
  void UngetBytes(const uint8_t* bytes, int count);

  bool mStop = false;           // when set, ReadUtf8Char answers -1 without reading
  int32_t mDepth = 0;           // element depth, kept by the parser
  int32_t mMode = 0;            // source mode; always 0 (no early stop)
  bool mError = false;          // the input ended inside a tag (or nested too deeply)
  bool mDepthComplete = false;  // unused with mode 0
  bool mTooDeep = false;        // elements were nested past the reader's limit (logged once)
};

class TGetCharFile : public TGetChar {
public:
  explicit TGetCharFile(const TString& path);
  ~TGetCharFile() override;
  int Unget(int byte) override;
  int GetChar() override;
  void Rewind() override;
  // Closes and opens the path again (only when open).
  void Reopen();
  bool IsOpen() const { return mFile != nullptr; }
  TFile* GetFile() { return mFile; }

private:
  TFile* mFile = nullptr;
  TString mPath;
};

class TGetCharString : public TGetChar {
public:
  TGetCharString(const char* data, int32_t size) : mData(reinterpret_cast<const uint8_t*>(data)), mSize(size) {}
  int Unget(int byte) override;
  int GetChar() override;
  void Rewind() override { mPosition = 0; }

private:
  const uint8_t* mData;
  int32_t mPosition = 0;
  int32_t mSize;
};
