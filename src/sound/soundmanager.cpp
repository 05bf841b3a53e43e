// The sound manager: device set-up, the stream lists, the streaming thread with its 500 ms refill
// pacing, and the master and group volumes.
#include "sound/soundmanager.h"

#include <algorithm>
#include <chrono>
#include <vector>

#include "core/log.h"
#include "sound/soundstream.h"

namespace {
std::atomic<TSoundManager*> gPlatformSoundManager{nullptr};
constexpr const char* kUnit = ".\\soundmanager";
constexpr uint32_t kRefillPacingMs = 500;
constexpr auto kThreadWake = std::chrono::milliseconds(50);
}  // namespace

TSoundManager* GetPlatformSoundManager() { return gPlatformSoundManager.load(); }
void SetPlatformSoundManager(TSoundManager* manager) { gPlatformSoundManager.store(manager); }

TSoundManager::TSoundManager() : mDevice(std::make_unique<TDeviceState>()) {}

TSoundManager::~TSoundManager() {
  {
    std::lock_guard<std::recursive_mutex> lock(mDevice->mMutex);
    mDevice->mStop = true;
  }
  if (mDevice->mThread.joinable()) mDevice->mThread.join();
  mShuttingDown = true;
  std::lock_guard<std::recursive_mutex> lock(mDevice->mMutex);
  mDevice->mFinished.clear();
  mDevice->mPlaying.clear();
  if (mDevice->mPrimary) mDevice->mPrimary->Release();
  if (mDevice->mDirectSound) mDevice->mDirectSound->Release();
  mDevice->mPrimary = nullptr;
  mDevice->mDirectSound = nullptr;
}

void TSoundManager::ReportDxError(HRESULT result, const char* unit, int line) {
  LogDxError("", result, unit, line);
  // The platform's reaction writes configuration and files, which belong to the main thread.
  if (result == kDxOutOfVideoMemory) mOutOfVideoMemorySeen = true;
}

bool TSoundManager::Init(HWND window) {
  if (mInitialised) return true;
  // A failed Init may be tried again: the thread is started once, the device objects anew.
  if (!mDevice->mThread.joinable()) mDevice->mThread = std::thread([this] { ThreadMain(); });
  {
    std::lock_guard<std::recursive_mutex> lock(mDevice->mMutex);  // the thread reads the clock
    mPacing.Reset();
    mPacing.Start();
  }

  IDirectSound* ds = nullptr;
  HRESULT hr = DirectSoundCreate(nullptr, &ds, nullptr);
  if (FAILED(hr)) {
    ReportDxError(hr, kUnit, 163);
    return false;
  }
  DSCAPS caps{};
  caps.dwSize = sizeof(caps);
  ds->GetCaps(&caps);
  hr = ds->SetCooperativeLevel(window, DSSCL_PRIORITY);
  if (FAILED(hr)) {
    ReportDxError(hr, kUnit, 178);
    ds->Release();
    return false;
  }
  DSBUFFERDESC desc{};
  desc.dwSize = kDsBufferDescSize32;
  desc.dwFlags = DSBCAPS_PRIMARYBUFFER;
  IDirectSoundBuffer* primary = nullptr;
  hr = ds->CreateSoundBuffer(&desc, &primary, nullptr);
  if (FAILED(hr)) {
    ReportDxError(hr, kUnit, 183);
    ds->Release();
    return false;
  }
  WAVEFORMATEX format{};
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = 2;
  format.nSamplesPerSec = 44100;
  format.nAvgBytesPerSec = 176400;
  format.nBlockAlign = 4;
  format.wBitsPerSample = 16;
  primary->SetFormat(&format);  // the device converts when it cannot take this format

  std::lock_guard<std::recursive_mutex> lock(mDevice->mMutex);
  mDevice->mDirectSound = ds;
  mDevice->mPrimary = primary;
  mInitialised = true;
  return true;
}

void TSoundManager::ThreadMain() {
  while (!mDevice->mStop) {
    {
      std::lock_guard<std::recursive_mutex> lock(mDevice->mMutex);
      if (!mDevice->mStop) StepStreams(true);
    }
    std::this_thread::sleep_for(kThreadWake);
  }
}

void TSoundManager::AddStream(const std::shared_ptr<TSoundStream>& stream) {
  std::lock_guard<std::recursive_mutex> lock(mDevice->mMutex);
  mDevice->mPlaying.push_back(stream);
}

