// TString buffers, copy on write, searching and formatting; the UTF-8 helpers and CollateStrings.
// Every size is checked against kMaxLength before it is used: a negative, oversized or overflowing
// length yields an empty or unchanged string instead of a short block that would be overrun.
#include "core/string.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <new>
#include <string_view>

#include "core/collation.h"

namespace {

constexpr int64_t kMinCapacity = 16;
constexpr int64_t kMaxCapacity = int64_t(TString::kMaxLength) + 1;

// A new buffer with an empty text; capacity must already be within 1..kMaxCapacity.
TStringBuffer* NewBuffer(int64_t capacity) {
  char* text = static_cast<char*>(std::malloc(static_cast<size_t>(capacity)));
  if (!text) throw std::bad_alloc();
  text[0] = 0;
  const auto size = static_cast<int32_t>(capacity);
  return new TStringBuffer{text, 1, size, 0, size};
}

// Length of a text just written into the block by other means: where its first NUL is.
int32_t MeasuredLength(const TStringBuffer* b) { return static_cast<int32_t>(std::strlen(b->mText)); }

void FreeBuffer(TStringBuffer* b) {
  std::free(b->mText);
  delete b;
}

// Capacity of a buffer made for n bytes: n + 1 from 15 bytes on, else the 16-byte minimum.
int64_t CapacityFor(int64_t n) { return (n >= 15 && n <= TString::kMaxLength) ? n + 1 : kMinCapacity; }

int Upper(char c) { return std::toupper(static_cast<unsigned char>(c)); }

bool SameChar(char a, char b, bool noCase) { return noCase ? Upper(a) == Upper(b) : a == b; }

// True when p points into the buffer's text block (the caller passes part of the string itself).
bool PointsInto(const TStringBuffer* b, const char* p) {
  if (!b || !p) return false;
  std::less_equal<const char*> le;
  std::less<const char*> lt;
  return le(b->mText, p) && lt(p, b->mText + b->mAllocated);
}

}  // namespace

// ---- construction -------------------------------------------------------------------------------

TString::TString(const char* text) {
  if (!text) {
    mBuffer = NewBuffer(kMinCapacity);
    return;
  }
  size_t n = std::strlen(text);
  if (n > size_t(kMaxLength)) return;
  mBuffer = NewBuffer(int64_t(n) + 1);
  std::memcpy(mBuffer->mText, text, n + 1);
  mBuffer->mLength = int32_t(n);
}

TString::TString(const char* bytes, ptrdiff_t length) {
  if (length < 0 || length > kMaxLength || (!bytes && length > 0)) return;
  mBuffer = NewBuffer(CapacityFor(length));
  if (length > 0) std::memcpy(mBuffer->mText, bytes, size_t(length));
  mBuffer->mText[length] = 0;
  // The bytes may hold a NUL: the text ends there.
  const void* nul = length > 0 ? std::memchr(bytes, 0, size_t(length)) : nullptr;
  mBuffer->mLength = nul ? int32_t(static_cast<const char*>(nul) - bytes) : int32_t(length);
}

TString::TString(const TString& other) : mBuffer(other.mBuffer) {
  if (!mBuffer) return;
  if (mBuffer->mRefCount == INT32_MAX) {  // count would overflow: take a private copy instead
    mBuffer = nullptr;
    *this = TString(other.CStr());
    return;
  }
  ++mBuffer->mRefCount;
}

TString::~TString() { Release(); }

void TString::Release() {
  if (mBuffer && --mBuffer->mRefCount == 0) FreeBuffer(mBuffer);
  mBuffer = nullptr;
}

TString& TString::operator=(const TString& other) {
  if (other.mBuffer == mBuffer) return *this;
  TString copy(other);
  std::swap(mBuffer, copy.mBuffer);
  return *this;
}

TString& TString::operator=(TString&& other) noexcept {
  if (this != &other) {
    Release();
    mBuffer = other.mBuffer;
    other.mBuffer = nullptr;
  }
  return *this;
}

TString& TString::operator=(const char* text) {
  TString fresh(text);  // built first: text may point into this string
  std::swap(mBuffer, fresh.mBuffer);
  return *this;
}

