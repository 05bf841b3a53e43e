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

#include "core/string.h"
#include "oggtone.h"
#include "render/imagecodecs.h"

namespace {

bool gOk = true;

struct Colour {
  float r = 0, g = 0, b = 0, a = 0;
};

Colour Rgb(uint32_t v, float a = 1) { return {((v >> 16) & 255) / 255.f, ((v >> 8) & 255) / 255.f, (v & 255) / 255.f, a}; }

// A small RGBA picture painted from signed distances (negative inside), antialiased.
class Picture {
 public:
  Picture(int w, int h) : mW(w), mH(h), mPix(size_t(w) * h) {}
  void Fill(const std::function<float(float, float)>& distance, Colour c) {
    for (int y = 0; y < mH; ++y)
      for (int x = 0; x < mW; ++x) {
        Colour s = c;
        s.a *= std::clamp(0.5f - distance(x + 0.5f, y + 0.5f), 0.f, 1.f);
        Over(mPix[size_t(y) * mW + x], s);
      }
  }
  // Written as PNG; the game names these pictures without the extension.
  void Save(std::string rel) const {
    if (rel.size() < 4 || rel.compare(rel.size() - 4, 4, ".png") != 0) rel += ".png";
    std::vector<uint8_t> bytes(mPix.size() * 4);
    for (size_t i = 0; i < mPix.size(); ++i) {
      bytes[i * 4] = Byte(mPix[i].b), bytes[i * 4 + 1] = Byte(mPix[i].g), bytes[i * 4 + 2] = Byte(mPix[i].r);
      bytes[i * 4 + 3] = Byte(mPix[i].a);
    }
    if (!SavePng(TString(("user:" + rel).c_str()), bytes.data(), mW, mH, mW * 4)) {
      std::fprintf(stderr, "mkcontent: cannot write %s\n", rel.c_str());
      gOk = false;
    }
  }

