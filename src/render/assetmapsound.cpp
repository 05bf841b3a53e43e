// The asset map's sounds, kept apart from its textures: the sound and display interfaces of the
// platform layer cannot be included in one file.
#include <cstdlib>

#include "render/assetmap.h"
#include "sound/sound.h"

namespace assetmap_internal {

// Shared under the key of a sound loaded as TSound::Get (name, preload on, group -1).
std::shared_ptr<TAsset> ShareSound(const TString& path, const TString& options, const TString& fullName) {
  int32_t group = -1;
  int option = options.Find("group=");
  if (option >= 0) group = std::atoi(options.CStr() + option + 6);
  TString key = TString::Format("%s;%d;%d", path.CStr(), 1, group);
  return Share<TSound>(key, [&] { return TSound::Get(fullName, true, -1); });
}

std::shared_ptr<TSound> AsSound(const std::shared_ptr<TAsset>& asset) { return KindCast<TSound>(asset); }

}  // namespace assetmap_internal
