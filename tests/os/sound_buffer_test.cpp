// The DirectSound objects' contract: device and primary set-up, buffer creation checks, two-part
// locks, cursors, position notifications, lost buffers, forced failures and reference counts.
#include <cmath>

#include "sound_fixture.h"

TEST(SoundDevice, FailedCreationOpensNothingAndTheNextOneWorks) {
  os::TestResetSound();
  os::TestSetSoundManual(true);
  os::TestFailSoundCall(os::SoundCall::Create, DSERR_NODRIVER);
  IDirectSound* ds = reinterpret_cast<IDirectSound*>(0x1);
  EXPECT_EQ(DirectSoundCreate(nullptr, &ds, nullptr), DSERR_NODRIVER);
  EXPECT_EQ(ds, nullptr);
  EXPECT_FALSE(os::TestMixSound(nullptr, 1));  // no device open
  ASSERT_EQ(DirectSoundCreate(nullptr, &ds, nullptr), DS_OK);
  EXPECT_TRUE(os::TestMixSound(nullptr, 1));
  ds->Release();
  EXPECT_FALSE(os::TestMixSound(nullptr, 1));
  os::TestResetSound();
}

TEST(SoundDevice, CreationArgumentsAreChecked) {
  os::TestResetSound();
  os::TestSetSoundManual(true);
  IDirectSound* ds = nullptr;
  GUID other{1, 2, 3, {4}};
  EXPECT_EQ(DirectSoundCreate(nullptr, nullptr, nullptr), DSERR_INVALIDPARAM);
  EXPECT_EQ(DirectSoundCreate(&other, &ds, nullptr), DSERR_NODRIVER);
  EXPECT_EQ(DirectSoundCreate(nullptr, &ds, reinterpret_cast<IUnknown*>(&other)), DSERR_NOAGGREGATION);
  EXPECT_EQ(ds, nullptr);
  os::TestResetSound();
}

TEST_F(SoundTest, Device_PrimarySetUpAsAtStartUp) {
  DSCAPS caps{};
  caps.dwSize = sizeof(caps);
  EXPECT_EQ(ds->GetCaps(&caps), DS_OK);
  EXPECT_EQ(ds->SetCooperativeLevel(nullptr, DSSCL_PRIORITY), DS_OK);

  DSBUFFERDESC desc{kDsBufferDescSize32, DSBCAPS_PRIMARYBUFFER, 0, 0, nullptr};
  IDirectSoundBuffer* primary = nullptr;
  ASSERT_EQ(ds->CreateSoundBuffer(&desc, &primary, nullptr), DS_OK);
  buffers.push_back(primary);
  WAVEFORMATEX cd = Format(44100, 2, 16);
  EXPECT_EQ(primary->SetFormat(&cd), DS_OK);
  WAVEFORMATEX back{};
  DWORD written = 0;
  ASSERT_EQ(primary->GetFormat(&back, sizeof(back), &written), DS_OK);
  EXPECT_EQ(written, sizeof(WAVEFORMATEX));
  EXPECT_EQ(back.nSamplesPerSec, 44100u);
  EXPECT_EQ(back.nChannels, 2);
  EXPECT_EQ(back.wBitsPerSample, 16);
  EXPECT_EQ(back.nAvgBytesPerSec, 176400u);
  EXPECT_EQ(back.nBlockAlign, 4);

  // One primary per device: a second request shares it.
  IDirectSoundBuffer* again = nullptr;
  ASSERT_EQ(ds->CreateSoundBuffer(&desc, &again, nullptr), DS_OK);
  EXPECT_EQ(again, primary);
  again->Release();
  // The primary is not a ring the caller can write.
  void *p1, *p2;
  DWORD n1, n2;
  EXPECT_LT(primary->Lock(0, 4, &p1, &n1, &p2, &n2, 0), 0);
}

