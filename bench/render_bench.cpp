// Drawing speed of the display stack against plain OpenGL in the same process. A 1024 x 768 window
// is opened through the platform; each scene is drawn through the game's drawing path (window draw
// hooks, textures, text windows) and then the same scene with bare OpenGL on the same context and
// window (one vertex array per frame, one texture bind), alternating in short rounds so that both
// see the same machine load. The sprite scenes of 1,000 and 5,000 are also drawn by SDL's own 2D
// renderer with batching on, in a window of its own. One line per scene, then the geometric mean of
// the ratios to plain OpenGL:
//   render <scene> project_fps=<F> baseline_fps=<B> ratio=<F/B> gl_draws_per_frame=<GL draws of ours>
//          [sdl_renderer_fps=<S> ratio_to_sdl=<F/S>]
//   render geomean_ratio=<R>
// Run it on a display larger than the window with its frame, for example under
// xvfb-run -s "-screen 0 1280x1024x24". Optional arguments: seconds per side and scene (default 2), and the
// one scene to run.
#include <SDL.h>
#include <SDL_opengl.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/commandline.h"
#include "core/config.h"
#include "core/log.h"
#include "os/ddraw.h"
#include "os/gdi.h"
#include "os/time.h"
#include "os/winuser.h"
#include "platform/platform.h"
#include "platform/platformimpl.h"
#include "render/drawcontext.h"
#include "render/dxdisplayhandler.h"
#include "render/texture.h"
#include "render/vxlinesink.h"
#include "ui/text.h"
#include "ui/windowdraw.h"

namespace os::sdl {
void* MainSdlWindow();  // the SDL window behind the main window
}

namespace {

constexpr int kWidth = 1024, kHeight = 768;
constexpr uint32_t kBackground = 0xFF1E2A38;

using Clock = std::chrono::steady_clock;

// Deterministic positions for the sprite scenes.
struct Lcg {
  uint32_t state = 12345;
  float Next(float range) {
    state = state * 1664525u + 1013904223u;
    return float(state >> 8) / float(1u << 24) * range;
  }
};

// A round soft-edged sprite, premultiplied nowhere: plain ARGB with alpha falling to the edge.
std::vector<uint32_t> SpritePixels(int size) {
  std::vector<uint32_t> p(size_t(size) * size);
  float c = (size - 1) / 2.0f;
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      float d = std::sqrt((x - c) * (x - c) + (y - c) * (y - c)) / c;
      uint32_t a = d >= 1 ? 0 : uint32_t(255 * (1 - d));
      p[size_t(y) * size + x] = a << 24 | uint32_t(x * 4) << 16 | uint32_t(y * 4) << 8 | 0xC0;
    }
  return p;
}

// A full-screen layer: vertical bands of varying alpha.
std::vector<uint32_t> LayerPixels() {
  std::vector<uint32_t> p(size_t(kWidth) * kHeight);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) p[size_t(y) * kWidth + x] = uint32_t(40 + (x / 8) % 80) << 24 | 0x4080C0;
  return p;
}

std::shared_ptr<TTexture> MakeTexture(const std::vector<uint32_t>& pixels, int w, int h) {
  std::shared_ptr<TTexture> t = TTexture::CreateBlank(w, h, true);
  uint32_t* to = nullptr;
  int row = 0;
  if (!t || !t->Lock(&to, &row)) return nullptr;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) to[size_t(y) * row + x] = pixels[size_t(y) * w + x];
  t->Unlock();
  return t;
}

// ---- the plain OpenGL side ------------------------------------------------------------------------

struct GlVertex {
  float x, y, u, v;
  uint32_t rgba;
};

class Baseline {
 public:
  explicit Baseline(SDL_Window* window) : mWindow(window) {}
  ~Baseline() {
    for (GLuint t : mTextures) glDeleteTextures(1, &t);
  }

