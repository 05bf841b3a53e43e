// Cleared frames on the main window through an OpenGL context of its own (see present.h).
#include "os/present.h"

#include <SDL.h>
#include <SDL_opengl.h>

#include <atomic>
#include <cstdio>

#include "os/gl.h"
#include "os/user_internal.h"

namespace os {
namespace {
SDL_GLContext gContext = nullptr;
SDL_Window* gContextWindow = nullptr;  // the window the context was made for
bool gFailed = false;                  // reported once
std::atomic<int> gFrames{0};
}  // namespace

bool PresentClearedFrame(HWND window, uint32_t argb) {
  if (!window || window != TestMainWindow() || !sdl::OnSdlThread()) return false;
  auto* sdlWindow = static_cast<SDL_Window*>(sdl::MainSdlWindow());
  if (!sdlWindow) return false;
  // The graphics stand-in's context may be current: it is made current again afterwards.
  SDL_Window* previousWindow = SDL_GL_GetCurrentWindow();
  SDL_GLContext previous = SDL_GL_GetCurrentContext();
  if (gContext && gContextWindow != sdlWindow) ReleaseFramePresenter();  // a new main window
  if (!gContext) {
    if (gFailed) return false;
    gContext = SDL_GL_CreateContext(sdlWindow);
    if (!gContext) {
      std::fprintf(stderr, "os: no GL context for presenting (%s)\n", SDL_GetError());
      gFailed = true;
      return false;
    }
    gContextWindow = sdlWindow;
  }
  if (SDL_GL_MakeCurrent(sdlWindow, gContext) != 0) return false;
  int w = 0, h = 0;
  SDL_GL_GetDrawableSize(sdlWindow, &w, &h);
  glViewport(0, 0, w, h);
  glClearColor(((argb >> 16) & 0xFF) / 255.0f, ((argb >> 8) & 0xFF) / 255.0f, (argb & 0xFF) / 255.0f,
               ((argb >> 24) & 0xFF) / 255.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  SDL_GL_SwapWindow(sdlWindow);
  os::gl::WindowDamaged();
  if (previous && previous != gContext) SDL_GL_MakeCurrent(previousWindow, previous);
  ++gFrames;
  return true;
}

void ReleaseFramePresenter() {
  if (gContext) SDL_GL_DeleteContext(gContext);
  gContext = nullptr;
  gContextWindow = nullptr;
  gFailed = false;
}

int PresentedFrameCount() { return gFrames; }
}  // namespace os
