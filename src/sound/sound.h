// TSound, the asset a caller gets for a sound file name ("path?group=N" names its sound group): one
// data source shared by every play, any number of simultaneous plays (TSoundInstance), each on its
// own stream, and stopping them.
#pragma once
#include <cstdint>
#include <memory>
#include <set>

#include "core/string.h"
#include "render/asset.h"
#include "render/assetmanager.h"
#include "sound/soundinstance.h"
#include "sound/soundstream.h"

class TSound;
class TSoundDataSource;

// What a sound shares with its streams: the data source, the group and the playing instances.
class TSoundData : public TStreamNotify {
 public:
  // A stream of this data has ended and is being destroyed: its instance leaves the playing set.
  void OnStreamEnded(TSoundInstance* instance) override;

  std::set<std::shared_ptr<TSoundInstance>> mInstances;  // ordered by address
  std::shared_ptr<TSoundDataSource> mSource;
  int32_t mGroup = 0;
  TString mFileName;  // without options
  TSound* mSound = nullptr;  // cleared when the sound dies
};

class TSound : public TAsset {
  TM_CLASS(TSound, TAsset)

 public:
  // The sound for the name (cached by name, preload flag and group); empty when no source is found.
  // Preloading decodes short sounds into memory; otherwise the sound streams from its file.
  static std::shared_ptr<TSound> Get(const TString& name, bool preload, int32_t group);

  ~TSound() override;

  // Starts a play; empty on failure.
  std::shared_ptr<TSoundInstance> Play(bool loop);
  // Stops one play; true for a non-null instance.
  bool StopInstance(const std::shared_ptr<TSoundInstance>& instance);
  // Stops every play; true when any was stopped.
  bool Stop();
  // Length of the data in seconds; 0 without data.
  float GetLength();

  const std::shared_ptr<TSoundData>& GetData() const { return mData; }

 private:
  std::shared_ptr<TSoundData> mData;
};
