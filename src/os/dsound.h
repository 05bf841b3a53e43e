// DirectSound interfaces of the platform stand-in: a device object, a primary buffer fixed at
// 44.1 kHz 16-bit stereo and secondary buffers in their own PCM formats, all mixed in software
// and played through the SDL2 audio device. os::Test... lets tests run the mixer by hand, capture
// its output and inject failures.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>

#include "os/unknown.h"
#include "os/win32types.h"

// ---- results ------------------------------------------------------------------------------------
constexpr HRESULT DS_OK = 0;                                                    // success
constexpr HRESULT DSERR_GENERIC = static_cast<HRESULT>(0x80004005);             // unspecified failure
constexpr HRESULT DSERR_UNSUPPORTED = static_cast<HRESULT>(0x80004001);         // call not offered here
constexpr HRESULT DSERR_NOINTERFACE = static_cast<HRESULT>(0x80004002);         // QueryInterface: unknown or unavailable interface
constexpr HRESULT DSERR_OUTOFMEMORY = static_cast<HRESULT>(0x8007000E);         // allocation failed
constexpr HRESULT DSERR_INVALIDPARAM = static_cast<HRESULT>(0x80070057);        // bad argument
constexpr HRESULT DSERR_NOAGGREGATION = static_cast<HRESULT>(0x80040110);       // an outer object was passed
constexpr HRESULT DSERR_ALLOCATED = static_cast<HRESULT>(0x8878000A);           // device in use by someone else
constexpr HRESULT DSERR_CONTROLUNAVAIL = static_cast<HRESULT>(0x8878001E);      // the buffer was created without that control
constexpr HRESULT DSERR_INVALIDCALL = static_cast<HRESULT>(0x88780032);         // not valid for this object or state
constexpr HRESULT DSERR_PRIOLEVELNEEDED = static_cast<HRESULT>(0x88780046);     // needs the priority cooperative level
constexpr HRESULT DSERR_BADFORMAT = static_cast<HRESULT>(0x88780064);           // wave format not supported
constexpr HRESULT DSERR_NODRIVER = static_cast<HRESULT>(0x88780078);            // no audio device could be opened
constexpr HRESULT DSERR_BUFFERLOST = static_cast<HRESULT>(0x88780096);          // buffer memory lost: Restore, then refill

// ---- constants ----------------------------------------------------------------------------------
constexpr DWORD DSSCL_NORMAL = 1;          // cooperative level: share the device
constexpr DWORD DSSCL_PRIORITY = 2;        // may set the primary format
constexpr DWORD DSSCL_EXCLUSIVE = 3;       // treated as priority (focus does not mute here)
constexpr DWORD DSSCL_WRITEPRIMARY = 4;    // direct primary writes: not offered, refused

constexpr DWORD DSBCAPS_PRIMARYBUFFER = 0x00000001;        // describes the primary buffer
constexpr DWORD DSBCAPS_STATIC = 0x00000002;               // accepted, no meaning here
constexpr DWORD DSBCAPS_LOCHARDWARE = 0x00000004;          // accepted, no meaning here
constexpr DWORD DSBCAPS_LOCSOFTWARE = 0x00000008;          // accepted; every buffer is software
constexpr DWORD DSBCAPS_CTRLFREQUENCY = 0x00000020;        // accepted; rate changes are not offered
constexpr DWORD DSBCAPS_CTRLPAN = 0x00000040;              // accepted; panning is not offered
constexpr DWORD DSBCAPS_CTRLVOLUME = 0x00000080;           // SetVolume allowed
constexpr DWORD DSBCAPS_CTRLPOSITIONNOTIFY = 0x00000100;   // IDirectSoundNotify available
constexpr DWORD DSBCAPS_STICKYFOCUS = 0x00004000;          // accepted; buffers always play
constexpr DWORD DSBCAPS_GLOBALFOCUS = 0x00008000;          // accepted; buffers always play
constexpr DWORD DSBCAPS_GETCURRENTPOSITION2 = 0x00010000;  // accepted; cursors are always exact
constexpr DWORD DSBCAPS_MUTE3DATMAXDISTANCE = 0x00020000;  // accepted, no meaning here

constexpr DWORD DSBPLAY_LOOPING = 0x00000001;              // Play: wrap at the end instead of stopping

constexpr DWORD DSBSTATUS_PLAYING = 0x00000001;            // GetStatus: being mixed
constexpr DWORD DSBSTATUS_BUFFERLOST = 0x00000002;         // GetStatus: lost, needs Restore
constexpr DWORD DSBSTATUS_LOOPING = 0x00000004;            // GetStatus: playing with DSBPLAY_LOOPING

constexpr DWORD DSBLOCK_FROMWRITECURSOR = 0x00000001;      // Lock at the write cursor, ignoring the offset
constexpr DWORD DSBLOCK_ENTIREBUFFER = 0x00000002;         // Lock the whole buffer, ignoring the size

