#include "motifs.h"

#include <cmath>

Rgba Wood(float x, float y, Rgba base, uint32_t seed) {
  const float grain = std::sin(y * 0.35f + 6 * Fractal(x / 60, y / 12, seed)) * 0.5f + 0.5f;
  return Shade(base, 0.8f + 0.3f * grain);
}

Rgba Planks(float x, float y, Rgba base, float plank, uint32_t seed) {
  const int board = int(std::floor(x / plank));
  const float u = x - board * plank;
  Rgba c = Wood(y * 0.7f, x * 3, Shade(base, 0.88f + 0.24f * Hash(board, 0, seed)), seed + board);
  if (u < 1.5f) c = Shade(c, 0.55f);  // the gap between boards
  else if (u < 3) c = Shade(c, 1.15f);
  return c;
}

Rgba Stone(float x, float y, Rgba base, float brickW, float brickH, uint32_t seed) {
  const int row = int(std::floor(y / brickH));
  const float sx = x + (row % 2) * brickW / 2;
  const int col = int(std::floor(sx / brickW));
  const float u = sx - col * brickW, v = y - row * brickH;
  const float edge = std::min({u, brickW - u, v, brickH - v});
  Rgba c = Shade(base, 0.82f + 0.3f * Hash(col, row, seed) + 0.15f * (Fractal(x / 14, y / 14, seed) - 0.5f));
  if (edge < 1.6f) return Shade(base, 0.45f);             // mortar
  if (v < 4) c = Shade(c, 1.12f);                          // lit upper face
  if (brickH - v < 4 || brickW - u < 3) c = Shade(c, 0.8f);  // shaded lower face
  return c;
}

Rgba Parchment(float x, float y, Rgba base, uint32_t seed) {
  const float n = Fractal(x / 80, y / 80, seed), fine = Noise(x / 3, y / 3, seed + 9);
  return Shade(base, 0.9f + 0.16f * n + 0.04f * fine);
}

float Vignette(float x, float y, float w, float h, float strength) {
  const float d = std::hypot((x - w / 2) / (w / 2), (y - h / 2) / (h / 2)) / 1.414f;
  return 1 - strength * d * d;
}

Canvas::Distance Place::Map(const Canvas::Distance& local) const {
  const Place p = *this;
  return [p, local](float x, float y) { return p.scale * local((x - p.x) / p.scale, (y - p.y) / p.scale); };
}
Canvas::Painter Place::Map(const Canvas::Painter& local) const {
  const Place p = *this;
  return [p, local](float x, float y) { return local((x - p.x) / p.scale, (y - p.y) / p.scale); };
}

namespace {

Look Small(float scale) {
  Look l;
  l.outline = std::max(1.f, 1.2f * std::sqrt(scale));
  l.bevel = 3 * scale;
  l.light = 0.5f;
  l.gloss = 0.35f;
  l.shadow = std::max(1.5f, 2 * scale);
  l.shadowAlpha = 0.35f;
  return l;
}

// A colour running from light at the top to dark at the bottom of a local range.
Canvas::Painter Vertical(Rgba top, Rgba bottom, float y0, float y1) {
  return [=](float, float y) { return Mix(top, bottom, (y - y0) / (y1 - y0)); };
}

}  // namespace

void DrawFlame(Canvas& c, float cx, float cy, float h) {
  c.Glow([=](float x, float y) { return Circle(x, y, cx, cy, h * 0.2f); }, Hex(0xffc060, 0.55f), h * 1.6f,
         Around(cx - 2 * h, cy - 2 * h, cx + 2 * h, cy + 2 * h, 0));
  const auto flame = [=](float x, float y) {
    const float t = std::clamp((y - (cy - h / 2)) / h, 0.f, 1.f);  // 0 at the tip
    const float half = h * 0.22f * std::sqrt(t) * (1.2f - 0.4f * t);
    return std::max(std::abs(x - cx) - half, std::max(cy - h / 2 - y, y - cy - h / 2));
  };
  c.Shape(flame, [=](float, float y) { return Mix(Hex(0xfff6c8), Hex(0xff8a1c), std::abs(y - cy) / (h / 2)); },
          Around(cx - h, cy - h, cx + h, cy + h, 0));
  c.Shape([=](float x, float y) { return Ellipse(x, y, cx, cy + h * 0.18f, h * 0.07f, h * 0.18f); }, Hex(0xffffff, 0.8f),
          Around(cx - h, cy - h, cx + h, cy + h, 0));
}

