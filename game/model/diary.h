// The player's diary: a book of sites (pages) that scripts fill with texts, images and site ends.
// New entries are laid out on the insert site below what is already there, or on the next site
// when they do not fit; constant content repeats on every n-th site. The diary lives in the
// current profile's preference keys ("Diary_...").
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TPrefsDB;
class TStringTable;

enum : int32_t { kDiaryImage = 0, kDiaryText = 1, kDiarySiteEnd = 2 };

struct TDiaryRect {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
};

// One laid-out item, or one constant content record (then `period` is the repeat and `site` the
// first site; x and y are the requested place).
struct TDiaryItem {
  int32_t site = 0;
  int32_t period = 0;  // for items: the site again
  int32_t kind = 0;
  int32_t red = 0, green = 0, blue = 0, alpha = 0;
  int32_t size = 30;
  int32_t firstExtra = 0;
  int32_t width = 0, height = 0;
  int32_t x = 0, y = 0;
  int32_t secondExtra = 0;
  std::string text;  // texts: '+'-joined string-table keys; images: the path; site ends: "end"
  std::string font = "fonts/kingthings.mvec";
};

// What a script asks to lay out; x or y of -1 mean "at the next free place".
struct TDiaryEntry {
  int32_t kind = kDiaryText;
  int32_t red = 0, green = 0, blue = 0, alpha = 255;
  int32_t size = 30;
  int32_t firstExtra = 0, secondExtra = 1000;
  int32_t x = -1, y = -1;
  std::string text;
  std::string font = "fonts/kingthings.mvec";
};

class TDiary {
 public:
  // The height an entry takes when laid out `width` wide with at most `heightLimit` height. The
  // window system supplies the real measure (image height, laid-out text); without one, texts
  // take one line of their size per `width` worth of characters at half their size and images 0.
  using Measure = std::function<int32_t(const TDiaryEntry& entry, int32_t width, int32_t heightLimit)>;

  // Replaces any existing diary.
  static TDiary* CreateInstance();
  static TDiary* GetInstance();
  static void DestroyInstance();

  virtual ~TDiary();

  void SetMeasure(Measure measure) { mMeasure = std::move(measure); }
  // The measure every diary made from now on starts with (the window system installs the real one).
  static void SetDefaultMeasure(Measure measure);
  // The text a text entry shows: each '+'-separated label replaced by its text, joined.
  static std::string ComposeText(const TStringTable& table, const std::string& labels);

  void AddArea(int32_t x, int32_t y, int32_t width, int32_t height);
  void AddContent(const TDiaryEntry& entry);
  // Repeats on every `period`-th site from the insert site on; a period of 0 or less repeats never.
  void AddConstantContent(int32_t period, const TDiaryEntry& entry);
  void ClearContent() { mConstant.clear(); }
  bool NeedsNewSite(const TDiaryEntry& entry) const;
  void PageForward();
  void PageBack();

  uint32_t GetCurrentInsertSite() const { return mInsertSite; }
  uint32_t GetCurrentWatchedSite() const { return mWatchedSite; }
  int32_t GetLastUsedY() const { return mLastUsedY; }
  int32_t GetAreaCount() const { return static_cast<int32_t>(mAreas.size()); }
  // The left edge of the area that shows the site (site modulo the area count); 0 without areas.
  int32_t GetSitePosX(uint32_t site) const { return mAreas.empty() ? 0 : mAreas[site % mAreas.size()].left; }
  int32_t GetItemCount() const { return static_cast<int32_t>(mItems.size()); }
  const TDiaryItem* GetItem(int32_t index) const;
  int32_t GetConstantCount() const { return static_cast<int32_t>(mConstant.size()); }
  const TDiaryItem* GetConstant(int32_t index) const;
  struct TPoint {
    int32_t x = 0, y = 0;
  };
  TPoint GetGoForwardButtonPosition() const { return mGoForward; }
  TPoint GetGoBackButtonPosition() const { return mGoBack; }
  void SetGoForwardButtonPosition(int32_t x, int32_t y) { mGoForward = {x, y}; }
  void SetGoBackButtonPosition(int32_t x, int32_t y) { mGoBack = {x, y}; }

  // The profile keys; `commit` as for the score keeper's keys.
  void Save(TPrefsDB& db, int user, bool commit) const;
  void Load(TPrefsDB& db, int user);
  // Writes the profile keys of an empty diary: no entries, the first site.
  static void ResetProfileKeys(TPrefsDB& db, int user, bool commit);

 private:
  TDiary() = default;
  const TDiaryRect& InsertArea() const { return mAreas[mInsertSite % mAreas.size()]; }
  int32_t AvailableWidth(int32_t x) const;
  int32_t PlaceY(const TDiaryEntry& entry) const;
  int32_t Height(const TDiaryEntry& entry) const;
  void Layout(const TDiaryEntry& entry, bool constantPass);
  // Moves to the next site and places the constant content due there.
  void NewSite();

  std::vector<TDiaryRect> mAreas;
  uint32_t mInsertSite = 0;
  int32_t mLastUsedY = 0;
  uint32_t mWatchedSite = 0;
  std::vector<TDiaryItem> mItems;
  std::vector<TDiaryItem> mConstant;
  TPoint mGoForward, mGoBack;
  Measure mMeasure;
};
