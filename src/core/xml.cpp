// The XML reader, its escaping and the writer.
#include "core/xml.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>

#include "core/file.h"
#include "core/fileenv.h"
#include "core/getchar.h"

namespace {
// A "&#" reference must close with ";" within this many characters, or the "&" stays text.
constexpr int kMaxReferenceDigits = 8;

bool IsSingle(const TString& token, char c) { return token.CharAt(0) == c && token.CharAt(1) == 0; }

bool StartsWith(const TString& s, const char* prefix) { return std::strncmp(s.CStr(), prefix, std::strlen(prefix)) == 0; }

bool IsSpecialTag(const TString& name) {
  return std::strcmp(name.CStr(), "?xml") == 0 || std::strcmp(name.CStr(), "!DOCTYPE") == 0 || StartsWith(name, "!--");
}

bool IsBlank(int c) { return c >= 0 && std::isspace(static_cast<unsigned char>(c)); }

void AppendEscaped(std::string& out, const char* text) {
  for (const char* p = text; *p; ++p) {
    signed char c = static_cast<signed char>(*p);
    if (c >= 0x20) {
      switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        default: out += static_cast<char>(c);
      }
    } else {
      out += "&#";
      out += std::to_string(static_cast<unsigned char>(c));
      out += ';';
    }
  }
}
}  // namespace

// ---- escaping -----------------------------------------------------------------------------------

TString XmlEscape(const TString& text) {
  std::string out;
  out.reserve(2 * static_cast<size_t>(text.Length()));
  AppendEscaped(out, text.CStr());
  return TString(out.data(), static_cast<ptrdiff_t>(out.size()));
}

void XmlUnescape(char* text, int* length, bool* startsWithEntity) {
  static const struct {
    const char* entity;
    int size;
    char c;
  } kEntities[] = {{"amp;", 4, '&'}, {"lt;", 3, '<'}, {"gt;", 3, '>'}, {"quot;", 5, '"'}, {"apos;", 5, '\''}};
  int len = *length;
  int w = 0;
  for (int r = 0; r < len;) {
    if (text[r] == '&') {
      int replaced = -1;  // bytes consumed by a replacement
      char c = 0;
      if (r + 1 < len && text[r + 1] == '#') {
        // The ";" is searched only a few characters on and never past the token.
        for (int k = r + 2; k < len && k <= r + 2 + kMaxReferenceDigits; ++k)
          if (text[k] == ';') {
            char digits[kMaxReferenceDigits + 1];
            std::memcpy(digits, text + r + 2, static_cast<size_t>(k - r - 2));
            digits[k - r - 2] = 0;
            c = static_cast<char>(std::atoi(digits));
            // A reference to byte 0 ("&#0;", or a hexadecimal one) would cut the text short: keep it as text.
            if (c != 0) replaced = k + 1 - r;
            break;
          }
      } else {
        for (auto& e : kEntities)
          if (r + 1 + e.size <= len && std::memcmp(text + r + 1, e.entity, static_cast<size_t>(e.size)) == 0) {
            c = e.c;
            replaced = 1 + e.size;
            break;
          }
      }
      if (replaced > 0) {
        if (r == 0 && startsWithEntity) *startsWithEntity = true;
        text[w++] = c;
        r += replaced;
        continue;
      }
    }
    text[w++] = text[r++];
  }
  if (w < len) text[w] = 0;
  *length = w;
}

int ReadXmlToken(TGetChar& source, TString* token, bool* quoted, bool* fromEntity) {
  std::string buf;
  buf.reserve(256);
  *quoted = false;
  *fromEntity = false;
  uint8_t bytes[4];
  int n = 0;
  int lead;
  do {
    lead = source.ReadUtf8Char(bytes, &n);
  } while (IsBlank(lead) || lead == 0);
  if (lead < 0) {
    *token = TString();
    return -1;
  }
  auto append = [&]() {
    for (int i = 0; i < n; ++i)
      if (bytes[i]) buf += static_cast<char>(bytes[i]);
  };
  if (lead == '<' || lead == '>' || lead == '=') {
    buf += static_cast<char>(lead);
  } else if (lead == '"') {
    *quoted = true;
    for (;;) {
      lead = source.ReadUtf8Char(bytes, &n);
      if (lead < 0 || lead == '"') break;
      append();
    }
  } else {
    append();
    for (;;) {
      lead = source.ReadUtf8Char(bytes, &n);
      if (lead < 0) break;
      if (IsBlank(lead) || lead == '<' || lead == '>' || lead == '=') {
        source.UngetBytes(bytes, n);
        // "name/>": the "/" becomes a token of its own.
        if (lead == '>' && buf.size() > 1 && buf.back() == '/') {
          const uint8_t slash = '/';
          source.UngetBytes(&slash, 1);
          buf.pop_back();
        }
        break;
      }
      append();
    }
  }
  int len = static_cast<int>(buf.size());
  XmlUnescape(buf.data(), &len, fromEntity);
  *token = TString(buf.data(), len);
  return token->Length();
}

