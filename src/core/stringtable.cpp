// String table: a text scan of the spreadsheet rows (no XML parse) and the "%" expansion.
#include "core/stringtable.h"

#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "core/assetindex.h"
#include "core/config.h"
#include "core/file.h"
#include "core/filedata.h"
#include "core/folder.h"
#include "core/log.h"
#include "core/xml.h"
#include "core/zxml.h"

namespace {
const char kMissing[] = "#####";

uint32_t ReadLe32(const char* p) {
  const auto* b = reinterpret_cast<const unsigned char*>(p);
  return uint32_t(b[0]) | (uint32_t(b[1]) << 8) | (uint32_t(b[2]) << 16) | (uint32_t(b[3]) << 24);
}

// The whole file, decompressed when it is in the "ZXML" form. False when it cannot be had.
bool ReadTableFile(const TString& path, std::string& out) {
  TFile* file = FileOpen(path, kFileReadBinary);
  if (!file) return false;
  const long size = file->GetSize();
  std::string raw(size_t(size > 0 ? size : 0), '\0');
  const long got = size > 0 ? file->Read(raw.data(), size) : 0;
  FileClose(file);
  raw.resize(size_t(got > 0 ? got : 0));
  if (raw.compare(0, 4, "ZXML") != 0) {
    out = std::move(raw);
    return true;
  }
  if (raw.size() < kZxmlHeaderSize) {
    LogPrintf("String table %s: compressed header cut short", path.CStr());
    return false;
  }
  const uint32_t streamLength = ReadLe32(raw.data() + 4);
  const uint32_t textLength = ReadLe32(raw.data() + 8);
  if (streamLength > raw.size() - kZxmlHeaderSize || textLength > kMaxCompressedXmlText) {
    LogPrintf("String table %s: compressed lengths do not fit the file", path.CStr());
    return false;
  }
  out.assign(textLength, '\0');
  uLongf outLength = textLength;
  if (uncompress(reinterpret_cast<Bytef*>(out.data()), &outLength,
                 reinterpret_cast<const Bytef*>(raw.data() + kZxmlHeaderSize), streamLength) != Z_OK) {
    LogPrintf("String table %s: compressed data is damaged", path.CStr());
    return false;
  }
  out.resize(outLength);
  return true;
}

// The text of the cell whose "<Data" starts at `data`: from after the first ">" to the next "<".
// `end` receives the position after the cell text.
TString CellText(std::string_view text, size_t data, size_t* end) {
  const size_t open = text.find('>', data);
  if (open == std::string_view::npos) {
    *end = text.size();
    return TString();
  }
  size_t close = text.find('<', open + 1);
  if (close == std::string_view::npos) close = text.size();
  *end = close;
  std::string cell(text.substr(open + 1, close - open - 1));
  int length = int(cell.size());
  XmlUnescape(cell.data(), &length, nullptr);
  return TString(cell.data(), length);
}

bool AllDigits(const TString& s) {
  if (s.IsEmpty()) return false;
  for (const char* p = s.CStr(); *p; ++p)
    if (*p < '0' || *p > '9') return false;
  return true;
}
}  // namespace

TStringTable::~TStringTable() { mStrings.clear(); }

void TStringTable::ParseRows(const char* data, size_t size) {
  // The text ends at its first NUL, like the C string it always was.
  std::string_view text(data, strnlen(data, size));
  size_t row = text.find("<Row");
  while (row != std::string_view::npos) {
    size_t next = text.find("<Row", row + 4);
    const size_t rowEnd = next == std::string_view::npos ? text.size() : next;
    const size_t first = text.find("<Data", row);
    if (first != std::string_view::npos && first < rowEnd) {
      size_t after = 0;
      TString label = CellText(text, first, &after);
      TString value;
      const size_t second = text.find("<Data", after);
      if (second != std::string_view::npos && second < rowEnd) value = CellText(text, second, &after);
      mStrings[label] = value;
    }
    row = next;
  }
}

