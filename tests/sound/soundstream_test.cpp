// The spooler and streaming buffers: reading with and without looping, buffer sizes, the half-buffer
// refills played through the stand-in mixer, the end of one-shot and streamed sounds, pause and focus.
#include <cmath>

#include "os/faultinject.h"
#include "os/lasterror.h"
#include "sound_fixture.h"

using namespace soundtest;

namespace {
std::vector<int16_t> Ramp(size_t n) {
  std::vector<int16_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = static_cast<int16_t>(i * 7 + 1);
  return v;
}

// Left channel of interleaved stereo.
std::vector<int16_t> Left(const std::vector<int16_t>& stereo) {
  std::vector<int16_t> l(stereo.size() / 2);
  for (size_t i = 0; i < l.size(); ++i) l[i] = stereo[i * 2];
  return l;
}
}  // namespace

TEST(StreamSpooler, ReadsToTheEndThenFillsSilenceWithoutLooping) {
  const std::vector<int16_t> ramp = Ramp(10);
  auto source = std::make_shared<FakeSource>(ramp, 1, 8000);
  TStreamSpooler spooler(source);
  std::vector<int16_t> out(8, -1);
  uint32_t got = 0;
  EXPECT_TRUE(spooler.Read(12, out.data(), &got, false));
  EXPECT_EQ(got, 12u);
  EXPECT_FALSE(spooler.Read(16, out.data(), &got, false));
  EXPECT_EQ(got, 8u);
  EXPECT_EQ(std::vector<int16_t>(out.begin(), out.begin() + 4), std::vector<int16_t>(ramp.begin() + 6, ramp.end()));
  EXPECT_EQ(std::vector<int16_t>(out.begin() + 4, out.end()), std::vector<int16_t>(4, 0));
  // No source, or nothing asked: nothing to fail.
  TStreamSpooler empty(nullptr);
  EXPECT_TRUE(empty.Read(4, out.data(), &got, true));
  EXPECT_TRUE(spooler.Read(0, out.data(), &got, false));
}

TEST(StreamSpooler, LoopingWrapsToTheStartWithinOneRead) {
  std::vector<int16_t> ramp = Ramp(10);
  TStreamSpooler spooler(std::make_shared<FakeSource>(ramp, 1, 8000));
  std::vector<int16_t> out(25);
  uint32_t got = 0;
  EXPECT_TRUE(spooler.Read(50, out.data(), &got, true));
  EXPECT_EQ(got, 50u);
  for (size_t i = 0; i < out.size(); ++i) EXPECT_EQ(out[i], ramp[i % 10]) << i;
  EXPECT_EQ(spooler.GetPosition(), 10u);
  spooler.Rewind();
  EXPECT_EQ(spooler.GetPosition(), 0u);
}

TEST(StreamSpooler, LoopingSourceWithoutDataEndsInsteadOfSpinning) {
  // Announces data it never delivers (a decoder that fails at once), or announces none at all.
  for (uint64_t announced : {uint64_t{4000}, uint64_t{0}}) {
    auto source = std::make_shared<FakeSource>(std::vector<int16_t>{}, 2, 44100, announced);
    TStreamSpooler spooler(source);
    std::vector<int16_t> out(512, -1);
    uint32_t got = 7;
    EXPECT_FALSE(spooler.Read(1024, out.data(), &got, true));
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(out, std::vector<int16_t>(512, 0));
    EXPECT_LE(source->reads, 2);
  }
  // A source that breaks off before its announced end still loops what it has.
  auto partial = std::make_shared<FakeSource>(Ramp(4), 1, 8000, 100);
  TStreamSpooler spooler(partial);
  std::vector<int16_t> out(10);
  uint32_t got = 0;
  EXPECT_TRUE(spooler.Read(20, out.data(), &got, true));
  for (size_t i = 0; i < 10; ++i) EXPECT_EQ(out[i], Ramp(4)[i % 4]);
}