  GLuint Texture(const std::vector<uint32_t>& argb, int w, int h) {
    GLuint t = 0;
    glGenTextures(1, &t);
    glBindTexture(GL_TEXTURE_2D, t);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, w, h, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, argb.data());
    mTextures.push_back(t);
    return t;
  }

  // Takes the window for a round of frames, keeping the project's GL state aside.
  void Enter() {
    mOldWindow = SDL_GL_GetCurrentWindow();
    SDL_GL_MakeCurrent(mWindow, SDL_GL_GetCurrentContext());
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &mOldFramebuffer);
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, kWidth, kHeight, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    BindWindowFramebuffer(0);
    int w = 0, h = 0;
    SDL_GL_GetDrawableSize(mWindow, &w, &h);
    glViewport(0, 0, w, h);
    glDisable(GL_SCISSOR_TEST);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_LIGHTING);
    glDisable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
  }

  void Leave() {
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glPopClientAttrib();
    glPopAttrib();
    BindWindowFramebuffer(GLuint(mOldFramebuffer));
    if (mOldWindow) SDL_GL_MakeCurrent(mOldWindow, SDL_GL_GetCurrentContext());
  }

  void Clear(int shade = 0) {
    glClearColor(0x1E / 255.f, 0x2A / 255.f, (0x38 ^ shade) / 255.f, 1);
    glClear(GL_COLOR_BUFFER_BIT);
  }

  void Quads(GLuint texture, const std::vector<GlVertex>& v) {
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(2, GL_FLOAT, sizeof(GlVertex), &v[0].x);
    glTexCoordPointer(2, GL_FLOAT, sizeof(GlVertex), &v[0].u);
    glColorPointer(4, GL_UNSIGNED_BYTE, sizeof(GlVertex), &v[0].rgba);
    glDrawArrays(GL_TRIANGLES, 0, GLsizei(v.size()));
  }

  void Lines(const std::vector<GlVertex>& v) {
    glDisable(GL_TEXTURE_2D);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(2, GL_FLOAT, sizeof(GlVertex), &v[0].x);
    glColorPointer(4, GL_UNSIGNED_BYTE, sizeof(GlVertex), &v[0].rgba);
    glDrawArrays(GL_LINES, 0, GLsizei(v.size()));
  }

  void Swap() { SDL_GL_SwapWindow(mWindow); }

 private:
  static void BindWindowFramebuffer(GLuint fb) {
    using Bind = void (*)(GLenum, GLuint);
    static Bind bind = reinterpret_cast<Bind>(SDL_GL_GetProcAddress("glBindFramebuffer"));
    if (bind) bind(GL_FRAMEBUFFER, fb);
  }

  SDL_Window* mWindow;
  SDL_Window* mOldWindow = nullptr;
  GLint mOldFramebuffer = 0;
  std::vector<GLuint> mTextures;
};

// Appends the two triangles of an axis-aligned quad centred on (x, y).
void AddQuad(std::vector<GlVertex>* out, float x, float y, float w, float h, uint32_t rgba) {
  float l = x - w / 2, t = y - h / 2, r = l + w, b = t + h;
  GlVertex a{l, t, 0, 0, rgba}, bq{r, t, 1, 0, rgba}, c{r, b, 1, 1, rgba}, d{l, b, 0, 1, rgba};
  out->insert(out->end(), {a, bq, c, a, c, d});
}

// ---- SDL's own 2D renderer, batching, in a window of its own ---------------------------------------

class SdlSide {
 public:
  SdlSide() {
    SDL_SetHint(SDL_HINT_RENDER_BATCHING, "1");
    SDL_SetHint(SDL_HINT_RENDER_DRIVER, "opengl");
    Keep keep;
    // The window a program using SDL's renderer gets: SDL's default attributes, not the ones the
    // platform asked for before.
    SDL_GL_ResetAttributes();
    mWindow = SDL_CreateWindow("render_bench sdl", 0, 0, kWidth, kHeight, SDL_WINDOW_OPENGL);
    if (mWindow) mRenderer = SDL_CreateRenderer(mWindow, -1, SDL_RENDERER_ACCELERATED);
  }
  ~SdlSide() {
    Keep keep;
    if (mTexture) SDL_DestroyTexture(mTexture);
    if (mRenderer) SDL_DestroyRenderer(mRenderer);
    if (mWindow) SDL_DestroyWindow(mWindow);
  }
  bool Ready() const { return mRenderer && mTexture; }

