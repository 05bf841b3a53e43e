// TAnimatedTexture: a texture whose image is a sheet of frames, with the description of every
// frame (rectangle, registration point, anchors, optional transform and alpha) read from an XML
// description or a binary ".anm" file, and the Lua script that plays the frames. Drawing draws the
// current frame's rectangle of the sheet.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "core/rect.h"
#include "core/string.h"
#include "render/textureservices.h"

// A first transform value of this means the frame has no transform.
constexpr float kNoFrameTransform = -10000000.0f;

struct TAnimAnchor {
  TString name;
  int32_t x = 0;
  int32_t y = 0;
};

struct TAnimFrame {
  TString name;
  int32_t x = 0, y = 0, width = 0, height = 0;  // rectangle on the sheet
  int32_t regX = 0, regY = 0;                   // pixel of the frame placed at the draw position
  std::vector<TAnimAnchor> anchors;
  float transform[6] = {kNoFrameTransform, 0, 0, 0, 0, 0};  // a, b, c, d, tx, ty
  float alpha = 1.0f;

  bool HasTransform() const { return transform[0] != kNoFrameTransform; }
  // Rows (a, b, 0), (c, d, 0), (tx, ty, 1).
  TMat3 GetTransform() const;
};

struct TAnimation {
  TString sequenceName;
  TString source;     // kept, not used for loading
  TString fileName;   // the name the texture was requested with
  TString imageName;
  TString maskName;
  TString folder;     // of the description file, up to and including its last slash
  TString script;     // Lua source that plays the frames
  int32_t maxWidth = 0;
  int32_t maxHeight = 0;
  int32_t currentFrame = 0;  // -1: no frame, nothing is drawn
  int32_t imageRegX = 0, imageRegY = 0, imageWidth = 0, imageHeight = 0;
  std::vector<TAnimFrame> frames;

  int32_t GetFrameCount() const { return static_cast<int32_t>(frames.size()); }
};

// Longest description file read; larger ones are refused.
constexpr long kMaxAnimationFile = 16L << 20;

// Parsers of the two description formats into a fresh record. `fileName` only names the file in
// log lines. Both fail (false, logged) on any structural fault; the record is then unspecified.
bool ParseAnimationXml(const void* data, size_t size, const TString& fileName, TAnimation* anim);
bool ParseAnimationBinary(const void* data, size_t size, const TString& fileName, TAnimation* anim);
// "function DoAnim()\n    delay(60);\n    frames{1,...,N};\nend\n" (no frames line for N = 0).
TString MakeDefaultAnimationScript(int32_t frameCount);

class TAnimatedTexture : public TTexture {
  TM_CLASS(TAnimatedTexture, TTexture)

 public:
  explicit TAnimatedTexture(const TString& fileName);
  ~TAnimatedTexture() override;

  // The shared animated texture of a description name; the overrides replace the description's
  // image and mask names when not empty. Key: name ":" image ":" mask. Empty when the description
  // cannot be found or parsed or the sheet cannot be loaded.
  static std::shared_ptr<TAnimatedTexture> Get(const TString& name, const TString& image,
                                               const TString& mask);
  static TString MakeKey(const TString& name, const TString& image, const TString& mask);

  // Finds the description (name, name + ".xml", name + ".anm"), parses it and applies the overrides.
  bool Resolve(const TString& image, const TString& mask);
  // Loads the sheet from folder + image (+ folder + mask), else from the bare names.
  bool LoadSheet();

  // The sheet's device data goes and comes back; the description stays in memory.
  void Unload() override;
  void Restore() override;

  // TTexture::DrawAt builds its draw record and comes here.
  void Draw(const TDrawSpec& drawSpec) override;
  // Copies from the whole sheet.
  void CopyRect(int x, int y, const TRect* source, TTexture* destination) override;
  // The current frame's size; 0 when the current frame is not a valid index.
  int32_t GetWidth() const override;
  int32_t GetHeight() const override;

  // (x, y, x + width, y + height) of a frame; all zero for an index outside the frames.
  TRect GetFrameRect(int32_t index) const;
  // A frame's registration point; (0, 0) for an index outside the frames.
  TVec2 GetFrameOrigin(int32_t index) const;

  void SetCurrentFrame(int32_t frame) { mAnim->currentFrame = frame; }
  int32_t GetCurrentFrame() const { return mAnim->currentFrame; }
  const TAnimation& GetAnimation() const { return *mAnim; }
  const std::shared_ptr<TTexture>& GetSheet() const { return mSheet; }

 private:
  const TAnimFrame* CurrentFrame() const;

  std::unique_ptr<TAnimation> mAnim;
  std::shared_ptr<TTexture> mSheet;
};