TString TString::FromCodePoint(uint32_t codePoint) {
  char bytes[4];
  int n = Utf8Encode(codePoint, bytes);
  return n ? TString(bytes, n) : TString();
}

TString TString::Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  TString s = VFormat(format, args);
  va_end(args);
  return s;
}

TString TString::VFormat(const char* format, va_list args) {
  if (!format) return TString();
  char stackText[4096];
  va_list first;
  va_copy(first, args);
  int n = std::vsnprintf(stackText, sizeof stackText, format, first);
  va_end(first);
  if (n >= 0 && n < int(sizeof stackText)) return TString(stackText);
  if (n < 0) {  // some formatters only report that the text did not fit: measure it
    va_list measure;
    va_copy(measure, args);
    n = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (n < 0) return TString();
  }
  if (n > kMaxLength) return TString();
  TString s;
  s.mBuffer = NewBuffer(std::max<int64_t>(int64_t(n) + 1, kMinCapacity));
  va_list second;
  va_copy(second, args);
  std::vsnprintf(s.mBuffer->mText, size_t(n) + 1, format, second);
  va_end(second);
  s.mBuffer->mLength = MeasuredLength(s.mBuffer);
  return s;
}

TString& TString::Printf(const char* format, ...) {
  va_list args;
  va_start(args, format);
  *this = VFormat(format, args);
  va_end(args);
  return *this;
}

// ---- queries ------------------------------------------------------------------------------------

int TString::Length() const { return mBuffer ? mBuffer->mLength : 0; }

const char* TString::CStr() const { return mBuffer ? mBuffer->mText : ""; }

char TString::CharAt(int index) const {
  return unsigned(index) < unsigned(Length()) ? mBuffer->mText[index] : 0;
}

int TString::ToInt() const { return mBuffer ? std::atoi(mBuffer->mText) : 0; }

float TString::ToFloat() const { return mBuffer ? float(std::atof(mBuffer->mText)) : 0.0f; }

int TString::Compare(const TString& other) const {
  if (mBuffer == other.mBuffer) return 0;
  if (!mBuffer) return other.mBuffer->mText[0] ? -1 : 0;
  if (!other.mBuffer) return mBuffer->mText[0] ? 1 : 0;
  return CollateStrings(mBuffer->mText, other.mBuffer->mText);
}

bool TString::operator==(const char* text) const {
  if (!text) text = "";
  if (!mBuffer) return text[0] == 0;
  return CollateStrings(mBuffer->mText, text) == 0;
}

int TString::FindChar(char c, int flags, int start) const {
  int len = Length();
  if (len == 0 || unsigned(start) >= unsigned(len)) return -1;
  const char* t = mBuffer->mText;
  bool noCase = flags & kStringNoCase;
  if (flags & kStringBackwards) {
    for (int i = len - 1 - start; i >= 0; --i)
      if (SameChar(t[i], c, noCase)) return i;
  } else if (!noCase) {
    const void* at = std::memchr(t + start, c, size_t(len - start));
    return at ? int(static_cast<const char*>(at) - t) : -1;
  } else {
    for (int i = start; i < len; ++i)
      if (SameChar(t[i], c, noCase)) return i;
  }
  return -1;
}

int TString::Find(TString pattern, int flags, int start) const {
  int len = Length();
  if (len == 0 || unsigned(start) >= unsigned(len)) return -1;
  const char* t = mBuffer->mText;
  const char* p = pattern.CStr();
  int plen = pattern.Length();
  bool noCase = flags & kStringNoCase;
  auto matchesAt = [&](int pos) {
    for (int k = 0; k < plen; ++k)
      if (!SameChar(t[pos + k], p[k], noCase)) return false;
    return true;
  };
  int last = len - plen;
  if (flags & kStringBackwards) {
    for (int pos = last - start; pos >= 0; --pos)
      if (matchesAt(pos)) return pos;
  } else if (!noCase) {
    size_t at = std::string_view(t, size_t(len)).find(std::string_view(p, size_t(plen)), size_t(start));
    return at == std::string_view::npos ? -1 : int(at);
  } else {
    for (int pos = start; pos <= last; ++pos)
      if (matchesAt(pos)) return pos;
  }
  return -1;
}

