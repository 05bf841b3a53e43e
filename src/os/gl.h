// The process's one OpenGL context (2.1 compatibility, fixed function) behind DirectDraw and
// Direct3D. It is made on a small hidden SDL window of its own, which lives for the whole process;
// the first present makes it current on the main window, where it stays (drawing goes to
// framebuffer objects, or at a present straight into that window) until that window goes.
// GL is used from the thread that made the context.
#pragma once
#include <SDL_opengl.h>

#include "os/win32types.h"

namespace os::gl {
// Makes the context on first use (SDL video must work); false when there is no GL.
bool Ready();
// True on the thread that owns the context (GL calls from elsewhere are skipped).
bool OnGlThread();
// Shows a region of a colour texture in the window of `hwnd` (the main window; others have no real
// frame), scaled uniformly to the largest size that fits the window's drawable, centred between
// black bars (see framefit.h), and swaps. Nothing without a real window.
// `source` and `generation` name the pixels shown: presenting the same ones again into an
// undamaged window of the same size is skipped, so a still screen costs nothing per frame.
void PresentToWindow(HWND hwnd, GLuint framebuffer, int x, int y, int width, int height, bool vsync,
                     const void* source = nullptr, uint64_t generation = 0);
// The same for a frame of one colour (0xAARRGGBB): the window is cleared to it, nothing is copied.
void PresentSolidToWindow(HWND hwnd, uint32_t argb, int width, int height, bool vsync, const void* source = nullptr,
                          uint64_t generation = 0);
// Frames drawn straight into the window, sparing the copy from a framebuffer object: possible when
// the window's drawable is exactly the frame's size (no scaling, no bars) and GL can put the origin
// of clip space's top at the window's top, so that the same projection as for our framebuffer
// objects (whose row 0 is the top row) draws the frame upright. BeginDirectPresent binds the
// window's framebuffer so; viewport and scissor rectangles stay in GL's window coordinates, which
// count rows from the bottom, so the caller mirrors them. EndDirectPresent swaps.
bool CanPresentDirect(HWND hwnd, int width, int height);
bool BeginDirectPresent(HWND hwnd, int width, int height, bool vsync, const void* source, uint64_t generation);
void EndDirectPresent();
// Whether the window shows those pixels at that size, undamaged since.
bool WindowShows(HWND hwnd, const void* source, uint64_t generation, int width, int height);
// The pixels the window shows are also those of `source` at generation `to` (it was `from`).
void RenameShownFrame(const void* source, uint64_t from, uint64_t to);
// Tests: draw no frame straight into the window (every present copies from the framebuffer object).
void SetDirectPresentAllowed(bool allowed);
// The window's pixels may no longer be those last presented (exposed, resized, drawn by others).
void WindowDamaged();
// Called before an SDL window is destroyed: the context moves back to its hidden window if it was
// current on that one.
void LeaveWindow(void* sdlWindow);

// Deletes GL objects (0 for none) at once on the GL thread; from elsewhere they wait for the next
// CollectGarbage, which the GL thread runs at every presented frame.
void DeleteObjects(GLuint texture, GLuint framebuffer, GLuint renderbuffer);
void CollectGarbage();

// Entry points beyond GL 1.1, loaded when the context is made.
extern PFNGLGENFRAMEBUFFERSPROC GenFramebuffers;
extern PFNGLDELETEFRAMEBUFFERSPROC DeleteFramebuffers;
extern PFNGLBINDFRAMEBUFFERPROC BindFramebuffer;
extern PFNGLFRAMEBUFFERTEXTURE2DPROC FramebufferTexture2D;
extern PFNGLFRAMEBUFFERRENDERBUFFERPROC FramebufferRenderbuffer;
extern PFNGLCHECKFRAMEBUFFERSTATUSPROC CheckFramebufferStatus;
extern PFNGLGENRENDERBUFFERSPROC GenRenderbuffers;
extern PFNGLDELETERENDERBUFFERSPROC DeleteRenderbuffers;
extern PFNGLBINDRENDERBUFFERPROC BindRenderbuffer;
extern PFNGLRENDERBUFFERSTORAGEPROC RenderbufferStorage;
extern PFNGLBLITFRAMEBUFFERPROC BlitFramebuffer;
extern PFNGLGENERATEMIPMAPPROC GenerateMipmap;
extern PFNGLSECONDARYCOLORPOINTERPROC SecondaryColorPointer;

// GLSL programs (GL 2.0); HasShaders() is false when the driver lacks one of these entry points.
bool HasShaders();
extern PFNGLCREATESHADERPROC CreateShader;
extern PFNGLSHADERSOURCEPROC ShaderSource;
extern PFNGLCOMPILESHADERPROC CompileShader;
extern PFNGLGETSHADERIVPROC GetShaderiv;
extern PFNGLDELETESHADERPROC DeleteShader;
extern PFNGLCREATEPROGRAMPROC CreateProgram;
extern PFNGLATTACHSHADERPROC AttachShader;
extern PFNGLLINKPROGRAMPROC LinkProgram;
extern PFNGLGETPROGRAMIVPROC GetProgramiv;
extern PFNGLUSEPROGRAMPROC UseProgram;
extern PFNGLGETUNIFORMLOCATIONPROC GetUniformLocation;
extern PFNGLUNIFORM1FPROC Uniform1f;
}  // namespace os::gl
