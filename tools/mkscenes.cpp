// The scene screens' pictures for the demo: the 1024 x 768 backdrops of the chapter card, the
// cutscene stage, the courtyard (also at dawn, for the ending), the hall, the study and the diary
// book; the sidebar strips and buttons, the hint button and its refill gauge, the short-text box,
// the letterbox bars, the cutscene's panels, speakers and letter, the scene objects, hidden objects
// and inventory icons, and the sparkle of the hint effect. Deterministic, like the rest of mkcontent.
#include "mkscenes.h"

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

constexpr float kW = 1024, kH = 768;

// ---- backdrops ----

// A sky from `top` to `horizon` with soft clouds.
Rgba Sky(float x, float y, Rgba top, Rgba horizon, float horizonY, uint32_t seed, float clouds) {
  Rgba c = Mix(top, horizon, std::pow(std::clamp(y / horizonY, 0.f, 1.f), 1.4f));
  const float n = Fractal(x / 220, y / 70, seed);
  const float cover = std::clamp((n - 0.55f) * 4, 0.f, 1.f) * clouds;
  return Mix(c, Shade(Mix(horizon, Hex(0xffffff), 0.6f), 1.0f - 0.25f * Noise(x / 40, y / 20, seed + 3)), cover);
}

// A ridge line: the height of hills at x.
float Ridge(float x, float base, float amp, uint32_t seed) { return base - amp * Fractal(x / 260, 0.5f, seed); }

// A round-topped arch over (x0,y0)-(x1,y1) with a flat foot.
float Arch(float x, float y, float x0, float y0, float x1, float y1) {
  const float r = (x1 - x0) / 2;
  return Union(Box(x, y, x0, y0 + r, x1, y1), std::max(Circle(x, y, x0 + r, y0 + r, r), y - (y0 + r) - 1));
}

// A tree: a trunk and a crown of overlapping leafy balls.
void Tree(Canvas& c, float cx, float groundY, float size, Rgba leaf, uint32_t seed) {
  Look look;
  look.bevel = size * 0.3f;
  look.light = 0.35f;
  look.outline = 1.5f;
  c.Solid([=](float x, float y) { return Trapezoid(x, y, cx, groundY - size * 1.2f, groundY, size * 0.12f, size * 0.22f); },
          [=](float x, float y) { return Wood(y, x * 4, Hex(0x4a3222), seed); }, look,
          Around(cx - size, groundY - 2 * size, cx + size, groundY));
  for (int i = 0; i < 7; ++i) {
    const float a = i * 0.9f + Hash(i, 1, seed) * 0.6f, r = size * (0.32f + 0.12f * Hash(i, 2, seed));
    const float bx = cx + std::cos(a) * size * 0.38f, by = groundY - size * 1.45f + std::sin(a) * size * 0.3f;
    c.Solid([=](float x, float y) { return Circle(x, y, bx, by, r) - 3 * (Noise(x / 6, y / 6, seed + i) - 0.5f); },
            [=](float x, float y) { return Shade(leaf, 0.8f + 0.35f * Noise(x / 5, y / 5, seed + 20)); }, look,
            Around(bx - r, by - r, bx + r, by + r, 6));
  }
}

// A window with its frame and panes, the view through it painted by `view`.
void Window(Canvas& c, float x0, float y0, float x1, float y1, const Canvas::Painter& view, Rgba frame, bool arched) {
  const auto shape = [arched](float x, float y, float x0, float y0, float x1, float y1) {
    return arched ? Arch(x, y, x0, y0, x1, y1) : Box(x, y, x0, y0, x1, y1, 4);
  };
  const auto hole = [=](float x, float y) { return shape(x, y, x0, y0, x1, y1); };
  Look look;
  look.bevel = 6;
  c.Solid([=](float x, float y) { return shape(x, y, x0 - 12, y0 - 12, x1 + 12, y1 + 16); }, frame, look,
          Around(x0 - 12, y0 - 12, x1 + 12, y1 + 16));
  c.Shape(hole, view, Around(x0, y0, x1, y1));
  // mullions and glazing bars
  const float mx = (x0 + x1) / 2;
  c.Solid([=](float x, float y) {
    const float bars = Union(Box(x, y, mx - 4, y0, mx + 4, y1), Box(x, y, x0, (y0 + y1) / 2 - 3, x1, (y0 + y1) / 2 + 3));
    return std::max(bars, hole(x, y));
  }, Shade(frame, 0.9f), look, Around(x0, y0, x1, y1));
  c.Solid([=](float x, float y) { return Box(x, y, x0 - 18, y1 + 8, x1 + 18, y1 + 22, 3); }, Shade(frame, 1.1f), look,
          Around(x0 - 18, y1 + 8, x1 + 18, y1 + 22));
}

Rgba Dusk(float x, float y, float y0, float y1) {
  return Sky(x, y, Hex(0x2a3a6a), Hex(0xf0a060), y1 - (y1 - y0) * 0.1f, 41, 0.6f);
}

// An arched wooden door in a stone frame over (x0,y0)-(x1,y1).
void Door(Canvas& c, float x0, float y0, float x1, float y1, Rgba wood, uint32_t seed) {
  Look look;
  look.bevel = 8;
  c.Solid([=](float x, float y) { return Arch(x, y, x0 - 14, y0 - 14, x1 + 14, y1 + 2); },
          [=](float x, float y) { return Stone(x, y, Hex(0x9a9080), 34, 22, seed); }, look, Around(x0 - 14, y0 - 14, x1 + 14, y1 + 2));
  c.Solid([=](float x, float y) { return Arch(x, y, x0, y0, x1, y1 + 1); },
          [=](float x, float y) { return Shade(Planks(x, y, wood, (x1 - x0) / 4, seed), 0.75f + 0.3f * (y - y0) / (y1 - y0)); }, look,
          Around(x0, y0, x1, y1));
  for (float band : {0.3f, 0.75f})
    c.Solid([=](float x, float y) { return std::max(Box(x, y, x0, y0 + (y1 - y0) * band - 5, x1, y0 + (y1 - y0) * band + 5),
                                                    Arch(x, y, x0, y0, x1, y1)); }, Hex(0x2a2a2e), look, Around(x0, y0, x1, y1));
  const float ry = y0 + (y1 - y0) * 0.55f;
  c.Solid([=](float x, float y) { return Cut(Circle(x, y, x1 - 22, ry, 9), Circle(x, y, x1 - 22, ry, 5)); }, Hex(0xc8a040), look,
          Around(x1 - 40, ry - 20, x1, ry + 20));
}

void ChapterCard() {
  Canvas c(1024, 768);
  c.Paint([](float x, float y) {
    Rgba col = Parchment(x, y, Hex(0xe4d0a0), 11);
    const float edge = std::min({x, y, kW - x, kH - y});
    col = Shade(col, 0.62f + 0.38f * std::clamp(edge / 90, 0.f, 1.f));  // scorched rim
    return Shade(col, Vignette(x, y, kW, kH, 0.25f));
  });
  const Rgba ink = Hex(0x5a3a1c, 0.85f);
  c.Outline([](float x, float y) { return Box(x, y, 40, 40, 984, 728, 10); }, 3, ink);
  c.Outline([](float x, float y) { return Box(x, y, 52, 52, 972, 716, 6); }, 1.2f, ink);
  for (float cx : {52.f, 972.f})
    for (float cy : {52.f, 716.f}) {
      c.Solid([=](float x, float y) { return (std::abs(x - cx) + std::abs(y - cy)) * 0.7f - 14; }, Hex(0x8a5a2a));
      c.Shape([=](float x, float y) { return Circle(x, y, cx, cy, 4); }, Hex(0xe8c060));
    }
  // a compass rose in the lower right corner
  const float ox = 860, oy = 600;
  for (int i = 0; i < 8; ++i) {
    const float a = i * 3.14159f / 4, len = i % 2 ? 34.f : 62.f;
    const float dx = std::cos(a), dy = std::sin(a);
    c.Solid([=](float x, float y) {
      const float u = (x - ox) * dx + (y - oy) * dy, v = -(x - ox) * dy + (y - oy) * dx;
      return std::max(std::abs(v) - 9 * (1 - u / len), std::max(-u, u - len));
    }, i % 2 ? Hex(0xb08a50) : Hex(0x7a2a1a), Look{}, Around(ox - 70, oy - 70, ox + 70, oy + 70));
  }
  c.Outline([=](float x, float y) { return Circle(x, y, ox, oy, 44); }, 1.5f, ink, Around(ox - 50, oy - 50, ox + 50, oy + 50));
  // a quill-drawn flourish under the title place
  c.Shape([](float x, float y) { return std::max(std::abs(y - 381 - 6 * std::sin((x - 628) / 30)) - 1.4f * (1 - std::abs(x - 790) / 170),
                                                 std::abs(x - 790) - 170); }, ink);
  c.SaveJpeg("scenes/chapter/bg", 0.88f);
  c.SaveJpeg("images/chapter_bg");

  // The location map: a river, roads, woods, the village and the manor.
  Canvas map(360, 240);
  const Rgba land = Hex(0xc9d6a0);
  map.Shape([](float x, float y) { return Box(x, y, 0, 0, 360, 240, 10); },
            [land](float x, float y) { return Shade(land, 0.95f + 0.08f * Fractal(x / 40, y / 40, 12)); });
  const auto river = [](float x, float y) { return std::abs(y - 130 - 36 * std::sin(x / 55) - 10 * std::sin(x / 17)) - 5 - x / 120; };
  map.Shape(river, Hex(0x5a8ec0));
  map.Outline(river, 1, Hex(0x2a5a8a, 0.6f));
  const auto road = [](float x, float y) { return std::abs(x - 60 - (y - 20) * 0.9f - 12 * std::sin(y / 20)) - 2; };
  map.Shape([&](float x, float y) { return std::max(road(x, y), -(std::fmod(y, 10.f) - 6)); }, Hex(0x8a6a3a));
  for (int i = 0; i < 26; ++i) {
    const float tx = 200 + 150 * Hash(i, 0, 13), ty = 20 + 80 * Hash(i, 1, 13);
    if (std::abs(ty - 130 - 36 * std::sin(tx / 55)) < 25) continue;
    map.Solid([=](float x, float y) { return Circle(x, y, tx, ty, 5); }, Hex(0x4a7a3a), Look{1, Hex(0x203a18, 0.8f), 3, 0.4f});
  }
  for (int i = 0; i < 5; ++i) {
    const float hx = 60 + i * 16.f, hy = 186 + 8 * Hash(i, 3, 13);
    map.Solid([=](float x, float y) { return Box(x, y, hx, hy, hx + 10, hy + 8); }, Hex(0xe0d0b0), Look{0.8f, Hex(0x3a2a1a, 0.9f), 2, 0.3f});
    map.Solid([=](float x, float y) { return Trapezoid(x, y, hx + 5, hy - 7, hy, 1, 14); }, Hex(0xa83a28), Look{0.8f, Hex(0x3a1a10, 0.9f), 2, 0.3f});
  }
  map.Solid([](float x, float y) { return Union(Box(x, y, 240, 56, 276, 80), Box(x, y, 250, 40, 262, 56)); }, Hex(0x7a6a5a),
            Look{1, Hex(0x2a1a10, 0.9f), 3, 0.4f});
  map.Outline([](float x, float y) { return Circle(x, y, 258, 62, 24); }, 3, Hex(0xa02018, 0.85f));
  map.Outline([](float x, float y) { return Box(x, y, 3, 3, 357, 237, 8); }, 3, Hex(0x5a3a1c));
  map.SavePng("scenes/chapter/loc1");
}

