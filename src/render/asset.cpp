// Assets and the asset manager (see asset.h). Main thread only.
#include "render/asset.h"

namespace {
TAssetManager* gInstance = nullptr;
}  // namespace

TAsset::~TAsset() = default;

TClassId TAsset::ClassId() {
  static const char marker = 0;
  return &marker;
}

TAssetManager::~TAssetManager() = default;
TAssetManager* TAssetManager::GetInstance() { return gInstance; }
void TAssetManager::SetInstance(TAssetManager* manager) { gInstance = manager; }

void TAssetManager::Register(const TString& name, const std::shared_ptr<TAsset>& asset) { mAssets[name] = asset; }

std::shared_ptr<TAsset> TAssetManager::Find(const TString& name) { return mAssets[name].lock(); }

void TAssetManager::Unregister(const TString& name) { mAssets.erase(name); }

void TAssetManager::UnloadAll() {
  for (auto it = mAssets.begin(); it != mAssets.end();) {
    if (std::shared_ptr<TAsset> asset = it->second.lock()) {
      asset->Unload();
      ++it;
    } else {
      it = mAssets.erase(it);
    }
  }
}

void TAssetManager::RestoreAll() {
  for (auto& [name, weak] : mAssets)
    if (std::shared_ptr<TAsset> asset = weak.lock()) asset->Restore();
}
