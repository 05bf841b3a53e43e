// Layered windows: children sorted into layers, one layer shown at a time.
#include "ui/layeredwindow.h"

#include <algorithm>

TLayeredWindow::TLayeredWindow(uint32_t layerCount) : mLayers(layerCount) {}

TLayeredWindow::~TLayeredWindow() = default;

bool TLayeredWindow::AddChild(TWindow* child, bool activate) {
  if (!TWindow::AddChild(child, activate)) return false;
  if (mCurrentLayer == kAllLayers) {
    for (auto& layer : mLayers) layer.push_front(child);
  } else if (static_cast<size_t>(mCurrentLayer) < mLayers.size()) {
    mLayers[static_cast<size_t>(mCurrentLayer)].push_front(child);
  }
  return true;
}

void TLayeredWindow::RemoveChild(TWindow* child) {
  TWindow::RemoveChild(child);
  for (auto& layer : mLayers) {
    auto it = std::find(layer.begin(), layer.end(), child);
    if (it != layer.end()) layer.erase(it);
  }
}

void TLayeredWindow::ShowLayer(int32_t index) {
  if (index == mCurrentLayer) return;
  mCurrentLayer = index;
  TWindowClearFlags hide(~static_cast<uint32_t>(kWindowVisible), false);
  VisitChildren(hide);
  size_t shown = index == kAllLayers ? 0 : static_cast<size_t>(index);
  if (shown >= mLayers.size()) return;  // an unknown layer leaves everything hidden
  for (TWindow* window : mLayers[shown]) window->SetFlags(window->GetFlags() | kWindowVisible);
}