// ---- the tree -----------------------------------------------------------------------------------

TXmlNode::~TXmlNode() = default;

TXmlNode* TXmlNode::CreateChild(const TString& name) { return AddChild(name); }

TXmlNode* TXmlNode::AddChild(const TString& name) {
  mChildren.push_back(std::make_unique<TXmlNode>(name));
  return mChildren.back().get();
}

void TXmlNode::AppendText(const TString& word, int bytes) {
  if (bytes < 0 || bytes > word.Length()) bytes = word.Length();
  if (mTextBuild.empty() && mTextLength > 0) mTextBuild.assign(mText.CStr(), static_cast<size_t>(mTextLength));
  size_t grown = mTextBuild.size() + (mTextLength > 0 ? 1 : 0) + static_cast<size_t>(bytes);
  if (grown > static_cast<size_t>(TString::kMaxLength)) return;  // a text cannot hold more
  if (mTextLength > 0) mTextBuild += ' ';
  mTextBuild.append(word.CStr(), static_cast<size_t>(bytes));
  mTextLength = static_cast<int32_t>(mTextBuild.size());
}

const TString& TXmlNode::SyncText() const {
  if (!mTextBuild.empty()) {
    mText = TString(mTextBuild.data(), static_cast<ptrdiff_t>(mTextBuild.size()));
    std::string().swap(mTextBuild);
  }
  return mText;
}

void TXmlNode::AddAttribute(const TString& name, const TString& value, bool quoted) {
  auto a = std::make_unique<TXmlAttribute>();
  a->mName = name;
  a->mValue = value;
  a->mQuoted = quoted;
  mAttributes.push_back(std::move(a));
}

TXmlNode* TXmlNode::FindChild(const char* name) const {
  for (auto& c : mChildren)
    if (std::strcmp(c->mName.CStr(), name) == 0) return c.get();
  return nullptr;
}

bool TXmlNode::NextChild(TString* name, TXmlNode** child) {
  if (mChildIterator >= mChildren.size()) return false;
  TXmlNode* c = mChildren[mChildIterator++].get();
  if (name) *name = c->mName;
  if (child) *child = c;
  return true;
}

TString TXmlNode::GetAttribute(const char* name, bool* quoted) const {
  for (auto& a : mAttributes)
    if (std::strcmp(a->mName.CStr(), name) == 0) {
      if (quoted) *quoted = a->mQuoted;
      return a->mValue;
    }
  return TString();
}

void TXmlNode::SetAttribute(const char* name, const TString& value) {
  for (auto& a : mAttributes)
    if (std::strcmp(a->mName.CStr(), name) == 0) {
      a->mValue = value;
      a->mQuoted = true;
      return;
    }
  AddAttribute(name, value, true);
}

void TXmlNode::SetAttribute(const char* name, int value) { SetAttribute(name, TString::Format("%d", value)); }

// ---- reading ------------------------------------------------------------------------------------

void TXmlNode::ParseChildren(TGetChar& source) {
  ParseContent(source);
  SyncText();
}

void TXmlNode::ParseContent(TGetChar& source) {
  TString token;
  bool quoted, fromEntity;
  for (;;) {
    int n = ReadXmlToken(source, &token, &quoted, &fromEntity);
    if (n < 0) return;
    if (!quoted && !fromEntity && IsSingle(token, '<')) {
      bool closing = false;
      TXmlNode* child = ParseElement(source, &closing);
      if (child) {
        if (source.mDepth >= kMaxXmlDepth) {
          // Nesting this deep would exhaust the stack; the element's content goes to this node.
          if (!source.mTooDeep) FileLog("XML: elements nested deeper than %d levels are read flat", kMaxXmlDepth);
          source.mTooDeep = true;
          continue;
        }
        ++source.mDepth;
        child->ParseChildren(source);
        --source.mDepth;
      }
      if (closing) return;
    } else if (n > 0) {
      AppendText(token, n);
    }
  }
}

TXmlNode* TXmlNode::ParseElement(TGetChar& source, bool* closing) {
  *closing = false;
  int state = 0;
  TXmlNode* child = nullptr;
  bool special = false;
  TString pending, token;
  bool quoted, fromEntity;
  for (;;) {
    if (ReadXmlToken(source, &token, &quoted, &fromEntity) < 0) {
      source.mError = true;
      return nullptr;
    }
    bool plain = !quoted && !fromEntity;
    if (plain && IsSingle(token, '>')) {
      if (!child) return nullptr;
      if (special || pending.CharAt(0) == '/' || pending.CharAt(0) == '?') {
        EndElement(child->mName);
        return nullptr;
      }
      return child;
    }
    if (state == 0) {
      if (!fromEntity && token.CharAt(0) == '/') {
        *closing = true;
        EndElement(token.SubString(1));
        for (;;) {
          if (ReadXmlToken(source, &token, &quoted, &fromEntity) < 0) {
            source.mError = true;
            return nullptr;
          }
          if (!quoted && !fromEntity && IsSingle(token, '>')) return nullptr;
        }
      }
      child = CreateChild(token);
      special = IsSpecialTag(token);
      state = 1;
    } else if (state == 1) {
      if (plain && IsSingle(token, '='))
        state = 2;
      else
        pending = token;
    } else {
      child->AddAttribute(pending, token, quoted);
      pending = TString();
      state = 1;
    }
  }
}