constexpr LONG DSBVOLUME_MIN = -10000;                     // silence, in hundredths of a decibel
constexpr LONG DSBVOLUME_MAX = 0;                          // no attenuation
constexpr DWORD DSBSIZE_MIN = 4;                           // smallest secondary buffer in bytes
constexpr DWORD DSBSIZE_MAX = 0x0FFFFFFF;                  // largest secondary buffer in bytes
constexpr DWORD DSBFREQUENCY_MIN = 100;                    // lowest sample rate of a secondary buffer
constexpr DWORD DSBFREQUENCY_MAX = 200000;                 // highest sample rate of a secondary buffer
constexpr DWORD DSBPN_OFFSETSTOP = 0xFFFFFFFFu;            // notification offset: the buffer stopped

constexpr WORD WAVE_FORMAT_PCM = 1;                        // integer PCM, the only format mixed here

// ---- structures ---------------------------------------------------------------------------------
// PCM format: 8-bit unsigned or 16-bit signed little-endian samples, channels interleaved.
struct WAVEFORMATEX {
  WORD wFormatTag;         // WAVE_FORMAT_PCM
  WORD nChannels;          // 1 or 2
  DWORD nSamplesPerSec;    // frames per second
  DWORD nAvgBytesPerSec;   // nSamplesPerSec * nBlockAlign
  WORD nBlockAlign;        // nChannels * wBitsPerSample / 8
  WORD wBitsPerSample;     // 8 or 16
  WORD cbSize;             // extra format bytes: ignored for PCM
};
using LPWAVEFORMATEX = WAVEFORMATEX*;
using LPCWAVEFORMATEX = const WAVEFORMATEX*;

// Buffer description. The original is 36 bytes in a 32-bit process (with a 3D algorithm GUID that
// nothing here uses); dwSize may be 36 or sizeof(DSBUFFERDESC).
struct DSBUFFERDESC {
  DWORD dwSize;                // 36 or sizeof(DSBUFFERDESC)
  DWORD dwFlags;               // DSBCAPS_...
  DWORD dwBufferBytes;         // secondary: DSBSIZE_MIN..DSBSIZE_MAX, whole frames; primary: 0
  DWORD dwReserved;            // 0
  LPWAVEFORMATEX lpwfxFormat;  // secondary: its PCM format; primary: null
};
using LPCDSBUFFERDESC = const DSBUFFERDESC*;
constexpr DWORD kDsBufferDescSize32 = 36;  // dwSize a 32-bit caller passes

// Device capabilities; only dwSize and the rate range are filled.
struct DSCAPS {
  DWORD dwSize;                   // sizeof(DSCAPS)
  DWORD dwFlags;                  // 0
  DWORD dwMinSecondarySampleRate; // DSBFREQUENCY_MIN
  DWORD dwMaxSecondarySampleRate; // DSBFREQUENCY_MAX
  DWORD dwPrimaryBuffers;         // 1
};
using LPDSCAPS = DSCAPS*;

// Buffer capabilities.
struct DSBCAPS {
  DWORD dwSize;                 // sizeof(DSBCAPS)
  DWORD dwFlags;                // the creation flags
  DWORD dwBufferBytes;          // ring size (primary: one second of output)
  DWORD dwUnlockTransferRate;   // 0
  DWORD dwPlayCpuOverheadPercent;  // 0
};
using LPDSBCAPS = DSBCAPS*;

// One position notification: the event is signalled when the play cursor passes dwOffset, or when
// the buffer stops for DSBPN_OFFSETSTOP.
struct DSBPOSITIONNOTIFY {
  DWORD dwOffset;        // byte offset in the buffer, or DSBPN_OFFSETSTOP
  HANDLE hEventNotify;   // event from CreateEventA
};
using LPCDSBPOSITIONNOTIFY = const DSBPOSITIONNOTIFY*;

// Interface identifiers accepted by QueryInterface.
extern const IID IID_IDirectSoundBuffer;
extern const IID IID_IDirectSoundNotify;

// ---- interfaces ---------------------------------------------------------------------------------

