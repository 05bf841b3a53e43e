// Sounds and their plays through the whole path: names with "?group=", the asset cache, simultaneous
// plays, group volumes, one-shot and looping plays captured from the mixer, stopping.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <mutex>
#include <thread>

#include "core/assetindex.h"
#include "render/assetmanager.h"
#include "sound/sound.h"
#include "sound_fixture.h"
#include "wait_until.h"

using namespace soundtest;

namespace {

// The manager of SoundManagerTest plus an asset manager, the Ogg builder and two sound files.
class SoundAssetTest : public SoundManagerTest {
 protected:
  void SetUp() override {
    SoundManagerTest::SetUp();
    ASSERT_TRUE(manager->Init(nullptr));
    TAssetManager::SetInstance(&assets);
    RegisterOggDataSource();
    effect = Tone(880, 0.5, 1, 22050);
    music = Tone(220, 3.0, 2, 44100);
    // The game's files come from its assets folder or its packs; here they are memory blocks.
    RegisterMemoryFile("audio/sfx/sfx_typing_01.ogg", effect.data(), effect.size());
    RegisterMemoryFile("audio/music/theme.ogg", music.data(), music.size());
  }

  void TearDown() override {
    filetest::ResetFileSystem();
    SoundDataSourceRegistry::Clear();
    TAssetManager::SetInstance(nullptr);
    SoundManagerTest::TearDown();
  }

  static LONG VolumeOf(const std::shared_ptr<TSoundInstance>& instance) {
    LONG v = 1;
    EXPECT_EQ(instance->GetStream()->GetBuffer()->GetVolume(&v), DS_OK);
    return v;
  }

  TAssetManager assets;
  std::vector<uint8_t> effect, music;
};

}  // namespace

TEST_F(SoundAssetTest, Get_GroupOptionAndPreloadMakeTheCacheKey) {
  auto a = TSound::Get("audio/sfx/sfx_typing_01.ogg?group=1000", true, 7);
  ASSERT_TRUE(a);
  EXPECT_EQ(a->GetData()->mGroup, 1000);
  EXPECT_EQ(a->GetData()->mFileName, "audio/sfx/sfx_typing_01.ogg");
  EXPECT_EQ(TSound::Get("audio/sfx/sfx_typing_01.ogg", true, 1000), a);
  EXPECT_EQ(TSound::Get("audio/sfx/sfx_typing_01.ogg?x=1&group=1000", true, 0), a);
  auto streamed = TSound::Get("audio/sfx/sfx_typing_01.ogg", false, 1000);
  ASSERT_TRUE(streamed);
  EXPECT_NE(streamed, a);
  EXPECT_NE(TSound::Get("audio/sfx/sfx_typing_01.ogg", true, 0), a);
  // Without the extension the registered one is found; an option without "group=" keeps the argument.
  auto stem = TSound::Get("audio/sfx/sfx_typing_01?loud", true, 3);
  ASSERT_TRUE(stem);
  EXPECT_EQ(stem->GetData()->mGroup, 3);
  EXPECT_NEAR(stem->GetLength(), 0.5f, 1e-4);
  // Only holders keep a sound: once let go, the next request makes a new one.
  std::weak_ptr<TSound> weak = a;
  a.reset();
  EXPECT_TRUE(weak.expired());
  EXPECT_TRUE(TSound::Get("audio/sfx/sfx_typing_01.ogg", true, 1000));
  EXPECT_TRUE(KindCast<TAsset>(stem));
  EXPECT_STREQ(stem->GetClassName(), "TSound");
}

TEST_F(SoundAssetTest, Get_AndPlayFailuresAreLogged) {
  ScopedLog log;
  EXPECT_EQ(TSound::Get("", true, 0), nullptr);
  EXPECT_EQ(TSound::Get("audio/none.ogg?group=1", true, 0), nullptr);
  EXPECT_TRUE(log.Contains("TSound::Get: No valid sound file found: audio/none.ogg"));
  EXPECT_EQ(std::make_shared<TSound>()->Play(false), nullptr);
  EXPECT_TRUE(log.Contains("Play of uninitialized sound"));
  auto sound = TSound::Get("audio/sfx/sfx_typing_01.ogg", true, 0);
  SetPlatformSoundManager(nullptr);
  EXPECT_EQ(sound->Play(false), nullptr);
  EXPECT_TRUE(log.Contains("No Sound Manager"));
  SetPlatformSoundManager(manager.get());
  EXPECT_FALSE(sound->Stop());  // nothing playing
  EXPECT_FALSE(sound->StopInstance(nullptr));
}

