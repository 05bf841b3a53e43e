// The diary window's page layout and page turning, and the diary's measure of entries.
#include "shell/diarywindow.h"

#include <algorithm>

#include "platform/platform.h"
#include "core/stringtable.h"
#include "render/texture.h"
#include "shell/scenetext.h"
#include "ui/image.h"
#include "ui/message.h"
#include "ui/text.h"
#include "ui/windowmanager.h"

namespace {

constexpr int32_t kParked = -2000;

TString Composed(const std::string& labels) {
  TPlatform* platform = TPlatform::GetInstance();
  TStringTable* table = platform ? platform->GetStringTable() : nullptr;
  return table ? TString(TDiary::ComposeText(*table, labels).c_str()) : TString(labels.c_str());
}

void Colour(const TDiaryItem& item, float out[4]) {
  out[0] = item.red / 255.0f;
  out[1] = item.green / 255.0f;
  out[2] = item.blue / 255.0f;
  out[3] = item.alpha / 255.0f;
}

}  // namespace

int32_t MeasureDiaryEntry(const TDiaryEntry& entry, int32_t width, int32_t heightLimit) {
  if (entry.kind == kDiaryImage) {
    std::shared_ptr<TTexture> texture = TTexture::Get(entry.text.c_str(), 0);
    return texture ? texture->GetHeight() : 0;
  }
  if (entry.kind != kDiaryText || width <= 0 || heightLimit <= 0) return 0;
  const float colour[4] = {entry.red / 255.0f, entry.green / 255.0f, entry.blue / 255.0f, entry.alpha / 255.0f};
  TText probe(false);
  if (!probe.Setup(Composed(entry.text), width, heightLimit, 0, entry.font.c_str(), entry.size, colour)) return 0;
  const TRect extent = probe.GetTextExtent();
  return std::min(heightLimit, std::max(0, extent.bottom - extent.top));
}

void InstallDiaryMeasure() {
  TDiary::SetDefaultMeasure(&MeasureDiaryEntry);
  // A profile chosen before the window types were registered already has its diary.
  if (TDiary* diary = TDiary::GetInstance()) diary->SetMeasure(&MeasureDiaryEntry);
}

TDiaryWindow::~TDiaryWindow() = default;

void TDiaryWindow::PostCreate(TWindowStyle& style) {
  TWindow::PostCreate(style);
  ClearPage();
  LayOutPage();
}

void TDiaryWindow::ClearPage() {
  for (TWindow* window : mPageWindows) {
    RemoveChild(window);
    delete window;
  }
  mPageWindows.clear();
  for (const char* button : {"goBack", "goForward"})
    if (TWindow* w = FindChild(button, -1)) w->MoveTo(kParked, kParked);
}

void TDiaryWindow::LayOutPage() {
  TDiary* diary = TDiary::GetInstance();
  if (!diary) return;
  const uint32_t watched = diary->GetCurrentWatchedSite();
  const uint32_t areas = static_cast<uint32_t>(std::max(diary->GetAreaCount(), 0));
  for (int32_t i = 0; i < diary->GetItemCount(); ++i) {
    const TDiaryItem* item = diary->GetItem(i);
    if (!item || item->site < 0) continue;
    const uint32_t site = static_cast<uint32_t>(item->site);
    if (site < watched || site >= watched + areas) continue;
    TWindow* window = nullptr;
    if (item->kind == kDiaryImage) {
      auto* image = new TImage(false);
      std::shared_ptr<TTexture> texture = TTexture::Get(item->text.c_str(), 0);
      image->SetTexture(texture, 1.0f);
      if (texture) image->SetSize(texture->GetWidth(), texture->GetHeight());
      window = image;
    } else if (item->kind == kDiaryText) {
      float colour[4];
      Colour(*item, colour);
      window = scenetext::Make("", Composed(item->text), item->width, item->height, 0, item->font.c_str(), item->size,
                               colour, 1000);
    }
    if (!window) continue;
    window->MoveTo(item->x, item->y);
    AddChild(window, false);
    mPageWindows.push_back(window);
  }
  if (watched >= areas && areas > 0)
    if (TWindow* back = FindChild("goBack", -1)) back->MoveTo(diary->GetGoBackButtonPosition().x, diary->GetGoBackButtonPosition().y);
  if (diary->GetCurrentInsertSite() >= watched + areas)
    if (TWindow* forward = FindChild("goForward", -1))
      forward->MoveTo(diary->GetGoForwardButtonPosition().x, diary->GetGoForwardButtonPosition().y);
}

bool TDiaryWindow::OnMessage(TMessage& message) {
  if (message.GetType() != kButtonPress) return false;
  const bool back = message.GetName() == "goBack";
  if (!back && message.GetName() != "goForward") return false;
  if (TWindowManager* manager = GetWindowManager()) manager->DoScriptString(this, "PlaySoundSFX('audio/sfx/umblaettern.ogg')");
  if (TDiary* diary = TDiary::GetInstance()) {
    if (back)
      diary->PageBack();
    else
      diary->PageForward();
  }
  ClearPage();
  LayOutPage();
  return true;
}
