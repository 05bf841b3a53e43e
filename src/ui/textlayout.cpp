// Line layout of marked-up text: runs are measured in quarter-pixels, lines break at the most
// recent blank or soft hyphen (else between characters) when the pen passes the box width, and the
// drawing pass hands every glyph, underline and cursor to the outline rasteriser.
#include "ui/textlayout.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>

#include "core/config.h"
#include "core/log.h"
#include "platform/platform.h"
#include "platform/platformimpl.h"
#include "render/vxminivecdraw.h"
#include "ui/vectorfont.h"

namespace {

constexpr uint32_t kSoftHyphen = 173;

// One character by its lead byte: bytes below 0xC0 stand for themselves (stray continuation bytes
// included); longer sequences stop at a byte that does not continue them, never past the NUL.
uint32_t DecodeChar(const char* p, int* consumed) {
  unsigned char c = static_cast<unsigned char>(*p);
  if (c < 0xC0) {
    *consumed = 1;
    return c;
  }
  uint32_t code = Utf8Decode(p, consumed);
  if (*consumed < 1) *consumed = 1;
  return code;
}

// The character at text[pos] with the backslash rule; `next` is the byte after it.
uint32_t ReadChar(const char* text, int pos, int* next) {
  if (text[pos] == '\\' && text[pos + 1]) ++pos;
  int n = 1;
  uint32_t code = DecodeChar(text + pos, &n);
  *next = pos + n;
  return code;
}

uint32_t PackColor(const float c[4], float alpha) {
  auto byte = [](float v) { return uint32_t(std::clamp(int(std::lround(v * 255.0f)), 0, 255)); };
  return byte(c[3] * alpha) << 24 | byte(c[0]) << 16 | byte(c[1]) << 8 | byte(c[2]);
}

}  // namespace

void TTextLayout::Changed() {
  // Numbers from one counter: a layout made where another was freed never takes up its number.
  static std::atomic<uint64_t> counter{0};
  mGeneration = ++counter;
}

std::unique_ptr<TTextLayout> TTextLayout::Create(const TString& text, int boxWidth, int boxHeight, int alignment,
                                                 const TString& fontName, int fontSize, const float color[4]) {
  std::unique_ptr<TTextLayout> layout(new TTextLayout());
  layout->mBoxWidth = boxWidth;
  layout->mBoxHeight = boxHeight;
  layout->mAlignment = alignment;
  layout->mSpriteRender = GetConfig("textspriterender", "0").ToInt() > 0;
  layout->mFontName = fontName.IsEmpty() ? TString(kDefaultFontName) : fontName;
  layout->mFontSize = fontSize;
  if (color) std::memcpy(layout->mColor, color, sizeof layout->mColor);
  layout->mText = text;
  layout->Layout();
  return layout;
}

void TTextLayout::SetText(const TString& text) {
  if (text == mText) return;
  mText = text;
  Layout();
}

void TTextLayout::SetFont(const TString& name) {
  TString wanted = name.IsEmpty() ? TString(kDefaultFontName) : name;
  if (wanted == mFontName) return;
  mFontName = wanted;
  Layout();
}

void TTextLayout::SetFontSize(int size) {
  if (size == mFontSize) return;
  mFontSize = size;
  Layout();
}

void TTextLayout::SetColor(const float color[4]) {
  if (std::memcmp(color, mColor, sizeof mColor) == 0) return;
  std::memcpy(mColor, color, sizeof mColor);
  Layout();
}

void TTextLayout::SetRotation(float degrees, float originX, float originY) {
  float angle = degrees * 3.14159265358979f / 180.0f;
  mCos = std::cos(angle);
  mSin = std::sin(angle);
  if (std::fabs(mCos - 1) < 0.0001f && std::fabs(mSin) < 0.0001f) mCos = 1, mSin = 0;
  mOriginX = originX;
  mOriginY = originY;
  Layout();
}

void TTextLayout::SetScroll(float lines) {
  mScroll = lines;
  Changed();
}

void TTextLayout::SetSwitches(bool replace, bool blendAlpha) {
  mReplace = replace;
  mBlendAlpha = blendAlpha;
  Changed();
}

