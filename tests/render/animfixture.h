// Fixture for animation and asset-map tests: the image fixture's temporary "user:" folder, an
// asset manager, texture services that hand out recording textures for files that exist, and a
// writer of binary ".anm" descriptions.
#pragma once
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/file.h"
#include "imagefixture.h"
#include "recordingtexture.h"
#include "render/assetmanager.h"
#include "render/textureservices.h"

namespace render_test {

// Little-endian writer of binary animation descriptions.
class AnmWriter {
 public:
  AnmWriter& Tag(const char* tag) { bytes.append(tag, 4); return *this; }
  AnmWriter& Int(int32_t v) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<char>((static_cast<uint32_t>(v) >> (8 * i)) & 0xFF));
    return *this;
  }
  AnmWriter& Float(float f) {
    int32_t v;
    std::memcpy(&v, &f, 4);
    return Int(v);
  }
  AnmWriter& Str(const std::string& s) { Int(static_cast<int32_t>(s.size())); bytes += s; return *this; }

  // Header up to and including the image names, for a version.
  AnmWriter& Header(int32_t version, const std::string& image, const std::string& mask = "") {
    Tag("ANIM").Int(0).Int(version).Str("walk").Str("walk.psd");
    Tag("IMGN").Int(3).Int(4).Int(256).Int(128);
    if (version == 1) Float(0).Float(0).Float(0).Float(0);
    return Str(image).Str(mask);
  }
  // One frame with no transform and the given anchors.
  AnmWriter& Frame(int32_t version, int32_t regX, int32_t regY, int32_t x, int32_t y, int32_t w,
                   int32_t h, float alpha, const std::string& name,
                   const std::vector<std::pair<std::string, std::pair<int, int>>>& anchors = {}) {
    Int(regX).Int(regY).Int(x).Int(y).Int(w).Int(h);
    if (version > 1) Float(alpha);
    Float(-10000000.0f).Float(0).Float(0).Float(0).Float(0).Float(0);
    Str(name).Int(static_cast<int32_t>(anchors.size()));
    for (const auto& a : anchors) Int(a.second.first).Int(a.second.second).Str(a.first);
    return *this;
  }

  std::string bytes;
};

class AnimTest : public ImageTest {
 protected:
  AnimTest() {
    TAssetManager::SetInstance(&mAssets);
    TTextureServices services;
    services.get = [this](const TString& name, int) -> std::shared_ptr<TTexture> {
      return Made(name, "");
    };
    services.loadSheet = [this](const TString& image, const TString& mask) {
      return Made(image, mask);
    };
    SetTextureServices(services);
  }
  ~AnimTest() override {
    SetTextureServices({});
    TAssetManager::SetInstance(nullptr);
  }

  // A recording texture of 64 x 32 tagged with the file names, when the files exist.
  std::shared_ptr<TTexture> Made(const TString& image, const TString& mask) {
    TString file = image;
    int question = file.FindChar('?');
    if (question >= 0) file = file.SubString(0, question);
    if (!FileExists(file) || (!mask.IsEmpty() && !FileExists(mask))) return nullptr;
    loads.push_back(std::string(image.CStr()) + "|" + mask.CStr());
    return std::make_shared<RecordingTexture>(loads.back(), 64, 32, draws);
  }

  TAssetManager mAssets;
  std::vector<std::string> loads;
  std::shared_ptr<std::vector<DrawRecord>> draws = std::make_shared<std::vector<DrawRecord>>();
};

}  // namespace render_test
