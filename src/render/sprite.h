// TSprite, a node of a drawable tree: an optional texture, its own draw record relative to its
// parent, a layer ordering it among its siblings, a visibility flag and children. Drawing composes
// the draw records down the tree; the same tree answers the screen rectangle it covers and whether a
// screen point hits a visible, opaque enough pixel of it.
#pragma once
#include <cstdint>
#include <list>
#include <memory>

#include "core/classid.h"
#include "core/rect.h"
#include "render/drawspec.h"
#include "render/texture.h"

class TSprite;

// The pixel probe behind TSprite::HitTest: renders a sprite into a small target and reads one
// pixel's alpha back. The built-in one renders through the drawing context; tests install others.
class ISpriteHitProbe {
 public:
  virtual ~ISpriteHitProbe();
  // Clears pixel (1, 1) of the shared 4 x 4 probe texture, draws the sprite with the draw record (already
  // moved so that the tested point lands on that pixel) inside a 2D block and reads the pixel's
  // alpha. False when the probe cannot be rendered into.
  virtual bool ReadAlpha(TSprite& sprite, const TDrawSpec& drawSpec, int32_t depth, uint8_t* alpha) = 0;
  // True when the display runs in its 16-bit mode (the render option "16bitmode").
  virtual bool IsSixteenBitMode() = 0;
  // The last sprite is gone: drop the shared probe texture.
  virtual void ReleaseTarget() = 0;
};

// Holds a 2D block of the drawing context open: End (or the end of the scope) closes it with
// TDrawContext::End2d when this scope opened it and it is still open.
class Draw2dScope {
 public:
  Draw2dScope();
  ~Draw2dScope() { End(); }
  Draw2dScope(const Draw2dScope&) = delete;
  Draw2dScope& operator=(const Draw2dScope&) = delete;
  bool IsOpen() const { return mOpen; }
  void End();

 private:
  bool mOpen = false;
};

class TSprite : public std::enable_shared_from_this<TSprite> {
  TM_CLASS_ROOT(TSprite)

 public:
  explicit TSprite(int32_t layer);
  virtual ~TSprite();
  TSprite(const TSprite&) = delete;
  TSprite& operator=(const TSprite&) = delete;

  // A new sprite in a shared pointer; a given texture is set with SetTexture.
  static std::shared_ptr<TSprite> Create(int32_t layer,
                                         const std::shared_ptr<TTexture>& texture = nullptr);

  // Depth 0 draws the sprite alone; every level of children gets depth - 1.
  virtual void Draw(const TDrawSpec& parentSpec, int32_t depth);
  virtual bool RemoveChild(const std::shared_ptr<TSprite>& child);
  // Screen rectangle of the sprite and (depth permitting) its children; the neutral rectangle when
  // neither has anything to cover.
  virtual TRect GetBounds(const TDrawSpec& parentSpec, int32_t depth);
  // A negative threshold tests the rectangle only.
  virtual bool HitTest(int32_t x, int32_t y, const TDrawSpec& parentSpec, int32_t threshold,
                       int32_t depth);
  virtual void SetTexture(const std::shared_ptr<TTexture>& texture) { mTexture = texture; }
  // Stable sort by layer: equal layers keep the order they were added in.
  virtual void SortChildren();

  void AddChild(const std::shared_ptr<TSprite>& child);
  void RemoveAllChildren();
  static bool LayerLess(const std::shared_ptr<TSprite>& a, const std::shared_ptr<TSprite>& b) {
    return a->mLayer < b->mLayer;
  }

  void SetVisible(bool visible) { mVisible = visible; }
  bool IsVisible() const { return mVisible; }
  const std::shared_ptr<TTexture>& GetTexture() const { return mTexture; }
  int32_t GetLayer() const { return mLayer; }
  TSprite* GetParent() const { return mParent; }
  const std::list<std::shared_ptr<TSprite>>& GetChildren() const { return mChildren; }
  TDrawSpec& GetSpec() { return mSpec; }
  const TDrawSpec& GetSpec() const { return mSpec; }
  void SetSpec(const TDrawSpec& drawSpec) { mSpec = drawSpec; }

  // Sprites alive in the process (also kept in the configuration key "current_sprite_count").
  static int32_t GetLiveCount();
  // Installs a pixel probe (not owned); null goes back to the built-in one.
  static void SetHitProbe(ISpriteHitProbe* probe);

 protected:
  // What the sprite itself shows, between the children below layer 0 and the rest: the texture.
  // Kinds of sprite that show something else (the particle effects) draw it here.
  virtual void DrawContent(const TDrawSpec& drawSpec);

 private:
  TSprite* mParent = nullptr;
  bool mVisible = true;
  int32_t mLayer;
  std::shared_ptr<TTexture> mTexture;
  TDrawSpec mSpec;
  std::list<std::shared_ptr<TSprite>> mChildren;
};
