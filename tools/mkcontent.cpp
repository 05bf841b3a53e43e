// Makes the demo's art and sound procedurally: backdrops (JPEG), objects and buttons (PNG with
// alpha, or JPEG with a ".mask.png" alpha mask), the menus and cursors, the mini-games' picture
// sets, and the Ogg Vorbis effects and music. Deterministic: the same build writes the same files.
//   mkcontent ASSETS_DIR
#include "canvas.h"
#include "mkminigames.h"
#include "mkscenes.h"
#include "mksounds.h"
#include "motifs.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr float kW = 1024, kH = 768;

Look Rimmed(float outline, float bevel, float shadow = 0) {
  Look l;
  l.outline = outline;
  l.bevel = bevel;
  l.shadow = shadow;
  return l;
}

// A landscape painting, used by the jigsaw, the gallery and the chronicle: sky, sun, hills, a lake
// and the manor on its hill. Coordinates in a 256 x 256 picture.
Rgba Landscape(float x, float y) {
  Rgba c = Mix(Hex(0x6a9ad8), Hex(0xf8d8a0), std::clamp(y / 150, 0.f, 1.f));
  const float sun = std::hypot(x - 196, y - 62);
  if (sun < 60) c = Mix(c, Hex(0xfff4c0), std::pow(1 - sun / 60, 2.f));
  if (sun < 18) c = Hex(0xfff8dc);
  const float cloud = Fractal(x / 50, y / 18, 131);
  if (y < 110 && cloud > 0.6f) c = Mix(c, Hex(0xffffff), std::min(1.f, (cloud - 0.6f) * 4));
  const float far = 138 - 30 * Fractal(x / 70, 0.2f, 132), near = 170 - 22 * std::sin(x / 45) - 10 * Fractal(x / 30, 0.7f, 133);
  if (y > far) c = Mix(Hex(0x6a88a0), Hex(0x4a6a70), (y - far) / 40);
  // the manor on the far hill
  if (std::abs(x - 80) < 26 && y > far - 26 && y < far + 4) c = Hex(0x5a4a4a);
  if (std::abs(x - 80) < 30 && y > far - 40 + std::abs(x - 80) * 0.5f && y <= far - 26) c = Hex(0x3a2a30);
  if (y > near) c = Shade(Hex(0x5a8a3a), 0.8f + 0.3f * Fractal(x / 16, y / 16, 134));
  if (y > 210 && std::abs(x - 150 - 20 * std::sin(y / 20)) < 40 + (y - 210)) c = Mix(Hex(0x5a8ac0), Hex(0xa0c8e8), Noise(x / 6, y / 3, 135));
  return Shade(c, 0.94f + 0.1f * Noise(x / 3, y / 3, 136));
}

// A picture frame of gilded wood around (x0,y0)-(x1,y1), `w` wide.
void GiltFrame(Canvas& c, float x0, float y0, float x1, float y1, float w) {
  c.Solid([=](float x, float y) { return Cut(Box(x, y, x0, y0, x1, y1, 3), Box(x, y, x0 + w, y0 + w, x1 - w, y1 - w)); },
          [=](float x, float y) { return Shade(Mix(Hex(0xe8c060), Hex(0x9a6a20), Noise(x / 5, y / 5, 137)), 1.0f); },
          Rimmed(1.5f, w * 0.6f, 3));
  c.Outline([=](float x, float y) { return Box(x, y, x0 + w * 0.45f, y0 + w * 0.45f, x1 - w * 0.45f, y1 - w * 0.45f, 2); }, 1.2f, Hex(0x6a4210, 0.8f));
}

// ---- backdrops of the puzzle rooms and the shrine ----

// The puzzle rooms' board: green baize in a wooden frame.
Canvas PuzzleBoard() {
  Canvas c(1024, 768);
  c.Paint([](float x, float y) {
    // green baize on a table, lit from above
    const Rgba felt = Shade(Hex(0x2e5a38), 0.9f + 0.12f * Fractal(x / 6, y / 6, 51) + 0.05f * Noise(x / 1.5f, y / 1.5f, 52));
    return Shade(felt, 0.55f + 0.6f * std::max(0.f, 1 - std::hypot((x - 512) / 620, (y - 360) / 480)));
  });
  c.Solid([](float x, float y) { return Cut(Box(x, y, -10, -10, 1034, 778), Box(x, y, 22, 22, 1002, 746, 14)); },
          [](float x, float y) { return Wood(x + y, x - y, Hex(0x5a3418), 53); }, Rimmed(2, 14));
  c.Outline([](float x, float y) { return Box(x, y, 30, 30, 994, 738, 10); }, 2, Hex(0xc8a050, 0.6f));
  for (float cx : {22.f, 1002.f})
    for (float cy : {22.f, 746.f})
      c.Solid([=](float x, float y) { return Circle(x, y, cx, cy, 10); }, Hex(0xd0a848), Rimmed(1, 5));
  return c;
}

