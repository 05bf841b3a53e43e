// A run through a real SDL audio device (the dummy driver under test): the device thread pulls the
// mix at its own pace, cursors advance with it, and closing the last object closes the device.
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "sound_fixture.h"
#include "wait_until.h"

TEST(SoundSdlDevice, DummyDriverPullsTheMixAndMovesTheCursors) {
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  os::TestResetSound();
  std::mutex m;
  size_t framesSeen = 0;
  bool allExpected = true;
  os::TestSetSoundCapture([&](const int16_t* s, size_t frames) {
    std::lock_guard<std::mutex> lock(m);
    framesSeen += frames;
    for (size_t i = 0; i < frames * 2; ++i)
      if (s[i] != 0 && s[i] != 1500) allExpected = false;
  });

  IDirectSound* ds = nullptr;
  ASSERT_EQ(DirectSoundCreate(nullptr, &ds, nullptr), DS_OK);
  EXPECT_TRUE(os::TestSoundDeviceOpen());
  EXPECT_FALSE(os::TestMixSound(nullptr, 1));  // a real device is not driven by hand

  WAVEFORMATEX f{WAVE_FORMAT_PCM, 1, 22050, 44100, 2, 16, 0};
  DSBUFFERDESC desc{kDsBufferDescSize32, DSBCAPS_CTRLVOLUME, 22050 * 2, 0, &f};
  IDirectSoundBuffer* b = nullptr;
  ASSERT_EQ(ds->CreateSoundBuffer(&desc, &b, nullptr), DS_OK);
  void *p1, *p2;
  DWORD n1, n2;
  ASSERT_EQ(b->Lock(0, 0, &p1, &n1, &p2, &n2, DSBLOCK_ENTIREBUFFER), DS_OK);
  for (DWORD i = 0; i < n1 / 2; ++i) static_cast<int16_t*>(p1)[i] = 1500;
  ASSERT_EQ(b->Unlock(p1, n1, p2, n2), DS_OK);
  ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);

  // Wait for about 0.2 s of output.
  auto deadline = std::chrono::steady_clock::now() + testwait::kHangGuard;
  for (;;) {
    {
      std::lock_guard<std::mutex> lock(m);
      if (framesSeen >= 8820) break;
    }
    ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the device pulled no audio";
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  DWORD play = 0, write = 0;
  ASSERT_EQ(b->GetCurrentPosition(&play, &write), DS_OK);
  EXPECT_GT(play + write, 0u);
  EXPECT_EQ(write, (play + 220 * 2) % (22050 * 2));
  b->Release();
  ds->Release();
  EXPECT_FALSE(os::TestSoundDeviceOpen());
  os::TestResetSound();
  std::lock_guard<std::mutex> lock(m);
  EXPECT_TRUE(allExpected);
}

TEST(SoundSdlDevice, MissingDriverFailsWithNoDriver) {
  // An audio driver name SDL does not know: opening fails like a machine without sound.
  const char* old = getenv("SDL_AUDIODRIVER");
  std::string saved = old ? old : "";
  setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
  os::TestResetSound();
  IDirectSound* ds = nullptr;
  EXPECT_EQ(DirectSoundCreate(nullptr, &ds, nullptr), DSERR_NODRIVER);
  EXPECT_EQ(ds, nullptr);
  EXPECT_FALSE(os::TestSoundDeviceOpen());
  if (old) setenv("SDL_AUDIODRIVER", saved.c_str(), 1); else unsetenv("SDL_AUDIODRIVER");
}
