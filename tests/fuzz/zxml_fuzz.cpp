// Fuzz target: compressed XML blocks. The input is taken as a whole "ZXML" block; inputs that do not
// start with the magic get one (and a header built from their first bytes) so zlib sees them too.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "core/xml.h"
#include "core/zxml.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TXmlNode doc;
  if (size >= 4 && std::memcmp(data, "ZXML", 4) == 0) {
    doc.LoadCompressed(data, size);
  } else {
    std::vector<uint8_t> block = {'Z', 'X', 'M', 'L'};
    block.insert(block.end(), data, data + size);
    doc.LoadCompressed(block.data(), block.size());
  }
  doc.ToString();
  return 0;
}
