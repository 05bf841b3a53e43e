// What the software mixer puts into the primary buffer: samples, gain, looping, one-shot ends,
// format conversion and resampling, the sum of several buffers.
#include <atomic>
#include <cmath>
#include <thread>

#include "sound_fixture.h"

namespace {

// Left and right sample of output frame i.
std::pair<int, int> FrameAt(const std::vector<int16_t>& out, size_t i) { return {out[i * 2], out[i * 2 + 1]}; }

}  // namespace

TEST_F(SoundTest, Mixer_StereoBufferAtOutputRatePlaysSampleExact) {
  std::vector<int16_t> samples = Ramp(2 * 64, -3000, 53);
  IDirectSoundBuffer* b = Buffer16(44100, 2, samples);
  ASSERT_NE(b, nullptr);
  ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  std::vector<int16_t> out = Pull(64);
  EXPECT_EQ(out, samples);
}

TEST_F(SoundTest, Mixer_NothingPlayingIsSilence) {
  ASSERT_NE(Buffer16(44100, 2, Ramp(200)), nullptr);  // created, never played
  std::vector<int16_t> out = Pull(100);
  EXPECT_EQ(out, std::vector<int16_t>(200, 0));
}

class SoundVolumeTest : public SoundTest, public ::testing::WithParamInterface<LONG> {};

TEST_P(SoundVolumeTest, Mixer_VolumeInHundredthsOfDecibelScalesSamples) {
  const LONG volume = GetParam();
  std::vector<int16_t> samples = {32000, -32000, 12345, -777, 1, -1, 20000, 0};
  IDirectSoundBuffer* b = Buffer16(44100, 2, samples);
  ASSERT_NE(b, nullptr);
  ASSERT_EQ(b->SetVolume(volume), DS_OK);
  LONG back = 1;
  ASSERT_EQ(b->GetVolume(&back), DS_OK);
  EXPECT_EQ(back, volume);
  ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  std::vector<int16_t> out = Pull(4);
  const double gain = volume <= DSBVOLUME_MIN ? 0.0 : std::pow(10.0, volume / 2000.0);
  for (size_t i = 0; i < samples.size(); ++i)
    EXPECT_NEAR(out[i], std::round(samples[i] * gain), 1.0) << "sample " << i << " at " << volume;
}

// 0 dB, -1 dB, -6 dB (about half), -20 dB (a tenth), -50 dB, and one step above silence.
INSTANTIATE_TEST_SUITE_P(Volumes, SoundVolumeTest, ::testing::Values(0, -100, -602, -2000, -5000, -9999));

TEST_F(SoundTest, Mixer_MinimumVolumeIsExactSilence) {
  IDirectSoundBuffer* b = Buffer16(44100, 1, std::vector<int16_t>(64, 32767));
  ASSERT_NE(b, nullptr);
  ASSERT_EQ(b->SetVolume(DSBVOLUME_MIN), DS_OK);
  ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  EXPECT_EQ(Pull(32), std::vector<int16_t>(64, 0));
}

TEST_F(SoundTest, Mixer_PrimaryVolumeAttenuatesTheWholeMix) {
  DSBUFFERDESC desc{kDsBufferDescSize32, DSBCAPS_PRIMARYBUFFER, 0, 0, nullptr};
  IDirectSoundBuffer* primary = nullptr;
  ASSERT_EQ(ds->CreateSoundBuffer(&desc, &primary, nullptr), DS_OK);
  buffers.push_back(primary);
  IDirectSoundBuffer* b = Buffer16(44100, 1, std::vector<int16_t>(16, 20000));
  ASSERT_EQ(b->SetVolume(-602), DS_OK);
  ASSERT_EQ(primary->SetVolume(-602), DS_OK);
  ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  std::vector<int16_t> out = Pull(4);
  EXPECT_NEAR(out[0], 20000 * std::pow(10.0, -1204 / 2000.0), 1.0);
}

