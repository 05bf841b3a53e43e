// TString, the framework's own string: one pointer to a shared, reference-counted buffer holding
// NUL-terminated bytes (UTF-8 by convention), copied on write. The length is always the strlen of
// the text (kept with the buffer, so it is not measured again). Also the UTF-8 helpers and
// CollateStrings, the ordering of every TString-keyed map.
// The reference count is a plain integer: a string and its copies stay on one thread.
#pragma once
#include <cstdarg>
#include <cstddef>
#include <cstdint>

// Shared text block. A null TString buffer pointer is the empty string.
struct TStringBuffer {
  char* mText;         // heap block with the NUL-terminated bytes
  int32_t mRefCount;   // strings sharing this buffer
  int32_t mCapacity;   // the capacity the string answers, room for the NUL included
  int32_t mLength;     // strlen(mText)
  int32_t mAllocated;  // size of mText in bytes, never below mCapacity (appends grow it ahead)
};

// Search flags of FindChar, Find and Replace.
enum : int {
  kStringNoCase = 1,     // compare through toupper
  kStringAll = 2,        // Replace: every match, not only the first
  kStringBackwards = 4,  // search from the end; the start counts from the end
};

class TString {
public:
  // Longest text a buffer can hold; longer or negative lengths give an empty string.
  static constexpr int32_t kMaxLength = 0x7FFFFFFE;

  TString() = default;
  TString(const char* text);  // NOLINT: implicit, texts pass freely as strings
  TString(const char* bytes, ptrdiff_t length);
  TString(const TString& other);
  TString(TString&& other) noexcept : mBuffer(other.mBuffer) { other.mBuffer = nullptr; }
  ~TString();

  TString& operator=(const TString& other);
  TString& operator=(TString&& other) noexcept;
  TString& operator=(const char* text);

  // One character in UTF-8; empty when the code point cannot be encoded.
  static TString FromCodePoint(uint32_t codePoint);
  static TString Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
  static TString VFormat(const char* format, va_list args) __attribute__((format(printf, 1, 0)));
  TString& Printf(const char* format, ...) __attribute__((format(printf, 2, 3)));

  // ---- queries ----
  int Length() const;
  bool IsEmpty() const { return !mBuffer || mBuffer->mText[0] == 0; }
  const char* CStr() const;  // never null
  // Byte at the index; 0 at or past the end and for negative indices.
  char CharAt(int index) const;
  int ToInt() const;
  float ToFloat() const;
  int Compare(const TString& other) const;
  bool operator==(const TString& other) const { return Compare(other) == 0; }
  bool operator==(const char* text) const;
  bool operator<(const TString& other) const { return Compare(other) < 0; }
  // Index of the byte or -1; the start is an index (counted from the end with kStringBackwards).
  int FindChar(char c, int flags = 0, int start = 0) const;
  int Find(TString pattern, int flags = 0, int start = 0) const;
  // count -1: to the end. A start outside the text or a count below -1 gives an empty string.
  TString SubString(int start, int count = -1) const;

  // Capacity of the buffer, 0 for the empty (null) string; the number of strings sharing it.
  int32_t Capacity() const { return mBuffer ? mBuffer->mCapacity : 0; }
  int32_t RefCount() const { return mBuffer ? mBuffer->mRefCount : 0; }

  // ---- mutators ----
  // New private buffer of at least max(n, 16) bytes (never smaller than the text needs).
  void Reserve(int n);
  // Copies count bytes to the position (-1 or past the end: at the end), growing by doubling;
  // terminates after them when asked or when they reach the end of the text. Returns the index
  // after the written bytes, or -1 when the size is out of range (nothing is written then).
  int WriteAt(int position, const char* bytes, ptrdiff_t count, bool terminate);
  TString& Append(const TString& other);
  TString& Append(const char* bytes, ptrdiff_t length);
  TString& Append(char c);
  TString& operator+=(const TString& other) { return Append(other); }
  TString& operator+=(char c) { return Append(c); }
  TString& ToLower();
  // Removes count bytes from start (-1: to the end); ranges are clipped to the text.
  TString& Erase(int start, int count = -1);
  TString& Replace(const TString& pattern, const TString& replacement, int flags = 0, int start = 0);

  friend TString operator+(const TString& a, const TString& b);
  friend TString operator+(const TString& a, char c);

private:
  // Takes a private copy when the buffer is shared.
  void Unshare();
  void Release();
  // Ensures a private buffer with a capacity of at least `capacity` bytes; false when it cannot be
  // had. With `ahead` the block itself grows geometrically, so that runs of appends cost amortised
  // constant time; the capacity answered stays `capacity`.
  bool Grow(int64_t capacity, bool ahead = false);

  TStringBuffer* mBuffer = nullptr;
};

// Byte length of the UTF-8 sequence at p judged by its first byte alone: 0 for NUL, 4 for 0xF0 and
// above, 3 for 0xE0-0xEF, 2 for 0xC0-0xDF, 1 below 0xC0. May reach past the text end for a
// truncated sequence: walk texts with Utf8StepLength.
int Utf8CharLength(const char* p);
// Bytes the sequence at p actually spans: its lead byte's length, cut at the first byte that is not
// a continuation byte (so never past the terminating NUL). 0 at the NUL.
int Utf8StepLength(const char* p);
// Code point of the sequence at p; 0 for a broken sequence. `consumed` (optional) receives the
// bytes read, which never pass the terminating NUL.
uint32_t Utf8Decode(const char* p, int* consumed = nullptr);
// Writes 0 to 4 bytes of the code point's UTF-8 form to out and answers their number.
int Utf8Encode(uint32_t codePoint, char* out);
// -1, 0 or +1: through the collation plug-in when one is present, else bytewise unsigned.
int CollateStrings(const char* a, const char* b);