void DrawKey(Canvas& c, Place p, Rgba metal) {
  const auto key = [](float x, float y) {
    const float bow = Cut(Circle(x, y, 14, 20, 12), Circle(x, y, 14, 20, 5.5f));
    const float shaft = Box(x, y, 24, 16, 62, 24, 2);
    const float teeth = Union(Box(x, y, 44, 22, 50, 34, 1), Box(x, y, 53, 22, 59, 31, 1));
    const float collar = Box(x, y, 24, 13, 29, 27, 1.5f);
    return Union(Union(bow, shaft), Union(teeth, collar));
  };
  c.Solid(p.Map(key), p.Map(Vertical(Shade(metal, 1.12f), Shade(metal, 0.9f), 8, 34)), Small(p.scale), p.Box(64, 40));
}

void DrawCandle(Canvas& c, Place p, bool lit) {
  const float s = p.scale;
  // brass holder, then the wax with drips
  c.Solid(p.Map([](float x, float y) { return Union(Ellipse(x, y, 20, 82, 18, 6), Box(x, y, 12, 74, 28, 84, 2)); }),
          Hex(0xc8962c), Small(s), p.Box(40, 90));
  const auto wax = [](float x, float y) {
    const float drip = Union(Ellipse(x, y, 14, 40, 3, 9), Ellipse(x, y, 25, 46, 2.5f, 12));
    return Union(Box(x, y, 12, 30, 28, 76, 2), drip);
  };
  c.Solid(p.Map(wax), p.Map([](float x, float) { return Mix(Hex(0xfff6e4), Hex(0xd8c8a8), x / 40); }), Small(s), p.Box(40, 90));
  c.Shape(p.Map([](float x, float y) { return Box(x, y, 19.2f, 22, 20.8f, 31); }), Hex(0x2a1a10), p.Box(40, 90));
  if (lit) DrawFlame(c, p.x + 20 * s, p.y + 14 * s, 18 * s);
}

void DrawBook(Canvas& c, Place p, Rgba cover) {
  const float s = p.scale;
  Look look = Small(s);
  // pages seen from the side, then the cover over them
  c.Solid(p.Map([](float x, float y) { return Box(x, y, 6, 10, 66, 46, 2); }),
          p.Map([](float, float y) { return Shade(Hex(0xf2e8cc), 0.9f + 0.2f * (std::fmod(y, 2.f) < 1)); }), look, p.Box(70, 52));
  look.gloss = 0.15f;
  c.Solid(p.Map([](float x, float y) { return Union(Box(x, y, 2, 4, 64, 40, 3), Box(x, y, 2, 4, 10, 48, 3)); }),
          p.Map([cover](float x, float y) { return Shade(cover, 0.85f + 0.25f * Fractal(x / 6, y / 6, 3)); }), look, p.Box(70, 52));
  // gold tooling: a frame and a lozenge
  const Rgba gold = Hex(0xe8c050);
  c.Outline(p.Map([](float x, float y) { return Box(x, y, 14, 9, 58, 35, 2); }), 1.4f * s, gold, p.Box(70, 52));
  c.Shape(p.Map([](float x, float y) { return (std::abs(x - 36) + std::abs(y - 22)) * 0.7f - 5; }), gold, p.Box(70, 52));
  c.Shape(p.Map([](float x, float y) { return Box(x, y, 2, 4, 10, 48, 3); }), Hex(0x000000, 0.25f), p.Box(70, 52));
}