void TSoundManager::RemoveStream(TSoundStream* stream) {
  auto& playing = mDevice->mPlaying;
  auto it = std::find_if(playing.begin(), playing.end(), [stream](const auto& s) { return s.get() == stream; });
  if (it == playing.end()) return;
  mDevice->mFinished.push_back(*it);
  playing.erase(it);
}

void TSoundManager::ForgetStream(TSoundStream* stream) {
  std::lock_guard<std::recursive_mutex> lock(mDevice->mMutex);
  auto same = [stream](const auto& s) { return s.get() == stream; };
  // Destroy outside the list operations: a stream's destructor may come back here.
  std::vector<std::shared_ptr<TSoundStream>> dropped;
  for (auto* list : {&mDevice->mPlaying, &mDevice->mFinished}) {
    for (auto it = list->begin(); it != list->end();) {
      if (same(*it)) {
        dropped.push_back(*it);
        it = list->erase(it);
      } else {
        ++it;
      }
    }
  }
}

void TSoundManager::Update() {
  {
    std::lock_guard<std::recursive_mutex> lock(mDevice->mMutex);
    std::list<std::shared_ptr<TSoundStream>> finished;
    finished.swap(mDevice->mFinished);
    finished.clear();
  }
  if (mOutOfVideoMemorySeen.exchange(false) && mOutOfVideoMemory) mOutOfVideoMemory();
}

float TSoundManager::GetGroupVolume(int32_t group) {
  std::lock_guard<std::recursive_mutex> lock(mDevice->mMutex);
  auto it = mDevice->mGroupFactors.find(group);
  return it == mDevice->mGroupFactors.end() ? mDevice->mMasterVolume : mDevice->mMasterVolume * it->second;
}

void TSoundManager::ApplyVolume(TSoundStream* stream) {
  float volume = GetGroupVolume(stream->GetGroup());
  // Moving away first makes the device take the value even when it equals the last one.
  stream->SetVolume(volume < 0.5f ? volume + 0.05f : volume - 0.05f);
  stream->SetVolume(volume);
}

void TSoundManager::ApplyVolumes() {
  std::lock_guard<std::recursive_mutex> lock(mDevice->mMutex);
  for (const auto& stream : mDevice->mPlaying) ApplyVolume(stream.get());
}

void TSoundManager::SetVolume(float volume) {
  {
    std::lock_guard<std::recursive_mutex> lock(mDevice->mMutex);
    mDevice->mMasterVolume = volume;
  }
  ApplyVolumes();
}

float TSoundManager::GetVolume() {
  std::lock_guard<std::recursive_mutex> lock(mDevice->mMutex);
  return mDevice->mMasterVolume;
}

void TSoundManager::SetGroupVolume(int32_t group, float factor) {
  {
    std::lock_guard<std::recursive_mutex> lock(mDevice->mMutex);
    mDevice->mGroupFactors[group] = factor;
  }
  ApplyVolumes();
}

void TSoundManager::SetAppActive(bool active) {
  std::lock_guard<std::recursive_mutex> lock(mDevice->mMutex);
  mAppActive = active;
  // A copy: resuming a stream must not disturb the walk.
  std::vector<std::shared_ptr<TSoundStream>> streams(mDevice->mPlaying.begin(), mDevice->mPlaying.end());
  for (const auto& stream : streams) {
    stream->SetSystemPause(!active);
    if (active) ApplyVolumes();
  }
}

void TSoundManager::StepStreams(bool fromThread) { UpdateStreams(fromThread); }

void TSoundManager::UpdateStreams(bool fromThread) {
  std::lock_guard<std::recursive_mutex> lock(mDevice->mMutex);
  if (mPacing.GetTime() <= kRefillPacingMs) return;
  mPacing.Reset();
  mPacing.Start();
  // Walk a snapshot in list order; an ended stream leaves the list and the walk goes on.
  std::vector<std::shared_ptr<TSoundStream>> streams(mDevice->mPlaying.begin(), mDevice->mPlaying.end());
  for (const auto& stream : streams) {
    if (stream->Refill(false)) continue;
    if (fromThread)
      RemoveStream(stream.get());
    else
      ForgetStream(stream.get());
  }
}

size_t TSoundManager::GetPlayingCount() {
  std::lock_guard<std::recursive_mutex> lock(mDevice->mMutex);
  return mDevice->mPlaying.size();
}

size_t TSoundManager::GetFinishedCount() {
  std::lock_guard<std::recursive_mutex> lock(mDevice->mMutex);
  return mDevice->mFinished.size();
}
