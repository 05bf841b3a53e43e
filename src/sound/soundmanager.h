// TSoundManager: the single owner of the sound device. It opens DirectSound with a CD-quality
// primary buffer, keeps the playing streams, refills them from its streaming thread, and applies the
// master volume and the group factors. Ended streams are released on the main thread by Update.
#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "core/clock.h"
#include "os/dsound.h"

class TSoundStream;

class TSoundManager {
 public:
  // The device record.
  struct TDeviceState {
    IDirectSound* mDirectSound = nullptr;
    IDirectSoundBuffer* mPrimary = nullptr;
    std::list<std::shared_ptr<TSoundStream>> mPlaying;
    float mMasterVolume = 1.0f;
    std::map<int32_t, float> mGroupFactors;
    std::list<std::shared_ptr<TSoundStream>> mFinished;
    std::thread mThread;
    std::atomic<bool> mStop{false};
    // "TSoundManagerMutex": recursive for its owner, taken by the main and the streaming thread.
    std::recursive_mutex mMutex;
  };

  TSoundManager();
  virtual ~TSoundManager();
  TSoundManager(const TSoundManager&) = delete;
  TSoundManager& operator=(const TSoundManager&) = delete;

  // Opens the device for the platform's window; true at once when already done.
  bool Init(HWND window);
  bool IsInitialised() const { return mInitialised; }
  bool IsShuttingDown() const { return mShuttingDown; }
  bool IsAppActive() const { return mAppActive; }

  void AddStream(const std::shared_ptr<TSoundStream>& stream);
  // Streaming thread: moves the stream to the finished list (released later on the main thread).
  void RemoveStream(TSoundStream* stream);
  // Main thread: drops the stream from both lists.
  void ForgetStream(TSoundStream* stream);
  // Main thread, from the event pump: releases the finished streams, and reports an out-of-video-
  // memory result seen by the streaming thread to the platform.
  void Update();

  float GetGroupVolume(int32_t group);
  void ApplyVolume(TSoundStream* stream);
  void ApplyVolumes();
  void SetVolume(float volume);
  float GetVolume();
  void SetGroupVolume(int32_t group, float factor);
  void SetAppActive(bool active);

  void StepStreams(bool fromThread);
  void UpdateStreams(bool fromThread);

  std::recursive_mutex& GetMutex() { return mDevice->mMutex; }
  IDirectSound* GetDirectSound() { return mDevice->mDirectSound; }
  // Logs a DirectSound failure as "DX Error" with the unit and line. The out-of-video-memory result
  // is only flagged here; Update reports it on the main thread.
  void ReportDxError(HRESULT result, const char* unit, int line);
  // The platform's out-of-video-memory reaction, called by Update.
  void SetOutOfVideoMemoryHook(std::function<void()> hook) { mOutOfVideoMemory = std::move(hook); }

  // Test view of the lists.
  size_t GetPlayingCount();
  size_t GetFinishedCount();

 private:
  void ThreadMain();

  std::unique_ptr<TDeviceState> mDevice;
  TClock mPacing;
  bool mInitialised = false;
  bool mShuttingDown = false;
  bool mAppActive = true;
  std::atomic<bool> mOutOfVideoMemorySeen{false};
  std::function<void()> mOutOfVideoMemory;
};

// The platform's sound manager (TPlatform::GetSoundManager): the platform sets it when it creates the
// manager and clears it before destroying it. Null when there is none.
TSoundManager* GetPlatformSoundManager();
void SetPlatformSoundManager(TSoundManager* manager);

// Holds the platform's sound manager's mutex for its scope (nothing when there is no manager).
class TSoundLock {
 public:
  TSoundLock() : TSoundLock(GetPlatformSoundManager()) {}
  explicit TSoundLock(TSoundManager* manager) : mManager(manager) {
    if (mManager) mManager->GetMutex().lock();
  }
  ~TSoundLock() {
    if (mManager) mManager->GetMutex().unlock();
  }
  TSoundLock(const TSoundLock&) = delete;
  TSoundLock& operator=(const TSoundLock&) = delete;

 private:
  TSoundManager* mManager;
};

// The DirectSound out-of-video-memory result the manager passes on to the platform.
inline constexpr HRESULT kDxOutOfVideoMemory = static_cast<HRESULT>(0x8876017C);
