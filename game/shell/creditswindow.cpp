// The credits roll: a text file turned into three columns (names left and right of a "|", the
// rest centred, "[...]" headers in their own colour) that scroll up over the roll's time and close
// the credits screen shortly before its end.
#include <cstdio>
#include <cstring>

#include "core/file.h"
#include "core/log.h"
#include "platform/platform.h"
#include "render/drawcontext.h"
#include "render/vxlinesink.h"
#include "render/vxminivecdraw.h"
#include "shell/menuwindows.h"
#include "ui/textlayout.h"
#include "ui/windowmanager.h"
#include "ui/windowstyle.h"

TCreditsWindow::TCreditsWindow() : mDraw(std::make_unique<TVxMiniVecDraw>()) { ConnectLineSink(*mDraw); }

TCreditsWindow::~TCreditsWindow() = default;

TString TCreditsWindow::FormatPiece(const TString& piece) const {
  const char* s = piece.CStr();
  size_t begin = 0, end = std::strlen(s);
  while (begin < end && (s[begin] == ' ' || s[begin] == '\t')) ++begin;
  while (end > begin && (s[end - 1] == ' ' || s[end - 1] == '\t')) --end;
  TString out;
  for (size_t i = begin; i < end; ++i) {
    if (s[i] == '[')
      out += "<font color='" + mHeaderColorDigits + "'>";
    else if (s[i] == ']')
      out += "</font>";
    else
      out += s[i];
  }
  out += "\n";
  return out;
}

void TCreditsWindow::Init(TWindowStyle& style) {
  TWindow::Init(style);
  mRollTime = static_cast<uint32_t>(style.GetNumber("time", 0));
  mIntroPause = static_cast<uint32_t>(style.GetNumber("intropause", 0));
  mColumnGap = static_cast<uint32_t>(style.GetNumber("columngap", 0));
  mColumnWidth = static_cast<uint32_t>(style.GetNumber("columnwidth", 0));
  mFontName = style.GetString("font", TString());
  mFontSize = static_cast<uint32_t>(style.GetNumber("fontsize", 16.0));
  const TVec4 font = style.GetQuad("fontcolor", TVec4(1, 1, 1, 1));
  const TVec4 header = style.GetQuad("headercolor", TVec4(1, 1, 1, 1));
  mFontColor[0] = font.x, mFontColor[1] = font.y, mFontColor[2] = font.z, mFontColor[3] = font.w;
  mHeaderColorDigits = TString::Format("%02x%02x%02x%02x", int(header.x * 255.0), int(header.y * 255.0),
                                       int(header.z * 255.0), int(header.w * 255.0));
  mFileName = style.GetString("file", TString());

  TString& left = mColumns[0];
  TString& right = mColumns[1];
  TString& centre = mColumns[2];
  left = right = centre = "\n";
  TFile* file = mFileName.IsEmpty() ? nullptr : FileOpen(mFileName, 1);
  if (!file) {
    LogPrintf("Credits file %s cannot be opened\n", mFileName.CStr());
  } else {
    char buffer[1024];
    while (FileReadLine(file, buffer, 1023)) {
      size_t n = std::strlen(buffer);
      if (n > 0 && buffer[n - 1] == '\n') buffer[--n] = 0;
      if (n > 0 && buffer[n - 1] == '\r') buffer[--n] = 0;
      if (const char* bar = std::strchr(buffer, '|')) {
        left += FormatPiece(TString(buffer, bar - buffer));
        right += FormatPiece(TString(bar + 1));
        centre += "\n";
      } else {
        left += "\n";
        right += "\n";
        centre += FormatPiece(TString(buffer));
      }
    }
    FileClose(file);
  }
  // A size of 0 would divide by zero below; such a roll has nothing to show.
  if (mFontSize == 0) mFontSize = 1;
  for (uint32_t i = 0; i < static_cast<uint32_t>(GetHeight()) / mFontSize; ++i) {
    left += "\n";
    right += "\n";
    centre += "\n";
  }
  const int height = GetHeight();
  mLeftLayout = TTextLayout::Create(left + left, int(mColumnWidth), height, 1, mFontName, int(mFontSize), mFontColor);
  mRightLayout = TTextLayout::Create(right + right, int(mColumnWidth), height, 1, mFontName, int(mFontSize), mFontColor);
  mCentreLayout = TTextLayout::Create(centre + centre, int(mColumnGap + 2 * mColumnWidth), height, 1, mFontName,
                                      int(mFontSize), mFontColor);
  mScrollRange = mLeftLayout ? mLeftLayout->GetExtent(1.0f).bottom / 2 : 0;
  mStartTime = 0;
  StartAnim(16, true, true, false);
}

uint32_t TCreditsWindow::GetRollTime() {
  TPlatform* platform = TPlatform::GetInstance();
  const uint32_t now = platform ? platform->GetTimer() : 0;
  if (mStartTime == 0) mStartTime = now ? now : 1;
  const uint32_t passed = now - mStartTime;
  return passed < mIntroPause ? 0 : passed - mIntroPause;
}

bool TCreditsWindow::Animate() {
  GetWindowManager()->Invalidate();
  const uint32_t t = GetRollTime();
  // Without a roll time the roll has nothing to scroll through: it closes at once.
  const bool over = mRollTime == 0 || (mRollTime >= mIntroPause + 12000 && t > mRollTime - mIntroPause - 12000);
  if (over && !mClosing) {
    mClosing = true;
    GetWindowManager()->DoScriptString(this, "PopModal(\"creditswindow\")");
  }
  return true;
}

void TCreditsWindow::Draw() {
  if (mRollTime == 0 || !mLeftLayout || !mRightLayout || !mCentreLayout) return;
  const uint32_t t = GetRollTime();
  const float scroll =
      static_cast<float>(static_cast<uint32_t>((t % mRollTime) * static_cast<uint32_t>(mScrollRange)) / mRollTime);
  TDrawContext* draw = TDrawContext::GetInstance();
  if (!draw->Begin2d()) return;
  const float firstLine = scroll / static_cast<float>(mFontSize);
  const int top = -static_cast<int>(mFontSize);
  const int bottom = GetHeight() + 2 * static_cast<int>(mFontSize);
  struct Column {
    TTextLayout* layout;
    int x;
  } columns[] = {{mLeftLayout.get(), int(mColumnGap)},
                 {mRightLayout.get(), GetWidth() / 2 + int(mColumnGap) / 2},
                 {mCentreLayout.get(), int(mColumnGap)}};
  for (const Column& c : columns) {
    c.layout->SetScroll(firstLine);
    c.layout->Draw(*mDraw, TRect(c.x, top, c.x + GetWidth(), bottom), 1.0f, 0, 1.0f, nullptr);
    mDraw->Flush();
  }
  draw->End2d();
}
