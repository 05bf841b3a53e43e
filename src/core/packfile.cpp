// Pack mounting: reads a pack's index through the file layer and maps the pack.
#include "core/packfile.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/file.h"
#include "core/fileenv.h"
#include "core/folder.h"
#include "core/mappedfile.h"

namespace {
bool ReadInt32(TFile& file, int32_t& value) {
  uint8_t b[4];
  if (file.Read(b, 4) != 4) return false;
  value = static_cast<int32_t>(static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
                               (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24));
  return true;
}
}  // namespace

void MountPacks(const TString& folder, TAssetIndex& index) {
  std::vector<TString> packs;
  TDirectoryIterator it(folder);
  TString name;
  while (it.Next(&name, nullptr))
    if (name.Find(".vxp") >= 0) packs.push_back(name);
  std::sort(packs.begin(), packs.end());
  for (const TString& p : packs) ReadPackIndex(index, TString("::assets/") + p);
}

void ReadPackIndex(TAssetIndex& index, const TString& packPath) {
  std::vector<TFileMapHandler>& table = GetPackTable();
  size_t number = table.size();
  for (size_t i = 0; i < table.size(); ++i)
    if (table[i].GetPath() == packPath) {
      number = i;
      table[i].Unmap();
      break;
    }

  TFile file;
  if (!file.Open(packPath, kFileReadBinary)) return;
  char magic[5] = "XXXX";
  if (file.Read(magic, 4) != 4 || std::strcmp(magic, "VXPK") != 0) {
    FileLog("pack %s: no pack signature at the start, not mounted", packPath.CStr());
    return;
  }

  // Every entry must lie inside the pack: a damaged index would otherwise point reads outside the
  // mapped file. Reading stops at the first short read, which also bounds a huge entry count.
  const int64_t fileSize = file.GetSize();
  int32_t count = 0;
  if (!ReadInt32(file, count)) {
    FileLog("pack %s: the index is cut short", packPath.CStr());
    count = 0;
  } else if (count < 0) {
    FileLog("pack %s: the index gives a negative entry count (%d), no entries read", packPath.CStr(), count);
    count = 0;
  }
  for (int32_t e = 0; e < count; ++e) {
    uint8_t length = 0;
    char entryName[256];
    int32_t offset = 0, size = 0;
    if (file.Read(&length, 1) != 1 || file.Read(entryName, length) != length || !ReadInt32(file, offset) ||
        !ReadInt32(file, size)) {
      FileLog("pack %s: the index is cut short after %d of %d entries", packPath.CStr(), e, count);
      break;
    }
    entryName[length] = 0;
    TString key(entryName);
    if (offset < 0 || size < 0 || int64_t(offset) + int64_t(size) > fileSize) {
      FileLog("pack %s: entry \"%s\" lies outside the file (offset %d, size %d), skipped", packPath.CStr(),
              key.CStr(), offset, size);
      continue;
    }
    key.ToLower();
    index[key] = TString::Format("@%d:%ld,%ld", static_cast<int>(number), static_cast<long>(offset),
                                 static_cast<long>(size));
  }

  TFileMapHandler handler;
  if (!handler.Open(packPath)) FileLog("Failed to open flat file %s", packPath.CStr());
  if (number == table.size())
    table.push_back(handler);
  else
    table[number] = handler;
}

std::vector<uint8_t> BuildPackImage(const std::vector<std::pair<std::string, std::string>>& entries) {
  auto put32 = [](std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
  };
  size_t indexSize = 8;
  for (auto& e : entries) indexSize += 1 + std::min<size_t>(e.first.size(), 255) + 8;
  std::vector<uint8_t> out = {'V', 'X', 'P', 'K'};
  put32(out, static_cast<uint32_t>(entries.size()));
  size_t offset = indexSize;
  for (auto& e : entries) {
    size_t n = std::min<size_t>(e.first.size(), 255);
    out.push_back(static_cast<uint8_t>(n));
    out.insert(out.end(), e.first.begin(), e.first.begin() + static_cast<ptrdiff_t>(n));
    put32(out, static_cast<uint32_t>(offset));
    put32(out, static_cast<uint32_t>(e.second.size()));
    offset += e.second.size();
  }
  for (auto& e : entries) out.insert(out.end(), e.second.begin(), e.second.end());
  return out;
}