void Backgrounds() {
  PuzzleBoard().SaveJpeg("images/puzzle_bg");
  {
    // The chronicle's board: the captions under the strip are read off a parchment band in dark ink.
    Canvas c = PuzzleBoard();
    c.Solid([](float x, float y) { return Box(x, y, 80, 424, 944, 536, 8); }, [](float x, float y) { return Parchment(x, y, Hex(0xe8d8b0), 54); },
            Rimmed(1.5f, 6, 3));
    c.Outline([](float x, float y) { return Box(x, y, 88, 432, 936, 528, 5); }, 1.2f, Hex(0x8a6a3a, 0.7f));
    c.SaveJpeg("images/chronicle_bg");
  }
  {
    Canvas c(1024, 768);
    c.Paint([](float x, float y) {
      Rgba wall = Stone(x, y, Hex(0x5a5a78), 72, 36, 61);
      if (y > 560) wall = Shade(Stone(x * 0.8f, (y - 560) * 2.2f, Hex(0x4a4660), 90, 40, 62), 0.7f + 0.4f * (y - 560) / 208);
      const float glow = std::max(0.f, 1 - std::hypot((x - 420) / 360, (y - 300) / 300));
      return Shade(wall, (0.35f + 0.8f * glow) * Vignette(x, y, kW, kH, 0.3f));
    });
    // two tall lancet windows with coloured glass and their light on the floor
    for (float wx : {110.f, 650.f}) {
      c.Solid([=](float x, float y) { return Union(Box(x, y, wx - 14, 174, wx + 114, 480, 3), std::max(Circle(x, y, wx + 50, 174, 64), y - 175)); }, [](float x, float y) { return Stone(x, y, Hex(0x8a8aa0), 30, 18, 63); },
              Rimmed(2, 8));
      c.Shape([=](float x, float y) { return Union(Box(x, y, wx, 174, wx + 100, 470), std::max(Circle(x, y, wx + 50, 174, 50), y - 175)); }, [=](float x, float y) {
        // diamond quarries of pale glass around a rose of coloured panes, all held in lead
        const float u = (x - wx - 50) / 17, v = (y - 124) / 17;
        const float a = u + v, b = v - u;
        const float lead = std::min(std::abs(a - std::round(a)), std::abs(b - std::round(b)));
        const float rose = std::hypot(x - wx - 50, y - 200);
        Rgba g = Mix(Hex(0x8ab0d8), Hex(0xd8e4c8), Hash(int(std::floor(a)), int(std::floor(b)), 64));
        if (rose < 36) {
          const int petal = int(std::floor((std::atan2(y - 200, x - wx - 50) + 3.1416f) / 0.785f));
          g = rose < 12 ? Hex(0xf0c040) : (petal % 2 ? Hex(0xc83030) : Hex(0x3050c0));
          if (std::abs(rose - 12) < 1.5f || std::abs(rose - 36) < 2 || std::fmod(std::atan2(y - 200, x - wx - 50) + 3.1416f, 0.785f) < 0.06f)
            g = Hex(0x181820);
        } else if (lead < 0.07f) {
          g = Hex(0x181820);
        }
        if (std::abs(y - 330) < 2.5f) g = Hex(0x181820);  // the iron saddle bar
        return Shade(g, 0.75f + 0.35f * Noise(x / 8, y / 8, 64) + 0.2f * (1 - (y - 124) / 346));
      });
      c.Paint([=](float x, float y) {
        const float t = std::max(0.f, 1 - std::hypot((x - wx - 50 - (y - 470) * 0.5f) / 90, (y - 640) / 70));
        return Hex(0xa0b0ff, 0.3f * t);
      }, Area{int(wx) - 100, 480, int(wx) + 400, 768});
    }
    // the altar: a pedestal whose top takes the relic, in a halo of light
    c.Glow([](float x, float y) { return Circle(x, y, 420, 300, 30); }, Hex(0xfff0c0, 0.45f), 180);
    c.Solid([](float x, float y) { return Union(Box(x, y, 360, 352, 480, 370, 3), Union(Box(x, y, 378, 368, 462, 520, 2), Box(x, y, 346, 516, 494, 546, 3))); },
            [](float x, float y) { return Shade(Mix(Hex(0xd8d4e0), Hex(0x9a96aa), Fractal(x / 20, y / 20, 65)), 1.0f); }, Rimmed(2, 10, 6));
    for (int i = 0; i < 3; ++i)
      c.Shape([=](float x, float y) { return Box(x, y, 390 + i * 22.f, 390, 398 + i * 22.f, 500, 3); }, Hex(0x6a6680, 0.5f));
    c.SaveJpeg("images/shrine_bg");
  }
}

// ---- objects kept as single pictures ----

void Objects() {
  { Canvas c(96, 64); DrawKey(c, Place{8, 6, 1.25f}, Hex(0xa8a090)); c.SavePng("images/key"); }
  { Canvas c(48, 112); DrawCandle(c, Place{0, 10, 1.2f}, true); c.SavePng("images/candle"); }
  { Canvas c(80, 96); DrawRelicHead(c, Place{0, 0, 1}); c.SaveMasked("images/relic"); }
  {
    Canvas c(100, 180);
    c.Solid([](float x, float y) { return Union(Box(x, y, 4, 52, 96, 178), std::max(Circle(x, y, 50, 52, 46), y - 53)); },
            [](float x, float y) { return Planks(x, y, Hex(0x704828), 23, 71); }, Rimmed(2, 8));
    c.Solid([](float x, float y) { return Circle(x, y, 78, 110, 6); }, Hex(0xc0a040), Rimmed(1, 3));
    c.SaveMasked("images/door");
  }
  const Person vicar{Hex(0xe8c0a0), Hex(0x9a948c), Hex(0x202024), Hex(0xf4f4f4), Hex(0x5a4a3a), false, false, 0};
  const Person player{Hex(0xf0c8a8), Hex(0x8a3a1a), Hex(0x3a5a7a), Hex(0xf0e0c8), Hex(0x3a7a4a), false, true, 0};
  { Canvas c(200, 400); DrawPerson(c, Place{0, 60, 0.667f}, vicar); c.SaveMasked("images/vicar"); }
  { Canvas c(200, 400); DrawPerson(c, Place{0, 60, 0.667f}, player); c.SaveMasked("images/player"); }
  {
    Canvas c(800, 160);
    c.Solid([](float x, float y) { return Box(x, y, -10, 20, 810, 170); }, [](float x, float y) { return Shade(Planks(y * 4, x / 4, Hex(0x5a3c24), 30, 91), 1.1f - 0.4f * (y - 20) / 140); },
            Rimmed(2, 10));
    c.SavePng("images/stage");
  }
  {
    Canvas c(300, 200);
    c.Solid([](float x, float y) { return Box(x, y, 4, 4, 296, 196, 6) + 2 * Noise(x / 5, y / 5, 101); }, [](float x, float y) { return Parchment(x, y, Hex(0xe0cc9c), 101); },
            Rimmed(1.2f, 6, 3));
    c.Shape([](float x, float y) { return std::max(std::abs(std::hypot(x - 150, y - 110) - 60) - 1.5f, -(std::fmod(std::atan2(y - 110, x - 150) * 20 + 40, 2.f) - 1)); },
            Hex(0x6a4a2a, 0.8f));
    c.Shape([](float x, float y) { return std::min(std::abs(x - y - 40) , std::abs(x + y - 260)) - 4 + std::max(0.f, Circle(x, y, 150, 110, 12)) * 10; }, Hex(0xa02020));
    c.SavePng("images/map");
  }
  // hidden objects of the earlier attic set
  { Canvas c(56, 48); DrawCup(c, Place{2, -2, 0.9f}, Hex(0xe8e0d0)); c.SavePng("images/ho_cup"); }
  { Canvas c(72, 52); DrawBook(c, Place{1, 0, 1}, Hex(0x7a2020)); c.SavePng("images/ho_book"); }
  { Canvas c(52, 60); DrawBell(c, Place{0, 1, 0.92f}); c.SavePng("images/ho_bell"); }
  { Canvas c(40, 96); DrawQuill(c, Place{5, 3, 1}); c.SavePng("images/ho_feather"); }
  { Canvas c(56, 60); DrawSkull(c, Place{0, 0, 1}); c.SavePng("images/ho_skull"); }
  { Canvas c(36, 36); DrawCoin(c, Place{0, 0, 36.f / 44}); c.SavePng("images/ho_coin"); }
}

