// Streams and their spooler: a two-second (by default) device buffer refilled half by half while it
// plays; streams without a device buffer are timed by their clocks instead.
#include "sound/soundstream.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/log.h"
#include "os/dsound_event.h"
#include "sound/sounddatasource.h"
#include "sound/soundinstance.h"
#include "sound/soundmanager.h"

namespace {
constexpr const char* kUnit = ".\\soundstream";
constexpr DWORD kStreamBufferFlags = DSBCAPS_GETCURRENTPOSITION2 | DSBCAPS_GLOBALFOCUS |
                                     DSBCAPS_CTRLPOSITIONNOTIFY | DSBCAPS_CTRLVOLUME;  // 0x18180
}  // namespace

TStreamNotify::~TStreamNotify() = default;

// ---- spooler ------------------------------------------------------------------------------------

TStreamSpooler::TStreamSpooler(std::shared_ptr<TSoundDataSource> source) : mSource(std::move(source)) {}
TStreamSpooler::~TStreamSpooler() = default;

bool TStreamSpooler::Read(uint32_t count, void* dest, uint32_t* outCount, bool loop) {
  if (outCount) *outCount = 0;
  if (count == 0) return true;
  auto* out = static_cast<uint8_t*>(dest);
  uint32_t done = 0;
  bool filled = ReadFrom(out, count, &done, loop);
  std::memset(out + done, 0, count - done);  // what the source did not fill plays as silence
  if (outCount) *outCount = done;
  return filled;
}

bool TStreamSpooler::ReadFrom(uint8_t* out, uint32_t count, uint32_t* done, bool loop) {
  if (!mSource) return true;
  const uint64_t total = mSource->GetTotalBytes();
  bool rewoundWithoutData = false;
  while (*done < count) {
    uint64_t left = total > mPosition ? total - mPosition : 0;
    uint32_t want = static_cast<uint32_t>(std::min<uint64_t>(count - *done, left));
    uint32_t got = want ? std::min(mSource->Read(out + *done, mPosition, want), want) : 0;
    mPosition += got;
    *done += got;
    if (*done == count) break;
    // The end of the data, or a source that delivered less than it announced.
    if (!loop) return false;
    if (got == 0 && rewoundWithoutData) {
      // A looping source that yields nothing even from its start: end it instead of spinning.
      LogPrintf("Sound data yields no samples: the looping sound ends");
      return false;
    }
    rewoundWithoutData = got == 0;
    mPosition = 0;
  }
  return true;
}

void TStreamSpooler::Seek(double seconds) {
  if (!mSource || seconds <= 0) {
    mPosition = 0;
    return;
  }
  uint64_t frameBytes = static_cast<uint64_t>(mSource->GetChannels()) * 2;
  uint64_t frame = static_cast<uint64_t>(seconds * mSource->GetRate());
  mPosition = static_cast<uint32_t>(std::min<uint64_t>(frame * frameBytes, mSource->GetTotalBytes()));
}

double TStreamSpooler::GetLength() { return mSource ? mSource->GetLength() : 0.0; }

// ---- stream -------------------------------------------------------------------------------------

std::shared_ptr<TSoundStream> TSoundStream::Create(TSoundManager* manager, std::unique_ptr<TStreamSpooler> spooler,
                                                   bool loop, int32_t group, std::shared_ptr<TStreamNotify> owner) {
  std::shared_ptr<TSoundStream> stream(new TSoundStream(manager, std::move(spooler), loop, group, std::move(owner)));
  if (manager) manager->AddStream(stream);
  return stream;
}

TSoundStream::TSoundStream(TSoundManager* manager, std::unique_ptr<TStreamSpooler> spooler, bool loop,
                           int32_t group, std::shared_ptr<TStreamNotify> owner)
    : mManager(manager), mSpooler(std::move(spooler)), mOwner(std::move(owner)), mGroup(group), mLoop(loop) {}

TSoundStream::~TSoundStream() {
  TSoundLock lock(mManager);
  mSpooler.reset();
  ReleaseDevice();
  if (auto instance = mInstance.lock()) {
    instance->ClearStream();
    // Last: the owner may let go of the instance, and with it of the sound.
    if (mOwner) mOwner->OnStreamEnded(instance.get());
  }
}