 private:
  static void Over(Colour& d, const Colour& c) {
    if (c.a <= 0) return;
    const float a = c.a + d.a * (1 - c.a);
    d.r = (c.r * c.a + d.r * d.a * (1 - c.a)) / a;
    d.g = (c.g * c.a + d.g * d.a * (1 - c.a)) / a;
    d.b = (c.b * c.a + d.b * d.a * (1 - c.a)) / a;
    d.a = a;
  }
  static uint8_t Byte(float v) { return uint8_t(std::lround(std::clamp(v, 0.f, 1.f) * 255)); }
  int mW, mH;
  std::vector<Colour> mPix;
};

float Box(float x, float y, float x0, float y0, float x1, float y1, float round = 0) {
  const float dx = std::max(x0 + round - x, x - (x1 - round)), dy = std::max(y0 + round - y, y - (y1 - round));
  return std::hypot(std::max(dx, 0.f), std::max(dy, 0.f)) + std::min(std::max(dx, dy), 0.f) - round;
}
float Circle(float x, float y, float cx, float cy, float r) { return std::hypot(x - cx, y - cy) - r; }

// The potion colours by letter: green, orange, black, purple and none (an empty glass).
const char kLetters[] = "gobpu";
Colour Potion(char letter) {
  switch (letter) {
    case 'g': return Rgb(0x3cae3c);
    case 'o': return Rgb(0xf08a1c);
    case 'b': return Rgb(0x262626);
    case 'p': return Rgb(0x8a3cb4);
    default: return Rgb(0xd8e4ec, 0.5f);
  }
}

constexpr int kCell = 64;
const Colour kCopper = Rgb(0x9a6a3a);

enum Side { kUp, kRight, kDown, kLeft };

// One pipe cell: a copper pipe along each open side to the centre, filled with that side's colour.
void Pipe(const std::string& rel, const std::vector<std::pair<Side, char>>& arms) {
  Picture p(kCell, kCell);
  const float c = kCell / 2.f, outer = 14, inner = 9;
  for (bool fill : {false, true}) {
    const float w = fill ? inner : outer;
    for (const auto& [side, letter] : arms) {
      const float x0 = side == kLeft ? 0 : side == kRight ? c - w : c - w;
      const float x1 = side == kRight ? kCell : side == kLeft ? c + w : c + w;
      const float y0 = side == kUp ? 0 : side == kDown ? c - w : c - w;
      const float y1 = side == kDown ? kCell : side == kUp ? c + w : c + w;
      p.Fill([=](float x, float y) { return Box(x, y, x0, y0, x1, y1); }, fill ? Potion(letter) : kCopper);
    }
  }
  p.Save(rel);
}

void PotionBoard() {
  const std::string dir = "images/potion/";
  for (const char* l = kLetters; *l; ++l) {
    const char c = *l;
    const std::string s = std::string("_") + c;
    Pipe(dir + "pipe_ud" + s, {{kUp, c}, {kDown, c}});
    Pipe(dir + "pipe_ur" + s, {{kUp, c}, {kRight, c}});
    // Funnel: a wide bowl above a spout, holding what was poured.
    Picture funnel(kCell, kCell);
    funnel.Fill([](float x, float y) { return std::max(Box(x, y, 4, 4, 60, 44), std::abs(x - 32) - (44 - y) * 0.7f - 4); },
                kCopper);
    funnel.Fill([](float x, float y) { return std::max(Box(x, y, 10, 8, 54, 40), std::abs(x - 32) - (40 - y) * 0.6f - 2); },
                Potion(c));
    funnel.Fill([](float x, float y) { return Box(x, y, 24, 40, 40, 64); }, kCopper);
    funnel.Save(dir + "funnel" + s);
    // Flask at the outlet, the moveable flask of the cupboard and the wanted colour.
    for (const char* stem : {"flask", "carry"}) {
      Picture flask(kCell, kCell);
      flask.Fill([](float x, float y) { return std::min(Circle(x, y, 32, 42, 20), Box(x, y, 26, 4, 38, 30)); },
                 Rgb(0xe8f0f4, 0.8f));
      flask.Fill([](float x, float y) { return Circle(x, y, 32, 42, 16); }, Potion(c));
      flask.Save(dir + stem + s);
    }
    Picture target(kCell, 24);
    target.Fill([](float x, float y) { return Box(x, y, 2, 2, 62, 22, 8); }, Rgb(0x3a2a18));
    target.Fill([](float x, float y) { return Box(x, y, 6, 6, 58, 18, 5); }, Potion(c));
    target.Save(dir + "target" + s);
  }
  // The merge: streams from above and from the left run down; every colour combination.
  for (const char* up = kLetters; *up; ++up)
    for (const char* down = kLetters; *down; ++down)
      for (const char* left = kLetters; *left; ++left)
        Pipe(dir + "pipe_udl_d_" + *up + *down + *left, {{kUp, *up}, {kDown, *down}, {kLeft, *left}});
  for (const auto& [name, colour] : {std::pair{"mix", 0x4a7a3a}, {"reset", 0x8a3a2a}}) {
    Picture b(120, 48);
    b.Fill([](float x, float y) { return Box(x, y, 2, 2, 118, 46, 12); }, Rgb(0x2a1a0a));
    b.Fill([](float x, float y) { return Box(x, y, 6, 6, 114, 42, 9); }, Rgb(colour));
    b.Save(dir + name);
  }
  Picture cupboard(240, 120);
  cupboard.Fill([](float x, float y) { return Box(x, y, 0, 0, 240, 120, 6); }, Rgb(0x5a3a1e));
  cupboard.Fill([](float x, float y) { return Box(x, y, 10, 10, 230, 110, 3); }, Rgb(0x7a5430));
  cupboard.Save(dir + "cupboard");
}

void LockAndMirror() {
  Picture padlock(40, 40);
  padlock.Fill([](float x, float y) { return std::abs(Circle(x, y, 20, 16, 10)) - 3; }, Rgb(0x808890));
  padlock.Fill([](float x, float y) { return Box(x, y, 6, 18, 34, 38, 4); }, Rgb(0xc0a040));
  padlock.Save("images/lock/padlock.png");
  Picture frame(560, 300);
  frame.Fill([](float x, float y) { return -Box(x, y, 24, 24, 536, 276, 6); }, Rgb(0x4a3420));
  frame.Save("images/lock/frame.png");
  Picture right(128, 128), wrong(128, 128);
  right.Fill([](float x, float y) {
    return std::min(std::abs((x - 30) - (y - 70)) / 1.41f, std::abs((x - 50) + (y - 90)) / 1.41f) - 7 +
           std::max(0.f, std::max(std::abs(x - 64) - 44, std::abs(y - 64) - 44));
  }, Rgb(0x30b040));
  right.Save("sprites/mi_right.png");
  wrong.Fill([](float x, float y) {
    return std::min(std::abs(x - y), std::abs(x + y - 128)) / 1.41f - 7 +
           std::max(0.f, std::max(std::abs(x - 64) - 44, std::abs(y - 64) - 44));
  }, Rgb(0xc03030));
  wrong.Save("sprites/mi_wrong.png");
}

void Jingle(const std::string& root, const std::string& rel, const std::vector<double>& notes) {
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
  const std::string path = root + "/" + rel;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  FILE* f = out.empty() ? nullptr : std::fopen(path.c_str(), "wb");
  bool ok = f && std::fwrite(out.data(), 1, out.size(), f) == out.size();
  if (f) ok = std::fclose(f) == 0 && ok;
  if (!ok) std::fprintf(stderr, "mkcontent: cannot write %s\n", path.c_str()), gOk = false;
}

}  // namespace

bool MakeMiniGameContent(const std::string& root) {
  PotionBoard();
  LockAndMirror();
  Jingle(root, "audio/sfx/positive_sound.ogg", {523.25, 659.25, 783.99, 1046.5});
  Jingle(root, "audio/sfx/negative_sound.ogg", {392.0, 311.13, 246.94});
  return gOk;
}