// A pointer: an arrow with its tip at the top-left corner, and a badge telling what a click does.
void Pointer(Canvas& c, Rgba tint) {
  const auto arrow = [](float x, float y) {
    const float head = std::max({-(x - 1.5f) * 0.9f, (x - 1.5f) - (y - 1.5f) * 0.62f, (y - 1.5f) - 19});
    const float tail = std::max(std::abs((x - 6) - (y - 16) * 0.45f) - 2.5f, std::max(15 - y, y - 25.f));
    return Union(head, tail);
  };
  c.Shape([&](float x, float y) { return arrow(x - 1, y - 1) - 1.5f; }, Hex(0x000000, 0.35f));
  c.Solid(arrow, [tint](float x, float y) { return Shade(tint, 1.15f - 0.35f * (x + y) / 40); }, Rimmed(1.4f, 3));
}

void Cursors() {
  const struct {
    const char* name;
    uint32_t tint;
    int badge;  // 0 none, 1 look, 2 use, 3 exit
  } cursors[] = {{"cursor/cursor_active", 0xf4e4c0, 0}, {"cursor/cursor_look", 0xa8d8f8, 1}, {"cursor/cursor_use", 0xf4c870, 2},
                 {"cursor/cursor_exit", 0x98e878, 3},   {"cursor/cursor_active_red", 0xf06050, 0}, {"cursor/cursor_inactive", 0x9a9a9a, 0},
                 {"images/cursor", 0xf4e4c0, 0},        {"images/cursor_exit", 0x98e878, 3}};
  for (const auto& k : cursors) {
    Canvas c(32, 32);
    Pointer(c, Hex(k.tint));
    if (k.badge == 1) {  // a magnifying glass
      c.Solid([](float x, float y) { return std::max(std::abs((x - 27) - (y - 27)) / 1.41f - 2, std::max(x - 30, 22 - x)); }, Hex(0x6a3a1a), Rimmed(1, 2));
      c.Solid([](float x, float y) { return Cut(Circle(x, y, 20, 20, 7), Circle(x, y, 20, 20, 4.5f)); }, Hex(0xd0a848), Rimmed(1, 2));
      c.Shape([](float x, float y) { return Circle(x, y, 20, 20, 4.5f); }, Hex(0xc8e8ff, 0.6f));
    } else if (k.badge == 2) {  // a cog: something to use here
      c.Solid([](float x, float y) {
        const float a = std::atan2(y - 22, x - 22);
        return Cut(Circle(x, y, 22, 22, 6.5f + 1.8f * (std::cos(a * 6) > 0)), Circle(x, y, 22, 22, 2.5f));
      }, Hex(0xe0b050), Rimmed(1, 2));
    } else if (k.badge == 3) {  // an arrow forward: a way out
      c.Solid([](float x, float y) { return Union(Box(x, y, 14, 19, 24, 25, 1), std::max(std::abs(y - 22) - (31 - x) * 0.8f, 22 - x)); }, Hex(0x70d050),
              Rimmed(1, 2));
    }
    // The drawn cursor ignores alpha and keys out near-white, so each pixel is made either the
    // pointer's, opaque and never near-white, or white and clear: the same picture then serves the
    // drawn cursor and the alpha-blended hardware one.
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 32; ++x) {
        Rgba& p = c.At(x, y);
        const float top = 247.0f / 255;
        if (p.a < 0.5f) p = Rgba{1, 1, 1, 0};
        else p = p.r > top && p.g > top && p.b > top ? Rgba{top, top, top, 1} : Rgba{p.r, p.g, p.b, 1};
      }
    c.SavePng(k.name);
  }
}

