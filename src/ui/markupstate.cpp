// Tag reading and the effect of each markup tag on the markup state.
#include "ui/markupstate.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {

// Sizes, pads and positions above this many pixels are cut to it, so sums of them stay in range.
constexpr int kMaxNumber = 32767;

int LeadingNumber(const TString& value) {
  int n = 0;
  for (const char* p = value.CStr(); *p >= '0' && *p <= '9'; ++p) n = std::min(n * 10 + (*p - '0'), kMaxNumber);
  return n;
}

void CopyColor(float* to, const float* from) { std::memcpy(to, from, 4 * sizeof(float)); }

}  // namespace

void TMarkupState::Reset() {
  for (TFontStackEntry& e : mFontStack) e = TFontStackEntry();
  mFontIndex = 0;
  mBold = mItalic = mUnderline = false;
  for (int& a : mAlignStack) a = 0;
  mAlignStack[0] = -1;
  mAlignCount = 0;
  mLinkId = TString();
  for (int i = 0; i < 4; ++i) mCurrentColor[i] = mOutlineColor[i] = 0;
  mOutlineSize = 0;
}

int TMarkupState::ReadTag(const char* text, char* buffer) {
  if (!std::strchr(text, '>')) return 0;
  int used = 0, consumed = 0;
  bool quoted = false, inValue = false;
  while (text[consumed] && used < kTagBufferSize) {
    char c = text[consumed++];
    if (c == '"') quoted = !quoted;
    if (c == ' ' || c == '\t') {
      inValue = false;
      if (!quoted) continue;
    }
    if (c == '=') inValue = true;
    buffer[used++] = inValue ? c : char(std::tolower(static_cast<unsigned char>(c)));
    if (c == '>' && !quoted) break;
    if (c == '>' && quoted) break;
  }
  buffer[used] = 0;
  return consumed;
}

bool TMarkupState::ReadAttribute(const char* tag, const char* name, TString& value) {
  const char* at = std::strstr(tag, name);
  if (!at) return false;
  at += std::strlen(name);
  char quote = std::strchr(at, '"') ? '"' : '\'';
  const char* open = std::strchr(at, quote);
  if (!open) return false;
  const char* close = std::strchr(open + 1, quote);
  if (!close) return false;
  ptrdiff_t length = close - open - 1;
  value = TString(open + 1, length > 127 ? 127 : length);
  return true;
}

void ParseMarkupColor(const TString& value, bool allowAlpha, float color[4]) {
  const char* p = value.CStr();
  if (*p == '#') ++p;
  uint32_t n = 0;
  for (int i = 0; i < 8 && std::isxdigit(static_cast<unsigned char>(p[i])); ++i)
    n = n * 16 + uint32_t(std::isdigit(static_cast<unsigned char>(p[i])) ? p[i] - '0' : std::tolower(p[i]) - 'a' + 10);
  if (allowAlpha && value.Length() == 8) {
    for (int i = 0; i < 4; ++i) color[i] = float((n >> (24 - 8 * i)) & 255) / 255.0f;
  } else {
    for (int i = 0; i < 3; ++i) color[i] = float((n >> (16 - 8 * i)) & 255) / 255.0f;
    color[3] = 1.0f;
  }
}

TTagEffect TMarkupState::ApplyTag(const char* tag) {
  TTagEffect effect;
  const char* name = tag[0] == '<' ? tag + 1 : tag;
  auto is = [&](const char* prefix) { return std::strncmp(name, prefix, std::strlen(prefix)) == 0; };
  TString value;
  auto alignPush = [&](int alignment) {
    // The stack is bounded like the font stack: deeper pushes still end the line.
    if (mAlignCount < kStackDepth - 1) mAlignStack[++mAlignCount] = alignment;
    effect.endsLine = effect.alignment = true;
  };
  auto alignPop = [&] {
    if (mAlignCount > 0) --mAlignCount;
    effect.endsLine = effect.alignment = true;
  };
  if (is("br")) {
    effect.endsLine = true;
    if (ReadAttribute(tag, "pad", value)) effect.pad = LeadingNumber(value);
  } else if (is("/p")) {
    effect.endsLine = true;
  } else if (is("a")) {
    if (ReadAttribute(tag, "id", value)) mLinkId = value;
    if (ReadAttribute(tag, "color", value)) ParseMarkupColor(value, false, mCurrentColor);
    else CopyColor(mCurrentColor, Top().color);
  } else if (is("/a")) {
    mLinkId = TString();
    CopyColor(mCurrentColor, Top().color);
  } else if (is("b")) {
    mBold = true;
  } else if (is("/b")) {
    mBold = false;
  } else if (is("i")) {
    mItalic = true;
  } else if (is("/i")) {
    mItalic = false;
  } else if (is("u")) {
    mUnderline = true;
  } else if (is("/u")) {
    mUnderline = false;
  } else if (is("cursor")) {
    effect.cursor = true;
  } else if (is("center")) {
    alignPush(1);
  } else if (is("left")) {
    alignPush(0);
  } else if (is("right")) {
    alignPush(2);
  } else if (is("/center") || is("/left") || is("/right")) {
    alignPop();
  } else if (is("font")) {
    if (mFontIndex < kStackDepth - 1) {
      mFontStack[mFontIndex + 1] = mFontStack[mFontIndex];
      ++mFontIndex;
      TFontStackEntry& top = mFontStack[mFontIndex];
      if (ReadAttribute(tag, "size", value)) top.size = std::min(LeadingNumber(value), kMaxFontSize);
      if (ReadAttribute(tag, "color", value)) ParseMarkupColor(value, true, top.color);
      if (ReadAttribute(tag, "face", value)) top.face = value;
      CopyColor(mCurrentColor, top.color);
    }
  } else if (is("/font")) {
    if (mFontIndex > 0) --mFontIndex;
    CopyColor(mCurrentColor, Top().color);
  } else if (is("outline")) {
    if (ReadAttribute(tag, "color", value)) ParseMarkupColor(value, false, mOutlineColor);
    mOutlineSize = ReadAttribute(tag, "size", value) ? float(std::min(LeadingNumber(value), kMaxOutlineSize)) : 2.0f;
  } else if (is("/outline")) {
    mOutlineSize = 0;
    for (float& c : mOutlineColor) c = 0;
  } else if (is("tab")) {
    effect.tabPosition = ReadAttribute(tag, "pos", value) ? LeadingNumber(value) : -1;
  }
  return effect;
}
