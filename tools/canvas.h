// The picture canvas of the content tools: colours, value noise, signed-distance shapes and an RGBA
// canvas painted over them, written as PNG or JPEG below the assets folder. Everything here is
// deterministic, so the same build writes the same files.
#pragma once
#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// A colour with straight (not premultiplied) alpha, channels 0..1.
struct Rgba {
  float r = 0, g = 0, b = 0, a = 0;
};

Rgba Hex(uint32_t rgb, float a = 1);
// Linear blend of two colours; t is clamped to 0..1.
Rgba Mix(const Rgba& x, const Rgba& y, float t);
// Scales the colour channels (not alpha), clamped to 0..1.
Rgba Shade(Rgba c, float f);

// Smooth value noise in 0..1, repeatable from its seed; Fractal sums four octaves.
float Hash(int x, int y, uint32_t seed);
float Noise(float x, float y, uint32_t seed);
float Fractal(float x, float y, uint32_t seed);

// Signed distances of the shapes pictures are made of (negative inside).
float Circle(float x, float y, float cx, float cy, float r);
float Box(float x, float y, float x0, float y0, float x1, float y1, float round = 0);
float Ellipse(float x, float y, float cx, float cy, float rx, float ry);
// A trapezoid with horizontal top (width wTop at y0) and bottom (wBottom at y1), centred on cx.
float Trapezoid(float x, float y, float cx, float y0, float y1, float wTop, float wBottom);
inline float Union(float a, float b) { return std::min(a, b); }
inline float Cut(float a, float b) { return std::max(a, -b); }

// Points the content is written below: the assets folder (also the file layer's "user:" root).
void SetContentRoot(const std::string& root);
const std::string& ContentRoot();
// True once any content file could not be written.
bool ContentFailed();
void ReportContentFailure(const std::string& what);
// Writes a text file below the content root (a failure is reported).
bool SaveText(const std::string& rel, const std::string& text);

// A rectangle of pixels, x1/y1 exclusive; the default covers any canvas.
struct Area {
  int x0 = 0, y0 = 0, x1 = 1 << 20, y1 = 1 << 20;
};
// A box around a shape drawn at (x0,y0)-(x1,y1), grown by a margin for its rim and shadow.
inline Area Around(float x0, float y0, float x1, float y1, float margin = 8) {
  return {int(x0 - margin), int(y0 - margin), int(x1 + margin) + 1, int(y1 + margin) + 1};
}

// How a solid shape is drawn: lit from the upper left, shaded towards the lower right.
struct Look {
  float outline = 1.5f;                       // width of the dark rim; 0 for none
  Rgba outlineColour = {0.09f, 0.06f, 0.03f, 0.85f};
  float bevel = 6;                            // depth over which the rim catches light or shade
  float light = 0.45f;                        // strength of that light and shade
  float shadow = 0;                           // offset of a soft drop shadow; 0 for none
  float shadowAlpha = 0.4f;
  float gloss = 0;                            // strength of a soft highlight near the lit rim
};

class Canvas {
 public:
  using Painter = std::function<Rgba(float x, float y)>;
  using Distance = std::function<float(float x, float y)>;

  // Starts filled with `background` (transparent unless given).
  Canvas(int w, int h, Rgba background = {});
  int W() const { return mW; }
  int H() const { return mH; }
  Rgba& At(int x, int y) { return mPix[size_t(y) * mW + x]; }
  const Rgba& At(int x, int y) const { return mPix[size_t(y) * mW + x]; }

  // Per pixel (sampled at its centre): the painter gives a colour to blend over what is there.
  void Paint(const Painter& painter, Area area = {});
  // A shape given by its signed distance, antialiased over one pixel.
  void Shape(const Distance& distance, const Painter& fill, Area area = {});
  void Shape(const Distance& distance, Rgba colour, Area area = {});
  // A rounded, outlined, lit object with an optional drop shadow.
  void Solid(const Distance& distance, const Painter& fill, const Look& look = {}, Area area = {});
  void Solid(const Distance& distance, Rgba colour, const Look& look = {}, Area area = {});
  // A soft halo: full colour inside the shape, fading out over `radius` pixels outside it.
  void Glow(const Distance& distance, Rgba colour, float radius, Area area = {});
  // A line of the given width along the shape's edge.
  void Outline(const Distance& distance, float width, Rgba colour, Area area = {});

  // The game names its pictures without the extension; one is added when missing.
  bool SavePng(std::string rel) const;
  bool SaveJpeg(std::string rel, float quality = 0.82f) const;
  // A JPEG picture and its alpha in the red channel of "<stem>.mask.png".
  bool SaveMasked(const std::string& stem) const;

 private:
  static void Over(Rgba& d, const Rgba& c);
  bool Write(const std::string& rel, bool jpeg, bool alpha, bool maskOnly, float quality) const;

  int mW, mH;
  std::vector<Rgba> mPix;
};