void CutsceneStage() {
  Canvas c(1024, 768);
  c.Paint([](float x, float y) {
    // striped wallpaper, dark wainscot and boards
    Rgba wall = Shade(Hex(0x6a2e2a), 0.85f + 0.15f * (std::fmod(x, 48.f) < 24) + 0.08f * Noise(x / 9, y / 9, 4));
    if (y > 470) wall = Planks(y * 3, x / 3, Hex(0x4a2e1a), 60, 5);
    if (y > 470 && y < 482) wall = Hex(0x2a1a10);
    if (y > 610) wall = Shade(Planks(x, y, Hex(0x5a3a22), 80, 6), 0.7f + 0.3f * (y - 610) / 158);
    const float light = std::max(0.f, 1 - std::hypot((x - 512) / 420, (y - 300) / 340));
    return Shade(wall, (0.55f + 0.6f * light) * Vignette(x, y, kW, kH, 0.3f));
  });
  Window(c, 420, 150, 604, 420, [](float x, float y) {
    Rgba sky = Dusk(x, y, 150, 420);
    if (std::hypot(x - 560, y - 200) < 18) sky = Hex(0xfff4d0);
    if (y > 370 - 20 * Fractal(x / 60, 0, 9)) sky = Hex(0x1a2030);  // far hills
    return sky;
  }, Hex(0x3a2414), true);
  for (float side : {-1.f, 1.f}) {
    const float cx = 512 + side * 150;
    c.Solid([=](float x, float y) { return Trapezoid(x, y, cx, 110, 470, 80, 130); },
            [=](float x, float y) { return Shade(Hex(0x7a1a24), 0.75f + 0.35f * std::pow(std::sin((x - cx) / 9), 2.f)); });
  }
  c.Solid([](float x, float y) { return Box(x, y, 300, 100, 724, 118, 6); }, Hex(0xa8803a));
  // a portrait on each side and a mantel clock glow
  for (float px : {150.f, 800.f}) {
    c.Solid([=](float x, float y) { return Box(x, y, px, 200, px + 110, 340, 4); }, Hex(0xb08a40));
    c.Shape([=](float x, float y) { return Box(x, y, px + 12, 212, px + 98, 328, 2); },
            [=](float x, float y) { return Mix(Hex(0x2a3a2a), Hex(0x5a4a2a), Fractal(x / 30, y / 30, uint32_t(px))); });
    c.Shape([=](float x, float y) { return Ellipse(x, y, px + 55, 262, 20, 26); }, Hex(0xc89a78, 0.8f));
  }
  c.SaveJpeg("scenes/cutscene/stage1", 0.88f);
}

// The village courtyard by day; at dawn (the ending) under a rose sky with the sun rising.
void Courtyard(bool dawn) {
  Canvas c(1024, 768);
  c.Paint([dawn](float x, float y) {
    Rgba col = dawn ? Sky(x, y, Hex(0x4a5a9a), Hex(0xf8b890), 380, 113, 0.8f) : Sky(x, y, Hex(0x5a8ad0), Hex(0xf4e0b8), 380, 13, 1);
    if (dawn) {
      const float sun = std::hypot(x - 330, y - 330);
      if (sun < 220) col = Mix(col, Hex(0xfff0c0), 0.6f * std::pow(1 - sun / 220, 2.f));
      if (sun < 34) col = Hex(0xfff6d8);
    }
    const float far = Ridge(x, 330, 70, 14), near = Ridge(x + 400, 400, 50, 15);
    if (y > far) col = Mix(Hex(0x7a98a8), Hex(0x5a7a70), (y - far) / 80);
    if (y > near) col = Shade(Hex(0x4a7a3a), 0.85f + 0.2f * Fractal(x / 30, y / 30, 16));
    if (y > 470) {
      // cobbles in perspective
      const float depth = (y - 470) / 300, sx = (x - 512) / (0.6f + depth) + 512;
      const Rgba cob = Stone(sx, (y - 470) / (0.35f + depth * 0.9f), Hex(0x9a8a74), 38, 24, 17);
      col = Mix(col, Shade(cob, 0.75f + 0.35f * depth), std::clamp((y - 470) / 20, 0.f, 1.f));
    }
    return Shade(col, Vignette(x, y, kW, kH, 0.25f));
  });
  Tree(c, 110, 520, 150, Hex(0x3e6a2a), 18);
  Tree(c, 470, 470, 90, Hex(0x4a7a30), 19);
  // the manor's wing on the right: roof, stone wall, windows and its door
  c.Solid([](float x, float y) { return Trapezoid(x, y, 830, 40, 130, 300, 460); },
          [](float x, float y) { return Shade(Hex(0x3a3e4a), 0.8f + 0.3f * (std::fmod(y, 14.f) > 3) * Noise(x / 10, y / 14, 2)); });
  c.Solid([](float x, float y) { return Box(x, y, 610, 120, 1040, 562); },
          [](float x, float y) { return Stone(x, y, Hex(0xa89a84), 46, 26, 20); }, Look{2, Hex(0x1a1410, 0.8f), 10, 0.3f, 8});
  for (float wx : {640.f, 900.f, 960.f}) {
    if (wx == 960) continue;
    Window(c, wx, 200, wx + 70, 330, [](float, float y) { return Mix(Hex(0xffe8a0), Hex(0xe8a040), (y - 200) / 130); }, Hex(0x5a4a3a), true);
  }
  Door(c, 700, 200, 860, 520, Hex(0x6a4226), 21);
  c.Solid([](float x, float y) { return Box(x, y, 680, 520, 880, 540, 3); }, [](float x, float y) { return Stone(x, y, Hex(0x8a8070), 50, 10, 22); });
  // a notice pinned to the wall above the door, the village's words on it in ink (the text is
  // the scene's own text box, laid on the light paper so that it reads)
  if (!dawn) {
    c.Solid([](float x, float y) { return Box(x, y, 648, 128, 936, 204, 4); },
            [](float x, float y) { return Shade(Parchment(x, y, Hex(0xf0e2bc), 23), 1.02f - 0.08f * (y - 128) / 76); },
            Look{2, Hex(0x3a2410, 0.85f), 6, 0.3f, 3});
    for (float px : {660.f, 924.f})
      c.Solid([=](float x, float y) { return Circle(x, y, px, 138, 4); }, Hex(0x5a4a3a));
  }
  // a lantern by the door and a cart wheel against the wall
  DrawFlame(c, 895, 250, 22);
  c.Solid([](float x, float y) { return Cut(Circle(x, y, 960, 500, 44), Circle(x, y, 960, 500, 36)); }, Hex(0x6a4a2a));
  for (int i = 0; i < 6; ++i) {
    const float a = i * 3.14159f / 6;
    c.Solid([=](float x, float y) {
      const float u = (x - 960) * std::cos(a) + (y - 500) * std::sin(a), v = -(x - 960) * std::sin(a) + (y - 500) * std::cos(a);
      return std::max(std::abs(v) - 3, std::abs(u) - 38);
    }, Hex(0x5a3a20), Look{}, Around(910, 450, 1010, 550));
  }
  if (dawn) {
    c.Paint([](float x, float y) { return Hex(0xff9060, 0.12f * std::clamp(1 - y / 768, 0.f, 1.f)); });  // warm morning light
    c.SaveJpeg("scenes/ending/bg", 0.88f);
    return;
  }
  c.SaveJpeg("scenes/courtyard/bg", 0.88f);
  c.SaveJpeg("images/village_bg");
}

