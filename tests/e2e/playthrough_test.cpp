// The whole demo played as a new player plays it, through the real program's simulated mouse and
// keys only: first start and a new player, the main menu, the chapter card, the welcome cutscene,
// the village, the hall, the attic search, the seven puzzles behind the clock, the shrine, the
// farewell and the score sheet, back to the main menu with the player started over, and out. Half
// way the game is left through its pause screen and started again, and must resume where it was.
// What the player sees is checked at named points against small region averages kept in
// tests/data/e2e/playthrough_frames.txt (TM_PLAYTHROUGH_RECORD=1 writes them anew from a run);
// what the game keeps is checked in its preference file once the program has ended.
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <iostream>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "core/assetindex.h"
#include "e2e/gamedriver.h"
#include "render/imagecodecs.h"

namespace fs = std::filesystem;
using e2e::Frame;
using e2e::GameDriver;

namespace {

// A frame check: the average colour of a region of the screen at a named point of the story.
struct RegionCheck {
  std::string name;
  int left, top, right, bottom;
  uint32_t average = 0;
};

fs::path FramesFile() {
  const char* data = std::getenv("TM_TEST_DATA");
  return fs::path(data ? data : "tests/data") / "e2e" / "playthrough_frames.txt";
}

std::map<std::string, RegionCheck> LoadChecks() {
  std::map<std::string, RegionCheck> out;
  std::ifstream in(FramesFile());
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    RegionCheck c;
    std::string hex;
    if (fields >> c.name >> c.left >> c.top >> c.right >> c.bottom >> hex) {
      c.average = uint32_t(std::stoul(hex, nullptr, 16));
      out[c.name] = c;
    }
  }
  return out;
}

uint32_t Average(const Frame& f, int left, int top, int right, int bottom) {
  uint64_t sum[3] = {0, 0, 0};
  uint64_t n = 0;
  for (int y = top; y < bottom && y < f.height; ++y)
    for (int x = left; x < right && x < f.width; ++x, ++n)
      for (int c = 0; c < 3; ++c) sum[c] += (f.At(x, y) >> (16 - 8 * c)) & 255;
  if (n == 0) return 0;
  return uint32_t(sum[0] / n) << 16 | uint32_t(sum[1] / n) << 8 | uint32_t(sum[2] / n);
}

int ChannelDistance(uint32_t a, uint32_t b) {
  int worst = 0;
  for (int shift : {0, 8, 16}) worst = std::max(worst, std::abs(int((a >> shift) & 255) - int((b >> shift) & 255)));
  return worst;
}

std::string Hex(uint32_t colour) {
  char text[8];
  std::snprintf(text, sizeof text, "%06x", colour & 0xffffff);
  return text;
}

class PlaythroughTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("playthrough-e2e-" + std::to_string(getpid()));
    game_ = std::make_unique<GameDriver>(root_);
    recording_ = std::getenv("TM_PLAYTHROUGH_RECORD") != nullptr;
    if (!recording_) checks_ = LoadChecks();
  }
  void TearDown() override {
    if (recording_) {
      std::ofstream out(FramesFile());
      out << "# name left top right bottom average-rrggbb: regions of the screen at named points of the\n"
             "# play-through, compared with a tolerance. Written by a run with TM_PLAYTHROUGH_RECORD=1.\n";
      for (const auto& [name, c] : checks_)
        out << name << " " << c.left << " " << c.top << " " << c.right << " " << c.bottom << " " << Hex(c.average)
            << "\n";
    }
    game_.reset();
  }

  void Click(int x, int y) {
    game_->Send("move " + std::to_string(x) + " " + std::to_string(y));
    game_->Settle(1);
    game_->Send("click " + std::to_string(x) + " " + std::to_string(y));
    game_->Settle(2);
  }
  // Waits until the scene is the current one, its window is up and its fade-in has cleared.
  void WaitForScene(const std::string& id) {
    Mark("waiting for scene " + id);
    ASSERT_TRUE(game_->WaitFor("scene", id, 60000)) << "scene " << id << " never came\n" << game_->ReadLog();
    ASSERT_TRUE(game_->WaitFor("visible scene", "yes")) << game_->ReadLog();
    game_->Settle(kFadeFrames);
  }
  // Progress on the error stream, with the time since the start.
  void Mark(const std::string& what) {
    std::cerr << std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start_).count()
              << " ms: " << what << "\n";
  }
  // Presses a button that ends the program, and waits for it to end well. One press: the
  // program is gone before any further command could be answered.
  void QuitWith(const std::string& button) {
    int r[4];
    ASSERT_TRUE(game_->Rect(button, r)) << button;
    const std::string at = std::to_string((r[0] + r[2]) / 2) + " " + std::to_string((r[1] + r[3]) / 2);
    game_->Send("move " + at);
    game_->Settle(2);
    game_->Send("click " + at);
    ASSERT_EQ(game_->WaitForExit(30000), 0) << game_->ReadLog();
  }
  // Plays from the main menu until the query answers "yes". A press that lands while the menu
  // still settles may be lost; the menu then stays put.
  void OpenFromMenu(const std::string& query) {
    for (int attempt = 0; attempt < 4; ++attempt) {
      if (game_->Send("visible play") == "yes") game_->ClickWindow("play");
      if (game_->WaitFor(query, "yes", 8000)) return;
    }
    FAIL() << "Play did not start the game: " << game_->Send("top") << "\n" << game_->ReadLog();
  }
  // A dialog's button: waits for it, clicks it until it is gone.
  void Answer(const std::string& button) {
    ASSERT_TRUE(game_->WaitFor("visible " + button, "yes")) << button << "\n" << game_->ReadLog();
    ASSERT_TRUE(game_->ClickUntil(button, "visible " + button, "no")) << button;
  }
  // Compares the named regions with the frame as it is now (or records them).
  // The regions are read once the picture holds still (a fade or a fading line has ended).
  void LookAt(const std::string& point, std::vector<RegionCheck> regions) {
    Frame frame = game_->Shot();
    for (int tries = 0; tries < 60; ++tries) {
      game_->Settle(2);
      Frame next = game_->Shot();
      bool still = next.width == frame.width;
      for (const RegionCheck& r : regions)
        still = still && ChannelDistance(Average(frame, r.left, r.top, r.right, r.bottom),
                                         Average(next, r.left, r.top, r.right, r.bottom)) <= 1;
      frame = std::move(next);
      if (still) break;
    }
    if (const char* keep = std::getenv("TM_PLAYTHROUGH_SHOTS"))  // frames kept to look at
      fs::copy_file(root_ / "shot.ppm", fs::path(keep) / (point + ".ppm"), fs::copy_options::overwrite_existing);
    ASSERT_EQ(frame.width, 1024) << point;
    ASSERT_EQ(frame.height, 768) << point;
    for (RegionCheck& r : regions) {
      r.name = point + "." + r.name;
      const uint32_t seen = Average(frame, r.left, r.top, r.right, r.bottom);
      if (recording_) {
        r.average = seen;
        checks_[r.name] = r;
        continue;
      }
      auto it = checks_.find(r.name);
      if (it == checks_.end()) {
        ADD_FAILURE() << "no reference for " << r.name << " (seen " << Hex(seen) << ")";
        continue;
      }
      EXPECT_LE(ChannelDistance(seen, it->second.average), kTolerance)
          << r.name << ": seen " << Hex(seen) << ", expected " << Hex(it->second.average);
    }
  }
  // Takes a held item from its place in the sidebar's strip (in the order they were picked up)
  // and uses it on a point of the scene.
  void UseItemOn(const std::string& item, int x, int y) {
    std::istringstream held(game_->Send("held"));
    int slot = 0;
    for (std::string id; std::getline(held, id, ',') && id != item;) ++slot;
    Click(279 + 74 * slot, 692);
    Click(x, y);
  }
  // Clicks through the lines of a cutscene until the next scene comes.
  void ClickThroughCutscene(const std::string& scene, const std::string& next) {
    for (int i = 0; i < 12 && game_->Send("scene") == scene; ++i) {
      Click(512, 400);
      game_->Settle(8);
    }
    WaitForScene(next);
  }

  // The story's stages, in the order they are played.
 public:
  void FirstStartAndNewPlayer();
  void ChapterAndWelcome();
  void Village();
  void HallAndAttic();
  void ClockPuzzlesUntilSaved();
  void ResumeAfterRestart();
  void RemainingPuzzles();
  void ShrineFarewellAndScore();
  void BackInTheMenuAndOut();

 protected:
  static constexpr int kTolerance = 40;
  // A fade runs 0.03 of alpha a frame; the agent answers once a frame at most.
  static constexpr int kFadeFrames = 36;
  fs::path root_;
  std::unique_ptr<GameDriver> game_;
  std::map<std::string, RegionCheck> checks_;
  bool recording_ = false;
  std::string savedHeld_;
  std::string total_;  // the score sheet's total
  std::string menuTop_;  // the main menu's modal window
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

