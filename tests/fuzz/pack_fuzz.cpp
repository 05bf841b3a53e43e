// Fuzz target: pack files. The input is written as the only pack of a scratch assets folder, mounted
// through the file layer, and every entry the index took is opened and read to its end.
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/assetindex.h"
#include "core/file.h"
#include "core/packfile.h"

namespace {
std::string gScratch;

void RemoveScratch() {
  unlink((gScratch + "/assets/fuzz.vxp").c_str());
  rmdir((gScratch + "/assets").c_str());
  rmdir(gScratch.c_str());
}

// One scratch folder per process, removed at exit. The current folder is left alone (the corpus
// driver reads relative paths), so the pack is named by its absolute path after "::".
void EnterScratch() {
  if (!gScratch.empty()) return;
  char pattern[] = "/tmp/tm_packfuzz_XXXXXX";
  if (!mkdtemp(pattern)) std::abort();
  gScratch = pattern;
  if (mkdir((gScratch + "/assets").c_str(), 0777) != 0) std::abort();
  std::atexit(RemoveScratch);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  EnterScratch();
  std::string pack = gScratch + "/assets/fuzz.vxp";
  FILE* f = std::fopen(pack.c_str(), "wb");
  if (!f) std::abort();
  if (size) std::fwrite(data, 1, size, f);
  std::fclose(f);

  filetest::ResetFileSystem();
  ReadPackIndex(GetAssetIndex(), TString("::") + pack.c_str());
  char buf[4096];
  for (auto& entry : GetAssetIndex()) {
    TFile* file = FileOpen(entry.first, kFileReadBinary);
    if (!file) continue;
    file->Seek(-3, kSeekEnd);
    file->Unget();
    file->Seek(0, kSeekStart);
    while (file->Read(buf, sizeof buf) > 0) {
    }
    FileClose(file);
  }
  filetest::ResetFileSystem();
  return 0;
}