// The manor's hall: the stairs up to the attic, the tall clock with its lantern (the way on opens
// behind it), a fireplace, a portrait and a tapestry, a side table for the candle and a moonlit window.
void Hall() {
  Canvas c(1024, 768);
  c.Paint([](float x, float y) {
    Rgba col = Stone(x, y, Hex(0x7a6a5a), 64, 32, 30);
    if (y > 280 && y < 470) col = Planks(x, y, Hex(0x5a3620), 40, 31);  // wainscot
    if (y > 470) {
      const float depth = (y - 470) / 300;
      const float u = (x - 512) / (0.4f + depth), v = (y - 470) / (0.2f + depth);
      const bool dark = (int(std::floor(u / 60)) + int(std::floor(v / 40))) % 2;
      col = Shade(dark ? Hex(0x4a3a30) : Hex(0x9a8a70), 0.85f + 0.15f * Noise(x / 8, y / 8, 32));
    }
    const float light = std::max(0.f, 1 - std::hypot((x - 520) / 520, (y - 300) / 420));
    return Shade(col, (0.5f + 0.7f * light) * Vignette(x, y, kW, kH, 0.2f));
  });
  c.Solid([](float x, float y) { return Box(x, y, -10, 276, 1034, 286); }, Hex(0x3a2414));
  // a red runner on the floor, leading back out
  c.Shape([](float x, float y) { return std::max(std::abs(x - 400) - 70 - (y - 470) * 0.35f, std::max(470 - y, y - 780)); },
          [](float x, float y) { return Shade(Hex(0x7a1a1a), 0.8f + 0.2f * (std::fmod(y, 24.f) < 3) + 0.1f * Noise(x / 4, y / 4, 36)); });
  // the portrait of the vanished lord and a tapestry
  c.Solid([](float x, float y) { return Box(x, y, 40, 110, 150, 262, 3); }, Hex(0xc09a48), Look{2, Hex(0x201008, 0.9f), 6, 0.5f, 5});
  c.Shape([](float x, float y) { return Box(x, y, 52, 122, 138, 250, 2); },
          [](float x, float y) { return Mix(Hex(0x2a3a4a), Hex(0x6a5a3a), (y - 122) / 128); });
  DrawPerson(c, Place{47, 132, 0.32f}, Person{Hex(0xe0b090), Hex(0x3a2a1a), Hex(0x2a4a3a), Hex(0xf0e8d8), Hex(0x4a6a8a)});
  c.Solid([](float x, float y) { return Box(x, y, 180, 100, 270, 262, 2) + 2 * std::max(0.f, y - 250) * std::sin(x / 6) * 0.3f; },
          [](float x, float y) {
            const float u = (x - 180) / 90, v = (y - 100) / 162;
            Rgba col = Shade(Hex(0x2a3a6a), 0.85f + 0.1f * std::sin(y * 1.2f));
            if (std::abs(u - 0.5f) < 0.32f && std::abs(v - 0.45f) < 0.3f) col = Shade(Hex(0x8a6a2a), 0.9f + 0.1f * std::sin(x));
            if (std::hypot(u - 0.5f, (v - 0.45f) * 1.8f) < 0.16f) col = Hex(0xb02a2a);
            return col;
          }, Look{1.5f, Hex(0x100804, 0.9f), 4, 0.3f, 4});
  c.Solid([](float x, float y) { return Box(x, y, 172, 94, 278, 102, 3); }, Hex(0x9a7a40));
  // the tall clock, its face and pendulum, and the empty lantern on its top that wants a candle
  c.Solid([](float x, float y) { return Union(Box(x, y, 298, 160, 342, 262, 4), Box(x, y, 292, 152, 348, 164, 3)); },
          [](float x, float y) { return Wood(x, y, Hex(0x6a3a1a), 34); }, Look{1.5f, Hex(0x201008, 0.9f), 5, 0.4f, 4});
  c.Solid([](float x, float y) { return Circle(x, y, 320, 184, 15); }, Hex(0xf0e6cc), Look{1.2f, Hex(0x806020), 3, 0.3f});
  for (int i = 0; i < 12; ++i) {
    const float a = i * 0.5236f;
    c.Shape([=](float x, float y) { return Circle(x, y, 320 + 12 * std::cos(a), 184 + 12 * std::sin(a), 0.9f); }, Hex(0x201810));
  }
  c.Shape([](float x, float y) { return Union(Box(x, y, 319, 173, 321, 185), Box(x, y, 319, 183, 329, 185)); }, Hex(0x201810));
  c.Shape([](float x, float y) { return Box(x, y, 306, 204, 334, 254, 3); }, Hex(0x1a0e06, 0.8f));
  c.Solid([](float x, float y) { return Union(Box(x, y, 318.5f, 204, 321.5f, 238), Circle(x, y, 320, 240, 8)); }, Hex(0xd8b040),
          Look{1, Hex(0x3a2008), 3, 0.5f});
  c.Solid([](float x, float y) { return Union(Cut(Box(x, y, 308, 114, 332, 150, 4), Box(x, y, 312, 120, 328, 146, 2)), Trapezoid(x, y, 320, 104, 116, 4, 28)); },
          Hex(0x2a2a30), Look{1.2f, Hex(0, 0.9f), 3, 0.5f});
  c.Shape([](float x, float y) { return Box(x, y, 312, 120, 328, 146, 2); }, Hex(0xc8d8e0, 0.25f));
  // the stairs up to the attic
  c.Solid([](float x, float y) { return Box(x, y, 340, -20, 460, 120, 6); }, Hex(0x1a120c));
  for (int i = 0; i < 6; ++i)
    c.Solid([=](float x, float y) { return Box(x, y, 346, 6 + i * 19.f, 454, 14 + i * 19.f, 2); },
            [=](float x, float y) { return Wood(x, y, Hex(0x8a5a30), 35 + i); }, Look{1, Hex(0x100804, 0.9f), 3, 0.5f, 2});
  for (float side : {336.f, 456.f})
    c.Solid([=](float x, float y) { return Box(x, y, side, -10, side + 8, 124, 2); }, [](float x, float y) { return Wood(x, y, Hex(0x6a4020), 37); },
            Look{1, Hex(0x100804, 0.9f), 3, 0.5f});
  // the fireplace with its fire, and two gilt frames
  c.Solid([](float x, float y) { return Union(Box(x, y, 470, 290, 720, 470, 4), Box(x, y, 456, 280, 734, 296, 3)); },
          [](float x, float y) { return Stone(x, y, Hex(0x9a9284), 40, 20, 38); }, Look{2, Hex(0x100804, 0.9f), 8, 0.4f, 6});
  c.Shape([](float x, float y) { return Union(Box(x, y, 520, 350, 670, 470), std::max(Circle(x, y, 595, 350, 75), y - 351)); },
          [](float x, float y) { return Mix(Hex(0x2a120a), Hex(0x0a0604), (470 - y) / 140); });
  c.Glow([](float x, float y) { return Ellipse(x, y, 595, 452, 50, 12); }, Hex(0xff9030, 0.6f), 60, Area{470, 330, 720, 480});
  for (int i = 0; i < 5; ++i) DrawFlame(c, 555 + i * 20.f, 440 - 10 * Hash(i, 0, 39), 26 + 14 * Hash(i, 1, 39));
  c.Solid([](float x, float y) { return Union(Box(x, y, 545, 455, 645, 464, 3), Box(x, y, 560, 448, 630, 458, 3)); }, Hex(0x3a2010),
          Look{1, Hex(0, 0.9f), 3, 0.4f});
  for (int i = 0; i < 2; ++i) {
    const float fx = 540 + i * 90.f;
    c.Solid([=](float x, float y) { return Box(x, y, fx, 160 - i * 14.f, fx + 60, 240 - i * 14.f, 2); }, Hex(0xb89040),
            Look{1.5f, Hex(0x201008, 0.9f), 4, 0.5f, 4});
    c.Shape([=](float x, float y) { return Box(x, y, fx + 7, 167 - i * 14.f, fx + 53, 233 - i * 14.f); },
            [=](float x, float y) { return Mix(Hex(0x6a8ab0), Hex(0x4a6a30), (y - 150) / 80 + 0.2f * Noise(x / 8, y / 8, i)); });
  }
  // the side table under the candle, and a tall window on the right
  c.Solid([](float x, float y) { return Union(Box(x, y, 570, 552, 670, 564, 3), Union(Box(x, y, 580, 560, 590, 620), Box(x, y, 650, 560, 660, 620))); },
          [](float x, float y) { return Wood(x, y, Hex(0x6a3a1a), 50); }, Look{1.5f, Hex(0x100804, 0.9f), 4, 0.4f, 4});
  Window(c, 830, 120, 960, 420, [](float x, float y) {
    Rgba sky = Sky(x, y, Hex(0x101838), Hex(0x3a4a7a), 420, 51, 0.3f);
    if (Hash(int(x / 3), int(y / 3), 52) > 0.985f) sky = Hex(0xf0f0ff);
    if (std::hypot(x - 920, y - 170) < 16) sky = Hex(0xf8f4e0);
    return sky;
  }, Hex(0x4a3a2a), true);
  c.Paint([](float x, float y) {  // moonlight on the floor
    const float t = std::max(0.f, 1 - std::hypot((x - 840 + (y - 470) * 0.6f) / 110, (y - 600) / 60));
    return Hex(0xb0c0ff, 0.25f * t);
  }, Area{600, 470, 1024, 768});
  c.SaveJpeg("scenes/hall/bg", 0.88f);
  c.SaveJpeg("images/hall_bg");
  // The clock as the way behind it: the picture's own clock, cut out in its shape, laid over the
  // picture at (292, 152). It looks like the picture until the way opens and glows round it; the
  // glow is as strong as the cut-out is opaque, so the cut-out is faint.
  Canvas door(56, 112);
  for (int y = 0; y < door.H(); ++y)
    for (int x = 0; x < door.W(); ++x) {
      const float px = x + 292.5f, py = y + 152.5f;
      const float inside = Union(Box(px, py, 298, 160, 342, 262, 4), Box(px, py, 292, 152, 348, 164, 3));
      Rgba pixel = c.At(x + 292, y + 152);
      pixel.a = 0.2f * std::clamp(0.5f - inside, 0.f, 1.f);  // faint: the glow is as strong as the shape
      door.At(x, y) = pixel;
    }
  door.SavePng("scenes/hall/clock_door");

  // The clock's lantern once the candle burns in it, laid over the picture at (300, 100): the
  // glass glows warm around a small flame.
  Canvas lit(40, 52);
  lit.Glow([](float x, float y) { return Box(x, y, 12, 20, 28, 46, 2); }, Hex(0xffc060, 0.5f), 14);
  lit.Shape([](float x, float y) { return Box(x, y, 12, 20, 28, 46, 2); },
            [](float, float y) { return Mix(Hex(0xfff0c0, 0.95f), Hex(0xe09040, 0.9f), (y - 20) / 26); });
  lit.Solid([](float x, float y) { return Box(x, y, 17, 38, 23, 46, 1); }, Hex(0xf4ecd8), Look{0.8f, Hex(0x806040, 0.8f), 2, 0.3f});
  DrawFlame(lit, 20, 32, 10);
  lit.SavePng("scenes/hall/lantern_lit");
}

