// A window whose children are sorted into layers, one of which is shown at a time. Buttons keep
// their state images as layers. A child may belong to several layers; layer -1 means all of them.
#pragma once
#include <list>
#include <vector>

#include "ui/window.h"

constexpr int32_t kAllLayers = -1;

class TLayeredWindow : public TWindow {
  TM_CLASS(TLayeredWindow, TWindow)

 public:
  explicit TLayeredWindow(uint32_t layerCount);
  ~TLayeredWindow() override;

  // Joins the child to the current layer (to every layer while the current one is kAllLayers).
  bool AddChild(TWindow* child, bool activate) override;
  void RemoveChild(TWindow* child) override;

  // Hides every direct child, then shows the windows of the layer (of layer 0 for kAllLayers).
  void ShowLayer(int32_t index);
  int32_t GetCurrentLayer() const { return mCurrentLayer; }
  uint32_t GetLayerCount() const { return static_cast<uint32_t>(mLayers.size()); }
  const std::list<TWindow*>& GetLayer(uint32_t index) const { return mLayers[index]; }

 private:
  int32_t mCurrentLayer = 0;
  std::vector<std::list<TWindow*>> mLayers;  // not owning
};
