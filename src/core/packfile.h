// "VXPK" pack files: a magic, a signed 32-bit entry count and entries of an 8-bit name length, the
// name, a 32-bit offset and a 32-bit size (little-endian, unaligned). Mounting enters every entry
// into the asset index as a locator "@<pack>:<offset>,<size>" and maps the pack read-only.
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/assetindex.h"
#include "core/string.h"

// Mounts every file of the folder whose name contains ".vxp", in name order (later packs override
// earlier entries of the same name), each opened as "::assets/" + name.
void MountPacks(const TString& folder, TAssetIndex& index);
// Mounts one pack; a pack path mounted again keeps its number and gets a fresh mapping. A damaged
// index is read up to the damage: entries that point outside the file are skipped, with a log line.
void ReadPackIndex(TAssetIndex& index, const TString& packPath);

// The bytes of a pack holding the given (name, content) entries, the index first and the contents
// after it in order; for the build tools, tests and benchmarks. Names longer than 255 bytes are cut.
std::vector<uint8_t> BuildPackImage(const std::vector<std::pair<std::string, std::string>>& entries);
