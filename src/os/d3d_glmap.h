// How the Direct3D device's state maps onto fixed-function GL: matrices, blend and compare
// functions, texture addressing, colours, and stage 0's operations as a texture environment.
// Internal to src/os.
#pragma once
#include "os/d3d.h"
#include "os/gl.h"

namespace os::dd {

D3DMATRIX Identity();
// Row-vector product a * b.
D3DMATRIX Mul(const D3DMATRIX& a, const D3DMATRIX& b);
GLenum BlendOf(DWORD b);
GLenum CompareOf(DWORD c);
GLint AddressOf(DWORD a);
// A colour as GL floats: red, green, blue, alpha.
void ColorOf(D3DCOLOR c, float out[4]);
// One half (colour or alpha) of stage 0 as a GL_COMBINE texture environment.
void Combine(bool alpha, DWORD op, DWORD arg1, DWORD arg2);
// Whether one half (colour or alpha) of stage 0 hands on the diffuse colour unchanged when its
// texture reads as opaque white.
bool PassesDiffuse(bool alpha, DWORD op, DWORD arg1, DWORD arg2);

}  // namespace os::dd
