// Animated textures: XML and binary descriptions, inheritance of registration points and
// transforms between frames, the default script, sheet loading relative to the description's
// folder, drawing the current frame, and damaged files refused with a log line.
#include "render/animatedtexture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "animfixture.h"
#include "render/sprite.h"

using render_test::AnimTest;
using render_test::AnmWriter;

namespace {

const char kWalkXml[] =
    "<sequence name=\"walk\" source=\"walk.psd\">\n"
    "  <img name=\"walk.png\" mask=\"walk_mask.png\" regx=\"7\" regy=\"8\" w=\"256\" h=\"128\"/>\n"
    "  <framelist>\n"
    "    <frame name=\"a\" x=\"0\" y=\"0\" w=\"20\" h=\"30\" regx=\"10\" regy=\"25\">\n"
    "      <anchor name=\"hand\" x=\"3\" y=\"4\"/>\n"
    "      <anchor name=\"foot\" x=\"5\" y=\"29\"/>\n"
    "    </frame>\n"
    "    <frame name=\"b\" x=\"20\" y=\"0\" w=\"24\" h=\"30\" alpha=\"0.5\" xform=\"2 0 0 3 5 6\"/>\n"
    "    <note/>\n"
    "    <frame name=\"c\" x=\"44\" y=\"0\" w=\"22\" h=\"36\" regx=\"1\" regy=\"2\"/>\n"
    "  </framelist>\n"
    "</sequence>\n";

class AnimatedTextureTest : public AnimTest {
 protected:
  std::shared_ptr<TAnimatedTexture> WalkXml() {
    WriteFile("anims/walk.xml", kWalkXml);
    WriteFile("anims/walk.png", "png");
    WriteFile("anims/walk_mask.png", "png");
    return TAnimatedTexture::Get("user:anims/walk", "", "");
  }
};

}  // namespace

TEST_F(AnimatedTextureTest, XmlDescriptionReadsEveryFieldAndInheritsFromThePreviousFrame) {
  auto tex = WalkXml();
  ASSERT_TRUE(tex) << Log();
  const TAnimation& a = tex->GetAnimation();
  EXPECT_EQ(a.sequenceName, "walk");
  EXPECT_EQ(a.source, "walk.psd");
  EXPECT_EQ(a.fileName, "user:anims/walk");
  EXPECT_EQ(a.folder, "user:anims/");
  EXPECT_EQ(a.imageName, "walk.png");
  EXPECT_EQ(a.maskName, "walk_mask.png");
  EXPECT_EQ(a.imageRegX, 7);
  EXPECT_EQ(a.imageRegY, 8);
  EXPECT_EQ(a.imageWidth, 256);
  EXPECT_EQ(a.imageHeight, 128);
  ASSERT_EQ(a.GetFrameCount(), 3);  // "note" is not a frame
  EXPECT_EQ(a.maxWidth, 24);
  EXPECT_EQ(a.maxHeight, 36);
  const TAnimFrame& f0 = a.frames[0];
  EXPECT_EQ(f0.name, "a");
  EXPECT_FALSE(f0.HasTransform());
  EXPECT_FLOAT_EQ(f0.alpha, 1.0f);
  ASSERT_EQ(f0.anchors.size(), 2u);
  EXPECT_EQ(f0.anchors[1].name, "foot");
  EXPECT_EQ(f0.anchors[1].y, 29);
  const TAnimFrame& f1 = a.frames[1];
  EXPECT_EQ(f1.regX, 10);  // inherited
  EXPECT_EQ(f1.regY, 25);
  EXPECT_FLOAT_EQ(f1.alpha, 0.5f);
  EXPECT_EQ(f1.GetTransform(), TMat3(2, 0, 0, 0, 3, 0, 5, 6, 1));
  const TAnimFrame& f2 = a.frames[2];
  EXPECT_EQ(f2.regX, 1);
  EXPECT_EQ(f2.regY, 2);
  EXPECT_EQ(f2.GetTransform(), f1.GetTransform());  // an empty xform inherits
  EXPECT_EQ(a.script, "function DoAnim()\n    delay(60);\n    frames{1,2,3};\nend\n");
  // The sheet comes from the description's folder, with its mask.
  EXPECT_EQ(loads, (std::vector<std::string>{"user:anims/walk.png|user:anims/walk_mask.png"}));
  EXPECT_EQ(tex->GetFrameRect(1), TRect(20, 0, 44, 30));
  EXPECT_EQ(tex->GetFrameRect(3), TRect());
  EXPECT_EQ(tex->GetFrameRect(-1), TRect());
  EXPECT_EQ(tex->GetFrameOrigin(2), TVec2(1, 2));
  EXPECT_STREQ(tex->GetClassName(), "TAnimatedTexture");
  EXPECT_TRUE(tex->IsKindOf(TTexture::ClassId()));
}

