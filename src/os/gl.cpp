// The GL context of the graphics stand-in: made once on a hidden window, entry points loaded, and
// presentation onto the main SDL window that the windowing layer made.
#include "os/gl.h"

#include <SDL.h>
#include <malloc.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <thread>
#include <vector>

#include "os/framefit.h"
#include "os/user_internal.h"

namespace os::gl {

PFNGLGENFRAMEBUFFERSPROC GenFramebuffers;
PFNGLDELETEFRAMEBUFFERSPROC DeleteFramebuffers;
PFNGLBINDFRAMEBUFFERPROC BindFramebuffer;
PFNGLFRAMEBUFFERTEXTURE2DPROC FramebufferTexture2D;
PFNGLFRAMEBUFFERRENDERBUFFERPROC FramebufferRenderbuffer;
PFNGLCHECKFRAMEBUFFERSTATUSPROC CheckFramebufferStatus;
PFNGLGENRENDERBUFFERSPROC GenRenderbuffers;
PFNGLDELETERENDERBUFFERSPROC DeleteRenderbuffers;
PFNGLBINDRENDERBUFFERPROC BindRenderbuffer;
PFNGLRENDERBUFFERSTORAGEPROC RenderbufferStorage;
PFNGLBLITFRAMEBUFFERPROC BlitFramebuffer;
PFNGLGENERATEMIPMAPPROC GenerateMipmap;
PFNGLSECONDARYCOLORPOINTERPROC SecondaryColorPointer;
PFNGLCREATESHADERPROC CreateShader;
PFNGLSHADERSOURCEPROC ShaderSource;
PFNGLCOMPILESHADERPROC CompileShader;
PFNGLGETSHADERIVPROC GetShaderiv;
PFNGLDELETESHADERPROC DeleteShader;
PFNGLCREATEPROGRAMPROC CreateProgram;
PFNGLATTACHSHADERPROC AttachShader;
PFNGLLINKPROGRAMPROC LinkProgram;
PFNGLGETPROGRAMIVPROC GetProgramiv;
PFNGLUSEPROGRAMPROC UseProgram;
PFNGLGETUNIFORMLOCATIONPROC GetUniformLocation;
PFNGLUNIFORM1FPROC Uniform1f;

namespace {
// glClipControl (GL 4.5 or ARB_clip_control), when the driver has it: the window's origin at the top.
using ClipControlProc = void(APIENTRY*)(GLenum origin, GLenum depth);
ClipControlProc gClipControl = nullptr;
constexpr GLenum kLowerLeft = 0x8CA1, kUpperLeft = 0x8CA2, kNegativeOneToOne = 0x935E;
bool gDirectAllowed = true;
bool gShaders = false;
bool gTried = false;
bool gReady = false;
std::thread::id gThread;
SDL_Window* gHidden = nullptr;
SDL_GLContext gContext = nullptr;
int gSwapInterval = -1;
std::mutex gGarbageLock;
std::vector<GLuint> gDeadTextures, gDeadFramebuffers, gDeadRenderbuffers;
// What the window shows, while nothing else drew into it.
struct Shown {
  const void* source = nullptr;
  uint64_t generation = 0;
  int x = 0, y = 0, width = 0, height = 0, drawableWidth = 0, drawableHeight = 0;
  SDL_Window* window = nullptr;
  bool valid = false;
};
Shown gShown;
int gSwaps = 0;
bool gCapture = false;                  // tests: keep each swapped drawable
std::vector<uint32_t> gCaptured;
int gCapturedWidth = 0, gCapturedHeight = 0;

template <class F>
bool Load(F& f, const char* name) {
  f = reinterpret_cast<F>(SDL_GL_GetProcAddress(name));
  return f != nullptr;
}

// Events of the hidden window must not reach the windowing layer as the main window's.
int DropHiddenEvents(void* data, SDL_Event* e) {
  Uint32 id = *static_cast<Uint32*>(data);
  return !(e->type == SDL_WINDOWEVENT && e->window.windowID == id);
}

// Mesa's software renderer takes its bins and vertex buffers from the heap at every draw and frees
// them when the frame is done: tens of megabytes a frame for a screen of text. By default the heap
// is handed back to the system whenever that much lies free at its top, which depends on where
// unrelated long-lived blocks happened to land; then every frame faults it all in again. The heap
// is kept near its peak instead: allocations below 32 MB stay in it, and it is handed back only
// once 128 MB lie free at its top.
void KeepHeapForFrames() {
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  mallopt(M_TRIM_THRESHOLD, 128 << 20);
}

}  // namespace

bool Ready() {
  if (gTried) return gReady && std::this_thread::get_id() == gThread;
  gTried = true;
  KeepHeapForFrames();
  if (!os::sdl::EnsureVideo()) {
    std::fprintf(stderr, "os: no video, so no GL for DirectDraw\n");
    return false;
  }
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  gHidden = SDL_CreateWindow("gl", 0, 0, 16, 16, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
  if (!gHidden) {
    std::fprintf(stderr, "os: GL window failed: %s\n", SDL_GetError());
    return false;
  }
  Uint32 id = SDL_GetWindowID(gHidden);
  SDL_PumpEvents();
  SDL_FilterEvents(DropHiddenEvents, &id);
  gContext = SDL_GL_CreateContext(gHidden);
  if (!gContext) {
    std::fprintf(stderr, "os: GL context failed: %s\n", SDL_GetError());
    SDL_DestroyWindow(gHidden);
    gHidden = nullptr;
    return false;
  }
  bool ok = Load(GenFramebuffers, "glGenFramebuffers") && Load(DeleteFramebuffers, "glDeleteFramebuffers") &&
            Load(BindFramebuffer, "glBindFramebuffer") && Load(FramebufferTexture2D, "glFramebufferTexture2D") &&
            Load(FramebufferRenderbuffer, "glFramebufferRenderbuffer") &&
            Load(CheckFramebufferStatus, "glCheckFramebufferStatus") &&
            Load(GenRenderbuffers, "glGenRenderbuffers") && Load(DeleteRenderbuffers, "glDeleteRenderbuffers") &&
            Load(BindRenderbuffer, "glBindRenderbuffer") && Load(RenderbufferStorage, "glRenderbufferStorage") &&
            Load(BlitFramebuffer, "glBlitFramebuffer") && Load(GenerateMipmap, "glGenerateMipmap") &&
            Load(SecondaryColorPointer, "glSecondaryColorPointer");
  if (!ok) {
    std::fprintf(stderr, "os: GL lacks framebuffer objects\n");
    SDL_GL_DeleteContext(gContext);
    SDL_DestroyWindow(gHidden);
    gContext = nullptr;
    gHidden = nullptr;
    return false;
  }
  if (SDL_GL_ExtensionSupported("GL_ARB_clip_control")) Load(gClipControl, "glClipControl");
  gShaders = Load(CreateShader, "glCreateShader") && Load(ShaderSource, "glShaderSource") &&
             Load(CompileShader, "glCompileShader") && Load(GetShaderiv, "glGetShaderiv") &&
             Load(DeleteShader, "glDeleteShader") && Load(CreateProgram, "glCreateProgram") &&
             Load(AttachShader, "glAttachShader") && Load(LinkProgram, "glLinkProgram") &&
             Load(GetProgramiv, "glGetProgramiv") && Load(UseProgram, "glUseProgram") &&
             Load(GetUniformLocation, "glGetUniformLocation") && Load(Uniform1f, "glUniform1f");
  gThread = std::this_thread::get_id();
  gReady = true;
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  return true;
}

bool OnGlThread() { return gReady && std::this_thread::get_id() == gThread; }

void DeleteObjects(GLuint texture, GLuint framebuffer, GLuint renderbuffer) {
  if (OnGlThread()) {
    if (framebuffer) DeleteFramebuffers(1, &framebuffer);
    if (texture) glDeleteTextures(1, &texture);
    if (renderbuffer) DeleteRenderbuffers(1, &renderbuffer);
    return;
  }
  std::lock_guard<std::mutex> lock(gGarbageLock);
  if (texture) gDeadTextures.push_back(texture);
  if (framebuffer) gDeadFramebuffers.push_back(framebuffer);
  if (renderbuffer) gDeadRenderbuffers.push_back(renderbuffer);
}

void CollectGarbage() {
  if (!OnGlThread()) return;
  std::lock_guard<std::mutex> lock(gGarbageLock);
  if (!gDeadFramebuffers.empty()) DeleteFramebuffers(GLsizei(gDeadFramebuffers.size()), gDeadFramebuffers.data());
  if (!gDeadTextures.empty()) glDeleteTextures(GLsizei(gDeadTextures.size()), gDeadTextures.data());
  if (!gDeadRenderbuffers.empty()) DeleteRenderbuffers(GLsizei(gDeadRenderbuffers.size()), gDeadRenderbuffers.data());
  gDeadTextures.clear();
  gDeadFramebuffers.clear();
  gDeadRenderbuffers.clear();
}

void WindowDamaged() { gShown.valid = false; }

namespace {
// Makes the context current on the main window of `hwnd` and answers it, or null when there is none
// or when `now` is what the window already shows (the swap is skipped).
SDL_Window* BeginPresent(HWND hwnd, bool vsync, Shown* now) {
  if (!OnGlThread() || !hwnd || hwnd != os::user::ReadState(&os::user::State::main)) return nullptr;
  SDL_Window* window = static_cast<SDL_Window*>(os::sdl::MainSdlWindow());
  if (!window) return nullptr;
  // Switching the current window costs a flush or more in most drivers: switch only when needed.
  if ((SDL_GL_GetCurrentWindow() != window || SDL_GL_GetCurrentContext() != gContext) &&
      SDL_GL_MakeCurrent(window, gContext) != 0)
    return nullptr;
  int interval = vsync ? 1 : 0;
  if (interval != gSwapInterval && SDL_GL_SetSwapInterval(interval) == 0) gSwapInterval = interval;
  SDL_GL_GetDrawableSize(window, &now->drawableWidth, &now->drawableHeight);
  now->window = window;
  const Shown& was = gShown;
  if (now->valid && was.valid && was.source == now->source && was.generation == now->generation && was.x == now->x &&
      was.y == now->y && was.width == now->width && was.height == now->height &&
      was.drawableWidth == now->drawableWidth && was.drawableHeight == now->drawableHeight && was.window == window)
    return nullptr;
  return window;
}

// With TM_PRESENT_LOG naming a file, each swap appends "present <monotonic clock in ns>" to it
// ("solid" instead of "present" for a frame of one colour), so that a benchmark outside the process
// can count frames and time the first picture.
void LogPresent(bool solid) {
  static FILE* log = [] {
    const char* path = std::getenv("TM_PRESENT_LOG");
    return path && *path ? std::fopen(path, "a") : nullptr;
  }();
  if (!log) return;
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  std::fprintf(log, "%s %lld\n", solid ? "solid" : "present", static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec);
  std::fflush(log);
}

void EndPresent(SDL_Window* window, const Shown& now, bool solid) {
  if (gCapture && now.drawableWidth > 0 && now.drawableHeight > 0) {
    int w = now.drawableWidth, h = now.drawableHeight;
    std::vector<uint32_t> rows(size_t(w) * h);
    BindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    glReadPixels(0, 0, w, h, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, rows.data());
    gCaptured.resize(rows.size());
    for (int y = 0; y < h; ++y)   // the window's rows run bottom-up
      std::copy_n(rows.data() + size_t(h - 1 - y) * w, w, gCaptured.data() + size_t(y) * w);
    gCapturedWidth = w;
    gCapturedHeight = h;
  }
  SDL_GL_SwapWindow(window);
  LogPresent(solid);
  BindFramebuffer(GL_FRAMEBUFFER, 0);
  gShown = now;
  ++gSwaps;
}
}  // namespace

namespace {
// Clears what lies around the frame's place to black. After a swap the back buffer's contents are
// undefined, so the bars are cleared at every present (a clear costs the renderer no pass worth
// speaking of).
void ClearBars(const os::fit::Placement& p, int dw, int dh) {
  if (p.x == 0 && p.y == 0 && p.width == dw && p.height == dh) return;
  glDisable(GL_SCISSOR_TEST);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
}
}  // namespace

void PresentToWindow(HWND hwnd, GLuint framebuffer, int x, int y, int width, int height, bool vsync,
                     const void* source, uint64_t generation) {
  Shown now{source, generation, x, y, width, height, 0, 0, nullptr, source != nullptr};
  SDL_Window* window = BeginPresent(hwnd, vsync, &now);
  if (!window) return;
  int dw = now.drawableWidth, dh = now.drawableHeight;
  os::fit::Placement p = os::fit::Fit(width, height, dw, dh);
  BindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
  ClearBars(p, dw, dh);
  BindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
  glDisable(GL_SCISSOR_TEST);
  // Our framebuffers keep row 0 at the top; the window's keeps it at the bottom. The frame is scaled
  // uniformly into its place (see framefit.h); input comes back through the same placing.
  BlitFramebuffer(x, y, x + width, y + height, p.x, dh - p.y, p.x + p.width, dh - p.y - p.height, GL_COLOR_BUFFER_BIT,
                  p.width == width && p.height == height ? GL_NEAREST : GL_LINEAR);
  os::fit::NoteShownFrame(width, height);
  EndPresent(window, now, false);
}

void PresentSolidToWindow(HWND hwnd, uint32_t argb, int width, int height, bool vsync, const void* source,
                          uint64_t generation) {
  Shown now{source, generation, 0, 0, width, height, 0, 0, nullptr, source != nullptr};
  SDL_Window* window = BeginPresent(hwnd, vsync, &now);
  if (!window) return;
  int dw = now.drawableWidth, dh = now.drawableHeight;
  os::fit::Placement p = os::fit::Fit(width, height, dw, dh);
  BindFramebuffer(GL_FRAMEBUFFER, 0);
  ClearBars(p, dw, dh);
  bool whole = p.x == 0 && p.y == 0 && p.width == dw && p.height == dh;
  if (!whole) {
    glEnable(GL_SCISSOR_TEST);
    glScissor(p.x, dh - p.y - p.height, p.width, p.height);
  }
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glClearColor((argb >> 16 & 0xFF) / 255.f, (argb >> 8 & 0xFF) / 255.f, (argb & 0xFF) / 255.f, (argb >> 24) / 255.f);
  glClear(GL_COLOR_BUFFER_BIT);
  glDisable(GL_SCISSOR_TEST);
  if (width > 0 && height > 0) os::fit::NoteShownFrame(width, height);
  EndPresent(window, now, true);
}

namespace {
Shown gDirect;   // the frame being drawn straight into the window
}  // namespace

void SetDirectPresentAllowed(bool allowed) { gDirectAllowed = allowed; }

bool HasShaders() { return gShaders && OnGlThread(); }

bool CanPresentDirect(HWND hwnd, int width, int height) {
  if (!gDirectAllowed || !gClipControl || !OnGlThread() || !hwnd ||
      hwnd != os::user::ReadState(&os::user::State::main))
    return false;
  auto* window = static_cast<SDL_Window*>(os::sdl::MainSdlWindow());
  if (!window) return false;
  int dw = 0, dh = 0;
  SDL_GL_GetDrawableSize(window, &dw, &dh);
  return dw == width && dh == height && width > 0 && height > 0;
}

bool BeginDirectPresent(HWND hwnd, int width, int height, bool vsync, const void* source, uint64_t generation) {
  if (!CanPresentDirect(hwnd, width, height)) return false;
  Shown now{source, generation, 0, 0, width, height, 0, 0, nullptr, source != nullptr};
  SDL_Window* window = BeginPresent(hwnd, vsync, &now);
  if (!window || now.drawableWidth != width || now.drawableHeight != height) return false;
  gDirect = now;
  BindFramebuffer(GL_FRAMEBUFFER, 0);
  gClipControl(kUpperLeft, kNegativeOneToOne);
  return true;
}

bool WindowShows(HWND hwnd, const void* source, uint64_t generation, int width, int height) {
  if (!OnGlThread() || !hwnd || hwnd != os::user::ReadState(&os::user::State::main)) return false;
  auto* window = static_cast<SDL_Window*>(os::sdl::MainSdlWindow());
  int dw = 0, dh = 0;
  if (window) SDL_GL_GetDrawableSize(window, &dw, &dh);
  const Shown& s = gShown;
  return window && s.valid && s.window == window && s.source == source && s.generation == generation &&
         s.x == 0 && s.y == 0 && s.width == width && s.height == height && s.drawableWidth == dw &&
         s.drawableHeight == dh;
}

void RenameShownFrame(const void* source, uint64_t from, uint64_t to) {
  if (gShown.valid && gShown.source == source && gShown.generation == from) gShown.generation = to;
}

void EndDirectPresent() {
  gClipControl(kLowerLeft, kNegativeOneToOne);
  os::fit::NoteShownFrame(gDirect.width, gDirect.height);
  EndPresent(gDirect.window, gDirect, false);
  gDirect = Shown{};
}

void LeaveWindow(void* sdlWindow) {
  gShown.valid = false;
  if (!OnGlThread() || !sdlWindow || SDL_GL_GetCurrentWindow() != sdlWindow) return;
  SDL_GL_MakeCurrent(gHidden, gContext);
}

}  // namespace os::gl

namespace os {
int TestWindowSwapCount() { return os::gl::gSwaps; }

void TestCaptureWindowPixels(bool on) {
  os::gl::gCapture = on;
  if (!on) {
    os::gl::gCaptured.clear();
    os::gl::gCapturedWidth = os::gl::gCapturedHeight = 0;
  }
}

bool TestReadWindowPixels(std::vector<uint32_t>* pixels, int* width, int* height) {
  if (!pixels || os::gl::gCaptured.empty()) return false;
  *pixels = os::gl::gCaptured;
  if (width) *width = os::gl::gCapturedWidth;
  if (height) *height = os::gl::gCapturedHeight;
  return true;
}
}  // namespace os
