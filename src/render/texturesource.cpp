// The installed texture services and the plain texture cache key.
#include "render/texturesource.h"

#include <utility>

namespace {
TTextureServices& Services() {
  static TTextureServices services;
  return services;
}
}  // namespace

void SetTextureServices(TTextureServices services) { Services() = std::move(services); }
const TTextureServices& GetTextureServices() { return Services(); }

TString MakeTextureCacheKey(const TString& name) {
  TString key = name;
  key.Replace("\\", "/", kStringAll);
  key += ":tex";
  return key;
}
