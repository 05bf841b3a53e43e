// The text window: style reading, set-up, drawing through the text layout, scrolling by lines and
// links that press buttons.
#include "ui/text.h"

#include <cmath>
#include <cstring>

#include "core/log.h"
#include "core/stringtable.h"
#include "platform/platform.h"
#include "ui/modalwindow.h"
#include "ui/vectorfont.h"
#include "ui/windowdraw.h"
#include "ui/windowmanager.h"
#include "ui/windowstyle.h"

namespace {
TVxMiniVecDraw::LineSink& DefaultSink() {
  static TVxMiniVecDraw::LineSink sink;
  return sink;
}
struct SpanOffsets {
  bool set = false;
  float start = 0, end = 0, y = 0;
};
SpanOffsets& DefaultOffsets() {
  static SpanOffsets offsets;
  return offsets;
}
TText::TLinkCommandRunner& LinkRunner() {
  static TText::TLinkCommandRunner runner;
  return runner;
}
}  // namespace

TText::TText(bool redrawWithParent) {
  if (redrawWithParent) mFlags |= kWindowRedrawWithParent;
  if (DefaultSink()) mDraw.SetLineSink(DefaultSink());
  if (DefaultOffsets().set) mDraw.SetSpanOffsets(DefaultOffsets().start, DefaultOffsets().end, DefaultOffsets().y);
}

TText::~TText() {
  // Tracking lists keep raw pointers; the base destructor clears the manager's references.
}

void TText::SetDefaultLineSink(TVxMiniVecDraw::LineSink sink) { DefaultSink() = std::move(sink); }

void TText::SetDefaultSpanOffsets(float start, float end, float y) { DefaultOffsets() = {true, start, end, y}; }
const TVxMiniVecDraw::LineSink& TText::GetDefaultLineSink() { return DefaultSink(); }

bool& TText::DrawCaching() {
  static bool on = true;
  return on;
}

bool& TText::LabelTranslation() {
  static bool on = true;
  return on;
}

void TText::SetLinkCommandRunner(TLinkCommandRunner runner) { LinkRunner() = std::move(runner); }

TString TText::TranslateLabel(const TString& label) {
  if (!LabelTranslation() || label.IsEmpty()) return label;
  if (label.CharAt(0) == '#') return label.SubString(1);
  if (std::strspn(label.CStr(), "0123456789.") == static_cast<size_t>(label.Length())) return label;
  TPlatform* platform = TPlatform::GetInstance();
  TStringTable* table = platform ? platform->GetStringTable() : nullptr;
  return table ? table->GetString(label) : label;
}

void TText::Init(TWindowStyle& style) {
  TString face = kDefaultFontName;
  int32_t size = 16;
  TVec4 colour(1, 1, 1, 1);
  if (auto font = style.GetTable("font")) {
    face = font->GetStringAt(1, face);
    size = static_cast<int32_t>(font->GetNumberAt(2, size));
    if (size == 0) size = 12;
    colour = font->GetQuadAt(3, colour);
  }
  TString name = style.GetString("name", TString());
  TString label = TranslateLabel(style.GetString("label", TString()));
  int32_t defFlags = static_cast<int32_t>(style.GetNumber("defflags", 0));
  int32_t flags = static_cast<int32_t>(style.GetNumber("flags", defFlags));
  mLineSpacing = static_cast<int32_t>(style.GetNumber("padding", 0));
  float rotation = static_cast<float>(style.GetNumber("rotation", 0));
  int32_t originX = static_cast<int32_t>(style.GetNumber("rotationOriginX", 0));
  int32_t originY = static_cast<int32_t>(style.GetNumber("rotationOriginY", 0));
  int32_t align = static_cast<int32_t>(style.GetNumber("rotationAlign", 0));

  TWindow::Init(style);

  if (GetWidth() == 0 || GetHeight() == 0) {
    LogPrintf("ERROR: Attempting to create text window of size(0,0): named '%s', label '%s'\n", name.CStr(),
              label.CStr());
    return;
  }
  const float c[4] = {colour.x, colour.y, colour.z, colour.w};
  Setup(label, GetWidth(), GetHeight(), flags, face, size, c);
  if (rotation != 0) {
    // The origin is placed against the window's own size as a position is against its parent's.
    auto place = [](int32_t origin, int32_t extent, bool centre, bool far) {
      if (centre) return extent / 2 + origin;
      if (far) return extent - origin;
      return origin;
    };
    float ox = static_cast<float>(place(originX, GetWidth(), align & 1, align & 2));
    float oy = static_cast<float>(place(originY, GetHeight(), align & 4, align & 8));
    SetRotation(rotation, ox, oy);
  }
}

