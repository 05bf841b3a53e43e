// The DirectSound objects of the stand-in: the device, the primary buffer and secondary buffers
// with their notification interface, as reference-counted objects over the software mixer
// (dsound_mixer.cpp). Every buffer operation takes the mixer's lock, so the streaming thread, the
// main thread and the device callback may use a buffer at the same time. A lock hands out a copy of
// the locked bytes that Unlock writes back, so the mixer never reads memory being written.
#include "os/dsound.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "os/dsound_mixer.h"

const IID IID_IDirectSoundBuffer = {0x7d5c0b71, 0x2f1e, 0x4a0b, {0x9b, 0x3e, 0x51, 0x0c, 0x2d, 0x8a, 0x61, 0x01}};
const IID IID_IDirectSoundNotify = {0x7d5c0b71, 0x2f1e, 0x4a0b, {0x9b, 0x3e, 0x51, 0x0c, 0x2d, 0x8a, 0x61, 0x02}};

namespace {
using namespace os::dsmix;
using os::SoundCall;

constexpr DWORD kPrimaryBytes = kOutputRate * kOutputChannels * 2;  // one second of output

#define DS_FAULT(call)                                 \
  do {                                                 \
    HRESULT forced_;                                   \
    if (TakeFault(SoundCall::call, &forced_)) return forced_; \
  } while (0)

// A format a buffer can hold: 8/16-bit integer PCM, mono or stereo, with consistent derived fields.
HRESULT CheckFormat(const WAVEFORMATEX& f) {
  if (f.wFormatTag != WAVE_FORMAT_PCM) return DSERR_BADFORMAT;
  if (f.nChannels < 1 || f.nChannels > 2) return DSERR_BADFORMAT;
  if (f.wBitsPerSample != 8 && f.wBitsPerSample != 16) return DSERR_BADFORMAT;
  if (f.nSamplesPerSec < DSBFREQUENCY_MIN || f.nSamplesPerSec > DSBFREQUENCY_MAX) return DSERR_BADFORMAT;
  if (f.nBlockAlign != f.nChannels * f.wBitsPerSample / 8) return DSERR_INVALIDPARAM;
  if (f.nAvgBytesPerSec != f.nSamplesPerSec * f.nBlockAlign) return DSERR_INVALIDPARAM;
  return DS_OK;
}

WAVEFORMATEX OutputFormat() {
  WAVEFORMATEX f{};
  f.wFormatTag = WAVE_FORMAT_PCM;
  f.nChannels = kOutputChannels;
  f.nSamplesPerSec = kOutputRate;
  f.nBlockAlign = kOutputChannels * 2;
  f.nAvgBytesPerSec = kOutputRate * f.nBlockAlign;
  f.wBitsPerSample = 16;
  return f;
}

class Device;

class Buffer final : public IDirectSoundBuffer, public IDirectSoundNotify {
 public:
  Buffer(Device* device, bool primary, DWORD flags);

  HRESULT QueryInterface(REFIID iid, void** out) override;
  ULONG AddRef() override { return ++mRefs; }
  ULONG Release() override;
  // Adds a reference unless the count already reached 0 (the buffer is being destroyed).
  bool TryAddRef() {
    ULONG n = mRefs.load();
    while (n != 0)
      if (mRefs.compare_exchange_weak(n, n + 1)) return true;
    return false;
  }

  HRESULT GetCaps(LPDSBCAPS caps) override;
  HRESULT GetCurrentPosition(DWORD* play, DWORD* write) override;
  HRESULT GetFormat(LPWAVEFORMATEX format, DWORD sizeAllocated, DWORD* sizeWritten) override;
  HRESULT GetVolume(LONG* volume) override;
  HRESULT GetStatus(DWORD* status) override;
  HRESULT Lock(DWORD offset, DWORD bytes, void** ptr1, DWORD* bytes1, void** ptr2, DWORD* bytes2,
               DWORD flags) override;
  HRESULT Play(DWORD reserved, DWORD priority, DWORD flags) override;
  HRESULT SetCurrentPosition(DWORD position) override;
  HRESULT SetFormat(LPCWAVEFORMATEX format) override;
  HRESULT SetVolume(LONG volume) override;
  HRESULT Stop() override;
  HRESULT Unlock(void* ptr1, DWORD bytes1, void* ptr2, DWORD bytes2) override;
  HRESULT Restore() override;