TString TString::SubString(int start, int count) const {
  int len = Length();
  bool inText = unsigned(start) < unsigned(len);
  int64_t n = count;
  if (count == -1) n = int64_t(len) - start + 1;
  if (!inText || n < 0) n = 0;
  // A count reaching past the text is cut to it, so the NUL lands inside the block.
  int64_t avail = inText ? len - start : 0;
  n = std::min(n, avail + 1);
  TString s;
  s.mBuffer = NewBuffer(CapacityFor(n));
  int64_t copy = std::min(n, avail);
  if (copy > 0) std::memcpy(s.mBuffer->mText, mBuffer->mText + start, size_t(copy));
  s.mBuffer->mText[copy] = 0;
  s.mBuffer->mLength = int32_t(copy);
  return s;
}

// ---- mutators -----------------------------------------------------------------------------------

void TString::Unshare() {
  if (!mBuffer || mBuffer->mRefCount <= 1) return;
  TStringBuffer* own = NewBuffer(mBuffer->mCapacity);
  std::memcpy(own->mText, mBuffer->mText, size_t(mBuffer->mLength) + 1);
  own->mLength = mBuffer->mLength;
  --mBuffer->mRefCount;
  mBuffer = own;
}

bool TString::Grow(int64_t capacity, bool ahead) {
  if (capacity > kMaxCapacity) return false;
  if (mBuffer && mBuffer->mRefCount == 1 && mBuffer->mCapacity >= capacity) return true;
  int64_t len = Length();
  capacity = std::max({capacity, kMinCapacity, len + 1});
  if (mBuffer && mBuffer->mRefCount == 1) {  // private block: let the allocator extend it in place
    if (mBuffer->mAllocated < capacity) {
      int64_t block = capacity;
      if (ahead) block = std::min(std::max(capacity, int64_t(mBuffer->mAllocated) * 2), kMaxCapacity);
      char* text = static_cast<char*>(std::realloc(mBuffer->mText, size_t(block)));
      if (!text) throw std::bad_alloc();
      mBuffer->mText = text;
      mBuffer->mAllocated = int32_t(block);
    }
    mBuffer->mCapacity = int32_t(capacity);
    return true;
  }
  TStringBuffer* b = NewBuffer(capacity);
  if (mBuffer) {
    std::memcpy(b->mText, mBuffer->mText, size_t(len) + 1);
    b->mLength = int32_t(len);
  }
  Release();
  mBuffer = b;
  return true;
}

void TString::Reserve(int n) {
  int64_t len = Length();
  TStringBuffer* b = NewBuffer(std::max({int64_t(n), kMinCapacity, len + 1}));
  if (mBuffer) std::memcpy(b->mText, mBuffer->mText, size_t(len) + 1);
  b->mLength = int32_t(len);
  Release();
  mBuffer = b;
}

int TString::WriteAt(int position, const char* bytes, ptrdiff_t count, bool terminate) {
  if (count < 0 || count > kMaxLength || (!bytes && count > 0)) return -1;
  int len = Length();
  if (position < 0 || position > len) position = len;
  int64_t needed = int64_t(position) + count + 1;
  if (needed > kMaxCapacity) return -1;
  TString keepSource;  // the bytes may be part of this string's own block, which growing frees
  if (PointsInto(mBuffer, bytes)) keepSource = *this;
  if (!mBuffer) {
    mBuffer = NewBuffer(std::max(needed, kMinCapacity));
  } else {
    Unshare();
    if (mBuffer->mCapacity < needed) {
      int64_t capacity = mBuffer->mCapacity;
      while (capacity < needed) capacity = std::min(capacity * 2, kMaxCapacity);
      Grow(capacity, true);
    }
  }
  if (count > 0) std::memmove(mBuffer->mText + position, bytes, size_t(count));
  // Bytes that reach the old end must be terminated, or the text would run on into the block.
  const bool terminated = terminate || position + count >= len;
  if (terminated) mBuffer->mText[position + count] = 0;
  // The text now ends at the first NUL among the written bytes, else where it ended before.
  const void* nul = count > 0 ? std::memchr(mBuffer->mText + position, 0, size_t(count)) : nullptr;
  if (nul)
    mBuffer->mLength = int32_t(static_cast<const char*>(nul) - mBuffer->mText);
  else if (terminated)
    mBuffer->mLength = int32_t(position + count);
  return int(position + count);
}