TEST_F(SoundTest, Device_PrimaryFormatNeedsPriorityLevel) {
  DSBUFFERDESC desc{kDsBufferDescSize32, DSBCAPS_PRIMARYBUFFER, 0, 0, nullptr};
  IDirectSoundBuffer* primary = nullptr;
  ASSERT_EQ(ds->CreateSoundBuffer(&desc, &primary, nullptr), DS_OK);
  buffers.push_back(primary);
  WAVEFORMATEX f = Format(22050, 1, 8);
  EXPECT_EQ(primary->SetFormat(&f), DSERR_PRIOLEVELNEEDED);
  ASSERT_EQ(ds->SetCooperativeLevel(nullptr, DSSCL_NORMAL), DS_OK);
  EXPECT_EQ(primary->SetFormat(&f), DSERR_PRIOLEVELNEEDED);
  ASSERT_EQ(ds->SetCooperativeLevel(nullptr, DSSCL_PRIORITY), DS_OK);
  EXPECT_EQ(primary->SetFormat(&f), DS_OK);
  EXPECT_EQ(ds->SetCooperativeLevel(nullptr, 0), DSERR_INVALIDPARAM);
  EXPECT_EQ(ds->SetCooperativeLevel(nullptr, DSSCL_WRITEPRIMARY), DSERR_INVALIDPARAM);
}

struct BadBufferCase {
  const char* what;
  DWORD dwSize;
  DWORD flags;
  DWORD bytes;
  WAVEFORMATEX format;
  bool withFormat;
  HRESULT expected;
};

WAVEFORMATEX Fmt(WORD tag, WORD ch, DWORD rate, WORD bits, WORD align, DWORD avg) {
  return WAVEFORMATEX{tag, ch, rate, avg, align, bits, 0};
}

TEST_F(SoundTest, Device_BadBufferDescriptionsAreRefused) {
  const WAVEFORMATEX ok = Format(22050, 2, 16);
  const BadBufferCase cases[] = {
      {"description size", 20, 0, 64, ok, true, DSERR_INVALIDPARAM},
      {"no format", kDsBufferDescSize32, 0, 64, ok, false, DSERR_INVALIDPARAM},
      {"size below 4", kDsBufferDescSize32, 0, 0, Format(22050, 1, 8), true, DSERR_INVALIDPARAM},
      {"size above max", kDsBufferDescSize32, 0, DSBSIZE_MAX + 1, Format(22050, 1, 8), true, DSERR_INVALIDPARAM},
      {"partial frame", kDsBufferDescSize32, 0, 66, ok, true, DSERR_INVALIDPARAM},
      {"not PCM", kDsBufferDescSize32, 0, 64, Fmt(3, 2, 22050, 16, 4, 88200), true, DSERR_BADFORMAT},
      {"six channels", kDsBufferDescSize32, 0, 64, Fmt(1, 6, 22050, 16, 12, 264600), true, DSERR_BADFORMAT},
      {"24 bits", kDsBufferDescSize32, 0, 60, Fmt(1, 2, 22050, 24, 6, 132300), true, DSERR_BADFORMAT},
      {"rate too low", kDsBufferDescSize32, 0, 64, Format(50, 2, 16), true, DSERR_BADFORMAT},
      {"rate too high", kDsBufferDescSize32, 0, 64, Format(400000, 2, 16), true, DSERR_BADFORMAT},
      {"block align", kDsBufferDescSize32, 0, 64, Fmt(1, 2, 22050, 16, 2, 44100), true, DSERR_INVALIDPARAM},
      {"bytes per second", kDsBufferDescSize32, 0, 64, Fmt(1, 2, 22050, 16, 4, 1000), true, DSERR_INVALIDPARAM},
      {"primary with size", kDsBufferDescSize32, DSBCAPS_PRIMARYBUFFER, 64, ok, false, DSERR_INVALIDPARAM},
      {"primary with format", kDsBufferDescSize32, DSBCAPS_PRIMARYBUFFER, 0, ok, true, DSERR_INVALIDPARAM},
  };
  for (const BadBufferCase& c : cases) {
    WAVEFORMATEX f = c.format;
    DSBUFFERDESC desc{c.dwSize, c.flags, c.bytes, 0, c.withFormat ? &f : nullptr};
    IDirectSoundBuffer* b = reinterpret_cast<IDirectSoundBuffer*>(0x1);
    EXPECT_EQ(ds->CreateSoundBuffer(&desc, &b, nullptr), c.expected) << c.what;
    EXPECT_EQ(b, nullptr) << c.what;
  }
  EXPECT_EQ(os::TestSoundBufferCount(), 0);
}