  HRESULT SetNotificationPositions(DWORD count, LPCDSBPOSITIONNOTIFY positions) override;

  // Secondary buffers: allocates the ring. False when memory runs out.
  bool Allocate(const WAVEFORMATEX& format, DWORD bytes);
  Voice& voice() { return mVoice; }

 private:
  ~Buffer() = default;
  // An outstanding lock: a copy of the locked bytes, written back to the ring by Unlock.
  struct PendingLock {
    std::unique_ptr<uint8_t[]> bytes;
    DWORD offset;
    DWORD first;   // bytes from offset to the end of the ring at most
    DWORD second;  // bytes from the start of the ring
  };

  std::atomic<ULONG> mRefs{1};
  Device* mDevice;
  bool mPrimary;
  DWORD mFlags;
  Voice mVoice;                            // secondary only
  std::vector<PendingLock> mLocks;         // secondary only, guarded by Mutex()
  WAVEFORMATEX mPrimaryFormat = OutputFormat();  // primary only
  LONG mPrimaryVolume = DSBVOLUME_MAX;           // primary only
};

class Device final : public IDirectSound {
 public:
  HRESULT QueryInterface(REFIID iid, void** out) override {
    if (!out) return DSERR_INVALIDPARAM;
    *out = nullptr;
    if (!(iid == IID_IUnknown)) return DSERR_NOINTERFACE;
    *out = static_cast<IDirectSound*>(this);
    AddRef();
    return DS_OK;
  }
  ULONG AddRef() override { return ++mRefs; }
  ULONG Release() override {
    ULONG n = --mRefs;
    if (n == 0) {
      CloseOutput();
      delete this;
    }
    return n;
  }

  HRESULT CreateSoundBuffer(LPCDSBUFFERDESC desc, LPDIRECTSOUNDBUFFER* out, LPUNKNOWN outer) override;

  HRESULT GetCaps(LPDSCAPS caps) override {
    if (!caps || caps->dwSize != sizeof(DSCAPS)) return DSERR_INVALIDPARAM;
    caps->dwFlags = 0;
    caps->dwMinSecondarySampleRate = DSBFREQUENCY_MIN;
    caps->dwMaxSecondarySampleRate = DSBFREQUENCY_MAX;
    caps->dwPrimaryBuffers = 1;
    return DS_OK;
  }

  HRESULT SetCooperativeLevel(HWND, DWORD level) override {
    DS_FAULT(SetCooperativeLevel);
    if (level < DSSCL_NORMAL || level > DSSCL_EXCLUSIVE) return DSERR_INVALIDPARAM;
    std::lock_guard<std::mutex> lock(Mutex());
    mLevel = level;
    return DS_OK;
  }

  DWORD level() const { return mLevel; }
  // Guarded by Mutex(): the primary buffer while it lives.
  Buffer* mPrimary = nullptr;

