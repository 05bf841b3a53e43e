// Decode-and-mix throughput: 8 simultaneous Ogg Vorbis streams through the whole sound path
// (data sources, spoolers, streaming buffers with their refill passes, the stand-in mixer) against
// plain vorbisfile decoding of the same files. Prints the real-time factors and their ratio; the
// whole path should cost less than 1.5 times the bare decode.
#include <vorbis/vorbisfile.h>

#include <ctime>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "oggtone.h"
#include "os/dsound.h"
#include "os/time.h"
#include "sound/sounddatasource.h"
#include "sound/soundmanager.h"
#include "sound/soundstream.h"

namespace {
constexpr int kStreams = 8;
constexpr double kSeconds = 20.0;

// Process CPU time: other programs sharing the machine disturb it less than the wall clock.
double CpuSeconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

struct Mem {
  const std::vector<uint8_t>* data;
  size_t pos;
};

size_t MemRead(void* dst, size_t size, size_t count, void* src) {
  auto* m = static_cast<Mem*>(src);
  size_t n = std::min(size * count, m->data->size() - m->pos) / size;
  std::memcpy(dst, m->data->data() + m->pos, n * size);
  m->pos += n * size;
  return n;
}

double BareDecode(const std::vector<std::vector<uint8_t>>& files) {
  double start = CpuSeconds();
  size_t total = 0;
  for (const auto& file : files) {
    Mem mem{&file, 0};
    OggVorbis_File vf;
    if (ov_open_callbacks(&mem, &vf, nullptr, 0, {MemRead, nullptr, nullptr, nullptr}) != 0) return -1;
    char buffer[8192];
    int section;
    long n;
    while ((n = ov_read(&vf, buffer, sizeof(buffer), 0, 2, 1, &section)) > 0) total += static_cast<size_t>(n);
    ov_clear(&vf);
  }
  if (total == 0) return -1;
  return CpuSeconds() - start;
}

double WholePath(const std::vector<std::vector<uint8_t>>& files) {
  os::TestSetSoundManual(true);
  os::TestFreezeTime(100000);
  double start = CpuSeconds();
  {
    TSoundManager manager;
    SetPlatformSoundManager(&manager);
    if (!manager.Init(nullptr)) return -1;
    for (const auto& file : files) {
      auto ogg = std::make_shared<TOggDataSource>();
      if (!ogg->OpenMemory(file)) return -1;
      auto stream = TSoundStream::Create(&manager, std::make_unique<TStreamSpooler>(ogg), false, 0, nullptr);
      stream->CreateBuffer(ogg->GetRate(), ogg->GetChannels(), 16, 2.0f);
      stream->Start(false);
    }
    std::vector<int16_t> out(22050 * 2);
    while (manager.GetPlayingCount() > 0) {
      os::TestMixSound(out.data(), 22050);
      TSoundLock lock(&manager);
      os::TestAdvanceTime(501);
      manager.UpdateStreams(true);
      manager.Update();
    }
    SetPlatformSoundManager(nullptr);
  }
  double spent = CpuSeconds() - start;
  os::TestReleaseTime();
  return spent;
}
}  // namespace

int main() {
  std::vector<std::vector<uint8_t>> files;
  for (int i = 0; i < kStreams; ++i) {
    OggToneSpec toneSpec;
    toneSpec.frequency = 220.0 * (i + 1);
    toneSpec.seconds = kSeconds;
    toneSpec.channels = i % 2 ? 1 : 2;
    toneSpec.rate = i % 3 == 0 ? 22050 : 44100;
    std::vector<unsigned char> bytes = MakeOggTone(toneSpec);
    files.emplace_back(bytes.begin(), bytes.end());
  }
  double bare = 1e9, whole = 1e9;
  for (int run = 0; run < 5; ++run) {  // best of five
    bare = std::min(bare, BareDecode(files));
    whole = std::min(whole, WholePath(files));
  }
  if (bare <= 0 || whole <= 0) {
    std::printf("a run failed\n");
    return 1;
  }
  std::printf("%d streams of %.0f s each\n", kStreams, kSeconds);
  std::printf("bare vorbisfile decode: %.3f s CPU (%.0fx real time)\n", bare, kSeconds / bare);
  std::printf("whole sound path:       %.3f s CPU (%.0fx real time)\n", whole, kSeconds / whole);
  std::printf("ratio whole/bare:       %.2f  (target below 1.5)\n", whole / bare);
  return 0;
}
