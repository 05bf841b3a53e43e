// Diary layout and its profile keys.
#include "model/diary.h"

#include <algorithm>
#include <cstring>

#include "core/log.h"
#include "core/prefsdb.h"
#include "core/stringtable.h"
#include "model/modelbase.h"

// A profile's item count beyond this is damage, not a diary.
static constexpr int32_t kMaxStoredItems = 65536;

namespace {
TDiary::Measure& DefaultMeasure() {
  static TDiary::Measure measure;
  return measure;
}
}  // namespace

void TDiary::SetDefaultMeasure(Measure measure) { DefaultMeasure() = std::move(measure); }

TDiary* TDiary::CreateInstance() {
  ModelSingleton<TDiary>().reset();
  ModelSingleton<TDiary>().reset(new TDiary());
  ModelSingleton<TDiary>()->mMeasure = DefaultMeasure();
  return ModelSingleton<TDiary>().get();
}

TDiary* TDiary::GetInstance() { return ModelSingleton<TDiary>().get(); }

void TDiary::DestroyInstance() { ModelSingleton<TDiary>().reset(); }

TDiary::~TDiary() = default;

std::string TDiary::ComposeText(const TStringTable& table, const std::string& labels) {
  std::string text;
  size_t start = 0;
  for (;;) {
    const size_t end = labels.find('+', start);
    const std::string label = labels.substr(start, end == std::string::npos ? end : end - start);
    text += table.GetString(label.c_str()).CStr();
    if (end == std::string::npos) return text;
    start = end + 1;
  }
}

void TDiary::AddArea(int32_t x, int32_t y, int32_t width, int32_t height) {
  mAreas.push_back({x, y, static_cast<int32_t>(int64_t(x) + width),
                    static_cast<int32_t>(int64_t(y) + height)});
}

const TDiaryItem* TDiary::GetItem(int32_t index) const {
  return index >= 0 && index < GetItemCount() ? &mItems[size_t(index)] : nullptr;
}

const TDiaryItem* TDiary::GetConstant(int32_t index) const {
  return index >= 0 && index < GetConstantCount() ? &mConstant[size_t(index)] : nullptr;
}

int32_t TDiary::AvailableWidth(int32_t x) const {
  const TDiaryRect& a = InsertArea();
  if (a.left <= x && x <= a.right) return a.right - x;
  return a.right - a.left;
}

int32_t TDiary::PlaceY(const TDiaryEntry& entry) const { return std::max(entry.y, mLastUsedY); }

int32_t TDiary::Height(const TDiaryEntry& entry) const {
  if (entry.kind != kDiaryImage && entry.kind != kDiaryText) return 0;
  const TDiaryRect& a = InsertArea();
  const int32_t width = AvailableWidth(entry.x);
  const int32_t limit = a.bottom - a.top - 4;
  if (mMeasure) return mMeasure(entry, width, limit);
  if (entry.kind == kDiaryImage || width <= 0) return 0;
  const int64_t perLine = std::max<int64_t>(1, width / std::max(1, entry.size / 2));
  const int64_t lines = (static_cast<int64_t>(entry.text.size()) + perLine - 1) / perLine;
  return static_cast<int32_t>(std::min<int64_t>(lines * entry.size, limit));
}

bool TDiary::NeedsNewSite(const TDiaryEntry& entry) const {
  if (mAreas.empty()) return false;
  if (entry.kind == kDiarySiteEnd) return true;
  if (entry.kind != kDiaryImage && entry.kind != kDiaryText) return false;
  return int64_t(PlaceY(entry)) + Height(entry) >= InsertArea().bottom;
}

void TDiary::AddContent(const TDiaryEntry& entry) { Layout(entry, false); }

