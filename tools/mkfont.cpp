// mkfont: converts the outlines of a TrueType font into the framework's ".mvec" vector font.
// Usage: mkfont INPUT.ttf OUTPUT.mvec [EM_UNITS]
// The em square becomes EM_UNITS font units (default 32); coordinates are written in 1/128 unit
// with y growing downwards. Quadratic TrueType contours map straight onto move/line/curve commands;
// composite glyphs (accented letters) are flattened into one outline.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace {

struct Font {
  std::vector<uint8_t> data;
  std::map<std::string, std::pair<uint32_t, uint32_t>> tables;  // tag -> offset, length
  int unitsPerEm = 2048;
  int locFormat = 0;
  int glyphCount = 0;
  int hMetrics = 0;

  bool Has(size_t at, size_t n) const { return at <= data.size() && n <= data.size() - at; }
  uint16_t U16(size_t at) const { return Has(at, 2) ? uint16_t(data[at] << 8 | data[at + 1]) : 0; }
  int16_t I16(size_t at) const { return int16_t(U16(at)); }
  uint32_t U32(size_t at) const { return uint32_t(U16(at)) << 16 | U16(at + 2); }
  uint32_t Table(const char* tag) const {
    auto it = tables.find(tag);
    return it == tables.end() ? 0 : it->second.first;
  }
};

struct Point {
  double x, y;
  bool on;
};
using Contour = std::vector<Point>;

bool LoadFont(const char* path, Font& f) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  f.data.assign(std::istreambuf_iterator<char>(in), {});
  int n = f.U16(4);
  for (int i = 0; i < n; ++i) {
    size_t rec = 12 + 16 * size_t(i);
    if (!f.Has(rec, 16)) return false;
    std::string tag(reinterpret_cast<const char*>(&f.data[rec]), 4);
    f.tables[tag] = {f.U32(rec + 8), f.U32(rec + 12)};
  }
  for (const char* need : {"head", "maxp", "hhea", "hmtx", "loca", "glyf", "cmap"})
    if (!f.tables.count(need)) return false;
  f.unitsPerEm = f.U16(f.Table("head") + 18);
  f.locFormat = f.I16(f.Table("head") + 50);
  f.glyphCount = f.U16(f.Table("maxp") + 4);
  f.hMetrics = f.U16(f.Table("hhea") + 34);
  return f.unitsPerEm > 0 && f.hMetrics > 0;
}

// Glyph index of a code point through the Unicode BMP cmap (platform 3, encoding 1, format 4).
int GlyphIndex(const Font& f, uint32_t code) {
  uint32_t cmap = f.Table("cmap");
  int n = f.U16(cmap + 2);
  for (int i = 0; i < n; ++i) {
    size_t rec = cmap + 4 + 8 * size_t(i);
    if (f.U16(rec) != 3 || f.U16(rec + 2) != 1) continue;
    size_t sub = cmap + f.U32(rec + 4);
    if (f.U16(sub) != 4) continue;
    int segs = f.U16(sub + 6) / 2;
    size_t ends = sub + 14, starts = ends + 2 * segs + 2, deltas = starts + 2 * segs,
           ranges = deltas + 2 * segs;
    for (int s = 0; s < segs; ++s) {
      uint16_t end = f.U16(ends + 2 * s), start = f.U16(starts + 2 * s);
      if (code > end) continue;
      if (code < start) return 0;
      uint16_t delta = f.U16(deltas + 2 * s), range = f.U16(ranges + 2 * s);
      if (range == 0) return uint16_t(code + delta);
      size_t at = ranges + 2 * s + range + 2 * (code - start);
      uint16_t g = f.U16(at);
      return g ? uint16_t(g + delta) : 0;
    }
  }
  return 0;
}

int Advance(const Font& f, int glyph) {
  int i = glyph < f.hMetrics ? glyph : f.hMetrics - 1;
  return f.U16(f.Table("hmtx") + 4 * size_t(i));
}