bool TText::Setup(const TString& text, int32_t width, int32_t height, int32_t flags, const TString& font,
                  int32_t size, const float colour[4]) {
  if (width == 0 || height == 0) return false;
  mCache.Clear();
  mLayout = TTextLayout::Create(TString(), width, height, flags, font, size, colour);
  if (!mLayout) return false;
  std::memcpy(mColour, colour, sizeof(mColour));
  SetSize(width, height);
  SetText(text);
  return true;
}

void TText::SetText(const TString& text) {
  if (!mLayout || mLayout->GetText() == text) return;
  if (!mLayout->GetText().IsEmpty()) GetWindowManager()->Invalidate();
  mLayout->SetText(text);
}

TString TText::GetText() const { return mLayout ? mLayout->GetText() : TString(); }

void TText::SetColor(const float colour[4]) {
  if (!mLayout || std::memcmp(colour, mColour, sizeof(mColour)) == 0) return;
  std::memcpy(mColour, colour, sizeof(mColour));
  mLayout->SetColor(colour);
  GetWindowManager()->Invalidate();
}

void TText::SetRotation(float degrees, float originX, float originY) {
  if (mLayout) mLayout->SetRotation(degrees, originX, originY);
}

TRect TText::GetTextExtent() const { return mLayout ? mLayout->GetExtent(1.0f) : TRect(); }

int32_t TText::GetLineCount() const { return mLayout ? static_cast<int32_t>(mLayout->GetLines().size()) : 0; }

void TText::Draw() {
  if (!mLayout) return;
  // The lines go to the screen: outlines are only scanned where they can show on it.
  const TRect screen = windowdraw::GetViewportRect();
  if (screen.right > 0 && screen.bottom > 0)
    mDraw.SetClip(screen.left, screen.top, screen.right, screen.bottom);
  else
    mDraw.ClearClip();
  auto fresh = [this] {
    mLayout->Draw(mDraw, GetClientRect(), mDrawScale, mLineSpacing, mAlpha, nullptr);
    mDraw.Flush();
  };
  if (!DrawCaching()) {
    mCache.Clear();
    fresh();
    return;
  }
  const TTextDrawKey key{mLayout->GetGeneration(), GetClientRect(), mDrawScale, mAlpha, TTextLayout::GetScreenScale(),
                         mLineSpacing};
  mCache.Draw(key, mDraw, fresh);
}

void TText::ScrollTo(int32_t x) {
  if (!mLayout) return;
  const auto& lines = mLayout->GetLines();
  // The last page: the longest run of trailing lines that fits in the box.
  int32_t first = static_cast<int32_t>(lines.size());
  float used = 0;
  while (first > 0) {
    float h = static_cast<float>(lines[first - 1]->height) * mDrawScale + static_cast<float>(mLineSpacing);
    if (used + h > static_cast<float>(GetHeight())) break;
    used += h;
    --first;
  }
  float position = (static_cast<float>(first) + mScrollBias) * static_cast<float>(x);
  if (position == mScroll) return;
  mScroll = position;
  mLayout->SetScroll(position);
  GetWindowManager()->Invalidate();
}

bool TText::OnMouseDown(TPoint point) {
  if (!mLayout) return false;
  mPressedLink = mLayout->GetLinkAt(point.x, point.y, mLineSpacing);
  return !mPressedLink.IsEmpty();
}

bool TText::OnMouseMove(TPoint point) {
  if (!mLayout) return false;
  if (!mLayout->UpdateHoverLink(std::make_pair(point.x, point.y), mLineSpacing)) return false;
  GetWindowManager()->Invalidate();
  GetWindowManager()->TrackMouse(this);
  return true;
}

bool TText::OnMouseLeave() {
  if (mLayout) mLayout->UpdateHoverLink(std::nullopt, mLineSpacing);
  GetWindowManager()->Invalidate();
  GetWindowManager()->StopTrackingMouse(this);
  return true;
}

bool TText::OnMouseUp(TPoint point) {
  if (mPressedLink.IsEmpty()) return false;
  TString pressed = mPressedLink;
  mPressedLink = TString();
  if (!mLayout || !(mLayout->GetLinkAt(point.x, point.y, mLineSpacing) == pressed)) return true;
  TWindow* modal = GetModalParent();
  TWindow* target = modal ? modal->FindChild(pressed, -1) : nullptr;
  if (!target) {
    LogPrintf("ERROR: Command window %s not found\n", pressed.CStr());
  } else if (!LinkRunner() || !LinkRunner()(target)) {
    LogPrintf("ERROR: Command window %s not a derived class of TButton\n", pressed.CStr());
  }
  return true;
}
