// The sound manager: device set-up and its failures, group volumes, refill pacing, and what happens
// on which thread (ended streams and the out-of-video-memory report reach the main thread only).
#include <chrono>
#include <cmath>
#include <thread>

#include "sound_fixture.h"
#include "wait_until.h"

using namespace soundtest;

namespace {
// An owner that records the thread its stream's destruction ran on.
class RecordingOwner : public TStreamNotify {
 public:
  explicit RecordingOwner(std::thread::id* destroyedOn) : mDestroyedOn(destroyedOn) {}
  ~RecordingOwner() override { *mDestroyedOn = std::this_thread::get_id(); }

 private:
  std::thread::id* mDestroyedOn;
};

template <class Done>
bool WaitFor(Done done) {
  return testwait::WaitUntil(done, std::chrono::milliseconds(5));
}
}  // namespace

TEST_F(SoundManagerTest, Manager_InitTwiceOpensOneDevice) {
  ASSERT_TRUE(manager->Init(nullptr));
  IDirectSound* first = manager->GetDirectSound();
  os::TestFailSoundCall(os::SoundCall::Create, DSERR_NODRIVER);  // would fail a second opening
  EXPECT_TRUE(manager->Init(nullptr));
  EXPECT_EQ(manager->GetDirectSound(), first);
  WAVEFORMATEX format{};
  DSBUFFERDESC desc{kDsBufferDescSize32, DSBCAPS_PRIMARYBUFFER, 0, 0, nullptr};
  IDirectSoundBuffer* primary = nullptr;
  ASSERT_EQ(first->CreateSoundBuffer(&desc, &primary, nullptr), DS_OK);
  ASSERT_EQ(primary->GetFormat(&format, sizeof(format), nullptr), DS_OK);
  EXPECT_EQ(format.nSamplesPerSec, 44100u);
  EXPECT_EQ(format.nChannels, 2);
  EXPECT_EQ(format.wBitsPerSample, 16);
  primary->Release();
}

struct InitFailure {
  os::SoundCall call;
  int line;
};

TEST_F(SoundManagerTest, Manager_DeviceFailuresLeaveTimedStreams) {
  const InitFailure failures[] = {{os::SoundCall::Create, 163},
                                  {os::SoundCall::SetCooperativeLevel, 178},
                                  {os::SoundCall::CreateSoundBuffer, 183}};
  for (const InitFailure& f : failures) {
    ScopedLog log;
    os::TestFailSoundCall(f.call, DSERR_NODRIVER);
    EXPECT_FALSE(manager->Init(nullptr));
    EXPECT_FALSE(manager->IsInitialised());
    EXPECT_TRUE(log.Contains("DX Error: DSERR_NODRIVER (0x88780078), File .\\soundmanager, Line " +
                             std::to_string(f.line)));
    EXPECT_TRUE(log.Contains(f.line == 163 ? "Sound is off: no sound device could be opened"
                                           : "Sound is off: the sound device could not be set up"));
  }
  // A failing primary format is ignored.
  os::TestFailSoundCall(os::SoundCall::SetFormat, DSERR_BADFORMAT);
  ScopedLog log;
  {
    // Without a device a stream has no buffer; it lasts as long as its data by its clock.
    TSoundManager none;
    os::TestFailSoundCall(os::SoundCall::Create, DSERR_NODRIVER);
    ASSERT_FALSE(none.Init(nullptr));
    auto stream = TSoundStream::Create(&none, std::make_unique<TStreamSpooler>(std::make_shared<FakeSource>(
                                                  std::vector<int16_t>(44100, 1), 1, 44100)),
                                       false, 0, nullptr);  // one second
    EXPECT_FALSE(stream->CreateBuffer(44100, 1, 16, 2.0f));
    stream->Start(false);
    os::TestAdvanceTime(900);
    EXPECT_TRUE(stream->Refill(false));
    stream->Pause(true);  // a paused timed stream does not age
    os::TestAdvanceTime(5000);
    EXPECT_TRUE(stream->Refill(false));
    stream->Pause(false);
    os::TestAdvanceTime(200);
    EXPECT_FALSE(stream->Refill(false));
  }
  EXPECT_TRUE(manager->Init(nullptr));  // the next try works
}