void TTextLayout::Layout() {
  Changed();
  mLines.clear();
  mTotalHeight = 0;
  mMarkup.Reset();
  TFontStackEntry& base = mMarkup.Entry(0);
  base.face = mFontName;
  base.size = std::min(mFontSize, TMarkupState::kMaxFontSize);  // a window style's size, cut like markup's
  std::memcpy(base.color, mColor, sizeof mColor);
  std::memcpy(mMarkup.mCurrentColor, mColor, sizeof mColor);
  TVectorFont* defaultFont = FindFont(kDefaultFontFile);
  const bool legacyWrap = GetLegacyLineWrap();

  const char* text = mText.CStr();
  const int length = mText.Length();
  int pos = 0;
  int nextAlignment = -1;     // alignment of the lines after an alignment tag (-1: the layout's own)
  bool useDefaultNext = false;
  bool previousItalic = false;
  bool loggedMissingFont = false;
  char tag[TMarkupState::kTagBufferSize + 1];

  while (pos < length) {
    auto line = std::make_shared<TTextLine>();
    const int lineAlignment = nextAlignment;
    float pen = 0, carry = 0, firstShift = 0;
    bool firstGlyph = true;
    int pad = 0;
    float lineOutline = mMarkup.mOutlineSize;
    struct Break {
      bool set = false, hyphen = false;
      float pen = 0;
      size_t runs = 0;
      TTextRun run;
      TMarkupState state;
      int resume = 0;
    } brk;
    TTextRun run;

    auto startRun = [&](int at) {
      const TFontStackEntry& top = mMarkup.Top();
      TVectorFont* font = FindFont(top.face);
      run = TTextRun();
      run.font = font;
      if (useDefaultNext) {
        run.font = defaultFont;
        run.primaryFont = font;
        useDefaultNext = false;
      }
      run.size = top.size;
      if (run.font) {
        run.scale = run.font->GetScale(top.size);
        run.baseline = int(std::lround((run.font->GetAscent() + run.font->GetPadding(true)) * run.scale));
      }
      std::memcpy(run.fontColor, top.color, sizeof run.fontColor);
      run.bold = mMarkup.mBold;
      run.italic = mMarkup.mItalic;
      run.underline = mMarkup.mUnderline;
      run.linkId = mMarkup.mLinkId;
      std::memcpy(run.linkColor, mMarkup.mCurrentColor, sizeof run.linkColor);
      run.outlineSize = mMarkup.mOutlineSize;
      std::memcpy(run.outlineColor, mMarkup.mOutlineColor, sizeof run.outlineColor);
      run.fontStackIndex = mMarkup.mFontIndex;
      run.firstByte = at;
      run.lastByte = at - 1;
      // Slanted glyphs lean over their neighbours: make room where the slant starts or stops.
      if (run.italic != previousItalic && run.font)
        pen += run.scale / 3 * (previousItalic ? run.font->GetAscent() : run.font->GetDescent());
      previousItalic = run.italic;
      run.startX = int(std::lround(pen)) / 4;
    };
    auto closeRun = [&] {
      run.endX = int(std::lround(pen)) / 4;
      if (!run.HasCharacters()) run.size = run.baseline = 0;
      line->height = std::max(line->height, run.size);
      line->baseline = std::max(line->baseline, run.baseline);
      line->runs.push_back(run);
    };
    auto breakAt = [&] {
      line->runs.resize(brk.runs);
      line->height = line->baseline = 0;
      for (const TTextRun& r : line->runs) {
        line->height = std::max(line->height, r.size);
        line->baseline = std::max(line->baseline, r.baseline);
      }
      run = brk.run;
      pen = brk.pen;
      closeRun();
      mMarkup = brk.state;
      previousItalic = run.italic;
      useDefaultNext = false;
      pos = brk.resume;
    };

    startRun(pos);
    for (;;) {
      if (pos >= length) {
        closeRun();
        break;
      }
      if (text[pos] == '<') {
        int n = TMarkupState::ReadTag(text + pos, tag);
        if (n > 0) {
          closeRun();
          TTagEffect effect = mMarkup.ApplyTag(tag);
          pos += n;
          if (effect.cursor) line->runs.back().cursor = true;
          if (effect.tabPosition >= 0) {
            line->runs.back().tabPosition = effect.tabPosition * 4;
            pen = float(effect.tabPosition * 4);
          }
          pad += effect.pad;
          if (effect.endsLine) {
            if (effect.alignment) nextAlignment = mMarkup.GetAlignment();
            break;
          }
          startRun(pos);
          continue;
        }
      }
      const int charStart = pos;
      int next = pos;
      uint32_t code = ReadChar(text, pos, &next);
      if (code == '\n') {
        run.lastByte = next - 1;
        pos = next;
        closeRun();
        break;
      }
      if (code == ' ') {
        brk.set = true;
        brk.hyphen = false;
        brk.pen = pen;
        brk.runs = line->runs.size();
        brk.run = run;
        brk.run.lastByte = charStart - 1;
        brk.state = mMarkup;
        brk.resume = next;
      }
      // Font fallback: back to the primary font when it holds the character, over to the default
      // font when only that one does, else the character is skipped.
      if (run.primaryFont && run.primaryFont->HasGlyph(code)) {
        if (run.HasCharacters()) closeRun();
        startRun(charStart);
      } else if (!run.font || !run.font->HasGlyph(code)) {
        if (run.font != defaultFont && defaultFont && defaultFont->HasGlyph(code)) {
          useDefaultNext = true;
          if (run.HasCharacters()) closeRun();
          startRun(charStart);
        } else {
          if (!run.font && !loggedMissingFont) {
            LogPrintf("ERROR: FONT missing in text when attempting to render string %s.\n", text);
            loggedMissingFont = true;
          }
          pos = next;
          continue;
        }
      }
      const TVectorFont& font = *run.font;
      const int glyph = font.FindGlyph(code);
      const float s = run.scale;
      if (code == kSoftHyphen) {
        // Invisible unless the line breaks here: it takes no room, but it is the pending break.
        if (run.HasCharacters()) {
          closeRun();
          startRun(charStart);
        }
        run.lastByte = next - 1;
        brk.set = brk.hyphen = true;
        brk.pen = pen + carry + std::max(font.GetAdvance(glyph), font.GetRight(glyph)) * s;
        brk.runs = line->runs.size();
        brk.run = run;
        brk.state = mMarkup;
        brk.resume = next;
        pos = next;
        continue;
      }
      const float penBefore = pen, carryBefore = carry;
      const bool wasFirst = firstGlyph;
      if (firstGlyph) {
        firstShift = 4 - font.GetLeft(glyph) * s;
        firstGlyph = false;
        lineOutline = run.outlineSize;
      }
      pen += carry;
      carry = 0;
      float advance = font.GetAdvance(glyph), right = font.GetRight(glyph);
      if (advance < right) {
        pen += right * s;
        carry = (advance - right) * s;
      } else {
        pen += advance * s;
      }
      run.lastByte = next - 1;
      pos = next;
      if (std::lround((lineOutline + 1 + run.outlineSize) * 4 + pen + firstShift) > int64_t(mBoxWidth) * 4) {
        if (brk.set && (brk.hyphen || brk.pen != 0)) {
          breakAt();
        } else if (wasFirst || legacyWrap) {
          closeRun();
        } else {
          pen = penBefore;
          carry = carryBefore;
          run.lastByte = charStart - 1;
          pos = charStart;
          closeRun();
        }
        break;
      }
    }

    line->height += pad;
    int alignment = lineAlignment;
    if (alignment < 0) alignment = (mAlignment & kAlignCenter) ? 1 : (mAlignment & kAlignRight) ? 2 : 0;
    const int w = int(std::lround(pen + firstShift)) / 4;
    if (alignment == 1) {
      line->startX = mBoxWidth / 2;
      line->startShift = -w * 0.5f;
    } else if (alignment == 2) {
      line->startX = mBoxWidth - int(std::lround(mMarkup.mOutlineSize)) - 1;
      line->startShift = float(-w);
    } else {
      line->startX = int(std::lround(lineOutline));
      line->startShift = 0;
    }
    line->startShift += firstShift * 0.25f + 0.5f;
    mTotalHeight += line->height;
    mLines.push_back(std::move(line));
  }

  if (mAlignment & kAlignVCenter) {
    mAnchor = mBoxHeight / 2;
    mVerticalOffset = -mTotalHeight / 2.0f;
  } else if (mAlignment & kAlignBottom) {
    mAnchor = mBoxHeight;
    mVerticalOffset = float(-mTotalHeight);
  } else {
    mAnchor = 0;
    mVerticalOffset = 0;
  }
}