  void SetSprite(const std::vector<uint32_t>& argb, int size) {
    if (!mRenderer) return;
    Keep keep;
    mTexture = SDL_CreateTexture(mRenderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STATIC, size, size);
    if (!mTexture) return;
    SDL_UpdateTexture(mTexture, nullptr, argb.data(), size * 4);
    SDL_SetTextureBlendMode(mTexture, SDL_BLENDMODE_BLEND);
    SDL_SetTextureScaleMode(mTexture, SDL_ScaleModeLinear);
  }

  void Sprites(const std::vector<float>& positions, float size) {
    SDL_SetRenderDrawColor(mRenderer, 0x1E, 0x2A, 0x38, 0xFF);
    SDL_RenderClear(mRenderer);
    for (size_t i = 0; i < positions.size(); i += 2) {
      SDL_FRect r{positions[i] - size / 2, positions[i + 1] - size / 2, size, size};
      SDL_RenderCopyF(mRenderer, mTexture, nullptr, &r);
    }
    SDL_RenderPresent(mRenderer);
  }

  // SDL's renderer has a GL context of its own: the project's stays current outside its rounds.
  struct Keep {
    Keep() : window(SDL_GL_GetCurrentWindow()), context(SDL_GL_GetCurrentContext()) {}
    ~Keep() {
      if (window && context) SDL_GL_MakeCurrent(window, context);
    }
    SDL_Window* window;
    SDL_GLContext context;
  };

 private:
  SDL_Window* mWindow = nullptr;
  SDL_Renderer* mRenderer = nullptr;
  SDL_Texture* mTexture = nullptr;
};

// ---- scenes ---------------------------------------------------------------------------------------

struct Scene {
  std::string name;
  std::function<void()> project;   // one frame through the game's drawing path
  std::function<void()> baseline;  // the same frame in plain OpenGL (inside Baseline::Enter)
};

// Runs `frame` for at least `seconds`; adds the frames drawn and the time taken.
void Run(const std::function<void()>& frame, double seconds, double* frames, double* time) {
  auto start = Clock::now();
  double elapsed = 0;
  do {
    frame();
    *frames += 1;
    elapsed = std::chrono::duration<double>(Clock::now() - start).count();
  } while (elapsed < seconds);
  *time += elapsed;
}

void PumpMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

}  // namespace