TEST_F(SoundManagerTest, Manager_GroupVolumesScaleTheMasterVolume) {
  ASSERT_TRUE(manager->Init(nullptr));
  manager->SetVolume(0.8f);
  EXPECT_FLOAT_EQ(manager->GetGroupVolume(1000), 0.8f);  // no factor: the master volume
  manager->SetGroupVolume(1001, 0.5f);
  EXPECT_FLOAT_EQ(manager->GetGroupVolume(1001), 0.4f);
  EXPECT_FLOAT_EQ(manager->GetGroupVolume(0), 0.8f);

  auto music = MakeStream(std::make_shared<FakeSource>(std::vector<int16_t>(4000, 10000), 2, 44100), true, 1001);
  auto effect = MakeStream(std::make_shared<FakeSource>(std::vector<int16_t>(4000, 10000), 2, 44100), true, 1000);
  ASSERT_TRUE(music->CreateBuffer(44100, 2, 16, 1.0f));
  ASSERT_TRUE(effect->CreateBuffer(44100, 2, 16, 1.0f));
  music->Start(false);
  effect->Start(false);
  auto volumeOf = [](TSoundStream& s) {
    LONG v = 1;
    EXPECT_EQ(s.GetBuffer()->GetVolume(&v), DS_OK);
    return v;
  };
  EXPECT_EQ(volumeOf(*music), TSoundStream::Attenuation(0.4f));
  EXPECT_EQ(volumeOf(*effect), TSoundStream::Attenuation(0.8f));
  // Changing a factor reaches the playing streams of that group only.
  manager->SetGroupVolume(1001, 0.0f);
  EXPECT_EQ(volumeOf(*music), DSBVOLUME_MIN);
  EXPECT_EQ(volumeOf(*effect), TSoundStream::Attenuation(0.8f));
  std::vector<int16_t> out = Pull(1);
  EXPECT_NEAR(out[0], 10000 * std::pow(10.0, TSoundStream::Attenuation(0.8f) / 2000.0), 1.0);
  manager->SetVolume(1.0f);
  EXPECT_EQ(volumeOf(*effect), 0);
}

TEST_F(SoundManagerTest, Manager_RefillPassesAreAtLeast500msApart) {
  ASSERT_TRUE(manager->Init(nullptr));
  auto source = std::make_shared<FakeSource>(std::vector<int16_t>(200000, 1), 2, 44100);
  auto stream = MakeStream(source, true);
  ASSERT_TRUE(stream->CreateBuffer(44100, 2, 16, 2.0f));
  stream->Start(false);
  Pull(1000);  // cursors in the first half: the second half is due at the next pass
  TSoundLock lock(manager.get());  // keeps the streaming thread out
  int reads = source->reads;
  os::TestAdvanceTime(400);
  manager->UpdateStreams(true);
  os::TestAdvanceTime(100);  // 500 ms exactly: still too early
  manager->UpdateStreams(true);
  EXPECT_EQ(source->reads, reads);
  os::TestAdvanceTime(1);
  manager->UpdateStreams(true);
  EXPECT_GT(source->reads, reads);
}

TEST_F(SoundManagerTest, Manager_EndedStreamIsReleasedOnTheMainThread) {
  ASSERT_TRUE(manager->Init(nullptr));  // starts the streaming thread
  std::thread::id destroyedOn;
  auto owner = std::make_shared<RecordingOwner>(&destroyedOn);
  auto stream = TSoundStream::Create(
      manager.get(),
      std::make_unique<TStreamSpooler>(std::make_shared<FakeSource>(std::vector<int16_t>(400, 5), 2, 44100)),
      false, 0, owner);
  owner.reset();
  ASSERT_TRUE(stream->CreateBuffer(44100, 2, 16, 0.1f));
  stream->Start(true);
  stream.reset();
  Pull(44100);  // plays out
  // The thread ends it within two refill passes; time moves on while the test waits.
  ASSERT_TRUE(WaitFor([&] {
    os::TestAdvanceTime(101);
    return manager->GetFinishedCount() == 1;
  })) << "the thread did not end it";
  EXPECT_EQ(manager->GetPlayingCount(), 0u);
  EXPECT_EQ(destroyedOn, std::thread::id());  // still alive
  manager->Update();
  EXPECT_EQ(destroyedOn, std::this_thread::get_id());
}

TEST_F(SoundManagerTest, Manager_OutOfVideoMemoryReachesThePlatformOnTheMainThread) {
  ScopedLog log;
  std::thread::id calledOn;
  int calls = 0;
  manager->SetOutOfVideoMemoryHook([&] {
    ++calls;
    calledOn = std::this_thread::get_id();
  });
  std::thread worker([&] { manager->ReportDxError(kDxOutOfVideoMemory, ".\\soundstream", 409); });
  worker.join();
  EXPECT_EQ(calls, 0);
  EXPECT_TRUE(log.Contains("DX Error: DDERR_OUTOFVIDEOMEMORY (0x8876017c), File .\\soundstream, Line 409"));
  manager->Update();
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(calledOn, std::this_thread::get_id());
  manager->Update();
  EXPECT_EQ(calls, 1);
  manager->ReportDxError(DSERR_GENERIC, ".\\soundstream", 1);
  manager->Update();
  EXPECT_EQ(calls, 1);
}

TEST_F(SoundManagerTest, Manager_ShutdownStopsTheThreadAndReleasesEverything) {
  ASSERT_TRUE(manager->Init(nullptr));
  for (int i = 0; i < 3; ++i) {
    auto s = MakeStream(std::make_shared<FakeSource>(std::vector<int16_t>(4000, 1), 2, 44100), true);
    ASSERT_TRUE(s->CreateBuffer(44100, 2, 16, 1.0f));
    s->Start(false);
  }
  EXPECT_EQ(os::TestPlayingSoundBufferCount(), 3);
  SetPlatformSoundManager(nullptr);
  manager.reset();
  EXPECT_EQ(os::TestSoundBufferCount(), 0);
  EXPECT_FALSE(os::TestMixSound(nullptr, 1));  // the device is closed
}
