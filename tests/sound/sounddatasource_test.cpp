// Sound data sources: Ogg Vorbis decoding from memory and through the file layer, in-memory copies,
// the choice between them, the registry by extension, and damaged files.
#include <filesystem>

#include "core/config.h"
#include "core/file.h"
#include "sound_fixture.h"

using namespace soundtest;

namespace {
// "::" reaches a disk path directly through the file layer.
TString DiskName(const std::string& path) { return TString(("::" + path).c_str()); }

std::string AsString(const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }
}  // namespace

TEST(SoundDataSource, OggFromMemoryDecodesLikeVorbisfile) {
  std::vector<uint8_t> file = Tone(440, 1.0, 2, 22050);
  TOggDataSource ogg;
  ASSERT_TRUE(ogg.OpenMemory(file));
  EXPECT_EQ(ogg.GetRate(), 22050u);
  EXPECT_EQ(ogg.GetChannels(), 2u);
  EXPECT_NEAR(ogg.GetLength(), 1.0, 1e-6);
  EXPECT_EQ(ogg.GetTotalBytes(), 22050u * 2 * 2);
  std::vector<int16_t> reference = Decode(file);
  EXPECT_EQ(ReadAll(ogg, 1000), reference);  // odd chunk sizes split frames between reads
  // Reading again from 0 rewinds the decoder.
  std::vector<uint8_t> first(64);
  ASSERT_EQ(ogg.Read(first.data(), 0, 64), 64u);
  EXPECT_EQ(std::memcmp(first.data(), reference.data(), 64), 0);
}

TEST(SoundDataSource, OggStreamedThroughTheFileLayer) {
  testutil::TempFolder folder;
  std::vector<uint8_t> file = Tone(1000, 0.5, 1, 44100);
  std::string path = folder.Write("Audio/Tone.ogg", AsString(file));
  TOggDataSource streamed;
  ASSERT_TRUE(streamed.Open(DiskName(path), true));
  EXPECT_EQ(ReadAll(streamed), Decode(file));
  // The name without its extension opens too.
  TOggDataSource byStem;
  ASSERT_TRUE(byStem.Open(DiskName(folder / "Audio/Tone"), false));
  EXPECT_EQ(byStem.GetTotalBytes(), 22050u * 2);
  TOggDataSource missing;
  EXPECT_FALSE(missing.Open(DiskName(folder / "nothing.ogg"), true));
}

TEST(SoundDataSource, MemoryCopyReadsClipAtTheEnd) {
  FakeSource fake({1, 2, 3, 4, 5, 6, 7, 8}, 2, 8000);
  TMemDataSource mem(fake);
  EXPECT_EQ(mem.GetTotalBytes(), 16u);
  EXPECT_EQ(mem.GetChannels(), 2u);
  EXPECT_EQ(mem.GetRate(), 8000u);
  int16_t out[4] = {-1, -1, -1, -1};
  EXPECT_EQ(mem.Read(out, 12, 8), 4u);  // only the last two samples remain
  EXPECT_EQ(out[0], 7);
  EXPECT_EQ(out[1], 8);
  EXPECT_EQ(out[2], -1);
  EXPECT_EQ(mem.Read(out, 16, 8), 0u);
  EXPECT_EQ(mem.Read(out, 0xFFFFFFF0u, 8), 0u);
}

TEST(SoundDataSource, PreloadDecodesShortSoundsAndKeepsLongOnesCompressed) {
  testutil::TempFolder folder;
  std::string shortPath = folder.Write("short.ogg", AsString(Tone(440, 1.5, 1, 22050)));
  std::string longPath = folder.Write("long.ogg", AsString(Tone(440, 10.0, 1, 11025)));
  TOggDataSourceBuilder builder;
  auto shortSound = builder.Build(DiskName(shortPath), false);
  ASSERT_TRUE(shortSound);
  EXPECT_NE(dynamic_cast<TMemDataSource*>(shortSound.get()), nullptr);
  EXPECT_EQ(shortSound->GetTotalBytes(), 33075u * 2);
  auto longSound = builder.Build(DiskName(longPath), false);
  EXPECT_NE(dynamic_cast<TOggDataSource*>(longSound.get()), nullptr);
  auto streamed = builder.Build(DiskName(shortPath), true);
  EXPECT_NE(dynamic_cast<TOggDataSource*>(streamed.get()), nullptr);

  SetConfig("keepogguncompressed", "1");
  auto kept = builder.Build(DiskName(longPath), false);
  EXPECT_NE(dynamic_cast<TMemDataSource*>(kept.get()), nullptr);
  SetConfig("keepogguncompressed", "0");
  EXPECT_NE(dynamic_cast<TOggDataSource*>(builder.Build(DiskName(longPath), false).get()), nullptr);
  ClearConfig();
  EXPECT_EQ(builder.Build(DiskName(folder / "absent.ogg"), false), nullptr);
}

TEST(SoundDataSource, RegistryFindsByExtensionOrByTryingEachExtension) {
  testutil::TempFolder folder;
  folder.Write("audio/sfx/sfx_typing_01.ogg", AsString(Tone(2000, 0.2, 1, 22050)));
  SoundDataSourceRegistry::Clear();
  EXPECT_EQ(SoundDataSourceRegistry::Find(DiskName(folder / "audio/sfx/sfx_typing_01.ogg"), false), nullptr);
  RegisterOggDataSource();
  EXPECT_NE(SoundDataSourceRegistry::Find(DiskName(folder / "audio/sfx/sfx_typing_01.ogg"), false), nullptr);
  EXPECT_NE(SoundDataSourceRegistry::Find(DiskName(folder / "audio/sfx/sfx_typing_01"), true), nullptr);
  EXPECT_EQ(SoundDataSourceRegistry::Find(DiskName(folder / "audio/sfx/sfx_typing_02"), true), nullptr);
  EXPECT_EQ(SoundDataSourceRegistry::Find(DiskName(folder / "audio/sfx/sfx_typing_01.wav"), true), nullptr);
  SoundDataSourceRegistry::Clear();
}

TEST(SoundDataSource, DamagedOggIsRefusedOrEndsEarlyWithALogLine) {
  ScopedLog log;
  std::vector<uint8_t> good = Tone(440, 6.0, 2, 44100);
  // Not an Ogg file at all, and an empty file.
  TOggDataSource garbage;
  EXPECT_FALSE(garbage.OpenMemory(std::vector<uint8_t>(5000, 0x5A)));
  EXPECT_TRUE(log.Contains("OGG file could not be opened"));
  EXPECT_FALSE(TOggDataSource().OpenMemory({}));
  // Only the headers survive.
  EXPECT_FALSE(TOggDataSource().OpenMemory(std::vector<uint8_t>(good.begin(), good.begin() + 200)));

  // Cut short, or overwritten in the middle: whatever opens ends within its announced size.
  std::vector<uint8_t> cut(good.begin(), good.begin() + good.size() * 6 / 10);
  std::vector<uint8_t> holed = good;
  for (size_t i = holed.size() / 3; i < holed.size() / 3 + 3000; ++i) holed[i] = static_cast<uint8_t>(i * 131);
  for (const auto* damaged : {&cut, &holed}) {
    TOggDataSource ogg;
    ASSERT_TRUE(ogg.OpenMemory(*damaged));
    std::vector<int16_t> samples = ReadAll(ogg);
    EXPECT_LE(samples.size() * 2, ogg.GetTotalBytes());
    EXPECT_GT(samples.size(), 0u);
  }
}