int main(int argc, char** argv) {
  double seconds = argc > 1 ? std::atof(argv[1]) : 2.0;
  if (!(seconds > 0)) seconds = 2.0;
  std::string only = argc > 2 ? argv[2] : "";
  SetProcessCommandLine("");
  if (const char* log = std::getenv("RENDER_BENCH_LOG")) LogInit(log);
  auto impl = std::make_unique<TPlatformImpl>();
  impl->mClassBaseName = "zrenderbench";
  impl->mStartTime = timeGetTime();
  auto platform = std::make_unique<TPlatform>(std::move(impl));
  TPlatformImpl& pi = *platform->GetImpl();
  if (!platform->CreateMainWindow()) {
    std::fprintf(stderr, "render_bench: no main window\n");
    return 1;
  }
  ShowWindow(pi.mMainWindow, SW_SHOWNORMAL);
  SetForegroundWindow(pi.mMainWindow);
  TDxDisplayHandler* handler = TDrawContext::GetInstance()->GetDisplayHandler();
  pi.SetDisplayHandler(handler);
  handler->SetDisplay(kWidth, kHeight, false, true, false, false);
  PumpMessages();
  auto* window = static_cast<SDL_Window*>(os::sdl::MainSdlWindow());
  if (!handler->IsReady() || !window) {
    std::fprintf(stderr, "render_bench: the display did not start\n");
    return 1;
  }
  Baseline gl(window);
  windowdraw::SetHooks(TWindowDrawHooks());  // the display's own drawing

  std::vector<uint32_t> spritePixels = SpritePixels(64), layerPixels = LayerPixels();
  std::shared_ptr<TTexture> sprite = MakeTexture(spritePixels, 64, 64);
  std::shared_ptr<TTexture> layer = MakeTexture(layerPixels, kWidth, kHeight);
  if (!sprite || !layer) {
    std::fprintf(stderr, "render_bench: textures could not be made\n");
    return 1;
  }
  gl.Enter();
  GLuint glSprite = gl.Texture(spritePixels, 64, 64), glLayer = gl.Texture(layerPixels, kWidth, kHeight);
  gl.Leave();

  auto frame = [&](const std::function<void()>& body) {
    if (!windowdraw::BeginDraw()) return;
    windowdraw::FillRect(TRect(0, 0, kWidth, kHeight), TVec4(0x1E / 255.f, 0x2A / 255.f, 0x38 / 255.f, 1));
    body();
    windowdraw::EndDraw();
  };

  std::vector<Scene> scenes;
  // Two shades in turn: presenting an unchanged frame again is skipped, which would measure nothing.
  int shade = 0;
  scenes.push_back({"empty", [&] { handler->PresentFrame(kBackground ^ (++shade & 1)); },
                    [&] {
                      gl.Clear(++shade & 1);
                      gl.Swap();
                    }});
  auto sdlSide = std::make_unique<SdlSide>();
  SdlSide& sdl = *sdlSide;
  std::map<std::string, std::function<void()>> sdlScenes;  // the same frames through SDL's renderer
  sdl.SetSprite(spritePixels, 64);
  if (!sdl.Ready()) std::fprintf(stderr, "render_bench: SDL's renderer did not start: %s\n", SDL_GetError());
  for (int count : {1000, 5000, 20000}) {
    auto positions = std::make_shared<std::vector<float>>();
    Lcg rng;
    for (int i = 0; i < count; ++i) {
      positions->push_back(rng.Next(kWidth));
      positions->push_back(rng.Next(kHeight));
    }
    auto vertices = std::make_shared<std::vector<GlVertex>>();
    scenes.push_back({"sprites" + std::to_string(count),
                      [&, positions] {
                        frame([&] {
                          for (size_t i = 0; i < positions->size(); i += 2)
                            sprite->DrawAt((*positions)[i], (*positions)[i + 1], 1.0f, 1.0f, 0.0f, 0);
                        });
                      },
                      [&, positions, vertices] {
                        gl.Clear();
                        vertices->clear();
                        for (size_t i = 0; i < positions->size(); i += 2)
                          AddQuad(vertices.get(), (*positions)[i], (*positions)[i + 1], 64, 64, 0xFFFFFFFFu);
                        gl.Quads(glSprite, *vertices);
                        gl.Swap();
                      }});
    if (sdl.Ready() && count <= 5000) sdlScenes[scenes.back().name] = [&, positions] { sdl.Sprites(*positions, 64); };
  }
  auto layerVertices = std::make_shared<std::vector<GlVertex>>();
  scenes.push_back({"layers4",
                    [&] {
                      frame([&] {
                        for (int i = 0; i < 4; ++i) layer->DrawAt(kWidth / 2.0f, kHeight / 2.0f, 1.0f, 1.0f, 0.0f, 0);
                      });
                    },
                    [&, layerVertices] {
                      gl.Clear();
                      layerVertices->clear();
                      for (int i = 0; i < 4; ++i) AddQuad(layerVertices.get(), kWidth / 2.0f, kHeight / 2.0f, kWidth, kHeight, 0xFFFFFFFFu);
                      gl.Quads(glLayer, *layerVertices);
                      gl.Swap();
                    }});

  // The text window: markup text filling the screen, drawn through the display's line lists. The
  // baseline draws the lines the window produced, as one array.
  std::string markup;
  for (int i = 0; i < 60; ++i)
    markup += "The <b>harrow</b> mere lies <i>still</i> under the <font color='#ffcc40'>tallow moon</font>; "
              "count the reeds and mark the stones. ";
  auto text = std::make_shared<TText>();
  const float white[4] = {1, 1, 1, 1};
  bool textReady = text->Setup(markup.c_str(), kWidth, kHeight, 0, "__DEFAULT", 16, white);
  auto textLines = std::make_shared<std::vector<GlVertex>>();
  TVxMiniVecDraw::LineSink drawSink = MakeDrawContextLineSink();
  text->GetRasteriser().SetLineSink([drawSink, textLines](const TVxLineVertex* v, int count) {
    if (textLines->size() < 4u << 20)
      for (int i = 0; i + 1 < count; i += 2)
        for (int k = 0; k < 2; ++k) {
          uint32_t c = v[i + k].color;  // ARGB to bytes R, G, B, A
          uint32_t rgba = (c >> 16 & 0xFF) | (c & 0xFF00) | (c & 0xFF) << 16 | (c & 0xFF000000u);
          textLines->push_back(GlVertex{v[i + k].x, v[i + k].y, 0, 0, rgba});
        }
    drawSink(v, count);
  });
  if (textReady) {
    frame([&] { text->Draw(); });  // the first frame records the lines for the baseline
    auto recorded = std::make_shared<std::vector<GlVertex>>(*textLines);
    text->GetRasteriser().SetLineSink(drawSink);
    scenes.push_back({"text", [&] { frame([&] { text->Draw(); }); },
                      [&, recorded] {
                        gl.Clear();
                        if (!recorded->empty()) gl.Lines(*recorded);
                        gl.Swap();
                      }});
  } else {
    std::fprintf(stderr, "render_bench: the text window could not be set up\n");
  }

  double logSum = 0;
  int measured = 0;
  constexpr int kRounds = 4;
  for (const Scene& s : scenes) {
    if (!only.empty() && s.name != only) continue;
    // Warm both sides up, then alternate rounds.
    s.project();
    gl.Enter();
    s.baseline();
    gl.Leave();
    std::function<void()> sdlFrame = sdlScenes.count(s.name) ? sdlScenes[s.name] : nullptr;
    if (sdlFrame) {
      SdlSide::Keep keep;
      sdlFrame();
    }
    double projectFrames = 0, projectTime = 0, baseFrames = 0, baseTime = 0, sdlFrames = 0, sdlTime = 0;
    long draws = 0;
    for (int round = 0; round < kRounds; ++round) {
      double slice = seconds / kRounds;
      long drawsBefore = os::TestDrawCallCount();
      Run(s.project, slice, &projectFrames, &projectTime);
      draws += os::TestDrawCallCount() - drawsBefore;
      PumpMessages();
      gl.Enter();
      Run(s.baseline, slice, &baseFrames, &baseTime);
      gl.Leave();
      if (sdlFrame) {
        SdlSide::Keep keep;
        Run(sdlFrame, slice, &sdlFrames, &sdlTime);
      }
      PumpMessages();
    }
    double f = projectFrames / projectTime, b = baseFrames / baseTime, ratio = b > 0 ? f / b : 0;
    std::printf("render %s project_fps=%.1f baseline_fps=%.1f ratio=%.3f gl_draws_per_frame=%.1f", s.name.c_str(), f, b,
                ratio, projectFrames > 0 ? double(draws) / projectFrames : 0.0);
    if (sdlFrame && sdlTime > 0) {
      double sf = sdlFrames / sdlTime;
      std::printf(" sdl_renderer_fps=%.1f ratio_to_sdl=%.3f", sf, sf > 0 ? f / sf : 0.0);
    }
    std::printf("\n");
    std::fflush(stdout);
    if (ratio > 0) {
      logSum += std::log(ratio);
      ++measured;
    }
  }
  std::printf("render geomean_ratio=%.3f\n", measured ? std::exp(logSum / measured) : 0.0);

  scenes.clear();
  sdlScenes.clear();
  sdlSide.reset();
  text.reset();
  sprite.reset();
  layer.reset();
  TDrawContext::DestroyInstance();
  platform.reset();
  return 0;
}