TEST_F(SoundManagerTest, Stream_BufferSizesFollowRateAndSeconds) {
  ASSERT_TRUE(manager->Init(nullptr));
  struct Case {
    uint32_t rate, channels;
    float seconds;
    uint32_t size;
  } cases[] = {
      {44100, 2, 2.0f, 352800},  // two seconds of CD audio
      {22050, 1, 2.0f, 88200},
      {11025, 1, 0.0001f, 8},    // 2.205 bytes rounds to 2, then up to a multiple of 8
      {44100, 2, 0.0f, 4},       // nothing becomes the smallest buffer
      {8000, 1, 1.0f, 16000},
  };
  for (const Case& c : cases) {
    auto stream = MakeStream(std::make_shared<FakeSource>(Ramp(100), c.channels, c.rate), true);
    EXPECT_TRUE(stream->CreateBuffer(c.rate, c.channels, 16, c.seconds)) << c.size;
    EXPECT_EQ(stream->GetBufferSize(), c.size);
    EXPECT_NEAR(stream->GetBufferLength(), c.size / (c.rate * c.channels * 2.0), 1e-6);
    stream->Stop(false);
  }
  EXPECT_EQ(manager->GetPlayingCount(), 0u);
}

TEST_F(SoundManagerTest, Stream_VolumeLawInHundredthsOfDecibel) {
  EXPECT_EQ(TSoundStream::Attenuation(1.0f), 0);
  EXPECT_EQ(TSoundStream::Attenuation(0.5f), -2500);
  EXPECT_EQ(TSoundStream::Attenuation(0.8f), -999);  // -(1 - 0.8f) * 5000 = -999.99994, truncated toward zero
  EXPECT_EQ(TSoundStream::Attenuation(0.0001f), -4999);
  EXPECT_EQ(TSoundStream::Attenuation(0.0f), DSBVOLUME_MIN);
  EXPECT_EQ(TSoundStream::Attenuation(-0.5f), DSBVOLUME_MIN);  // below 0 is silent like 0
  EXPECT_EQ(TSoundStream::Attenuation(3.0f), 0);
}

TEST_F(SoundManagerTest, Stream_LongOggStreamPlaysGaplessAtTheGroupVolume) {
  ASSERT_TRUE(manager->Init(nullptr));
  manager->SetGroupVolume(1001, 0.8f);
  std::vector<uint8_t> file = Tone(440, 3.5, 2, 44100);
  std::vector<int16_t> reference = Decode(file);
  auto stream = MakeStream(OggSource(file), false, 1001);
  ASSERT_TRUE(stream->CreateBuffer(44100, 2, 16, 2.0f));
  stream->Start(false);  // longer than the buffer: plays looping and is refilled

  std::vector<int16_t> captured;
  for (int i = 0; i < 8; ++i) {  // 4 seconds in steps of half a second
    std::vector<int16_t> block = Pull(22050);
    captured.insert(captured.end(), block.begin(), block.end());
    Pass();
  }
  LONG volume = 1;
  ASSERT_EQ(stream->GetBuffer()->GetVolume(&volume), DS_OK);
  EXPECT_EQ(volume, TSoundStream::Attenuation(0.8f));
  const double gain = std::pow(10.0, volume / 2000.0);
  size_t mismatches = 0;
  for (size_t i = 0; i < reference.size(); ++i)
    if (std::abs(captured[i] - std::round(reference[i] * gain)) > 1) ++mismatches;
  EXPECT_EQ(mismatches, 0u);
  // After the data: silence.
  for (size_t i = reference.size(); i < captured.size(); ++i) ASSERT_EQ(captured[i], 0) << i;
}

TEST_F(SoundManagerTest, Stream_LoopingShortSoundRepeatsWithoutAGap) {
  ASSERT_TRUE(manager->Init(nullptr));
  std::vector<uint8_t> file = Tone(300, 0.3, 1, 22050);
  std::vector<int16_t> reference = Decode(file);
  ASSERT_EQ(reference.size(), 6615u);
  auto source = OggSource(file);
  auto stream = MakeStream(source, true);
  ASSERT_TRUE(stream->CreateBuffer(22050, 1, 16, 2.0f));
  stream->Start(false);
  // At 22050 Hz every source frame shows on two output frames: the even ones are the samples.
  std::vector<int16_t> played;
  for (int i = 0; i < 6; ++i) {
    std::vector<int16_t> left = Left(Pull(22050));
    for (size_t k = 0; k < left.size(); k += 2) played.push_back(left[k]);
    Pass();
  }
  ASSERT_GE(played.size(), reference.size() * 4);
  for (size_t i = 0; i < played.size(); ++i) ASSERT_EQ(played[i], reference[i % reference.size()]) << "frame " << i;
}