// The hall's fire, moving: frames of the flames over the hearth, laid on the picture at
// (kFireLeft, kFireTop) by the scene as an animated texture. Each frame draws the five flames of
// the picture a little taller and swaying (so they cover the still ones) and the log in front of
// them again, on a clear ground; a sheet of 4 x 2 frames and its description with the script
// that plays them.
constexpr int kFireLeft = 520, kFireTop = 370, kFireW = 150, kFireH = 100, kFireFrames = 8;

void HearthFire() {
  Canvas sheet(kFireW * 4, kFireH * 2);
  std::string frames;
  for (int k = 0; k < kFireFrames; ++k) {
    const int cellX = (k % 4) * kFireW, cellY = (k / 4) * kFireH;
    const Area cell{cellX, cellY, cellX + kFireW, cellY + kFireH};
    // From the sheet's pixels to the hall's.
    const float ox = float(kFireLeft - cellX), oy = float(kFireTop - cellY);
    const float flicker = 0.7f + 0.3f * Hash(k, 0, 76);
    sheet.Glow([=](float x, float y) { return Ellipse(x + ox, y + oy, 595, 436, 40, 12); }, Hex(0xff9030, 0.22f * flicker), 16, cell);
    for (int i = 0; i < 5; ++i) {
      // The picture's flame: centre, height and the foot it stands on (see Hall).
      const float cx = 555 + i * 20.f, h0 = 26 + 14 * Hash(i, 1, 39), foot = 440 - 10 * Hash(i, 0, 39) + h0 / 2;
      const float h = h0 * (1.08f + 0.3f * Hash(i, k, 77)), sway = (Hash(i, k, 78) - 0.5f) * 9;
      const float cy = foot - h / 2;
      const auto flame = [=](float x, float y) {
        x += ox, y += oy;
        const float t = std::clamp((y - (cy - h / 2)) / h, 0.f, 1.f);  // 0 at the tip
        const float half = h * 0.22f * std::sqrt(t) * (1.2f - 0.4f * t);
        const float mid = cx + sway * (1 - t) * (1 - t);
        return std::max(std::abs(x - mid) - half, std::max(cy - h / 2 - y, y - cy - h / 2));
      };
      sheet.Shape(flame, [=](float, float y) { return Mix(Hex(0xfff6c8), Hex(0xff8a1c), std::abs(y + oy - cy) / (h / 2)); }, cell);
      sheet.Shape([=](float x, float y) { return Ellipse(x + ox, y + oy, cx + sway * 0.1f, cy + h * 0.18f, h * 0.07f, h * 0.18f); },
                  Hex(0xffffff, 0.8f), cell);
    }
    sheet.Solid([=](float x, float y) {
      x += ox, y += oy;
      return Union(Box(x, y, 545, 455, 645, 464, 3), Box(x, y, 560, 448, 630, 458, 3));
    }, Hex(0x3a2010), Look{1, Hex(0, 0.9f), 3, 0.4f}, cell);
    char frame[160];
    std::snprintf(frame, sizeof frame, "    <frame name=\"fire%d\" x=\"%d\" y=\"%d\" w=\"%d\" h=\"%d\" regx=\"0\" regy=\"0\"/>\n", k + 1, cellX,
                  cellY, kFireW, kFireH);
    frames += frame;
  }
  sheet.SavePng("scenes/hall/fire");
  // The flames leap in no fixed order: the script lists the frames as they are shown.
  char head[160];
  std::snprintf(head, sizeof head, "  <img name=\"fire.png\" w=\"%d\" h=\"%d\"/>\n", kFireW, kFireH);
  SaveText("scenes/hall/fire.xml",
           std::string("<sequence name=\"hearthfire\" source=\"mkscenes\">\n") + head + "  <framelist>\n" + frames +
               "  </framelist>\n"
               "  <script>function DoAnim() delay(90); frames{1,2,3,4,5,6,7,8,3,6,2,7,4,1,8,5}; end</script>\n"
               "</sequence>\n");
}

// Draws into a canvas whose top-left corner lies at (ox, oy) of the 1024 x 768 picture, so that one
// drawing serves both the backdrop and the part of a hidden object's sprite it covers.
struct Layer {
  Canvas& c;
  float ox = 0, oy = 0;
  Area Shift(Area a) const { return {a.x0 - int(ox) - 1, a.y0 - int(oy) - 1, a.x1 - int(ox) + 1, a.y1 - int(oy) + 1}; }
  void Solid(Canvas::Distance d, Canvas::Painter f, Look look, Area a) const {
    const float x0 = ox, y0 = oy;
    c.Solid([=](float x, float y) { return d(x + x0, y + y0); }, [=](float x, float y) { return f(x + x0, y + y0); }, look, Shift(a));
  }
  void Solid(Canvas::Distance d, Rgba colour, Look look, Area a) const { Solid(d, [colour](float, float) { return colour; }, look, a); }
  void Outline(Canvas::Distance d, float width, Rgba colour, Area a) const {
    const float x0 = ox, y0 = oy;
    c.Outline([=](float x, float y) { return d(x + x0, y + y0); }, width, colour, Shift(a));
  }
  Place At(float x, float y, float scale) const { return Place{x - ox, y - oy, scale}; }
};

// The attic's light: a warm pool from the window side, darker towards the corners.
float AtticLight(float x, float y) {
  const float light = std::max(0.f, 1 - std::hypot((x - 560) / 600, (y - 300) / 460));
  return (0.55f + 0.6f * light) * Vignette(x, y, kW, kH, 0.2f);
}

const Look kFlat{1.2f, Hex(0x100804, 0.9f), 4, 0.4f};