TEST_F(AnimatedTextureTest, ScriptComesFromTheAttributeOrTheElementText) {
  struct Case {
    const char* script;
    const char* expected;
  };
  for (const Case& c : {Case{"<script luascript=\"play()\">ignored</script>", "play()"},
                        Case{"<script>frames{2,1}</script>", "frames{2,1}"}}) {
    std::string xml = std::string("<sequence><img name=\"s.png\"/><framelist><frame w=\"1\" h=\"1\"/>"
                                  "</framelist>") + c.script + "</sequence>";
    TAnimation anim;
    ASSERT_TRUE(ParseAnimationXml(xml.data(), xml.size(), "s.xml", &anim)) << Log();
    EXPECT_EQ(anim.script, c.expected);
  }
  EXPECT_EQ(MakeDefaultAnimationScript(0), "function DoAnim()\n    delay(60);\nend\n");
  EXPECT_EQ(MakeDefaultAnimationScript(1), "function DoAnim()\n    delay(60);\n    frames{1};\nend\n");
}

TEST_F(AnimatedTextureTest, StructurallyBrokenXmlIsRefusedWithItsLogLine) {
  struct Case {
    const char* xml;
    const char* message;
  };
  for (const Case& c :
       {Case{"<animation/>", "Animation bad.xml does not contain a sequence node"},
        Case{"<sequence><framelist><frame w=\"1\"/></framelist></sequence>",
             "Animation bad.xml does not contain an img node"},
        Case{"<sequence><img name=\"a.png\"/></sequence>",
             "Animation bad.xml does not contain a framelist node"},
        Case{"<sequence><img name=\"a.png\"/><framelist><other/></framelist></sequence>",
             "Animation bad.xml does not contain any frames!"}}) {
    TAnimation anim;
    EXPECT_FALSE(ParseAnimationXml(c.xml, std::strlen(c.xml), "bad.xml", &anim)) << c.xml;
    EXPECT_TRUE(Logged(c.message)) << c.message;
  }
}

TEST_F(AnimatedTextureTest, BinaryDescriptionsOfEachVersionRead) {
  for (int32_t version : {1, 2}) {
    AnmWriter w;
    w.Header(version, "sheet.png", "sheet_mask.png").Tag("FRMS").Int(2);
    w.Frame(version, 5, 6, 0, 0, 10, 12, 0.25f, "first", {{"tip", {1, 2}}});
    w.Frame(version, 7, 8, 10, 0, 14, 9, 0.75f, "second");
    w.Tag("SCRP").Str("frames{2,1}");
    TAnimation anim;
    ASSERT_TRUE(ParseAnimationBinary(w.bytes.data(), w.bytes.size(), "b.anm", &anim)) << version;
    EXPECT_EQ(anim.sequenceName, "walk");
    EXPECT_EQ(anim.imageRegX, 3);
    EXPECT_EQ(anim.imageHeight, 128);
    EXPECT_EQ(anim.imageName, "sheet.png");
    EXPECT_EQ(anim.maskName, "sheet_mask.png");
    ASSERT_EQ(anim.GetFrameCount(), 2);
    EXPECT_EQ(anim.frames[0].regX, 5);
    EXPECT_EQ(anim.frames[1].x, 10);
    EXPECT_EQ(anim.frames[0].name, "first");
    ASSERT_EQ(anim.frames[0].anchors.size(), 1u);
    EXPECT_EQ(anim.frames[0].anchors[0].name, "tip");
    EXPECT_EQ(anim.frames[0].anchors[0].y, 2);
    EXPECT_FALSE(anim.frames[0].HasTransform());
    // Only version 2 files carry a per-frame alpha.
    EXPECT_FLOAT_EQ(anim.frames[1].alpha, version > 1 ? 0.75f : 1.0f);
    EXPECT_EQ(anim.maxWidth, 14);
    EXPECT_EQ(anim.maxHeight, 12);
    EXPECT_EQ(anim.script, "frames{2,1}");
  }
}