TRect TTextLayout::GetExtent(float scale) const {
  TRect r;
  r.top = int32_t(std::lround(mAnchor + scale * mVerticalOffset));
  r.bottom = int32_t(std::lround(r.top + scale * mTotalHeight));
  bool any = false;
  float left = 0, right = 0;
  for (size_t i = size_t(std::max(0, int(mScroll))); i < mLines.size(); ++i) {
    const TTextLine& line = *mLines[i];
    if (line.runs.empty()) continue;
    float l = line.startX + scale * (line.runs.front().startX + line.startShift);
    float rr = line.startX + scale * (line.runs.back().endX + line.startShift);
    left = any ? std::min(left, l) : l;
    right = any ? std::max(right, rr) : rr;
    any = true;
  }
  r.left = any ? int32_t(std::lround(left)) : 0;
  r.right = any ? int32_t(std::lround(right)) : 0;
  return r;
}

TString TTextLayout::GetLinkAt(int x, int y, int lineSpacing) const {
  float top = mAnchor + mVerticalOffset;
  for (size_t i = size_t(std::max(0, int(mScroll))); i < mLines.size(); ++i) {
    const TTextLine& line = *mLines[i];
    if (y >= top - lineSpacing && y < top + line.height) {
      for (const TTextRun& run : line.runs) {
        float a = line.startX + run.startX + line.startShift, b = line.startX + run.endX + line.startShift;
        if (x >= a && x < b) return run.linkId;
      }
      return TString();
    }
    top += float(line.height + lineSpacing);
  }
  return TString();
}

