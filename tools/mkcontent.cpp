// Makes the demo's art and sound procedurally: backgrounds (JPEG), objects and buttons (PNG with
// alpha, or JPEG with a ".mask.png" alpha mask), the cursors and the mini-games' picture sets, and
// the Ogg Vorbis effects and music loop. Deterministic: the same build writes the same files.
//   mkcontent ASSETS_DIR
#include "canvas.h"
#include "mkminigames.h"
#include "mkscenes.h"
#include "oggtone.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>


namespace {

// This tool's pictures start opaque black, as they always have.
const Rgba kOpaque = Hex(0x000000);

// A painted backdrop: a vertical gradient with cloudy texture, a floor and darker corners.
void Background(const std::string& name, Rgba top, Rgba bottom, Rgba floor, uint32_t seed,
                const std::function<void(Canvas&)>& details = nullptr) {
  Canvas c(800, 600, kOpaque);
  c.Paint([&](float x, float y) {
    Rgba col = Mix(top, bottom, y / 600);
    if (y > 420) col = Mix(col, floor, std::min(1.f, (y - 420) / 30));
    const float n = Fractal(x / 90, y / 90, seed);
    const float vignette = 1 - 0.45f * std::pow(std::hypot((x - 400) / 400, (y - 300) / 300) / 1.414f, 2.f);
    return Shade(col, (0.8f + 0.4f * n) * vignette);
  });
  if (details) details(c);
  c.SaveJpeg("images/" + name + ".jpg");
}

// Wooden texture for boards, doors and frames.
Rgba Wood(float x, float y, Rgba base, uint32_t seed) {
  const float grain = std::sin(y * 0.35f + 6 * Fractal(x / 60, y / 12, seed)) * 0.5f + 0.5f;
  return Shade(base, 0.8f + 0.3f * grain);
}

void Backgrounds() {
  Background("chapter_bg", Hex(0x1c1830), Hex(0x3a2a40), Hex(0x2a2230), 11, [](Canvas& c) {
    c.Shape([](float x, float y) { return Box(x, y, 120, 90, 680, 510, 18); },
            [](float x, float y) { return Shade(Hex(0xd8c49a, 0.92f), 0.85f + 0.25f * Fractal(x / 40, y / 40, 5)); });
  });
  Background("village_bg", Hex(0x6a86b0), Hex(0xc8b090), Hex(0x6b5a40), 21, [](Canvas& c) {
    // houses and the manor on the hill
    for (int i = 0; i < 4; ++i) {
      const float x0 = 30 + i * 190.f, w = 120;
      c.Shape([=](float x, float y) { return Box(x, y, x0, 300, x0 + w, 440); },
              [=](float x, float y) { return Shade(Hex(0x9a8060), 0.8f + 0.3f * Fractal(x / 20, y / 20, 30 + i)); });
      c.Shape([=](float x, float y) { return Trapezoid(x, y, x0 + w / 2, 230, 300, 4, w + 30); }, Hex(0x5a3028));
    }
    c.Shape([](float x, float y) { return Box(x, y, 350, 170, 470, 370); }, Hex(0x3c3a3c));
    c.Shape([](float x, float y) { return Box(x, y, 365, 185, 455, 360, 40); }, Hex(0x241c18));
  });
  Background("hall_bg", Hex(0x3a2418), Hex(0x5a3a24), Hex(0x40281a), 31, [](Canvas& c) {
    const float doors[][2] = {{40, 120}, {160, 300}, {280, 300}, {420, 300}, {540, 300}, {660, 120}, {660, 300}, {160, 120}};
    for (auto& d : doors) {
      const float x0 = d[0], y0 = d[1];
      c.Shape([=](float x, float y) { return Box(x, y, x0, y0, x0 + 100, y0 + (y0 < 200 ? 140 : 160), 6); },
              [](float x, float y) { return Wood(x, y, Hex(0x6a4428), 41); });
    }
    c.Shape([](float x, float y) { return Box(x, y, 300, 140, 340, 260, 4); }, Hex(0x8a7040));
    c.Shape([](float x, float y) { return Circle(x, y, 320, 170, 14); }, Hex(0xe8dcc0));
  });
  Background("attic_bg", Hex(0x4a3a2a), Hex(0x6a5238), Hex(0x4a3826), 41, [](Canvas& c) {
    for (int i = 0; i < 6; ++i)  // crates and clutter
      c.Shape([=](float x, float y) { return Box(x, y, 40 + i * 125.f, 360 + (i % 2) * 40.f, 150 + i * 125.f, 560, 3); },
              [=](float x, float y) { return Wood(x, y, Hex(0x7a5a38), 50 + i); });
    c.Shape([](float x, float y) { return Trapezoid(x, y, 400, 0, 120, 800, 300); }, Hex(0x2a2018, 0.6f));
  });
  Background("puzzle_bg", Hex(0x2c3428), Hex(0x1c2218), Hex(0x1c2218), 51, [](Canvas& c) {
    c.Shape([](float x, float y) { return Box(x, y, 40, 40, 760, 530, 24); },
            [](float x, float y) { return Shade(Hex(0x405038, 0.85f), 0.8f + 0.3f * Fractal(x / 30, y / 30, 52)); });
  });
  Background("shrine_bg", Hex(0x202848), Hex(0x403060), Hex(0x302640), 61, [](Canvas& c) {
    c.Shape([](float x, float y) { return Box(x, y, 330, 300, 470, 480, 8); }, Hex(0x8c8ca0));
    c.Paint([](float x, float y) {
      const float glow = std::max(0.f, 1 - std::hypot(x - 400, y - 260) / 160);
      return Hex(0xfff0c0, glow * glow * 0.7f);
    });
  });
}

// ---- objects ----

void Key(Canvas& c, float s) {
  const Rgba iron = Hex(0x8a8478);
  c.Shape([s](float x, float y) { return Cut(Circle(x, y, 18 * s, 32 * s, 14 * s), Circle(x, y, 18 * s, 32 * s, 7 * s)); }, iron);
  c.Shape([s](float x, float y) {
    return Union(Box(x, y, 30 * s, 28 * s, 92 * s, 36 * s), Union(Box(x, y, 74 * s, 36 * s, 80 * s, 48 * s),
                                                             Box(x, y, 84 * s, 36 * s, 90 * s, 44 * s)));
  }, iron);
}

void Figure(Canvas& c, Rgba robe, Rgba skin, uint32_t seed) {
  c.Shape([](float x, float y) { return Trapezoid(x, y, 100, 110, 400, 70, 170); },
          [=](float x, float y) { return Shade(robe, 0.8f + 0.3f * Fractal(x / 25, y / 25, seed)); });
  c.Shape([](float x, float y) { return Circle(x, y, 100, 70, 42); }, skin);
  c.Shape([](float x, float y) { return Union(Circle(x, y, 86, 64, 4), Circle(x, y, 114, 64, 4)); }, Hex(0x201810));
}

void Objects() {
  { Canvas c(96, 64, kOpaque); Key(c, 1); c.SavePng("images/key.png"); }
  {
    Canvas c(48, 112, kOpaque);
    c.Shape([](float x, float y) { return Box(x, y, 14, 40, 34, 108, 3); }, Hex(0xeee4cc));
    c.Shape([](float x, float y) { return Ellipse(x, y, 24, 22, 8, 16); }, Hex(0xffb030));
    c.Shape([](float x, float y) { return Ellipse(x, y, 24, 26, 4, 9); }, Hex(0xfff4a0));
    c.SavePng("images/candle.png");
  }
  {
    Canvas c(80, 96, kOpaque);
    c.Shape([](float x, float y) { return Union(Circle(x, y, 40, 36, 22), Trapezoid(x, y, 40, 36, 80, 44, 70)); },
            [](float x, float y) { return Shade(Hex(0xc8ccd8), 0.75f + 0.5f * (1 - x / 80)); });
    c.Shape([](float x, float y) { return Circle(x, y, 40, 86, 8); }, Hex(0x908c80));
    c.SaveMasked("images/relic");
  }
  {
    Canvas c(100, 180, kOpaque);
    c.Shape([](float x, float y) { return Box(x, y, 2, 2, 98, 178, 30); },
            [](float x, float y) { return Wood(x, y, Hex(0x704828), 71); });
    c.Shape([](float x, float y) { return Circle(x, y, 80, 100, 6); }, Hex(0xc0a040));
    c.SaveMasked("images/door");
  }
  { Canvas c(200, 400, kOpaque); Figure(c, Hex(0x202024), Hex(0xe0b898), 81); c.SaveMasked("images/vicar"); }
  { Canvas c(200, 400, kOpaque); Figure(c, Hex(0x3a5a7a), Hex(0xd8a888), 82); c.SaveMasked("images/player"); }
  {
    Canvas c(800, 160, kOpaque);
    c.Shape([](float x, float y) { return Box(x, y, 0, 20, 800, 160); },
            [](float x, float y) { return Wood(x, y, Hex(0x5a3c24, 0.95f), 91); });
    c.SavePng("images/stage.png");
  }
  {
    Canvas c(300, 200, kOpaque);
    c.Shape([](float x, float y) { return Box(x, y, 4, 4, 296, 196, 10); },
            [](float x, float y) { return Shade(Hex(0xe0cc9c), 0.8f + 0.3f * Fractal(x / 30, y / 30, 101)); });
    c.Shape([](float x, float y) { return std::abs(std::hypot(x - 150, y - 110) - 60) - 2; }, Hex(0x6a4a2a, 0.8f));
    c.Shape([](float x, float y) { return Circle(x, y, 150, 110, 7); }, Hex(0xa02020));
    c.SavePng("images/map.png");
  }
  // hidden objects
  {
    Canvas c(56, 48, kOpaque);
    c.Shape([](float x, float y) { return Union(Trapezoid(x, y, 24, 8, 44, 40, 30), Cut(Circle(x, y, 46, 24, 10), Circle(x, y, 46, 24, 5))); },
            Hex(0xd8d0c0));
    c.SavePng("images/ho_cup.png");
  }
  {
    Canvas c(72, 52, kOpaque);
    c.Shape([](float x, float y) { return Box(x, y, 4, 6, 68, 46, 3); }, Hex(0x7a2020));
    c.Shape([](float x, float y) { return Box(x, y, 8, 10, 64, 14); }, Hex(0xf0e8d0));
    c.SavePng("images/ho_book.png");
  }
  {
    Canvas c(52, 60, kOpaque);
    c.Shape([](float x, float y) { return Union(Circle(x, y, 26, 22, 16), Trapezoid(x, y, 26, 22, 50, 32, 48)); }, Hex(0xc8a030));
    c.SavePng("images/ho_bell.png");
  }
  {
    Canvas c(40, 96, kOpaque);
    c.Shape([](float x, float y) { return Ellipse(x, y, 20 + (y - 48) * 0.15f, 48, 12, 44); }, Hex(0xf0f0f8));
    c.Shape([](float x, float y) { return std::abs(x - 20 - (y - 48) * 0.15f) - 1; }, Hex(0x807870));
    c.SavePng("images/ho_feather.png");
  }
  {
    Canvas c(56, 60, kOpaque);
    c.Shape([](float x, float y) { return Union(Circle(x, y, 28, 26, 22), Box(x, y, 16, 36, 40, 56, 4)); }, Hex(0xe8e0cc));
    c.Shape([](float x, float y) { return Union(Circle(x, y, 20, 26, 6), Circle(x, y, 36, 26, 6)); }, Hex(0x282018));
    c.SavePng("images/ho_skull.png");
  }
  {
    Canvas c(36, 36, kOpaque);
    c.Shape([](float x, float y) { return Circle(x, y, 18, 18, 16); }, Hex(0xd8b040));
    c.Shape([](float x, float y) { return std::abs(Circle(x, y, 18, 18, 11)) - 1; }, Hex(0xa88020));
    c.SavePng("images/ho_coin.png");
  }
}

// Buttons, cursors, the hint sparkle, the sundial and the puzzles' parts.
void Interface() {
  for (const char* name : {"button_skip", "button_menu"}) {
    Canvas c(110, 40, kOpaque);
    c.Shape([](float x, float y) { return Box(x, y, 2, 2, 108, 38, 10); },
            [](float x, float y) { return Shade(Hex(0x6a4a2a), 1.2f - 0.5f * y / 40); });
    c.Shape([](float x, float y) { return std::abs(Box(x, y, 4, 4, 106, 36, 8)) - 1; }, Hex(0xd8b870));
    c.SavePng(std::string("images/") + name + ".png");
  }
  const auto arrow = [](float x, float y) {
    return Union(std::max({-x, x - y * 0.7f, y - 24.f}), Box(x, y, 7, 16, 13, 29));
  };
  {
    Canvas c(32, 32, kOpaque);
    c.Shape([&](float x, float y) { return arrow(x - 2, y - 1) - 1.5f; }, Hex(0x101010));
    c.Shape([&](float x, float y) { return arrow(x - 2, y - 1); }, Hex(0xf0e0c0));
    c.SavePng("images/cursor.png");
  }
  {
    Canvas c(32, 32, kOpaque);
    c.Shape([](float x, float y) { return Union(Trapezoid(x, y, 16, 2, 16, 0, 26), Box(x, y, 11, 16, 21, 30)) - 1.5f; },
            Hex(0x101010));
    c.Shape([](float x, float y) { return Union(Trapezoid(x, y, 16, 2, 16, 0, 26), Box(x, y, 11, 16, 21, 30)); },
            Hex(0x90e070));
    c.SavePng("images/cursor_exit.png");
  }
  {
    Canvas c(64, 64, kOpaque);
    c.Paint([](float x, float y) {
      const float dx = std::abs(x - 32), dy = std::abs(y - 32);
      const float star = std::max(0.f, 1 - std::min(dx, dy) / 3 - std::max(dx, dy) / 32);
      const float glow = std::max(0.f, 1 - std::hypot(dx, dy) / 30);
      return Hex(0xfff8d0, std::min(1.f, star + glow * glow));
    });
    c.SavePng("images/hint.png");
  }
  {
    Canvas c(12, 64, kOpaque);
    c.Shape([](float x, float y) { return Box(x, y, 3, 0, 9, 64, 2); }, Hex(0x7a7060));
    c.SavePng("images/sundial_pole.png");
  }
  {
    Canvas c(64, 64, kOpaque);
    c.Shape([](float x, float y) { return Trapezoid(x, y, 32, 4, 60, 2, 14); }, Hex(0x000000, 0.45f));
    c.SavePng("images/sundial_shadow.png");
  }
  {
    Canvas c(120, 200, kOpaque);
    c.Shape([](float x, float y) { return Union(Circle(x, y, 60, 140, 52), Box(x, y, 46, 10, 74, 100, 4)); },
            Hex(0xb0d0e0, 0.55f));
    c.Shape([](float x, float y) { return Box(x, y, 42, 2, 78, 14, 3); }, Hex(0x8a6a40));
    c.SavePng("images/flask.png");
  }
  {
    Canvas c(220, 360, kOpaque);
    c.Shape([](float x, float y) { return Box(x, y, 2, 2, 218, 358, 12); },
            [](float x, float y) { return Wood(x, y, Hex(0x5a3a20), 111); });
    c.SavePng("images/board.png");
  }
  {
    Canvas c(40, 100, kOpaque);
    c.Shape([](float x, float y) { return Union(Box(x, y, 12, 2, 28, 98, 4), Box(x, y, 2, 70, 38, 80, 3)); },
            [](float x, float) { return Shade(Hex(0x9a9890), 0.7f + 0.6f * x / 40); });
    c.SavePng("images/bolt.png");
  }
  {
    Canvas c(800, 120, kOpaque);
    c.Shape([](float x, float y) { return -Box(x, y, 16, 16, 784, 104, 10); },
            [](float x, float y) { return Wood(x, y, Hex(0x4a3018), 121); });
    c.SavePng("images/border.png");
  }
}

// The mini-games' picture sets: four jigsaw pieces cut from one painting, the mirror images, the
// board's field states, the gallery pictures and the chronicle's moving strip.
void Puzzles() {
  const auto painting = [](float x, float y) {
    const float sky = y / 256;
    Rgba c = Mix(Hex(0x80a0d0), Hex(0xe0c080), sky);
    if (y > 170 + 20 * std::sin(x / 30)) c = Hex(0x4a6a30);
    if (std::hypot(x - 190, y - 60) < 24) c = Hex(0xfff0a0);
    return Shade(c, 0.85f + 0.3f * Fractal(x / 20, y / 20, 131));
  };
  for (int i = 0; i < 4; ++i) {
    const float ox = (i % 2) * 128.f, oy = (i / 2) * 128.f;
    Canvas c(128, 128, kOpaque);
    c.Shape([](float x, float y) { return Box(x, y, 0, 0, 128, 128); }, [&](float x, float y) { return painting(x + ox, y + oy); });
    c.Shape([](float x, float y) { return -Box(x, y, 1, 1, 127, 127); }, Hex(0x302010, 0.6f));
    c.SavePng("images/jigsaw_" + std::to_string(i + 1) + ".png");
  }
  const auto face = [](Canvas& c, bool mirrored, int variant) {
    const float flip = mirrored ? -1.f : 1.f;
    c.Shape([](float x, float y) { return Box(x, y, 2, 2, 126, 126, 10); }, Hex(0xe8dcc0));
    c.Shape([](float x, float y) { return Circle(x, y, 64, 60, 38); }, Hex(0xe0b090));
    c.Shape([=](float x, float y) { return Circle(x, y, 64 + flip * (14 + variant * 3.f), 52, 5); }, Hex(0x202020));
    c.Shape([=](float x, float y) { return Circle(x, y, 64 - flip * 14, 52 + variant * 2.f, 5); }, Hex(0x202020));
    c.Shape([=](float x, float y) { return Ellipse(x, y, 64 + flip * (variant - 2) * 6.f, 78, 14, 4); }, Hex(0x902020));
    c.Shape([=](float x, float y) { return Trapezoid(x, y, 64 + flip * 20, 10, 34, 10, 50); }, Hex(0x503020));
  };
  for (int i = 0; i <= 5; ++i) {
    Canvas c(128, 128, kOpaque);
    face(c, false, i);
    c.SavePng("images/mirror/false" + std::to_string(i) + ".png");
  }
  { Canvas c(128, 128, kOpaque); face(c, true, 2); c.SavePng("images/mirror/right.png"); }
  for (int status = 0; status <= 2; ++status)
    for (bool selected : {false, true}) {
      Canvas c(64, 64, kOpaque);
      c.Shape([](float x, float y) { return Circle(x, y, 32, 32, 28); }, Hex(selected ? 0xf0d060 : 0x4a3a28));
      if (status)
        c.Shape([](float x, float y) { return Circle(x, y, 32, 32, 20); }, Hex(status == 1 ? 0xf0ece0 : 0x202020));
      c.SavePng("images/morris/" + std::to_string(status) + (selected ? "a" : "") + ".png");
    }
  for (int i = 1; i <= 2; ++i) {
    Canvas c(160, 160, kOpaque);
    c.Shape([](float x, float y) { return Box(x, y, 0, 0, 160, 160, 4); },
            [](float x, float y) { return Wood(x, y, Hex(0x8a6a30), 141); });
    c.Shape([](float x, float y) { return Box(x, y, 12, 12, 148, 148, 2); },
            [&](float x, float y) { return painting(x * (i == 1 ? 1.4f : 0.9f) + i * 40, y * 1.5f); });
    c.SavePng("images/pictures/" + std::to_string(i) + ".png");
  }
  for (int i = 0; i <= 4; ++i) {
    Canvas c(256, 200, kOpaque);
    c.Shape([](float x, float y) { return Box(x, y, 0, 0, 256, 200); },
            [&](float x, float y) { return Shade(Hex(0xd8c49a), 0.8f + 0.3f * Fractal((x + i * 256) / 50, y / 50, 151)); });
    c.Shape([&](float x, float y) { return std::abs(y - 100 - 30 * std::sin((x + i * 256) / 40)) - 3; }, Hex(0x6a3a20, 0.8f));
    c.SavePng("images/strip/strip" + std::to_string(i) + ".png");
  }
}

// ---- the menus ----

// The main menu's background, the fade cover, the menu buttons, the dialog panel, toggles, the
// slider parts, the high-score marker and the game's cursors.
void Menus() {
  {
    Canvas c(1024, 768, kOpaque);
    c.Paint([](float x, float y) {
      const float n = Fractal(x / 180, y / 180, 501);
      Rgba sky = Mix(Hex(0x1a1030), Hex(0x5a3a4a), y / 768);
      return Shade(sky, 0.8f + 0.4f * n);
    });
    // A manor's outline against the dusk.
    c.Shape([](float x, float y) {
      return Union(Union(Box(x, y, 120, 470, 904, 768), Trapezoid(x, y, 512, 330, 470, 120, 520)),
                   Union(Box(x, y, 180, 380, 240, 500), Box(x, y, 784, 380, 844, 500)));
    }, [](float x, float y) { return Shade(Hex(0x140c10), 0.9f + 0.2f * Noise(x / 8, y / 8, 77)); });
    for (int i = 0; i < 7; ++i) {
      const float wx = 200 + i * 100.f;
      c.Shape([wx](float x, float y) { return Box(x, y, wx, 560, wx + 30, 610, 3); }, Hex(0xe0b050, 0.85f));
    }
    c.SaveJpeg("backgrounds/mainmenu.jpg");
  }
  {
    Canvas c(1024, 768, kOpaque);
    c.Paint([](float, float) { return Hex(0x000000); });
    c.SavePng("backgrounds/transition.png");
  }
  {
    Canvas c(640, 560, kOpaque);
    c.Shape([](float x, float y) { return Box(x, y, 2, 2, 638, 558, 18); },
            [](float x, float y) { return Shade(Wood(x, y, Hex(0x3a2616), 301), 0.9f); });
    c.Shape([](float x, float y) { return std::abs(Box(x, y, 10, 10, 630, 550, 12)) - 1.5f; }, Hex(0xd8b870));
    c.SavePng("menu/panel.png");
  }
  {
    Canvas c(520, 300, kOpaque);
    c.Shape([](float x, float y) { return Box(x, y, 2, 2, 518, 298, 16); },
            [](float x, float y) { return Shade(Wood(x, y, Hex(0x3a2616), 303), 0.9f); });
    c.Shape([](float x, float y) { return std::abs(Box(x, y, 10, 10, 510, 290, 10)) - 1.5f; }, Hex(0xd8b870));
    c.SavePng("menu/dialog.png");
  }
  {
    Canvas c(320, 44, kOpaque);
    c.Shape([](float x, float y) { return Box(x, y, 1, 1, 319, 43, 6); }, Hex(0x1a120a, 0.9f));
    c.Shape([](float x, float y) { return std::abs(Box(x, y, 1, 1, 319, 43, 6)) - 0.8f; }, Hex(0xb09060));
    c.SavePng("menu/field.png");
  }
  const struct {
    const char* name;
    uint32_t fill;
    float light;
  } buttons[] = {{"menu/btn", 0x6a4a2a, 1.0f}, {"menu/btn_down", 0x4a301a, 0.8f}, {"menu/btn_over", 0x8a6236, 1.2f}};
  for (const auto& b : buttons) {
    Canvas c(240, 48, kOpaque);
    c.Shape([](float x, float y) { return Box(x, y, 2, 2, 238, 46, 12); },
            [&b](float, float y) { return Shade(Hex(b.fill), b.light * (1.2f - 0.45f * y / 48)); });
    c.Shape([](float x, float y) { return std::abs(Box(x, y, 5, 5, 235, 43, 9)) - 1; }, Hex(0xd8b870));
    c.SavePng(std::string(b.name) + ".png");
  }
  // Toggles: normal, checked, and both under the pointer.
  const char* const toggles[] = {"menu/check", "menu/check_on", "menu/check_over", "menu/check_on_over"};
  for (int i = 0; i < 4; ++i) {
    Canvas c(36, 36, kOpaque);
    const float light = i >= 2 ? 1.3f : 1.0f;
    c.Shape([](float x, float y) { return Box(x, y, 2, 2, 34, 34, 5); }, Shade(Hex(0x3a2616), light));
    c.Shape([](float x, float y) { return std::abs(Box(x, y, 3, 3, 33, 33, 4)) - 1; }, Hex(0xd8b870));
    if (i == 1 || i == 3)
      c.Shape([](float x, float y) {
        return Union(Box(x, y, 9, 17, 16, 24, 1) , std::abs((x - 16) + (y - 25)) / 1.4f - 3 + std::max(0.f, std::abs(x - 21) - 7)) ;
      }, Hex(0xf0e0a0));
    c.SavePng(std::string(toggles[i]) + ".png");
  }
  {
    Canvas top(14, 8, kOpaque), mid(14, 8, kOpaque), bottom(14, 8, kOpaque);
    top.Shape([](float x, float y) { return Box(x, y, 2, 2, 12, 14, 4); }, Hex(0xb09060));
    mid.Shape([](float x, float y) { return Box(x, y, 2, -2, 12, 10); }, Hex(0xb09060));
    bottom.Shape([](float x, float y) { return Box(x, y, 2, -6, 12, 6, 4); }, Hex(0xb09060));
    top.SavePng("menu/rail_top.png");
    mid.SavePng("menu/rail_mid.png");
    bottom.SavePng("menu/rail_bot.png");
    for (int over = 0; over < 2; ++over) {
      Canvas thumb(22, 30, kOpaque);
      thumb.Shape([](float x, float y) { return Box(x, y, 2, 2, 20, 28, 5); }, Shade(Hex(0xd8b870), over ? 1.2f : 0.95f));
      thumb.Shape([](float x, float y) { return std::abs(Box(x, y, 2, 2, 20, 28, 5)) - 0.8f; }, Hex(0x3a2616));
      thumb.SavePng(over ? "menu/thumb_over.png" : "menu/thumb.png");
    }
  }
  {
    Canvas c(24, 24, kOpaque);
    c.Shape([](float x, float y) { return Circle(x, y, 12, 12, 8); }, Hex(0xe0b050));
    c.SavePng("menu/marker.png");
  }
  // The game's pointer kinds share one arrow in different tints.
  const auto arrow = [](float x, float y) {
    return Union(std::max({-x, x - y * 0.7f, y - 24.f}), Box(x, y, 7, 16, 13, 29));
  };
  const struct {
    const char* name;
    uint32_t tint;
  } cursors[] = {{"cursor/cursor_active", 0xf0e0c0}, {"cursor/cursor_look", 0xa0d0f0}, {"cursor/cursor_use", 0xf0c070},
                 {"cursor/cursor_exit", 0x90e070}, {"cursor/cursor_active_red", 0xf06050}, {"cursor/cursor_inactive", 0x909090}};
  for (const auto& k : cursors) {
    Canvas c(32, 32, kOpaque);
    c.Shape([&](float x, float y) { return arrow(x - 2, y - 1) - 1.5f; }, Hex(0x101010));
    c.Shape([&](float x, float y) { return arrow(x - 2, y - 1); }, Hex(k.tint));
    c.SavePng(std::string(k.name) + ".png");
  }
}

// ---- sounds ----

// Encodes mono samples (-1..1) as Ogg Vorbis.
bool WriteOgg(const std::string& rel, const std::vector<float>& samples, long rate, float quality) {
  std::vector<unsigned char> out =
      EncodeOgg(1, rate, quality, static_cast<long>(samples.size()),
                [&samples](long frame, int) { return samples[static_cast<size_t>(frame)]; }, rel.c_str(), 0x686d7264);
  if (out.empty()) {
    ReportContentFailure("the encoder refused " + rel);
    return false;
  }

  const std::string path = ContentRoot() + "/" + rel;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  FILE* f = std::fopen(path.c_str(), "wb");
  bool ok = f && std::fwrite(out.data(), 1, out.size(), f) == out.size();
  if (f) ok = std::fclose(f) == 0 && ok;
  if (!ok) ReportContentFailure("cannot write " + path);
  return ok;
}

constexpr long kRate = 22050;
constexpr double kPi = 3.14159265358979323846;

// A plucked note: a few harmonics under an exponential decay, added into the buffer.
void Note(std::vector<float>& buf, double start, double length, double freq, float gain, double decay = 3) {
  const size_t first = size_t(start * kRate), count = size_t(length * kRate);
  for (size_t i = 0; i < count && first + i < buf.size(); ++i) {
    const double t = double(i) / kRate;
    const double env = std::exp(-decay * t) * std::min(1.0, t * 200) * std::min(1.0, (length - t) * 40);
    const double w = 2 * kPi * freq * t;
    buf[first + i] += float(gain * env * (std::sin(w) + 0.35 * std::sin(2 * w) + 0.12 * std::sin(3 * w)));
  }
}

double Midi(int note) { return 440.0 * std::pow(2.0, (note - 69) / 12.0); }

void Sounds() {
  uint32_t seed = 7;
  const auto noise = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return float(seed >> 8) / float(1 << 23) - 1.f;
  };
  {
    std::vector<float> s(size_t(0.06 * kRate));
    for (size_t i = 0; i < s.size(); ++i) {
      const double t = double(i) / kRate;
      s[i] = float(std::exp(-90 * t) * (0.5 * noise() + 0.5 * std::sin(2 * kPi * 1800 * t)));
    }
    WriteOgg("sounds/click.ogg", s, kRate, 0.4f);
  }
  {
    std::vector<float> s(size_t(0.5 * kRate));
    const int notes[] = {72, 76, 79, 84};
    for (int i = 0; i < 4; ++i) Note(s, i * 0.07, 0.5 - i * 0.07, Midi(notes[i]), 0.22f, 8);
    WriteOgg("sounds/pickup.ogg", s, kRate, 0.4f);
  }
  {
    // Wind: low-passed noise swelling and ebbing; the ends match so it loops.
    std::vector<float> s(size_t(4.0 * kRate));
    float low = 0, lower = 0;
    for (size_t i = 0; i < s.size(); ++i) {
      const double t = double(i) / s.size();
      const float cut = float(0.02 + 0.03 * (0.5 - 0.5 * std::cos(2 * kPi * 2 * t)));
      low += cut * (noise() - low);
      lower += cut * (low - lower);
      s[i] = float(3.0 * lower * (0.4 + 0.6 * std::sin(kPi * t)));
    }
    WriteOgg("sounds/wind.ogg", s, kRate, 0.1f);
  }
  {
    // The theme: eight bars in A minor at 96 beats a minute, bass and melody, loopable.
    const double beat = 60.0 / 96;
    std::vector<float> s(size_t(32 * beat * kRate));
    const int bass[] = {45, 41, 48, 43, 45, 41, 40, 45};
    const int melody[] = {69, 72, 76, 74, 72, 71, 69, 71, 72, 69, 67, 69, 72, 76, 74, 72,
                          69, 72, 76, 79, 77, 76, 74, 72, 71, 72, 74, 71, 69, 68, 69, 0};
    for (int bar = 0; bar < 8; ++bar) {
      Note(s, bar * 4 * beat, 4 * beat, Midi(bass[bar]), 0.22f, 1.2);
      Note(s, (bar * 4 + 2) * beat, 2 * beat, Midi(bass[bar] + 7), 0.12f, 1.5);
    }
    for (int i = 0; i < 32; ++i)
      if (melody[i]) Note(s, i * beat, beat * 1.2, Midi(melody[i]), 0.16f, 2.5);
    WriteOgg("sounds/music_loop.ogg", s, kRate, 0.2f);
  }
}