TEST_F(AnimatedTextureTest, BinaryWithoutScriptOrFramesGetsTheDefaultScript) {
  AnmWriter w;
  w.Header(2, "sheet.png").Tag("FRMS").Int(1).Frame(2, 0, 0, 0, 0, 4, 4, 1, "only");
  TAnimation anim;
  ASSERT_TRUE(ParseAnimationBinary(w.bytes.data(), w.bytes.size(), "b.anm", &anim));
  EXPECT_EQ(anim.script, MakeDefaultAnimationScript(1));
  AnmWriter none;
  none.Header(2, "sheet.png").Tag("FRMS").Int(-5);
  TAnimation empty;
  ASSERT_TRUE(ParseAnimationBinary(none.bytes.data(), none.bytes.size(), "b.anm", &empty));
  EXPECT_EQ(empty.GetFrameCount(), 0);
  EXPECT_EQ(empty.script, MakeDefaultAnimationScript(0));
  EXPECT_TRUE(Logged("Animation b.anm gives a negative frame count (-5), read without frames")) << Log();
}

TEST_F(AnimatedTextureTest, DamagedBinaryDescriptionsAreRefusedWithALogLine) {
  AnmWriter good;
  good.Header(2, "sheet.png").Tag("FRMS").Int(1);
  good.Frame(2, 0, 0, 0, 0, 4, 4, 1, "only", {{"a", {1, 1}}}).Tag("SCRP").Str("x");
  const std::string& g = good.bytes;
  auto patchInt = [](std::string s, size_t at, int32_t v) {
    for (int i = 0; i < 4; ++i) s[at + i] = static_cast<char>((static_cast<uint32_t>(v) >> (8 * i)) & 0xFF);
    return s;
  };
  size_t frameCountAt = g.find("FRMS") + 4;
  size_t anchorCountAt = g.find("only") + 4;
  size_t scriptLengthAt = g.find("SCRP") + 4;
  struct Case {
    const char* what;
    std::string bytes;
  };
  std::vector<Case> cases = {
      {"empty", ""},
      {"wrong first tag", "ANIX" + g.substr(4)},
      {"wrong image tag", patchInt(g, g.find("IMGN"), 0x4E474D48)},
      {"wrong frame tag", patchInt(g, g.find("FRMS"), 0x534D5246 + 1)},
      {"huge name length", patchInt(g, 12, 0x7FFFFFF0)},
      {"huge frame count", patchInt(g, frameCountAt, 0x7FFFFFFF)},
      {"frame count past the data", patchInt(g, frameCountAt, 2)},
      {"huge anchor count", patchInt(g, anchorCountAt, 0x40000000)},
      {"script longer than the file", patchInt(g, scriptLengthAt, 2)},
  };
  // Every cut before the optional script section leaves a record unfinished.
  for (size_t n = 1; n < g.find("SCRP"); n += 5) cases.push_back({"truncated", g.substr(0, n)});
  TAnimation ok;
  ASSERT_TRUE(ParseAnimationBinary(g.data(), g.size(), "good.anm", &ok)) << Log();
  for (const Case& c : cases) {
    TAnimation anim;
    EXPECT_FALSE(ParseAnimationBinary(c.bytes.data(), c.bytes.size(), "bad.anm", &anim)) << c.what;
  }
  EXPECT_TRUE(Logged("Animation bad.anm is damaged")) << Log();
}