void PlaythroughTest::FirstStartAndNewPlayer() {
  ASSERT_TRUE(game_->Start());
  game_->Send("activate");
  // The very first start asks for the player's name.
  ASSERT_TRUE(game_->WaitFor("visible nameedit", "yes")) << game_->ReadLog();
  game_->Send("text Ada");
  game_->Settle();
  ASSERT_TRUE(game_->ClickWindow("ok"));
  ASSERT_TRUE(game_->WaitFor("visible play", "yes")) << game_->ReadLog();
  ASSERT_TRUE(game_->WaitFor("text? welcome", "Welcome, Ada!")) << game_->Send("text? welcome");
  menuTop_ = game_->Send("top");
  game_->Settle(kFadeFrames);
  LookAt("mainmenu", {{"backdrop", 0, 600, 1024, 768}, {"play", 392, 200, 632, 248}});
}

void PlaythroughTest::ChapterAndWelcome() {
  OpenFromMenu("visible locationImage");
  EXPECT_EQ(game_->Send("scene"), "100");
  game_->Settle(kFadeFrames);
  game_->Settle(5);
  LookAt("chapter", {{"card", 700, 40, 1000, 200}, {"map", 150, 260, 480, 460}});
  Click(512, 400);  // a click moves the card on
  WaitForScene("102");
  // Two speakers: the vicar on the left, the player on the right.
  ASSERT_TRUE(game_->WaitFor("box? nameText", "The Vicar")) << game_->ReadLog();
  LookAt("cutscene", {{"letterbox", 0, 0, 1024, 80}, {"panel", 200, 250, 400, 350}});
  Click(512, 400);
  EXPECT_TRUE(game_->WaitFor("box? textTextRight", "Then the manor is where I must look.", 10000));
  ClickThroughCutscene("102", "101");
}

void PlaythroughTest::Village() {
  // The first visit briefs the player.
  Answer("briefingok");
  LookAt("village", {{"sky", 0, 0, 1024, 120}, {"sidebar", 0, 700, 120, 760}});
  // The key from the cobbles into the strip, its pick-up window read and closed.
  Click(320, 580);
  ASSERT_TRUE(game_->WaitFor("held", "key_item")) << game_->ReadLog();
  Answer("takeitem");
  // The locked gate says so; the key opens it; the opened gate leads into the hall.
  UseItemOn("key_item", 780, 360);
  ASSERT_TRUE(game_->WaitFor("held", "-")) << game_->ReadLog();
  game_->Settle(5);
  Click(780, 360);
  WaitForScene("103");
}