// The clutter in front: each thing partly covers one of the hidden objects (and is drawn over
// that object's sprite where they overlap, so the object seems to lie behind it).
void FrontClutter(const Layer& l) {
  // a stoneware jar before the cup on the lowest shelf
  l.Solid([](float x, float y) { return Union(Trapezoid(x, y, 348, 446, 500, 30, 40), Box(x, y, 336, 440, 360, 450, 2)); },
          [](float x, float y) { return Shade(Mix(Hex(0x8a7a5a), Hex(0x6a5a40), Noise(x / 6, y / 9, 301)), AtticLight(x, y)); }, kFlat,
          Around(326, 438, 372, 502));
  // a rolled map lying across the green book's foot
  l.Solid([](float x, float y) { return Box(x, y, 452, 162, 566, 180, 9); },
          [](float x, float y) { return Shade(Parchment(x, y, Hex(0xb8a07a), 302), AtticLight(x, y) * (0.85f + 0.15f * std::sin(y / 3))); },
          kFlat, Around(452, 160, 566, 182));
  // a small iron-bound box before the bell
  l.Solid([](float x, float y) { return Box(x, y, 110, 316, 152, 340, 2); },
          [](float x, float y) { return Shade(Wood(x, y, Hex(0x5a3418), 303), AtticLight(x, y) * (std::abs(x - 131) < 3 ? 0.5f : 1)); }, kFlat,
          Around(110, 316, 152, 340));
  // the inkwell the quill stands in
  l.Solid([](float x, float y) { return Union(Ellipse(x, y, 252, 528, 20, 14), Box(x, y, 242, 508, 262, 518, 2)); }, Hex(0x20202a),
          Look{1.2f, Hex(0, 0.9f), 4, 0.6f, 0, 0.4f, 0.4f}, Around(230, 506, 274, 544));
  // the curtain at the window's right edge, before the candlestick on the sill
  l.Solid([](float x, float y) { return Box(x - 5 * std::sin(y / 23), y, 962, 56, 1010, 404, 6); },
          [](float x, float y) { return Shade(Hex(0x5a2a22), AtticLight(x, y) * (0.75f + 0.35f * std::sin(x / 5 + y / 90))); }, kFlat,
          Around(950, 50, 1020, 410));
  // a flat-lying book and a cobweb before the skull in the top shelf's corner
  l.Solid([](float x, float y) { return Box(x, y, 48, 166, 124, 180, 1.5f); },
          [](float x, float y) { return Shade(Hex(0x4a2a24), AtticLight(x, y) * (0.9f + 0.1f * Noise(x / 3, y, 304))); }, kFlat,
          Around(48, 166, 124, 180));
  for (int i = 0; i < 5; ++i)
    l.Outline([=](float x, float y) { return Circle(x, y, 46, 42, 20.f + i * 24); }, 0.8f, Hex(0xd8d0c0, 0.35f), Around(46, 42, 170, 170));
  for (int i = 0; i < 5; ++i) {
    const float a = 0.12f + i * 0.33f;
    l.Outline([=](float x, float y) { return std::max(std::abs((x - 46) * std::sin(a) - (y - 42) * std::cos(a)), -((x - 46) * std::cos(a) + (y - 42) * std::sin(a))); },
              0.8f, Hex(0xd8d0c0, 0.35f), Around(46, 42, 170, 170));
  }
  // the papers on the desk, over the key
  for (int i = 0; i < 3; ++i)
    l.Solid([=](float x, float y) { return Box(x - (y - 560) * 0.3f, y, 690 + i * 30.f, 548 - i * 3.f, 790 + i * 30.f, 578 - i * 3.f, 1); },
            [](float x, float y) { return Shade(Parchment(x, y, Hex(0xd8ccae), 305), AtticLight(x, y)); }, Look{1, Hex(0x5a4a3a, 0.7f), 2, 0.2f},
            Around(680, 540, 880, 584));
  // two books lying flat before the lens
  l.Solid([](float x, float y) { return Box(x, y, 586, 322, 656, 331, 1.5f); }, Shade(Hex(0x3a4a5a), 0.8f), kFlat, Around(586, 322, 656, 331));
  l.Solid([](float x, float y) { return Box(x, y, 590, 331, 660, 340, 1.5f); }, Shade(Hex(0x5a3a2a), 0.8f), kFlat, Around(590, 331, 660, 340));
  // a clay pot before a coin on the top shelf
  l.Solid([](float x, float y) { return Union(Ellipse(x, y, 424, 166, 16, 14), Box(x, y, 414, 148, 434, 156, 2)); },
          [](float x, float y) { return Shade(Hex(0x7a4a2a), AtticLight(x, y) * (0.9f + 0.2f * Noise(x / 4, y / 4, 306))); }, kFlat,
          Around(406, 146, 442, 182));
  // a book on the desk over a coin, and a crate on the lowest shelf before the last coin
  l.Solid([](float x, float y) { return Box(x, y, 572, 556, 650, 586, 2); },
          [](float x, float y) { return Shade(Hex(0x2a3a2a), AtticLight(x, y) * (std::abs(y - 571) < 2 ? 1.6f : 1)); }, kFlat,
          Around(572, 556, 650, 586));
  l.Solid([](float x, float y) { return Box(x, y, 82, 468, 134, 500, 2); },
          [](float x, float y) { return Shade(Planks(x, y, Hex(0x6a4a2a), 13, 307), AtticLight(x, y)); }, kFlat, Around(82, 468, 134, 500));
}

// The clutter that only stands about: jars, bottles, boxes, scrolls and a lit stub of candle.
void BackClutter(Canvas& c) {
  const Layer l{c};
  const struct {
    float x, floor, w, h;
    uint32_t colour;
  } jars[] = {{210, 180, 28, 40, 0x6a5a3a}, {660, 180, 22, 30, 0x3a4a3a}, {40, 340, 20, 34, 0x5a3a2a},
              {530, 340, 30, 44, 0x7a6a4a}, {230, 500, 26, 30, 0x4a3a3a}, {690, 500, 24, 46, 0x3a3a4a}};
  for (const auto& j : jars)
    l.Solid([=](float x, float y) { return Union(Trapezoid(x, y, j.x, j.floor - j.h, j.floor, j.w * 0.7f, j.w),
                                                 Box(x, y, j.x - j.w * 0.25f, j.floor - j.h - 8, j.x + j.w * 0.25f, j.floor - j.h + 2, 2)); },
            [=](float x, float y) { return Shade(Hex(j.colour), AtticLight(x, y) * (0.85f + 0.3f * Noise(x / 5, y / 7, 310))); }, kFlat,
            Around(j.x - j.w, j.floor - j.h - 10, j.x + j.w, j.floor));
  // bottles and boxes in the shelves' gaps
  const struct {
    float x, floor, w, h;
    uint32_t colour;
    bool box;
  } smalls[] = {{300, 180, 16, 38, 0x2a4a3a, false}, {596, 180, 40, 22, 0x5a3a1a, true}, {722, 180, 14, 34, 0x4a2a4a, false},
                {262, 340, 44, 26, 0x4a3020, true}, {424, 340, 14, 40, 0x3a5a4a, false}, {706, 340, 18, 30, 0x6a4a2a, false},
                {432, 500, 46, 30, 0x5a3a22, true}, {522, 500, 16, 42, 0x2a3a4a, false}, {600, 500, 20, 28, 0x6a5a3a, false},
                {180, 500, 14, 30, 0x4a4a2a, false}};
  for (const auto& b : smalls)
    l.Solid([=](float x, float y) {
      if (b.box) return Box(x, y, b.x - b.w / 2, b.floor - b.h, b.x + b.w / 2, b.floor, 2);
      return Union(Box(x, y, b.x - b.w / 2, b.floor - b.h * 0.65f, b.x + b.w / 2, b.floor, b.w * 0.4f),
                   Box(x, y, b.x - b.w * 0.18f, b.floor - b.h, b.x + b.w * 0.18f, b.floor - b.h * 0.5f, 1.5f));
    }, [=](float x, float y) { return Shade(b.box ? Wood(x, y, Hex(b.colour), 313) : Hex(b.colour), AtticLight(x, y) * (0.85f + 0.3f * Noise(x / 4, y / 6, 314))); },
            Look{1.2f, Hex(0x100804, 0.9f), 4, 0.5f, 0, 0.4f, b.box ? 0.f : 0.35f}, Around(b.x - b.w, b.floor - b.h - 2, b.x + b.w, b.floor));
  // a pile of books lying on the desk's left end
  for (int i = 0; i < 4; ++i)
    l.Solid([=](float x, float y) { return Box(x, y, 24 + i * 5.f, 532 - i * 11.f, 122 - i * 4.f, 543 - i * 11.f, 1.5f); },
            [=](float x, float y) { return Shade(Mix(Hex(0x5a2020), Hex(0x2a3a5a), Hash(i, 0, 315)), AtticLight(x, y) * (x < 30 + i * 5.f ? 1.5f : 1)); },
            kFlat, Around(20, 490, 126, 544));
  // scrolls and a box on the desk, a hat hung on the case's side
  for (int i = 0; i < 3; ++i)
    l.Solid([=](float x, float y) { return Box(x, y, 330 + i * 8.f, 546 - i * 9.f, 430 - i * 6.f, 556 - i * 9.f, 5); },
            [](float x, float y) { return Shade(Parchment(x, y, Hex(0xc0a880), 311), AtticLight(x, y)); }, kFlat, Around(320, 520, 440, 560));
  l.Solid([](float x, float y) { return Box(x, y, 450, 520, 530, 560, 3); }, [](float x, float y) { return Shade(Wood(x, y, Hex(0x5a3a1a), 312), AtticLight(x, y)); },
          kFlat, Around(450, 520, 530, 560));
  l.Solid([](float x, float y) { return Union(Ellipse(x, y, 784, 210, 24, 7), Ellipse(x, y, 784, 196, 14, 14)); },
          [](float x, float y) { return Shade(Hex(0x2a2a2a), AtticLight(x, y)); }, kFlat, Around(758, 180, 810, 220));
  DrawCandle(c, Place{150, 474, 0.78f}, true);
}