TString& TString::Append(const TString& other) {
  // The common case, a private buffer with room ahead and another string's text, costs a copy of
  // the bytes only.
  if (mBuffer && other.mBuffer && other.mBuffer != mBuffer && mBuffer->mRefCount == 1) {
    const int64_t len = mBuffer->mLength, add = other.mBuffer->mLength, needed = len + add + 1;
    if (add > 0 && needed <= mBuffer->mAllocated && needed <= kMaxCapacity) {
      if (mBuffer->mCapacity < needed) mBuffer->mCapacity = int32_t(std::max(needed, kMinCapacity));
      std::memcpy(mBuffer->mText + len, other.mBuffer->mText, size_t(add) + 1);
      mBuffer->mLength = int32_t(len + add);
      return *this;
    }
  }
  TString src(other);  // keeps the text alive when other is this string or shares its buffer
  int64_t len = Length();
  int64_t add = src.Length();
  if (add == 0) return *this;
  int64_t needed = len + add + 1;
  if (needed > kMaxCapacity) return *this;
  Unshare();
  Grow(needed, true);
  std::memcpy(mBuffer->mText + len, src.CStr(), size_t(add) + 1);
  mBuffer->mLength = int32_t(len + add);
  return *this;
}

TString& TString::Append(const char* bytes, ptrdiff_t length) { return Append(TString(bytes, length)); }

TString& TString::Append(char c) {
  if (c == 0) return *this;
  int64_t len = Length();
  if (len + 2 > kMaxCapacity) return *this;
  Unshare();
  Grow(len + 2, true);
  mBuffer->mText[len] = c;
  mBuffer->mText[len + 1] = 0;
  mBuffer->mLength = int32_t(len + 1);
  return *this;
}

TString operator+(const TString& a, const TString& b) {
  int64_t la = a.Length();
  int64_t lb = b.Length();
  if (la + lb > TString::kMaxLength) return a;
  TString s;
  s.mBuffer = NewBuffer(CapacityFor(la + lb));
  std::memcpy(s.mBuffer->mText, a.CStr(), size_t(la));
  std::memcpy(s.mBuffer->mText + la, b.CStr(), size_t(lb) + 1);
  s.mBuffer->mLength = int32_t(la + lb);
  return s;
}

TString operator+(const TString& a, char c) {
  int64_t la = a.Length();
  if (la + 1 > TString::kMaxLength) return a;
  TString s;
  s.mBuffer = NewBuffer(la >= 14 ? la + 2 : kMinCapacity);
  std::memcpy(s.mBuffer->mText, a.CStr(), size_t(la));
  s.mBuffer->mText[la] = c;
  s.mBuffer->mText[la + 1] = 0;
  s.mBuffer->mLength = int32_t(c ? la + 1 : la);
  return s;
}

TString& TString::ToLower() {
  if (IsEmpty()) return *this;
  Unshare();
  for (char* p = mBuffer->mText; *p; ++p) *p = char(std::tolower(static_cast<unsigned char>(*p)));
  return *this;
}

TString& TString::Erase(int start, int count) {
  int len = Length();
  if (unsigned(start) >= unsigned(len)) return *this;
  if (count == -1 || count > len - start) count = len - start;
  if (count <= 0) return *this;
  Unshare();
  char* t = mBuffer->mText;
  if (start + count == len)
    t[start] = 0;
  else
    std::memmove(t + start, t + start + count, size_t(len - start - count) + 1);
  mBuffer->mLength = len - count;
  return *this;
}