void PlaythroughTest::HallAndAttic() {
  // A diary page lies in the hall; the diary then holds the story so far.
  Answer("diarypageok");
  Click(60, 680);
  ASSERT_TRUE(game_->WaitFor("visible back", "yes")) << game_->ReadLog();
  game_->Settle(10);
  LookAt("diary", {{"page", 120, 100, 500, 500}});
  Answer("back");
  // The help screen from the sidebar.
  Click(872, 732);
  Answer("helpclose");
  // Up into the attic.
  Click(400, 60);
  WaitForScene("201");
  LookAt("attic", {{"picture", 0, 0, 1024, 600}, {"list", 400, 720, 600, 760}});
  const struct {
    const char* entry;
    std::vector<std::pair<int, int>> at;
  } objects[] = {{"201_cup", {{329, 477}}},     {"201_book", {{504, 156}}},    {"201_bell", {{151, 316}}},
                 {"201_feather", {{253, 493}}}, {"201_skull", {{955, 364}}},   {"201_cranium", {{80, 157}}},
                 {"201_key", {{689, 562}}},     {"201_lens", {{620, 314}}},
                 {"group1", {{406, 166}, {568, 564}, {142, 486}}}};
  for (const auto& o : objects) {
    ASSERT_EQ(game_->Send(std::string("visible ") + o.entry), "yes") << o.entry;
    for (auto [x, y] : o.at) Click(x, y);
    EXPECT_TRUE(game_->WaitFor(std::string("visible ") + o.entry, "no", 5000)) << o.entry << " is struck";
  }
  // The prize: the relic, shown, then down to the hall, where the candle now stands.
  ASSERT_TRUE(game_->WaitFor("visible takeitem", "yes")) << game_->ReadLog();
  EXPECT_NE(game_->Send("held").find("relic_item"), std::string::npos);
  Answer("takeitem");
  WaitForScene("103");
  Click(620, 515);
  ASSERT_TRUE(game_->WaitFor("visible takeitem", "yes")) << game_->ReadLog();
  Answer("takeitem");
  EXPECT_NE(game_->Send("held").find("candle_item"), std::string::npos);
  // The diary's clue says "Light its lantern": the candle used on the clock's lantern opens the
  // door behind the clock.
  const auto brightness = [](uint32_t c) { return int(c >> 16 & 255) + int(c >> 8 & 255) + int(c & 255); };
  const uint32_t clockWood = Average(game_->Shot(), 335, 200, 341, 256);
  UseItemOn("candle_item", 320, 120);
  ASSERT_EQ(game_->Send("held").find("candle_item"), std::string::npos) << game_->ReadLog();
  game_->Settle(5);
  // The candle burns in the lantern now: its glass glows warm.
  const uint32_t lantern = Average(game_->Shot(), 314, 124, 326, 144);
  EXPECT_GT(int(lantern >> 16 & 255), 180) << Hex(lantern);
  // And the clock, the way now open behind it, glows like the hall's other ways.
  game_->Settle(60);
  const uint32_t clockGlowing = Average(game_->Shot(), 335, 200, 341, 256);
  EXPECT_GT(brightness(clockGlowing), brightness(clockWood) + 30) << Hex(clockWood) << " then " << Hex(clockGlowing);
  Click(320, 200);
  WaitForScene("301");
}

void PlaythroughTest::ClockPuzzlesUntilSaved() {
  // The torn portrait, joined as its words say: the first piece stays where it lies (60,150 on
  // the screen), the others are taken at their middles and laid against it, a little off as a
  // hand lays them: the second to its right, the third below it, the fourth below the second.
  LookAt("jigsaw", {{"board", 272, 172, 528, 428}});
  EXPECT_NE(game_->Send("box? shorttextText").find("lay it against its"), std::string::npos);
  for (const auto& m : {std::array{784, 224, 256, 211}, {124, 464, 119, 344}, {664, 444, 255, 346}}) {
    Click(m[0], m[1]);
    Click(m[2], m[3]);
  }
  EXPECT_TRUE(game_->WaitFor("box? shorttextText", "Solved! A door opens to the next room...", 5000));
  WaitForScene("302");
  // The cellar door: the lever opens the padlock, the two outer bolts drag the inner ones up.
  for (auto [x, y] : {std::pair{700, 330}, {270, 330}, {570, 330}}) Click(x, y);
  WaitForScene("303");
  // Left through the pause screen, which saves the game on the way out.
  savedHeld_ = game_->Send("held");
  Click(935, 720);  // the puzzle's menu button
  ASSERT_TRUE(game_->WaitFor("visible quitgame", "yes")) << game_->ReadLog();
  QuitWith("quitgame");
}

