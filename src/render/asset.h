// TAsset, the base of every named, shareable resource (textures, meshes, sounds, compiled scripts).
// An asset is always held through shared pointers and knows its own (shared-from-this); the asset
// manager finds live assets by name and tells them to drop and rebuild their device data.
#pragma once
#include <memory>

#include "core/classid.h"

class TAsset : public std::enable_shared_from_this<TAsset> {
  TM_CLASS_ROOT(TAsset)

 public:
  TAsset() = default;
  virtual ~TAsset();
  TAsset(const TAsset&) = delete;
  TAsset& operator=(const TAsset&) = delete;

  // Releases what lives in video memory (the device is lost or being replaced). Nothing here.
  virtual void Unload() {}
  // Rebuilds it once a new device is ready. Nothing here.
  virtual void Restore() {}
};
