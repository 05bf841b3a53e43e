// The sprite window: entry bookkeeping, the one-pass draw of the root sprite and the hit tests that
// find which clickable sprite lies under the pointer.
#include "shell/spritewindow.h"

#include "render/drawcontext.h"
#include "render/sprite.h"
#include "render/texture.h"
#include "ui/windowscript.h"
#include "ui/windowmanager.h"

namespace {
// Pixel thresholds: any ink at all, enough ink to count as a hit, fully opaque.
constexpr int32_t kAnyInk = 1;
constexpr int32_t kHitInk = 5;
constexpr int32_t kOpaque = 255;
}  // namespace

TSpriteWindow::TSpriteWindow() : mRoot(TSprite::Create(0)) {
  if (TWindowScript* script = GetWindowManager()->GetWindowScript())
    GetScriptBindings().Bind(script->GetState(), "GetCurrentTextureMask", this,
                             &TSpriteWindow::LuaGetCurrentTextureMask);
}

TSpriteWindow::~TSpriteWindow() {
  // Entry sprites may be shared with animations; they must not keep pointing at our root.
  mRoot->RemoveAllChildren();
}

void DrawSpriteTree(TSprite& root) {
  TDrawContext* context = TDrawContext::Find();
  const bool opened = context && context->IsDrawing() && !context->IsIn2d() && context->Begin2d();
  root.Draw(TDrawSpec(), -1);
  if (opened) context->End2d();
}

void TSpriteWindow::Draw() { DrawSpriteTree(*mRoot); }

void TSpriteWindow::AddSpriteEntry(const TSpriteEntry& entry) {
  mEntries.push_back(entry);
  if (entry.sprite) mRoot->AddChild(entry.sprite);
}

void TSpriteWindow::AttachSprite(const std::shared_ptr<TSprite>& sprite) {
  if (sprite) mRoot->AddChild(sprite);
}

void TSpriteWindow::RemoveSprite(const TString& name) {
  for (auto it = mEntries.begin(); it != mEntries.end(); ++it) {
    if (!(it->name == name)) continue;
    if (it->sprite) mRoot->RemoveChild(it->sprite);
    mEntries.erase(it);
    return;
  }
}

void TSpriteWindow::DetachSpritesWithId(int32_t id) {
  for (const TSpriteEntry& entry : mEntries)
    if (entry.id == id && entry.sprite) mRoot->RemoveChild(entry.sprite);
}

bool TSpriteWindow::FindSprite(const TString& name, int32_t* index) const {
  for (size_t i = mEntries.size(); i-- > 0;) {
    if (mEntries[i].name == name) {
      if (index) *index = static_cast<int32_t>(i);
      return true;
    }
  }
  return false;
}

TSpriteEntry TSpriteWindow::GetSpriteEntry(int32_t index) const {
  if (index < 0 || index >= GetSpriteCount()) return TSpriteEntry();
  return mEntries[static_cast<size_t>(index)];
}

TDrawSpec& TSpriteWindow::GetRootDrawSpec() { return mRoot->GetSpec(); }

void TSpriteWindow::GetSpritePosition(const TString& name, int32_t* x, int32_t* y) const {
  *x = *y = -1;
  int32_t index = 0;
  if (!FindSprite(name, &index)) return;
  const auto& sprite = mEntries[static_cast<size_t>(index)].sprite;
  if (!sprite) return;
  TVec2 p = sprite->GetSpec().transform.GetTranslation();
  *x = static_cast<int32_t>(p.x);
  *y = static_cast<int32_t>(p.y);
}

void TSpriteWindow::SetSpritePosition(const TString& name, int32_t x, int32_t y) {
  for (TSpriteEntry& entry : mEntries)
    if (entry.name == name && entry.sprite)
      entry.sprite->GetSpec().transform.SetTranslation(TVec2(static_cast<float>(x), static_cast<float>(y)));
}

void TSpriteWindow::SetSpriteRotation(const TString& name, float radians) {
  for (TSpriteEntry& entry : mEntries) {
    if (!(entry.name == name) || !entry.sprite) continue;
    TMat3& m = entry.sprite->GetSpec().transform;
    m.Rotate(-entry.rotation);
    m.Rotate(radians);
    entry.rotation = radians;
  }
}

void TSpriteWindow::SetSpriteTexture(const TString& name, const TString& textureName) {
  for (TSpriteEntry& entry : mEntries)
    if (entry.name == name && entry.sprite) entry.sprite->SetTexture(TTexture::Get(textureName, 0));
}

void TSpriteWindow::SetSpriteVisible(const TString& name, bool visible) {
  for (TSpriteEntry& entry : mEntries)
    if (entry.name == name && entry.sprite) entry.sprite->SetVisible(visible);
}

void TSpriteWindow::SetSpriteClickable(const TString& name, bool clickable) {
  for (TSpriteEntry& entry : mEntries)
    if (entry.name == name) entry.clickable = entry.active = clickable;
}

void TSpriteWindow::SetSpriteKind(int32_t index, int32_t kind) {
  if (index >= 0 && static_cast<size_t>(index) < mEntries.size()) mEntries[static_cast<size_t>(index)].kind = kind;
}

bool TSpriteWindow::HitTest(TPoint point, int32_t* index) const {
  const TDrawSpec& rootSpec = mRoot->GetSpec();
  int32_t found = -1;
  for (size_t i = 0; i < mEntries.size(); ++i) {
    const TSpriteEntry& entry = mEntries[i];
    // A detached sprite is not on screen and cannot be hit.
    if (!entry.sprite || !entry.sprite->GetParent()) continue;
    // Strictly inside the sprite's rectangle on screen. For a sprite placed by its corner that is
    // its position plus its size; taking the rectangle itself keeps centred sprites and a moved
    // root right too.
    TRect bounds = entry.sprite->GetBounds(rootSpec, 0);
    if (!(bounds.left < point.x && point.x < bounds.right && bounds.top < point.y && point.y < bounds.bottom))
      continue;
    if (!entry.sprite->HitTest(point.x, point.y, rootSpec, kHitInk, 0)) continue;
    if (entry.clickable) {
      found = static_cast<int32_t>(i);
    } else if (entry.sprite->HitTest(point.x, point.y, rootSpec, kOpaque, 0)) {
      found = -1;  // an opaque picture lies over what was hit before
    }
  }
  if (found < 0) return false;
  if (index) *index = found;
  return true;
}

TString TSpriteWindow::GetSpriteNameAt(TPoint point) const {
  const TDrawSpec& rootSpec = mRoot->GetSpec();
  for (const TSpriteEntry& entry : mEntries) {
    if (!entry.clickable || !entry.sprite || !entry.sprite->GetParent()) continue;
    if (entry.sprite->HitTest(point.x, point.y, rootSpec, kAnyInk, 0)) return entry.name;
  }
  return TString();
}
