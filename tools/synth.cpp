#include "synth.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "canvas.h"
#include "oggtone.h"

namespace {
constexpr double kTau = 6.283185307179586;
}

double Midi(int note) { return 440.0 * std::pow(2.0, (note - 69) / 12.0); }

void Track::Add(double start, double length, const std::function<double(double t)>& wave) {
  const long first = long(start * kSynthRate), count = long(length * kSynthRate);
  const long n = long(mSamples.size());
  for (long i = 0; i < count; ++i) {
    // notes that run past the end wrap round, so loops keep their last notes' tails
    const long at = (first + i) % n;
    mSamples[size_t(at)] += float(wave(double(i) / kSynthRate));
  }
}

void Track::Pluck(double start, double length, double freq, float gain) {
  Add(start, length, [=](double t) {
    const double attack = std::min(1.0, t * 400), release = std::min(1.0, (length - t) * 30);
    double v = 0;
    for (int h = 1; h <= 6; ++h) v += std::sin(kTau * freq * h * t) * std::exp(-t * (2.5 + 2.2 * h)) / (h * h * 0.6 + 0.4);
    return gain * attack * release * v;
  });
}

void Track::Pad(double start, double length, double freq, float gain) {
  Add(start, length, [=](double t) {
    const double env = std::min(1.0, t / 0.35) * std::min(1.0, (length - t) / 0.5);
    const double vib = 1 + 0.003 * std::sin(kTau * 5 * t);
    double v = 0;
    for (int h = 1; h <= 5; ++h) v += std::sin(kTau * freq * h * vib * t + h) / (h * 1.5);
    v += 0.5 * std::sin(kTau * freq * 1.004 * t);  // a slightly detuned twin for warmth
    return gain * 0.6 * std::max(0.0, env) * v;
  });
}

void Track::Bell(double start, double length, double freq, float gain) {
  static const double kPartials[][3] = {{1, 1, 1.2}, {2.76, 0.5, 2.5}, {5.4, 0.25, 4}, {8.93, 0.12, 6}, {0.5, 0.3, 0.8}};
  Add(start, length, [=](double t) {
    double v = 0;
    for (const auto& p : kPartials) v += p[1] * std::sin(kTau * freq * p[0] * t) * std::exp(-t * p[2]);
    return gain * std::min(1.0, t * 800) * std::min(1.0, (length - t) * 20) * v;
  });
}

void Track::Bass(double start, double length, double freq, float gain) {
  Add(start, length, [=](double t) {
    const double env = std::min(1.0, t * 60) * std::exp(-t * 1.2) * std::min(1.0, (length - t) * 15);
    return gain * env * (std::sin(kTau * freq * t) + 0.3 * std::sin(kTau * 2 * freq * t) + 0.1 * std::sin(kTau * 3 * freq * t));
  });
}

void Track::Noise(double start, double length, float gain, float brightness, double decay, uint32_t seed) {
  uint32_t state = seed * 747796405u + 2891336453u;
  double low = 0, lower = 0;
  Add(start, length, [=, &state, &low, &lower](double t) mutable {
    state = state * 1664525u + 1013904223u;
    const double white = double(state >> 8) / double(1 << 23) - 1;
    low += brightness * (white - low);
    lower += brightness * (low - lower);
    return gain * std::exp(-decay * t) * std::min(1.0, t * 1000) * std::min(1.0, (length - t) * 100) * lower * 2;
  });
}

void Track::Sweep(double start, double length, double f0, double f1, float gain, double decay) {
  double phase = 0;
  Add(start, length, [=, &phase](double t) mutable {
    const double f = f0 + (f1 - f0) * (t / length);
    phase += kTau * f / kSynthRate;
    return gain * std::exp(-decay * t) * std::min(1.0, t * 500) * std::min(1.0, (length - t) * 100) * std::sin(phase);
  });
}

void Track::Room(float mix, bool wrap) {
  // Four damped feedback delays of prime lengths, summed as the wet signal.
  const long n = long(mSamples.size());
  const long delays[] = {1117, 1277, 1493, 1709};
  std::vector<float> wet(mSamples.size(), 0.f);
  for (long d : delays) {
    std::vector<float> line(size_t(d), 0.f);
    float damp = 0;
    const int passes = wrap ? 2 : 1;
    long pos = 0;
    for (int pass = 0; pass < passes; ++pass)
      for (long i = 0; i < n; ++i) {
        float& slot = line[size_t(pos)];
        const float out = slot;
        damp += 0.35f * (out - damp);
        slot = mSamples[size_t(i)] + damp * 0.72f;
        pos = (pos + 1) % d;
        if (pass == passes - 1) wet[size_t(i)] += out * 0.25f;
      }
  }
  for (long i = 0; i < n; ++i) mSamples[size_t(i)] = mSamples[size_t(i)] * (1 - mix * 0.5f) + wet[size_t(i)] * mix;
}

void Track::Normalise(float peak) {
  float top = 0;
  for (float s : mSamples) top = std::max(top, std::abs(s));
  if (top <= 0) return;
  for (float& s : mSamples) s *= peak / top;
}

void Track::FadeEnds(double seconds) {
  const size_t n = std::min(mSamples.size() / 2, size_t(seconds * kSynthRate));
  for (size_t i = 0; i < n; ++i) {
    const float g = float(i) / float(n);
    mSamples[i] *= g;
    mSamples[mSamples.size() - 1 - i] *= g;
  }
}

bool Track::Write(const std::string& rel, float quality) const {
  const std::vector<unsigned char> out = EncodeOgg(
      1, kSynthRate, quality, long(mSamples.size()),
      [this](long frame, int) { return std::clamp(mSamples[size_t(frame)], -1.f, 1.f); }, rel.c_str(), 0x686d7264);
  const std::string path = ContentRoot() + "/" + rel;
  std::error_code ignored;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
  FILE* f = out.empty() ? nullptr : std::fopen(path.c_str(), "wb");
  bool ok = f && std::fwrite(out.data(), 1, out.size(), f) == out.size();
  if (f) ok = std::fclose(f) == 0 && ok;
  if (!ok) ReportContentFailure("cannot write " + rel);
  return ok;
}