TEST_F(SoundTest, Device_BufferSizesAtTheLimitsAreAccepted) {
  // The smallest buffer, and the two seconds of CD audio a streaming sound uses.
  IDirectSoundBuffer* small = MakeBuffer(Format(44100, 2, 16), DSBSIZE_MIN);
  ASSERT_NE(small, nullptr);
  IDirectSoundBuffer* cd = MakeBuffer(Format(44100, 2, 16), 352800);
  ASSERT_NE(cd, nullptr);
  DSBCAPS caps{};
  caps.dwSize = sizeof(caps);
  ASSERT_EQ(cd->GetCaps(&caps), DS_OK);
  EXPECT_EQ(caps.dwBufferBytes, 352800u);
  EXPECT_EQ(caps.dwFlags & DSBCAPS_CTRLVOLUME, DSBCAPS_CTRLVOLUME);
  WAVEFORMATEX f{};
  ASSERT_EQ(small->GetFormat(&f, sizeof(f), nullptr), DS_OK);
  EXPECT_EQ(f.nSamplesPerSec, 44100u);
  // A secondary buffer keeps its format.
  WAVEFORMATEX other = Format(22050, 1, 16);
  EXPECT_EQ(small->SetFormat(&other), DSERR_INVALIDCALL);
}

TEST_F(SoundTest, Buffer_LockAcrossTheEndSplitsIntoTwoRegions) {
  IDirectSoundBuffer* b = MakeBuffer(Format(44100, 1, 16), 100);
  void *p1, *p2;
  DWORD n1, n2;
  ASSERT_EQ(b->Lock(80, 50, &p1, &n1, &p2, &n2, 0), DS_OK);
  EXPECT_EQ(n1, 20u);
  EXPECT_EQ(n2, 30u);
  EXPECT_EQ(b->Unlock(p1, n1, p2, n2), DS_OK);
  EXPECT_EQ(b->Unlock(p1, n1, p2, n2), DSERR_INVALIDPARAM);  // once only

  ASSERT_EQ(b->Lock(0, 50, &p1, &n1, &p2, &n2, 0), DS_OK);  // half at 0: one region
  EXPECT_EQ(n1, 50u);
  EXPECT_EQ(n2, 0u);
  EXPECT_EQ(p2, nullptr);
  EXPECT_EQ(b->Unlock(p1, n1, p2, n2), DS_OK);

  ASSERT_EQ(b->Lock(60, 0, &p1, &n1, &p2, &n2, DSBLOCK_ENTIREBUFFER), DS_OK);
  EXPECT_EQ(n1 + n2, 100u);
  EXPECT_EQ(b->Unlock(p1, n1, p2, n2), DS_OK);

  EXPECT_EQ(b->Lock(100, 10, &p1, &n1, &p2, &n2, 0), DSERR_INVALIDPARAM);  // offset past the end
  EXPECT_EQ(b->Lock(0, 101, &p1, &n1, &p2, &n2, 0), DSERR_INVALIDPARAM);   // more than the ring
  EXPECT_EQ(b->Lock(0, 0, &p1, &n1, &p2, &n2, 0), DSERR_INVALIDPARAM);
  EXPECT_EQ(b->Lock(90, 20, &p1, &n1, nullptr, nullptr, 0), DSERR_INVALIDPARAM);  // wraps, no room
  int16_t outside[4];
  EXPECT_EQ(b->Unlock(outside, 8, nullptr, 0), DSERR_INVALIDPARAM);
}