void PlaythroughTest::ResumeAfterRestart() {
  {
    e2e::Prefs prefs(game_->DataFolder());
    EXPECT_EQ(prefs.UserCount(), 1);
    EXPECT_EQ(prefs.GetString("name", 0), "Ada");
    const std::string saved = prefs.GetString("gamedata", 0);
    EXPECT_NE(saved.find("currentScene = 303"), std::string::npos) << saved.substr(0, 400);
    EXPECT_NE(prefs.GetString("gamestate", 0).find("objective_clock_lit"), std::string::npos);
  }
  ASSERT_TRUE(game_->Start());
  game_->Send("activate");
  ASSERT_TRUE(game_->WaitFor("visible play", "yes")) << game_->ReadLog();
  ASSERT_TRUE(game_->WaitFor("text? welcome", "Welcome, Ada!"));
  game_->Settle(kFadeFrames);
  OpenFromMenu("visible scene");
  WaitForScene("303");
  EXPECT_EQ(game_->Send("held"), savedHeld_);
  LookAt("potion", {{"cupboard", 340, 364, 560, 480}, {"pipes", 560, 200, 752, 392}});
}

void PlaythroughTest::RemainingPuzzles() {
  // The alchemist's table: green into the right funnel, purple into the left one, then mix.
  for (auto [x, y] : {std::pair{528, 424}, {656, 165}, {400, 424}, {592, 165}, {760, 444}}) Click(x, y);
  WaitForScene("304");
  // The old mirror: the true reflection is found by its picture among the false ones.
  {
    SetFileRoots(TString(std::getenv("TM_SOURCE_DIR")), TString(), TString());
    TImageBuffer right;
    const bool loaded = LoadPng("user:assets/images/mirror/right.png", &right);
    filetest::ResetFileSystem();
    ASSERT_TRUE(loaded);
    const Frame frame = game_->Shot();
    const std::pair<int, int> places[] = {{150, 150}, {400, 150}, {650, 150}, {275, 380}};
    int best = -1, bestDiff = 1 << 30;
    for (int i = 0; i < 4; ++i) {
      int diff = 0;
      for (int y = 0; y < right.height; y += 4)
        for (int x = 0; x < right.width; x += 4) {
          const uint8_t* p = right.Pixel(x, y);
          if (p[3] < 250) continue;
          diff += ChannelDistance(frame.At(places[i].first + x, places[i].second + y),
                                  uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2]);
        }
      if (diff < bestDiff) bestDiff = diff, best = i;
    }
    ASSERT_GE(best, 0);
    Click(places[best].first + right.width / 2, places[best].second + right.height / 2);
  }
  WaitForScene("305");
  // The game board: the two stones change ends as the lid shows, one waiting on the side path
  // while the other passes.
  for (auto [from, to] : {std::pair{std::pair{282, 182}, std::pair{432, 182}}, {{432, 182}, {432, 332}},
                          {{432, 332}, {432, 482}}, {{582, 182}, {432, 182}}, {{432, 182}, {282, 182}},
                          {{432, 482}, {432, 332}}, {{432, 332}, {432, 182}}, {{432, 182}, {582, 182}}}) {
    EXPECT_EQ(game_->Send("scene"), "305");
    Click(from.first, from.second);
    Click(to.first, to.second);
  }
  WaitForScene("306");
  // The gallery: the pictures change places over the empty third place.
  for (auto [x, y] : {std::pair{190, 190}, {340, 410}, {490, 190}, {190, 190}, {340, 410}, {490, 190}}) Click(x, y);
  WaitForScene("307");
  // The chronicle runs by itself; its strip moves, so the still board below it is compared.
  LookAt("chronicle", {{"board", 0, 520, 1024, 690}});
  ASSERT_TRUE(game_->WaitFor("scene", "401", 60000)) << game_->ReadLog();
  WaitForScene("401");
}