void DrawCup(Canvas& c, Place p, Rgba glaze) {
  const float s = p.scale;
  const auto body = [](float x, float y) {
    const float bowl = Trapezoid(x, y, 24, 12, 46, 38, 26);
    const float round = Ellipse(x, y, 24, 44, 13, 6);
    const float handle = Cut(Circle(x, y, 44, 26, 10), Circle(x, y, 44, 26, 5));
    return Union(Union(bowl, round), std::max(handle, 34 - x));
  };
  c.Solid(p.Map(body), p.Map([glaze](float x, float) { return Shade(glaze, 1.15f - 0.35f * x / 56); }), Small(s), p.Box(56, 56));
  c.Solid(p.Map([](float x, float y) { return Ellipse(x, y, 24, 50, 16, 4); }), Shade(glaze, 0.8f), Small(s), p.Box(56, 56));
  c.Shape(p.Map([](float x, float y) { return Ellipse(x, y, 24, 12, 18.5f, 4); }), Hex(0x5a3418), p.Box(56, 56));  // tea
  c.Outline(p.Map([](float x, float y) { return Ellipse(x, y, 24, 12, 19, 4.5f); }), 1.5f * s, Shade(glaze, 1.2f), p.Box(56, 56));
  c.Shape(p.Map([](float x, float y) { return Box(x, y, 8, 26, 40, 30); }), Hex(0x2a58a8, 0.8f), p.Box(56, 56));  // a blue band
}

void DrawBell(Canvas& c, Place p) {
  const float s = p.scale;
  const auto bell = [](float x, float y) {
    const float t = std::clamp((y - 10) / 40, 0.f, 1.f);
    const float half = 10 + 8 * t * t + 4 * t;
    const float body = std::max(std::abs(x - 28) - half, std::max(10 - y, y - 50));
    return Union(Union(body, Ellipse(x, y, 28, 12, 10, 7)), Ellipse(x, y, 28, 50, 23, 5));
  };
  Look look = Small(s);
  look.gloss = 0.6f;
  c.Solid(p.Map([](float x, float y) { return Cut(Circle(x, y, 28, 6, 6), Circle(x, y, 28, 6, 2.5f)); }), Hex(0x9a7a30), look, p.Box(56, 64));
  c.Solid(p.Map(bell), p.Map([](float x, float) { return Mix(Hex(0xf6d870), Hex(0xa8781c), std::abs(x - 22) / 28); }), look, p.Box(56, 64));
  c.Solid(p.Map([](float x, float y) { return Circle(x, y, 28, 57, 5); }), Hex(0x806020), look, p.Box(56, 64));
  c.Shape(p.Map([](float x, float y) { return Box(x, y, 10, 38, 46, 40); }), Hex(0x7a5010, 0.7f), p.Box(56, 64));
}

void DrawQuill(Canvas& c, Place p) {
  const float s = p.scale;
  // The feather leans: its spine runs from (22,4) to (9,86).
  const auto along = [](float x, float y, float& t, float& side) {
    const float ax = 22, ay = 4, bx = 9, by = 86;
    const float dx = bx - ax, dy = by - ay, len2 = dx * dx + dy * dy;
    t = std::clamp(((x - ax) * dx + (y - ay) * dy) / len2, 0.f, 1.f);
    const float px = ax + dx * t, py = ay + dy * t;
    side = ((x - px) * dy - (y - py) * dx) / std::sqrt(len2);
    return std::hypot(x - px, y - py);
  };
  const auto vane = [along](float x, float y) {
    float t, side;
    const float d = along(x, y, t, side);
    const float width = t < 0.72f ? 11 * std::sin(3.14159f * std::min(1.f, t / 0.72f + 0.08f)) : 0;
    return d - width;
  };
  c.Solid(p.Map(vane), p.Map([along](float x, float y) {
    float t, side;
    along(x, y, t, side);
    const float barbs = 0.5f + 0.5f * std::sin((t * 90 + side * 0.6f));
    return Shade(Mix(Hex(0xfbfbf6), Hex(0xc8d0dc), side > 0 ? 0.5f : 0), 0.9f + 0.14f * barbs);
  }), Small(s), p.Box(30, 90));
  c.Shape(p.Map([along](float x, float y) { float t, side; return along(x, y, t, side) - 0.9f; }), Hex(0x8a7a60), p.Box(30, 90));
  c.Shape(p.Map([](float x, float y) { return Ellipse(x, y, 9.5f, 86, 1.5f, 4); }), Hex(0x202020), p.Box(30, 90));
}