TEST_F(SoundTest, Buffer_LockedBytesAreStoredByUnlockAsFarAsWritten) {
  IDirectSoundBuffer* b = Buffer16(44100, 1, std::vector<int16_t>(8, 11));
  ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  void *p1, *p2;
  DWORD n1, n2;
  ASSERT_EQ(b->Lock(0, 16, &p1, &n1, &p2, &n2, 0), DS_OK);
  auto* samples = static_cast<int16_t*>(p1);
  EXPECT_EQ(samples[3], 11);  // the region shows what the ring holds
  for (int i = 0; i < 8; ++i) samples[i] = 22;
  EXPECT_EQ(Pull(8), std::vector<int16_t>(16, 11));  // not yet stored
  // A wrong length or a foreign second region is refused and keeps the lock.
  EXPECT_EQ(b->Unlock(p1, 18, nullptr, 0), DSERR_INVALIDPARAM);
  EXPECT_EQ(b->Unlock(p1, 8, p1, 2), DSERR_INVALIDPARAM);
  ASSERT_EQ(b->Unlock(p1, 8, nullptr, 0), DS_OK);  // only the first four samples were written
  std::vector<int16_t> out = Pull(8);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(out[i * 2], i < 4 ? 22 : 11) << i;
  // A buffer lost while locked drops what was written.
  ASSERT_EQ(b->Lock(0, 16, &p1, &n1, &p2, &n2, 0), DS_OK);
  os::TestLoseSoundBuffer(b);
  std::memset(p1, 0x7F, 16);
  EXPECT_EQ(b->Unlock(p1, n1, p2, n2), DS_OK);
  ASSERT_EQ(b->Restore(), DS_OK);
  ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  EXPECT_EQ(Pull(8), std::vector<int16_t>(16, 0));
}

TEST_F(SoundTest, Buffer_WrappedLockWritesPlayInRingOrder) {
  IDirectSoundBuffer* b = MakeBuffer(Format(44100, 1, 16), 20);  // 10 frames
  std::vector<int16_t> ramp = Ramp(10);
  Write(b, 12, ramp.data(), 20);  // frames 6..9 then 0..5
  ASSERT_EQ(b->SetCurrentPosition(12), DS_OK);
  ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  std::vector<int16_t> out = Pull(10);
  for (size_t i = 0; i < 10; ++i) EXPECT_EQ(out[i * 2], ramp[i]);
}

TEST_F(SoundTest, Buffer_CursorsFollowTheMixedFrames) {
  IDirectSoundBuffer* b = MakeBuffer(Format(22050, 2, 16), 22050 * 4);  // one second
  EXPECT_EQ(Cursors(b), std::make_pair(DWORD{0}, DWORD{0}));            // stopped: write = play
  ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  auto [play0, write0] = Cursors(b);
  EXPECT_EQ(play0, 0u);
  EXPECT_EQ(write0, 220u * 4);  // the write cursor leads by 10 ms
  Pull(4410);                   // 100 ms of output = 2205 source frames
  auto [play1, write1] = Cursors(b);
  EXPECT_EQ(play1, 2205u * 4);
  EXPECT_EQ(write1, (2205u + 220u) * 4);
  // The write cursor wraps with the ring.
  Pull(2 * (22050 - 2205 - 100));
  auto [play2, write2] = Cursors(b);
  EXPECT_EQ(play2, (22050u - 100u) * 4);
  EXPECT_EQ(write2, 120u * 4);
  // Stop keeps the position; a new Play continues from it.
  ASSERT_EQ(b->Stop(), DS_OK);
  EXPECT_EQ(Cursors(b), std::make_pair(play2, play2));
  Pull(1000);
  EXPECT_EQ(Cursors(b).first, play2);
  ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  Pull(2);
  EXPECT_EQ(Cursors(b).first, play2 + 4);
  EXPECT_EQ(b->SetCurrentPosition(22050 * 4), DSERR_INVALIDPARAM);
  ASSERT_EQ(b->SetCurrentPosition(8), DS_OK);
  EXPECT_EQ(Cursors(b).first, 8u);
}

