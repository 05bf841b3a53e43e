// The bare SDL + OpenGL program that game_bench compares the game with: one full-screen window, a
// still 1024 x 768 picture scaled to it, redrawn 60 times a second. With TM_PRESENT_LOG naming a
// file it appends "present <monotonic clock in ns>" at each swap, as the game's stand-in does.
// Linked with SDL and GL only, so its start costs what any such program's does.
#include <SDL.h>
#include <SDL_opengl.h>
#include <signal.h>
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

double Now() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

void LogPresent(FILE* log) {
  if (!log) return;
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  std::fprintf(log, "present %lld\n", static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec);
  std::fflush(log);
}

volatile sig_atomic_t gStop = 0;

}  // namespace

int main() {
  signal(SIGTERM, [](int) { gStop = 1; });
  const char* logPath = std::getenv("TM_PRESENT_LOG");
  FILE* log = logPath ? std::fopen(logPath, "a") : nullptr;
  if (SDL_Init(SDL_INIT_VIDEO) != 0) return 1;
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_Window* window = SDL_CreateWindow("bare", 0, 0, 1024, 768, SDL_WINDOW_OPENGL | SDL_WINDOW_FULLSCREEN_DESKTOP);
  if (!window) return 1;
  SDL_GLContext context = SDL_GL_CreateContext(window);
  if (!context) return 1;
  std::vector<uint32_t> picture(1024 * 768);
  for (int y = 0; y < 768; ++y)
    for (int x = 0; x < 1024; ++x) picture[size_t(y) * 1024 + x] = 0xFF000000u | uint32_t(x / 4) << 16 | uint32_t(y / 3) << 8 | 0x40;
  GLuint texture = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1024, 768, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, picture.data());
  glEnable(GL_TEXTURE_2D);
  while (!gStop) {
    double frameStart = Now();
    SDL_Event e;
    while (SDL_PollEvent(&e))
      if (e.type == SDL_QUIT) gStop = 1;
    int w = 0, h = 0;
    SDL_GL_GetDrawableSize(window, &w, &h);
    glViewport(0, 0, w, h);
    glClear(GL_COLOR_BUFFER_BIT);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 1), glVertex2f(-1, -1);
    glTexCoord2f(1, 1), glVertex2f(1, -1);
    glTexCoord2f(1, 0), glVertex2f(1, 1);
    glTexCoord2f(0, 0), glVertex2f(-1, 1);
    glEnd();
    SDL_GL_SwapWindow(window);
    LogPresent(log);
    double left = 1.0 / 60 - (Now() - frameStart);
    if (left > 0) SDL_Delay(Uint32(left * 1000));
  }
  SDL_GL_DeleteContext(context);
  SDL_DestroyWindow(window);
  SDL_Quit();
  return 0;
}