void DrawCoin(Canvas& c, Place p) {
  const float s = p.scale;
  Look look = Small(s);
  look.gloss = 0.5f;
  c.Solid(p.Map([](float x, float y) { return Circle(x, y, 22, 22, 19); }),
          p.Map([](float x, float y) { return Mix(Hex(0xffe070), Hex(0xb08018), (x + y) / 88); }), look, p.Box(44, 44));
  c.Outline(p.Map([](float x, float y) { return Circle(x, y, 22, 22, 14); }), 1.6f * s, Hex(0x8a6010, 0.9f), p.Box(44, 44));
  // a crown stamped in the middle
  c.Shape(p.Map([](float x, float y) {
    const float band = Box(x, y, 15, 23, 29, 28, 1);
    const float points = std::max(Box(x, y, 15, 14, 29, 24), -std::min(Circle(x, y, 18.5f, 14, 3), Circle(x, y, 25.5f, 14, 3)));
    return Union(band, points);
  }), Hex(0x9a6a10), p.Box(44, 44));
}

void DrawLens(Canvas& c, Place p) {
  const float s = p.scale;
  Look look = Small(s);
  c.Solid(p.Map([](float x, float y) {
    // the handle runs from the rim to the lower right
    const float dx = x - 42, dy = y - 42, t = std::clamp((dx + dy) / 2, 0.f, 14.f);
    return std::hypot(dx - t, dy - t) - 4;
  }), Hex(0x5a3018), look, p.Box(60, 60));
  c.Solid(p.Map([](float x, float y) { return Cut(Circle(x, y, 26, 26, 21), Circle(x, y, 26, 26, 16)); }), Hex(0xc8a040), look,
          p.Box(60, 60));
  c.Shape(p.Map([](float x, float y) { return Circle(x, y, 26, 26, 16.5f); }),
          p.Map([](float x, float y) { return Mix(Hex(0xe8f6ff, 0.75f), Hex(0x7ab4d8, 0.55f), (x + y) / 60); }), p.Box(60, 60));
  c.Shape(p.Map([](float x, float y) { return Ellipse(x, y, 20, 19, 6, 3.5f); }), Hex(0xffffff, 0.8f), p.Box(60, 60));
}

void DrawRelicHead(Canvas& c, Place p) {
  const float s = p.scale;
  Look look = Small(s);
  look.gloss = 0.25f;
  const Rgba marble = Hex(0xd8dce6);
  const auto marbled = [marble](float x, float y) {
    const float vein = std::abs(std::sin(x / 9 + 4 * Fractal(x / 30, y / 30, 17)));
    return Shade(marble, 0.8f + 0.25f * vein);
  };
  c.Solid(p.Map([](float x, float y) { return Union(Box(x, y, 22, 80, 58, 94, 3), Trapezoid(x, y, 40, 56, 82, 22, 34)); }),
          p.Map(marbled), look, p.Box(80, 96));
  c.Solid(p.Map([](float x, float y) { return Ellipse(x, y, 40, 36, 21, 27); }), p.Map(marbled), look, p.Box(80, 96));
  // laurel wreath, closed eyes, nose and mouth
  for (int i = 0; i < 7; ++i) {
    const float a = 3.4f + i * 0.45f, lx = 40 + 22 * std::cos(a), ly = 30 + 20 * std::sin(a);
    c.Solid(p.Map([=](float x, float y) { return Ellipse(x, y, lx, ly, 5, 3); }), Hex(0x7aa040), look, p.Box(80, 96));
  }
  const Rgba line = Hex(0x6a6e7a, 0.9f);
  c.Shape(p.Map([](float x, float y) { return std::min(Ellipse(x, y, 32, 36, 5, 1.2f), Ellipse(x, y, 48, 36, 5, 1.2f)); }), line,
          p.Box(80, 96));
  c.Shape(p.Map([](float x, float y) { return Box(x, y, 39, 38, 41.5f, 48, 1); }), Hex(0x9a9eaa, 0.7f), p.Box(80, 96));
  c.Shape(p.Map([](float x, float y) { return Ellipse(x, y, 40, 54, 6, 1.3f); }), line, p.Box(80, 96));
}

