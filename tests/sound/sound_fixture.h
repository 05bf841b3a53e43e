// Shared pieces of the sound tests: generated Ogg tones, a reference decode with vorbisfile, a log in
// a temporary folder, and a sound manager over the stand-in mixer driven by hand under a frozen clock.
#pragma once
#include <gtest/gtest.h>
#include <vorbis/vorbisfile.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/log.h"
#include "filetext.h"
#include "oggtone.h"
#include "os/dsound.h"
#include "os/tempfolder.h"
#include "os/time.h"
#include "sound/sounddatasource.h"
#include "sound/soundmanager.h"
#include "sound/soundstream.h"

namespace soundtest {

inline std::vector<uint8_t> Tone(double frequency, double seconds, int channels, long rate) {
  OggToneSpec toneSpec;
  toneSpec.frequency = frequency;
  toneSpec.seconds = seconds;
  toneSpec.channels = channels;
  toneSpec.rate = rate;
  std::vector<unsigned char> bytes = MakeOggTone(toneSpec);
  return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

// The PCM bytes vorbisfile itself decodes from the file, as the reference.
inline std::vector<int16_t> Decode(const std::vector<uint8_t>& bytes) {
  struct Mem {
    const std::vector<uint8_t>* data;
    size_t pos;
  } mem{&bytes, 0};
  ov_callbacks callbacks{
      [](void* dst, size_t size, size_t count, void* src) -> size_t {
        auto* m = static_cast<Mem*>(src);
        size_t n = std::min(size * count, m->data->size() - m->pos);
        std::memcpy(dst, m->data->data() + m->pos, n);
        m->pos += n;
        return size ? n / size : 0;
      },
      nullptr, nullptr, nullptr};
  OggVorbis_File vf;
  std::vector<int16_t> out;
  if (ov_open_callbacks(&mem, &vf, nullptr, 0, callbacks) != 0) return out;
  char buffer[4096];
  int section;
  long n;
  while ((n = ov_read(&vf, buffer, sizeof(buffer), 0, 2, 1, &section)) > 0) {
    size_t at = out.size();
    out.resize(at + static_cast<size_t>(n) / 2);
    std::memcpy(out.data() + at, buffer, static_cast<size_t>(n));
  }
  ov_clear(&vf);
  return out;
}

// Everything a source delivers from offset 0, in chunks of `chunk` bytes.
inline std::vector<int16_t> ReadAll(TSoundDataSource& source, uint32_t chunk = 4096) {
  std::vector<uint8_t> bytes;
  uint32_t offset = 0;
  for (;;) {
    bytes.resize(offset + chunk);
    uint32_t n = source.Read(bytes.data() + offset, offset, chunk);
    offset += n;
    if (n == 0) break;
  }
  bytes.resize(offset);
  std::vector<int16_t> samples(bytes.size() / 2);
  if (!samples.empty()) std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
  return samples;
}

// A log file in a temporary folder for the life of the object.
class ScopedLog {
 public:
  ScopedLog() { LogInit(mFolder.Path().c_str()); }
  ~ScopedLog() { LogInit(""); }
  std::string Text() const { return testutil::ReadLogText(mFolder.Path()); }
  bool Contains(const std::string& text) const { return Text().find(text) != std::string::npos; }

 private:
  testutil::TempFolder mFolder;
};

// A sound manager over the stand-in mixer without an audio device: the test pulls mixed frames and
// runs the refill passes by hand, with the framework clock frozen (started just before the 32-bit
// wrap, so the pacing arithmetic crosses it).
class SoundManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    os::TestResetSound();
    os::TestSetSoundManual(true);
    os::TestFreezeTime(0xFFFFF000u);
    manager = std::make_unique<TSoundManager>();
    SetPlatformSoundManager(manager.get());
  }

  void TearDown() override {
    SetPlatformSoundManager(nullptr);
    manager.reset();
    os::TestReleaseTime();
    os::TestResetSound();
    EXPECT_EQ(os::TestSoundBufferCount(), 0);
  }

  // One refill pass as the streaming thread makes it, 501 ms after the last. The lock keeps the
  // real thread from making this pass itself.
  void Pass(bool fromThread = true) {
    TSoundLock lock(manager.get());
    os::TestAdvanceTime(501);
    manager->UpdateStreams(fromThread);
  }

  // Mixed output (interleaved stereo) of the next frames.
  static std::vector<int16_t> Pull(size_t frames) {
    std::vector<int16_t> out(frames * 2);
    EXPECT_TRUE(os::TestMixSound(out.data(), frames));
    return out;
  }

  std::shared_ptr<TSoundStream> MakeStream(std::shared_ptr<TSoundDataSource> source, bool loop, int32_t group = 0) {
    return TSoundStream::Create(manager.get(), std::make_unique<TStreamSpooler>(std::move(source)), loop, group,
                                nullptr);
  }

  static std::shared_ptr<TSoundDataSource> OggSource(const std::vector<uint8_t>& bytes) {
    auto ogg = std::make_shared<TOggDataSource>();
    EXPECT_TRUE(ogg->OpenMemory(bytes));
    return ogg;
  }

  std::unique_ptr<TSoundManager> manager;
};

// A data source with fixed PCM bytes, or one that announces more data than it delivers.
class FakeSource : public TSoundDataSource {
 public:
  FakeSource(std::vector<int16_t> samples, uint32_t channels, uint32_t rate, uint64_t announced = UINT64_MAX)
      : mSamples(std::move(samples)), mChannels(channels), mRate(rate),
        mAnnounced(announced == UINT64_MAX ? mSamples.size() * 2 : announced) {}
  uint32_t Read(void* dest, uint32_t offset, uint32_t count) override {
    ++reads;
    uint64_t size = mSamples.size() * 2;
    if (offset >= size) return 0;
    uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(count, size - offset));
    std::memcpy(dest, reinterpret_cast<const uint8_t*>(mSamples.data()) + offset, n);
    return n;
  }
  uint64_t GetTotalBytes() override { return mAnnounced; }
  uint32_t GetRate() override { return mRate; }
  uint32_t GetChannels() override { return mChannels; }
  double GetLength() override { return static_cast<double>(mAnnounced) / (mChannels * 2.0 * mRate); }
  int reads = 0;

 private:
  std::vector<int16_t> mSamples;
  uint32_t mChannels, mRate;
  uint64_t mAnnounced;
};

}  // namespace soundtest
