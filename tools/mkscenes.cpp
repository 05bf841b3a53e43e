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

#include "core/string.h"
#include "oggtone.h"
#include "render/imagecodecs.h"

namespace {

bool gOk = true;
std::string gRoot;

struct Colour {
  float r = 0, g = 0, b = 0, a = 0;
};

Colour Rgb(uint32_t v, float a = 1) { return {((v >> 16) & 255) / 255.f, ((v >> 8) & 255) / 255.f, (v & 255) / 255.f, a}; }
Colour Mix(Colour a, Colour b, float t) {
  t = std::clamp(t, 0.f, 1.f);
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
}

// A deterministic value noise in 0..1.
float Hash(int x, int y, uint32_t seed) {
  uint32_t h = uint32_t(x) * 374761393u + uint32_t(y) * 668265263u + seed * 2246822519u;
  h = (h ^ (h >> 13)) * 1274126177u;
  return float((h ^ (h >> 16)) & 0xFFFF) / 65535.f;
}
float Noise(float x, float y, uint32_t seed) {
  const int xi = int(std::floor(x)), yi = int(std::floor(y));
  const float fx = x - xi, fy = y - yi;
  const float a = Hash(xi, yi, seed), b = Hash(xi + 1, yi, seed), c = Hash(xi, yi + 1, seed), d = Hash(xi + 1, yi + 1, seed);
  const float u = fx * fx * (3 - 2 * fx), v = fy * fy * (3 - 2 * fy);
  return a + (b - a) * u + (c - a) * v + (a - b - c + d) * u * v;
}

// An RGBA picture painted from signed distances (negative inside), antialiased.
class Picture {
 public:
  Picture(int w, int h) : mW(w), mH(h), mPix(size_t(w) * h) {}
  void Paint(const std::function<Colour(float, float)>& painter) {
    for (int y = 0; y < mH; ++y)
      for (int x = 0; x < mW; ++x) Over(mPix[size_t(y) * mW + x], painter(x + 0.5f, y + 0.5f));
  }
  void Fill(const std::function<float(float, float)>& distance, Colour c) {
    Paint([&](float x, float y) {
      Colour s = c;
      s.a *= std::clamp(0.5f - distance(x, y), 0.f, 1.f);
      return s;
    });
  }
  // The game names its pictures without the extension.
  void SavePng(const std::string& rel) const { Write(rel + ".png", false); }
  void SaveJpeg(const std::string& rel) const { Write(rel + ".jpg", true); }

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
  void Write(const std::string& rel, bool jpeg) const {
    std::vector<uint8_t> bytes(mPix.size() * 4);
    for (size_t i = 0; i < mPix.size(); ++i) {
      bytes[i * 4] = Byte(mPix[i].b), bytes[i * 4 + 1] = Byte(mPix[i].g), bytes[i * 4 + 2] = Byte(mPix[i].r);
      bytes[i * 4 + 3] = jpeg ? 255 : Byte(mPix[i].a);
    }
    std::filesystem::create_directories(std::filesystem::path(gRoot + "/" + rel).parent_path());
    const TString path(("user:" + rel).c_str());
    const bool ok = jpeg ? ::SaveJpeg(path, 0.85f, mW, mH, mW * 4, bytes.data())
                         : ::SavePng(path, bytes.data(), mW, mH, mW * 4);
    if (!ok) std::fprintf(stderr, "mkcontent: cannot write %s\n", rel.c_str()), gOk = false;
  }
  int mW, mH;
  std::vector<Colour> mPix;
};

float Box(float x, float y, float x0, float y0, float x1, float y1, float round = 0) {
  const float qx = std::abs(x - (x0 + x1) / 2) - ((x1 - x0) / 2 - round);
  const float qy = std::abs(y - (y0 + y1) / 2) - ((y1 - y0) / 2 - round);
  return std::hypot(std::max(qx, 0.f), std::max(qy, 0.f)) + std::min(std::max(qx, qy), 0.f) - round;
}
float Circle(float x, float y, float cx, float cy, float r) { return std::hypot(x - cx, y - cy) - r; }
float Ellipse(float x, float y, float cx, float cy, float rx, float ry) {
  return (std::hypot((x - cx) / rx, (y - cy) / ry) - 1) * std::min(rx, ry);
}

// ---- backdrops ----

// A full-screen backdrop: a vertical gradient with a soft texture and darker corners.
void Backdrop(const std::string& rel, Colour top, Colour bottom, uint32_t seed,
              const std::function<void(Picture&)>& details = nullptr) {
  Picture p(1024, 768);
  p.Paint([&](float x, float y) {
    Colour c = Mix(top, bottom, y / 768);
    const float n = 0.85f + 0.3f * Noise(x / 70, y / 70, seed);
    const float v = 1 - 0.4f * std::pow(std::hypot((x - 512) / 512, (y - 384) / 384) / 1.414f, 2.f);
    return Colour{c.r * n * v, c.g * n * v, c.b * n * v, 1};
  });
  if (details) details(p);
  p.SaveJpeg(rel);
}

void Backdrops() {
  Backdrop("scenes/chapter/bg", Rgb(0xdcc89c), Rgb(0xa88a58), 11);
  Picture map(360, 240);
  map.Fill([](float x, float y) { return Box(x, y, 0, 0, 360, 240, 10); }, Rgb(0xc9d6a0));
  map.Fill([](float x, float y) { return std::abs(y - 120 - 40 * std::sin(x / 50)) - 8; }, Rgb(0x4f86b8));
  map.Fill([](float x, float y) { return Circle(x, y, 250, 70, 14); }, Rgb(0x8a3a2a));
  map.SavePng("scenes/chapter/loc1");

  Backdrop("scenes/cutscene/stage1", Rgb(0x2a3550), Rgb(0x5a4a3a), 12);
  Backdrop("scenes/courtyard/bg", Rgb(0x8fb8d8), Rgb(0x4e7a3a), 13, [](Picture& p) {
    // The manor wall with its door on the right.
    p.Fill([](float x, float y) { return Box(x, y, 620, 120, 1024, 560); }, Rgb(0x8a7a68));
    p.Fill([](float x, float y) { return Box(x, y, 700, 200, 860, 520, 6); }, Rgb(0x4a3020));
  });
  Backdrop("scenes/hall/bg", Rgb(0x6a4a30), Rgb(0x3a2818), 14, [](Picture& p) {
    p.Fill([](float x, float y) { return Box(x, y, 420, 60, 600, 360, 8); }, Rgb(0x2a1a10));
    p.Fill([](float x, float y) { return Box(x, y, 0, 560, 1024, 768); }, Rgb(0x5a4030, 0.8f));
  });
  Backdrop("scenes/study/bg", Rgb(0x5a3a30), Rgb(0x2e1e18), 15, [](Picture& p) {
    // Shelves with books along the wall.
    for (int row = 0; row < 3; ++row) {
      const float y0 = 120 + row * 150.f;
      p.Fill([=](float x, float y) { return Box(x, y, 180, y0 + 100, 1000, y0 + 112); }, Rgb(0x3a2414));
      for (int i = 0; i < 26; ++i) {
        const float x0 = 190 + i * 31.f, h = 60 + 30 * Hash(i, row, 7);
        const Colour c = Mix(Rgb(0x6a2020), Rgb(0x20406a), Hash(i, row, 9));
        p.Fill([=](float x, float y) { return Box(x, y, x0, y0 + 100 - h, x0 + 24, y0 + 100); }, c);
      }
    }
  });
  Picture book(1024, 768);
  book.Paint([](float x, float y) {
    const float n = 0.9f + 0.2f * Noise(x / 40, y / 40, 21);
    return Colour{0.33f * n, 0.18f * n, 0.1f * n, 1};
  });
  book.Fill([](float x, float y) { return Box(x, y, 60, 50, 505, 720, 10); }, Rgb(0xf0e4c4));
  book.Fill([](float x, float y) { return Box(x, y, 519, 50, 964, 720, 10); }, Rgb(0xf0e4c4));
  book.SaveJpeg("diary/book");
}

// ---- interface ----

void Interface() {
  for (bool hidden : {false, true}) {
    Picture bar(1024, 121);
    bar.Paint([](float x, float y) {
      const float grain = 0.8f + 0.25f * Noise(x / 60, y / 6, 31);
      return Colour{0.36f * grain, 0.23f * grain, 0.13f * grain, 1};
    });
    bar.Fill([](float x, float y) { return Box(x, y, 0, 0, 1024, 4); }, Rgb(0xd8b060));
    if (hidden) bar.Fill([](float x, float y) { return Box(x, y, 168, 8, 836, 116, 8); }, Rgb(0xeadcb8));
    else bar.Fill([](float x, float y) { return Box(x, y, 190, 16, 830, 110, 8); }, Rgb(0x1e140c, 0.6f));
    bar.SavePng(hidden ? "backgrounds/sidebar_bg" : "backgrounds/sidebar_bg_as");
  }
  Picture shortText(768, 96);
  shortText.Fill([](float x, float y) { return Box(x, y, 0, 0, 768, 96, 16); }, Rgb(0x101820, 0.82f));
  shortText.Fill([](float x, float y) { return std::abs(Box(x, y, 3, 3, 765, 93, 14)) - 1.5f; }, Rgb(0xc8a860));
  shortText.SavePng("sprites/gamescene/bg_shorttext");

  for (bool top : {true, false}) {
    Picture border(1024, 125);
    border.Fill([](float x, float y) { return Box(x, y, 0, 0, 1024, 125); }, Rgb(0x080808));
    const float line = top ? 86 : 4;
    border.Fill([=](float x, float y) { return Box(x, y, 0, line, 1024, line + 3); }, Rgb(0xa08040));
    border.SavePng(top ? "scenes/letters/cutsceneborder_top" : "scenes/letters/cutsceneborder_bottom");
  }
  Picture name(300, 60);
  name.Fill([](float x, float y) { return Box(x, y, 0, 0, 300, 60, 12); }, Rgb(0xe8d8b0));
  name.Fill([](float x, float y) { return std::abs(Box(x, y, 3, 3, 297, 57, 10)) - 1.5f; }, Rgb(0x7a5a30));
  name.SavePng("scenes/letters/bg_name");
  for (bool left : {true, false}) {
    Picture panel(700, 260);
    panel.Fill([](float x, float y) { return Box(x, y, 0, 0, 700, 230, 24); }, Rgb(0xf2e6c8, 0.95f));
    const float tail = left ? 120 : 580;
    panel.Fill([=](float x, float y) { return std::max(std::abs(x - tail) - (260 - y) * 0.6f, 228 - y); },
               Rgb(0xf2e6c8, 0.95f));
    panel.SavePng(left ? "scenes/letters/bg_text_left" : "scenes/letters/bg_text_right");
  }

  // Sidebar buttons: the menu plate, the help mark, the diary book and the hint orb.
  Picture menu(110, 50);
  menu.Fill([](float x, float y) { return Box(x, y, 0, 0, 110, 50, 12); }, Rgb(0x8a5a2a));
  menu.Fill([](float x, float y) { return Box(x, y, 20, 14, 90, 18); }, Rgb(0xf0d090));
  menu.Fill([](float x, float y) { return Box(x, y, 20, 23, 90, 27); }, Rgb(0xf0d090));
  menu.Fill([](float x, float y) { return Box(x, y, 20, 32, 90, 36); }, Rgb(0xf0d090));
  menu.SavePng("sprites/sidebarmenu");
  Picture help(60, 50);
  help.Fill([](float x, float y) { return Circle(x, y, 30, 25, 23); }, Rgb(0x2a5a8a));
  help.Fill([](float x, float y) { return std::abs(Circle(x, y, 30, 19, 9)) - 3 + std::max(0.f, 19 - y) * 0; },
            Rgb(0xf0f0f0));
  help.Fill([](float x, float y) { return Circle(x, y, 30, 38, 3); }, Rgb(0xf0f0f0));
  help.SavePng("sprites/sidebarhelp");
  Picture diary(120, 110);
  diary.Fill([](float x, float y) { return Box(x, y, 10, 10, 110, 100, 6); }, Rgb(0x6a2a1a));
  diary.Fill([](float x, float y) { return Box(x, y, 18, 16, 104, 94, 4); }, Rgb(0xeadcb8));
  diary.Fill([](float x, float y) { return Box(x, y, 58, 10, 62, 100); }, Rgb(0x4a1a0a));
  diary.SavePng("sprites/sidebardiary");
  Picture orb(80, 80);
  orb.Fill([](float x, float y) { return Circle(x, y, 40, 40, 30); }, Rgb(0x2a6ad0));
  orb.Fill([](float x, float y) { return Circle(x, y, 32, 32, 10); }, Rgb(0xd0e8ff, 0.8f));
  orb.SavePng("sprites/hint/hintbutton");
  // The refill gauge: a ring around the orb, filled in ten steps.
  for (int step = 1; step <= 10; ++step) {
    Picture gauge(80, 80);
    const float end = step / 10.f * 6.2831853f;
    gauge.Fill(
        [=](float x, float y) {
          const float angle = std::atan2(x - 40, 34 - y + 6) + (x < 40 ? 6.2831853f : 0);
          const float ring = std::abs(Circle(x, y, 40, 40, 36)) - 3;
          return angle <= end ? ring : 10.f;
        },
        Rgb(0xf0c040));
    char name[64];
    std::snprintf(name, sizeof name, "sprites/hint/hinttimer_%02d", step);
    gauge.SavePng(name);
  }
  Picture none(1, 1);
  none.SavePng("sprites/no_sprite");
  Picture sparkle(16, 16);
  sparkle.Fill([](float x, float y) { return std::min(Box(x, y, 7, 1, 9, 15), Box(x, y, 1, 7, 15, 9)); },
               Rgb(0xfff0c0, 0.9f));
  sparkle.Fill([](float x, float y) { return Circle(x, y, 8, 8, 3); }, Rgb(0xffffff));
  sparkle.SavePng("fx/sparkle");
}

// ---- scene pieces ----

void Pieces() {
  Picture key(64, 40);
  key.Fill([](float x, float y) { return std::abs(Circle(x, y, 14, 20, 10)) - 4; }, Rgb(0xd0a030));
  key.Fill([](float x, float y) { return Box(x, y, 24, 17, 62, 23); }, Rgb(0xd0a030));
  key.Fill([](float x, float y) { return Box(x, y, 50, 23, 56, 32); }, Rgb(0xd0a030));
  key.SavePng("scenes/courtyard/key");
  Picture door(160, 320);
  door.Fill([](float x, float y) { return std::abs(Box(x, y, 4, 4, 156, 316, 8)) - 4; }, Rgb(0xffd870, 0.7f));
  door.SavePng("scenes/courtyard/door_glow");
  Picture candle(40, 90);
  candle.Fill([](float x, float y) { return Box(x, y, 10, 30, 30, 88, 3); }, Rgb(0xf4ecd8));
  candle.Fill([](float x, float y) { return Ellipse(x, y, 20, 18, 6, 12); }, Rgb(0xffb030));
  candle.SavePng("scenes/hall/candle");
  const struct {
    const char* name;
    uint32_t colour;
    int w, h;
  } hidden[] = {{"ho_quill", 0xe8e8f0, 30, 90}, {"ho_cup", 0xc0c0d0, 56, 56}, {"ho_bell", 0xd8b040, 56, 64},
                {"ho_book", 0x4a6a2a, 70, 52},  {"ho_candle", 0xf0e0c0, 30, 80}, {"coin", 0xe8c040, 44, 44}};
  for (const auto& h : hidden) {
    Picture p(h.w, h.h);
    const float w = float(h.w), ht = float(h.h);
    p.Fill([=](float x, float y) { return Ellipse(x, y, w / 2, ht / 2, w / 2 - 2, ht / 2 - 2); }, Rgb(h.colour));
    p.Fill([=](float x, float y) { return Ellipse(x, y, w / 2 - w / 6, ht / 2 - ht / 6, w / 8, ht / 8); },
           Rgb(0xffffff, 0.5f));
    p.SavePng(std::string("scenes/study/") + h.name);
  }
  // The speakers: silhouettes in their colours, and the letter paper.
  const struct {
    const char* name;
    uint32_t coat;
  } people[] = {{"warden", 0x3a4a6a}, {"warden_happy", 0x3a5a6a}, {"warden_sad", 0x3a3a5a}, {"heroine", 0x7a2a3a}};
  for (const auto& person : people) {
    Picture p(300, 420);
    p.Fill([](float x, float y) { return Ellipse(x, y, 150, 90, 55, 65); }, Rgb(0xe0b898));
    p.Fill([](float x, float y) { return std::max(Ellipse(x, y, 150, 420, 140, 260), 160 - y); }, Rgb(person.coat));
    p.SavePng(std::string("scenes/cutscene/") + person.name);
  }
  Picture letter(500, 400);
  letter.Fill([](float x, float y) { return Box(x, y, 0, 0, 500, 400, 6); }, Rgb(0xf4ead0));
  letter.Fill([](float x, float y) { return std::abs(Box(x, y, 12, 12, 488, 388, 4)) - 1; }, Rgb(0xb09060));
  letter.SavePng("scenes/letters/letter_paper");
  // Inventory icons and their large pick-up pictures.
  const struct {
    const char* name;
    uint32_t colour;
  } items[] = {{"key", 0xd0a030}, {"lens", 0x80c0e0}, {"candle", 0xf4ecd8}, {"head", 0xa0a0a0}};
  for (const auto& item : items) {
    for (int size : {60, 200}) {
      Picture p(size, size);
      const float s = float(size);
      p.Fill([=](float x, float y) { return Circle(x, y, s / 2, s / 2, s * 0.42f); }, Rgb(0x2a1e14, 0.6f));
      p.Fill([=](float x, float y) { return Circle(x, y, s / 2, s / 2, s * 0.3f); }, Rgb(item.colour));
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
  const std::string path = gRoot + "/" + rel;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  FILE* f = out.empty() ? nullptr : std::fopen(path.c_str(), "wb");
  const bool ok = f && std::fwrite(out.data(), 1, out.size(), f) == out.size();
  if (f) std::fclose(f);
  if (!ok) std::fprintf(stderr, "mkcontent: cannot write %s\n", rel.c_str()), gOk = false;
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

bool MakeSceneContent(const std::string& root) {
  gRoot = root;
  Backdrops();
  Interface();
  Pieces();
  Sounds();
  return gOk;
}