TEST_F(SoundTest, Buffer_NotificationsFireWhenThePlayCursorPassesTheirOffsets) {
  const DWORD frames = 1000;
  IDirectSoundBuffer* b = MakeBuffer(Format(44100, 1, 16), frames * 2);
  HANDLE atStart = MakeEvent(), atHalf = MakeEvent(), atStop = MakeEvent();
  IDirectSoundNotify* notify = nullptr;
  ASSERT_EQ(b->QueryInterface(IID_IDirectSoundNotify, reinterpret_cast<void**>(&notify)), DS_OK);
  DSBPOSITIONNOTIFY positions[] = {{0, atStart}, {frames, atHalf}, {DSBPN_OFFSETSTOP, atStop}};
  ASSERT_EQ(notify->SetNotificationPositions(3, positions), DS_OK);

  ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  // Changing notifications needs a stopped buffer.
  EXPECT_EQ(notify->SetNotificationPositions(3, positions), DSERR_INVALIDCALL);
  Pull(1);
  EXPECT_TRUE(Signalled(atStart));
  EXPECT_FALSE(Signalled(atHalf));
  Pull(frames / 2 - 1);  // the cursor now stands on the half: not yet passed
  EXPECT_FALSE(Signalled(atHalf));
  Pull(1);
  EXPECT_TRUE(Signalled(atHalf));
  EXPECT_FALSE(Signalled(atStart));
  EXPECT_FALSE(Signalled(atHalf));  // auto-reset: consumed by the wait
  Pull(frames / 2);                 // wraps to the start
  EXPECT_TRUE(Signalled(atStart));
  EXPECT_FALSE(Signalled(atStop));
  ASSERT_EQ(b->Stop(), DS_OK);
  EXPECT_TRUE(Signalled(atStop));

  // Offsets must lie in the buffer.
  DSBPOSITIONNOTIFY outside{frames * 2, atHalf};
  EXPECT_EQ(notify->SetNotificationPositions(1, &outside), DSERR_INVALIDPARAM);
  EXPECT_EQ(notify->SetNotificationPositions(1, nullptr), DSERR_INVALIDPARAM);
  EXPECT_EQ(notify->SetNotificationPositions(0, nullptr), DS_OK);
  notify->Release();
}

TEST_F(SoundTest, Buffer_NotifyAndVolumeNeedTheirCreationFlags) {
  IDirectSoundBuffer* plain = MakeBuffer(Format(44100, 2, 16), 400, 0);
  ASSERT_NE(plain, nullptr);
  void* notify = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(plain->QueryInterface(IID_IDirectSoundNotify, &notify), DSERR_NOINTERFACE);
  EXPECT_EQ(notify, nullptr);
  EXPECT_EQ(plain->SetVolume(-100), DSERR_CONTROLUNAVAIL);
  IDirectSoundBuffer* full = MakeBuffer(Format(44100, 2, 16), 400);
  EXPECT_EQ(full->SetVolume(1), DSERR_INVALIDPARAM);
  EXPECT_EQ(full->SetVolume(-10001), DSERR_INVALIDPARAM);
  // The same object answers for both of its interfaces.
  void* unknown = nullptr;
  ASSERT_EQ(full->QueryInterface(IID_IUnknown, &unknown), DS_OK);
  EXPECT_EQ(unknown, static_cast<void*>(full));
  full->Release();
}