void TSoundStream::ReleaseDevice() {
  if (mDevice.mNotify) mDevice.mNotify->Release();
  mDevice.mNotify = nullptr;
  if (mDevice.mBuffer) {
    HRESULT hr = mDevice.mBuffer->Stop();
    if (FAILED(hr)) DxError(hr, 83);
    mDevice.mBuffer->Release();
    mDevice.mBuffer = nullptr;
  }
  for (HANDLE& e : mDevice.mEvents) {
    if (e) CloseHandle(e);
    e = nullptr;
  }
}

void TSoundStream::DxError(HRESULT result, int line) {
  if (mManager)
    mManager->ReportDxError(result, kUnit, line);
  else
    LogDxError("", result, kUnit, line);
}

void TSoundStream::SetInstance(const std::shared_ptr<TSoundInstance>& instance) { mInstance = instance; }

LONG TSoundStream::Attenuation(float volume) {
  volume = std::clamp(volume, 0.0f, 1.0f);
  if (volume <= 0.0f) return DSBVOLUME_MIN;
  return static_cast<LONG>(-(1.0f - volume) * 5000.0f);  // truncated toward zero
}

bool TSoundStream::CreateBuffer(uint32_t rate, uint32_t channels, uint32_t bits, float seconds) {
  if (!mManager || !mManager->IsInitialised()) return false;
  TSoundLock lock(mManager);
  WAVEFORMATEX format{};
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = static_cast<WORD>(channels);
  format.nSamplesPerSec = rate;
  format.nBlockAlign = static_cast<WORD>(channels * (bits / 8));
  const uint64_t bytesPerSecond = static_cast<uint64_t>(rate) * format.nBlockAlign;
  format.nAvgBytesPerSec = static_cast<DWORD>(bytesPerSecond);
  format.wBitsPerSample = static_cast<WORD>(bits);

  double size = std::nearbyint(static_cast<double>(static_cast<float>(bytesPerSecond)) * seconds);
  size = std::ceil(size / 8.0) * 8.0;
  size = std::clamp(size, 4.0, static_cast<double>(DSBSIZE_MAX));
  mBufferSize = static_cast<uint32_t>(size);
  mBufferLength = bytesPerSecond ? static_cast<float>(mBufferSize) / static_cast<float>(bytesPerSecond) : 0.0f;

  IDirectSound* ds = mManager->GetDirectSound();
  DSBUFFERDESC desc{};
  desc.dwSize = kDsBufferDescSize32;
  desc.dwFlags = kStreamBufferFlags;
  desc.dwBufferBytes = mBufferSize;
  desc.lpwfxFormat = &format;
  HRESULT hr = ds ? ds->CreateSoundBuffer(&desc, &mDevice.mBuffer, nullptr) : DSERR_NODRIVER;
  if (FAILED(hr)) {
    DxError(hr, 233);
    mDevice.mBuffer = nullptr;
    return false;
  }
  // From here on a failure gives the buffer back, so that the stream is timed by its clock
  // instead of playing a buffer nobody fills.
  for (HANDLE& e : mDevice.mEvents) {
    e = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (!e) {
      ReleaseDevice();
      return false;
    }
  }
  mDevice.mPositions[0] = {0, mDevice.mEvents[0]};
  mDevice.mPositions[1] = {mBufferSize / 2, mDevice.mEvents[1]};
  mDevice.mPositions[2] = {DSBPN_OFFSETSTOP, mDevice.mEvents[2]};
  hr = mDevice.mBuffer->QueryInterface(IID_IDirectSoundNotify, reinterpret_cast<void**>(&mDevice.mNotify));
  if (FAILED(hr)) {
    DxError(hr, 252);
    mDevice.mNotify = nullptr;
    ReleaseDevice();
    return false;
  }
  hr = mDevice.mNotify->SetNotificationPositions(2, mDevice.mPositions);
  if (FAILED(hr)) {
    DxError(hr, 259);
    ReleaseDevice();
    return false;
  }
  mRemaining = static_cast<int32_t>(mBufferSize);
  mEndOfData = false;
  Refill(true);
  return true;
}

void TSoundStream::Start(bool once) {
  TSoundLock lock(mManager);
  if (once) mOnce = true;
  if (mDevice.mBuffer) {
    SetVolume(mManager->GetGroupVolume(mGroup));
    if (mManager->IsAppActive()) {
      HRESULT hr = mDevice.mBuffer->Play(0, 0, mOnce ? 0 : DSBPLAY_LOOPING);
      if (FAILED(hr)) DxError(hr, mOnce ? 559 : 561);
    } else {
      mSystemPaused = true;
      mPaused = true;
    }
  }
  mClock.Reset();
  mClock.Start();
}

