// The cross-promotion window (see xsellwindow.h).
#include "ui/xsellwindow.h"

#include <algorithm>

#include "render/texture.h"
#include "ui/windowscript.h"
#include "ui/image.h"
#include "ui/text.h"
#include "ui/windowmanager.h"
#include "ui/windowstyle.h"

namespace {
constexpr int kWindowCount = 8;  // the layout offers eight description and button windows

void SetTextOf(TWindow* window, const TString& text) {
  if (TText* textWindow = KindCast<TText>(window)) textWindow->SetText(text);
}

void Hide(TWindow* window) {
  if (window) window->Show(false);
}
}  // namespace

TXSellWindow::TXSellWindow() {
  TWindowManager* manager = GetWindowManager();
  TWindowScript* script = manager ? manager->GetWindowScript() : nullptr;
  if (!script) return;
  lua_State* L = script->GetState();
  mBindings.Bind(L, "SetupXSell", this, &TXSellWindow::SetupXSell);
  mBindings.Bind(L, "LaunchGameLink", this, &TXSellWindow::LaunchGameLink);
}

TXSellWindow::~TXSellWindow() = default;

void TXSellWindow::Init(TWindowStyle& style) {
  TWindow::Init(style);
  mFile = style.GetString("config", mFile);
  mAutoExpand = style.GetBool("autoexpand", mAutoExpand);
}

TWindow* TXSellWindow::Child(const char* format, int number) {
  return FindChild(TString::Format(format, number), -1);
}

void TXSellWindow::SetupXSell() {
  TXSellData data;
  if (!LoadXSellData(mFile, &data)) return;
  int count = static_cast<int>(data.games.size());
  for (int n = 1; n <= count; ++n)
    SetTextOf(Child("descrip%d", n), XSellDescriptionText(data.games[static_cast<size_t>(n - 1)], n));
  mLinks.Set(data);
  if (!data.hasSiteLink) Hide(Child("gamesite"));
  if (data.hasCenterText) {
    SetTextOf(Child("centertext1"), data.centerText1);
    SetTextOf(Child("centertext2"), data.centerText2);
  }
  for (int n = count + 1; n <= kWindowCount; ++n) {
    Hide(Child("descrip%d", n));
    Hide(Child("xsellbutton%d", n));
  }
  if (!mAutoExpand) return;
  for (int n = 1; n <= TXSellData::kMaxGames; ++n) FitToContent(Child("xsellbutton%d", n));
  for (const char* name : {"sitelogo", "brisklumelogo", "gamesite"}) FitToContent(Child(name));
}

// The window takes the size of what it shows (its text, its image, or the box around its
// children), keeping its centre where it was.
void TXSellWindow::FitToContent(TWindow* window) {
  if (!window) return;
  int32_t width = 0, height = 0;
  if (TText* text = KindCast<TText>(window)) {
    TRect extent = text->GetTextExtent();
    width = extent.right - extent.left;
    height = extent.bottom - extent.top;
  } else if (TImage* image = KindCast<TImage>(window); image && image->GetTexture()) {
    width = static_cast<int32_t>(image->GetTexture()->GetWidth() * image->GetScale() + 0.5f);
    height = static_cast<int32_t>(image->GetTexture()->GetHeight() * image->GetScale() + 0.5f);
  } else {
    bool any = false;
    TRect box;
    for (TWindow* child : window->GetChildren()) {
      const TRect& r = child->GetRect();
      if (!any) box = r;
      else box.Union(box, r);
      any = true;
    }
    width = box.right - box.left;
    height = box.bottom - box.top;
  }
  if (width <= 0 || height <= 0) return;  // nothing to measure: the layout's size stays
  const TRect& rect = window->GetRect();
  int32_t centreX = (rect.left + rect.right) / 2, centreY = (rect.top + rect.bottom) / 2;
  window->SetSize(width, height);
  window->MoveTo(centreX - width / 2, centreY - height / 2);
}

bool TXSellWindow::LaunchGameLink(int32_t index) { return mLinks.Launch(index); }