// Buttons of the mini-games, the hint sparkle, the sundial and the puzzles' parts.
void Interface() {
  for (bool skip : {true, false}) {
    Canvas c(110, 40);
    c.Solid([](float x, float y) { return Box(x, y, 2, 2, 108, 38, 10); }, [](float, float y) { return Mix(Hex(0x8a6036), Hex(0x4a2e16), y / 40); }, Rimmed(1.5f, 6));
    c.Outline([](float x, float y) { return Box(x, y, 6, 6, 104, 34, 7); }, 1.2f, Hex(0xe0c070, 0.8f));
    if (skip)
      c.Solid([](float x, float y) {
        const auto chevron = [&](float ox) { return std::max(std::abs(y - 20) - (ox - x) * 0.9f, std::max(x - ox, ox - 14 - x)); };
        return Union(chevron(58), chevron(74));
      }, Hex(0xf6e0a0), Rimmed(0.8f, 2));
    else
      for (int i = 0; i < 3; ++i) c.Solid([=](float x, float y) { return Box(x, y, 36, 12 + i * 7.f, 74, 15 + i * 7.f, 1.5f); }, Hex(0xf6e0a0), Rimmed(0.8f, 2));
    c.SavePng(skip ? "images/button_skip" : "images/button_menu");
  }
  {
    Canvas c(64, 64);
    c.Glow([](float x, float y) { return Circle(x, y, 32, 32, 3); }, Hex(0xfff0b0, 0.7f), 28);
    c.Shape([](float x, float y) { return std::min(std::abs(x - 32) * 4 + std::abs(y - 32) * 0.35f, std::abs(y - 32) * 4 + std::abs(x - 32) * 0.35f) - 9; }, Hex(0xffffff));
    c.Shape([](float x, float y) { return std::min(std::abs((x - 32) - (y - 32)) * 3 + std::abs(x + y - 64) * 0.4f, std::abs(x + y - 64) * 3 + std::abs((x - 32) - (y - 32)) * 0.4f) - 6; },
            Hex(0xfff8d8, 0.8f));
    c.SavePng("images/hint");
  }
  { Canvas c(12, 64); c.Solid([](float x, float y) { return Box(x, y, 3, 1, 9, 63, 2); }, Hex(0x9a9080), Rimmed(1, 2)); c.SavePng("images/sundial_pole"); }
  {
    Canvas c(64, 64);
    c.Paint([](float x, float y) {
      const float d = Trapezoid(x, y, 32, 4, 60, 2, 14);
      return Hex(0x000000, 0.45f * std::clamp(0.5f - d / 3, 0.f, 1.f));
    });
    c.SavePng("images/sundial_shadow");
  }
  {
    Canvas c(120, 200);
    const auto glass = [](float x, float y) { return Union(Circle(x, y, 60, 140, 52), Box(x, y, 46, 12, 74, 100, 4)); };
    c.Shape([](float x, float y) { return std::max(Circle(x, y, 60, 140, 46), 120 - y - 6 * std::sin(x / 8)); }, [](float, float y) { return Mix(Hex(0x60e0a0, 0.85f), Hex(0x208a50, 0.9f), (y - 110) / 80); });
    c.Solid(glass, [](float x, float) { return Hex(0xd8f0ff, 0.25f + 0.25f * std::abs(x - 60) / 60); }, Rimmed(1.5f, 10));
    c.Shape([](float x, float y) { return Ellipse(x, y, 38, 124, 6, 18); }, Hex(0xffffff, 0.55f));
    c.Solid([](float x, float y) { return Box(x, y, 42, 2, 78, 16, 3); }, [](float x, float y) { return Wood(x, y, Hex(0x9a6a40), 102); }, Rimmed(1.2f, 4));
    c.SavePng("images/flask");
  }
  {
    Canvas c(220, 360);
    c.Solid([](float x, float y) { return Box(x, y, 3, 3, 217, 357, 12); }, [](float x, float y) { return Wood(x, y, Hex(0x6a4422), 111); }, Rimmed(2, 12, 0));
    c.Outline([](float x, float y) { return Box(x, y, 16, 16, 204, 344, 6); }, 2, Hex(0xd0a850, 0.7f));
    c.SavePng("images/board");
  }
  {
    Canvas c(40, 100);
    c.Solid([](float x, float y) { return Box(x, y, 13, 2, 27, 98, 5); }, [](float x, float) { return Mix(Hex(0xd8d8e0), Hex(0x6a6a78), x / 40); }, Rimmed(1.5f, 5));
    c.Solid([](float x, float y) { return Union(Box(x, y, 2, 68, 38, 80, 5), Circle(x, y, 20, 74, 9)); }, [](float x, float) { return Mix(Hex(0xe8c060), Hex(0x8a6020), x / 40); },
            Rimmed(1.5f, 4));
    c.SavePng("images/bolt");
  }
  {
    // The lever that opens the cellar door's padlock: a wooden handle with a red knob on an iron
    // arm, nothing like the bolts beside it.
    Canvas c(40, 100);
    c.Solid([](float x, float y) { return Box(x, y, 16, 20, 24, 96, 3); }, [](float x, float) { return Mix(Hex(0x5a5a64), Hex(0x26262c), x / 40); }, Rimmed(1.2f, 3));
    c.Solid([](float x, float y) { return Circle(x, y, 20, 16, 13); }, [](float x, float y) { return Mix(Hex(0xf05040), Hex(0x801810), (x + y) / 60); },
            [] { Look l = Rimmed(1.5f, 8, 3); l.gloss = 0.5f; return l; }());
    c.Solid([](float x, float y) { return Box(x, y, 4, 84, 36, 98, 4); }, [](float x, float y) { return Wood(x, y, Hex(0x6a4422), 113); }, Rimmed(1.2f, 3));
    c.SavePng("images/lock/lever");
  }
  {
    // The chronicle's frame over the whole screen: the strip (200 high at y 200) runs between two
    // scroll rollers that hide it as it comes in and goes out, under a rail above and below.
    Canvas c(1024, 768);
    for (float y0 : {190.f, 400.f})
      c.Solid([=](float x, float y) { return Box(x, y, 56, y0, 968, y0 + 10, 3); }, [](float x, float y) { return Wood(x, y, Hex(0x4a2c14), 122); }, Rimmed(1.5f, 3));
    for (float x0 : {-2.f, 964.f}) {  // each roller reaches past its screen edge
      c.Solid([=](float x, float y) { return Box(x, y, x0, 184, x0 + 62, 416, 12); }, [](float x, float y) { return Wood(y, x, Hex(0x6a4020), 121); }, Rimmed(2, 14, 3));
      for (float y0 : {170.f, 410.f})
        c.Solid([=](float x, float y) { return Box(x, y, x0 - 2, y0, x0 + 64, y0 + 20, 6); }, [](float x, float) { return Mix(Hex(0xf0d080), Hex(0x8a6424), std::abs(std::sin(x / 14))); }, Rimmed(1.5f, 5));
    }
    c.SavePng("images/border");
  }
}

