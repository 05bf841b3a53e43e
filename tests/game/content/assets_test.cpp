// The demo's settings file and generated pictures as the framework reads them: the settings carry
// every key the game reads, with numbers where numbers are read, and each committed picture decodes,
// with its alpha mask of the same size beside each masked JPEG; backdrops fill the screen and
// pictures laid over them have real transparency.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "core/assetindex.h"
#include "core/xml.h"
#include "render/imagecodecs.h"

namespace {

std::string SourceDir() {
  const char* root = std::getenv("TM_SOURCE_DIR");
  return root ? root : TM_CONTENT_SOURCE_DIR;
}

// Reads through the file layer with the source tree as its "user:" root.
class AssetFiles : public testing::Test {
 protected:
  AssetFiles() { SetFileRoots(TString(SourceDir().c_str()), TString(), TString()); }
  ~AssetFiles() override { filetest::ResetFileSystem(); }

  static std::map<std::string, std::string> Settings() {
    std::map<std::string, std::string> out;
    TXmlNode document;
    if (!document.Load("user:assets/settings.xml")) return out;
    const TXmlNode* settings = document.FindChild("settings");
    if (!settings) return out;
    for (const auto& child : settings->GetChildren()) {
      const char first = child->GetName().CharAt(0);
      if (first != '!' && first != '?') out[child->GetName().CStr()] = child->GetText().CStr();
    }
    return out;
  }
};

bool IsNumber(const std::string& text) {
  char* end = nullptr;
  std::strtod(text.c_str(), &end);
  return !text.empty() && end && *end == '\0';
}

}  // namespace

TEST_F(AssetFiles, SettingsCarryTheGamesKeys) {
  const auto settings = Settings();
  ASSERT_FALSE(settings.empty());
  EXPECT_EQ(settings.at("version"), "V. 0.85b");
  EXPECT_EQ(settings.at("screenwidth"), "1024");
  EXPECT_EQ(settings.at("screenheight"), "768");
  for (const char* key : {"scriptMainLoop", "scriptOkVerify", "assetCursorHW", "assetCursorSW", "windowtitle"}) {
    ASSERT_TRUE(settings.count(key)) << key;
    EXPECT_FALSE(settings.at(key).empty()) << key;
  }
  for (const char* key : {"defaultsoundvolume", "hintrefilltime", "alphaToShowBriefing", "infoboxDisplayTime",
                          "infoboxTransModifier", "sceneObjFadeSpeed", "hogHintInnerRadius", "hogHintOuterRadius",
                          "hogHintSpaceSpiral", "hogHintDegPerStep", "sidebarWidth", "hogDestXObj", "hogDestYObj",
                          "hogDestSpeedObj"}) {
    ASSERT_TRUE(settings.count(key)) << key;
    EXPECT_TRUE(IsNumber(settings.at(key))) << key << " = " << settings.at(key);
  }
  // A briefing opens while the scene fades in only when the threshold lies inside the fade's range.
  const double briefing = std::stod(settings.at("alphaToShowBriefing"));
  EXPECT_GT(briefing, 0.0);
  EXPECT_LT(briefing, 1.0);
  EXPECT_LE(std::stod(settings.at("hogHintInnerRadius")), std::stod(settings.at("hogHintOuterRadius")));
  // The cursor pictures the settings name exist (named without their extension).
  for (const char* key : {"assetCursorHW", "assetCursorSW"}) {
    const std::string stem = SourceDir() + "/assets/" + settings.at(key);
    EXPECT_TRUE(std::filesystem::is_regular_file(stem) || std::filesystem::is_regular_file(stem + ".png")) << key;
  }
}

TEST_F(AssetFiles, PicturesDecodeAndMasksMatchTheirPictures) {
  int pictures = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(SourceDir() + "/assets/images")) {
    if (!entry.is_regular_file()) continue;
    const std::string rel = std::filesystem::relative(entry.path(), SourceDir()).generic_string();
    const std::string name = "user:" + rel;
    SCOPED_TRACE(rel);
    TImageBuffer image;
    if (entry.path().extension() == ".png") {
      if (!LoadPng(TString(name.c_str()), &image)) {
        ADD_FAILURE() << "does not decode";
        continue;
      }
    } else if (entry.path().extension() == ".jpg") {
      if (!LoadJpeg(TString(name.c_str()), &image)) {
        ADD_FAILURE() << "does not decode";
        continue;
      }
      // A masked picture: the mask beside it has its size.
      const std::string mask = name.substr(0, name.size() - 4) + ".mask.png";
      if (std::filesystem::exists(SourceDir() + "/" + rel.substr(0, rel.size() - 4) + ".mask.png")) {
        TImageBuffer alpha;
        EXPECT_TRUE(LoadPng(TString(mask.c_str()), &alpha));
        EXPECT_EQ(alpha.width, image.width);
        EXPECT_EQ(alpha.height, image.height);
      }
    } else {
      ADD_FAILURE() << "unexpected file";
      continue;
    }
    EXPECT_GT(image.width, 0);
    ++pictures;
  }
  EXPECT_GT(pictures, 0);
}

