// The mini-games' own pictures and sounds for the demo: the potion board's pipes in every colour
// combination with its funnels, flasks and buttons, the lock's padlock and frame, the mirror game's
// right and wrong marks, and the win and lose jingles. Deterministic, like the rest of mkcontent.
#include "mkminigames.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "canvas.h"
#include "oggtone.h"

namespace {

// The potion colours by letter: green, orange, black, purple and none (an empty glass).
const char kLetters[] = "gobpu";
Rgba Potion(char letter) {
  switch (letter) {
    case 'g': return Hex(0x3cae3c);
    case 'o': return Hex(0xf08a1c);
    case 'b': return Hex(0x262626);
    case 'p': return Hex(0x8a3cb4);
    default: return Hex(0xd8e4ec, 0.5f);
  }
}

constexpr int kCell = 64;
const Rgba kCopper = Hex(0x9a6a3a);

enum Side { kUp, kRight, kDown, kLeft };

// One pipe cell: a copper pipe along each open side to the centre, filled with that side's colour.
void Pipe(const std::string& rel, const std::vector<std::pair<Side, char>>& arms) {
  Canvas p(kCell, kCell);
  const float c = kCell / 2.f, outer = 14, inner = 9;
  for (bool fill : {false, true}) {
    const float w = fill ? inner : outer;
    for (const auto& [side, letter] : arms) {
      const float x0 = side == kLeft ? 0 : side == kRight ? c - w : c - w;
      const float x1 = side == kRight ? kCell : side == kLeft ? c + w : c + w;
      const float y0 = side == kUp ? 0 : side == kDown ? c - w : c - w;
      const float y1 = side == kDown ? kCell : side == kUp ? c + w : c + w;
      p.Shape([=](float x, float y) { return Box(x, y, x0, y0, x1, y1); }, fill ? Potion(letter) : kCopper);
    }
  }
  p.SavePng(rel);
}

void PotionBoard() {
  const std::string dir = "images/potion/";
  for (const char* l = kLetters; *l; ++l) {
    const char c = *l;
    const std::string s = std::string("_") + c;
    Pipe(dir + "pipe_ud" + s, {{kUp, c}, {kDown, c}});
    Pipe(dir + "pipe_ur" + s, {{kUp, c}, {kRight, c}});
    // Funnel: a wide bowl above a spout, holding what was poured.
    Canvas funnel(kCell, kCell);
    funnel.Shape([](float x, float y) { return std::max(Box(x, y, 4, 4, 60, 44), std::abs(x - 32) - (44 - y) * 0.7f - 4); },
                kCopper);
    funnel.Shape([](float x, float y) { return std::max(Box(x, y, 10, 8, 54, 40), std::abs(x - 32) - (40 - y) * 0.6f - 2); },
                Potion(c));
    funnel.Shape([](float x, float y) { return Box(x, y, 24, 40, 40, 64); }, kCopper);
    funnel.SavePng(dir + "funnel" + s);
    // Flask at the outlet, the moveable flask of the cupboard and the wanted colour.
    for (const char* stem : {"flask", "carry"}) {
      Canvas flask(kCell, kCell);
      flask.Shape([](float x, float y) { return std::min(Circle(x, y, 32, 42, 20), Box(x, y, 26, 4, 38, 30)); },
                 Hex(0xe8f0f4, 0.8f));
      flask.Shape([](float x, float y) { return Circle(x, y, 32, 42, 16); }, Potion(c));
      flask.SavePng(dir + stem + s);
    }
    Canvas target(kCell, 24);
    target.Shape([](float x, float y) { return Box(x, y, 2, 2, 62, 22, 8); }, Hex(0x3a2a18));
    target.Shape([](float x, float y) { return Box(x, y, 6, 6, 58, 18, 5); }, Potion(c));
    target.SavePng(dir + "target" + s);
  }
  // The merge: streams from above and from the left run down; every colour combination.
  for (const char* up = kLetters; *up; ++up)
    for (const char* down = kLetters; *down; ++down)
      for (const char* left = kLetters; *left; ++left)
        Pipe(dir + "pipe_udl_d_" + *up + *down + *left, {{kUp, *up}, {kDown, *down}, {kLeft, *left}});
  for (const auto& [name, colour] : {std::pair{"mix", 0x4a7a3a}, {"reset", 0x8a3a2a}}) {
    Canvas b(120, 48);
    b.Shape([](float x, float y) { return Box(x, y, 2, 2, 118, 46, 12); }, Hex(0x2a1a0a));
    b.Shape([](float x, float y) { return Box(x, y, 6, 6, 114, 42, 9); }, Hex(colour));
    b.SavePng(dir + name);
  }
  Canvas cupboard(240, 120);
  cupboard.Shape([](float x, float y) { return Box(x, y, 0, 0, 240, 120, 6); }, Hex(0x5a3a1e));
  cupboard.Shape([](float x, float y) { return Box(x, y, 10, 10, 230, 110, 3); }, Hex(0x7a5430));
  cupboard.SavePng(dir + "cupboard");
}

void LockAndMirror() {
  Canvas padlock(40, 40);
  padlock.Shape([](float x, float y) { return std::abs(Circle(x, y, 20, 16, 10)) - 3; }, Hex(0x808890));
  padlock.Shape([](float x, float y) { return Box(x, y, 6, 18, 34, 38, 4); }, Hex(0xc0a040));
  padlock.SavePng("images/lock/padlock.png");
  Canvas frame(560, 300);
  frame.Shape([](float x, float y) { return -Box(x, y, 24, 24, 536, 276, 6); }, Hex(0x4a3420));
  frame.SavePng("images/lock/frame.png");
  Canvas right(128, 128), wrong(128, 128);
  right.Shape([](float x, float y) {
    return std::min(std::abs((x - 30) - (y - 70)) / 1.41f, std::abs((x - 50) + (y - 90)) / 1.41f) - 7 +
           std::max(0.f, std::max(std::abs(x - 64) - 44, std::abs(y - 64) - 44));
  }, Hex(0x30b040));
  right.SavePng("sprites/mi_right.png");
  wrong.Shape([](float x, float y) {
    return std::min(std::abs(x - y), std::abs(x + y - 128)) / 1.41f - 7 +
           std::max(0.f, std::max(std::abs(x - 64) - 44, std::abs(y - 64) - 44));
  }, Hex(0xc03030));
  wrong.SavePng("sprites/mi_wrong.png");
}

void Jingle(const std::string& rel, const std::vector<double>& notes) {
  constexpr long kRate = 22050;
  const double step = 0.14, tail = 0.5;
  std::vector<float> s(size_t((notes.size() * step + tail) * kRate));
  for (size_t n = 0; n < notes.size(); ++n) {
    const size_t first = size_t(n * step * kRate);
    for (size_t i = 0; first + i < s.size(); ++i) {
      const double t = double(i) / kRate;
      s[first + i] += float(0.25 * std::exp(-5 * t) * std::min(1.0, t * 300) * std::sin(2 * M_PI * notes[n] * t));
    }
  }
  const std::vector<unsigned char> out =
      EncodeOgg(1, kRate, 0.4f, long(s.size()), [&s](long f, int) { return s[size_t(f)]; }, rel.c_str(), 0x6d696e69);
  const std::string path = ContentRoot() + "/" + rel;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  FILE* f = out.empty() ? nullptr : std::fopen(path.c_str(), "wb");
  bool ok = f && std::fwrite(out.data(), 1, out.size(), f) == out.size();
  if (f) ok = std::fclose(f) == 0 && ok;
  if (!ok) ReportContentFailure("cannot write " + path);
}

}  // namespace

void MakeMiniGameContent() {
  PotionBoard();
  LockAndMirror();
  Jingle("audio/sfx/positive_sound.ogg", {523.25, 659.25, 783.99, 1046.5});
  Jingle("audio/sfx/negative_sound.ogg", {392.0, 311.13, 246.94});
}