TString& TString::Replace(const TString& pattern, const TString& replacement, int flags, int start) {
  // Own references first: either argument may be this string.
  TString pat(pattern);
  TString rep(replacement);
  Unshare();
  if (IsEmpty()) return *this;
  int64_t plen = pat.Length();
  int64_t rlen = rep.Length();
  if (plen == 0 && rlen == 0) return *this;
  // An empty pattern matches everywhere and never advances: one replacement only. The round limit
  // bounds backward searches, whose start moves in the other direction than the matches.
  bool all = (flags & kStringAll) && plen > 0;
  int64_t roundsLeft = int64_t(Length()) + 1;
  int findFlags = flags & (kStringNoCase | kStringBackwards);
  while (roundsLeft-- > 0) {
    int idx = Find(pat, findFlags, start);
    if (idx < 0) break;
    int64_t len = Length();
    if (rlen > plen) {
      int64_t needed = len + (rlen - plen) + 1;
      if (needed > kMaxCapacity) break;
      if (mBuffer->mCapacity < needed) Grow(needed, true);
    }
    char* t = mBuffer->mText;
    if (rlen != plen) std::memmove(t + idx + rlen, t + idx + plen, size_t(len - idx - plen) + 1);
    std::memcpy(t + idx, rep.CStr(), size_t(rlen));
    mBuffer->mLength = int32_t(len + rlen - plen);
    if (!all || idx + rlen > kMaxLength) break;
    start = int(idx + rlen);
  }
  return *this;
}

// ---- UTF-8 and collation ------------------------------------------------------------------------

int Utf8CharLength(const char* p) {
  if (!p) return 0;
  unsigned char c = static_cast<unsigned char>(*p);
  if (c == 0) return 0;
  if (c >= 0xF0) return 4;
  if (c >= 0xE0) return 3;
  if (c >= 0xC0) return 2;
  return 1;
}

int Utf8StepLength(const char* p) {
  int n = Utf8CharLength(p);
  for (int i = 1; i < n; ++i)
    if (!(static_cast<unsigned char>(p[i]) & 0x80)) return i;
  return n;
}

uint32_t Utf8Decode(const char* p, int* consumed) {
  static constexpr uint32_t kOffsets[4] = {0, 0x3080, 0xE2080, 0x3C82080};
  int n = Utf8CharLength(p);
  if (consumed) *consumed = n;
  if (n == 0) return 0;
  uint32_t value = static_cast<unsigned char>(p[0]);
  if (n == 1) return value >= 0x80 ? 0 : value;
  // Bytes are read one by one and the walk stops at the first one without its top bit, the NUL
  // included, so a truncated sequence at the end of a text is never read past.
  for (int i = 1; i < n; ++i) {
    unsigned char b = static_cast<unsigned char>(p[i]);
    if (!(b & 0x80)) {
      if (consumed) *consumed = i;
      return 0;
    }
    value = value * 64 + b;
  }
  return value - kOffsets[n - 1];
}

int Utf8Encode(uint32_t cp, char* out) {
  char tmp[4];
  if (!out) out = tmp;
  if (cp < 0x80) {
    out[0] = char(cp);
    return 1;
  }
  if (cp < 0x800) {
    out[0] = char(0xC0 | (cp >> 6));
    out[1] = char(0x80 | (cp & 0x3F));
    return 2;
  }
  if (cp <= 0xFFFF) {
    if (cp == 0xFEFF || cp == 0xFFFE || cp == 0xFFFF) return 0;
    out[0] = char(0xE0 | (cp >> 12));
    out[1] = char(0x80 | ((cp >> 6) & 0x3F));
    out[2] = char(0x80 | (cp & 0x3F));
    return 3;
  }
  if (cp > 0x10FFFF) return 0;
  out[0] = char(0xF0 | (cp >> 18));
  out[1] = char(0x80 | ((cp >> 12) & 0x3F));
  out[2] = char(0x80 | ((cp >> 6) & 0x3F));
  out[3] = char(0x80 | (cp & 0x3F));
  return 4;
}

int CollateStrings(const char* a, const char* b) {
  if (!a) a = "";
  if (!b) b = "";
  if (const TDllCollateHandler* handler = GetCollateHandler()) {
    int32_t r = handler->Collate(a, b);
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
  }
  int r = std::strcmp(a, b);  // compares as unsigned bytes
  return r < 0 ? -1 : (r > 0 ? 1 : 0);
}
