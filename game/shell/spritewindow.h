// The sprite window: an ordered list of named sprites under one root sprite, drawn in one pass.
// Scene screens, the sidebar and the mini-games keep their pictures and clickable objects in one;
// an entry's small integer kind tells a click handler what was hit, its id detaches groups at once.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "core/string.h"
#include "render/drawspec.h"
#include "ui/window.h"

class TSprite;

// Draws a sprite tree in the frame's 2D block. A window draws inside the frame's block, which is
// already open; a block is opened (and closed again) only where a frame runs without one, never
// nested.
void DrawSpriteTree(TSprite& root);

struct TSpriteEntry {
  std::shared_ptr<TSprite> sprite;
  TString name;
  bool clickable = false;  // only clickable entries can be hit by a click
  bool active = false;     // set together with clickable by the makers of clickable entries
  int32_t id = 0;          // tag for detaching a group of entries at once
  float rotation = 0;      // the angle last applied by SetSpriteRotation, in radians
  int32_t kind = 0;        // what a click handler was hit by; its meaning belongs to the screen
};

class TSpriteWindow : public TWindow {
  TM_CLASS(TSpriteWindow, TWindow)

 public:
  TSpriteWindow();
  ~TSpriteWindow() override;

  void Draw() override;

  // Appends a copy of the entry (sharing its sprite) and hangs its sprite under the root.
  void AddSpriteEntry(const TSpriteEntry& entry);
  // Hangs a sprite under the root without an entry.
  void AttachSprite(const std::shared_ptr<TSprite>& sprite);
  // Removes the first entry of the name and detaches its sprite.
  void RemoveSprite(const TString& name);
  // Detaches from the root the sprite of every entry with the id; the entries stay.
  void DetachSpritesWithId(int32_t id);
  // The index of the last entry of the name.
  bool FindSprite(const TString& name, int32_t* index) const;
  // The entry at the index; an empty entry for an index outside the list.
  TSpriteEntry GetSpriteEntry(int32_t index) const;
  int32_t GetSpriteCount() const { return static_cast<int32_t>(mEntries.size()); }
  const std::shared_ptr<TSprite>& GetRootSprite() const { return mRoot; }
  TDrawSpec& GetRootDrawSpec();

  // Position of the last entry of the name, truncated; (-1, -1) when there is none.
  void GetSpritePosition(const TString& name, int32_t* x, int32_t* y) const;
  // The setters act on every entry of the name.
  void SetSpritePosition(const TString& name, int32_t x, int32_t y);
  void SetSpriteRotation(const TString& name, float radians);
  void SetSpriteTexture(const TString& name, const TString& textureName);
  void SetSpriteVisible(const TString& name, bool visible);
  // Entries of the name take part in hit tests only while clickable (and active).
  void SetSpriteClickable(const TString& name, bool clickable);
  // The entry's last word (`kind`), which a screen may use as a mark of its own.
  void SetSpriteKind(int32_t index, int32_t kind);

  // The clickable entry under the point (window coordinates) that no later opaque entry covers.
  bool HitTest(TPoint point, int32_t* index) const;
  // The name of the first clickable entry with a visible pixel at the point; "" when none.
  TString GetSpriteNameAt(TPoint point) const;

  const TString& GetCurrentTextureMask() const { return mCurrentTextureMask; }
  void SetCurrentTextureMask(const TString& mask) { mCurrentTextureMask = mask; }

 private:
  TString LuaGetCurrentTextureMask() { return mCurrentTextureMask; }

  std::vector<TSpriteEntry> mEntries;  // drawing order: later entries lie on top
  std::shared_ptr<TSprite> mRoot;
  TString mCurrentTextureMask;
};