void PlaythroughTest::ShrineFarewellAndScore() {
  LookAt("shrine", {{"hall", 0, 0, 1024, 250}, {"pedestal", 340, 250, 500, 550}});
  EXPECT_EQ(game_->Send("held"), "relic_item");
  // By now the diary tells the story up to the clock's door.
  Click(60, 680);
  ASSERT_TRUE(game_->WaitFor("visible back", "yes")) << game_->ReadLog();
  LookAt("diary_later", {{"lines", 100, 100, 500, 360}});
  Answer("back");
  UseItemOn("relic_item", 420, 420);
  // The relic stands on its pedestal (silver, where the empty stone was) until the player goes on.
  game_->Settle(10);
  EXPECT_EQ(game_->Send("scene"), "401");
  LookAt("relic_placed", {{"relic", 390, 280, 450, 340}});
  Click(512, 300);
  WaitForScene("402");
  ASSERT_TRUE(game_->WaitFor("box? nameText", "The Vicar")) << game_->ReadLog();
  ClickThroughCutscene("402", "403");
  // The last screen; a click brings the score sheet over it, its lines faded in one by one.
  LookAt("ending", {{"picture", 0, 300, 1024, 600}});
  Click(512, 400);
  ASSERT_TRUE(game_->WaitFor("visible scoreclose", "yes")) << game_->ReadLog();
  game_->Settle(10);
  const std::string total = game_->Send("text? scoreedit");
  EXPECT_GT(std::atoi(total.c_str()), 0) << total;
  total_ = total;
  // The lines add up to the total, the chapter's points standing in their own lines.
  int sum = 0;
  for (const char* line : {"previouslevelbonus", "bonuspointscore", "bonuscompletelevelscore", "usedhintsbonusscore",
                           "timebonusscore"})
    sum += std::atoi(game_->Send(std::string("text? ") + line).c_str());
  EXPECT_EQ(sum, std::atoi(total.c_str()));
  EXPECT_GT(std::atoi(game_->Send("text? bonuspointscore").c_str()), 0);
  // The total comes in last; once it is there every number stands on the sheet.
  ASSERT_TRUE(game_->WaitFor("alpha scoreedit", "1.00", 60000)) << game_->Send("alpha scoreedit");
  LookAt("score", {{"title", 232, 124, 792, 184}, {"chapterbonus", 702, 302, 772, 324}});
  Answer("scoreclose");
}

void PlaythroughTest::BackInTheMenuAndOut() {
  // The main menu again, the finished player started over: Play opens the chapter card.
  ASSERT_TRUE(game_->WaitFor("visible play", "yes")) << game_->ReadLog();
  ASSERT_TRUE(game_->WaitFor("top", menuTop_)) << game_->Send("top") << " " << game_->Send("modals");
  game_->Settle(kFadeFrames);
  // The high-score table holds the finished story's score, first, under the player's name.
  ASSERT_TRUE(game_->ClickUntil("hiscores", "visible name1", "yes")) << game_->ReadLog();
  EXPECT_EQ(game_->Send("text? name1"), "Ada");
  EXPECT_EQ(game_->Send("text? score1"), total_);
  EXPECT_EQ(game_->Send("text? 1"), "1.");
  EXPECT_EQ(game_->Send("visible name2"), "no");
  ASSERT_TRUE(game_->ClickUntil("back", "top", menuTop_));
  game_->Settle(kFadeFrames);
  ASSERT_TRUE(game_->ClickUntil("quit", "visible yes", "yes"));
  QuitWith("yes");

  e2e::Prefs prefs(game_->DataFolder());
  ASSERT_EQ(prefs.UserCount(), 1);
  EXPECT_EQ(prefs.GetString("name", 0), "Ada");
  // Started over: no saved game is left, and the sound settings are the new profile's.
  EXPECT_EQ(prefs.GetString("gamedata", 0).find("currentScene = 403"), std::string::npos);
  EXPECT_EQ(prefs.GetInt("soundlevel", -1, 0), 800);
  EXPECT_EQ(prefs.GetInt("musiclevel", -1, 0), 800);
}

TEST_F(PlaythroughTest, ANewPlayerPlaysTheDemoToTheEnd) {
  for (void (PlaythroughTest::*step)() :
       {&PlaythroughTest::FirstStartAndNewPlayer, &PlaythroughTest::ChapterAndWelcome, &PlaythroughTest::Village,
        &PlaythroughTest::HallAndAttic, &PlaythroughTest::ClockPuzzlesUntilSaved,
        &PlaythroughTest::ResumeAfterRestart, &PlaythroughTest::RemainingPuzzles,
        &PlaythroughTest::ShrineFarewellAndScore, &PlaythroughTest::BackInTheMenuAndOut}) {
    (this->*step)();
    Mark("stage done");
    if (HasFatalFailure()) return;
  }
}

}  // namespace
