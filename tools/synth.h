// A small deterministic synthesiser for the content tools: instruments added into a mono buffer,
// a soft room echo that wraps around for loops, and Ogg Vorbis output below the assets folder.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

constexpr long kSynthRate = 22050;

double Midi(int note);

class Track {
 public:
  explicit Track(double seconds) : mSamples(size_t(seconds * kSynthRate)) {}
  double Seconds() const { return double(mSamples.size()) / kSynthRate; }
  std::vector<float>& Samples() { return mSamples; }

  // A plucked string (harp, lute): bright attack, harmonics that die faster than the root.
  void Pluck(double start, double length, double freq, float gain);
  // A soft sustained tone (strings, organ) with slow attack and release.
  void Pad(double start, double length, double freq, float gain);
  // A struck bell or chime: inharmonic partials, long ring.
  void Bell(double start, double length, double freq, float gain);
  // A round bass note.
  void Bass(double start, double length, double freq, float gain);
  // Filtered noise: `brightness` 0..1 sets the filter, `decay` per second.
  void Noise(double start, double length, float gain, float brightness, double decay, uint32_t seed);
  // A pitch sweep (whoosh, slide) from f0 to f1 under an exponential decay.
  void Sweep(double start, double length, double f0, double f1, float gain, double decay);

  // A room echo; `wrap` carries the tail round to the start so the track loops without a seam.
  void Room(float mix, bool wrap);
  // Scales the track so its loudest sample peaks at `peak`.
  void Normalise(float peak);
  // A short fade at both ends (for effects) so nothing clicks.
  void FadeEnds(double seconds);

  // Writes the track as mono Ogg Vorbis at quality -0.1..1.
  bool Write(const std::string& rel, float quality) const;

 private:
  void Add(double start, double length, const std::function<double(double t)>& wave);
  std::vector<float> mSamples;
};