// Appends the contours of a glyph, transformed by (a b; c d) + (dx, dy), to out.
void GlyphContours(const Font& f, int glyph, double a, double b, double c, double d, double dx,
                   double dy, std::vector<Contour>& out, int depth = 0) {
  if (glyph < 0 || glyph >= f.glyphCount || depth > 8) return;
  uint32_t loca = f.Table("loca");
  uint32_t start = f.locFormat ? f.U32(loca + 4 * size_t(glyph)) : 2u * f.U16(loca + 2 * size_t(glyph));
  uint32_t end = f.locFormat ? f.U32(loca + 4 * size_t(glyph) + 4) : 2u * f.U16(loca + 2 * size_t(glyph) + 2);
  if (end <= start) return;
  size_t g = f.Table("glyf") + size_t(start);
  int contours = f.I16(g);
  if (contours >= 0) {
    size_t p = g + 10;
    std::vector<int> ends(contours);
    for (int i = 0; i < contours; ++i) ends[i] = f.U16(p + 2 * i);
    p += 2 * size_t(contours);
    int points = contours ? ends.back() + 1 : 0;
    p += 2 + f.U16(p);  // instructions
    std::vector<uint8_t> flags;
    while (int(flags.size()) < points && f.Has(p, 1)) {
      uint8_t fl = f.data[p++];
      flags.push_back(fl);
      if (fl & 8) {
        int repeat = f.Has(p, 1) ? f.data[p++] : 0;
        while (repeat-- > 0 && int(flags.size()) < points) flags.push_back(fl);
      }
    }
    flags.resize(points);
    // Coordinates are deltas: one unsigned byte with a sign flag, or a repeat, or a signed word.
    auto readCoordinates = [&](uint8_t shortBit, uint8_t sameBit) {
      std::vector<int> out(points);
      int v = 0;
      for (int i = 0; i < points; ++i) {
        if (flags[i] & shortBit) {
          int delta = f.Has(p, 1) ? f.data[p++] : 0;
          v += (flags[i] & sameBit) ? delta : -delta;
        } else if (!(flags[i] & sameBit)) {
          v += f.I16(p);
          p += 2;
        }
        out[i] = v;
      }
      return out;
    };
    std::vector<int> xs = readCoordinates(2, 16);
    std::vector<int> ys = readCoordinates(4, 32);
    int first = 0;
    for (int e : ends) {
      Contour ct;
      for (int i = first; i <= e && i < points; ++i)
        ct.push_back({a * xs[i] + c * ys[i] + dx, b * xs[i] + d * ys[i] + dy, bool(flags[i] & 1)});
      if (ct.size() > 1) out.push_back(ct);
      first = e + 1;
    }
    return;
  }
  // Composite glyph.
  size_t p = g + 10;
  for (;;) {
    uint16_t flags = f.U16(p), index = f.U16(p + 2);
    p += 4;
    double ox, oy;
    if (flags & 1) {
      ox = f.I16(p), oy = f.I16(p + 2);
      p += 4;
    } else {
      ox = int8_t(f.Has(p, 1) ? f.data[p] : 0), oy = int8_t(f.Has(p + 1, 1) ? f.data[p + 1] : 0);
      p += 2;
    }
    if (!(flags & 2)) ox = oy = 0;  // point-matched placement: not used by the fonts we convert
    double ca = 1, cb = 0, cc = 0, cd = 1;
    auto f2dot14 = [&](size_t at) { return f.I16(at) / 16384.0; };
    if (flags & 8) {
      ca = cd = f2dot14(p);
      p += 2;
    } else if (flags & 0x40) {
      ca = f2dot14(p), cd = f2dot14(p + 2);
      p += 4;
    } else if (flags & 0x80) {
      ca = f2dot14(p), cb = f2dot14(p + 2), cc = f2dot14(p + 4), cd = f2dot14(p + 6);
      p += 8;
    }
    // Component transform first, then ours.
    GlyphContours(f, index, a * ca + c * cb, b * ca + d * cb, a * cc + c * cd, b * cc + d * cd,
                  a * ox + c * oy + dx, b * ox + d * oy + dy, out, depth + 1);
    if (!(flags & 0x20) || !f.Has(p, 4)) break;
  }
}

struct Writer {
  std::vector<uint8_t> bytes;
  void U8(int v) { bytes.push_back(uint8_t(v)); }
  void I16(int v) {
    U8(v & 0xFF);
    U8((v >> 8) & 0xFF);
  }
  void U32(uint32_t v) {
    for (int i = 0; i < 4; ++i) U8((v >> (8 * i)) & 0xFF);
  }
};

struct Glyph {
  uint32_t code;
  int xMin = 0, xMax = 0, yMin = 0, yMax = 0, advance = 0;
  std::vector<uint8_t> outline;
};

