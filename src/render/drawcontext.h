// The drawing context: the one object through which the framework draws. A state-checking facade
// over the display back end: the draw brackets (a frame or render target, and inside it a 2D or 3D
// block), the bound texture, the clip-rectangle stack, the frame-rate measurement and the debug
// overlay. Misuse of the brackets logs a fixed line and does nothing; nothing here throws.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "core/math.h"
#include "core/rect.h"
#include "core/string.h"

class TTexture;
class TDxDisplayHandler;

// The one vertex layout the framework builds (32 bytes): position, w (the reciprocal of the
// homogeneous w when pre-transformed), diffuse and specular ARGB, texture coordinates.
struct TTransformedVertex {
  float x = 0, y = 0, z = 0, w = 0;
  uint32_t diffuse = 0;
  uint32_t specular = 0;
  float u = 0, v = 0;
};
static_assert(sizeof(TTransformedVertex) == 32);

// Handle of vertices for the draw calls: format 2 is drawn in pixels through the 2D projection,
// format 3 is pre-transformed screen coordinates, formats other than 1 to 3 are lit 3D vertices.
struct TVertexSet {
  int32_t mFormat = 2;
  const TTransformedVertex* mVertices = nullptr;  // not owned
  int32_t mCount = 0;
  TVertexSet(const TTransformedVertex* vertices, int32_t count) : mVertices(vertices), mCount(count) {}
  TVertexSet(int32_t format, const TTransformedVertex* vertices, int32_t count)
      : mFormat(format), mVertices(vertices), mCount(count) {}
  // Format 3: vertices already in screen coordinates.
  static TVertexSet Pretransformed(const TTransformedVertex* vertices, int32_t count) { return {3, vertices, count}; }
};

// Four vertices of a quad: each corner (updated in place) is transformed by the matrix and moved
// by the offset; alpha is clamped to 0..255, colour components keep the low byte of component x 255.
void BuildQuadVertices(TTransformedVertex out[4], const TVec2& offset, TVec2 corners[4], const TVec2& uvTopLeft,
                       const TVec2& uvBottomRight, const TMat3& transform, float alpha, float red, float green,
                       float blue);

class TDrawContext {
 public:
  TDrawContext();
  ~TDrawContext();
  TDrawContext(const TDrawContext&) = delete;
  TDrawContext& operator=(const TDrawContext&) = delete;

  static TDrawContext* GetInstance();  // made on first use, with its display handler
  static TDrawContext* Find();         // the instance, or null (nothing is made)
  static void DestroyInstance();
  // The process's display handler, made with the context.
  TDxDisplayHandler* GetDisplayHandler() const { return mHandler.get(); }

  bool BeginDraw(int prepare);
  int32_t EndDraw(int present);
  bool BeginRenderTarget(const std::shared_ptr<TTexture>& target, int mode = 0);
  void EndRenderTarget();
  bool Begin2d();
  bool Begin3d();
  void End2d();
  void End3d();
  bool IsIn2d() const { return mIn2d; }
  bool IsIn3d() const { return mIn3d; }
  bool IsDrawing() const { return mDrawing || mRenderTarget; }
  void DrawVertices(int primitive, const TVertexSet& set);
  void DrawIndexedVertices(int primitive, const TVertexSet& set, const uint16_t* indices, int count);
  void SetTexture(const std::shared_ptr<TTexture>& texture);
  std::shared_ptr<TTexture> GetTexture() const { return mTexture; }
  void SetBlendMode(int kind);
  int GetBlendMode() const;   // -1 until one is set
  void SetCullMode(int kind);
  void SetTextureFilter(int filter);
  void GetViewport(int32_t* left, int32_t* top, int32_t* right, int32_t* bottom) const;
  void SetViewport(const TRect& viewport);
  void PopViewport();
  void PushClipRect(const TRect& clip);
  void PopClipRect();
  TRect GetClipRect() const;
  // Fills a rectangle of the screen, or of the target texture when given, with a colour
  // (red, green, blue, alpha 0..1).
  bool DrawTextureRect(const TRect& rect, const TVec4& color, const std::shared_ptr<TTexture>& target);
  void SetRenderOption(const TString& name, const TString& value);
  TString GetRenderOption(const TString& name) const;
  void SetOption(const TString& name, const TString& value) { SetRenderOption(name, value); }
  // Flips the debug overlay and answers the new state (Alt+F1).
  bool ToggleDebugOverlay() { return mDebugOverlay = !mDebugOverlay; }
  bool IsDebugOverlayOn() const { return mDebugOverlay; }
  bool NeedsSquareTextures() const;
  float GetFramesPerSecond() const { return mFramesPerSecond; }
  // The overlay's text as last composed.
  const TString& GetOverlayText() const { return mOverlayText; }
  // Draws the overlay's marked-up text into a box (the text system installs it; without one the
  // overlay shows only its backing).
  using TOverlayTextDrawer = std::function<void(const TString& text, const TRect& box)>;
  static void SetOverlayTextDrawer(TOverlayTextDrawer drawer);

  // Size of the game's view in pixels: the display's once it is set up, else what was set here.
  void GetViewport(int32_t* width, int32_t* height) const;
  void SetViewport(int32_t width, int32_t height) {
    mViewportWidth = width;
    mViewportHeight = height;
  }

 private:
  void MeasureFrameRate();
  void DrawOverlay();
  // The program's version text for the overlay: the platform's, else the one the build embedded.
  static TString OverlayVersion();

  std::unique_ptr<TDxDisplayHandler> mHandler;
  int32_t mFrameIndex = 0;
  float mFramesPerSecond = 0.0f;
  uint32_t mFrameStamps[15] = {};
  bool mDebugOverlay = false;
  TString mOverlayText;
  std::shared_ptr<TTexture> mTexture;
  std::vector<TRect> mClipRects;
  bool mIn2d = false;
  bool mIn3d = false;
  bool mDrawing = false;
  bool mRenderTarget = false;
  int32_t mViewportWidth = 800;
  int32_t mViewportHeight = 600;
};
