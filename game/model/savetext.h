// The pieces every model writer puts into the save text: the record frame, field lines and value
// forms. Texts are written as Lua string literals (quote, backslash, CR, LF and NUL escaped), so any
// text reads back as it was; a text without those bytes looks exactly as it always did. Numbers
// keep full precision, and the non-finite ones are written as expressions that yield them again.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace savetext {

// "\"" + text with \\ \" \r \n \000 escaped + "\"".
void AppendQuoted(std::string& out, std::string_view text);
std::string Quoted(std::string_view text);
// The same with single quotes, for texts put between '...' in generated Lua source.
std::string SingleQuoted(std::string_view text);

// Shortest decimal that reads back to the same value: up to 17 digits for doubles, 9 for floats.
// NaN is written (0/0), infinities (1/0) and (-1/0).
void AppendNumber(std::string& out, double value);
void AppendReal(std::string& out, float value);
void AppendInt(std::string& out, int64_t value);
void AppendUint(std::string& out, uint32_t value);

// "\n" + name + "\n{\n".
void BeginRecord(std::string& out, const char* name);
// "}; -- " + name + " end\n".
void EndRecord(std::string& out, const char* name);
// "};\n".
void EndRecordPlain(std::string& out);

// Field lines: "\t" key " = " value ",\n".
void TextField(std::string& out, const char* key, std::string_view value);
void IntField(std::string& out, const char* key, int64_t value);
void UintField(std::string& out, const char* key, uint32_t value);
void RealField(std::string& out, const char* key, float value);
// The quoted word "true" or "false".
void FlagField(std::string& out, const char* key, bool value);

}  // namespace savetext