TEST_F(SoundAssetTest, Play_OneShotIsCapturedAsDecodedAndEndsOnTheMainThread) {
  manager->SetGroupVolume(1000, 0.6f);
  auto sound = TSound::Get("audio/sfx/sfx_typing_01.ogg?group=1000", true, 0);
  ASSERT_TRUE(sound);
  auto instance = sound->Play(false);
  ASSERT_TRUE(instance);
  ASSERT_NE(instance->GetStream(), nullptr);
  EXPECT_EQ(VolumeOf(instance), TSoundStream::Attenuation(0.6f));
  const double gain = std::pow(10.0, TSoundStream::Attenuation(0.6f) / 2000.0);
  std::vector<int16_t> reference = Decode(effect);  // 22050 Hz mono: every other output frame
  std::vector<int16_t> out = Pull(2 * reference.size() + 100);
  for (size_t k = 0; k < reference.size(); ++k) {
    ASSERT_NEAR(out[4 * k], std::round(reference[k] * gain), 1.0) << "frame " << k;
    ASSERT_EQ(out[4 * k + 1], out[4 * k]);
  }
  for (int i = 0; i < 4 && manager->GetPlayingCount() > 0; ++i) {
    Pull(22050);
    Pass();
  }
  EXPECT_EQ(manager->GetPlayingCount(), 0u);
  EXPECT_NE(instance->GetStream(), nullptr);  // waiting for the main thread
  manager->Update();
  EXPECT_EQ(instance->GetStream(), nullptr);
  EXPECT_FALSE(sound->Stop());  // the ended play has left the playing set
}

TEST_F(SoundAssetTest, Play_TwoPlaysAreIndependentAndStopEndsBoth) {
  auto sound = TSound::Get("audio/sfx/sfx_typing_01.ogg", true, 0);
  auto first = sound->Play(true);
  Pull(1000);
  auto second = sound->Play(true);
  ASSERT_TRUE(first && second);
  EXPECT_NE(first, second);
  EXPECT_NE(first->GetStream(), second->GetStream());
  EXPECT_EQ(manager->GetPlayingCount(), 2u);
  EXPECT_EQ(os::TestPlayingSoundBufferCount(), 2);
  EXPECT_TRUE(sound->StopInstance(first));
  EXPECT_EQ(first->GetStream(), nullptr);  // stopped on the main thread: gone at once
  EXPECT_EQ(manager->GetPlayingCount(), 1u);
  EXPECT_TRUE(sound->Stop());
  EXPECT_EQ(second->GetStream(), nullptr);
  EXPECT_EQ(os::TestPlayingSoundBufferCount(), 0);
  EXPECT_FALSE(sound->Stop());
}

TEST_F(SoundAssetTest, Play_GroupVolumesReachTheRightSounds) {
  auto effectSound = TSound::Get("audio/sfx/sfx_typing_01.ogg?group=1000", true, 0);
  auto musicSound = TSound::Get("audio/music/theme.ogg?group=1001", false, 0);
  ASSERT_TRUE(effectSound && musicSound);
  auto e = effectSound->Play(true);
  auto m = musicSound->Play(true);
  manager->SetVolume(0.9f);
  manager->SetGroupVolume(1001, 0.5f);
  EXPECT_EQ(VolumeOf(m), TSoundStream::Attenuation(0.45f));
  EXPECT_EQ(VolumeOf(e), TSoundStream::Attenuation(0.9f));
  manager->SetGroupVolume(1000, 0.0f);
  EXPECT_EQ(VolumeOf(e), DSBVOLUME_MIN);
  EXPECT_EQ(VolumeOf(m), TSoundStream::Attenuation(0.45f));
  // Only the music is heard now: the mix is the decoded music at its volume.
  std::vector<int16_t> reference = Decode(music);
  std::vector<int16_t> out = Pull(1000);
  const double gain = std::pow(10.0, TSoundStream::Attenuation(0.45f) / 2000.0);
  for (size_t i = 0; i < out.size(); ++i) ASSERT_NEAR(out[i], std::round(reference[i] * gain), 1.0) << i;
  musicSound->Stop();
  effectSound->Stop();
}

