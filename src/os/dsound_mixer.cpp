// The software mixer: resamples every playing secondary buffer to 44.1 kHz stereo with linear
// interpolation, applies its gain, sums, clips and hands the block to SDL (or to a test pulling
// frames by hand). Play cursors advance by the source frames consumed, so they follow the device.
#include "os/dsound_mixer.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>

#include "os/dsound_event.h"

namespace os::dsmix {
namespace {

struct MixerState {
  std::vector<Voice*> voices;    // every live secondary buffer
  std::vector<Voice*> playing;   // in start order
  float masterGain = 1.0f;
  uint64_t mixedFrames = 0;
  std::vector<float> accumulator;
  std::function<void(const int16_t*, size_t)> capture;
  std::vector<int16_t> captureBlock;  // used when the caller passes no output
};

MixerState& State() {
  static MixerState state;
  return state;
}

// Output device, guarded by gOutputMutex (never taken inside Mutex()).
std::mutex gOutputMutex;
int gOutputUsers = 0;
bool gOutputManual = false;
bool gNextOutputManual = false;
SDL_AudioDeviceID gDevice = 0;

// Test hook run before each block the SDL device pulls, outside every other lock.
std::mutex gGateMutex;
std::function<void(size_t)> gGate;

std::mutex gFaultMutex;
std::map<SoundCall, std::pair<HRESULT, int>> gFaults;

// One frame of a voice as left and right samples on the 16-bit scale.
template <int Channels, int Bits>
inline void LoadFrame(const uint8_t* base, DWORD frame, float& left, float& right) {
  const uint8_t* p = base + static_cast<size_t>(frame) * (Channels * Bits / 8);
  if constexpr (Bits == 16) {
    int16_t s[Channels];
    std::memcpy(s, p, sizeof(s));
    left = s[0];
    right = s[Channels - 1];
  } else {
    left = static_cast<float>((p[0] - 128) * 256);
    right = static_cast<float>((p[Channels - 1] - 128) * 256);
  }
}

// Signals the events of the notifications whose frame lies in the `advanced` frames that followed
// `start`. A block that went round the whole ring signals them all.
void NotifyPassed(const Voice& v, DWORD start, uint64_t advanced) {
  if (advanced == 0) return;
  for (const DSBPOSITIONNOTIFY& n : v.notifies) {
    if (n.dwOffset == DSBPN_OFFSETSTOP) continue;
    DWORD frame = n.dwOffset / v.format.nBlockAlign;
    DWORD distance = (frame + v.frames - start) % v.frames;
    if (advanced >= v.frames || distance < advanced) SetEvent(n.hEventNotify);
  }
}

void RemovePlaying(Voice* v) {
  auto& playing = State().playing;
  playing.erase(std::remove(playing.begin(), playing.end(), v), playing.end());
}

// Mixes one voice into the accumulator; answers false when a one-shot voice reached its end.
// Between two source frames the sample is interpolated linearly; at the output rate there is no
// in-between and the samples pass unchanged.
template <int Channels, int Bits>
bool MixVoiceAs(Voice& v, float* acc, size_t frames, float master) {
  const float gain = v.gain * master;
  const DWORD rate = v.format.nSamplesPerSec;
  const uint8_t* base = v.data.data();
  const DWORD start = v.frame;
  const DWORD last = v.frames - 1;
  constexpr float kPhaseScale = 1.0f / static_cast<float>(kOutputRate);
  DWORD frame = v.frame;
  DWORD phase = v.phase;
  uint64_t advanced = 0;
  bool ended = false;
  if (rate == kOutputRate && phase == 0) {
    // One source frame per output frame: runs of plain scaled copies up to the end of the ring.
    size_t i = 0;
    while (i < frames) {
      size_t run = std::min<size_t>(frames - i, static_cast<size_t>(last - frame) + 1);
      float* dst = acc + i * 2;
      const uint8_t* src = base + static_cast<size_t>(frame) * (Channels * Bits / 8);
      if constexpr (Bits == 16 && Channels == 2) {
        // Interleaved stereo onto interleaved stereo: one straight loop the compiler vectorises.
        for (size_t j = 0; j < run * 2; ++j) {
          int16_t sample;
          std::memcpy(&sample, src + j * 2, 2);
          dst[j] += static_cast<float>(sample) * gain;
        }
      } else if constexpr (Bits == 16) {
        for (size_t k = 0; k < run; ++k) {
          int16_t sample;
          std::memcpy(&sample, src + k * 2, 2);
          float scaled = static_cast<float>(sample) * gain;
          dst[k * 2] += scaled;
          dst[k * 2 + 1] += scaled;
        }
      } else {
        for (size_t k = 0; k < run; ++k) {
          float left, right;
          LoadFrame<Channels, Bits>(base, frame + static_cast<DWORD>(k), left, right);
          dst[k * 2] += left * gain;
          dst[k * 2 + 1] += right * gain;
        }
      }
      i += run;
      advanced += run;
      frame += static_cast<DWORD>(run);
      if (frame > last) {
        frame = 0;
        if (!v.looping) {
          ended = true;
          break;
        }
      }
    }
    frames = 0;  // done: skip the general loop
  }
  for (size_t i = 0; i < frames; ++i) {
    float left, right;
    LoadFrame<Channels, Bits>(base, frame, left, right);
    if (phase) {
      // The frame after the last one is the first again when looping; a one-shot holds its last.
      DWORD next = frame < last ? frame + 1 : (v.looping ? 0 : frame);
      float left1, right1;
      LoadFrame<Channels, Bits>(base, next, left1, right1);
      float t = static_cast<float>(phase) * kPhaseScale;
      left += (left1 - left) * t;
      right += (right1 - right) * t;
    }
    acc[i * 2] += left * gain;
    acc[i * 2 + 1] += right * gain;
    phase += rate;
    while (phase >= kOutputRate) {
      phase -= kOutputRate;
      ++advanced;
      if (frame++ == last) {
        frame = 0;
        if (!v.looping) {
          ended = true;
          break;
        }
      }
    }
    if (ended) break;
  }
  NotifyPassed(v, start, advanced);
  v.frame = ended ? 0 : frame;
  v.phase = ended ? 0 : phase;
  return !ended;
}

bool MixVoice(Voice& v, float* acc, size_t frames, float master) {
  const bool stereo = v.format.nChannels == 2;
  if (v.format.wBitsPerSample == 16)
    return stereo ? MixVoiceAs<2, 16>(v, acc, frames, master) : MixVoiceAs<1, 16>(v, acc, frames, master);
  return stereo ? MixVoiceAs<2, 8>(v, acc, frames, master) : MixVoiceAs<1, 8>(v, acc, frames, master);
}

}  // namespace

DWORD Voice::LeadFrames() const {
  DWORD lead = std::max<DWORD>(1, format.nSamplesPerSec / 100);  // 10 ms
  return frames > 1 ? std::min(lead, frames - 1) : 0;
}

std::mutex& Mutex() {
  static std::mutex mutex;
  return mutex;
}

void AddVoice(Voice* v) { State().voices.push_back(v); }

void RemoveVoice(Voice* v) {
  RemovePlaying(v);
  auto& voices = State().voices;
  voices.erase(std::remove(voices.begin(), voices.end(), v), voices.end());
}

void StartVoice(Voice* v, bool looping) {
  v->looping = looping;
  if (v->playing) return;
  v->playing = true;
  State().playing.push_back(v);
}

void StopVoice(Voice* v) {
  if (!v->playing) return;
  v->playing = false;
  RemovePlaying(v);
  for (const DSBPOSITIONNOTIFY& n : v->notifies)
    if (n.dwOffset == DSBPN_OFFSETSTOP) SetEvent(n.hEventNotify);
}

const std::vector<Voice*>& Voices() { return State().voices; }
int PlayingCount() { return static_cast<int>(State().playing.size()); }

float GainOf(LONG volume) {
  if (volume <= DSBVOLUME_MIN) return 0.0f;
  return static_cast<float>(std::pow(10.0, static_cast<double>(volume) / 2000.0));
}

void SetMasterVolume(LONG volume) { State().masterGain = GainOf(volume); }
uint64_t MixedFrames() { return State().mixedFrames; }

void MixLocked(int16_t* out, size_t frames) {
  MixerState& s = State();
  if (!out) {
    s.captureBlock.resize(frames * kOutputChannels);
    out = s.captureBlock.data();
  }
  s.accumulator.assign(frames * kOutputChannels, 0.0f);
  // Copy: a one-shot voice that ends leaves the playing list during the pass.
  std::vector<Voice*> playing = s.playing;
  for (Voice* v : playing) {
    if (!MixVoice(*v, s.accumulator.data(), frames, s.masterGain)) StopVoice(v);
  }
  for (size_t i = 0; i < frames * kOutputChannels; ++i) {
    // Clamped, then rounded half to even by adding and taking away 1.5 * 2^23 (exact in this range).
    float x = std::clamp(s.accumulator[i], -32768.0f, 32767.0f);
    float shifted = x + 12582912.0f;  // IEEE rules keep the compiler from folding this away
    out[i] = static_cast<int16_t>(static_cast<int>(shifted - 12582912.0f));
  }
  s.mixedFrames += frames;
  if (s.capture) s.capture(out, frames);
}

namespace {
void SDLCALL DeviceCallback(void*, Uint8* stream, int len) {
  const size_t frames = static_cast<size_t>(len) / (kOutputChannels * 2);
  std::function<void(size_t)> gate;
  {
    std::lock_guard<std::mutex> lock(gGateMutex);
    gate = gGate;
  }
  if (gate) gate(frames);
  std::lock_guard<std::mutex> lock(Mutex());
  MixLocked(reinterpret_cast<int16_t*>(stream), frames);
}
}  // namespace

HRESULT OpenOutput() {
  std::lock_guard<std::mutex> lock(gOutputMutex);
  if (gOutputUsers > 0) {
    ++gOutputUsers;
    return DS_OK;
  }
  gOutputManual = gNextOutputManual;
  if (!gOutputManual) {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return DSERR_NODRIVER;
    SDL_AudioSpec want{};
    want.freq = static_cast<int>(kOutputRate);
    want.format = AUDIO_S16LSB;
    want.channels = kOutputChannels;
    want.samples = 1024;
    want.callback = DeviceCallback;
    // No changes allowed: SDL converts to whatever the hardware wants.
    gDevice = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
    if (gDevice == 0) {
      SDL_QuitSubSystem(SDL_INIT_AUDIO);
      return DSERR_NODRIVER;
    }
  }
  {
    std::lock_guard<std::mutex> mix(Mutex());
    State().mixedFrames = 0;
    State().masterGain = 1.0f;
  }
  if (gDevice) SDL_PauseAudioDevice(gDevice, 0);
  gOutputUsers = 1;
  return DS_OK;
}

void CloseOutput() {
  std::lock_guard<std::mutex> lock(gOutputMutex);
  if (gOutputUsers == 0 || --gOutputUsers > 0) return;
  if (gDevice) {
    SDL_CloseAudioDevice(gDevice);  // waits for a running callback
    gDevice = 0;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }
}

bool OutputIsManual() {
  std::lock_guard<std::mutex> lock(gOutputMutex);
  return gOutputUsers > 0 && gOutputManual;
}

bool TakeFault(SoundCall call, HRESULT* code) {
  std::lock_guard<std::mutex> lock(gFaultMutex);
  auto it = gFaults.find(call);
  if (it == gFaults.end()) return false;
  *code = it->second.first;
  if (--it->second.second <= 0) gFaults.erase(it);
  return true;
}

}  // namespace os::dsmix

