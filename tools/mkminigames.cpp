// The mini-games' own pictures for the demo: the potion board's pipes in every colour
// combination with its funnels, flasks and buttons, the lock's padlock and frame, the mirror game's
// right and wrong marks. Deterministic, like the rest of mkcontent.
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
#include "motifs.h"

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
const Rgba kCopper = Hex(0xb8804a);

Look Metal(float bevel) {
  Look l;
  l.outline = 1.2f;
  l.bevel = bevel;
  l.light = 0.6f;
  l.gloss = 0.35f;
  return l;
}

enum Side { kUp, kRight, kDown, kLeft };

// One pipe cell: a copper pipe along each open side to the centre with a glass window in the
// middle showing that side's colour, and a flange where the pipe meets the next cell.
void Pipe(const std::string& rel, const std::vector<std::pair<Side, char>>& arms) {
  Canvas p(kCell, kCell);
  const float c = kCell / 2.f;
  const auto arm = [c](Side side, float w) {
    const float x0 = side == kLeft ? 0 : c - w, x1 = side == kRight ? kCell : c + w;
    const float y0 = side == kUp ? 0 : c - w, y1 = side == kDown ? kCell : c + w;
    return [=](float x, float y) { return Box(x, y, x0, y0, x1, y1, side == kUp || side == kDown ? 0 : 0); };
  };
  for (const auto& [side, letter] : arms) p.Solid(arm(side, 14), [side = side](float x, float y) {
      const float across = side == kUp || side == kDown ? x : y;
      return Shade(kCopper, 0.75f + 0.5f * (1 - std::abs(across - 32) / 14));
    }, Metal(4));
  for (const auto& [side, letter] : arms) {
    const Rgba liquid = Potion(letter);
    p.Shape(arm(side, 8.5f), [liquid](float x, float y) { return Shade(liquid, 0.85f + 0.3f * Noise(x / 4, y / 4, 7)); });
    // the flange at the cell's edge
    const float fx = side == kLeft ? 3 : side == kRight ? kCell - 3 : c, fy = side == kUp ? 3 : side == kDown ? kCell - 3 : c;
    const bool vertical = side == kUp || side == kDown;
    p.Solid([=](float x, float y) { return vertical ? Box(x, y, fx - 17, fy - 3, fx + 17, fy + 3, 1.5f) : Box(x, y, fx - 3, fy - 17, fx + 3, fy + 17, 1.5f); },
            Shade(kCopper, 0.9f), Metal(2));
  }
  p.Shape([c](float x, float y) { return Circle(x, y, c - 3, c - 3, 2.5f); }, Hex(0xffffff, 0.45f));  // a glint on the glass
  p.SavePng(rel);
}

void PotionBoard() {
  const std::string dir = "images/potion/";
  for (const char* l = kLetters; *l; ++l) {
    const char c = *l;
    const std::string s = std::string("_") + c;
    Pipe(dir + "pipe_ud" + s, {{kUp, c}, {kDown, c}});
    Pipe(dir + "pipe_ur" + s, {{kUp, c}, {kRight, c}});
    // Funnel: a wide copper bowl above a spout, holding what was poured.
    Canvas funnel(kCell, kCell);
    const auto bowl = [](float x, float y) { return std::max(Box(x, y, 4, 4, 60, 46, 3), std::abs(x - 32) - (46 - y) * 0.62f - 5); };
    funnel.Solid([](float x, float y) { return Box(x, y, 23, 38, 41, 64, 1); }, kCopper, Metal(4));
    funnel.Solid(bowl, [](float x, float y) { return Shade(kCopper, 0.8f + 0.4f * (1 - std::abs(x - 32) / 32) - 0.2f * y / 64); }, Metal(5));
    funnel.Shape([](float x, float y) { return std::max(Box(x, y, 9, 9, 55, 40, 2), std::abs(x - 32) - (40 - y) * 0.6f - 2); },
                 [c](float, float y) { return Shade(Potion(c), 1.1f - 0.3f * y / 40); });
    funnel.Outline([](float x, float y) { return Box(x, y, 4, 4, 60, 9, 2); }, 1.5f, Hex(0xf0c890));
    funnel.SavePng(dir + "funnel" + s);
    // Flask at the outlet and the moveable flask of the cupboard: glass round-bottomed flasks.
    for (const char* stem : {"flask", "carry"}) {
      Canvas flask(kCell, kCell);
      const auto glass = [](float x, float y) { return Union(Circle(x, y, 32, 42, 19), Box(x, y, 26, 6, 38, 30, 2)); };
      flask.Shape([](float x, float y) { return std::max(Circle(x, y, 32, 42, 16), 34 - y); }, [c](float x, float) { return Shade(Potion(c), 1.15f - 0.4f * x / 64); });
      flask.Solid(glass, [](float x, float) { return Hex(0xe8f4ff, 0.2f + 0.25f * std::abs(x - 32) / 20); }, Metal(6));
      flask.Solid([](float x, float y) { return Box(x, y, 24, 2, 40, 9, 2); }, Hex(0x9a6a3a), Metal(3));  // cork
      flask.Shape([](float x, float y) { return Ellipse(x, y, 24, 38, 3, 8); }, Hex(0xffffff, 0.6f));
      flask.SavePng(dir + stem + s);
    }
    Canvas target(kCell, 24);
    target.Solid([](float x, float y) { return Box(x, y, 2, 2, 62, 22, 8); }, [](float x, float y) { return Wood(x, y, Hex(0x5a3a1e), 3); }, Metal(3));
    target.Solid([](float x, float y) { return Box(x, y, 7, 6, 57, 18, 5); }, Potion(c), Metal(3));
    target.SavePng(dir + "target" + s);
  }
  // The merge: streams from above and from the left run down; every colour combination.
  for (const char* up = kLetters; *up; ++up)
    for (const char* down = kLetters; *down; ++down)
      for (const char* left = kLetters; *left; ++left)
        Pipe(dir + "pipe_udl_d_" + *up + *down + *left, {{kUp, *up}, {kDown, *down}, {kLeft, *left}});
  // The mix button (a green pour mark) and the reset button (a red turning arrow).
  for (bool mix : {true, false}) {
    Canvas b(120, 48);
    b.Solid([](float x, float y) { return Box(x, y, 2, 2, 118, 46, 12); }, [](float, float y) { return Mix(Hex(0x6a4a2a), Hex(0x2a1a0a), y / 48); }, Metal(5));
    b.Solid([](float x, float y) { return Box(x, y, 7, 7, 113, 41, 9); }, [mix](float, float y) { return Mix(Hex(mix ? 0x6ac05a : 0xd05a40), Hex(mix ? 0x2a6a2a : 0x7a2418), y / 48); },
            Metal(6));
    if (mix)
      b.Solid([](float x, float y) { return Union(std::max(std::abs(x - 60) - (38 - y) * 0.55f, std::max(24 - y, y - 38)), Box(x, y, 55, 10, 65, 25, 2)); },
              Hex(0xf4f8e8), Metal(2));
    else
      b.Solid([](float x, float y) {
        const float ring = std::max(std::abs(Circle(x, y, 60, 24, 10)) - 2.5f, -std::max(x - 60, 24 - y) - 0.f);
        const float head = std::max(std::abs(x - 70) - (y - 14) * 0.8f, std::max(14 - y, y - 24));
        return Union(ring, head);
      }, Hex(0xf8ece0), Metal(2));
    b.SavePng(dir + (mix ? "mix" : "reset"));
  }
  Canvas cupboard(240, 120);
  cupboard.Solid([](float x, float y) { return Box(x, y, 0, 0, 240, 120, 6); }, [](float x, float y) { return Wood(x, y, Hex(0x5a3a1e), 4); }, Metal(8));
  cupboard.Shape([](float x, float y) { return Box(x, y, 10, 10, 230, 110, 3); }, [](float x, float y) { return Shade(Wood(x, y, Hex(0x3a2410), 5), 0.6f + 0.4f * y / 120); });
  cupboard.Solid([](float x, float y) { return Box(x, y, 6, 100, 234, 110, 2); }, [](float x, float y) { return Wood(x, y, Hex(0x7a5430), 6); }, Metal(3));
  cupboard.SavePng(dir + "cupboard");
}