void DrawSkull(Canvas& c, Place p) {
  const float s = p.scale;
  const auto skull = [](float x, float y) { return Union(Circle(x, y, 28, 26, 22), Box(x, y, 16, 34, 40, 56, 5)); };
  c.Solid(p.Map(skull), p.Map([](float x, float y) { return Shade(Hex(0xece2c8), 1.05f - 0.25f * (x + y) / 116); }), Small(s),
          p.Box(56, 60));
  c.Solid(p.Map([](float x, float y) { return Union(Circle(x, y, 19, 28, 6.5f), Circle(x, y, 37, 28, 6.5f)); }), Hex(0x2a2018), Small(s),
          p.Box(56, 60));
  c.Shape(p.Map([](float x, float y) { return Trapezoid(x, y, 28, 36, 43, 1, 7); }), Hex(0x3a2e22), p.Box(56, 60));
  for (int i = 0; i < 4; ++i)
    c.Shape(p.Map([i](float x, float y) { return Box(x, y, 18.5f + i * 5.5f, 47, 19.5f + i * 5.5f, 56); }), Hex(0x5a4a38), p.Box(56, 60));
}

void DrawPerson(Canvas& c, Place p, const Person& who) {
  const float s = p.scale;
  Look look;
  look.outline = 2 * s;
  look.bevel = 14 * s;
  look.light = 0.4f;
  Look face = look;
  face.bevel = 22 * s;
  face.light = 0.3f;
  const Area all = p.Box(300, 420, 2);
  // hair behind the head
  if (who.longHair)
    c.Solid(p.Map([](float x, float y) { return Union(Ellipse(x, y, 150, 150, 78, 100), Box(x, y, 78, 140, 222, 290, 40)); }),
            p.Map([h = who.hair](float x, float y) { return Shade(h, 0.85f + 0.3f * std::sin(x / 5 + Noise(x / 20, y / 40, 5) * 4) * 0.5f); }),
            look, all);
  // coat: shoulders and chest, with lapels and buttons
  c.Solid(p.Map([](float x, float y) { return std::max(Ellipse(x, y, 150, 440, 145, 220), 200 - y); }),
          p.Map([coat = who.coat](float x, float y) { return Shade(coat, 1.05f - 0.2f * y / 420 + 0.06f * Fractal(x / 20, y / 20, 8)); }),
          look, all);
  c.Solid(p.Map([](float x, float y) { return Box(x, y, 128, 170, 172, 232, 12); }), who.skin, face, all);  // neck
  c.Solid(p.Map([](float x, float y) { return std::max(Trapezoid(x, y, 150, 214, 420, 56, 20), 214 - y); }), who.trim, look, all);
  c.Solid(p.Map([](float x, float y) { return Union(std::max(std::abs(x - 150 + (y - 214) * 0.55f) - 9, std::max(214 - y, y - 320)),
                                                    std::max(std::abs(x - 150 - (y - 214) * 0.55f) - 9, std::max(214 - y, y - 320))); }),
          Shade(who.coat, 0.75f), look, all);
  for (int i = 0; i < 3; ++i)
    c.Solid(p.Map([i](float x, float y) { return Circle(x, y, 150, 300 + i * 40.f, 7); }), Hex(0xd8b050), look, all);
  // head, ears, hair on top
  c.Solid(p.Map([](float x, float y) { return Union(Ellipse(x, y, 150, 120, 58, 72), Union(Ellipse(x, y, 92, 126, 10, 16),
                                                                                          Ellipse(x, y, 208, 126, 10, 16))); }),
          p.Map([skin = who.skin](float, float y) { return Shade(skin, 1.05f - 0.15f * (y - 50) / 150); }), face, all);
  c.Solid(p.Map([lh = who.longHair](float x, float y) {
    const float cap = std::max(Ellipse(x, y, 150, 96, 64, 50), y - (lh ? 100 : 88) - 6 * std::sin(x / 9));
    return cap;
  }), p.Map([h = who.hair](float x, float y) { return Shade(h, 0.9f + 0.2f * std::sin(x / 4 + Noise(x / 20, y / 20, 6) * 3)); }), look, all);
  // cheeks, eyes, brows, nose, mouth
  const float glad = float(who.mood);
  c.Shape(p.Map([](float x, float y) { return Union(Circle(x, y, 118, 150, 12), Circle(x, y, 182, 150, 12)); }), Hex(0xe07060, 0.18f), all);
  for (float ex : {126.f, 174.f}) {
    c.Shape(p.Map([=](float x, float y) { return Ellipse(x, y, ex, 124, 11, glad < 0 ? 6 : 7.5f); }), Hex(0xfaf8f2), all);
    c.Shape(p.Map([=](float x, float y) { return Circle(x, y, ex + 1, 124, 5.5f); }), who.eyes, all);
    c.Shape(p.Map([=](float x, float y) { return Circle(x, y, ex + 1, 124, 2.6f); }), Hex(0x101010), all);
    c.Shape(p.Map([=](float x, float y) { return Circle(x, y, ex + 3, 122, 1.3f); }), Hex(0xffffff), all);
    c.Outline(p.Map([=](float x, float y) { return Ellipse(x, y, ex, 124, 11, glad < 0 ? 6 : 7.5f); }), 1.6f, Hex(0x3a2418, 0.8f), all);
    // brows: sad ones rise towards the middle, glad ones arch
    const float tilt = glad < 0 ? (ex < 150 ? -0.35f : 0.35f) : 0;
    c.Shape(p.Map([=](float x, float y) {
      const float by = 106 - (glad > 0 ? 3 : 0) + tilt * (x - ex) + 0.02f * (x - ex) * (x - ex);
      return std::max(std::abs(y - by) - 2.6f, std::abs(x - ex) - 13);
    }), Shade(who.hair, 0.7f), all);
  }
  c.Shape(p.Map([](float x, float y) { return std::max(std::abs(x - 152 + (y - 130) * 0.12f) - 1.5f, std::abs(y - 146) - 14); }),
          Hex(0x9a5a40, 0.35f), all);
  c.Shape(p.Map([](float x, float y) { return Ellipse(x, y, 150, 160, 9, 4); }), Hex(0x9a5a40, 0.25f), all);
  c.Shape(p.Map([glad](float x, float y) {
    // corners up for a smile, down for a sad mouth
    const float curve = 178 + (glad > 0 ? -0.018f : glad < 0 ? 0.018f : -0.004f) * (x - 150) * (x - 150);
    return std::max(std::abs(y - curve) - (glad > 0 ? 3.2f : 2.4f), std::abs(x - 150) - (glad > 0 ? 22 : 16));
  }), Hex(0x9a3a30), all);
  if (who.beard)
    c.Solid(p.Map([](float x, float y) {
      const float jaw = std::max(Ellipse(x, y, 150, 150, 60, 78), 158 - y + 0.012f * (x - 150) * (x - 150) - 14);
      return Cut(jaw, Ellipse(x, y, 150, 177, 20, 8));
    }), p.Map([h = who.hair](float x, float y) { return Shade(h, 0.85f + 0.25f * Noise(x / 3, y / 6, 7)); }), look, all);
}