namespace os {
using namespace os::dsmix;

void TestFailSoundCall(SoundCall call, HRESULT code, int count) {
  std::lock_guard<std::mutex> lock(gFaultMutex);
  if (count <= 0) {
    gFaults.erase(call);
    return;
  }
  gFaults[call] = {code, count};
}

void TestSetSoundManual(bool manual) {
  std::lock_guard<std::mutex> lock(gOutputMutex);
  gNextOutputManual = manual;
}

bool TestMixSound(int16_t* out, size_t frames) {
  if (!OutputIsManual()) return false;
  std::lock_guard<std::mutex> lock(Mutex());
  MixLocked(out, frames);
  return true;
}

void TestSetSoundCapture(std::function<void(const int16_t*, size_t)> capture) {
  std::lock_guard<std::mutex> lock(Mutex());
  State().capture = std::move(capture);
}

void TestSetSoundDeviceGate(std::function<void(size_t)> gate) {
  std::lock_guard<std::mutex> lock(gGateMutex);
  gGate = std::move(gate);
}

int TestSoundBufferCount() {
  std::lock_guard<std::mutex> lock(Mutex());
  return static_cast<int>(State().voices.size());
}

int TestPlayingSoundBufferCount() {
  std::lock_guard<std::mutex> lock(Mutex());
  return PlayingCount();
}

bool TestSoundDeviceOpen() {
  std::lock_guard<std::mutex> lock(gOutputMutex);
  return gDevice != 0;
}

void TestResetSound() {
  {
    std::lock_guard<std::mutex> lock(gFaultMutex);
    gFaults.clear();
  }
  TestSetSoundManual(false);
  TestSetSoundCapture({});
  TestSetSoundDeviceGate({});
}

}  // namespace os