// One thing to find: its sprite's place, size and drawing, and how far it takes its surroundings'
// colour.
struct HiddenThing {
  const char* file;
  float x, y, w, h;
  std::function<void(Canvas&)> draw;
  float blend;
};

// The object drawn alone, then dimmed to the attic's light and pulled towards the colours around
// it, and the clutter before it laid over its own pixels.
void SaveHidden(const Canvas& backdrop, const HiddenThing& t) {
  const int w = int(t.w), h = int(t.h), x0 = int(t.x), y0 = int(t.y);
  Canvas sprite(w, h);
  t.draw(sprite);
  Rgba around{};
  float n = 0;
  for (int y = y0 - 12; y < y0 + h + 12; y += 2)
    for (int x = x0 - 12; x < x0 + w + 12; x += 2) {
      if (x < 0 || y < 0 || x >= backdrop.W() || y >= backdrop.H()) continue;
      const Rgba& b = backdrop.At(x, y);
      around.r += b.r, around.g += b.g, around.b += b.b, n += 1;
    }
  around = Rgba{around.r / n, around.g / n, around.b / n, 1};
  Canvas front(w, h);
  FrontClutter(Layer{front, t.x, t.y});
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      Rgba& p = sprite.At(x, y);
      if (p.a <= 0) continue;
      const float a = p.a;
      p = Mix(Shade(p, AtticLight(t.x + x, t.y + y)), Rgba{around.r, around.g, around.b, a}, t.blend);
      const Rgba& f = front.At(x, y);
      p = Mix(p, Rgba{f.r, f.g, f.b, a}, f.a);
      p.a = a;
    }
  sprite.SavePng(std::string("scenes/study/") + t.file);
}

void Study() {
  Canvas c(1024, 768);
  c.Paint([](float x, float y) {
    Rgba col = Planks(x, y, Hex(0x4a2e1e), 90, 60);
    const float light = std::max(0.f, 1 - std::hypot((x - 560) / 600, (y - 300) / 460));
    return Shade(col, (0.55f + 0.6f * light) * Vignette(x, y, kW, kH, 0.2f));
  });
  // a bookcase with three shelves, books of many sizes, and gaps where things lie
  c.Solid([](float x, float y) { return Box(x, y, 30, 20, 760, 520, 4); }, [](float x, float y) { return Wood(x, y, Hex(0x5a3418), 61); },
          Look{2, Hex(0x100804, 0.9f), 10, 0.35f, 8});
  for (int row = 0; row < 3; ++row) {
    const float top = 40 + row * 160.f, floor = top + 140;
    c.Shape([=](float x, float y) { return Box(x, y, 46, top, 744, floor); },
            [=](float x, float y) { return Shade(Hex(0x2a180c), 0.6f + 0.5f * (y - top) / 140 + 0.1f * Noise(x / 7, y / 7, 62)); });
    float x0 = 50;
    int i = 0;
    while (x0 < 730) {
      const float w = 14 + 16 * Hash(i, row, 63), h = 80 + 50 * Hash(i, row, 64);
      const bool gap = Hash(i, row, 65) > 0.82f;
      if (!gap && x0 + w < 740) {
        const Rgba cover = Mix(Mix(Hex(0x7a2020), Hex(0x20406a), Hash(i, row, 66)), Hex(0x3a5a2a), Hash(i, row, 67) * 0.6f);
        const float lean = Hash(i, row, 68) > 0.9f ? 0.25f : 0;
        c.Solid([=](float x, float y) { return Box(x + (floor - y) * lean, y, x0, floor - h, x0 + w, floor, 1.5f); },
                [=](float x, float y) { return Shade(cover, 0.8f + 0.3f * ((int(y) % 37) < 3 ? 1.5f : 0.6f) + 0.1f * Noise(x, y / 5, i)); },
                Look{1.2f, Hex(0x100804, 0.9f), 4, 0.5f}, Around(x0 - 40, floor - h, x0 + w + 4, floor));
        if (lean == 0)
          c.Shape([=](float x, float y) { return Box(x, y, x0 + 2, floor - h + 12, x0 + w - 2, floor - h + 15); }, Hex(0xe0c060, 0.7f),
                  Around(x0, floor - h, x0 + w, floor));
      }
      x0 += gap ? 44 : w + 1;
      ++i;
    }
    c.Solid([=](float x, float y) { return Box(x, y, 36, floor, 754, floor + 14, 2); }, [](float x, float y) { return Wood(x, y, Hex(0x6a3e1c), 69); },
            Look{1.5f, Hex(0x100804, 0.9f), 4, 0.4f, 4}, Around(30, floor - 4, 760, floor + 24));
  }
  // the desk in front with a globe; a window on the right
  c.Solid([](float x, float y) { return Box(x, y, -20, 540, 1044, 600, 4); }, [](float x, float y) { return Wood(x, y, Hex(0x6a3a1a), 70); },
          Look{2, Hex(0x100804, 0.9f), 8, 0.4f, 6});
  c.Solid([](float x, float y) { return Box(x, y, -20, 596, 1044, 768); }, [](float x, float y) { return Shade(Wood(x, y, Hex(0x4a2812), 71), 0.8f); });
  Window(c, 810, 80, 970, 380, [](float x, float y) { return Sky(x, y, Hex(0x4a78c0), Hex(0xd8e8f0), 380, 72, 0.8f); }, Hex(0x4a3020), false);
  c.Solid([](float x, float y) { return Circle(x, y, 890, 470, 44); },
          [](float x, float y) { return Mix(Hex(0x3a7ab0), Hex(0x5a9a4a), Fractal(x / 20, y / 20, 73) > 0.55f); }, Look{1.5f, Hex(0x100804, 0.9f), 16, 0.6f, 4, 0.4f, 0.3f});
  c.Outline([](float x, float y) { return Circle(x, y, 890, 470, 52); }, 4, Hex(0xb08a40));
  c.Solid([](float x, float y) { return Trapezoid(x, y, 890, 520, 545, 16, 60); }, Hex(0x6a3a1a));
  BackClutter(c);
  FrontClutter(Layer{c});
  c.SaveJpeg("scenes/study/bg", 0.88f);
  c.SaveJpeg("images/attic_bg");
  // The things to find, each partly behind the clutter and dimmed towards its surroundings.
  const HiddenThing things[] = {
      {"ho_cup", 304, 452, 50, 50, [](Canvas& s) { DrawCup(s, Place{2, 2, 0.8f}, Hex(0xd8d0c0)); }, 0.3f},
      {"ho_book", 470, 130, 68, 52, [](Canvas& s) { DrawBook(s, Place{2, 2, 0.9f}, Hex(0x2a6a3a)); }, 0.45f},
      {"ho_bell", 128, 290, 46, 52, [](Canvas& s) { DrawBell(s, Place{2, 2, 0.75f}); }, 0.35f},
      {"ho_quill", 238, 452, 30, 82, [](Canvas& s) { DrawQuill(s, Place{2, 2, 0.85f}); }, 0.3f},
      {"ho_candle", 940, 324, 30, 80, [](Canvas& s) { DrawCandle(s, Place{1.5f, 4, 0.68f}, false); }, 0.3f},
      {"ho_skull", 58, 134, 44, 46, [](Canvas& s) { DrawSkull(s, Place{2, 2, 0.7f}); }, 0.45f},
      {"ho_key", 664, 546, 50, 32, [](Canvas& s) { DrawKey(s, Place{2, 2, 0.7f}, Hex(0x5a4a3a)); }, 0.3f},
      {"ho_lens", 600, 294, 40, 40, [](Canvas& s) { DrawLens(s, Place{2, 2, 0.6f}); }, 0.35f},
      {"coin", 392, 152, 28, 28, [](Canvas& s) { DrawCoin(s, Place{2, 2, 0.55f}); }, 0.4f},
      {"coin2", 554, 550, 28, 28, [](Canvas& s) { DrawCoin(s, Place{2, 2, 0.55f}); }, 0.4f},
      {"coin3", 128, 472, 28, 28, [](Canvas& s) { DrawCoin(s, Place{2, 2, 0.55f}); }, 0.4f},
  };
  for (const auto& t : things) SaveHidden(c, t);
}