// Backdrops fill the 1024 x 768 screen; pictures laid over a scene (pointers, objects, icons,
// buttons) let the scene show around them and are solid where their thing is.
TEST_F(AssetFiles, BackdropsFillTheScreenAndOverlaysAreSeeThroughAroundTheirObject) {
  for (const char* rel : {"assets/backgrounds/mainmenu.jpg", "assets/diary/book.jpg", "assets/images/puzzle_bg.jpg",
                          "assets/images/mirror_bg.jpg", "assets/images/morris_bg.jpg", "assets/images/gallery_bg.jpg",
                          "assets/images/shrine_bg.jpg", "assets/scenes/chapter/bg.jpg", "assets/scenes/courtyard/bg.jpg",
                          "assets/scenes/hall/bg.jpg", "assets/scenes/study/bg.jpg", "assets/scenes/cutscene/stage1.jpg",
                          "assets/scenes/ending/bg.jpg"}) {
    SCOPED_TRACE(rel);
    TImageBuffer image;
    ASSERT_TRUE(LoadJpeg(TString((std::string("user:") + rel).c_str()), &image));
    EXPECT_EQ(image.width, 1024);
    EXPECT_EQ(image.height, 768);
  }
  for (const char* rel : {"assets/cursor/cursor_active.png", "assets/cursor/cursor_look.png", "assets/images/key.png",
                          "assets/images/ho_cup.png", "assets/scenes/study/ho_bell.png", "assets/scenes/study/coin.png",
                          "assets/scenes/courtyard/key.png", "assets/sprites/inventory/lens.png",
                          "assets/sprites/hint/hintbutton.png", "assets/menu/btn.png", "assets/menu/check.png",
                          "assets/images/potion/flask_g.png", "assets/images/morris/1.png", "assets/sprites/mi_right.png"}) {
    SCOPED_TRACE(rel);
    TImageBuffer image;
    ASSERT_TRUE(LoadPng(TString((std::string("user:") + rel).c_str()), &image));
    ASSERT_TRUE(image.hasAlpha);
    const int w = image.width, h = image.height;
    // (a pointer's tip is its top-left corner, so that corner is not asked about)
    for (auto [x, y] : {std::pair{w - 1, 0}, {0, h - 1}, {w - 1, h - 1}}) EXPECT_EQ(image.Pixel(x, y)[3], 0) << x << "," << y;
    int solid = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) solid += image.Pixel(x, y)[3] == 255;
    EXPECT_GT(solid, w * h / 20);
  }
}

// Cursors are drawn into the frame keyed on near-white, alpha ignored: a clear pixel that is not
// white would draw as a dark box round the pointer, and a near-white pointer pixel would vanish.
TEST_F(AssetFiles, CursorsAreClearWhereWhiteAndOpaqueElsewhere) {
  for (const char* name : {"cursor/cursor_active", "cursor/cursor_active_red", "cursor/cursor_exit",
                           "cursor/cursor_inactive", "cursor/cursor_look", "cursor/cursor_use", "images/cursor",
                           "images/cursor_exit"}) {
    SCOPED_TRACE(name);
    TImageBuffer image;
    ASSERT_TRUE(LoadPng(TString((std::string("user:assets/") + name + ".png").c_str()), &image));
    int pointer = 0;
    for (int y = 0; y < image.height; ++y)
      for (int x = 0; x < image.width; ++x) {
        const auto* p = image.Pixel(x, y);
        const bool keyed = p[0] > 247 && p[1] > 247 && p[2] > 247;
        ASSERT_EQ(keyed, p[3] == 0) << x << "," << y;
        pointer += !keyed;
      }
    EXPECT_GT(pointer, 40);
  }
}