// A constant content record keeps the entry's values, with its requested place in x and y.
static TDiaryItem RecordOf(const TDiaryEntry& e) {
  TDiaryItem c;
  c.kind = e.kind;
  c.red = e.red, c.green = e.green, c.blue = e.blue, c.alpha = e.alpha;
  c.size = e.size;
  c.firstExtra = e.firstExtra;
  c.secondExtra = e.secondExtra;
  c.x = e.x, c.y = e.y;
  c.text = e.text;
  c.font = e.font;
  return c;
}

static TDiaryEntry EntryOf(const TDiaryItem& c) {
  TDiaryEntry e;
  e.kind = c.kind;
  e.red = c.red, e.green = c.green, e.blue = c.blue, e.alpha = c.alpha;
  e.size = c.size;
  e.firstExtra = c.firstExtra;
  e.secondExtra = c.secondExtra;
  e.x = c.x, e.y = c.y;
  e.text = c.text;
  e.font = c.font;
  return e;
}

void TDiary::AddConstantContent(int32_t period, const TDiaryEntry& entry) {
  TDiaryItem c = RecordOf(entry);
  c.site = static_cast<int32_t>(mInsertSite) - (entry.kind == kDiarySiteEnd ? 1 : 0);
  c.period = period;
  mConstant.push_back(std::move(c));
  Layout(entry, false);
}

void TDiary::NewSite() {
  ++mInsertSite;
  mLastUsedY = InsertArea().top;
  // Constant content is placed on this site only: it never moves the insert site on, so content
  // due on every site cannot start sites without end.
  const std::vector<TDiaryItem> due = mConstant;
  for (const TDiaryItem& c : due) {
    if (c.period <= 0) continue;
    const int64_t since = int64_t(mInsertSite) - c.site;
    if (since % c.period != 0) continue;
    Layout(EntryOf(c), true);
  }
}

void TDiary::Layout(const TDiaryEntry& entry, bool constantPass) {
  if (mAreas.empty()) {
    LogPrintf("Diary: no page area, entry '%s' dropped\n", entry.text.c_str());
    return;
  }
  if (mLastUsedY < InsertArea().top) mLastUsedY = InsertArea().top;
  if (!constantPass) {
    // An entry that does not fit on a new site (with the constant content due there) never
    // will: it is placed there anyway, so moving on ends after one site.
    bool moved = false;
    while (NeedsNewSite(entry)) {
      if (entry.kind != kDiarySiteEnd && (moved || mLastUsedY <= InsertArea().top)) break;
      NewSite();
      moved = true;
      if (entry.kind == kDiarySiteEnd) break;
    }
  }
  if (entry.kind == kDiarySiteEnd) {
    mWatchedSite = mInsertSite;
    return;
  }
  const TDiaryRect& a = InsertArea();
  TDiaryItem item = RecordOf(entry);
  item.site = item.period = static_cast<int32_t>(mInsertSite);
  item.width = AvailableWidth(entry.x);
  item.height = Height(entry);
  item.x = entry.x >= a.left ? entry.x : a.left;
  item.y = PlaceY(entry);
  mLastUsedY = static_cast<int32_t>(std::min<int64_t>(INT32_MAX, int64_t(mLastUsedY) + item.height));
  mItems.push_back(std::move(item));
  mWatchedSite = mInsertSite;
}

void TDiary::PageForward() {
  const uint64_t count = mAreas.size();
  if (count && mWatchedSite + count <= mInsertSite) mWatchedSite += static_cast<uint32_t>(count);
}

void TDiary::PageBack() {
  const uint64_t count = mAreas.size();
  if (count && mWatchedSite >= count) mWatchedSite -= static_cast<uint32_t>(count);
}

// ---- profile keys ----

static void ToFields(const TDiaryItem& item, int32_t out[14]) {
  const int32_t values[14] = {item.site,  item.period, item.kind,       item.red,   item.green,
                              item.blue,  item.alpha,  item.size,       item.firstExtra,
                              item.width, item.height, item.x,          item.y,     item.secondExtra};
  std::memcpy(out, values, sizeof values);
}

