// The data side of the cross-promotion window: the advert file ("xsell/xsell.xml") with the
// advertised games, the site link and the centre texts, the rich text shown for a game, and the
// checked opening of a game's or the site's link. The window that shows them fills its children
// from this.
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "core/string.h"

struct TXSellGame {
  TString description;
  TString linkText;  // may be empty: the description then has no link
  TString link;
};

struct TXSellData {
  static constexpr int kMaxGames = 7;
  std::vector<TXSellGame> games;  // display order, at most kMaxGames
  bool hasSiteLink = false;
  TString siteLink;
  bool hasCenterText = false;
  TString centerText1, centerText2;
};

// Reads the advert file; false (and nothing filled) without an "xsell" root.
bool LoadXSellData(const TString& path, TXSellData* data);
// The same from a text (tests, packed data).
bool ParseXSellData(const char* text, TXSellData* data);

// The description of game number n (from 1), followed by its link as rich text when it has one.
TString XSellDescriptionText(const TXSellGame& game, int number);

// True for the links the window may open: web pages (http:, https:) and mail (mailto:).
bool IsOpenableXSellLink(const TString& link);

// The links of one window: the site link (index 0) and game links 1 to 7.
class TXSellLinks {
 public:
  using TOpener = std::function<void(const TString&)>;
  void Set(const TXSellData& data);
  // The link of an index, empty outside 0..7.
  TString Get(int32_t index) const;
  // Opens the link of an index through the opener (by default the platform's web link). False,
  // with a log line, for an index outside 0..7, an empty link or one that is not a web or mail link.
  bool Launch(int32_t index, const TOpener& opener = TOpener()) const;

 private:
  TString mSiteLink;
  std::array<TString, TXSellData::kMaxGames> mGameLinks;
};