TEST_F(SoundTest, Buffer_LostBufferRefusesUseUntilRestoredAndComesBackSilent) {
  IDirectSoundBuffer* b = Buffer16(44100, 1, std::vector<int16_t>(100, 5000));
  ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  Pull(10);
  os::TestLoseSoundBuffer(b);
  EXPECT_EQ(Status(b), DSBSTATUS_BUFFERLOST);
  EXPECT_EQ(Pull(4), std::vector<int16_t>(8, 0));
  EXPECT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DSERR_BUFFERLOST);
  void *p1, *p2;
  DWORD n1, n2;
  EXPECT_EQ(b->Lock(0, 10, &p1, &n1, &p2, &n2, 0), DSERR_BUFFERLOST);
  EXPECT_EQ(b->SetVolume(-300), DS_OK);  // properties still work

  ASSERT_EQ(b->Restore(), DS_OK);
  EXPECT_EQ(Status(b), 0u);
  ASSERT_EQ(b->SetCurrentPosition(0), DS_OK);
  ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  EXPECT_EQ(Pull(4), std::vector<int16_t>(8, 0));  // restored memory is silence
  std::vector<int16_t> refill(100, 5000);
  Write(b, 0, refill.data(), 200);
  std::vector<int16_t> out = Pull(4);
  EXPECT_NEAR(out[0], 5000 * std::pow(10.0, -300 / 2000.0), 1.0);
}

TEST_F(SoundTest, Buffer_LosingAllBuffersLeavesThePrimaryAlone) {
  IDirectSoundBuffer* a = Buffer16(44100, 1, std::vector<int16_t>(10, 1));
  IDirectSoundBuffer* b = Buffer16(22050, 2, std::vector<int16_t>(10, 1));
  os::TestLoseSoundBuffer(nullptr);
  EXPECT_EQ(Status(a), DSBSTATUS_BUFFERLOST);
  EXPECT_EQ(Status(b), DSBSTATUS_BUFFERLOST);
  EXPECT_EQ(b->Restore(), DS_OK);
  EXPECT_EQ(Status(b), 0u);
  EXPECT_EQ(Status(a), DSBSTATUS_BUFFERLOST);
}

struct ForcedCase {
  os::SoundCall call;
  HRESULT code;
};

