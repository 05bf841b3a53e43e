// TXmlNode: the framework's small tolerant XML reader and writer. A node is both the document (an
// unnamed root whose children are the top-level elements) and every element. The reader splits at
// blanks and at "<", ">" and "=", keeps element text as words joined by single blanks, and keeps
// the declaration, DOCTYPE and comments as children named "?xml", "!DOCTYPE" and "!--". Files may
// also be stored compressed ("ZXML": magic, stream length, text length, zlib stream).
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/string.h"

class TGetChar;

struct TXmlAttribute {
  TString mName;
  TString mValue;
  bool mQuoted = false;  // written with quotes: quoted in the input, or set by SetAttribute
};

class TXmlNode {
public:
  TXmlNode() = default;
  explicit TXmlNode(const TString& name) : mName(name) {}
  virtual ~TXmlNode();
  TXmlNode(const TXmlNode&) = delete;
  TXmlNode& operator=(const TXmlNode&) = delete;

  // Hooks of the reader; derived readers may build other node types or watch closing tags.
  virtual TXmlNode* CreateChild(const TString& name);
  virtual void EndElement(const TString& tag) {}
  // Appends a word to the text, with one blank before every word but the first.
  virtual void AppendText(const TString& word, int bytes);
  virtual void AddAttribute(const TString& name, const TString& value, bool quoted);

  // Parses a file (plain or compressed) into this node's children; false when it cannot be opened
  // (the node is unchanged) or a compressed file is damaged.
  bool Load(const TString& path);
  // Parses a NUL-terminated text; one beginning with "ZXML" is a compressed block, which must hold
  // its whole stream (use LoadFromBuffer when the size of the block is known).
  bool LoadFromString(const char* text);
  // Parses `size` bytes of plain or compressed XML.
  bool LoadFromBuffer(const void* data, size_t size);
  // Parses a "ZXML" block of `size` bytes; a damaged block leaves the node unchanged (false).
  bool LoadCompressed(const void* data, size_t size);

  TXmlNode* AddChild(const TString& name);
  TXmlNode* FindChild(const char* name) const;
  void ResetChildIterator() { mChildIterator = 0; }
  bool NextChild(TString* name, TXmlNode** child);
  // Value of the first attribute of that name; empty when absent. `quoted` receives its flag when found.
  TString GetAttribute(const char* name, bool* quoted = nullptr) const;
  void SetAttribute(const char* name, const TString& value);
  void SetAttribute(const char* name, int value);
  TString GetText() const { return SyncText(); }
  const TString& GetName() const { return mName; }
  const std::vector<std::unique_ptr<TXmlNode>>& GetChildren() const { return mChildren; }
  const std::vector<std::unique_ptr<TXmlAttribute>>& GetAttributes() const { return mAttributes; }

  // The node and its subtree as XML text (for the unnamed document node: its children).
  TString ToString();

  // Reader steps, run on the document node by the loaders.
  void ParseChildren(TGetChar& source);
  TXmlNode* ParseElement(TGetChar& source, bool* closing);

private:
  void WriteNode(std::string& out, int indent) const;
  void ParseContent(TGetChar& source);
  // Moves words gathered by AppendText into the text (appending to a TString one word at a time
  // would measure the whole text again for every word).
  const TString& SyncText() const;

  mutable TString mText;
  mutable std::string mTextBuild;  // text being gathered; empty when mText is current
  int32_t mTextLength = 0;  // write position in the text; 0 = no text yet
  int32_t mSizeHint = 4096;  // capacity reserved before serialising
  TString mName;
  std::vector<std::unique_ptr<TXmlNode>> mChildren;
  size_t mChildIterator = 0;
  std::vector<std::unique_ptr<TXmlAttribute>> mAttributes;
};

// Escaped form of a text for output: the five markup characters as entities, control bytes and
// bytes 0x80-0xFF as decimal references.
TString XmlEscape(const TString& text);
// Decodes entities and decimal references in place over *length bytes and updates the length.
// `startsWithEntity` (optional) is set when a replacement happened at position 0.
void XmlUnescape(char* text, int* length, bool* startsWithEntity);
// One token of the reader: a blank-separated word, one of "<", ">", "=", or a quoted string, with
// its entities decoded. Answers its length, or -1 at the end of the input (an empty quoted string
// is a token of length 0). NUL bytes of the input never become part of a token.
int ReadXmlToken(TGetChar& source, TString* token, bool* quoted, bool* fromEntity);

// Compressed files and their texts larger than this are refused.
constexpr long kMaxCompressedXmlFile = 64L << 20;
constexpr uint32_t kMaxCompressedXmlText = 64u << 20;
// Elements nested deeper than this are read as empty elements (their content goes to the parent).
constexpr int kMaxXmlDepth = 200;
// The writer indents four blanks a level down to this many blanks; deeper levels stay there.
constexpr int kMaxXmlIndent = 64;