TEST_F(AnimatedTextureTest, BareNameFindsTheBinaryAndLoadsTheSheetFromItsFolder) {
  AnmWriter w;
  w.Header(2, "sheet.png").Tag("FRMS").Int(1).Frame(2, 2, 3, 8, 0, 4, 5, 1, "f");
  WriteFile("gfx/hero.anm", w.bytes);
  WriteFile("gfx/sheet.png", "png");
  auto tex = TAnimatedTexture::Get("user:gfx/hero", "", "");
  ASSERT_TRUE(tex) << Log();
  EXPECT_EQ(loads, (std::vector<std::string>{"user:gfx/sheet.png|"}));
  EXPECT_EQ(tex->GetWidth(), 4);
  EXPECT_EQ(tex->GetHeight(), 5);
  // Shared through the asset manager while held.
  EXPECT_EQ(TAnimatedTexture::Get("user:gfx/hero", "", ""), tex);
  EXPECT_EQ(loads.size(), 1u);
}

TEST_F(AnimatedTextureTest, SheetFallsBackToTheBareNamesAndOverridesReplaceThem) {
  WriteFile("anims/walk.xml", kWalkXml);
  WriteFile("other.png", "png");
  WriteFile("walk_mask.png", "png");
  // Neither file lies beside the description: the bare names are tried after the folder's.
  EXPECT_FALSE(TAnimatedTexture::Get("user:anims/walk", "", ""));
  ASSERT_TRUE(TAnimatedTexture::Get("user:anims/walk", "user:other.png", "user:walk_mask.png"))
      << Log();
  EXPECT_EQ(loads.back(), "user:other.png|user:walk_mask.png");
}

TEST_F(AnimatedTextureTest, MissingOrUnknownDescriptionsGiveNothing) {
  EXPECT_FALSE(TAnimatedTexture::Get("user:nothing", "", ""));
  WriteFile("plain.txt", "<sequence/>");
  EXPECT_FALSE(TAnimatedTexture::Get("user:plain.txt", "", ""));
  SetTextureServices({});
  WriteFile("anims/walk.xml", kWalkXml);
  WriteFile("anims/walk.png", "png");
  WriteFile("anims/walk_mask.png", "png");
  // The texture class itself loads the sheet now, and refuses a file that is no image.
  EXPECT_FALSE(TAnimatedTexture::Get("user:anims/walk", "", ""));
}

TEST_F(AnimatedTextureTest, DrawPlacesTheCurrentFrameAtItsRegistrationPoint) {
  auto tex = WalkXml();
  ASSERT_TRUE(tex);
  tex->SetCurrentFrame(0);
  tex->Draw(TDrawSpec(TVec2(50, 60), 0.5f, 1.0f, 0));
  ASSERT_EQ(draws->size(), 1u);
  const TDrawSpec& s = (*draws)[0].drawSpec;
  EXPECT_EQ(s.flags, kDrawUseAnchor | kDrawUseSourceRect);
  EXPECT_EQ(s.anchor, TVec2(10, 25));
  EXPECT_EQ(s.sourceRect, TRect(0, 0, 20, 30));
  EXPECT_FLOAT_EQ(s.alpha, 0.5f);
  EXPECT_EQ(s.transform.GetTranslation(), TVec2(50, 60));
}

TEST_F(AnimatedTextureTest, MirroredDrawFlipsTheRegistrationPointInsideTheFrame) {
  auto tex = WalkXml();
  ASSERT_TRUE(tex);
  tex->SetCurrentFrame(0);  // 20 x 30, registration (10, 25)
  struct Case {
    uint32_t flags;
    TVec2 anchor;
  };
  for (const Case& c : {Case{kDrawMirrorX, TVec2(10, 25)}, Case{kDrawMirrorY, TVec2(10, 5)},
                        Case{kDrawMirrorBits, TVec2(10, 5)}}) {
    draws->clear();
    tex->Draw(TDrawSpec(TVec2(0, 0), 1.0f, 1.0f, c.flags));
    ASSERT_EQ(draws->size(), 1u);
    EXPECT_EQ((*draws)[0].drawSpec.anchor, c.anchor) << c.flags;
  }
  // An anchor given by the caller is kept.
  draws->clear();
  TDrawSpec anchored(TVec2(0, 0), 1.0f, 1.0f, kDrawUseAnchor | kDrawMirrorX);
  anchored.anchor = TVec2(3, 4);
  tex->Draw(anchored);
  EXPECT_EQ((*draws)[0].drawSpec.anchor, TVec2(3, 4));
}