TEST_F(SoundAssetTest, Play_LongSoundStreamsAndLoopsUntilStopped) {
  auto sound = TSound::Get("audio/music/theme.ogg", false, 1001);
  auto instance = sound->Play(true);
  std::vector<int16_t> reference = Decode(music);  // 3 s of stereo
  std::vector<int16_t> captured;
  for (int i = 0; i < 14; ++i) {  // 7 s: twice round and more
    std::vector<int16_t> block = Pull(22050);
    captured.insert(captured.end(), block.begin(), block.end());
    Pass();
  }
  ASSERT_NE(instance->GetStream(), nullptr);
  for (size_t i = 0; i < captured.size(); ++i)
    ASSERT_EQ(captured[i], reference[i % reference.size()]) << "sample " << i;
  EXPECT_TRUE(sound->StopInstance(instance));
  EXPECT_EQ(instance->GetStream(), nullptr);
  EXPECT_EQ(Pull(10), std::vector<int16_t>(20, 0));
}

TEST_F(SoundAssetTest, Play_SoundLivesWhilePlayingAndDiesAfter) {
  std::weak_ptr<TSound> weak;
  std::shared_ptr<TSoundInstance> instance;
  {
    auto sound = TSound::Get("audio/sfx/sfx_typing_01.ogg", true, 0);
    weak = sound;
    instance = sound->Play(false);
  }
  EXPECT_FALSE(weak.expired());  // the play keeps it
  instance.reset();
  EXPECT_FALSE(weak.expired());  // still in its playing set
  for (int i = 0; i < 4; ++i) {
    Pull(22050);
    Pass();
  }
  manager->Update();
  EXPECT_TRUE(weak.expired());  // ended and released: nothing holds the sound any more
}

// The real thing, at its own pace: SDL's dummy audio device pulls the mix on its thread while the
// streaming thread refills on its 500 ms rhythm. The captured output is the decoded music, looping
// without a gap, from the block in which the play started.
TEST(SoundRealDevice, StreamedMusicReachesTheDeviceWithoutGaps) {
  testutil::ScopedEnv driver("SDL_AUDIODRIVER", "dummy");
  os::TestResetSound();
  std::vector<uint8_t> music = Tone(330, 3.0, 2, 44100);
  std::vector<int16_t> reference = Decode(music);
  std::mutex m;
  std::vector<std::vector<int16_t>> blocks;
  os::TestSetSoundCapture([&](const int16_t* s, size_t frames) {
    std::lock_guard<std::mutex> lock(m);
    blocks.emplace_back(s, s + frames * 2);
  });
  {
    TSoundManager manager;
    SetPlatformSoundManager(&manager);
    ASSERT_TRUE(manager.Init(nullptr));
    ASSERT_TRUE(os::TestSoundDeviceOpen());
    auto ogg = std::make_shared<TOggDataSource>();
    ASSERT_TRUE(ogg->OpenMemory(music));
    auto stream = TSoundStream::Create(&manager, std::make_unique<TStreamSpooler>(ogg), true, 1001, nullptr);
    // An 8 s buffer: the 3.5 s checked (the wrap of the 3 s music included) lie in its first half,
    // so the result does not hang on when a loaded machine lets the streaming thread run. Refills
    // in time are tested with the mixer run by hand.
    ASSERT_TRUE(stream->CreateBuffer(44100, 2, 16, 8.0f));
    stream->Start(false);
    auto deadline = std::chrono::steady_clock::now() + testwait::kHangGuard;
    for (;;) {
      size_t frames = 0;
      {
        std::lock_guard<std::mutex> lock(m);
        for (const auto& b : blocks) frames += b.size() / 2;
      }
      if (frames >= 44100 * 7 / 2 + 8192) break;
      ASSERT_LT(std::chrono::steady_clock::now(), deadline);
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      manager.Update();
    }
    stream->Stop(false);
    SetPlatformSoundManager(nullptr);
  }
  os::TestResetSound();
  EXPECT_FALSE(os::TestSoundDeviceOpen());

  std::lock_guard<std::mutex> lock(m);
  size_t first = 0;
  while (first < blocks.size() &&
         std::all_of(blocks[first].begin(), blocks[first].end(), [](int16_t s) { return s == 0; }))
    ++first;
  std::vector<int16_t> played;
  for (size_t b = first; b < blocks.size(); ++b) played.insert(played.end(), blocks[b].begin(), blocks[b].end());
  const size_t checked = 44100u * 2 * 3 + 44100;  // 3.5 s of stereo samples
  ASSERT_GE(played.size(), checked);
  for (size_t i = 0; i < checked; ++i)
    ASSERT_EQ(played[i], reference[i % reference.size()]) << "sample " << i;
}
