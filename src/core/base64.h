// Base64 with the standard alphabet and "=" padding, as the data cipher's text form. Decoding is
// lenient: "=" counts as 0 and a character outside the alphabet as 63, and a text whose length is
// not a multiple of 4 is read as if "=" filled its last group.
#pragma once
#include <cstdint>

// 4 characters for every started group of 3 bytes.
int Base64EncodedLength(int byteCount);
// 3 bytes for every started group of 4 characters: room enough for Base64Decode.
int Base64DecodedLength(int charCount);
// Writes Base64EncodedLength(length) characters (no NUL) and answers their number.
int Base64Encode(char* out, const uint8_t* bytes, int length);
// Writes at most Base64DecodedLength(length) bytes and answers their number. The text is only read.
int Base64Decode(uint8_t* out, const char* text, int length);
