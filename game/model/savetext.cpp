// Value forms and the record frame of the save text.
#include "model/savetext.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace savetext {
namespace {

void AppendEscaped(std::string& out, std::string_view text, char quote) {
  out += quote;
  for (char c : text) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      // Three digits, so a following digit cannot join the escape.
      case '\0': out += "\\000"; break;
      default:
        if (c == quote) out += '\\';
        out += c;
    }
  }
  out += quote;
}

// The fewest significant digits (from `from` up to `most`) that read back to the same value.
template <class F>
void AppendShortest(std::string& out, F value, int from, int most) {
  if (std::isnan(value)) {
    out += "(0/0)";
    return;
  }
  if (std::isinf(value)) {
    out += value > 0 ? "(1/0)" : "(-1/0)";
    return;
  }
  char buffer[40];
  for (int digits = from; digits <= most; ++digits) {
    std::snprintf(buffer, sizeof buffer, "%.*g", digits, static_cast<double>(value));
    if (static_cast<F>(std::strtod(buffer, nullptr)) == value) break;
  }
  out += buffer;
}

}  // namespace

void AppendQuoted(std::string& out, std::string_view text) { AppendEscaped(out, text, '"'); }

std::string Quoted(std::string_view text) {
  std::string out;
  AppendEscaped(out, text, '"');
  return out;
}

std::string SingleQuoted(std::string_view text) {
  std::string out;
  AppendEscaped(out, text, '\'');
  return out;
}

// Six digits first, so every value the short form already held is written as before.
void AppendNumber(std::string& out, double value) { AppendShortest(out, value, 6, 17); }
void AppendReal(std::string& out, float value) { AppendShortest(out, value, 6, 9); }

void AppendInt(std::string& out, int64_t value) { out += std::to_string(value); }
void AppendUint(std::string& out, uint32_t value) { out += std::to_string(value); }

void BeginRecord(std::string& out, const char* name) {
  out += "\n";
  out += name;
  out += "\n{\n";
}

void EndRecord(std::string& out, const char* name) {
  out += "}; -- ";
  out += name;
  out += " end\n";
}

void EndRecordPlain(std::string& out) { out += "};\n"; }

static void Key(std::string& out, const char* key) {
  out += '\t';
  out += key;
  out += " = ";
}

void TextField(std::string& out, const char* key, std::string_view value) {
  Key(out, key);
  AppendQuoted(out, value);
  out += ",\n";
}

void IntField(std::string& out, const char* key, int64_t value) {
  Key(out, key);
  AppendInt(out, value);
  out += ",\n";
}

void UintField(std::string& out, const char* key, uint32_t value) {
  Key(out, key);
  AppendUint(out, value);
  out += ",\n";
}

void RealField(std::string& out, const char* key, float value) {
  Key(out, key);
  AppendReal(out, value);
  out += ",\n";
}

void FlagField(std::string& out, const char* key, bool value) {
  Key(out, key);
  out += value ? "\"true\"" : "\"false\"";
  out += ",\n";
}

}  // namespace savetext
