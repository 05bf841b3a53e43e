// Asset maps: the extension search order for bare names, the class chosen by extension, load
// options (a sound's group) travelling with the name, sharing through the asset manager, and the
// lookup messages.
#include "render/assetmap.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "animfixture.h"
#include "oggtone.h"
#include "render/animatedtexture.h"
#include "render/model.h"
#include "script/scriptcode.h"
#include "sound/sound.h"
#include "sound/sounddatasource.h"

using imagetest::MeshBytes;
using render_test::AnimTest;

namespace {

const char kOneFrameXml[] =
    "<sequence><img name=\"sheet.png\"/><framelist><frame w=\"2\" h=\"2\"/></framelist></sequence>";

class AssetMapTest : public AnimTest {};

}  // namespace

TEST_F(AssetMapTest, BareNamesTryTheExtensionsInOrder) {
  const std::vector<std::string> order = {".xml", ".anm", ".jpg", ".jp2", ".png",
                                          ".spx", ".ogg", ".mesh", ".lua"};
  ASSERT_EQ(order.size(), std::size(TAssetMap::kExtensions));
  for (size_t i = 0; i < order.size(); ++i) EXPECT_EQ(order[i], TAssetMap::kExtensions[i]);

  // Whichever two files exist, the earlier extension wins; checked on the image and animation
  // classes, whose loaders the test controls.
  WriteFile("d/sheet.png", "png");
  WriteFile("d/a.png", "png");
  WriteFile("d/a.jp2", "jp2");
  WriteFile("d/b.xml", kOneFrameXml);
  WriteFile("d/b.png", "png");
  WriteFile("d/c.png", "png");
  WriteFile("d/c.mesh", MeshBytes({}, {}));
  TAssetMap map;
  map.AddAsset("user:d/a");
  map.AddAsset("user:d/b");
  map.AddAsset("user:d/c");
  EXPECT_EQ(loads[0], "user:d/a.jp2|");
  EXPECT_TRUE(KindCast<TAnimatedTexture>(map.Find("user:d/b"))) << Log();
  EXPECT_FALSE(KindCast<TModel>(map.Find("user:d/c")));
  EXPECT_EQ(loads.back(), "user:d/c.png|");
}

TEST_F(AssetMapTest, ExtensionPicksTheAssetClass) {
  WriteFile("d/sheet.png", "png");
  WriteFile("d/anim.xml", kOneFrameXml);
  WriteFile("tri.mesh", MeshBytes({{0, 0, 0, 0, 0, 0, 0, 0}}, {0, 0, 0}));
  WriteFile("logic.lua", "x = 1\n");
  WriteFile("pic.jpg", "jpg");
  TAssetMap map;
  const char* names[] = {"user:d/anim", "user:tri", "user:logic", "user:pic", "user:tri.mesh",
                         nullptr};
  map.AddAssets(names);
  EXPECT_TRUE(KindCast<TAnimatedTexture>(map.Find("user:d/anim")));
  EXPECT_TRUE(KindCast<TModel>(map.Find("user:tri")));
  EXPECT_TRUE(KindCast<TScriptCode>(map.Find("user:logic"))) << Log();
  EXPECT_TRUE(map.GetTexture("user:pic"));
  EXPECT_TRUE(map.GetTexture("user:d/anim"));  // an animation is a texture too
  EXPECT_TRUE(KindCast<TModel>(map.Find("user:tri.mesh")));
  // Another class under the name gives no texture and logs nothing.
  EXPECT_FALSE(map.GetTexture("user:tri"));
  EXPECT_FALSE(Logged("Texture asset not found: user:tri"));
}

TEST_F(AssetMapTest, NamesAreKeptWithForwardSlashesAndTheirOptions) {
  WriteFile("gfx/pic.png", "png");
  TAssetMap map;
  map.AddAsset("user:gfx\\pic?mip");
  EXPECT_TRUE(map.HasAsset("user:gfx/pic?mip"));
  EXPECT_TRUE(map.HasAsset("user:gfx\\pic?mip"));
  EXPECT_FALSE(map.HasAsset("user:gfx/pic"));
  // The options travel with the file name to the loader.
  EXPECT_EQ(loads, (std::vector<std::string>{"user:gfx/pic.png?mip|"}));
}

TEST_F(AssetMapTest, FailuresAreLoggedUnlessQuiet) {
  WriteFile("notes.txt", "text");
  TAssetMap map;
  map.AddAsset("user:missing");
  EXPECT_TRUE(Logged("TAssetMap::AddAsset: Failed to find asset user:missing with any standard "
                     "extension (jpg/jp2/png/anm/xml/ogg/mesh)"));
  map.AddAsset("user:notes.txt");
  EXPECT_TRUE(Logged("TAssetMap::AddAsset: Error loading user:notes.txt"));
  map.AddAsset("user:quiet-missing", nullptr, true);
  map.AddAsset("user:notes.txt?x", nullptr, true);
  EXPECT_FALSE(Logged("quiet-missing"));
  EXPECT_FALSE(Logged("notes.txt?x"));
  EXPECT_FALSE(map.HasAsset("user:notes.txt"));
}

TEST_F(AssetMapTest, AnAssetPassedInIsStoredAsItIs) {
  auto model = std::make_shared<TModel>();
  TAssetMap map;
  map.AddAsset("models\\ship", model);
  EXPECT_EQ(map.Find("models/ship"), model);
}

TEST_F(AssetMapTest, TwoMapsShareOneLoadedAssetAndKeepItAlive) {
  WriteFile("d/sheet.png", "png");
  WriteFile("d/anim.xml", kOneFrameXml);
  WriteFile("pic.png", "png");
  std::weak_ptr<TAsset> weak;
  {
    TAssetMap first;
    {
      TAssetMap second;
      first.AddAsset("user:d/anim");
      second.AddAsset("user:d/anim");
      first.AddAsset("user:pic");
      second.AddAsset("user:pic");
      EXPECT_EQ(first.Find("user:d/anim"), second.Find("user:d/anim"));
      EXPECT_EQ(first.Find("user:pic"), second.Find("user:pic"));
      weak = first.Find("user:d/anim");
    }
    EXPECT_FALSE(weak.expired());  // the first map still holds it
  }
  EXPECT_TRUE(weak.expired());
}

TEST_F(AssetMapTest, LookupsOfUnknownNamesLogAndAutoLoadWhenAsked) {
  WriteFile("late.png", "png");
  TAssetMap map;
  EXPECT_FALSE(map.GetTexture("user:late"));
  EXPECT_TRUE(Logged("Texture asset not found: user:late (auto load set to false)"));
  EXPECT_FALSE(map.GetSound("user:quiet"));
  EXPECT_TRUE(Logged("Sound asset not found: user:quiet"));
  int before = map.GetCount();
  EXPECT_FALSE(map.HasAsset("user:never"));
  EXPECT_EQ(map.GetCount(), before + 1);  // lookups leave an empty entry behind
  map.SetAutoLoad(true);
  EXPECT_TRUE(map.GetTexture("user:late"));
  EXPECT_EQ(loads, (std::vector<std::string>{"user:late.png|"}));
  EXPECT_FALSE(map.GetTexture("user:absent"));
  EXPECT_TRUE(Logged("Texture asset not found: user:absent (auto load set to true)"));
}

TEST_F(AssetMapTest, SoundKeepsItsGroupOptionAndIsFoundWithEitherSlash) {
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
