// The texture services: installed stand-ins, else the texture class's loaders.
#include "render/textureservices.h"

#include <utility>

#include "render/texturedata.h"

namespace {
TTextureServices& Services() {
  static TTextureServices services;
  return services;
}
}  // namespace

void SetTextureServices(TTextureServices services) { Services() = std::move(services); }

std::shared_ptr<TTexture> GetTextureByName(const TString& name, int flags) {
  if (Services().get) return Services().get(name, flags);
  return TTexture::Get(name, flags);
}

std::shared_ptr<TTexture> LoadSheetTexture(const TString& image, const TString& mask) {
  if (Services().loadSheet) return Services().loadSheet(image, mask);
  auto sheet = std::make_shared<TTexture>();
  TTextureData* data = sheet->GetData();
  if (!data) return nullptr;
  data->mFlags = static_cast<uint8_t>((data->mFlags | kTexAlpha) & ~kTexAutoAlpha);
  if (!data->Load(image, mask)) return nullptr;
  return sheet;
}
