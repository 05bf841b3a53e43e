// The scene screens' captions: fitted text boxes (TTextbox) made and changed through calls that
// take any window, so a caption that is missing is left alone instead of crashing a screen.
#pragma once
#include <array>
#include <cstdint>

#include "core/rect.h"
#include "core/string.h"

class TWindow;

namespace scenetext {

// A text box named `name`, laid out in a width x height box; the text alpha starts at the
// colour's alpha. Never null.
TWindow* Make(const TString& name, const TString& text, int32_t width, int32_t height, int32_t flags,
              const TString& font, int32_t size, const float colour[4], int32_t lines);
// A colour the game text gives as 0-255 components, as the text boxes take it (0-1).
inline std::array<float, 4> FromBytes(const float bytes[4]) {
  return {bytes[0] / 255.0f, bytes[1] / 255.0f, bytes[2] / 255.0f, bytes[3] / 255.0f};
}
// The calls below do nothing (or answer empty values) for null or for a window that is no text box.
void SetText(TWindow* box, const TString& text);
TString GetText(TWindow* box);
void SetTextAlpha(TWindow* box, float alpha);
float GetTextAlpha(TWindow* box);
void SetColor(TWindow* box, const float colour[4]);
void SetBoxSize(TWindow* box, int32_t width, int32_t height);
// The laid-out text's extent; an empty rectangle without a layout.
TRect GetTextRect(TWindow* box);
void SetRotation(TWindow* box, float degrees, float originX, float originY);

}  // namespace scenetext
