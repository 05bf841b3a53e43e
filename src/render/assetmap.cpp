// The asset map: extension search, choice of the asset class by extension, and sharing through the
// asset manager under each class's own key.
#include "render/assetmap.h"

#include <cstdlib>

#include "core/file.h"
#include "core/log.h"
#include "render/animatedtexture.h"
#include "render/assetmanager.h"
#include "render/model.h"
#include "render/textureservices.h"
#include "script/scriptcode.h"
#include "sound/sound.h"

const char* const TAssetMap::kExtensions[9] = {".xml", ".anm", ".jpg", ".jp2", ".png",
                                               ".spx", ".ogg", ".mesh", ".lua"};

namespace {

TString Slashed(const TString& name) {
  TString s = name;
  s.Replace("\\", "/", kStringAll);
  return s;
}

// The manager's asset under the key when it is of class T, else the getter's; a result is
// registered under the key.
template <class T, class Getter>
std::shared_ptr<TAsset> Share(const TString& key, Getter getter) {
  TAssetManager* assets = TAssetManager::GetInstance();
  std::shared_ptr<T> found = assets ? KindCast<T>(assets->Find(key)) : nullptr;
  if (!found) found = getter();
  if (found && assets) assets->Register(key, found);
  return found;
}

// Shared under the key of a sound loaded as TSound::Get (name, preload on, group -1).
std::shared_ptr<TAsset> ShareSound(const TString& path, const TString& options, const TString& fullName) {
  int32_t group = -1;
  int option = options.Find("group=");
  if (option >= 0) group = std::atoi(options.CStr() + option + 6);
  TString key = TString::Format("%s;%d;%d", path.CStr(), 1, group);
  return Share<TSound>(key, [&] { return TSound::Get(fullName, true, -1); });
}

}  // namespace

TAssetMap::~TAssetMap() = default;

std::shared_ptr<TAsset>& TAssetMap::Find(const TString& key) { return mAssets[key]; }

void TAssetMap::AddAsset(const TString& name, const std::shared_ptr<TAsset>& asset, bool quiet) {
  TString asGiven = Slashed(name);
  if (asset) {
    Find(asGiven) = asset;
    return;
  }
  TString fileName = asGiven;
  TString options;
  int question = asGiven.FindChar('?');
  if (question >= 0) {
    options = asGiven.SubString(question);
    fileName = asGiven.SubString(0, question);
  }
  if (!FileExists(fileName)) {
    TString found;
    for (const char* extension : kExtensions) {
      if (FileExists(fileName + extension)) {
        found = fileName + extension;
        break;
      }
    }
    if (found.IsEmpty()) {
      if (!quiet)
        LogPrintf("TAssetMap::AddAsset: Failed to find asset %s with any standard extension "
                  "(jpg/jp2/png/anm/xml/ogg/mesh)",
                  asGiven.CStr());
      return;
    }
    fileName = found;
  }
  int dot = fileName.FindChar('.', kStringBackwards);
  TString type = dot >= 0 ? fileName.SubString(dot + 1) : TString();
  TString fullName = fileName + options;

  std::shared_ptr<TAsset> loaded;
  if (type == "jpg" || type == "png" || type == "jp2") {
    loaded = Share<TTexture>(TTexture::MakeCacheKey(asGiven + options, false, false, false),
                              [&] { return GetTextureByName(fullName, 0); });
  } else if (type == "xml" || type == "anm") {
    loaded = Share<TAnimatedTexture>(TAnimatedTexture::MakeKey(asGiven + options, "", ""),
                                     [&] { return TAnimatedTexture::Get(fullName, "", ""); });
  } else if (type == "ogg" || type == "spx") {
    TString path = question >= 0 ? asGiven.SubString(0, question) : asGiven;
    loaded = ShareSound(path, options, fullName);
  } else if (type == "lua") {
    loaded = Share<TScriptCode>(asGiven, [&] { return TScriptCode::Get(fullName, "", nullptr); });
  } else if (type == "mesh") {
    loaded = Share<TModel>(asGiven, [&] { return TModel::Get(fullName); });
  }
  if (!loaded) {
    if (!quiet) LogPrintf("TAssetMap::AddAsset: Error loading %s", fullName.CStr());
    return;
  }
  Find(asGiven) = loaded;
}

void TAssetMap::AddAssets(const char* const* names) {
  for (; names && *names; ++names) AddAsset(*names, nullptr, false);
}

bool TAssetMap::HasAsset(const TString& name) { return Find(Slashed(name)) != nullptr; }

std::shared_ptr<TAsset> TAssetMap::Lookup(const TString& name) {
  TString key = Slashed(name);
  if (std::shared_ptr<TAsset> asset = Find(key)) return asset;
  if (!mAutoLoad) return nullptr;
  AddAsset(key, nullptr, false);
  return Find(key);
}

std::shared_ptr<TTexture> TAssetMap::GetTexture(const TString& name) {
  std::shared_ptr<TAsset> asset = Lookup(name);
  if (!asset) {
    LogPrintf("Texture asset not found: %s (auto load set to %s)", Slashed(name).CStr(),
              mAutoLoad ? "true" : "false");
    return nullptr;
  }
  return KindCast<TTexture>(asset);
}

std::shared_ptr<TSound> TAssetMap::GetSound(const TString& name) {
  std::shared_ptr<TAsset> asset = Lookup(name);
  if (!asset) {
    LogPrintf("Sound asset not found: %s", Slashed(name).CStr());
    return nullptr;
  }
  return KindCast<TSound>(asset);
}