TEST_F(SoundTest, Mixer_LoopingBufferWrapsWithoutGapOrRepeat) {
  std::vector<int16_t> ramp = Ramp(50);  // mono, 50 frames
  IDirectSoundBuffer* b = Buffer16(44100, 1, ramp);
  ASSERT_NE(b, nullptr);
  ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  // Pull in uneven blocks so that wraps fall inside blocks and on their edges.
  std::vector<int16_t> out;
  for (size_t n : {7u, 43u, 50u, 1u, 24u}) {
    std::vector<int16_t> block = Pull(n);
    out.insert(out.end(), block.begin(), block.end());
  }
  ASSERT_EQ(out.size(), 125u * 2);
  for (size_t i = 0; i < 125; ++i) {
    EXPECT_EQ(FrameAt(out, i), std::make_pair(int{ramp[i % 50]}, int{ramp[i % 50]})) << "frame " << i;
  }
  EXPECT_EQ(Status(b), DSBSTATUS_PLAYING | DSBSTATUS_LOOPING);
  EXPECT_EQ(Cursors(b).first, (125u % 50u) * 2);
}

TEST_F(SoundTest, Mixer_OneShotBufferStopsAtItsEndAndReportsStopped) {
  std::vector<int16_t> ramp = Ramp(2 * 30);
  IDirectSoundBuffer* b = Buffer16(44100, 2, ramp);
  HANDLE stopped = MakeEvent();
  IDirectSoundNotify* notify = nullptr;
  ASSERT_EQ(b->QueryInterface(IID_IDirectSoundNotify, reinterpret_cast<void**>(&notify)), DS_OK);
  DSBPOSITIONNOTIFY n{DSBPN_OFFSETSTOP, stopped};
  ASSERT_EQ(notify->SetNotificationPositions(1, &n), DS_OK);
  notify->Release();

  ASSERT_EQ(b->Play(0, 0, 0), DS_OK);
  EXPECT_EQ(Status(b), DSBSTATUS_PLAYING);
  std::vector<int16_t> out = Pull(45);
  EXPECT_EQ(std::vector<int16_t>(out.begin(), out.begin() + 60), ramp);
  EXPECT_EQ(std::vector<int16_t>(out.begin() + 60, out.end()), std::vector<int16_t>(30, 0));
  EXPECT_EQ(Status(b), 0u);
  EXPECT_EQ(os::TestPlayingSoundBufferCount(), 0);
  EXPECT_TRUE(Signalled(stopped));
  // A finished one-shot reports both cursors at the start: "play >= write" tells it has ended, and
  // playing it again starts from the beginning.
  EXPECT_EQ(Cursors(b), std::make_pair(DWORD{0}, DWORD{0}));
  ASSERT_EQ(b->Play(0, 0, 0), DS_OK);
  out = Pull(1);
  EXPECT_EQ(FrameAt(out, 0), std::make_pair(int{ramp[0]}, int{ramp[1]}));
}

TEST_F(SoundTest, Mixer_HalfRateMonoIsInterpolatedOntoBothChannels) {
  std::vector<int16_t> ramp = {0, 1000, -1000, 3001, 3001, -32768, 32767, 10};
  IDirectSoundBuffer* b = Buffer16(22050, 1, ramp);
  ASSERT_NE(b, nullptr);
  ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  std::vector<int16_t> out = Pull(16);
  for (size_t k = 0; k < ramp.size(); ++k) {
    int next = ramp[(k + 1) % ramp.size()];  // the loop continues into the first frame
    int mid = static_cast<int>(std::nearbyint((ramp[k] + next) / 2.0));
    EXPECT_EQ(FrameAt(out, 2 * k), std::make_pair(int{ramp[k]}, int{ramp[k]})) << "frame " << k;
    EXPECT_NEAR(FrameAt(out, 2 * k + 1).first, mid, 1) << "between " << k << " and the next";
    EXPECT_EQ(FrameAt(out, 2 * k + 1).first, FrameAt(out, 2 * k + 1).second);
  }
  // 16 output frames used 8 source frames: one time round the ring.
  EXPECT_EQ(Cursors(b).first, 0u);
  Pull(3);
  EXPECT_EQ(Cursors(b).first, 1u * 2);  // 1.5 frames consumed: the cursor is on frame 1
}