 private:
  ~Device() = default;
  std::atomic<ULONG> mRefs{1};
  DWORD mLevel = 0;
};

Buffer::Buffer(Device* device, bool primary, DWORD flags)
    : mDevice(device), mPrimary(primary), mFlags(flags) {
  mDevice->AddRef();
}

ULONG Buffer::Release() {
  ULONG n = --mRefs;
  if (n != 0) return n;
  {
    std::lock_guard<std::mutex> lock(Mutex());
    if (mPrimary) {
      if (mDevice->mPrimary == this) mDevice->mPrimary = nullptr;
    } else {
      RemoveVoice(&mVoice);
    }
  }
  Device* device = mDevice;
  delete this;
  device->Release();
  return 0;
}

HRESULT Buffer::QueryInterface(REFIID iid, void** out) {
  if (!out) return DSERR_INVALIDPARAM;
  *out = nullptr;
  if (iid == IID_IUnknown || iid == IID_IDirectSoundBuffer) {
    *out = static_cast<IDirectSoundBuffer*>(this);
  } else if (iid == IID_IDirectSoundNotify) {
    DS_FAULT(QueryNotify);
    if (mPrimary || !(mFlags & DSBCAPS_CTRLPOSITIONNOTIFY)) return DSERR_NOINTERFACE;
    *out = static_cast<IDirectSoundNotify*>(this);
  } else {
    return DSERR_NOINTERFACE;
  }
  AddRef();
  return DS_OK;
}

bool Buffer::Allocate(const WAVEFORMATEX& format, DWORD bytes) {
  mVoice.format = format;
  mVoice.format.cbSize = 0;
  mVoice.flags = mFlags;
  try {
    mVoice.data.assign(bytes, mVoice.Silence());
  } catch (const std::bad_alloc&) {
    return false;
  }
  mVoice.frames = bytes / format.nBlockAlign;
  return true;
}

HRESULT Buffer::GetCaps(LPDSBCAPS caps) {
  if (!caps || caps->dwSize != sizeof(DSBCAPS)) return DSERR_INVALIDPARAM;
  std::lock_guard<std::mutex> lock(Mutex());
  caps->dwFlags = mFlags;
  caps->dwBufferBytes = mPrimary ? kPrimaryBytes : mVoice.size();
  caps->dwUnlockTransferRate = 0;
  caps->dwPlayCpuOverheadPercent = 0;
  return DS_OK;
}

HRESULT Buffer::GetCurrentPosition(DWORD* play, DWORD* write) {
  DS_FAULT(GetCurrentPosition);
  std::lock_guard<std::mutex> lock(Mutex());
  DWORD p, w;
  if (mPrimary) {
    DWORD frame = static_cast<DWORD>(MixedFrames() % kOutputRate);
    p = frame * 4;
    w = ((frame + kOutputRate / 100) % kOutputRate) * 4;
  } else {
    const Voice& v = mVoice;
    p = v.frame * v.format.nBlockAlign;
    w = v.playing ? ((v.frame + v.LeadFrames()) % v.frames) * v.format.nBlockAlign : p;
  }
  if (play) *play = p;
  if (write) *write = w;
  return DS_OK;
}

HRESULT Buffer::GetFormat(LPWAVEFORMATEX format, DWORD sizeAllocated, DWORD* sizeWritten) {
  if (!format) {
    if (!sizeWritten) return DSERR_INVALIDPARAM;
    *sizeWritten = sizeof(WAVEFORMATEX);
    return DS_OK;
  }
  if (sizeAllocated < sizeof(WAVEFORMATEX)) return DSERR_INVALIDPARAM;
  std::lock_guard<std::mutex> lock(Mutex());
  *format = mPrimary ? mPrimaryFormat : mVoice.format;
  if (sizeWritten) *sizeWritten = sizeof(WAVEFORMATEX);
  return DS_OK;
}

HRESULT Buffer::GetVolume(LONG* volume) {
  if (!volume) return DSERR_INVALIDPARAM;
  if (!mPrimary && !(mFlags & DSBCAPS_CTRLVOLUME)) return DSERR_CONTROLUNAVAIL;
  std::lock_guard<std::mutex> lock(Mutex());
  *volume = mPrimary ? mPrimaryVolume : mVoice.volume;
  return DS_OK;
}

HRESULT Buffer::GetStatus(DWORD* status) {
  DS_FAULT(GetStatus);
  if (!status) return DSERR_INVALIDPARAM;
  std::lock_guard<std::mutex> lock(Mutex());
  if (mPrimary) {
    *status = PlayingCount() > 0 ? (DSBSTATUS_PLAYING | DSBSTATUS_LOOPING) : 0;
    return DS_OK;
  }
  DWORD s = 0;
  if (mVoice.playing) s |= DSBSTATUS_PLAYING | (mVoice.looping ? DSBSTATUS_LOOPING : 0);
  if (mVoice.lost) s |= DSBSTATUS_BUFFERLOST;
  *status = s;
  return DS_OK;
}

HRESULT Buffer::Lock(DWORD offset, DWORD bytes, void** ptr1, DWORD* bytes1, void** ptr2,
                     DWORD* bytes2, DWORD flags) {
  DS_FAULT(Lock);
  if (mPrimary) return DSERR_PRIOLEVELNEEDED;  // direct primary access is not offered
  if (!ptr1 || !bytes1) return DSERR_INVALIDPARAM;
  std::lock_guard<std::mutex> lock(Mutex());
  Voice& v = mVoice;
  if (v.lost) return DSERR_BUFFERLOST;
  if (flags & DSBLOCK_FROMWRITECURSOR)
    offset = v.playing ? ((v.frame + v.LeadFrames()) % v.frames) * v.format.nBlockAlign
                       : v.frame * v.format.nBlockAlign;
  if (flags & DSBLOCK_ENTIREBUFFER) bytes = v.size();
  if (offset >= v.size() || bytes == 0 || bytes > v.size()) return DSERR_INVALIDPARAM;
  DWORD first = std::min(bytes, v.size() - offset);
  DWORD second = bytes - first;
  if (second > 0 && (!ptr2 || !bytes2)) return DSERR_INVALIDPARAM;
  PendingLock pending{std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[bytes]), offset, first, second};
  if (!pending.bytes) return DSERR_OUTOFMEMORY;
  std::memcpy(pending.bytes.get(), v.data.data() + offset, first);
  if (second) std::memcpy(pending.bytes.get() + first, v.data.data(), second);
  *ptr1 = pending.bytes.get();
  *bytes1 = first;
  if (ptr2) *ptr2 = second ? pending.bytes.get() + first : nullptr;
  if (bytes2) *bytes2 = second;
  mLocks.push_back(std::move(pending));
  return DS_OK;
}