TEST_F(SoundTest, Buffer_ForcedFailuresHitOnceAndChangeNothing) {
  IDirectSoundBuffer* b = Buffer16(44100, 2, Ramp(40));
  const ForcedCase cases[] = {
      {os::SoundCall::Play, DSERR_GENERIC},
      {os::SoundCall::Stop, DSERR_GENERIC},
      {os::SoundCall::GetCurrentPosition, DSERR_INVALIDCALL},
      {os::SoundCall::Lock, DSERR_INVALIDCALL},
      {os::SoundCall::Unlock, DSERR_INVALIDCALL},
      {os::SoundCall::SetVolume, DSERR_GENERIC},
      {os::SoundCall::GetStatus, DSERR_GENERIC},
      {os::SoundCall::Restore, DSERR_BUFFERLOST},
      {os::SoundCall::QueryNotify, DSERR_NOINTERFACE},
      {os::SoundCall::SetNotificationPositions, DSERR_INVALIDPARAM},
      {os::SoundCall::CreateSoundBuffer, DSERR_OUTOFMEMORY},
      {os::SoundCall::SetCooperativeLevel, DSERR_ALLOCATED},
      {os::SoundCall::SetFormat, DSERR_BADFORMAT},
  };
  auto call = [&](os::SoundCall c) -> HRESULT {
    DWORD d1, d2;
    void *p1, *p2;
    LONG vol = 0;
    IDirectSoundNotify* n = nullptr;
    switch (c) {
      case os::SoundCall::Play: return b->Play(0, 0, 0);
      case os::SoundCall::Stop: return b->Stop();
      case os::SoundCall::GetCurrentPosition: return b->GetCurrentPosition(&d1, &d2);
      case os::SoundCall::Lock: {
        HRESULT hr = b->Lock(0, 4, &p1, &d1, &p2, &d2, 0);
        if (hr == DS_OK) b->Unlock(p1, d1, p2, d2);
        return hr;
      }
      case os::SoundCall::Unlock: {
        EXPECT_EQ(b->Lock(0, 4, &p1, &d1, &p2, &d2, 0), DS_OK);
        return b->Unlock(p1, d1, p2, d2);
      }
      case os::SoundCall::SetVolume: {
        HRESULT hr = b->SetVolume(-500);
        EXPECT_EQ(b->GetVolume(&vol), DS_OK);
        EXPECT_EQ(vol, hr == DS_OK ? -500 : 0);
        b->SetVolume(0);
        return hr;
      }
      case os::SoundCall::GetStatus: return b->GetStatus(&d1);
      case os::SoundCall::Restore: return b->Restore();
      case os::SoundCall::QueryNotify: {
        HRESULT hr = b->QueryInterface(IID_IDirectSoundNotify, reinterpret_cast<void**>(&n));
        if (n) n->Release();
        return hr;
      }
      case os::SoundCall::SetNotificationPositions: {
        EXPECT_EQ(b->QueryInterface(IID_IDirectSoundNotify, reinterpret_cast<void**>(&n)), DS_OK);
        HRESULT hr = n->SetNotificationPositions(0, nullptr);
        n->Release();
        return hr;
      }
      case os::SoundCall::CreateSoundBuffer: {
        size_t before = buffers.size();
        MakeBuffer(Format(8000, 1, 8), 8);
        return buffers.size() > before ? DS_OK : DSERR_OUTOFMEMORY;
      }
      case os::SoundCall::SetCooperativeLevel: return ds->SetCooperativeLevel(nullptr, DSSCL_PRIORITY);
      case os::SoundCall::SetFormat: {
        DSBUFFERDESC desc{kDsBufferDescSize32, DSBCAPS_PRIMARYBUFFER, 0, 0, nullptr};
        IDirectSoundBuffer* primary = nullptr;
        EXPECT_EQ(ds->CreateSoundBuffer(&desc, &primary, nullptr), DS_OK);
        WAVEFORMATEX f = Format(44100, 2, 16);
        HRESULT hr = primary->SetFormat(&f);
        primary->Release();
        return hr;
      }
      default: return DSERR_UNSUPPORTED;
    }
  };
  ASSERT_EQ(ds->SetCooperativeLevel(nullptr, DSSCL_PRIORITY), DS_OK);
  for (const ForcedCase& c : cases) {
    os::TestFailSoundCall(c.call, c.code);
    EXPECT_EQ(call(c.call), c.code) << static_cast<int>(c.call);
    EXPECT_EQ(call(c.call), DS_OK) << static_cast<int>(c.call);
  }
  // A forced Play leaves the buffer stopped.
  os::TestFailSoundCall(os::SoundCall::Play, DSERR_GENERIC);
  EXPECT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DSERR_GENERIC);
  EXPECT_EQ(Status(b), 0u);
  // A count covers that many calls.
  os::TestFailSoundCall(os::SoundCall::Stop, DSERR_GENERIC, 2);
  EXPECT_EQ(b->Stop(), DSERR_GENERIC);
  EXPECT_EQ(b->Stop(), DSERR_GENERIC);
  EXPECT_EQ(b->Stop(), DS_OK);
}

TEST_F(SoundTest, Buffer_ReleasingAPlayingBufferStopsItAndTheDeviceOutlivesItsBuffers) {
  IDirectSoundBuffer* b = Buffer16(44100, 1, std::vector<int16_t>(10, 700));
  ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  EXPECT_EQ(os::TestPlayingSoundBufferCount(), 1);
  // The device object goes first; its buffer keeps the output open.
  ds->Release();
  ds = nullptr;
  EXPECT_EQ(Pull(1), (std::vector<int16_t>{700, 700}));
  b->AddRef();
  EXPECT_EQ(b->Release(), 1u);
  buffers.clear();
  EXPECT_EQ(b->Release(), 0u);
  EXPECT_EQ(os::TestSoundBufferCount(), 0);
  EXPECT_FALSE(os::TestMixSound(nullptr, 1));  // last user gone: output closed
}
