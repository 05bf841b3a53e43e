// The two texture services that animations and asset maps call: getting a shared texture by file
// name, and loading an animation's sheet. By default they are the texture class's own loaders;
// tests install stand-ins that need no display.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>

#include "core/string.h"
#include "render/texture.h"

struct TTextureServices {
  // The shared texture of a file name with TTexture::Get's flags; empty when it cannot be loaded.
  std::function<std::shared_ptr<TTexture>(const TString& name, int flags)> get;
  // A new sheet texture, alpha on and automatic alpha off, loaded from an image and an optional
  // mask file (empty: the image's own alpha); empty when the files cannot be loaded.
  std::function<std::shared_ptr<TTexture>(const TString& image, const TString& mask)> loadSheet;
};

// Installs stand-ins (replacing any); an empty member falls back to the texture class.
void SetTextureServices(TTextureServices services);

std::shared_ptr<TTexture> GetTextureByName(const TString& name, int flags);
std::shared_ptr<TTexture> LoadSheetTexture(const TString& image, const TString& mask);