// A sound buffer. Secondary buffers are byte rings in their own format, mixed while playing; the
// primary buffer stands for the mixed output (format, volume, status) and cannot be locked.
struct IDirectSoundBuffer : IUnknown {
  virtual HRESULT GetCaps(LPDSBCAPS caps) = 0;  // creation flags and ring size; dwSize must be set
  // Byte offsets of the play cursor (next frame to be mixed) and the write cursor (first byte that is
  // safe to write: a short lead ahead of the play cursor while playing, equal to it when stopped).
  virtual HRESULT GetCurrentPosition(DWORD* play, DWORD* write) = 0;
  // Copies the format when sizeAllocated holds it; with a null format, sizeWritten gets the size.
  virtual HRESULT GetFormat(LPWAVEFORMATEX format, DWORD sizeAllocated, DWORD* sizeWritten) = 0;
  virtual HRESULT GetVolume(LONG* volume) = 0;   // hundredths of a decibel, -10000..0
  virtual HRESULT GetStatus(DWORD* status) = 0;  // DSBSTATUS_...
  // Locks bytes of the ring from offset (or the write cursor); a lock that passes the end continues
  // at the start in the second region. The regions hold the ring's bytes and are written back by
  // Unlock (what the mixer plays changes then). Answers DSERR_BUFFERLOST for a lost buffer.
  virtual HRESULT Lock(DWORD offset, DWORD bytes, void** ptr1, DWORD* bytes1, void** ptr2,
                       DWORD* bytes2, DWORD flags) = 0;
  // Starts mixing from the play cursor; reserved and priority must be 0.
  virtual HRESULT Play(DWORD reserved, DWORD priority, DWORD flags) = 0;
  virtual HRESULT SetCurrentPosition(DWORD position) = 0;  // moves the play cursor
  // Primary only (needs DSSCL_PRIORITY): records the format; the output stays 44.1 kHz 16-bit stereo
  // and the device converts. Secondary buffers keep their creation format (DSERR_INVALIDCALL).
  virtual HRESULT SetFormat(LPCWAVEFORMATEX format) = 0;
  // Attenuation in hundredths of a decibel: gain = 10^(volume/2000), -10000 is silence.
  virtual HRESULT SetVolume(LONG volume) = 0;
  virtual HRESULT Stop() = 0;  // stops mixing; the play cursor stays where it is
  // Ends a lock: the given number of bytes of each region (at most what was locked) are stored.
  virtual HRESULT Unlock(void* ptr1, DWORD bytes1, void* ptr2, DWORD bytes2) = 0;
  // Gives a lost buffer its memory back (filled with silence); the caller refills it.
  virtual HRESULT Restore() = 0;
};
using LPDIRECTSOUNDBUFFER = IDirectSoundBuffer*;

// Position notifications of a secondary buffer created with DSBCAPS_CTRLPOSITIONNOTIFY.
struct IDirectSoundNotify : IUnknown {
  // Replaces the buffer's notifications; only while it is stopped.
  virtual HRESULT SetNotificationPositions(DWORD count, LPCDSBPOSITIONNOTIFY positions) = 0;
};
using LPDIRECTSOUNDNOTIFY = IDirectSoundNotify*;

// The device object. It keeps the SDL audio device open while it or any of its buffers lives.
struct IDirectSound : IUnknown {
  // The primary buffer (one per device, shared) or a new secondary ring in its own format.
  virtual HRESULT CreateSoundBuffer(LPCDSBUFFERDESC desc, LPDIRECTSOUNDBUFFER* buffer,
                                    LPUNKNOWN outer) = 0;
  virtual HRESULT GetCaps(LPDSCAPS caps) = 0;  // the secondary rate range; dwSize must be set
  // Any window is accepted (focus does not mute here); the level decides whether the primary
  // format may be set.
  virtual HRESULT SetCooperativeLevel(HWND window, DWORD level) = 0;
};
using LPDIRECTSOUND = IDirectSound*;

// Opens the default audio device (device must be null) and answers the device object.
// DSERR_NODRIVER when SDL cannot open an output device.
HRESULT DirectSoundCreate(const GUID* device, LPDIRECTSOUND* ds, LPUNKNOWN outer);

// ---- test control -------------------------------------------------------------------------------
namespace os {
// Calls whose next results a test can force.
enum class SoundCall {
  Create,                    // DirectSoundCreate
  SetCooperativeLevel,
  CreateSoundBuffer,         // primary and secondary
  SetFormat,
  QueryNotify,               // QueryInterface for IDirectSoundNotify
  SetNotificationPositions,
  GetCurrentPosition,
  Lock,
  Unlock,
  Play,
  Stop,
  SetVolume,
  GetStatus,
  Restore,
};
// The next `count` calls of the kind fail with `code` (and do nothing else).
void TestFailSoundCall(SoundCall call, HRESULT code, int count = 1);
// Device mode for the next DirectSoundCreate that opens the device: manual means no SDL device at
// all; the mixer then runs only when TestMixSound pulls frames.
void TestSetSoundManual(bool manual);
// Mixes `frames` stereo frames into out (interleaved 16-bit, may be null), advancing every playing
// buffer as the device would. False when no device object is open or it has a real SDL device.
bool TestMixSound(int16_t* out, size_t frames);
// Receives every mixed block (interleaved stereo 16-bit) from the device thread or TestMixSound;
// an empty function removes the hook. Called with the mixer's lock held: copy, don't call back in.
void TestSetSoundCapture(std::function<void(const int16_t* samples, size_t frames)> capture);
// Runs on the SDL device's thread before each block of `frames` it pulls, with no lock held, so a
// test can hold the device back until what it is about to play has been written. It must return
// before the device is closed. An empty function removes the hook.
void TestSetSoundDeviceGate(std::function<void(size_t frames)> gate);
// Marks one secondary buffer (or all when null) lost, as when another program takes the device.
void TestLoseSoundBuffer(IDirectSoundBuffer* buffer);
// Number of secondary buffers alive and of those playing.
int TestSoundBufferCount();
int TestPlayingSoundBufferCount();
// Whether an SDL audio device is open now.
bool TestSoundDeviceOpen();
// Clears forced failures, the capture and gate hooks and the manual mode.
void TestResetSound();
}  // namespace os
