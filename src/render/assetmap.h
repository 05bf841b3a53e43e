// TAssetMap: a small owning collection of assets that one user (a window, a particle system) loads
// by bare names and fetches later by the same names. A name without an extension is found by
// trying a fixed list of extensions; the extension picks the asset class; already loaded assets
// are shared through the asset manager. Unlike the manager, the map keeps its assets alive.
#pragma once
#include <map>
#include <memory>

#include "core/string.h"
#include "render/asset.h"

class TSound;
class TTexture;


class TAssetMap {
 public:
  TAssetMap() = default;
  virtual ~TAssetMap();
  TAssetMap(const TAssetMap&) = delete;
  TAssetMap& operator=(const TAssetMap&) = delete;

  // With an asset: stores it under the name. Without: finds the file, loads the asset and stores
  // it under the name as given (backslashes turned into slashes, load options after "?" kept).
  // Quiet suppresses the two failure lines.
  void AddAsset(const TString& name, const std::shared_ptr<TAsset>& asset = nullptr,
                bool quiet = false);
  // AddAsset for each name of a list ended by a null pointer.
  void AddAssets(const char* const* names);
  // These three leave an empty entry behind for a name that was never added.
  bool HasAsset(const TString& name);
  std::shared_ptr<TTexture> GetTexture(const TString& name);
  std::shared_ptr<TSound> GetSound(const TString& name);

  // The entry of a key, created empty when absent.
  std::shared_ptr<TAsset>& Find(const TString& key);

  void SetAutoLoad(bool on) { mAutoLoad = on; }
  bool GetAutoLoad() const { return mAutoLoad; }
  int GetCount() const { return static_cast<int>(mAssets.size()); }

  // The extensions tried, in order, for a name whose file does not exist as given.
  static const char* const kExtensions[9];

 private:
  // Looks the name up and, with auto-load on, loads it once when the entry is empty.
  std::shared_ptr<TAsset> Lookup(const TString& name);

  std::map<TString, std::shared_ptr<TAsset>> mAssets;
  bool mAutoLoad = false;
};
