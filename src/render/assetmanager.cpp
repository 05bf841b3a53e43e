// TAssetManager: the weak name-to-asset map and the device-loss walks over it.
#include "render/assetmanager.h"

#include <vector>

namespace {
TAssetManager* gAssetManager = nullptr;
}

TAssetManager::~TAssetManager() {
  if (gAssetManager == this) gAssetManager = nullptr;
}

TAssetManager* TAssetManager::GetInstance() { return gAssetManager; }

void TAssetManager::SetInstance(TAssetManager* manager) { gAssetManager = manager; }

void TAssetManager::Register(const TString& name, const std::shared_ptr<TAsset>& asset) {
  mAssets[name] = asset;
}

std::shared_ptr<TAsset> TAssetManager::Find(const TString& name) { return mAssets[name].lock(); }

void TAssetManager::Unregister(const TString& name) { mAssets.erase(name); }

std::vector<std::shared_ptr<TAsset>> TAssetManager::LiveAssets(bool dropExpired) {
  std::vector<std::shared_ptr<TAsset>> live;
  for (auto it = mAssets.begin(); it != mAssets.end();) {
    if (std::shared_ptr<TAsset> asset = it->second.lock()) {
      live.push_back(std::move(asset));
      ++it;
    } else if (dropExpired) {
      it = mAssets.erase(it);
    } else {
      ++it;
    }
  }
  return live;
}

void TAssetManager::UnloadAll() {
  for (const std::shared_ptr<TAsset>& asset : LiveAssets(true)) asset->Unload();
}

void TAssetManager::RestoreAll() {
  for (const std::shared_ptr<TAsset>& asset : LiveAssets(false)) asset->Restore();
}
