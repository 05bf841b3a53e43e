// Streaming buffers: every playing sound is a TSoundStream, one DirectSound secondary buffer of a
// fixed length filled half by half from a TStreamSpooler, which reads PCM bytes from a data source
// and can wrap to the start for looping sounds. The streaming thread refills the half not playing.
#pragma once
#include <cstdint>
#include <memory>

#include "core/clock.h"
#include "os/dsound.h"

class TSoundDataSource;
class TSoundInstance;
class TSoundManager;

// The owner of a stream (the sound data that started it).
class TStreamNotify {
 public:
  virtual ~TStreamNotify();
  // Stream event for the owner; nothing in the system raises it.
  virtual void OnStreamNotify() {}
  // The stream is being destroyed (it ended or was stopped); instance is its play, if any.
  virtual void OnStreamEnded(TSoundInstance* instance) {}
};

class TStreamSpooler {
 public:
  explicit TStreamSpooler(std::shared_ptr<TSoundDataSource> source);
  virtual ~TStreamSpooler();
  // Fills dest with count bytes from the read position (clearing it first); wraps to the start at
  // the end of the data when looping. False when the request could not be filled: the data ended
  // without looping, or a looping source yields nothing (the rest is silence). outCount gets the
  // bytes read from the source.
  virtual bool Read(uint32_t count, void* dest, uint32_t* outCount, bool loop);
  // Moves the read position to the time (seconds), in whole frames.
  virtual void Seek(double seconds);
  virtual double GetLength();
  virtual void Rewind() { Seek(0); }
  uint32_t GetPosition() const { return mPosition; }

 private:
  // Reads into out from the position on, counting the bytes in done; false as Read answers it.
  bool ReadFrom(uint8_t* out, uint32_t count, uint32_t* done, bool loop);

  std::shared_ptr<TSoundDataSource> mSource;
  uint32_t mPosition = 0;
};

class TSoundStream : public std::enable_shared_from_this<TSoundStream> {
 public:
  // Makes a stream and registers it with the manager (which keeps it until it ends or is stopped).
  static std::shared_ptr<TSoundStream> Create(TSoundManager* manager, std::unique_ptr<TStreamSpooler> spooler,
                                              bool loop, int32_t group, std::shared_ptr<TStreamNotify> owner);
  virtual ~TSoundStream();

  bool CreateBuffer(uint32_t rate, uint32_t channels, uint32_t bits, float seconds);
  void Start(bool once);
  void SetVolume(float volume);
  void Pause(bool pause);
  void SetSystemPause(bool pause);
  void Stop(bool fromThread);
  // False when the stream has ended.
  bool Refill(bool initial);

  void SetInstance(const std::shared_ptr<TSoundInstance>& instance);
  int32_t GetGroup() const { return mGroup; }
  TStreamNotify* GetOwner() const { return mOwner.get(); }
  IDirectSoundBuffer* GetBuffer() const { return mDevice.mBuffer; }
  uint32_t GetBufferSize() const { return mBufferSize; }
  float GetBufferLength() const { return mBufferLength; }
  bool IsPaused() const { return mPaused; }
  bool IsSystemPaused() const { return mSystemPaused; }
  bool HasEndOfData() const { return mEndOfData; }
  bool HasSpooler() const { return mSpooler != nullptr; }

  // The DirectSound volume for a 0..1 volume: hundredths of a decibel.
  static LONG Attenuation(float volume);

 private:
  TSoundStream(TSoundManager* manager, std::unique_ptr<TStreamSpooler> spooler, bool loop, int32_t group,
               std::shared_ptr<TStreamNotify> owner);
  void ReleaseDevice();
  void DxError(HRESULT result, int line);

  struct TDevice {
    IDirectSoundBuffer* mBuffer = nullptr;
    DSBPOSITIONNOTIFY mPositions[3] = {};
    HANDLE mEvents[3] = {};
    IDirectSoundNotify* mNotify = nullptr;
  };

  TSoundManager* mManager;
  std::unique_ptr<TStreamSpooler> mSpooler;  // released once the data has ended
  std::shared_ptr<TStreamNotify> mOwner;
  TDevice mDevice;
  std::weak_ptr<TSoundInstance> mInstance;
  bool mEndOfData = true;
  bool mOnce = false;
  uint32_t mBufferSize = 0;
  float mBufferLength = 0;
  int32_t mRemaining = 0;  // countdown after the end of the data
  int32_t mGroup;
  bool mLoop;
  bool mSystemPaused = false;
  bool mPaused = false;
  bool mStopped = false;
  TClock mClock;
  int mLastHalf = 0;  // 0 none, 1 first, 2 second
};