TEST_F(AnimatedTextureTest, FrameTransformAlphaAndSourceRectApplyToTheDraw) {
  auto tex = WalkXml();
  ASSERT_TRUE(tex);
  tex->SetCurrentFrame(1);  // at (20, 0), 24 x 30, alpha 0.5, transform 2 0 0 3 5 6
  TDrawSpec drawSpec(TVec2(100, 200), 0.5f, 1.0f, kDrawUseSourceRect);
  drawSpec.sourceRect = TRect(4, -5, 40, 10);
  tex->Draw(drawSpec);
  ASSERT_EQ(draws->size(), 1u);
  const TDrawSpec& s = (*draws)[0].drawSpec;
  // The frame's transform applies first, then the caller's.
  EXPECT_EQ(s.transform, TMat3(2, 0, 0, 0, 3, 0, 105, 206, 1));
  EXPECT_FLOAT_EQ(s.alpha, 0.25f);
  // Taken relative to the frame and never beyond it.
  EXPECT_EQ(s.sourceRect, TRect(24, 0, 44, 10));
}

TEST_F(AnimatedTextureTest, NoFrameOrAnEmptyFrameDrawsNothing) {
  auto tex = WalkXml();
  ASSERT_TRUE(tex);
  for (int32_t frame : {-1, 3, 1000}) {
    tex->SetCurrentFrame(frame);
    tex->Draw(TDrawSpec());
    EXPECT_EQ(tex->GetWidth(), 0);
    EXPECT_EQ(tex->GetHeight(), 0);
  }
  EXPECT_TRUE(draws->empty());
  const char xml[] = "<sequence><img name=\"s.png\"/><framelist><frame w=\"0\" h=\"3\"/></framelist></sequence>";
  WriteFile("d/zero.xml", xml);
  WriteFile("d/s.png", "png");
  auto zero = TAnimatedTexture::Get("user:d/zero.xml", "", "");
  ASSERT_TRUE(zero) << Log();
  zero->Draw(TDrawSpec());
  EXPECT_TRUE(draws->empty());
}

TEST_F(AnimatedTextureTest, UnloadAndRestoreReachTheSheetOnly) {
  auto tex = WalkXml();
  ASSERT_TRUE(tex);
  auto sheet = std::static_pointer_cast<render_test::RecordingTexture>(tex->GetSheet());
  tex->Unload();
  tex->Restore();
  EXPECT_EQ(sheet->unloads, 1);
  EXPECT_EQ(sheet->restores, 1);
  EXPECT_EQ(tex->GetAnimation().GetFrameCount(), 3);
}

TEST_F(AnimatedTextureTest, SpriteOfAnAnimationDrawsAndMeasuresTheCurrentFrame) {
  auto tex = WalkXml();
  ASSERT_TRUE(tex);
  auto sprite = TSprite::Create(0, tex);
  sprite->SetSpec(TDrawSpec(TVec2(100, 100), 1.0f, 1.0f, 0));
  tex->SetCurrentFrame(2);  // 22 x 36 at (44, 0)
  sprite->Draw(TDrawSpec(), 0);
  ASSERT_EQ(draws->size(), 1u);
  EXPECT_EQ((*draws)[0].drawSpec.sourceRect, TRect(44, 0, 66, 36));
  // Bounds take the frame's size, centred: the sprite's draw record has no anchor of its own.
  EXPECT_EQ(sprite->GetBounds(TDrawSpec(), 0), TRect(89, 82, 111, 118));
  tex->SetCurrentFrame(-1);
  sprite->Draw(TDrawSpec(), 0);
  EXPECT_EQ(draws->size(), 1u);
}