HRESULT Buffer::Unlock(void* ptr1, DWORD bytes1, void* ptr2, DWORD bytes2) {
  DS_FAULT(Unlock);
  if (mPrimary) return DSERR_INVALIDCALL;
  std::lock_guard<std::mutex> lock(Mutex());
  auto it = std::find_if(mLocks.begin(), mLocks.end(),
                         [ptr1](const PendingLock& l) { return ptr1 && l.bytes.get() == ptr1; });
  if (it == mLocks.end()) return DSERR_INVALIDPARAM;
  const PendingLock& l = *it;
  if (bytes1 > l.first || bytes2 > l.second || (bytes2 && ptr2 != l.bytes.get() + l.first))
    return DSERR_INVALIDPARAM;
  // The bytes the caller says it wrote go to the ring, unless the memory was lost meanwhile.
  if (!mVoice.lost) {
    std::memcpy(mVoice.data.data() + l.offset, l.bytes.get(), bytes1);
    if (bytes2) std::memcpy(mVoice.data.data(), l.bytes.get() + l.first, bytes2);
  }
  mLocks.erase(it);
  return DS_OK;
}

HRESULT Buffer::Play(DWORD reserved, DWORD priority, DWORD flags) {
  DS_FAULT(Play);
  if (reserved != 0 || priority != 0) return DSERR_INVALIDPARAM;
  if (mPrimary) return DS_OK;  // the output runs while the device is open
  std::lock_guard<std::mutex> lock(Mutex());
  if (mVoice.lost) return DSERR_BUFFERLOST;
  StartVoice(&mVoice, (flags & DSBPLAY_LOOPING) != 0);
  return DS_OK;
}

HRESULT Buffer::SetCurrentPosition(DWORD position) {
  if (mPrimary) return DSERR_INVALIDCALL;
  std::lock_guard<std::mutex> lock(Mutex());
  if (position >= mVoice.size()) return DSERR_INVALIDPARAM;
  mVoice.frame = position / mVoice.format.nBlockAlign;
  mVoice.phase = 0;
  return DS_OK;
}

HRESULT Buffer::SetFormat(LPCWAVEFORMATEX format) {
  DS_FAULT(SetFormat);
  if (!mPrimary) return DSERR_INVALIDCALL;
  if (!format) return DSERR_INVALIDPARAM;
  if (HRESULT hr = CheckFormat(*format); FAILED(hr)) return hr;
  std::lock_guard<std::mutex> lock(Mutex());
  if (mDevice->level() < DSSCL_PRIORITY) return DSERR_PRIOLEVELNEEDED;
  mPrimaryFormat = *format;
  mPrimaryFormat.cbSize = 0;
  return DS_OK;
}

HRESULT Buffer::SetVolume(LONG volume) {
  DS_FAULT(SetVolume);
  if (volume < DSBVOLUME_MIN || volume > DSBVOLUME_MAX) return DSERR_INVALIDPARAM;
  if (!mPrimary && !(mFlags & DSBCAPS_CTRLVOLUME)) return DSERR_CONTROLUNAVAIL;
  std::lock_guard<std::mutex> lock(Mutex());
  if (mPrimary) {
    mPrimaryVolume = volume;
    SetMasterVolume(volume);
  } else {
    mVoice.volume = volume;
    mVoice.gain = GainOf(volume);
  }
  return DS_OK;
}

HRESULT Buffer::Stop() {
  DS_FAULT(Stop);
  if (mPrimary) return DS_OK;
  std::lock_guard<std::mutex> lock(Mutex());
  StopVoice(&mVoice);
  return DS_OK;
}