// The menus' sounds: four typewriter clicks, the lever sample of the options, the menu music.
void MenuSounds() {
  uint32_t seed = 91;
  const auto noise = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return float(seed >> 8) / float(1 << 23) - 1.f;
  };
  for (int k = 1; k <= 4; ++k) {
    std::vector<float> s(size_t(0.05 * kRate));
    const double pitch = 900 + 250 * k;
    for (size_t i = 0; i < s.size(); ++i) {
      const double t = double(i) / kRate;
      s[i] = float(std::exp(-120 * t) * (0.6 * noise() + 0.4 * std::sin(2 * kPi * pitch * t)));
    }
    char name[64];
    std::snprintf(name, sizeof name, "audio/sfx/sfx_typing_%02d.ogg", k);
    WriteOgg(name, s, kRate, 0.4f);
  }
  {
    std::vector<float> s(size_t(0.25 * kRate));
    for (size_t i = 0; i < s.size(); ++i) {
      const double t = double(i) / kRate;
      s[i] = float(0.5 * std::exp(-25 * t) * std::sin(2 * kPi * (300 - 400 * t) * t) + 0.2 * std::exp(-60 * t) * noise());
    }
    WriteOgg("audio/sfx/lever.ogg", s, kRate, 0.4f);
  }
  {
    // A slow waltz in D minor: bass on one, chords on two and three, and a melody; loopable.
    const double beat = 60.0 / 84;
    std::vector<float> s(size_t(48 * beat * kRate));
    const int bass[] = {50, 46, 48, 45, 50, 43, 45, 50, 46, 48, 45, 50, 43, 45, 45, 50};
    const int melody[] = {62, 65, 69, 70, 69, 65, 67, 64, 60, 69, 67, 65, 62, 65, 69, 74,
                          72, 70, 69, 67, 65, 67, 69, 64, 62, 65, 69, 70, 72, 70, 69, 67,
                          65, 64, 62, 61, 62, 65, 64, 62, 61, 57, 61, 64, 62, 0, 0, 0};
    for (int bar = 0; bar < 16; ++bar) {
      Note(s, bar * 3 * beat, 3 * beat, Midi(bass[bar]), 0.2f, 1.4);
      Note(s, (bar * 3 + 1) * beat, beat, Midi(bass[bar] + 12), 0.08f, 3);
      Note(s, (bar * 3 + 2) * beat, beat, Midi(bass[bar] + 19), 0.08f, 3);
    }
    for (int i = 0; i < 48; ++i)
      if (melody[i]) Note(s, i * beat, beat * 1.3, Midi(melody[i]), 0.15f, 2.2);
    WriteOgg("audio/music/mainmenumusic.ogg", s, kRate, 0.2f);
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
  Interface();
  Puzzles();
  Sounds();
  Menus();
  MenuSounds();
  MakeMiniGameContent();
  MakeSceneContent();
  return ContentFailed() ? 1 : 0;
}
