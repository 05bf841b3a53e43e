// The demo's sound: music loops for the menu and the scenes, and the effects for clicks, pick-ups,
// hits, misses, wins and losses, page turns, typing, the hint and the options' lever. All of it is
// synthesised here and written as Ogg Vorbis; the same build writes the same files.
#include "mksounds.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "synth.h"

namespace {

// A chord as MIDI notes, lowest first.
using Chord = std::vector<int>;

// One loop: `bars` bars of `beatsPerBar` beats at `bpm`, with a chord per bar.
struct Piece {
  double bpm;
  int beatsPerBar;
  std::vector<Chord> chords;
  double Beat() const { return 60.0 / bpm; }
  double Bar() const { return Beat() * beatsPerBar; }
  double Length() const { return Bar() * double(chords.size()); }
};

// A pad holding each bar's chord, a bass on the bar's first beat and a harp walking the chord.
void Accompany(Track& t, const Piece& p, float pad, float harp, float bass, int harpStep = 1) {
  for (size_t bar = 0; bar < p.chords.size(); ++bar) {
    const Chord& c = p.chords[bar];
    const double at = double(bar) * p.Bar();
    for (int note : c) t.Pad(at, p.Bar() + 0.4, Midi(note), pad);
    t.Bass(at, p.Bar(), Midi(c[0] - 12), bass);
    const int steps = p.beatsPerBar * harpStep;
    for (int s = 0; s < steps; ++s) {
      const int note = c[size_t(s) % c.size()] + (s / int(c.size())) % 2 * 12 + 12;
      t.Pluck(at + s * p.Beat() / harpStep, p.Beat() * 2, Midi(note), harp);
    }
  }
}

// A melody: one note per entry (0 rests), each `step` beats long, played by `voice`.
enum class Voice { kPluck, kBell, kPad };
void Melody(Track& t, const Piece& p, const std::vector<int>& notes, double step, Voice voice, float gain) {
  for (size_t i = 0; i < notes.size(); ++i) {
    if (!notes[i]) continue;
    const double at = double(i) * step * p.Beat(), len = step * p.Beat() * 1.6;
    switch (voice) {
      case Voice::kPluck: t.Pluck(at, len, Midi(notes[i]), gain); break;
      case Voice::kBell: t.Bell(at, len * 1.5, Midi(notes[i]), gain); break;
      case Voice::kPad: t.Pad(at, len, Midi(notes[i]), gain); break;
    }
  }
}

void Finish(Track& t, const char* rel, float room, float quality) {
  t.Room(room, true);
  t.Normalise(0.8f);
  t.Write(rel, quality);
}

void Music() {
  {
    // The menu: a slow waltz in D minor.
    const Piece p{84, 3, {{50, 53, 57}, {46, 50, 53}, {48, 52, 55}, {45, 49, 52}, {50, 53, 57}, {43, 46, 50}, {45, 49, 52}, {50, 53, 57},
                          {46, 50, 53}, {48, 52, 55}, {45, 49, 52}, {50, 53, 57}, {43, 46, 50}, {45, 49, 52}, {45, 49, 52}, {50, 53, 57}}};
    Track t(p.Length());
    Accompany(t, p, 0.05f, 0.07f, 0.22f);
    Melody(t, p, {74, 0, 77, 81, 82, 81, 77, 0, 79, 76, 0, 72, 81, 0, 79, 77, 74, 0, 74, 77, 81, 86, 84, 82,
                  81, 79, 77, 79, 0, 81, 76, 0, 0, 74, 77, 81, 82, 84, 82, 81, 79, 77, 76, 73, 76, 74, 0, 0},
           1, Voice::kBell, 0.12f);
    Finish(t, "audio/music/mainmenumusic.ogg", 0.35f, 0.15f);
  }
  {
    // The scenes' theme: A minor at a walking pace.
    const Piece p{96, 4, {{45, 48, 52}, {41, 45, 48}, {48, 52, 55}, {43, 47, 50}, {45, 48, 52}, {41, 45, 48}, {40, 44, 47}, {45, 48, 52}}};
    Track t(p.Length());
    Accompany(t, p, 0.04f, 0.06f, 0.22f);
    Melody(t, p, {69, 72, 76, 74, 72, 71, 69, 71, 72, 69, 67, 69, 72, 76, 74, 72, 69, 72, 76, 79, 77, 76, 74, 72, 71, 72, 74, 71, 69, 68, 69, 0},
           1, Voice::kPluck, 0.16f);
    Finish(t, "sounds/music_loop.ogg", 0.3f, 0.15f);
  }
  {
    // The story's screens: a calm F major with a bell tune.
    const Piece p{70, 4, {{53, 57, 60}, {48, 52, 55}, {50, 53, 57}, {46, 50, 53}, {53, 57, 60}, {46, 50, 53}, {48, 52, 55}, {53, 57, 60}}};
    Track t(p.Length());
    Accompany(t, p, 0.06f, 0.04f, 0.18f);
    Melody(t, p, {72, 0, 69, 72, 79, 0, 76, 0, 77, 0, 74, 77, 70, 0, 0, 0, 72, 74, 76, 72, 70, 0, 74, 0, 72, 0, 67, 0, 65, 0, 0, 0}, 1, Voice::kBell, 0.13f);
    Finish(t, "audio/music/story.ogg", 0.4f, 0.15f);
  }
  {
    // Exploring: E minor, a harp ostinato in eighths and a low, searching line.
    const Piece p{88, 4, {{52, 55, 59}, {52, 55, 59}, {48, 52, 55}, {50, 54, 57}, {52, 55, 59}, {45, 48, 52}, {47, 51, 54}, {47, 51, 54}}};
    Track t(p.Length());
    Accompany(t, p, 0.035f, 0.05f, 0.24f, 2);
    Melody(t, p, {64, 0, 67, 0, 71, 0, 69, 67, 64, 0, 0, 0, 62, 0, 64, 66, 67, 0, 66, 0, 64, 0, 60, 0, 63, 0, 66, 0, 71, 0, 0, 0}, 1, Voice::kPad, 0.07f);
    Finish(t, "audio/music/explore.ogg", 0.35f, 0.15f);
  }
  {
    // Puzzles: a light, thoughtful G major with plucked sixteenths.
    const Piece p{100, 4, {{55, 59, 62}, {52, 55, 59}, {48, 52, 55}, {50, 54, 57}, {55, 59, 62}, {52, 55, 59}, {48, 52, 55}, {50, 54, 57}}};
    Track t(p.Length());
    Accompany(t, p, 0.025f, 0.045f, 0.2f, 2);
    Melody(t, p, {79, 78, 79, 74, 76, 0, 71, 0, 72, 74, 76, 72, 74, 0, 0, 0, 79, 81, 83, 79, 76, 0, 79, 0, 72, 71, 69, 72, 74, 0, 0, 0}, 1, Voice::kBell, 0.1f);
    Finish(t, "audio/music/puzzle.ogg", 0.3f, 0.15f);
  }
  {
    // Wind: low-passed noise swelling and ebbing; the ends match so it loops.
    Track t(6);
    std::vector<float>& s = t.Samples();
    uint32_t seed = 7;
    float low = 0, lower = 0;
    for (size_t i = 0; i < s.size(); ++i) {
      seed = seed * 1664525u + 1013904223u;
      const float white = float(seed >> 8) / float(1 << 23) - 1.f;
      const double u = double(i) / double(s.size());
      const float cut = float(0.015 + 0.03 * (0.5 - 0.5 * std::cos(6.283185307 * 2 * u)));
      low += cut * (white - low);
      lower += cut * (low - lower);
      s[i] = float(lower * (0.5 + 0.5 * std::sin(3.14159265 * u)));
    }
    Finish(t, "sounds/wind.ogg", 0.2f, 0.1f);
  }
}

void Effect(Track& t, const char* rel, float peak = 0.8f) {
  t.FadeEnds(0.004);
  t.Normalise(peak);
  t.Write(rel, 0.4f);
}

void Effects() {
  { Track t(0.08); t.Noise(0, 0.08, 0.6f, 0.5f, 70, 1); t.Sweep(0, 0.05, 2200, 1400, 0.4f, 80); Effect(t, "sounds/click.ogg", 0.6f); }
  {
    Track t(0.9);
    const int notes[] = {72, 76, 79, 84};
    for (int i = 0; i < 4; ++i) t.Bell(i * 0.06, 0.8 - i * 0.06, Midi(notes[i]), 0.2f);
    t.Sweep(0, 0.3, 1500, 3500, 0.05f, 8);
    t.Room(0.3f, false);
    Effect(t, "sounds/pickup.ogg");
  }
  {
    Track t(1.2);
    for (int i = 0; i < 5; ++i) t.Bell(i * 0.05, 1.0, Midi(84 + (i % 3) * 4 + (i / 3) * 12), 0.12f);
    t.Noise(0, 0.6, 0.08f, 0.6f, 5, 2);
    t.Room(0.4f, false);
    Effect(t, "audio/sfx/hint.ogg", 0.7f);
  }
  {
    // a page turning: a rising and a falling swish of paper
    Track t(0.45);
    t.Noise(0, 0.25, 0.5f, 0.25f, 8, 3);
    t.Noise(0.15, 0.28, 0.6f, 0.45f, 12, 4);
    Effect(t, "audio/sfx/umblaettern.ogg", 0.6f);
  }
  { Track t(0.6); t.Bell(0, 0.55, Midi(88), 0.3f); t.Bell(0.07, 0.5, Midi(95), 0.25f); t.Room(0.25f, false); Effect(t, "audio/sfx/ho_hit.ogg", 0.7f); }
  { Track t(0.3); t.Sweep(0, 0.25, 180, 90, 0.6f, 14); t.Noise(0, 0.12, 0.5f, 0.12f, 30, 5); Effect(t, "audio/sfx/ho_miss.ogg", 0.6f); }
  { Track t(0.6); t.Pluck(0, 0.4, Midi(76), 0.4f); t.Pluck(0.1, 0.45, Midi(83), 0.4f); t.Bell(0.1, 0.5, Midi(88), 0.1f); Effect(t, "audio/sfx/use_ok.ogg", 0.7f); }
  { Track t(0.5); t.Pluck(0, 0.3, Midi(47), 0.5f); t.Pluck(0.12, 0.35, Midi(46), 0.5f); t.Noise(0, 0.1, 0.3f, 0.1f, 30, 6); Effect(t, "audio/sfx/use_fail.ogg", 0.6f); }
  { Track t(0.35); t.Noise(0, 0.1, 0.6f, 0.3f, 40, 7); t.Sweep(0.02, 0.25, 320, 140, 0.5f, 18); t.Noise(0.18, 0.1, 0.5f, 0.2f, 50, 8); Effect(t, "audio/sfx/lever.ogg", 0.6f); }
  for (int k = 1; k <= 4; ++k) {
    Track t(0.06);
    t.Noise(0, 0.06, 0.6f, 0.55f, 110, uint32_t(10 + k));
    t.Sweep(0, 0.03, 1100 + 230 * k, 800 + 200 * k, 0.35f, 140);
    char rel[64];
    std::snprintf(rel, sizeof rel, "audio/sfx/sfx_typing_%02d.ogg", k);
    Effect(t, rel, 0.5f);
  }
  {
    // the win: a rising fanfare over a held major chord
    Track t(1.8);
    const int run[] = {72, 76, 79, 84};
    for (int i = 0; i < 4; ++i) t.Pluck(i * 0.12, 0.6, Midi(run[i]), 0.3f);
    for (int note : {60, 64, 67, 72}) t.Pad(0.48, 1.2, Midi(note), 0.08f);
    t.Bell(0.48, 1.3, Midi(96), 0.12f);
    t.Room(0.35f, false);
    Effect(t, "audio/sfx/positive_sound.ogg");
  }
  {
    // the loss: a falling minor figure
    Track t(1.2);
    const int run[] = {67, 63, 59};
    for (int i = 0; i < 3; ++i) t.Pluck(i * 0.16, 0.6, Midi(run[i]), 0.35f);
    for (int note : {47, 50, 55}) t.Pad(0.4, 0.75, Midi(note), 0.07f);
    t.Room(0.3f, false);
    Effect(t, "audio/sfx/negative_sound.ogg", 0.7f);
  }
}

}  // namespace

void MakeSounds() {
  Music();
  Effects();
}
