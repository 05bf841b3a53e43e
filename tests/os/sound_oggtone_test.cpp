// The Ogg tone generator that sound tests use for fixtures: the file decodes to the asked rate,
// channels, length, pitch and level.
#include <vorbis/vorbisfile.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "oggtone.h"

namespace {

struct Decoded {
  bool ok = false;
  long rate = 0;
  int channels = 0;
  std::vector<int16_t> samples;  // interleaved
};

struct MemoryFile {
  const std::vector<unsigned char>* data;
  size_t pos = 0;
};

size_t ReadMem(void* dst, size_t size, size_t count, void* src) {
  auto* m = static_cast<MemoryFile*>(src);
  size_t n = std::min(size * count, m->data->size() - m->pos);
  std::memcpy(dst, m->data->data() + m->pos, n);
  m->pos += n;
  return size ? n / size : 0;
}

Decoded Decode(const std::vector<unsigned char>& bytes) {
  Decoded d;
  MemoryFile file{&bytes};
  ov_callbacks callbacks{ReadMem, nullptr, nullptr, nullptr};  // not seekable: read straight through
  OggVorbis_File vf;
  if (ov_open_callbacks(&file, &vf, nullptr, 0, callbacks) != 0) return d;
  vorbis_info* vi = ov_info(&vf, -1);
  d.rate = vi->rate;
  d.channels = vi->channels;
  char buffer[4096];
  int section = 0;
  for (;;) {
    long n = ov_read(&vf, buffer, sizeof(buffer), 0, 2, 1, &section);
    if (n < 0) {
      ov_clear(&vf);
      return d;
    }
    if (n == 0) break;
    size_t at = d.samples.size();
    d.samples.resize(at + static_cast<size_t>(n) / 2);
    std::memcpy(d.samples.data() + at, buffer, static_cast<size_t>(n));
  }
  ov_clear(&vf);
  d.ok = true;
  return d;
}

}  // namespace

struct ToneCase {
  double frequency;
  double seconds;
  int channels;
  long rate;
};

TEST(OggTone, DecodesToTheRequestedTone) {
  const ToneCase cases[] = {{440, 1.0, 1, 44100}, {1000, 0.5, 2, 22050}, {250, 2.5, 2, 44100}, {3000, 0.25, 1, 11025}};
  for (const ToneCase& c : cases) {
    OggToneSpec toneSpec;
    toneSpec.frequency = c.frequency;
    toneSpec.seconds = c.seconds;
    toneSpec.channels = c.channels;
    toneSpec.rate = c.rate;
    Decoded d = Decode(MakeOggTone(toneSpec));
    ASSERT_TRUE(d.ok) << c.frequency;
    EXPECT_EQ(d.rate, c.rate);
    EXPECT_EQ(d.channels, c.channels);
    const long frames = static_cast<long>(d.samples.size()) / c.channels;
    EXPECT_EQ(frames, std::lround(c.seconds * c.rate)) << c.frequency;
    // Pitch from the rising zero crossings of the first channel, away from the edges.
    int crossings = 0, peak = 0;
    const long from = frames / 10, to = frames - frames / 10;
    for (long i = from + 1; i < to; ++i) {
      int a = d.samples[(i - 1) * c.channels], b = d.samples[i * c.channels];
      if (a < 0 && b >= 0) ++crossings;
      peak = std::max(peak, std::abs(b));
      if (c.channels == 2) {
        EXPECT_NEAR(d.samples[i * 2 + 1], b, 400) << "channels differ at " << i;
      }
    }
    double measured = crossings * static_cast<double>(c.rate) / static_cast<double>(to - from);
    EXPECT_NEAR(measured, c.frequency, c.frequency * 0.02 + 2) << c.frequency;
    EXPECT_NEAR(peak, 0.5 * 32767, 0.05 * 32767) << c.frequency;
  }
}

TEST(OggTone, ZeroLengthGivesAValidEmptyFileAndBadSpecsGiveNothing) {
  OggToneSpec empty;
  empty.seconds = 0;
  Decoded d = Decode(MakeOggTone(empty));
  ASSERT_TRUE(d.ok);
  EXPECT_TRUE(d.samples.empty());

  OggToneSpec bad;
  bad.channels = 3;
  EXPECT_TRUE(MakeOggTone(bad).empty());
  bad.channels = 1;
  bad.seconds = -1;
  EXPECT_TRUE(MakeOggTone(bad).empty());
  EXPECT_FALSE(WriteOggTone("/nonexistent-folder/x.ogg", OggToneSpec{}));
}