HRESULT Buffer::Restore() {
  DS_FAULT(Restore);
  if (mPrimary) return DS_OK;
  std::lock_guard<std::mutex> lock(Mutex());
  if (mVoice.lost) {
    // The memory came back empty: silence until the owner refills it.
    std::fill(mVoice.data.begin(), mVoice.data.end(), mVoice.Silence());
    mVoice.lost = false;
  }
  return DS_OK;
}

HRESULT Buffer::SetNotificationPositions(DWORD count, LPCDSBPOSITIONNOTIFY positions) {
  DS_FAULT(SetNotificationPositions);
  if (count > 0 && !positions) return DSERR_INVALIDPARAM;
  std::lock_guard<std::mutex> lock(Mutex());
  if (mVoice.playing) return DSERR_INVALIDCALL;
  for (DWORD i = 0; i < count; ++i) {
    if (positions[i].dwOffset != DSBPN_OFFSETSTOP && positions[i].dwOffset >= mVoice.size())
      return DSERR_INVALIDPARAM;
  }
  mVoice.notifies.assign(positions, positions + count);
  return DS_OK;
}

HRESULT Device::CreateSoundBuffer(LPCDSBUFFERDESC desc, LPDIRECTSOUNDBUFFER* out, LPUNKNOWN outer) {
  DS_FAULT(CreateSoundBuffer);
  if (!out) return DSERR_INVALIDPARAM;
  *out = nullptr;
  if (outer) return DSERR_NOAGGREGATION;
  if (!desc || (desc->dwSize != kDsBufferDescSize32 && desc->dwSize != sizeof(DSBUFFERDESC)))
    return DSERR_INVALIDPARAM;

  if (desc->dwFlags & DSBCAPS_PRIMARYBUFFER) {
    if (desc->dwBufferBytes != 0 || desc->lpwfxFormat) return DSERR_INVALIDPARAM;
    std::lock_guard<std::mutex> lock(Mutex());
    // One primary buffer per device: a second request shares it.
    if (mPrimary && mPrimary->TryAddRef()) {
      *out = mPrimary;
      return DS_OK;
    }
    mPrimary = new Buffer(this, true, desc->dwFlags);
    *out = mPrimary;
    return DS_OK;
  }

  if (!desc->lpwfxFormat) return DSERR_INVALIDPARAM;
  const WAVEFORMATEX& format = *desc->lpwfxFormat;
  if (HRESULT hr = CheckFormat(format); FAILED(hr)) return hr;
  if (desc->dwBufferBytes < DSBSIZE_MIN || desc->dwBufferBytes > DSBSIZE_MAX ||
      desc->dwBufferBytes % format.nBlockAlign != 0)
    return DSERR_INVALIDPARAM;
  auto* buffer = new Buffer(this, false, desc->dwFlags);
  if (!buffer->Allocate(format, desc->dwBufferBytes)) {
    buffer->Release();
    return DSERR_OUTOFMEMORY;
  }
  {
    std::lock_guard<std::mutex> lock(Mutex());
    AddVoice(&buffer->voice());
  }
  *out = buffer;
  return DS_OK;
}

}  // namespace

HRESULT DirectSoundCreate(const GUID* device, LPDIRECTSOUND* ds, LPUNKNOWN outer) {
  if (!ds) return DSERR_INVALIDPARAM;
  *ds = nullptr;
  if (outer) return DSERR_NOAGGREGATION;
  if (device) return DSERR_NODRIVER;  // only the default device exists
  HRESULT forced;
  if (TakeFault(SoundCall::Create, &forced)) return forced;
  if (HRESULT hr = OpenOutput(); FAILED(hr)) return hr;
  *ds = new Device;
  return DS_OK;
}

namespace os {
void TestLoseSoundBuffer(IDirectSoundBuffer* buffer) {
  std::lock_guard<std::mutex> lock(Mutex());
  auto lose = [](Voice* v) {
    StopVoice(v);
    v->lost = true;
  };
  if (buffer) {
    Buffer* b = static_cast<Buffer*>(buffer);
    if (std::find(Voices().begin(), Voices().end(), &b->voice()) != Voices().end()) lose(&b->voice());
    return;
  }
  for (Voice* v : Voices()) lose(v);
}
}  // namespace os
