// TTextureSource: what sprites, animations and asset maps need of a texture (drawing with a spec
// and its size), and the two texture-side services they call (getting a shared texture by name,
// loading an animation's sheet). The texture class implements the interface and installs the
// services at start-up; tests install recording stand-ins.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>

#include "core/string.h"
#include "render/asset.h"
#include "render/drawspec.h"

class TTextureSource : public TAsset {
  TM_CLASS(TTextureSource, TAsset)

 public:
  // Draws the image (or the part named by the spec's source rectangle) as the spec says.
  virtual void Draw(const TDrawSpec& spec) = 0;
  // Size of the image in pixels.
  virtual int32_t GetWidth() const = 0;
  virtual int32_t GetHeight() const = 0;
};

struct TTextureServices {
  // The shared texture of a file name with load flags (1 mipmapped, 2 force alpha, 4 no alpha),
  // found through the asset manager or loaded and registered; empty when it cannot be loaded.
  std::function<std::shared_ptr<TTextureSource>(const TString& name, uint32_t flags)> get;
  // A new sheet texture, alpha on and automatic alpha off, loaded from an image and an optional
  // mask file (empty: the image's own alpha); empty when the files cannot be loaded.
  std::function<std::shared_ptr<TTextureSource>(const TString& image, const TString& mask)> loadSheet;
};

// Installs the services (replacing any); empty members mean "cannot load".
void SetTextureServices(TTextureServices services);
const TTextureServices& GetTextureServices();

// The asset-manager key of a texture loaded without flags: the name with every backslash turned
// into a forward slash, then ":tex".
TString MakeTextureCacheKey(const TString& name);
