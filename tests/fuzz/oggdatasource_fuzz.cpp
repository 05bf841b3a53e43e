// Fuzz target for the Ogg Vorbis data source: any bytes either fail to open or decode to at most the
// announced size, through the source, its in-memory copy and a looping spooler, without hanging.
#include <cstdint>
#include <memory>
#include <vector>

#include "sound/sounddatasource.h"
#include "sound/soundstream.h"

namespace {
constexpr uint32_t kMaxDecodedBytes = 16u << 20;  // keeps one input fast

uint64_t ReadAllOf(TSoundDataSource& source) {
  std::vector<uint8_t> chunk(8192);
  uint64_t offset = 0;
  while (offset < kMaxDecodedBytes) {
    uint32_t n = source.Read(chunk.data(), static_cast<uint32_t>(offset), static_cast<uint32_t>(chunk.size()));
    if (n == 0) break;
    if (n > chunk.size()) __builtin_trap();
    offset += n;
  }
  return offset;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto ogg = std::make_shared<TOggDataSource>();
  if (!ogg->OpenMemory(std::vector<uint8_t>(data, data + size))) return 0;
  uint64_t decoded = ReadAllOf(*ogg);
  if (decoded > ogg->GetTotalBytes() && decoded < kMaxDecodedBytes) __builtin_trap();
  if (ogg->GetTotalBytes() <= kMaxDecodedBytes) {
    TMemDataSource copy(*ogg);
    ReadAllOf(copy);
  }
  // A looping spooler over whatever the source holds must come back.
  TStreamSpooler spooler(ogg);
  std::vector<uint8_t> half(32768);
  uint32_t got = 0;
  for (int i = 0; i < 4; ++i) spooler.Read(static_cast<uint32_t>(half.size()), half.data(), &got, true);
  return 0;
}