TEST_F(SoundManagerTest, Stream_OneShotEndsOnceItHasPlayedOut) {
  ASSERT_TRUE(manager->Init(nullptr));
  std::vector<int16_t> data(2 * 11025, 3000);  // a quarter second of stereo
  auto stream = MakeStream(std::make_shared<FakeSource>(data, 2, 44100), false);
  ASSERT_TRUE(stream->CreateBuffer(44100, 2, 16, 2.0f));
  stream->Start(true);  // shorter than the buffer: plays once
  std::vector<int16_t> out = Pull(22050);
  EXPECT_EQ(out[0], 3000);
  EXPECT_EQ(out[2 * 11024], 3000);
  EXPECT_EQ(out[2 * 11025], 0);
  Pass();  // fills the second half (with silence)
  EXPECT_EQ(manager->GetPlayingCount(), 1u);
  Pull(22050);
  Pass();
  EXPECT_EQ(manager->GetPlayingCount(), 1u);
  Pull(44100);  // the one-shot buffer reaches its end: play = write = 0
  DWORD status = 0;
  ASSERT_EQ(stream->GetBuffer()->GetStatus(&status), DS_OK);
  EXPECT_EQ(status & DSBSTATUS_PLAYING, 0u);
  Pass();
  EXPECT_EQ(manager->GetPlayingCount(), 0u);
  EXPECT_EQ(manager->GetFinishedCount(), 1u);
  std::weak_ptr<TSoundStream> weak = stream;
  stream.reset();
  EXPECT_FALSE(weak.expired());  // the finished list holds it until the main thread's update
  manager->Update();
  EXPECT_TRUE(weak.expired());
}

TEST_F(SoundManagerTest, Stream_StreamedSoundEndsOneToTwoHalvesAfterItsData) {
  ASSERT_TRUE(manager->Init(nullptr));
  // 2.5 s of data in a 2 s buffer, refilled looping until the data ends.
  std::vector<int16_t> data(2 * 110250, 1000);
  auto stream = MakeStream(std::make_shared<FakeSource>(data, 2, 44100), false);
  ASSERT_TRUE(stream->CreateBuffer(44100, 2, 16, 2.0f));
  stream->Start(false);
  double endedAt = 0;
  for (int i = 1; i <= 20 && manager->GetPlayingCount() == 1; ++i) {
    Pull(22050);
    Pass();
    endedAt = i * 0.5;
  }
  EXPECT_EQ(manager->GetPlayingCount(), 0u);
  EXPECT_GE(endedAt, 2.5 + 1.0);
  EXPECT_LE(endedAt, 2.5 + 2.0 + 0.5);
  EXPECT_FALSE(stream->HasSpooler());  // released when it ended
  stream->Stop(false);                 // stopping an ended stream is safe
  manager->Update();
}

TEST_F(SoundManagerTest, Stream_StartWhileInactiveWaitsForTheFocus) {
  ASSERT_TRUE(manager->Init(nullptr));
  manager->SetAppActive(false);
  auto stream = MakeStream(std::make_shared<FakeSource>(std::vector<int16_t>(8000, 500), 2, 44100), true);
  ASSERT_TRUE(stream->CreateBuffer(44100, 2, 16, 1.0f));
  stream->Start(false);
  EXPECT_TRUE(stream->IsSystemPaused());
  EXPECT_TRUE(stream->IsPaused());
  EXPECT_EQ(Pull(4), std::vector<int16_t>(8, 0));
  manager->SetAppActive(true);
  EXPECT_FALSE(stream->IsPaused());
  EXPECT_EQ(Pull(1), (std::vector<int16_t>{500, 500}));
}

TEST_F(SoundManagerTest, Stream_UserPausedStaysPausedAcrossFocusChanges) {
  ASSERT_TRUE(manager->Init(nullptr));
  auto a = MakeStream(std::make_shared<FakeSource>(std::vector<int16_t>(8000, 100), 2, 44100), true);
  auto b = MakeStream(std::make_shared<FakeSource>(std::vector<int16_t>(8000, 20), 2, 44100), true);
  ASSERT_TRUE(a->CreateBuffer(44100, 2, 16, 1.0f));
  ASSERT_TRUE(b->CreateBuffer(44100, 2, 16, 1.0f));
  a->Start(false);
  b->Start(false);
  EXPECT_EQ(Pull(1), (std::vector<int16_t>{120, 120}));
  a->Pause(true);
  manager->SetAppActive(false);
  EXPECT_TRUE(b->IsSystemPaused());
  EXPECT_FALSE(a->IsSystemPaused());
  EXPECT_EQ(Pull(1), (std::vector<int16_t>{0, 0}));
  manager->SetAppActive(true);
  EXPECT_TRUE(a->IsPaused());
  EXPECT_FALSE(b->IsPaused());
  EXPECT_EQ(Pull(1), (std::vector<int16_t>{20, 20}));
  a->Pause(false);
  EXPECT_EQ(Pull(1), (std::vector<int16_t>{120, 120}));
}

