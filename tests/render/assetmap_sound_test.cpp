// Asset maps and sounds: a sound's group option travels with its name, and the name finds it with
// either slash. Kept apart from the other asset-map tests: the sound and display interfaces of the
// platform layer cannot be included in one file.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imagefixture.h"
#include "oggtone.h"
#include "render/assetmanager.h"
#include "render/assetmap.h"
#include "sound/sound.h"
#include "sound/sounddatasource.h"

namespace {
class AssetMapSoundTest : public ImageTest {
 protected:
  AssetMapSoundTest() { TAssetManager::SetInstance(&mAssets); }
  ~AssetMapSoundTest() override { TAssetManager::SetInstance(nullptr); }

  TAssetManager mAssets;
};
}  // namespace

TEST_F(AssetMapSoundTest, SoundKeepsItsGroupOptionAndIsFoundWithEitherSlash) {
  RegisterOggDataSource();
  OggToneSpec tone;
  tone.seconds = 0.1;
  std::vector<unsigned char> ogg = MakeOggTone(tone);
  WriteFile("audio/sfx/sfx_typing_01.ogg", std::string(ogg.begin(), ogg.end()));
  TAssetMap map;
  map.AddAsset("user:audio/sfx/sfx_typing_01.ogg?group=1000");
  std::shared_ptr<TSound> sound = map.GetSound("user:audio\\sfx\\sfx_typing_01.ogg?group=1000");
  ASSERT_TRUE(sound) << Log();
  EXPECT_EQ(sound->GetData()->mGroup, 1000);
  EXPECT_EQ(sound->GetData()->mFileName, "user:audio/sfx/sfx_typing_01.ogg");
  // Found as a texture it is nothing.
  EXPECT_FALSE(map.GetTexture("user:audio/sfx/sfx_typing_01.ogg?group=1000"));
  SoundDataSourceRegistry::Clear();
}
