// Shared set-up for the sound stand-in tests: a device object in manual mode (no SDL device; the
// test pulls mixed frames by hand), helpers to make, fill and play secondary buffers.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "os/dsound.h"
#include "os/dsound_event.h"

class SoundTest : public ::testing::Test {
 protected:
  void SetUp() override {
    os::TestResetSound();
    os::TestSetSoundManual(true);
    ASSERT_EQ(DirectSoundCreate(nullptr, &ds, nullptr), DS_OK);
  }

  void TearDown() override {
    for (IDirectSoundBuffer* b : buffers) b->Release();
    for (HANDLE e : events) CloseHandle(e);
    if (ds) ds->Release();
    EXPECT_EQ(os::TestSoundBufferCount(), 0);
    os::TestResetSound();
  }

  static WAVEFORMATEX Format(DWORD rate, WORD channels, WORD bits) {
    WAVEFORMATEX f{};
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = channels;
    f.nSamplesPerSec = rate;
    f.wBitsPerSample = bits;
    f.nBlockAlign = static_cast<WORD>(channels * bits / 8);
    f.nAvgBytesPerSec = rate * f.nBlockAlign;
    return f;
  }

  // A secondary buffer owned by the fixture; null when creation fails.
  IDirectSoundBuffer* MakeBuffer(const WAVEFORMATEX& f, DWORD bytes,
                                 DWORD flags = DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLPOSITIONNOTIFY |
                                               DSBCAPS_GETCURRENTPOSITION2 | DSBCAPS_GLOBALFOCUS) {
    WAVEFORMATEX format = f;
    DSBUFFERDESC desc{};
    desc.dwSize = kDsBufferDescSize32;
    desc.dwFlags = flags;
    desc.dwBufferBytes = bytes;
    desc.lpwfxFormat = &format;
    IDirectSoundBuffer* b = nullptr;
    if (ds->CreateSoundBuffer(&desc, &b, nullptr) != DS_OK) return nullptr;
    buffers.push_back(b);
    return b;
  }

  // Writes bytes at offset through a two-part lock.
  static void Write(IDirectSoundBuffer* b, DWORD offset, const void* data, DWORD bytes) {
    void *p1, *p2;
    DWORD n1, n2;
    ASSERT_EQ(b->Lock(offset, bytes, &p1, &n1, &p2, &n2, 0), DS_OK);
    std::memcpy(p1, data, n1);
    if (n2) std::memcpy(p2, static_cast<const uint8_t*>(data) + n1, n2);
    ASSERT_EQ(b->Unlock(p1, n1, p2, n2), DS_OK);
  }

  // A 16-bit buffer holding the samples (interleaved when stereo).
  IDirectSoundBuffer* Buffer16(DWORD rate, WORD channels, const std::vector<int16_t>& samples) {
    IDirectSoundBuffer* b = MakeBuffer(Format(rate, channels, 16), static_cast<DWORD>(samples.size() * 2));
    if (b) Write(b, 0, samples.data(), static_cast<DWORD>(samples.size() * 2));
    return b;
  }

  // Pulls frames from the mixer: interleaved stereo.
  static std::vector<int16_t> Pull(size_t frames) {
    std::vector<int16_t> out(frames * 2);
    EXPECT_TRUE(os::TestMixSound(out.data(), frames));
    return out;
  }

  static std::pair<DWORD, DWORD> Cursors(IDirectSoundBuffer* b) {
    DWORD play = 0xDEAD, write = 0xDEAD;
    EXPECT_EQ(b->GetCurrentPosition(&play, &write), DS_OK);
    return {play, write};
  }

  static DWORD Status(IDirectSoundBuffer* b) {
    DWORD s = 0xDEAD;
    EXPECT_EQ(b->GetStatus(&s), DS_OK);
    return s;
  }

  HANDLE MakeEvent() {
    HANDLE e = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    events.push_back(e);
    return e;
  }

  static bool Signalled(HANDLE e) { return WaitForSingleObject(e, 0) == WAIT_OBJECT_0; }

  // Ramp of distinct sample values, so that a dropped or repeated frame shows.
  static std::vector<int16_t> Ramp(size_t count, int start = 100, int step = 37) {
    std::vector<int16_t> v(count);
    for (size_t i = 0; i < count; ++i) v[i] = static_cast<int16_t>(start + static_cast<int>(i) * step);
    return v;
  }

  IDirectSound* ds = nullptr;
  std::vector<IDirectSoundBuffer*> buffers;
  std::vector<HANDLE> events;
};
