// The "ZXML" compressed form of an XML file: "ZXML", the zlib stream's length, the text's length
// (both 32-bit little-endian) and the stream made by zlib's compress. Reading is
// TXmlNode::LoadCompressed; this makes the form, for tools and tests.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

constexpr size_t kZxmlHeaderSize = 12;

// The compressed form of `size` bytes of XML text; empty when zlib fails.
std::vector<uint8_t> CompressXmlText(const char* text, size_t size);
