// TAsset, the base of every named shareable resource (textures, meshes, sounds, compiled scripts),
// with the run-time class identities assets use, and TAssetManager, which remembers the live assets
// by name without keeping any alive.
#pragma once
#include <map>
#include <memory>

#include "core/string.h"

// A class's identity: the address of its static ClassId function's marker.
using TClassId = const void*;

class TAsset : public std::enable_shared_from_this<TAsset> {
 public:
  virtual const char* GetClassName() const { return "TAsset"; }
  virtual bool IsKindOf(TClassId id) const { return id == ClassId(); }
  virtual ~TAsset();
  // Releases what lives on the display device; nothing in the base.
  virtual void Unload() {}
  // Rebuilds it on a new device; nothing in the base.
  virtual void Restore() {}

  static TClassId ClassId();
};

// Down-cast by class identity: empty unless the object is of the target's kind; the result shares
// ownership with every other owner of the object.
template <class T>
std::shared_ptr<T> AssetCast(const std::shared_ptr<TAsset>& asset) {
  if (!asset || !asset->IsKindOf(T::ClassId())) return nullptr;
  return std::static_pointer_cast<T>(asset);
}

class TAssetManager {
 public:
  virtual ~TAssetManager();
  // The platform's asset manager; null while there is none.
  static TAssetManager* GetInstance();
  // The platform sets it when it makes the manager and clears it before destroying it.
  static void SetInstance(TAssetManager* manager);

  void Register(const TString& name, const std::shared_ptr<TAsset>& asset);
  // The live asset of that name, or empty; an absent name is left as an empty entry.
  std::shared_ptr<TAsset> Find(const TString& name);
  void Unregister(const TString& name);
  size_t GetCount() const { return mAssets.size(); }
  // Expired entries are removed; live assets unload their device data.
  void UnloadAll();
  void RestoreAll();

 private:
  std::map<TString, std::weak_ptr<TAsset>> mAssets;
};
