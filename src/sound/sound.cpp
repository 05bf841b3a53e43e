// Sounds and their plays (see sound.h).
#include "sound/sound.h"

#include <cstdlib>
#include <vector>

#include "core/log.h"
#include "sound/sounddatasource.h"
#include "sound/soundmanager.h"

namespace {
constexpr float kStreamSeconds = 2.0f;  // device buffer length of every play
}  // namespace

void TSoundData::OnStreamEnded(TSoundInstance* instance) {
  for (auto it = mInstances.begin(); it != mInstances.end(); ++it) {
    if (it->get() == instance) {
      mInstances.erase(it);
      return;
    }
  }
}

std::shared_ptr<TSound> TSound::Get(const TString& name, bool preload, int32_t group) {
  if (name.IsEmpty()) return nullptr;
  TString path = name;
  int question = name.FindChar('?');
  if (question >= 0) {
    int option = name.Find("group=");
    if (option >= 0) group = std::atoi(name.CStr() + option + 6);
    path = name.SubString(0, question);
  }
  TString key = TString::Format("%s;%d;%d", path.CStr(), preload ? 1 : 0, group);
  TAssetManager* assets = TAssetManager::GetInstance();
  if (assets) {
    if (auto found = KindCast<TSound>(assets->Find(key))) return found;
  }
  auto sound = std::make_shared<TSound>();
  sound->mData = std::make_shared<TSoundData>();
  sound->mData->mSound = sound.get();
  if (assets) assets->Register(key, sound);
  sound->mData->mFileName = path;
  sound->mData->mGroup = group;
  std::shared_ptr<TSoundDataSource> source = SoundDataSourceRegistry::Find(path, !preload);
  if (!source) {
    LogPrintf("TSound::Get: No valid sound file found: %s", path.CStr());
    return nullptr;
  }
  sound->mData->mSource = std::move(source);
  return sound;
}

TSound::~TSound() {
  TSoundLock lock;
  if (!mData) return;
  mData->mSound = nullptr;
  Stop();
  mData.reset();
}

std::shared_ptr<TSoundInstance> TSound::Play(bool loop) {
  if (!mData || !mData->mSource) {
    LogPrintf("Play of uninitialized sound");
    return nullptr;
  }
  TSoundManager* manager = GetPlatformSoundManager();
  if (!manager) {
    LogPrintf("No Sound Manager");
    return nullptr;
  }
  TSoundLock lock(manager);
  std::shared_ptr<TSoundDataSource> source = mData->mSource;
  auto stream = TSoundStream::Create(manager, std::make_unique<TStreamSpooler>(source), loop, mData->mGroup, mData);
  auto instance = std::make_shared<TSoundInstance>(stream.get(), std::static_pointer_cast<TSound>(shared_from_this()));
  mData->mInstances.insert(instance);
  stream->CreateBuffer(source->GetRate(), source->GetChannels(), 16, kStreamSeconds);
  if (loop)
    stream->Start(false);
  else if (source->GetLength() < stream->GetBufferLength())
    stream->Start(true);  // fits in the buffer: plays once without refills
  else
    stream->Start(false);  // refilled until its data ends
  stream->SetInstance(instance);
  return instance;
}

bool TSound::StopInstance(const std::shared_ptr<TSoundInstance>& instance) {
  if (!instance) return false;
  TSoundLock lock;
  if (mData) mData->mInstances.erase(instance);
  TSoundStream* stream = instance->GetStream();
  if (stream && mData && stream->GetOwner() == mData.get()) stream->Stop(false);
  return true;
}

bool TSound::Stop() {
  TSoundLock lock;
  if (!mData) return false;
  // A copy: stopping changes the set.
  std::vector<std::shared_ptr<TSoundInstance>> playing(mData->mInstances.begin(), mData->mInstances.end());
  bool any = false;
  for (const auto& instance : playing) any = StopInstance(instance) || any;
  return any;
}

float TSound::GetLength() {
  if (!mData || !mData->mSource) return 0.0f;
  return static_cast<float>(mData->mSource->GetLength());
}