// The mini-games' picture sets: four jigsaw pieces cut from one painting, the mirror images, the
// board's field states, the gallery pictures and the chronicle's moving strip.
void Puzzles() {
  for (int i = 0; i < 4; ++i) {
    const float ox = (i % 2) * 128.f, oy = (i / 2) * 128.f;
    Canvas c(128, 128);
    c.Paint([=](float x, float y) { return Landscape(x + ox, y + oy); });
    // a bevelled edge so each piece reads as a tile
    c.Solid([](float x, float y) { return Box(x, y, 0, 0, 128, 128, 2); }, [](float, float) { return Rgba{1, 1, 1, 0}; }, Rimmed(1, 6));
    c.Paint([](float x, float y) {
      const float e = std::min({x, y, 128 - x, 128 - y});
      return e < 4 ? Rgba{x < y ? 0.f : 1.f, x < y ? 0.f : 1.f, x < y ? 0.f : 1.f, 0.25f * (1 - e / 4)} : Rgba{};
    });
    c.SavePng("images/jigsaw_" + std::to_string(i + 1));
  }
  // Portrait cards; the true mirror image is the flipped card of one variant.
  const Rgba hair[] = {Hex(0x3a2a1a), Hex(0x8a3a1a), Hex(0xd8b060), Hex(0x2a2a2a), Hex(0x6a4a2a), Hex(0xa8a098)};
  const auto card = [&](int variant, bool mirrored) {
    Canvas c(128, 128);
    c.Solid([](float x, float y) { return Box(x, y, 2, 2, 126, 126, 8); }, [](float x, float y) { return Parchment(x, y, Hex(0xeadcb8), 141); }, Rimmed(1.5f, 5));
    Person who{Hex(0xf0c8a8), hair[variant % 6], Hex(0x3a5a7a), Hex(0xf0e0c8), Hex(0x4a6a8a), false, variant % 2 == 1, variant % 3 - 1};
    DrawPerson(c, Place{19, 14, 0.3f}, who);
    // a flower worn on one side and a brooch: the marks a mirror swaps
    const float fx = 46 + variant * 2.f, fy = 30 + (variant % 3) * 3.f;
    for (int k = 0; k < 5; ++k) {
      const float a = k * 1.2566f;
      c.Solid([=](float x, float y) { return Circle(x, y, fx + 4 * std::cos(a), fy + 4 * std::sin(a), 3); }, Hex(0xe04a5a), Rimmed(0.6f, 1));
    }
    c.Shape([=](float x, float y) { return Circle(x, y, fx, fy, 2); }, Hex(0xf8e060));
    c.Solid([=](float x, float y) { return Circle(x, y, 82 + variant * 1.5f, 104, 3.5f); }, Hex(0x40a0d0), Rimmed(0.6f, 2));
    c.Outline([](float x, float y) { return Box(x, y, 7, 7, 121, 121, 5); }, 1.2f, Hex(0x8a6030, 0.8f));
    if (mirrored) {
      Canvas flipped(128, 128);
      for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x) flipped.At(x, y) = c.At(127 - x, y);
      return flipped;
    }
    return c;
  };
  for (int i = 0; i <= 5; ++i) card(i, false).SavePng("images/mirror/false" + std::to_string(i));
  card(2, true).SavePng("images/mirror/right");
  {
    // The mirror room's board: the portrait whose reflection is asked for, twice its size in a
    // gilded frame at the lower right.
    Canvas board = PuzzleBoard();
    const Canvas original = card(2, false);
    const int left = 640, top = 380;
    for (int y = 0; y < 256; ++y)
      for (int x = 0; x < 256; ++x) {
        const Rgba& s = original.At(x / 2, y / 2);
        Rgba& d = board.At(left + x, top + y);
        d = Rgba{d.r + (s.r - d.r) * s.a, d.g + (s.g - d.g) * s.a, d.b + (s.b - d.b) * s.a, 1};
      }
    GiltFrame(board, left - 16, top - 16, left + 272, top + 272, 16);
    board.SaveJpeg("images/mirror_bg");
  }
  {
    // The board-game room: the lines that join the stones' places, inlaid in the baize: a top row
    // of three places and a side path of two hanging from its middle, where one stone can wait
    // while the other passes. Beside it the lid's pattern: the two stones the other way round.
    Canvas board = PuzzleBoard();
    const float row = 182, left = 282, right = 582, middle = 432, bottom = 482;
    const auto groove = [=](float x, float y) {
      return std::min(Box(x, y, left, row - 3, right, row + 3, 3), Box(x, y, middle - 3, row, middle + 3, bottom, 3));
    };
    const auto inlay = [=](float x, float y) {
      return std::min(Box(x, y, left, row - 1, right, row + 1), Box(x, y, middle - 1, row, middle + 1, bottom));
    };
    board.Shape(groove, Hex(0x1a120a, 0.55f));
    board.Shape(inlay, Hex(0xc8a050, 0.6f));
    // the lid: a brass plate with the wanted row, black stone left, white stone right
    board.Solid([](float x, float y) { return Box(x, y, 660, 120, 900, 244, 6); }, [](float x, float y) { return Mix(Hex(0xe8c870), Hex(0xb08840), Noise(x / 14, y / 14, 172)); },
                Rimmed(1, 3));
    board.Shape([](float x, float y) { return Box(x, y, 690, 180, 870, 184); }, Hex(0x5a3a18, 0.8f));
    for (int k = 0; k < 3; ++k)
      board.Solid([=](float x, float y) { return Circle(x, y, 700 + 80.f * k, 182, 14); }, Hex(0x3a2410, 0.5f));
    board.Solid([](float x, float y) { return Circle(x, y, 700, 182, 12); }, Hex(0x1c1c22), Rimmed(1, 4));
    board.Solid([](float x, float y) { return Circle(x, y, 860, 182, 12); }, Hex(0xf8f2e6), Rimmed(1, 4));
    board.SaveJpeg("images/morris_bg");
  }
  {
    // The gallery's wall: a shadowed place with its hook where each picture may hang, and under the
    // two upper places a brass plate showing what belongs there (a landscape left, a still life right).
    Canvas board = PuzzleBoard();
    const float places[3][2] = {{100, 100}, {400, 100}, {250, 320}};
    for (const auto& p : places) {
      const float x0 = p[0], y0 = p[1];
      board.Shape([=](float x, float y) { return Box(x, y, x0 + 8, y0 + 8, x0 + 172, y0 + 172, 4); }, Hex(0x0e1a10, 0.35f));
      board.Outline([=](float x, float y) { return Box(x, y, x0 + 8, y0 + 8, x0 + 172, y0 + 172, 4); }, 1.2f, Hex(0xc8a050, 0.35f));
      board.Solid([=](float x, float y) { return Circle(x, y, x0 + 90, y0 - 6, 4); }, Hex(0xd0a848), Rimmed(0.8f, 2));
    }
    for (int k = 0; k < 2; ++k) {
      const float cx = places[k][0] + 90, cy = places[k][1] + 198;
      board.Solid([=](float x, float y) { return Box(x, y, cx - 34, cy - 12, cx + 34, cy + 12, 3); }, [](float x, float y) { return Mix(Hex(0xe8c870), Hex(0xb08840), Noise(x / 14, y / 14, 171)); },
                  Rimmed(1, 3));
      if (k == 0) {
        board.Shape([=](float x, float y) { return std::max(Ellipse(x, y, cx - 4, cy + 14, 24, 12), Box(x, y, cx - 31, cy - 9, cx + 31, cy + 9)); }, Hex(0x3a6a2a));
        board.Shape([=](float x, float y) { return Circle(x, y, cx + 14, cy - 4, 4); }, Hex(0xc86a20));
      } else {
        board.Shape([=](float x, float y) { return Union(Circle(x, y, cx - 4, cy + 3, 6), Box(x, y, cx - 6, cy - 9, cx - 2, cy - 2)); }, Hex(0x2a5a9a));
        board.Shape([=](float x, float y) { return Circle(x, y, cx + 8, cy + 5, 3.5f); }, Hex(0xb83a2a));
      }
    }
    board.SaveJpeg("images/gallery_bg");
  }
  for (int status = 0; status <= 2; ++status)
    for (bool selected : {false, true}) {
      Canvas c(64, 64);
      if (selected) c.Glow([](float x, float y) { return Circle(x, y, 32, 32, 22); }, Hex(0xffe070, 0.8f), 10);
      c.Solid([](float x, float y) { return Circle(x, y, 32, 32, 12); }, Hex(0x2a1a0e), Rimmed(1, 5));  // the hole in the board
      if (status)
        c.Solid([](float x, float y) { return Circle(x, y, 32, 32, 20); },
                [status](float x, float y) { return Mix(status == 1 ? Hex(0xfffaf0) : Hex(0x4a4a54), status == 1 ? Hex(0xc8bca8) : Hex(0x101014), (x + y) / 96); },
                [] { Look l = Rimmed(1.5f, 8, 3); l.gloss = 0.4f; return l; }());
      if (selected) c.Outline([](float x, float y) { return Circle(x, y, 32, 32, 25); }, 3, Hex(0xffd040));
      c.SavePng("images/morris/" + std::to_string(status) + (selected ? "a" : ""));
    }
  for (int i = 1; i <= 2; ++i) {
    Canvas c(160, 160);
    if (i == 1)
      c.Paint([](float x, float y) { return Landscape(x * 1.6f, y * 1.6f); });
    else {
      // a still life: a jug and apples on a cloth
      c.Paint([](float x, float y) { return Shade(Mix(Hex(0x3a2a3a), Hex(0x1a1418), y / 160), 0.9f + 0.2f * Fractal(x / 20, y / 20, 142)); });
      c.Shape([](float x, float y) { return Box(x, y, 0, 110, 160, 160); }, [](float x, float y) { return Shade(Hex(0xe8e0cc), 0.85f + 0.15f * std::sin(x / 6 + y / 9)); });
      c.Solid([](float x, float y) { return Union(Ellipse(x, y, 70, 90, 28, 30), Box(x, y, 58, 40, 82, 70, 4)); }, Hex(0x3a6aa8), Rimmed(1, 12));
      c.Solid([](float x, float y) { return Circle(x, y, 112, 112, 13); }, Hex(0xc83a2a), Rimmed(1, 6));
      c.Solid([](float x, float y) { return Circle(x, y, 130, 120, 11); }, Hex(0x8ab83a), Rimmed(1, 6));
    }
    GiltFrame(c, 0, 0, 160, 160, 12);
    c.SavePng("images/pictures/" + std::to_string(i));
  }
  // The chronicle: one long parchment drawn across five strips, the story told in little pictures.
  for (int i = 0; i <= 4; ++i) {
    Canvas c(256, 200);
    const float ox = i * 256.f;
    c.Paint([=](float x, float y) { return Parchment(x + ox, y, Hex(0xe4d0a4), 151); });
    const Rgba ink = Hex(0x5a3418, 0.85f);
    c.Shape([=](float x, float y) { return std::abs(y - 150 - 12 * std::sin((x + ox) / 60)) - 2; }, ink);
    c.Shape([=](float x, float y) { return std::max(std::abs(y - 16) - 1, -(std::fmod(x + ox, 24.f) - 16)); }, ink);
    c.Shape([=](float x, float y) { return std::max(std::abs(y - 184) - 1, -(std::fmod(x + ox, 24.f) - 16)); }, ink);
    for (int k = 0; k < 7; ++k) {
      const float gx = 90 + k * 180.f - ox, gy = 150 + 12 * std::sin((gx + ox) / 60);
      if (gx < -80 || gx > 336) continue;
      switch (k % 4) {
        case 0: c.Solid([=](float x, float y) { return Union(Box(x, y, gx - 24, gy - 40, gx + 24, gy), Trapezoid(x, y, gx, gy - 66, gy - 40, 4, 60)); }, Hex(0xb08060), Rimmed(1.5f, 6)); break;
        case 1: DrawKey(c, Place{gx - 32, gy - 50, 1}, Hex(0xc8a040)); break;
        case 2: DrawCandle(c, Place{gx - 20, gy - 96, 1}, true); break;
        default: DrawRelicHead(c, Place{gx - 40, gy - 100, 1}); break;
      }
    }
    c.SavePng("images/strip/strip" + std::to_string(i));
  }
}