void DiaryBook() {
  Canvas c(1024, 768);
  c.Paint([](float x, float y) { return Shade(Wood(x, y, Hex(0x4a2a16), 80), Vignette(x, y, kW, kH, 0.45f)); });
  // the leather cover under the pages, then the two pages curving into the spine
  c.Solid([](float x, float y) { return Box(x, y, 40, 34, 984, 740, 18); },
          [](float x, float y) { return Shade(Hex(0x5a1e14), 0.8f + 0.25f * Fractal(x / 12, y / 12, 81)); }, Look{2, Hex(0x100804, 0.9f), 12, 0.4f, 10});
  for (bool left : {true, false}) {
    const float x0 = left ? 60 : 519, x1 = left ? 505 : 964;
    c.Solid([=](float x, float y) { return Box(x, y, x0, 50, x1, 720, 10); }, [=](float x, float y) {
      const float toSpine = left ? (x1 - x) : (x - x0);
      const float curl = 0.72f + 0.28f * std::clamp(toSpine / 60, 0.f, 1.f);
      return Shade(Parchment(x, y, Hex(0xf2e6c6), 82), curl);
    }, Look{1.2f, Hex(0x6a5030, 0.8f), 4, 0.25f, 3});
  }
  c.Shape([](float x, float y) { return Box(x, y, 500, 40, 524, 730, 4); }, Hex(0x2a0e08, 0.6f));
  // the ribbon marker hangs out below the spine
  c.Solid([](float x, float y) { return std::max(Box(x, y, 532, 690, 546, 766), -((766 - y) - std::abs(x - 539))); }, Hex(0xa02030));
  c.SaveJpeg("diary/book", 0.88f);
  // The page-turning arrows, in the ribbon's red: plain, pressed and under the pointer.
  const struct {
    const char* suffix;
    float light;
  } states[] = {{"", 1.0f}, {"_down", 0.75f}, {"_over", 1.3f}};
  for (bool forward : {false, true})
    for (const auto& state : states) {
      Canvas arrow(80, 56);
      const float light = state.light;
      arrow.Solid([forward](float x, float y) {
        if (!forward) x = 80 - x;
        const float head = std::max(std::abs(y - 28) - (72 - x) * 0.85f, 40 - x);
        return Union(head, Box(x, y, 8, 20, 44, 36, 3));
      }, [light](float, float y) { return Shade(Mix(Hex(0xc83848), Hex(0x6a1420), y / 56), light); },
      Look{1.5f, Hex(0x2a0e08, 0.9f), 4, 0.45f, 3});
      arrow.SavePng(std::string("diary/") + (forward ? "next" : "back") + state.suffix);
    }
}

// ---- interface ----

void Interface() {
  for (bool hidden : {false, true}) {
    Canvas bar(1024, 121);
    bar.Paint([](float x, float y) { return Shade(Wood(x, y, Hex(0x5c3b21), 31), 1.05f - 0.2f * y / 121); });
    bar.Shape([](float x, float y) { return Box(x, y, 0, 0, 1024, 5); }, [](float x, float) { return Mix(Hex(0xf0d080), Hex(0xa07a30), std::abs(std::sin(x / 40))); });
    bar.Shape([](float x, float y) { return Box(x, y, 0, 5, 1024, 8); }, Hex(0x1a0e06, 0.7f));
    if (hidden) {
      // the list of things to find: a parchment scroll
      bar.Solid([](float x, float y) { return Box(x, y, 168, 8, 836, 116, 8); }, [](float x, float y) { return Parchment(x, y, Hex(0xeadcb8), 32); },
                Look{2, Hex(0x3a2410, 0.9f), 6, 0.3f, 3});
      for (float sx : {160.f, 844.f})
        bar.Solid([=](float x, float y) { return Box(x, y, sx - 10, 4, sx + 10, 120, 8); }, [](float x, float y) { return Wood(y, x, Hex(0x8a5a2a), 33); });
    } else {
      // eight recessed slots for the carried things, clear of the menu and help buttons
      bar.Shape([](float x, float y) { return Box(x, y, 242, 9, 834, 81, 8); }, Hex(0x1e140c, 0.55f));
      for (int i = 0; i < 8; ++i) {
        const float sx = 246 + i * 74.f;
        bar.Shape([=](float x, float y) { return Box(x, y, sx, 11, sx + 66, 79, 6); }, [=](float, float y) { return Mix(Hex(0x140c06, 0.8f), Hex(0x3a2616, 0.6f), (y - 11) / 68); });
        bar.Outline([=](float x, float y) { return Box(x, y, sx, 11, sx + 66, 79, 6); }, 1.2f, Hex(0xc8a050, 0.7f));
      }
    }
    bar.SavePng(hidden ? "backgrounds/sidebar_bg" : "backgrounds/sidebar_bg_as");
  }
  Canvas shortText(768, 96);
  shortText.Shape([](float x, float y) { return Box(x, y, 0, 0, 768, 96, 16); }, [](float, float y) { return Mix(Hex(0x1a2634, 0.88f), Hex(0x0a1018, 0.88f), y / 96); });
  shortText.Outline([](float x, float y) { return Box(x, y, 4, 4, 764, 92, 13); }, 2, Hex(0xc8a860));
  shortText.Outline([](float x, float y) { return Box(x, y, 9, 9, 759, 87, 9); }, 0.8f, Hex(0xc8a860, 0.5f));
  shortText.SavePng("sprites/gamescene/bg_shorttext");

  for (bool top : {true, false}) {
    Canvas border(1024, 125);
    border.Paint([](float x, float y) { return Shade(Hex(0x0a0908), 0.8f + 0.4f * Noise(x / 30, y / 30, 34)); });
    const float line = top ? 86 : 4;
    border.Shape([=](float x, float y) { return Box(x, y, 0, line, 1024, line + 3); }, [](float x, float) { return Mix(Hex(0xd8b060), Hex(0x8a6a30), std::abs(std::sin(x / 60))); });
    border.SavePng(top ? "scenes/letters/cutsceneborder_top" : "scenes/letters/cutsceneborder_bottom");
  }
  // A slim plate: it stands between the letterbox bar and the speech text below it.
  Canvas name(300, 46);
  name.Solid([](float x, float y) { return Box(x, y, 2, 2, 298, 44, 12); }, [](float x, float y) { return Parchment(x, y, Hex(0xeed8a8), 35); }, Look{2, Hex(0x5a3a1a, 0.9f), 6, 0.3f});
  name.Outline([](float x, float y) { return Box(x, y, 8, 7, 292, 39, 8); }, 1.2f, Hex(0x8a6030, 0.8f));
  name.SavePng("scenes/letters/bg_name");
  for (bool left : {true, false}) {
    // Short enough that the bubble and its tail end above the speakers' heads (drawn from y 232,
    // faces from about y 300): the panel stands at y 132, so it ends at 302.
    Canvas panel(700, 170);
    const float tail = left ? 120 : 580;
    const auto bubble = [=](float x, float y) {
      return Union(Box(x, y, 3, 3, 697, 146, 24), std::max(std::abs(x - tail) - (168 - y) * 0.7f, std::max(130 - y, y - 168)));
    };
    panel.Solid(bubble, [](float x, float y) { return Shade(Parchment(x, y, Hex(0xf2e6c8, 0.96f), 36), 1.04f - 0.12f * y / 170); },
                Look{2.5f, Hex(0x6a4a28, 0.9f), 8, 0.2f});
    panel.SavePng(left ? "scenes/letters/bg_text_left" : "scenes/letters/bg_text_right");
  }
  Canvas letter(500, 400);
  letter.Solid([](float x, float y) { return Box(x, y, 4, 4, 496, 396, 4); }, [](float x, float y) { return Shade(Parchment(x, y, Hex(0xf4e6c4), 37), Vignette(x, y, 500, 400, 0.3f)); },
               Look{1.2f, Hex(0x8a6a40, 0.8f), 4, 0.2f, 3});
  for (int i = 0; i < 12; ++i) letter.Shape([=](float x, float y) { return Box(x, y, 40, 70 + i * 26.f, 460, 71 + i * 26.f); }, Hex(0x8aa0c0, 0.35f));
  letter.Solid([](float x, float y) { return Circle(x, y, 430, 350, 22) - 2 * Noise(x / 4, y / 4, 38); }, Hex(0xa01a1a), Look{1, Hex(0x400808), 6, 0.5f, 2});
  letter.SavePng("scenes/letters/letter_paper");

  // Sidebar buttons: the menu plate, the help mark, the diary book and the hint orb.
  Canvas menu(110, 50);
  menu.Solid([](float x, float y) { return Box(x, y, 3, 3, 107, 47, 12); }, [](float, float y) { return Mix(Hex(0xb07a3a), Hex(0x6a4018), y / 50); },
             Look{1.5f, Hex(0x201008, 0.9f), 6, 0.5f, 2});
  for (int i = 0; i < 3; ++i)
    menu.Solid([=](float x, float y) { return Box(x, y, 28, 14 + i * 9.f, 82, 18 + i * 9.f, 2); }, Hex(0xf6dc98), Look{0.8f, Hex(0x3a2008, 0.8f), 2, 0.4f});
  menu.SavePng("sprites/sidebarmenu");
  Canvas help(60, 50);
  help.Solid([](float x, float y) { return Circle(x, y, 30, 25, 22); }, [](float x, float y) { return Mix(Hex(0x4a8ad0), Hex(0x1a3a7a), (x + y) / 90); },
             Look{1.5f, Hex(0x0a1430, 0.9f), 8, 0.5f, 2, 0.4f, 0.4f});
  help.Solid([](float x, float y) {
    float ring = std::abs(Circle(x, y, 30, 17, 7)) - 2.6f;
    if (x < 30 && y > 17) ring = std::max(ring, 2.f);  // the hook is open at the lower left
    return Union(ring, Box(x, y, 27.4f, 22, 32.6f, 31, 1));
  }, Hex(0xf8f4e8), Look{0.8f, Hex(0x0a1430, 0.6f), 2, 0.3f});
  help.Solid([](float x, float y) { return Circle(x, y, 30, 38, 3); }, Hex(0xf8f4e8), Look{0.8f, Hex(0x0a1430, 0.6f), 2, 0.3f});
  help.SavePng("sprites/sidebarhelp");
  Canvas diary(120, 110);
  diary.Solid([](float x, float y) { return Box(x, y, 14, 12, 106, 98, 6); }, [](float x, float y) { return Shade(Hex(0x5a2014), 0.8f + 0.3f * Fractal(x / 10, y / 10, 39)); },
              Look{1.8f, Hex(0x1a0804, 0.9f), 8, 0.5f, 3});
  diary.Shape([](float x, float y) { return Box(x, y, 100, 16, 106, 94); }, Hex(0xf0e4c4));
  diary.Outline([](float x, float y) { return Box(x, y, 24, 22, 96, 88, 4); }, 2, Hex(0xe0b850));
  diary.Solid([](float x, float y) { return (std::abs(x - 60) + std::abs(y - 55)) * 0.7f - 9; }, Hex(0xe0b850), Look{1, Hex(0x3a2008), 3, 0.5f});
  diary.Solid([](float x, float y) { return Box(x, y, 96, 46, 116, 64, 3); }, Hex(0xc8a040), Look{1.2f, Hex(0x3a2008), 3, 0.5f});
  diary.SavePng("sprites/sidebardiary");
  Canvas orb(80, 80);
  orb.Solid([](float x, float y) { return Cut(Circle(x, y, 40, 40, 34), Circle(x, y, 40, 40, 29)); }, Hex(0xc89a3a), Look{1.5f, Hex(0x2a1804), 3, 0.6f, 2});
  orb.Solid([](float x, float y) { return Circle(x, y, 40, 40, 29); }, [](float x, float y) {
    const float r = std::hypot(x - 40, y - 44) / 29;
    return Mix(Hex(0xa8e0ff), Hex(0x1a4ab0), r);
  }, Look{1, Hex(0x0a1a40, 0.8f), 10, 0.4f, 0, 0.4f, 0.3f});
  orb.Shape([](float x, float y) { return Ellipse(x, y, 31, 28, 10, 6); }, Hex(0xffffff, 0.75f));
  orb.Shape([](float x, float y) { return std::min(Box(x, y, 39, 36, 41, 56), Box(x, y, 30, 45, 50, 47)) - 0.5f; }, Hex(0xffffff, 0.5f));
  orb.SavePng("sprites/hint/hintbutton");
  // The refill gauge: a ring around the orb, filled in ten steps.
  for (int step = 1; step <= 10; ++step) {
    Canvas gauge(80, 80);
    const float end = step / 10.f * 6.2831853f;
    const auto inGauge = [=](float x, float y) {
      float angle = std::atan2(x - 40, 40 - y);
      if (angle < 0) angle += 6.2831853f;
      const float ring = std::abs(Circle(x, y, 40, 40, 36.5f)) - 3.2f;
      return angle <= end ? ring : 10.f;
    };
    gauge.Solid(inGauge, [](float x, float y) { return Mix(Hex(0xfff0a0), Hex(0xe09020), (y) / 80); }, Look{0.8f, Hex(0x3a2004, 0.8f), 2, 0.4f});
    char label[64];
    std::snprintf(label, sizeof label, "sprites/hint/hinttimer_%02d", step);
    gauge.SavePng(label);
  }
  Canvas none(1, 1);
  none.SavePng("sprites/no_sprite");
  Canvas sparkle(16, 16);
  sparkle.Glow([](float x, float y) { return Circle(x, y, 8, 8, 1); }, Hex(0xfff0c0, 0.7f), 7);
  sparkle.Shape([](float x, float y) { return std::min(std::abs(x - 8) * 3 + std::abs(y - 8) * 0.45f, std::abs(y - 8) * 3 + std::abs(x - 8) * 0.45f) - 3; },
                Hex(0xffffff));
  sparkle.SavePng("fx/sparkle");
}

