// TAssetManager, the process-wide registry of live assets by name. It holds weak references only,
// so a name is shared while somebody keeps its asset and forgotten when the last holder lets go.
// The platform object creates the manager and owns it; GetInstance answers it while it exists.
#pragma once
#include <memory>
#include <vector>

#include "core/stringkeymap.h"
#include "render/asset.h"

class TAssetManager {
 public:
  TAssetManager() = default;
  virtual ~TAssetManager();
  TAssetManager(const TAssetManager&) = delete;
  TAssetManager& operator=(const TAssetManager&) = delete;

  // The platform's manager; null while no platform object exists.
  static TAssetManager* GetInstance();
  // Called by the platform object when it creates its manager and with null when it destroys it.
  static void SetInstance(TAssetManager* manager);

  // Remembers the asset under the name, replacing whatever the name had.
  void Register(const TString& name, const std::shared_ptr<TAsset>& asset);
  // The live asset of that name, or empty. Looking up an absent name leaves an empty entry under
  // it, which counts until UnloadAll sweeps it.
  std::shared_ptr<TAsset> Find(const TString& name);
  void Unregister(const TString& name);
  // Entries, expired ones included.
  int GetCount() const { return static_cast<int>(mAssets.size()); }

  // In name order: drops expired entries and unloads every live asset.
  void UnloadAll();
  // In name order: restores every live asset; expired entries stay.
  void RestoreAll();

 private:
  // The live assets in name order, held for the length of a visit, so that an asset's Unload or
  // Restore may register or unregister names without disturbing the walk.
  std::vector<std::shared_ptr<TAsset>> LiveAssets(bool dropExpired);

  StringKeyMap<std::weak_ptr<TAsset>> mAssets;
};