// ---- the menus ----

// The main menu's background, the fade cover, the menu buttons, the dialog panel, toggles, the
// slider parts and the high-score marker.
void Menus() {
  {
    Canvas c(1024, 768);
    c.Paint([](float x, float y) {
      Rgba col = Mix(Hex(0x0c0a22), Hex(0x5a3050), std::pow(std::clamp(y / 560, 0.f, 1.f), 1.6f));
      const float mist = Fractal(x / 240, y / 60, 501);
      col = Mix(col, Hex(0x6a4a6a), 0.25f * std::clamp((mist - 0.5f) * 3, 0.f, 1.f) * (y / 560));
      if (Hash(int(x / 2), int(y / 2), 502) > 0.996f && y < 420) col = Mix(col, Hex(0x7a7a94), 0.4f + 0.6f * Hash(int(x), int(y), 503));  // dim stars
      const float moon = std::hypot(x - 880, y - 170);
      if (moon < 180) col = Mix(col, Hex(0x8a7aa8), 0.35f * std::pow(1 - moon / 180, 2.f));
      if (moon < 40) col = Mix(Hex(0xf4ecd0), Hex(0xd8ccb0), Noise(x / 8, y / 8, 504));
      // hills in layers, the far ones hazier
      const float far = 520 - 80 * Fractal(x / 300, 0.3f, 505), near = 600 - 60 * Fractal(x / 200, 0.8f, 506);
      if (y > far) col = Mix(Hex(0x2a1c38), Hex(0x1a1226), (y - far) / 120);
      if (y > near) col = Shade(Hex(0x120c18), 0.9f + 0.2f * Noise(x / 10, y / 10, 507));
      return col;
    });
    // the manor on its hill, with lit windows
    const auto manor = [](float x, float y) {
      const float body = Box(x, y, 640, 420, 960, 600), roof = Trapezoid(x, y, 800, 340, 420, 120, 340);
      const float towers = Union(Union(Box(x, y, 620, 370, 672, 600), Trapezoid(x, y, 646, 320, 370, 2, 60)),
                                 Union(Box(x, y, 928, 370, 980, 600), Trapezoid(x, y, 954, 320, 370, 2, 60)));
      return Union(Union(body, roof), Union(towers, Box(x, y, 760, 320, 776, 350)));
    };
    c.Shape(manor, [](float x, float y) { return Shade(Hex(0x140c14), 0.9f + 0.25f * Noise(x / 6, y / 6, 508)); });
    for (int row = 0; row < 2; ++row)
      for (int i = 0; i < 6; ++i) {
        const float wx = 690 + i * 44.f, wy = 450 + row * 60.f;
        if ((i + row) % 3 == 2) continue;
        c.Glow([=](float x, float y) { return Box(x, y, wx, wy, wx + 14, wy + 24, 6); }, Hex(0xf0a040, 0.35f), 14, Around(wx - 20, wy - 20, wx + 34, wy + 44, 0));
        c.Shape([=](float x, float y) { return Box(x, y, wx, wy, wx + 14, wy + 24, 6); }, Hex(0xf8c860));
      }
    // a bare tree on the left
    for (int b = 0; b < 9; ++b) {
      const float a = -1.57f + (b - 4) * 0.28f, len = 110 + 40 * Hash(b, 0, 509);
      const float bx = 170, by = 520 - b * 14.f;
      c.Shape([=](float x, float y) {
        const float dx = std::cos(a), dy = std::sin(a);
        const float u = std::clamp((x - bx) * dx + (y - by) * dy, 0.f, len);
        return std::hypot(x - bx - u * dx, y - by - u * dy) - 5 * (1 - u / len) - 0.6f;
      }, Hex(0x0a0810));
    }
    c.Shape([](float x, float y) { return Trapezoid(x, y, 170, 380, 640, 10, 34); }, Hex(0x0a0810));
    c.Paint([](float x, float y) { return Rgba{0, 0, 0, 0.35f * (1 - Vignette(x, y, kW, kH, 1))}; });
    c.SaveJpeg("backgrounds/mainmenu");
  }
  {
    Canvas c(1024, 768, Hex(0x000000));
    c.SavePng("backgrounds/transition");
  }
  {
    // The credits' cover: the menu's picture shows through it, dimmed under the names.
    Canvas c(1024, 768, Hex(0x000000, 0.6f));
    c.SavePng("backgrounds/credits_cover");
  }
  // the wooden panels: the large one of the menus, the dialog, the picked-up item's and the pause
  // screen's
  const struct {
    const char* name;
    float w, h;
  } panels[] = {{"menu/panel", 640, 560}, {"menu/dialog", 520, 300}, {"menu/pickup", 500, 400}, {"menu/pause", 320, 380}};
  for (const auto& panel : panels) {
    const float w = panel.w, h = panel.h;
    Canvas c{int(w), int(h)};
    c.Solid([=](float x, float y) { return Box(x, y, 3, 3, w - 3, h - 3, 18); }, [](float x, float y) { return Shade(Wood(x, y, Hex(0x3a2616), 301), 0.9f); }, Rimmed(2, 10));
    c.Outline([=](float x, float y) { return Box(x, y, 12, 12, w - 12, h - 12, 12); }, 2, Hex(0xd8b870));
    c.Shape([=](float x, float y) { return Box(x, y, 18, 18, w - 18, h - 18, 8); }, Hex(0x100804, 0.25f));
    for (float cx : {22.f, w - 22})
      for (float cy : {22.f, h - 22}) c.Solid([=](float x, float y) { return (std::abs(x - cx) + std::abs(y - cy)) * 0.7f - 6; }, Hex(0xe0c070), Rimmed(1, 3));
    c.SavePng(panel.name);
  }
  {
    Canvas c(320, 44);
    c.Solid([](float x, float y) { return Box(x, y, 1, 1, 319, 43, 6); }, Hex(0x1a120a, 0.92f), Rimmed(1.2f, 6));
    c.Outline([](float x, float y) { return Box(x, y, 1.5f, 1.5f, 318.5f, 42.5f, 6); }, 1.2f, Hex(0xb09060));
    c.Shape([](float x, float y) { return Box(x, y, 4, 4, 316, 10, 3); }, Hex(0x000000, 0.3f));
    c.SavePng("menu/field");
  }
  const struct {
    const char* name;
    uint32_t fill;
    float light;
  } buttons[] = {{"menu/btn", 0x6a4a2a, 1.0f}, {"menu/btn_down", 0x4a301a, 0.8f}, {"menu/btn_over", 0x8a6236, 1.2f}};
  for (const auto& b : buttons) {
    Canvas c(240, 48);
    const bool down = b.light < 1;
    c.Solid([](float x, float y) { return Box(x, y, 2, 2, 238, 46, 12); },
            [&b](float x, float y) { return Shade(Wood(x, y * 0.5f, Hex(b.fill), 311), b.light * (1.15f - 0.4f * y / 48)); },
            [down] { Look l = Rimmed(1.5f, 7); l.light = down ? -0.4f : 0.5f; return l; }());
    c.Outline([](float x, float y) { return Box(x, y, 6, 6, 234, 42, 9); }, 1.4f, Hex(b.light > 1 ? 0xf8d890 : 0xd8b870));
    c.SavePng(b.name);
  }
  // Toggles: normal, checked, and both under the pointer.
  const char* const toggles[] = {"menu/check", "menu/check_on", "menu/check_over", "menu/check_on_over"};
  for (int i = 0; i < 4; ++i) {
    Canvas c(36, 36);
    const float light = i >= 2 ? 1.35f : 1.0f;
    c.Solid([](float x, float y) { return Box(x, y, 2, 2, 34, 34, 5); }, Shade(Hex(0x3a2616), light), [] { Look l = Rimmed(1.2f, 5); l.light = -0.4f; return l; }());
    c.Outline([](float x, float y) { return Box(x, y, 3, 3, 33, 33, 4); }, 1.5f, Hex(0xd8b870));
    if (i == 1 || i == 3)
      c.Solid([](float x, float y) {
        const float a = std::max(std::abs((x - 9) - (y - 17)) / 1.41f - 2.8f, std::max(x - 16, 8 - x));
        const float b = std::max(std::abs((x - 16) + (y - 25)) / 1.41f - 2.8f, std::max(x - 29, 14 - x));
        return Union(a, b);
      }, Hex(0xf8e4a0), Rimmed(0.8f, 2));
    c.SavePng(toggles[i]);
  }
  {
    Canvas top(14, 8), mid(14, 8), bottom(14, 8);
    const Rgba rail = Hex(0x7a5a30);
    top.Shape([](float x, float y) { return Box(x, y, 3, 2, 11, 14, 4); }, rail);
    mid.Shape([](float x, float y) { return Box(x, y, 3, -2, 11, 10); }, rail);
    bottom.Shape([](float x, float y) { return Box(x, y, 3, -6, 11, 6, 4); }, rail);
    for (Canvas* c : {&top, &mid, &bottom}) c->Shape([](float x, float y) { return Box(x, y, 5, -4, 7, 12); }, Hex(0x1a1008, 0.6f));
    top.SavePng("menu/rail_top");
    mid.SavePng("menu/rail_mid");
    bottom.SavePng("menu/rail_bot");
    for (int over = 0; over < 2; ++over) {
      Canvas thumb(22, 30);
      Look l = Rimmed(1.2f, 5);
      l.gloss = 0.3f;
      thumb.Solid([](float x, float y) { return Box(x, y, 2, 2, 20, 28, 5); }, [over](float, float y) { return Shade(Mix(Hex(0xf0d080), Hex(0xa07a30), y / 30), over ? 1.2f : 1); }, l);
      for (int k = 0; k < 3; ++k) thumb.Shape([=](float x, float y) { return Box(x, y, 6, 10 + k * 4.f, 16, 11 + k * 4.f); }, Hex(0x5a3a10, 0.6f));
      thumb.SavePng(over ? "menu/thumb_over" : "menu/thumb");
    }
  }
  {
    Canvas c(24, 24);
    Look l = Rimmed(1, 4);
    l.gloss = 0.5f;
    c.Solid([](float x, float y) { return Circle(x, y, 12, 12, 8); }, Hex(0xe0b050), l);
    c.SavePng("menu/marker");
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s ASSETS_DIR\n", argv[0]);
    return 2;
  }
  SetContentRoot(argv[1]);
  Backgrounds();
  Objects();
  Cursors();
  Interface();
  Puzzles();
  Menus();
  MakeSounds();
  MakeMiniGameContent();
  MakeSceneContent();
  return ContentFailed() ? 1 : 0;
}