TEST_F(SoundTest, Mixer_OddRatesKeepTheirPaceOverLongRuns) {
  // 11025 Hz against 44100: exactly 4 output frames per source frame, with no drift.
  IDirectSoundBuffer* b = Buffer16(11025, 1, Ramp(1000));
  ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  Pull(44100);  // one second
  EXPECT_EQ(Cursors(b).first, (11025u % 1000u) * 2);
  // 48000 Hz: one second of output consumes 48000 frames.
  IDirectSoundBuffer* c = Buffer16(48000, 2, Ramp(2 * 4000));
  ASSERT_EQ(c->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  Pull(44100);
  EXPECT_EQ(Cursors(c).first, (48000u % 4000u) * 4);
}

TEST_F(SoundTest, Mixer_EightBitSamplesAreCentredAndScaled) {
  std::vector<uint8_t> bytes = {0x80, 0x00, 0xFF, 0x81, 0x7F, 0xC0};
  IDirectSoundBuffer* b = MakeBuffer(Format(44100, 1, 8), 6);
  ASSERT_NE(b, nullptr);
  Write(b, 0, bytes.data(), 6);
  ASSERT_EQ(b->Play(0, 0, 0), DS_OK);
  std::vector<int16_t> out = Pull(6);
  const int expected[] = {0, -32768, 32512, 256, -256, 16384};
  for (size_t i = 0; i < 6; ++i) EXPECT_EQ(FrameAt(out, i), std::make_pair(expected[i], expected[i]));
}

TEST_F(SoundTest, Mixer_NewEightBitBufferIsSilent) {
  IDirectSoundBuffer* b = MakeBuffer(Format(22050, 2, 8), 64);
  ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  EXPECT_EQ(Pull(40), std::vector<int16_t>(80, 0));
}

TEST_F(SoundTest, Mixer_BuffersAreSummedAndTheSumIsClipped) {
  IDirectSoundBuffer* a = Buffer16(44100, 2, {1000, -2000, 30000, -30000});
  IDirectSoundBuffer* b = Buffer16(44100, 1, {500, 30000});
  ASSERT_EQ(a->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  std::vector<int16_t> out = Pull(2);
  EXPECT_EQ(out, (std::vector<int16_t>{1500, -1500, 32767, 0}));
}

TEST_F(SoundTest, Mixer_CaptureHookSeesWhatTheDeviceGets) {
  std::vector<int16_t> captured;
  os::TestSetSoundCapture([&](const int16_t* s, size_t frames) { captured.insert(captured.end(), s, s + frames * 2); });
  IDirectSoundBuffer* b = Buffer16(44100, 2, Ramp(2 * 10));
  ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  std::vector<int16_t> out = Pull(10);
  ASSERT_TRUE(os::TestMixSound(nullptr, 10));  // frames can also be pulled only for the hook
  ASSERT_EQ(captured.size(), 40u);
  EXPECT_EQ(std::vector<int16_t>(captured.begin(), captured.begin() + 20), out);
  EXPECT_EQ(std::vector<int16_t>(captured.begin() + 20, captured.end()), out);
}

TEST_F(SoundTest, Mixer_BufferWrittenWhileAnotherThreadMixesStaysConsistent) {
  // The streaming thread locks and refills while the device callback mixes: no deadlock, and
  // every frame mixed is one the writer put there.
  const DWORD frames = 4410;
  IDirectSoundBuffer* b = Buffer16(44100, 1, std::vector<int16_t>(frames, 1234));
  ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  std::atomic<bool> done{false};
  std::thread mixer([&] {
    while (!done) {
      std::vector<int16_t> out(256 * 2);
      ASSERT_TRUE(os::TestMixSound(out.data(), 256));
      for (int16_t s : out) ASSERT_EQ(s, 1234);
    }
  });
  for (int i = 0; i < 200; ++i) {
    DWORD play, write;
    ASSERT_EQ(b->GetCurrentPosition(&play, &write), DS_OK);
    std::vector<int16_t> half(frames / 2, 1234);
    Write(b, (write / 2 % frames) * 2, half.data(), static_cast<DWORD>(half.size() * 2));
  }
  done = true;
  mixer.join();
}