void TSoundStream::SetVolume(float volume) {
  TSoundLock lock(mManager);
  LONG attenuation = Attenuation(volume);
  if (!mDevice.mBuffer) return;
  DWORD status = 0;
  HRESULT hr = mDevice.mBuffer->GetStatus(&status);
  if (FAILED(hr)) {
    DxError(hr, 639);
  } else if (status & DSBSTATUS_BUFFERLOST) {
    hr = mDevice.mBuffer->Restore();
    if (FAILED(hr)) DxError(hr, 643);
  }
  hr = mDevice.mBuffer->SetVolume(attenuation);
  if (FAILED(hr)) DxError(hr, 645);
}

void TSoundStream::Pause(bool pause) {
  TSoundLock lock(mManager);
  if (!mDevice.mBuffer) {
    if (pause)
      mClock.Pause();
    else
      mClock.Start();
    return;
  }
  if (!pause) {
    mPaused = false;
    Start(mOnce);
    mClock.Start();
  } else {
    mPaused = true;
    HRESULT hr = mDevice.mBuffer->Stop();
    if (FAILED(hr)) DxError(hr, 477);
    mSystemPaused = false;
    mClock.Pause();
  }
}

void TSoundStream::SetSystemPause(bool pause) {
  TSoundLock lock(mManager);
  if (pause) {
    if (!mPaused) {
      Pause(true);
      mSystemPaused = true;
    }
  } else if (mSystemPaused) {
    mSystemPaused = false;
    Pause(false);
  }
}

void TSoundStream::Stop(bool fromThread) {
  TSoundLock lock(mManager);
  if (mStopped) return;
  mStopped = true;
  auto self = weak_from_this().lock();  // taking it out of the lists may drop the last reference
  mPaused = true;
  if (mDevice.mBuffer) {
    HRESULT hr = mDevice.mBuffer->Stop();
    if (FAILED(hr)) DxError(hr, 591);
  }
  if (mManager) {
    if (fromThread)
      mManager->RemoveStream(this);
    else
      mManager->ForgetStream(this);
  }
}

bool TSoundStream::Refill(bool initial) {
  TSoundLock lock(mManager);
  if (!mDevice.mBuffer) {
    // Timed: ended once the clock has passed the data's length.
    double length = mSpooler ? mSpooler->GetLength() : 0.0;
    return mClock.GetTime() / 1000.0 <= length;
  }
  DWORD play = 0, write = 0;
  HRESULT hr = mDevice.mBuffer->GetCurrentPosition(&play, &write);
  if (FAILED(hr)) {
    DxError(hr, 346);
    return true;
  }
  const uint32_t half = mBufferSize / 2;
  int target;
  if (initial) {
    target = 1;
  } else if (write < half) {
    target = 2;
  } else if (play <= half) {
    return true;  // the cursors straddle the middle: nothing is due
  } else {
    target = 1;
  }
  if (target != mLastHalf) {
    mLastHalf = target;
    if (mEndOfData) {
      mRemaining -= static_cast<int32_t>(half);
      if (mRemaining < 1) {
        hr = mDevice.mBuffer->Stop();
        if (FAILED(hr)) DxError(hr, 392);
        mSpooler.reset();
        return false;
      }
    }
    void *p1 = nullptr, *p2 = nullptr;
    DWORD n1 = 0, n2 = 0;
    hr = mDevice.mBuffer->Lock(target == 1 ? 0 : half, half, &p1, &n1, &p2, &n2, 0);
    if (FAILED(hr)) {
      DxError(hr, 409);
      return false;
    }
    if (mSpooler) {
      uint32_t got = 0;
      mEndOfData = !mSpooler->Read(n1, p1, &got, mLoop);
    } else {
      std::memset(p1, 0, n1);
      mEndOfData = true;
    }
    hr = mDevice.mBuffer->Unlock(p1, n1, p2, n2);
    if (FAILED(hr)) DxError(hr, 439);
  } else if (mOnce && play >= write) {
    return false;  // a one-shot buffer has played out
  }
  return true;
}
