// Textures and drawn things the content pictures share: wood, stone, parchment and sky fills; the
// objects of the story (key, candle, book, cup, bell, quill, coin, lens, relic head) and people.
// Each object is drawn into a box given by its top-left corner and a scale of its own units.
#pragma once
#include "canvas.h"

// Fills, as painters' colours at a point.
Rgba Wood(float x, float y, Rgba base, uint32_t seed);
Rgba Planks(float x, float y, Rgba base, float plank, uint32_t seed);  // vertical boards
Rgba Stone(float x, float y, Rgba base, float brickW, float brickH, uint32_t seed);
Rgba Parchment(float x, float y, Rgba base, uint32_t seed);
// A darkening towards the edges of a w x h picture (1 in the middle).
float Vignette(float x, float y, float w, float h, float strength);

// Where a drawing goes: its own units start at (x, y) and are `scale` pixels wide.
struct Place {
  float x = 0, y = 0, scale = 1;
  Canvas::Distance Map(const Canvas::Distance& local) const;
  Canvas::Painter Map(const Canvas::Painter& local) const;
  Area Box(float w, float h, float margin = 8) const { return Around(x, y, x + w * scale, y + h * scale, margin); }
};

// The objects, each in its own unit box (w x h given).
void DrawKey(Canvas& c, Place p, Rgba metal);        // 64 x 40
void DrawCandle(Canvas& c, Place p, bool lit);      // 40 x 90
void DrawBook(Canvas& c, Place p, Rgba cover);      // 70 x 52
void DrawCup(Canvas& c, Place p, Rgba glaze);       // 56 x 56
void DrawBell(Canvas& c, Place p);                  // 56 x 64
void DrawQuill(Canvas& c, Place p);                 // 30 x 90
void DrawCoin(Canvas& c, Place p);                  // 44 x 44
void DrawLens(Canvas& c, Place p);                  // 60 x 60
void DrawRelicHead(Canvas& c, Place p);             // 80 x 96
void DrawSkull(Canvas& c, Place p);                 // 56 x 60

// A person from the chest up, in a 300 x 420 box.
struct Person {
  Rgba skin, hair, coat, trim, eyes;
  bool beard = false, longHair = false;
  int mood = 0;  // -1 sad, 0 calm, 1 glad
};
void DrawPerson(Canvas& c, Place p, const Person& who);

// A lit flame with its halo, centred on (cx, cy), `h` pixels high.
void DrawFlame(Canvas& c, float cx, float cy, float h);