// ---- scene pieces ----

void Pieces() {
  { Canvas key(64, 40); DrawKey(key, Place{0, 0, 1}, Hex(0xd0a030)); key.SavePng("scenes/courtyard/key"); }
  {
    Canvas door(160, 320);
    door.Paint([](float x, float y) {
      const float d = std::abs(Box(x, y, 8, 8, 152, 318, 72));
      const float t = std::clamp(1 - d / 8, 0.f, 1.f);
      return Hex(0xffe080, 0.85f * t * t);
    });
    door.SavePng("scenes/courtyard/door_glow");
  }
  // The glowing rims of the hall's ways on: the village door below and the attic stairs above.
  const auto rim = [](int w, int h, float radius, const char* name) {
    Canvas c(w, h);
    c.Paint([=](float x, float y) {
      const float d = std::abs(Box(x, y, 6, 6, w - 6.f, h - 6.f, radius));
      const float t = std::clamp(1 - d / 6, 0.f, 1.f);
      return Hex(0xffe080, 0.85f * t * t);
    });
    c.SavePng(name);
  };
  rim(120, 120, 20, "scenes/hall/stairs_glow");
  rim(800, 60, 12, "scenes/hall/way_glow");
  {
    // The gate opened: the leaf swung inwards against the left jamb, the lit hall beyond.
    Canvas open(160, 320);
    open.Solid([](float x, float y) { return Arch(x, y, 0, 0, 160, 321); },
               [](float x, float y) { return Mix(Hex(0xf0c070), Hex(0x6a4020), std::clamp(y / 320 + std::abs(x - 90) / 200, 0.f, 1.f)); });
    open.Solid([](float x, float y) { return std::max(Arch(x, y, 0, 0, 160, 321), Box(x, y, 0, 0, 34, 320)); },
               [](float x, float y) { return Shade(Planks(y, x, Hex(0x6a4226), 12, 21), 0.55f + 0.3f * x / 34); }, Look{2, Hex(0x1a1008, 0.9f), 4, 0.3f});
    // the hall's floor and a glimpse of its stairs in the light
    open.Solid([](float x, float y) { return std::max(Arch(x, y, 0, 0, 160, 321), Box(x, y, 34, 270, 160, 320)); }, Hex(0x7a5a3a));
    for (int i = 0; i < 5; ++i)
      open.Solid([=](float x, float y) { return std::max(Arch(x, y, 0, 0, 160, 321), Box(x, y, 96 + i * 10.f, 140 + i * 26.f, 160, 146 + i * 26.f)); },
                 Hex(0x5a3a20, 0.9f));
    open.SavePng("scenes/courtyard/gate_open");
  }
  { Canvas candle(40, 90); DrawCandle(candle, Place{0, 0, 1}, true); candle.SavePng("scenes/hall/candle"); }
  // The speakers: the vicar (the "warden" pictures) in three moods and the heroine.
  const Person warden{Hex(0xe8c0a0), Hex(0xb8b4ac), Hex(0x2a2830), Hex(0xf4f4f4), Hex(0x4a6a8a), true, false, 0};
  const Person heroine{Hex(0xf0c8a8), Hex(0x8a3a1a), Hex(0x7a2a3a), Hex(0xf0e0c8), Hex(0x3a7a4a), false, true, 0};
  const struct {
    const char* name;
    Person who;
    int mood;
  } people[] = {{"warden", warden, 0}, {"warden_happy", warden, 1}, {"warden_sad", warden, -1}, {"heroine", heroine, 0}};
  for (const auto& person : people) {
    Canvas p(300, 420);
    Person who = person.who;
    who.mood = person.mood;
    DrawPerson(p, Place{0, 0, 1}, who);
    p.SavePng(std::string("scenes/cutscene/") + person.name);
  }
  // Inventory icons and their large pick-up pictures.
  const struct {
    const char* name;
    float w, h;
    std::function<void(Canvas&, Place)> draw;
  } items[] = {
      {"key", 64, 40, [](Canvas& c, Place p) { DrawKey(c, p, Hex(0xd0a030)); }},
      {"lens", 60, 60, [](Canvas& c, Place p) { DrawLens(c, p); }},
      {"candle", 40, 90, [](Canvas& c, Place p) { DrawCandle(c, p, false); }},
      {"head", 80, 96, [](Canvas& c, Place p) { DrawRelicHead(c, p); }},
  };
  for (const auto& item : items) {
    for (int size : {60, 200}) {
      Canvas p(size, size);
      const float s = float(size);
      if (size == 200) p.Glow([s](float x, float y) { return Circle(x, y, s / 2, s / 2, s * 0.18f); }, Hex(0xfff0c0, 0.6f), s * 0.32f);
      const float scale = std::min((s - 8) / item.w, (s - 8) / item.h);
      item.draw(p, Place{(s - item.w * scale) / 2, (s - item.h * scale) / 2, scale});
      p.SavePng(std::string("sprites/inventory/") + item.name + (size == 200 ? "_big" : ""));
    }
  }
}

}  // namespace

void MakeSceneContent() {
  ChapterCard();
  CutsceneStage();
  Courtyard(false);
  Courtyard(true);
  Hall();
  HearthFire();
  Study();
  DiaryBook();
  Interface();
  Pieces();
}
