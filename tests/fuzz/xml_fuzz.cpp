// Fuzz target: the XML reader over arbitrary bytes, then the writer over whatever tree came out.
#include <cstddef>
#include <cstdint>

#include "core/xml.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TXmlNode doc;
  // Plain text only: a leading "ZXML" is the compressed target's business.
  if (size >= 4 && data[0] == 'Z' && data[1] == 'X' && data[2] == 'M' && data[3] == 'L') return 0;
  doc.LoadFromBuffer(data, size);
  TString text = doc.ToString();
  TXmlNode again;
  again.LoadFromString(text.CStr());
  return 0;
}