bool TXmlNode::Load(const TString& path) {
  TGetCharFile source(path);
  if (!source.IsOpen()) return false;
  char magic[4];
  int got = 0;
  for (; got < 4; ++got) {
    int c = source.GetChar();
    if (c < 0) break;
    magic[got] = static_cast<char>(c);
  }
  if (got == 4 && std::memcmp(magic, "ZXML", 4) == 0) {
    source.Reopen();
    TFile* file = source.GetFile();
    if (!file) return false;
    long size = file->GetSize();
    if (size < 0 || size > kMaxCompressedXmlFile) {
      FileLog("XML: %s is too large to read (%ld bytes)", path.CStr(), size);
      return false;
    }
    std::string data(static_cast<size_t>(size), '\0');
    long got = file->Read(data.data(), size);
    return LoadCompressed(data.data(), static_cast<size_t>(got < 0 ? 0 : got));
  }
  source.Rewind();
  ParseChildren(source);
  return true;
}

bool TXmlNode::LoadFromString(const char* text) {
  if (!text) return false;
  if (std::strncmp(text, "ZXML", 4) == 0) {
    const auto* p = reinterpret_cast<const uint8_t*>(text);
    uint64_t stream = uint64_t(p[4]) | uint64_t(p[5]) << 8 | uint64_t(p[6]) << 16 | uint64_t(p[7]) << 24;
    return LoadCompressed(text, 12 + stream);
  }
  return LoadFromBuffer(text, std::strlen(text));
}

bool TXmlNode::LoadFromBuffer(const void* data, size_t size) {
  if (!data) return false;
  if (size >= 4 && std::memcmp(data, "ZXML", 4) == 0) return LoadCompressed(data, size);
  if (size > static_cast<size_t>(INT32_MAX)) {
    FileLog("XML: a text of %zu bytes is too large to read", size);
    return false;
  }
  TGetCharString source(static_cast<const char*>(data), static_cast<int32_t>(size));
  ParseChildren(source);
  return true;
}

// ---- writing ------------------------------------------------------------------------------------

void TXmlNode::WriteNode(std::string& out, int indent) const {
  // Deep levels line up with the last indented one: indenting by the depth would make a deeply
  // nested file hundreds of times larger when written back.
  const size_t shown = static_cast<size_t>(std::min(indent, kMaxXmlIndent));
  std::string pad(shown, ' ');
  out += pad;
  out += '<';
  out += mName.CStr();
  for (auto& a : mAttributes) {
    out += '\n';
    out.append(shown + 4, ' ');
    AppendEscaped(out, a->mName.CStr());
    out += '=';
    if (a->mQuoted) out += '"';
    AppendEscaped(out, a->mValue.CStr());
    if (a->mQuoted) out += '"';
  }
  // The declaration, DOCTYPE and comments are single tags: a closing tag such as "</?xml>" would
  // read back as the end of the enclosing element and lose everything after it.
  if (IsSpecialTag(mName)) {
    if (std::strcmp(mName.CStr(), "?xml") == 0)
      out += "?>\n";
    else if (StartsWith(mName, "!--"))
      out += " -->\n";
    else
      out += ">\n";
    return;
  }
  out += ">\n";
  if (mTextLength > 0) {
    out += pad;
    AppendEscaped(out, SyncText().CStr());
    out += '\n';
  }
  for (auto& c : mChildren) c->WriteNode(out, indent + 4);
  out += pad;
  out += "</";
  AppendEscaped(out, mName.CStr());
  out += ">\n";
}

TString TXmlNode::ToString() {
  std::string out;
  out.reserve(static_cast<size_t>(mSizeHint));
  if (mName.IsEmpty())
    for (auto& c : mChildren) c->WriteNode(out, 0);
  else
    WriteNode(out, 0);
  TString result;
  result.Reserve(std::max<int>(mSizeHint, static_cast<int>(out.size()) + 1));
  result.WriteAt(0, out.data(), static_cast<ptrdiff_t>(out.size()), true);
  if (static_cast<int64_t>(out.size()) > mSizeHint) mSizeHint = static_cast<int32_t>(out.size()) + 1;
  return result;
}