bool TTextLayout::UpdateHoverLink(std::optional<std::pair<int, int>> point, int lineSpacing) {
  TString link = point ? GetLinkAt(point->first, point->second, lineSpacing) : TString();
  if (link == mHoverLink) return false;
  mHoverLink = link;
  Changed();
  return true;
}

void TTextLayout::Draw(TVxMiniVecDraw& draw, const TRect& box, float scale, int lineSpacing, float alpha,
                       TVxPixelTarget* target) const {
  Render(draw, float(box.left), float(box.top), mBoxHeight, scale, lineSpacing, alpha, target);
}

// A hosted window shows the game larger or smaller.
float TTextLayout::GetScreenScale() {
  TPlatform* platform = TPlatform::GetInstance();
  float scale = 1.0f;
  if (platform && platform->GetImpl()) platform->GetImpl()->GetViewportScale(&scale);
  return scale > 0.0f ? scale : 1.0f;
}

void TTextLayout::Render(TVxMiniVecDraw& draw, float x, float y, int clipHeight, float scale, int lineSpacing,
                         float alpha, TVxPixelTarget* target) const {
  // On screen under a viewport scale the display's projection scales what it is given, lines too.
  // The glyphs are rasterised at the window's own pixels (sizes and pen scaled, on whole pixels)
  // and their lines handed on in the game's coordinates, so they are scaled once, as every other
  // shape of the frame, and stay sharp.
  const float screenScale = target ? 1.0f : GetScreenScale();
  const bool snap = screenScale != 1.0f;
  const float sinkScale = draw.GetSinkScale();
  if (snap) {
    scale *= screenScale;
    x *= screenScale;
    y *= screenScale;
    clipHeight = int(float(clipHeight) * screenScale);
    draw.SetSinkScale(1.0f / screenScale);
  }
  draw.SetReplace(mReplace);
  draw.SetBlendAlpha(mBlendAlpha);
  draw.SetTarget(x, y, target);
  const char* text = mText.CStr();
  const int firstLine = std::max(0, int(mScroll));
  // The anchor is a place in the box, which the view scales as it does the box's corner.
  float lineY = mSpriteRender ? mVerticalOffset + mAnchor / scale : mAnchor * screenScale + mVerticalOffset * scale;
  lineY -= (mScroll - float(firstLine)) * float(mFontSize) * screenScale;
  draw.SetRotation(mCos, mSin);
  for (size_t li = size_t(firstLine); li < mLines.size(); ++li) {
    const TTextLine& line = *mLines[li];
    float bottom = mSpriteRender ? scale * (lineY + mFontSize) : lineY + line.height * scale;
    if (bottom < 0 || bottom > clipHeight) break;
    for (size_t ri = 0; ri < line.runs.size(); ++ri) {
      const TTextRun& run = line.runs[ri];
      if (!run.font) continue;
      const bool lastRunOfLine = ri + 1 == line.runs.size();
      draw.SetShear(run.italic);
      // The outline is as wide as its size in the game's pixels: on a scaled view it grows with the view.
      float outlineWidth = run.outlineSize > 0 ? run.outlineSize * screenScale : 0;
      if (outlineWidth > 0) draw.SetColor(255, PackColor(run.outlineColor, 1.0f), alpha);
      float boldWidth = 0;
      const bool hovered = !mHoverLink.IsEmpty() && run.linkId == mHoverLink;
      const float* color = hovered ? run.linkColor : run.fontColor;
      if (run.bold) {
        boldWidth = run.size * scale * 0.0125f;
        draw.SetColor(outlineWidth > 0 ? 254 : 255, PackColor(color, 1.0f), alpha);
        if (outlineWidth > 0) outlineWidth += boldWidth;
      }
      // The first stroke takes slot 255's colour, the second 254's: without an outline the bold
      // stroke is the first.
      if (outlineWidth > 0)
        draw.SetStrokeWidths(outlineWidth, boldWidth);
      else
        draw.SetStrokeWidths(boldWidth, 0);
      draw.SetColor(1, PackColor(color, 1.0f), alpha);
      const float runScale = run.scale * scale;
      // Pen in quarter-pixels relative to the box corner, along the (possibly rotated) baseline.
      // Each run starts at its own laid-out position, so a tab is already in the next run's start.
      float along = (line.startX + line.startShift + run.startX) * scale * 4;
      const float baseY = lineY * 4 + line.baseline * scale;
      auto penAt = [&](float dx, float& px, float& py) {
        float ox = mOriginX * 4 * screenScale, oy = mOriginY * 4 * screenScale, rx = dx - ox, ry = baseY - oy;
        px = mCos * rx - mSin * ry + ox;
        py = mSin * rx + mCos * ry + oy;
        if (snap) {
          px = std::round(px / 4) * 4;
          py = std::round(py / 4) * 4;
        }
      };
      const float runStart = along;
      for (int i = run.firstByte; i <= run.lastByte && text[i];) {
        int next = i;
        uint32_t code = ReadChar(text, i, &next);
        i = next;
        if (code < 32) continue;
        if (code == kSoftHyphen && !(lastRunOfLine && next > run.lastByte)) continue;
        float px, py;
        penAt(along, px, py);
        float moved = px;
        DrawGlyph(draw, *run.font, code, runScale, moved, py);
        along += run.font->GetAdvance(run.font->FindGlyph(code)) * runScale;
      }
      if (run.underline && along > runStart) {
        float px, py;
        penAt(runStart, px, py);
        draw.SetScale(along - runStart, 1);
        draw.SetStrokeWidths(0, 0);
        DrawBar(draw, 0, 8, 1, 11, px, py);
      }
      if (run.cursor) {
        // Pen positions are in quarter pixels: the caret is two whole pixels wide (at scale 1),
        // started on a pixel edge so that it is drawn solid rather than smeared over a fraction.
        float px, py;
        penAt(along, px, py);
        draw.SetScale(scale, runScale);
        draw.SetStrokeWidths(0, 0);
        DrawBar(draw, 0, std::round(-run.font->GetAscent()), 8, std::round(run.font->GetDescent()),
                std::round(px / 4) * 4, py);
      }
    }
    lineY += (line.height + lineSpacing) * scale;
  }
  draw.Flush();
  draw.SetSinkScale(sinkScale);
}