bool TStringTable::Load(const TString& path) {
  std::string text;
  if (!ReadTableFile(path, text)) return false;
  ParseRows(text.data(), text.size());
  return true;
}

bool TStringTable::Reload(const TString& path) {
  mStrings.clear();
  return Load(path);
}

const TString* TStringTable::Find(const TString& label) const {
  auto found = mStrings.find(label);
  return found == mStrings.end() ? nullptr : &found->second;
}

bool TStringTable::AppendReference(TString& out, const TString& reference, const TString* args[5]) const {
  if (reference.IsEmpty()) {
    out += '%';
    return true;
  }
  if (AllDigits(reference)) {
    // Long digit runs cannot name one of five arguments (and would overflow the number).
    const int n = reference.Length() > 9 ? 0 : reference.ToInt();
    if (n < 1 || n > 5) return false;
    const TString& arg = *args[n - 1];
    if (arg.CharAt(0) != '%') {
      out += arg;
      return true;
    }
    if (arg == "%%") {
      out += '%';
      return true;
    }
    const int length = arg.Length();
    if (length >= 2 && arg.CharAt(length - 1) == '%') {
      if (const TString* text = Find(arg.SubString(1, length - 2))) {
        out += *text;
        return true;
      }
    }
    return false;
  }
  if (const TString* text = Find(reference)) {
    out += *text;  // as stored: references inside it are not expanded again
    return true;
  }
  return false;
}

TString TStringTable::GetString(const TString& label, const TString& arg1, const TString& arg2,
                                const TString& arg3, const TString& arg4, const TString& arg5) const {
  const TString* args[5] = {&arg1, &arg2, &arg3, &arg4, &arg5};
  const TString* text = Find(label);
  bool ok = text != nullptr;
  TString result;
  if (ok) {
    const char* t = text->CStr();
    const int length = text->Length();
    for (int i = 0; i < length && ok; ++i) {
      if (t[i] != '%') {
        result += t[i];
        continue;
      }
      const char* close = std::strchr(t + i + 1, '%');
      if (!close) {
        LogPrintf("Non-matched percent (%%) escape found in string %s, '%s'", label.CStr(), t);
        // The rest is tried as a reference, and its characters are kept as text after it.
        ok = AppendReference(result, TString(t + i + 1), args);
        continue;
      }
      ok = AppendReference(result, TString(t + i + 1, close - (t + i + 1)), args);
      i = int(close - t);
    }
  }
  if (!ok) {
    if (!mQuiet) LogPrintf(" ##### : Missing string for label '%s'", label.CStr());
    return kMissing;
  }
  if (GetSettingFlag("stringtest")) {
    TString masked;
    for (const char* p = result.CStr(); *p;) {
      const int step = Utf8StepLength(p);
      masked += *p == ' ' ? ' ' : 'x';
      p += step > 0 ? step : 1;
    }
    return masked;
  }
  return result;
}

void TStringTable::GetFlashStrings(std::vector<Entry>& list) const {
  const size_t before = list.size();
  for (const auto& entry : mStrings)
    if (std::strncmp(entry.first.CStr(), "FLASH_", 6) == 0) list.push_back(entry);
  if (list.size() != before) return;
  for (const auto& entry : mStrings) {
    int a = 0, b = 0;
    if (std::sscanf(entry.first.CStr(), "flash%2d_%2d", &a, &b) == 2) list.push_back(entry);
  }
}

bool LoadStartupStringTables(TStringTable& table) {
  const bool loaded = table.Reload("strings.xml");
  const struct {
    const char* prefix;
    const TString& (*folder)();
  } roots[] = {{"user:", GetUserRoot}, {"common:", GetCommonRoot}};
  for (const auto& root : roots) {
    const TString& folder = root.folder();
    if (folder.IsEmpty()) continue;
    TDirectoryIterator it(folder);
    TString name;
    while (it.Next(&name, nullptr)) {
      if (std::strncmp(name.CStr(), "string", 6) == 0 && name.Find(".xml") >= 0)
        table.Load(TString(root.prefix) + name);
    }
  }
  return loaded;
}
