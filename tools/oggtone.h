// Generator of Ogg Vorbis sine tones, used by tests to make sound fixtures when they run and by the
// `oggtone` command-line tool. Every channel carries the same tone.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Encodes `frames` frames of `channels` channels as Ogg Vorbis (VBR quality -0.1..1); `sample` answers
// each sample in -1..1. The stream serial and the title tag are given, so the same input gives the
// same bytes. Empty when the encoder refuses the parameters.
std::vector<unsigned char> EncodeOgg(int channels, long rate, float quality, long frames,
                                     const std::function<float(long frame, int channel)>& sample,
                                     const char* title, uint32_t serial);

struct OggToneSpec {
  double frequency = 440.0;  // Hz
  double seconds = 1.0;      // length; 0 gives a valid file without samples
  int channels = 1;          // 1 or 2
  long rate = 44100;         // samples per second
  float quality = 0.4f;      // Vorbis VBR quality, -0.1..1
  float amplitude = 0.5f;    // peak, 0..1 of full scale
};

// Encodes the tone; empty when the encoder refuses the parameters.
std::vector<unsigned char> MakeOggTone(const OggToneSpec& toneSpec);
// Encodes the tone into a file; false when encoding or writing fails.
bool WriteOggTone(const std::string& path, const OggToneSpec& toneSpec);
