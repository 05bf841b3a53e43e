// Compressed XML: building the "ZXML" form and reading it back into a node. The header is checked
// against the block before zlib sees it, and a stream that does not decompress cleanly is refused.
#include "core/zxml.h"

#include <zlib.h>

#include "core/fileenv.h"
#include "core/getchar.h"
#include "core/xml.h"

namespace {
uint32_t ReadLe32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void WriteLe32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
}  // namespace

std::vector<uint8_t> CompressXmlText(const char* text, size_t size) {
  uLongf bound = compressBound(static_cast<uLong>(size));
  std::vector<uint8_t> out(kZxmlHeaderSize + bound);
  if (compress(out.data() + kZxmlHeaderSize, &bound, reinterpret_cast<const Bytef*>(text),
               static_cast<uLong>(size)) != Z_OK)
    return {};
  out.resize(kZxmlHeaderSize + bound);
  out[0] = 'Z';
  out[1] = 'X';
  out[2] = 'M';
  out[3] = 'L';
  WriteLe32(out.data() + 4, static_cast<uint32_t>(bound));
  WriteLe32(out.data() + 8, static_cast<uint32_t>(size));
  return out;
}

bool TXmlNode::LoadCompressed(const void* data, size_t size) {
  const auto* p = static_cast<const uint8_t*>(data);
  if (!p || size < kZxmlHeaderSize) {
    FileLog("compressed XML: %zu bytes are too few for the header", size);
    return false;
  }
  uint32_t stream = ReadLe32(p + 4);
  uint32_t textSize = ReadLe32(p + 8);
  if (stream > size - kZxmlHeaderSize) {
    FileLog("compressed XML: the stream of %u bytes is longer than the %zu bytes present", stream,
            size - kZxmlHeaderSize);
    return false;
  }
  if (textSize > kMaxCompressedXmlText) {
    FileLog("compressed XML: a text of %u bytes is too large", textSize);
    return false;
  }
  std::vector<char> text(size_t(textSize) + 1, 0);
  uLongf produced = textSize;
  int result = uncompress(reinterpret_cast<Bytef*>(text.data()), &produced, p + kZxmlHeaderSize, stream);
  if (result != Z_OK) {
    FileLog("compressed XML: the stream does not decompress (zlib %d)", result);
    return false;
  }
  TGetCharString source(text.data(), static_cast<int32_t>(produced));
  ParseChildren(source);
  return true;
}
