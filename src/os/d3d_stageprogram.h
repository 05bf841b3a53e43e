// GLSL programs standing in for texture stage 0 and the alpha test in the usual cases: a software
// rasteriser runs them cheaper than the program it builds for the fixed-function stage, and an alpha
// test under "source alpha" blending is folded in as a transparent result instead of a discard (or
// left out where it only drops what such blending leaves out anyway).
// The pixels are those of the fixed-function path. Internal to src/os.
#pragma once
#include "os/d3d.h"

namespace os::dd {

// The states that decide stage 0's result and what a failed alpha test may become.
struct StageState {
  const DWORD* stage = nullptr;         // texture stage 0's states
  const DWORD* renderStates = nullptr;  // the device's render states
  bool blending = false;                // GL blending is on for the draw
};

// Whether the alpha test drops nothing that the draw's blending would not leave out anyway: off, or
// (under source-alpha blending without depth writes) dropping only what is stored as fully
// transparent, as the usual ">= 1" of sprites and text does. GL's test is then left off.
bool AlphaTestIsVoid(const DWORD* renderStates, bool blending);

// Binds the program for `s` after the fixed-function states were applied (stage 0 sampling a
// texture), turning GL's alpha test off when the program does it. False when no program covers the
// states (or GLSL is missing): the fixed-function path draws.
bool UseStageProgram(const StageState& s);
// Unbinds the program after the draw, so that other GL code finds the fixed-function pipeline.
void EndStageProgram();

}  // namespace os::dd
