// The scene screens' pictures and sounds for the demo: the 1024 x 768 backdrops of the chapter card,
// the cutscene stage, the courtyard, the hall and the study; the sidebar strips and buttons, the
// hint button and its refill gauge, the short-text box, the letterbox bars, the cutscene's panels,
// speakers and letter, the scene objects, hidden objects and inventory icons, the diary book, the
// sparkle of the hint effect and the interface sounds. Deterministic, like the rest of mkcontent.
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
#include "oggtone.h"

namespace {

// ---- backdrops ----

// A full-screen backdrop: a vertical gradient with a soft texture and darker corners.
void Backdrop(const std::string& rel, Rgba top, Rgba bottom, uint32_t seed,
              const std::function<void(Canvas&)>& details = nullptr) {
  Canvas p(1024, 768);
  p.Paint([&](float x, float y) {
    Rgba c = Mix(top, bottom, y / 768);
    const float n = 0.85f + 0.3f * Noise(x / 70, y / 70, seed);
    const float v = 1 - 0.4f * std::pow(std::hypot((x - 512) / 512, (y - 384) / 384) / 1.414f, 2.f);
    return Rgba{c.r * n * v, c.g * n * v, c.b * n * v, 1};
  });
  if (details) details(p);
  p.SaveJpeg(rel, 0.85f);
}

void Backdrops() {
  Backdrop("scenes/chapter/bg", Hex(0xdcc89c), Hex(0xa88a58), 11);
  Canvas map(360, 240);
  map.Shape([](float x, float y) { return Box(x, y, 0, 0, 360, 240, 10); }, Hex(0xc9d6a0));
  map.Shape([](float x, float y) { return std::abs(y - 120 - 40 * std::sin(x / 50)) - 8; }, Hex(0x4f86b8));
  map.Shape([](float x, float y) { return Circle(x, y, 250, 70, 14); }, Hex(0x8a3a2a));
  map.SavePng("scenes/chapter/loc1");

  Backdrop("scenes/cutscene/stage1", Hex(0x2a3550), Hex(0x5a4a3a), 12);
  Backdrop("scenes/courtyard/bg", Hex(0x8fb8d8), Hex(0x4e7a3a), 13, [](Canvas& p) {
    // The manor wall with its door on the right.
    p.Shape([](float x, float y) { return Box(x, y, 620, 120, 1024, 560); }, Hex(0x8a7a68));
    p.Shape([](float x, float y) { return Box(x, y, 700, 200, 860, 520, 6); }, Hex(0x4a3020));
  });
  Backdrop("scenes/hall/bg", Hex(0x6a4a30), Hex(0x3a2818), 14, [](Canvas& p) {
    p.Shape([](float x, float y) { return Box(x, y, 420, 60, 600, 360, 8); }, Hex(0x2a1a10));
    p.Shape([](float x, float y) { return Box(x, y, 0, 560, 1024, 768); }, Hex(0x5a4030, 0.8f));
  });
  Backdrop("scenes/study/bg", Hex(0x5a3a30), Hex(0x2e1e18), 15, [](Canvas& p) {
    // Shelves with books along the wall.
    for (int row = 0; row < 3; ++row) {
      const float y0 = 120 + row * 150.f;
      p.Shape([=](float x, float y) { return Box(x, y, 180, y0 + 100, 1000, y0 + 112); }, Hex(0x3a2414));
      for (int i = 0; i < 26; ++i) {
        const float x0 = 190 + i * 31.f, h = 60 + 30 * Hash(i, row, 7);
        const Rgba c = Mix(Hex(0x6a2020), Hex(0x20406a), Hash(i, row, 9));
        p.Shape([=](float x, float y) { return Box(x, y, x0, y0 + 100 - h, x0 + 24, y0 + 100); }, c);
      }
    }
  });
  Canvas book(1024, 768);
  book.Paint([](float x, float y) {
    const float n = 0.9f + 0.2f * Noise(x / 40, y / 40, 21);
    return Rgba{0.33f * n, 0.18f * n, 0.1f * n, 1};
  });
  book.Shape([](float x, float y) { return Box(x, y, 60, 50, 505, 720, 10); }, Hex(0xf0e4c4));
  book.Shape([](float x, float y) { return Box(x, y, 519, 50, 964, 720, 10); }, Hex(0xf0e4c4));
  book.SaveJpeg("diary/book", 0.85f);
}

// ---- interface ----

void Interface() {
  for (bool hidden : {false, true}) {
    Canvas bar(1024, 121);
    bar.Paint([](float x, float y) {
      const float grain = 0.8f + 0.25f * Noise(x / 60, y / 6, 31);
      return Rgba{0.36f * grain, 0.23f * grain, 0.13f * grain, 1};
    });
    bar.Shape([](float x, float y) { return Box(x, y, 0, 0, 1024, 4); }, Hex(0xd8b060));
    if (hidden) bar.Shape([](float x, float y) { return Box(x, y, 168, 8, 836, 116, 8); }, Hex(0xeadcb8));
    else bar.Shape([](float x, float y) { return Box(x, y, 190, 16, 830, 110, 8); }, Hex(0x1e140c, 0.6f));
    bar.SavePng(hidden ? "backgrounds/sidebar_bg" : "backgrounds/sidebar_bg_as");
  }
  Canvas shortText(768, 96);
  shortText.Shape([](float x, float y) { return Box(x, y, 0, 0, 768, 96, 16); }, Hex(0x101820, 0.82f));
  shortText.Shape([](float x, float y) { return std::abs(Box(x, y, 3, 3, 765, 93, 14)) - 1.5f; }, Hex(0xc8a860));
  shortText.SavePng("sprites/gamescene/bg_shorttext");

  for (bool top : {true, false}) {
    Canvas border(1024, 125);
    border.Shape([](float x, float y) { return Box(x, y, 0, 0, 1024, 125); }, Hex(0x080808));
    const float line = top ? 86 : 4;
    border.Shape([=](float x, float y) { return Box(x, y, 0, line, 1024, line + 3); }, Hex(0xa08040));
    border.SavePng(top ? "scenes/letters/cutsceneborder_top" : "scenes/letters/cutsceneborder_bottom");
  }
  Canvas name(300, 60);
  name.Shape([](float x, float y) { return Box(x, y, 0, 0, 300, 60, 12); }, Hex(0xe8d8b0));
  name.Shape([](float x, float y) { return std::abs(Box(x, y, 3, 3, 297, 57, 10)) - 1.5f; }, Hex(0x7a5a30));
  name.SavePng("scenes/letters/bg_name");
  for (bool left : {true, false}) {
    Canvas panel(700, 260);
    panel.Shape([](float x, float y) { return Box(x, y, 0, 0, 700, 230, 24); }, Hex(0xf2e6c8, 0.95f));
    const float tail = left ? 120 : 580;
    panel.Shape([=](float x, float y) { return std::max(std::abs(x - tail) - (260 - y) * 0.6f, 228 - y); },
               Hex(0xf2e6c8, 0.95f));
    panel.SavePng(left ? "scenes/letters/bg_text_left" : "scenes/letters/bg_text_right");
  }

  // Sidebar buttons: the menu plate, the help mark, the diary book and the hint orb.
  Canvas menu(110, 50);
  menu.Shape([](float x, float y) { return Box(x, y, 0, 0, 110, 50, 12); }, Hex(0x8a5a2a));
  menu.Shape([](float x, float y) { return Box(x, y, 20, 14, 90, 18); }, Hex(0xf0d090));
  menu.Shape([](float x, float y) { return Box(x, y, 20, 23, 90, 27); }, Hex(0xf0d090));
  menu.Shape([](float x, float y) { return Box(x, y, 20, 32, 90, 36); }, Hex(0xf0d090));
  menu.SavePng("sprites/sidebarmenu");
  Canvas help(60, 50);
  help.Shape([](float x, float y) { return Circle(x, y, 30, 25, 23); }, Hex(0x2a5a8a));
  help.Shape([](float x, float y) { return std::abs(Circle(x, y, 30, 19, 9)) - 3 + std::max(0.f, 19 - y) * 0; },
            Hex(0xf0f0f0));
  help.Shape([](float x, float y) { return Circle(x, y, 30, 38, 3); }, Hex(0xf0f0f0));
  help.SavePng("sprites/sidebarhelp");
  Canvas diary(120, 110);
  diary.Shape([](float x, float y) { return Box(x, y, 10, 10, 110, 100, 6); }, Hex(0x6a2a1a));
  diary.Shape([](float x, float y) { return Box(x, y, 18, 16, 104, 94, 4); }, Hex(0xeadcb8));
  diary.Shape([](float x, float y) { return Box(x, y, 58, 10, 62, 100); }, Hex(0x4a1a0a));
  diary.SavePng("sprites/sidebardiary");
  Canvas orb(80, 80);
  orb.Shape([](float x, float y) { return Circle(x, y, 40, 40, 30); }, Hex(0x2a6ad0));
  orb.Shape([](float x, float y) { return Circle(x, y, 32, 32, 10); }, Hex(0xd0e8ff, 0.8f));
  orb.SavePng("sprites/hint/hintbutton");
  // The refill gauge: a ring around the orb, filled in ten steps.
  for (int step = 1; step <= 10; ++step) {
    Canvas gauge(80, 80);
    const float end = step / 10.f * 6.2831853f;
    gauge.Shape(
        [=](float x, float y) {
          const float angle = std::atan2(x - 40, 34 - y + 6) + (x < 40 ? 6.2831853f : 0);
          const float ring = std::abs(Circle(x, y, 40, 40, 36)) - 3;
          return angle <= end ? ring : 10.f;
        },
        Hex(0xf0c040));
    char name[64];
    std::snprintf(name, sizeof name, "sprites/hint/hinttimer_%02d", step);
    gauge.SavePng(name);
  }
  Canvas none(1, 1);
  none.SavePng("sprites/no_sprite");
  Canvas sparkle(16, 16);
  sparkle.Shape([](float x, float y) { return std::min(Box(x, y, 7, 1, 9, 15), Box(x, y, 1, 7, 15, 9)); },
               Hex(0xfff0c0, 0.9f));
  sparkle.Shape([](float x, float y) { return Circle(x, y, 8, 8, 3); }, Hex(0xffffff));
  sparkle.SavePng("fx/sparkle");
}

// ---- scene pieces ----

void Pieces() {
  Canvas key(64, 40);
  key.Shape([](float x, float y) { return std::abs(Circle(x, y, 14, 20, 10)) - 4; }, Hex(0xd0a030));
  key.Shape([](float x, float y) { return Box(x, y, 24, 17, 62, 23); }, Hex(0xd0a030));
  key.Shape([](float x, float y) { return Box(x, y, 50, 23, 56, 32); }, Hex(0xd0a030));
  key.SavePng("scenes/courtyard/key");
  Canvas door(160, 320);
  door.Shape([](float x, float y) { return std::abs(Box(x, y, 4, 4, 156, 316, 8)) - 4; }, Hex(0xffd870, 0.7f));
  door.SavePng("scenes/courtyard/door_glow");
  Canvas candle(40, 90);
  candle.Shape([](float x, float y) { return Box(x, y, 10, 30, 30, 88, 3); }, Hex(0xf4ecd8));
  candle.Shape([](float x, float y) { return Ellipse(x, y, 20, 18, 6, 12); }, Hex(0xffb030));
  candle.SavePng("scenes/hall/candle");
  const struct {
    const char* name;
    uint32_t colour;
    int w, h;
  } hidden[] = {{"ho_quill", 0xe8e8f0, 30, 90}, {"ho_cup", 0xc0c0d0, 56, 56}, {"ho_bell", 0xd8b040, 56, 64},
                {"ho_book", 0x4a6a2a, 70, 52},  {"ho_candle", 0xf0e0c0, 30, 80}, {"coin", 0xe8c040, 44, 44}};
  for (const auto& h : hidden) {
    Canvas p(h.w, h.h);
    const float w = float(h.w), ht = float(h.h);
    p.Shape([=](float x, float y) { return Ellipse(x, y, w / 2, ht / 2, w / 2 - 2, ht / 2 - 2); }, Hex(h.colour));
    p.Shape([=](float x, float y) { return Ellipse(x, y, w / 2 - w / 6, ht / 2 - ht / 6, w / 8, ht / 8); },
           Hex(0xffffff, 0.5f));
    p.SavePng(std::string("scenes/study/") + h.name);
  }
  // The speakers: silhouettes in their colours, and the letter paper.
  const struct {
    const char* name;
    uint32_t coat;
  } people[] = {{"warden", 0x3a4a6a}, {"warden_happy", 0x3a5a6a}, {"warden_sad", 0x3a3a5a}, {"heroine", 0x7a2a3a}};
  for (const auto& person : people) {
    Canvas p(300, 420);
    p.Shape([](float x, float y) { return Ellipse(x, y, 150, 90, 55, 65); }, Hex(0xe0b898));
    p.Shape([](float x, float y) { return std::max(Ellipse(x, y, 150, 420, 140, 260), 160 - y); }, Hex(person.coat));
    p.SavePng(std::string("scenes/cutscene/") + person.name);
  }
  Canvas letter(500, 400);
  letter.Shape([](float x, float y) { return Box(x, y, 0, 0, 500, 400, 6); }, Hex(0xf4ead0));
  letter.Shape([](float x, float y) { return std::abs(Box(x, y, 12, 12, 488, 388, 4)) - 1; }, Hex(0xb09060));
  letter.SavePng("scenes/letters/letter_paper");
  // Inventory icons and their large pick-up pictures.
  const struct {
    const char* name;
    uint32_t colour;
  } items[] = {{"key", 0xd0a030}, {"lens", 0x80c0e0}, {"candle", 0xf4ecd8}, {"head", 0xa0a0a0}};
  for (const auto& item : items) {
    for (int size : {60, 200}) {
      Canvas p(size, size);
      const float s = float(size);
      p.Shape([=](float x, float y) { return Circle(x, y, s / 2, s / 2, s * 0.42f); }, Hex(0x2a1e14, 0.6f));
      p.Shape([=](float x, float y) { return Circle(x, y, s / 2, s / 2, s * 0.3f); }, Hex(item.colour));
      p.SavePng(std::string("sprites/inventory/") + item.name + (size == 200 ? "_big" : ""));
    }
  }
}

// ---- sounds ----

void WriteOgg(const std::string& rel, const std::function<float(double t)>& wave, double seconds) {
  constexpr long kRate = 22050;
  const long frames = long(seconds * kRate);
  std::vector<unsigned char> out = EncodeOgg(
      1, kRate, 0.3f, frames, [&](long frame, int) { return wave(double(frame) / kRate); }, rel.c_str(), 0x73636e73);
  const std::string path = ContentRoot() + "/" + rel;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  FILE* f = out.empty() ? nullptr : std::fopen(path.c_str(), "wb");
  const bool ok = f && std::fwrite(out.data(), 1, out.size(), f) == out.size();
  if (f) std::fclose(f);
  if (!ok) ReportContentFailure("cannot write " + rel);
}

float Envelope(double t, double length) { return float(std::exp(-5 * t / length)); }

void Sounds() {
  WriteOgg("audio/sfx/hint.ogg", [](double t) {
    return 0.4f * Envelope(t, 0.8) * float(std::sin(6.2831853 * 1320 * t) + 0.5 * std::sin(6.2831853 * 1980 * t));
  }, 0.8);
  WriteOgg("audio/sfx/umblaettern.ogg", [](double t) {
    const float n = 2 * Hash(int(t * 22050), 0, 5) - 1;
    return 0.3f * n * float(std::sin(3.14159 * t / 0.35));
  }, 0.35);
  WriteOgg("audio/sfx/ho_hit.ogg", [](double t) { return 0.4f * Envelope(t, 0.3) * float(std::sin(6.2831853 * 880 * t)); }, 0.3);
  WriteOgg("audio/sfx/ho_miss.ogg", [](double t) { return 0.3f * Envelope(t, 0.2) * float(std::sin(6.2831853 * 180 * t)); }, 0.2);
  WriteOgg("audio/sfx/use_ok.ogg", [](double t) {
    return 0.35f * Envelope(t, 0.5) * float(std::sin(6.2831853 * (t < 0.15 ? 660 : 990) * t));
  }, 0.5);
  WriteOgg("audio/sfx/use_fail.ogg", [](double t) { return 0.35f * Envelope(t, 0.4) * float(std::sin(6.2831853 * 220 * t)); }, 0.4);
}

}  // namespace

void MakeSceneContent() {
  Backdrops();
  Interface();
  Pieces();
  Sounds();
}