static void FromFields(const int32_t in[14], TDiaryItem& item) {
  item.site = in[0], item.period = in[1], item.kind = in[2];
  item.red = in[3], item.green = in[4], item.blue = in[5], item.alpha = in[6];
  item.size = in[7], item.firstExtra = in[8], item.width = in[9], item.height = in[10];
  item.x = in[11], item.y = in[12], item.secondExtra = in[13];
}

static void SaveList(TPrefsDB& db, int user, bool commit, const char* countKey, const char* name,
                     const std::vector<TDiaryItem>& items) {
  db.SetInt(countKey, static_cast<int>(items.size()), user, commit);
  for (size_t i = 0; i < items.size(); ++i) {
    const std::string n = std::to_string(i);
    int32_t fields[14];
    ToFields(items[i], fields);
    db.SetBinary(TString::Format("Diary_%s%s", name, n.c_str()), fields, sizeof fields, user, commit);
    db.SetString(TString::Format("Diary_fontFilename_%s%s", name, n.c_str()), items[i].font.c_str(),
                 user, commit);
    db.SetString(TString::Format("Diary_id_%s%s", name, n.c_str()), items[i].text.c_str(), user,
                 commit);
  }
}

static std::vector<TDiaryItem> LoadList(TPrefsDB& db, int user, const char* countKey,
                                        const char* name) {
  std::vector<TDiaryItem> items;
  int32_t count = db.GetInt(countKey, 0, user);
  if (count > kMaxStoredItems) {
    LogPrintf("Diary: %s of %d is damaged, reading %d\n", countKey, count, kMaxStoredItems);
    count = kMaxStoredItems;
  }
  for (int32_t i = 0; i < count; ++i) {
    const std::string n = std::to_string(i);
    int32_t fields[14] = {};
    if (db.GetBinary(TString::Format("Diary_%s%s", name, n.c_str()), fields, sizeof fields, user) != 0) {
      std::memset(fields, 0, sizeof fields);
    }
    TDiaryItem item;
    FromFields(fields, item);
    item.font = db.GetString(TString::Format("Diary_fontFilename_%s%s", name, n.c_str()),
                             "fonts/kingthings.mvec", user)
                    .CStr();
    item.text = db.GetString(TString::Format("Diary_id_%s%s", name, n.c_str()), "", user).CStr();
    items.push_back(std::move(item));
  }
  return items;
}

void TDiary::Save(TPrefsDB& db, int user, bool commit) const {
  db.SetInt("Diary_Current_Insert_Site", static_cast<int>(mInsertSite), user, commit);
  db.SetInt("Diary_Last_Used_Y_On_Site", mLastUsedY, user, commit);
  db.SetInt("Diary_Current_Watched_site", static_cast<int>(mWatchedSite), user, commit);
  SaveList(db, user, commit, "Diary_numberOfContent", "Content", mItems);
  SaveList(db, user, commit, "Diary_numberOfConstantContent", "ConstantContent", mConstant);
}

void TDiary::ResetProfileKeys(TPrefsDB& db, int user, bool commit) {
  for (const char* key : {"Diary_Current_Insert_Site", "Diary_Last_Used_Y_On_Site", "Diary_Current_Watched_site",
                          "Diary_numberOfContent", "Diary_numberOfConstantContent"})
    db.SetInt(key, 0, user, commit);
}

void TDiary::Load(TPrefsDB& db, int user) {
  mItems.clear();
  mConstant.clear();
  mInsertSite = static_cast<uint32_t>(db.GetInt("Diary_Current_Insert_Site", 0, user));
  mLastUsedY = db.GetInt("Diary_Last_Used_Y_On_Site", 0, user);
  mWatchedSite = static_cast<uint32_t>(db.GetInt("Diary_Current_Watched_site", 0, user));
  mItems = LoadList(db, user, "Diary_numberOfContent", "Content");
  mConstant = LoadList(db, user, "Diary_numberOfConstantContent", "ConstantContent");
}