void LockAndMirror() {
  Canvas padlock(40, 40);
  padlock.Solid([](float x, float y) { return std::max(std::abs(Circle(x, y, 20, 16, 10)) - 3, y - 22); }, [](float x, float) { return Mix(Hex(0xe0e0e8), Hex(0x70707a), x / 40); },
                Metal(3));
  padlock.Solid([](float x, float y) { return Box(x, y, 6, 18, 34, 38, 4); }, [](float x, float y) { return Mix(Hex(0xf0c860), Hex(0x9a6a18), (x + y) / 80); }, Metal(5));
  padlock.Shape([](float x, float y) { return Union(Circle(x, y, 20, 26, 3), Trapezoid(x, y, 20, 27, 34, 2, 5)); }, Hex(0x2a1a08));
  padlock.SavePng("images/lock/padlock.png");
  Canvas frame(560, 300);
  frame.Solid([](float x, float y) { return -Box(x, y, 24, 24, 536, 276, 6); }, [](float x, float y) { return Wood(x, y, Hex(0x4a3420), 7); }, Metal(12));
  for (float cx : {12.f, 548.f})
    for (float cy : {12.f, 288.f}) frame.Solid([=](float x, float y) { return Circle(x, y, cx, cy, 6); }, Hex(0xb0b0b8), Metal(3));
  frame.Outline([](float x, float y) { return Box(x, y, 24, 24, 536, 276, 6); }, 2, Hex(0x1a1008, 0.8f));
  frame.SavePng("images/lock/frame.png");
  Canvas right(128, 128), wrong(128, 128);
  right.Glow([](float x, float y) { return Circle(x, y, 64, 64, 30); }, Hex(0x80ff80, 0.35f), 30);
  right.Solid([](float x, float y) {
    return std::min(std::max(std::abs((x - 30) - (y - 70)) / 1.41f - 8, std::max(x - 54, 24 - x)),
                    std::max(std::abs((x - 50) + (y - 90)) / 1.41f - 8, std::max(x - 102, 44 - x)));
  }, [](float, float y) { return Mix(Hex(0x70e070), Hex(0x208a30), y / 128); }, Metal(6));
  right.SavePng("sprites/mi_right.png");
  wrong.Glow([](float x, float y) { return Circle(x, y, 64, 64, 30); }, Hex(0xff6060, 0.35f), 30);
  wrong.Solid([](float x, float y) {
    return std::min(std::abs(x - y), std::abs(x + y - 128)) / 1.41f - 8 + std::max(0.f, std::max(std::abs(x - 64) - 40, std::abs(y - 64) - 40));
  }, [](float, float y) { return Mix(Hex(0xf06050), Hex(0x9a1a18), y / 128); }, Metal(6));
  wrong.SavePng("sprites/mi_wrong.png");
}

}  // namespace

void MakeMiniGameContent() {
  PotionBoard();
  LockAndMirror();
}