TEST_F(SoundManagerTest, Stream_LostBufferIsRestoredWhenTheVolumeIsApplied) {
  ASSERT_TRUE(manager->Init(nullptr));
  ScopedLog log;
  auto stream = MakeStream(std::make_shared<FakeSource>(std::vector<int16_t>(8000, 700), 2, 44100), true);
  ASSERT_TRUE(stream->CreateBuffer(44100, 2, 16, 1.0f));
  stream->Start(false);
  os::TestLoseSoundBuffer(stream->GetBuffer());
  DWORD status = 0;
  ASSERT_EQ(stream->GetBuffer()->GetStatus(&status), DS_OK);
  EXPECT_EQ(status, DSBSTATUS_BUFFERLOST);
  // Regaining the focus re-applies the volumes: the buffer is restored, refilled and played.
  manager->SetAppActive(false);
  manager->SetAppActive(true);
  ASSERT_EQ(stream->GetBuffer()->GetStatus(&status), DS_OK);
  EXPECT_EQ(status & DSBSTATUS_BUFFERLOST, 0u);
  EXPECT_NE(status & DSBSTATUS_PLAYING, 0u);
  // The restored memory is silent until the refills come round.
  EXPECT_EQ(Pull(11025), std::vector<int16_t>(2 * 11025, 0));
  Pass();  // the second half is refilled while the first plays
  Pull(11030);
  EXPECT_EQ(Pull(1), (std::vector<int16_t>{700, 700}));
  EXPECT_FALSE(log.Contains("DX Error"));
}

TEST_F(SoundManagerTest, Stream_DeviceFailuresAreLoggedWithUnitAndLine) {
  ASSERT_TRUE(manager->Init(nullptr));
  ScopedLog log;
  auto stream = MakeStream(std::make_shared<FakeSource>(std::vector<int16_t>(8000, 1), 2, 44100), true);
  os::TestFailSoundCall(os::SoundCall::CreateSoundBuffer, DSERR_OUTOFMEMORY);
  EXPECT_FALSE(stream->CreateBuffer(44100, 2, 16, 1.0f));
  EXPECT_TRUE(log.Contains("DX Error: E_OUTOFMEMORY (0x8007000e), File .\\soundstream, Line 233"));
  // The notification interface cannot be had: the buffer is given back, the stream is timed.
  os::TestFailSoundCall(os::SoundCall::QueryNotify, DSERR_NOINTERFACE);
  EXPECT_FALSE(stream->CreateBuffer(44100, 2, 16, 1.0f));
  EXPECT_TRUE(log.Contains("Line 252"));
  EXPECT_EQ(stream->GetBuffer(), nullptr);
  EXPECT_EQ(os::TestSoundBufferCount(), 0);  // no secondary buffer left over
  os::TestFailSoundCall(os::SoundCall::SetNotificationPositions, DSERR_INVALIDPARAM);
  EXPECT_FALSE(stream->CreateBuffer(44100, 2, 16, 1.0f));
  EXPECT_TRUE(log.Contains("Line 259"));
  os::TestFailCall("CreateEventA", ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_FALSE(stream->CreateBuffer(44100, 2, 16, 1.0f));
  EXPECT_EQ(stream->GetBuffer(), nullptr);
  EXPECT_EQ(os::TestSoundBufferCount(), 0);
  os::TestFailSoundCall(os::SoundCall::SetVolume, DSERR_GENERIC);
  ASSERT_TRUE(stream->CreateBuffer(44100, 2, 16, 1.0f));
  stream->Start(false);
  EXPECT_TRUE(log.Contains("Line 645"));
  os::TestFailSoundCall(os::SoundCall::Lock, DSERR_INVALIDCALL);
  Pull(10000);  // the cursors are in the first half: the second is due
  {
    TSoundLock lock(manager.get());
    os::TestAdvanceTime(501);
    EXPECT_FALSE(stream->Refill(false));  // a failed lock ends the stream
  }
  EXPECT_TRUE(log.Contains("Line 409"));
}