Glyph Convert(const Font& f, uint32_t code, int glyph, double k) {
  Glyph out;
  out.code = code;
  out.advance = int(std::lround(Advance(f, glyph) * k));
  std::vector<Contour> contours;
  GlyphContours(f, glyph, 1, 0, 0, 1, 0, 0, contours);
  Writer w;
  bool any = false;
  auto clampI16 = [](double v) { return int(std::lround(std::fmax(-32768.0, std::fmin(32767.0, v)))); };
  auto put = [&](int cmd, std::initializer_list<Point> pts) {
    w.U8(cmd);
    for (const Point& p : pts) {
      int x = clampI16(p.x * k), y = clampI16(-p.y * k);
      w.I16(x);
      w.I16(y);
      if (!any) out.xMin = out.xMax = x, out.yMin = out.yMax = y, any = true;
      out.xMin = std::min(out.xMin, x), out.xMax = std::max(out.xMax, x);
      out.yMin = std::min(out.yMin, y), out.yMax = std::max(out.yMax, y);
    }
  };
  if (!contours.empty()) {
    w.U8(2);
    w.U8(1);
  }
  for (const Contour& ct : contours) {
    size_t n = ct.size();
    // Start at an on-curve point, or at the midpoint of the first two off-curve points.
    size_t s = 0;
    while (s < n && !ct[s].on) ++s;
    Point start = s < n ? ct[s]
                        : Point{(ct[0].x + ct[1].x) / 2, (ct[0].y + ct[1].y) / 2, true};
    if (s == n) s = 0;
    put(4, {start});
    Point prev = start;
    bool pendingControl = false;
    Point control{};
    for (size_t i = 1; i <= n; ++i) {
      const Point& p = ct[(s + i) % n];
      if (p.on) {
        if (pendingControl) put(6, {control, p});
        else put(5, {p});
        pendingControl = false;
        prev = p;
      } else {
        if (pendingControl) {
          Point mid{(control.x + p.x) / 2, (control.y + p.y) / 2, true};
          put(6, {control, mid});
          prev = mid;
        }
        control = p;
        pendingControl = true;
      }
    }
    if (pendingControl) put(6, {control, start});
    else if (prev.x != start.x || prev.y != start.y) put(5, {start});
  }
  w.U8(8);
  out.outline = std::move(w.bytes);
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: mkfont INPUT.ttf OUTPUT.mvec [EM_UNITS]\n");
    return 2;
  }
  Font f;
  if (!LoadFont(argv[1], f)) {
    std::fprintf(stderr, "mkfont: cannot read TrueType font %s\n", argv[1]);
    return 1;
  }
  double em = argc > 3 ? std::atof(argv[3]) : 32.0;
  double k = em * 128.0 / f.unitsPerEm;

  // Latin-1, Latin Extended-A, general punctuation, currency and a few symbols the texts use.
  std::vector<std::pair<uint32_t, uint32_t>> ranges = {
      {32, 126},        {160, 383},       {0x2010, 0x2027}, {0x2030, 0x203A},
      {0x20AC, 0x20AC}, {0x2122, 0x2122}, {0x2190, 0x2193}, {0x2212, 0x2212}};
  std::vector<Glyph> glyphs;
  for (auto [lo, hi] : ranges)
    for (uint32_t code = lo; code <= hi; ++code) {
      int g = GlyphIndex(f, code);
      if (g > 0 || code == 32) glyphs.push_back(Convert(f, code, g, k));
    }
  if (glyphs.size() > 65535) return 1;

  Writer w;
  for (char c : std::string("MVC4")) w.U8(c);
  w.I16(int(glyphs.size()));
  for (int i = 0; i < 6; ++i) w.U8(0);
  uint32_t offset = uint32_t(12 + 18 * glyphs.size());
  for (const Glyph& g : glyphs) {
    w.U32(g.code);
    w.I16(g.xMin);
    w.I16(g.xMax);
    w.I16(g.yMin);
    w.I16(g.yMax);
    w.I16(g.advance);
    w.U32(offset);
    offset += uint32_t(g.outline.size());
  }
  for (const Glyph& g : glyphs) w.bytes.insert(w.bytes.end(), g.outline.begin(), g.outline.end());

  std::ofstream out(argv[2], std::ios::binary);
  out.write(reinterpret_cast<const char*>(w.bytes.data()), std::streamsize(w.bytes.size()));
  if (!out) {
    std::fprintf(stderr, "mkfont: cannot write %s\n", argv[2]);
    return 1;
  }
  std::printf("mkfont: %zu glyphs, %zu bytes\n", glyphs.size(), w.bytes.size());
  return 0;
}
