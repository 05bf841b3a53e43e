// A texture for sprite and animation tests that needs no display: it has a size and a tag, and records every
// draw (its tag and the draw record it got) into a shared list, so tests can check order and draw records.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "render/texture.h"

namespace render_test {

struct DrawRecord {
  std::string tag;
  TDrawSpec drawSpec;
};

class RecordingTexture : public TTexture {
 public:
  RecordingTexture(std::string tag, int32_t width, int32_t height,
                   std::shared_ptr<std::vector<DrawRecord>> log)
      : mTag(std::move(tag)), mWidth(width), mHeight(height), mLog(std::move(log)) {}

  void Draw(const TDrawSpec& drawSpec) override { mLog->push_back({mTag, drawSpec}); }
  int32_t GetWidth() const override { return mWidth; }
  int32_t GetHeight() const override { return mHeight; }
  void Unload() override { ++unloads; }
  void Restore() override { ++restores; }

  const std::string& Tag() const { return mTag; }
  int unloads = 0;
  int restores = 0;

 private:
  std::string mTag;
  int32_t mWidth, mHeight;
  std::shared_ptr<std::vector<DrawRecord>> mLog;
};

}  // namespace render_test
