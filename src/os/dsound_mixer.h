// The software mixer behind the DirectSound stand-in: voices (the state of secondary buffers), the
// mix into 44.1 kHz 16-bit stereo with linear resampling and gain, the SDL audio device that pulls
// the mix, and the test controls' state. Internal to src/os; the Parts see only dsound.h.
#pragma once
#include <cstdint>
#include <mutex>
#include <vector>

#include "os/dsound.h"

namespace os::dsmix {

constexpr DWORD kOutputRate = 44100;  // frames per second of the mixed output
constexpr int kOutputChannels = 2;

// One secondary buffer as the mixer sees it. Every field is guarded by Mutex().
struct Voice {
  WAVEFORMATEX format{};
  DWORD flags = 0;                // DSBCAPS_... of the creation
  std::vector<uint8_t> data;      // the ring
  DWORD frames = 0;               // ring size in frames
  DWORD frame = 0;                // play cursor in frames
  DWORD phase = 0;                // resampling position between frame and frame+1, in 1/kOutputRate
  bool playing = false;
  bool looping = false;
  bool lost = false;
  LONG volume = DSBVOLUME_MAX;
  float gain = 1.0f;
  std::vector<DSBPOSITIONNOTIFY> notifies;

  DWORD size() const { return static_cast<DWORD>(data.size()); }
  DWORD LeadFrames() const;        // distance of the write cursor ahead of the play cursor
  uint8_t Silence() const { return format.wBitsPerSample == 8 ? 0x80 : 0; }
};

// Guards every voice, the playing list and the primary's state; the device callback takes it too.
std::mutex& Mutex();

// Under Mutex(): registration of live voices, starting and stopping.
void AddVoice(Voice* v);
void RemoveVoice(Voice* v);             // also stops it
void StartVoice(Voice* v, bool looping);
void StopVoice(Voice* v);               // signals the DSBPN_OFFSETSTOP events
const std::vector<Voice*>& Voices();
int PlayingCount();

// Under Mutex(): output state of the primary buffer.
void SetMasterVolume(LONG volume);
uint64_t MixedFrames();                 // frames mixed since the device opened

// Mixes frames into out (may be null) and feeds the capture hook. Under Mutex().
void MixLocked(int16_t* out, size_t frames);

// Device objects share one output: the first open starts it (an SDL device, or none in manual mode),
// the last close stops it. Not under Mutex().
HRESULT OpenOutput();
void CloseOutput();
bool OutputIsManual();                  // open without an SDL device

// Takes a forced failure of the kind: true with its code when one is pending.
bool TakeFault(SoundCall call, HRESULT* code);

// Gain for a volume in hundredths of a decibel: 10^(volume/2000); DSBVOLUME_MIN is silence.
float GainOf(LONG volume);

}  // namespace os::dsmix
