// The demo's scene screens played through the real program's input: the chapter card, the
// cutscene, the village with its key, gate and exit, the attic's hidden-object search, the diary,
// a save and restart in the middle of a scene, and a key taken as the game is closed; frames read
// back for the expected pictures.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "e2e/gamedriver.h"
#include "e2e/gametest.h"

namespace fs = std::filesystem;
using e2e::Frame;
using e2e::GameDriver;

namespace {

class ScenesTest : public e2e::GameTest {
 protected:
  ScenesTest() : GameTest("scenes") {}

  // First start: a player is made, and Play opens the first scene (the chapter card).
  void StartNewGame() {
    ASSERT_TRUE(game_->Start());
    ASSERT_TRUE(game_->WaitFor("visible nameedit", "yes")) << game_->ReadLog();
    game_->Send("text Ada");
    game_->Settle();
    ASSERT_TRUE(game_->ClickWindow("ok"));
    ASSERT_TRUE(game_->WaitFor("visible play", "yes")) << game_->ReadLog();
    game_->Settle(40);
    // A press that lands while the menu still settles may be lost; the menu then stays put.
    bool opened = false;
    for (int attempt = 0; attempt < 3 && !opened; ++attempt) {
      ASSERT_TRUE(game_->ClickWindow("play"));
      opened = game_->WaitFor("visible locationImage", "yes", 20000);
    }
    ASSERT_TRUE(opened) << game_->Send("top") << "\n" << game_->ReadLog();
    EXPECT_EQ(game_->Send("scene"), "100");
  }
  void Click(int x, int y) {
    game_->Send("move " + std::to_string(x) + " " + std::to_string(y));
    game_->Settle(2);
    game_->Send("click " + std::to_string(x) + " " + std::to_string(y));
    game_->Settle(3);
  }
  // Waits until the scene's window is up and its fade-in has cleared.
  void WaitForScene(const std::string& id) {
    ASSERT_TRUE(game_->WaitFor("scene", id, 60000)) << game_->ReadLog();
    ASSERT_TRUE(game_->WaitFor("visible scene", "yes")) << game_->ReadLog();
    // The village's and the hall's first visits open a dialog that the player closes.
    for (const char* button : {"briefingok", "diarypageok"})
      if (game_->WaitFor(std::string("visible ") + button, "yes", id == "101" || id == "103" ? 8000 : 0))
        ASSERT_TRUE(game_->ClickUntil(button, std::string("visible ") + button, "no"));
    // The cover over the scene has (almost) faded away.
    bool clear = false;
    for (int i = 0; i < 600 && !clear; ++i) {
      const std::string alpha = game_->Send("alpha transition");
      clear = !alpha.empty() && alpha != "missing" && std::atof(alpha.c_str()) < 0.05;
      if (!clear) game_->Settle(1);
    }
    ASSERT_TRUE(clear) << game_->Send("alpha transition");
    game_->Settle(20);
  }
  // Chapter card, then the cutscene clicked through, to the village.
  void PlayToVillage() {
    StartNewGame();
    game_->Settle(50);
    Click(512, 400);
    WaitForScene("102");
    for (int i = 0; i < 8 && game_->Send("scene") == "102"; ++i) Click(512, 400);
    WaitForScene("101");
  }
  // Into the hall with the key from the village, then up into the attic's search.
  void PlayToAttic() {
    PlayToVillage();
    Click(320, 580);
    ASSERT_TRUE(game_->WaitFor("visible takeitem", "yes"));
    game_->ClickWindow("takeitem");
    Click(279, 692);
    Click(780, 360);
    Click(780, 360);
    WaitForScene("103");
    Click(400, 60);
    WaitForScene("201");
  }
  // Leaves through the pause screen's way out (which saves) and starts the program again, back
  // into the saved scene.
  void QuitAndResume(const std::string& sceneId) {
    // Escape opens the pause screen and, pressed there, closes it again.
    game_->Send("key 27");
    ASSERT_TRUE(game_->WaitFor("visible quitgame", "yes")) << game_->ReadLog();
    game_->Send("key 27");
    ASSERT_TRUE(game_->WaitFor("visible quitgame", "no")) << game_->ReadLog();
    game_->Settle(5);
    game_->Send("key 27");
    ASSERT_TRUE(game_->WaitFor("visible quitgame", "yes")) << game_->ReadLog();
    game_->ClickWindow("quitgame");
    ASSERT_EQ(game_->WaitForExit(30000), 0) << game_->ReadLog();
    ASSERT_TRUE(game_->Start());
    ASSERT_TRUE(game_->WaitFor("visible play", "yes")) << game_->ReadLog();
    game_->Settle(40);
    ASSERT_TRUE(game_->ClickWindow("play"));
    WaitForScene(sceneId);
  }
  static int Channel(uint32_t c, int shift) { return int((c >> shift) & 255); }
  // Pixels inside the rectangle whose red, green and blue pass the test.
  template <class Test>
  static int CountPixels(const Frame& f, int left, int top, int right, int bottom, Test test) {
    int count = 0;
    for (int y = top; y < bottom; ++y)
      for (int x = left; x < right; ++x) {
        const uint32_t c = f.At(x, y);
        if (test(Channel(c, 16), Channel(c, 8), Channel(c, 0))) ++count;
      }
    return count;
  }
  // Pixels inside the rectangle darker than `level` in every channel (ink on light paper).
  static int Dark(const Frame& f, int left, int top, int right, int bottom, int level) {
    return CountPixels(f, left, top, right, bottom,
                       [level](int r, int g, int b) { return r < level && g < level && b < level; });
  }
  // A pixel near the colour (each channel within the tolerance).
  static bool Near(uint32_t pixel, uint32_t colour, int tolerance) {
    for (int shift : {0, 8, 16})
      if (std::abs(Channel(pixel, shift) - Channel(colour, shift)) > tolerance) return false;
    return true;
  }

};

TEST_F(ScenesTest, ANewGameShowsTheChapterCardWhichMovesOnByItself) {
  StartNewGame();
  game_->Settle(60);
  const Frame card = game_->Shot();
  ASSERT_EQ(card.width, 1024);
  // The parchment backdrop (light brown) and the map picture in its place (green).
  EXPECT_GT(Channel(card.At(900, 100), 16), 120);
  EXPECT_LT(card.CountDiffering(150, 260, 480, 460, 0xc9d6a0, 40), (480 - 150) * (460 - 260) / 3);
  // Ten seconds of card, then the cutscene without a click.
  ASSERT_TRUE(game_->WaitFor("scene", "102", 90000)) << game_->ReadLog();
}

TEST_F(ScenesTest, TheCutscenePlaysItsLinesAndTheVillageKeyOpensTheGate) {
  StartNewGame();
  game_->Settle(50);
  Click(512, 400);  // a click skips the card
  WaitForScene("102");
  // The first line shows once the stage has faded in.
  ASSERT_TRUE(game_->WaitFor("box? nameText", "The Vicar")) << game_->ReadLog();
  EXPECT_EQ(game_->Send("box? textTextLeft").substr(0, 16), "You came at last");
  const Frame stage = game_->Shot();
  // The letterbox bars are black, the speech panel light.
  EXPECT_LT(stage.CountDiffering(0, 0, 1024, 80, 0x080808, 24), 1024 * 80 / 10);
  EXPECT_GT(Channel(stage.At(300, 200), 16), 180);
  // The speaker's name in ink on its plate, above the panel; the vicar (left, blue) is lit and the
  // heroine (right, red) a little shaded, still herself.
  EXPECT_GT(Dark(stage, 380, 115, 650, 170, 90), 50);
  EXPECT_GT(Channel(stage.At(150, 550), 0), 80);
  const int heroineShaded = Channel(stage.At(870, 550), 16), vicarLit = Channel(stage.At(150, 550), 0);
  EXPECT_GT(heroineShaded, 60);
  // Neither speech bubble covers a face: the faces (skin) show below the bubble on every line.
  auto skin = [](const Frame& f, int left) {
    return CountPixels(f, left, 330, left + 120, 420, [](int r, int g, int b) { return r > 150 && g > 110 && b > 80 && r > b + 40; });
  };
  EXPECT_GT(skin(stage, 90), 800);
  Click(512, 400);
  EXPECT_TRUE(game_->WaitFor("box? textTextRight", "Then the manor is where I must look.", 5000));
  EXPECT_EQ(game_->Send("box? textTextLeft"), "");
  game_->Settle(5);
  const Frame answer = game_->Shot();
  EXPECT_LT(Channel(answer.At(150, 550), 0), vicarLit);
  EXPECT_GT(Channel(answer.At(870, 550), 16), heroineShaded);
  EXPECT_GT(skin(answer, 814), 800);
  for (int i = 0; i < 8 && game_->Send("scene") == "102"; ++i) Click(512, 400);
  WaitForScene("101");

  // Hovering: the gate hotspot, the key, empty ground.
  game_->Send("move 780 360");
  EXPECT_TRUE(game_->WaitFor("cursor", "6", 5000));
  game_->Send("move 320 580");
  EXPECT_TRUE(game_->WaitFor("cursor", "4", 5000));
  game_->Send("move 600 300");  // the drawn pointer off the key
  game_->Settle(3);
  const Frame village = game_->Shot();
  // The key (gold) on the ground and the sidebar strip (dark wood) along the bottom.
  EXPECT_LT(village.CountDiffering(326, 577, 334, 583, 0xd0a030, 60), 20);
  EXPECT_LT(village.CountDiffering(0, 700, 120, 760, 0x5c3b21, 60), 120 * 60 / 2);

  // The hint, pressed while the key still lies on the ground, circles the key, not the locked
  // gate: the sparkle shows in every frame of its orbit round it.
  auto sparkles = [](const Frame& f, int cx, int cy) {
    return CountPixels(f, cx - 110, cy - 110, std::min(cx + 110, 1024), std::min(cy + 110, 640),
                       [](int r, int g, int b) { return r > 200 && g > 200 && b > 150; });
  };
  const int groundLight = sparkles(village, 332, 580);
  // Windows drawn after the sparkle in the same frame stay whole: the strip's panel (dark wood)
  // below its slots, and the ink of the notice above the gate.
  auto stripPanel = [](const Frame& f) {
    return CountPixels(f, 250, 735, 830, 765, [](int r, int g, int b) { return r < 110 && g < 80 && b < 50; });
  };
  auto noticeInk = [](const Frame& f) { return Dark(f, 655, 140, 915, 185, 90); };
  const int ink = noticeInk(village);
  EXPECT_GT(ink, 300);
  EXPECT_GT(stripPanel(village), 580 * 30 * 3 / 4);
  game_->Send("config hintrefilltime 1");
  game_->Settle(5);
  Click(978, 660);
  game_->Send("move 600 300");
  EXPECT_EQ(game_->Send("hint"), "332 580");
  int frames = 0, lit = 0, whole = 0;
  for (; frames < 400 && game_->Send("hint") != "-"; ++frames) {
    const Frame f = game_->Shot();
    if (sparkles(f, 332, 580) > groundLight + 20) ++lit;
    if (stripPanel(f) > 580 * 30 * 3 / 4 && noticeInk(f) > ink / 2) ++whole;
  }
  EXPECT_GT(frames, 5);
  EXPECT_GE(lit, frames - 2) << "the sparkle was seen in " << lit << " of " << frames << " frames";
  EXPECT_EQ(whole, frames) << "the strip and the notice were whole in " << whole << " of " << frames << " frames";
  EXPECT_LT(sparkles(game_->Shot(), 332, 580), groundLight + 20);

  // The key goes into the strip; the pick-up window shows it.
  Click(320, 580);
  EXPECT_EQ(game_->Send("held"), "key_item");
  ASSERT_TRUE(game_->WaitFor("visible takeitem", "yes")) << game_->ReadLog();
  ASSERT_TRUE(game_->ClickWindow("takeitem"));
  ASSERT_TRUE(game_->WaitFor("visible takeitem", "no"));
  // The key fades from the ground; its picture (gold) is in its slot of the strip.
  Frame carried = game_->Shot();
  for (int tries = 0; tries < 60 && carried.CountDiffering(326, 577, 334, 583, 0xd0a030, 60) <= 40; ++tries) {
    game_->Settle(2);
    carried = game_->Shot();
  }
  EXPECT_GT(carried.CountDiffering(326, 577, 334, 583, 0xd0a030, 60), 40);
  EXPECT_LT(carried.CountDiffering(271, 684, 287, 700, 0xce9f30, 30), 216);
  // With the key held, the hint (refilled after its second) leads to the gate it opens.
  game_->Settle(120);
  Click(978, 660);
  EXPECT_EQ(game_->Send("hint"), "780 360");
  ASSERT_TRUE(game_->WaitFor("hint", "-", 30000));
  // Laid on the empty sky, the key is turned away with a word, and goes back into the strip.
  Click(279, 692);
  Click(300, 100);
  EXPECT_EQ(game_->Send("box? shorttextText"), "That does not work here.");
  EXPECT_EQ(game_->Send("held"), "key_item");
  // Carried from its slot onto the gate, it opens it: the gate stands open on the lit hall.
  auto warmLight = [](const Frame& f) {
    return CountPixels(f, 740, 260, 820, 500, [](int r, int g, int b) { return r > 190 && g > 140 && b < 150; });
  };
  game_->Send("move 600 300");
  game_->Settle(3);
  const int shutLight = warmLight(game_->Shot());
  Click(279, 692);
  Click(780, 360);
  EXPECT_EQ(game_->Send("held"), "-") << game_->ReadLog();
  game_->Send("move 600 300");
  game_->Settle(5);
  EXPECT_GT(warmLight(game_->Shot()), shutLight + 1000);
  // The opened exit leads into the hall.
  Click(780, 360);
  WaitForScene("103");
  // The autosave of the hall's screen has the key used and the gate open.
  e2e::Prefs prefs(game_->DataFolder());
  const std::string saved = prefs.GetString("gamedata", 0);
  EXPECT_NE(saved.find("currentScene = 103"), std::string::npos) << saved.substr(0, 300) << game_->ReadLog();
  EXPECT_NE(saved.find("timesPickable = 0"), std::string::npos);
  // The hall's hearth burns: its flames are an animated picture, so what the hearth shows changes
  // from one presented frame to another while the wall beside it stays as it is.
  game_->Send("move 200 300");
  auto crop = [](const Frame& f, int left, int top, int right, int bottom) {
    std::vector<uint32_t> out;
    for (int y = top; y < bottom; ++y)
      for (int x = left; x < right; ++x) out.push_back(f.At(x, y));
    return out;
  };
  std::set<std::vector<uint32_t>> fires, walls;
  for (int i = 0; i < 60 && fires.size() < 4; ++i) {
    game_->Settle(2);
    const Frame f = game_->Shot();
    fires.insert(crop(f, 540, 380, 650, 460));
    walls.insert(crop(f, 740, 300, 800, 360));
    if (i == 0) EXPECT_GT(CountPixels(f, 540, 380, 650, 460, [](int r, int g, int b) { return r > 230 && g > 150 && b < 140; }), 300);
  }
  EXPECT_GE(fires.size(), 4u);
  EXPECT_EQ(walls.size(), 1u);
  // Every window drew inside the frame's own 2D block.
  EXPECT_EQ(game_->ReadLog().find("Begin2d"), std::string::npos);
}

TEST_F(ScenesTest, TheKeyTakenAsTheGameIsClosedIsGoneFromTheGroundAfterARestart) {
  PlayToVillage();
  game_->Send("move 600 300");
  game_->Settle(3);
  // The key (gold) lies on the ground.
  EXPECT_LT(game_->Shot().CountDiffering(326, 577, 334, 583, 0xd0a030, 60), 20);
  Click(320, 580);
  ASSERT_TRUE(game_->WaitFor("visible takeitem", "yes")) << game_->ReadLog();
  // Closed with Alt+F4 while the pick-up window still holds the scene: saved, and the game ends.
  game_->Send("keydown 18");
  game_->Send("key 115");
  game_->Send("keyup 18");
  ASSERT_EQ(game_->WaitForExit(30000), 0) << game_->ReadLog();
  ASSERT_TRUE(game_->Start());
  ASSERT_TRUE(game_->WaitFor("visible play", "yes")) << game_->ReadLog();
  game_->Settle(40);
  ASSERT_TRUE(game_->ClickWindow("play"));
  WaitForScene("101");
  // Carried, and no longer on the ground: the cobbles show where it lay, and nothing there to take.
  EXPECT_EQ(game_->Send("held"), "key_item");
  game_->Send("move 320 580");
  game_->Settle(3);
  EXPECT_NE(game_->Send("cursor"), "4");
  game_->Send("move 600 300");
  game_->Settle(3);
  EXPECT_GT(game_->Shot().CountDiffering(326, 577, 334, 583, 0xd0a030, 60), 40);
}

// Every object the attic's list holds, by its place on the picture; the coins are found three times.
const struct {
  const char* id;
  int x, y;
} kAtticObjects[] = {{"201_cup", 329, 477},     {"201_book", 504, 156},  {"201_bell", 151, 316},
                     {"201_feather", 253, 493}, {"201_skull", 955, 364}, {"201_cranium", 80, 157},
                     {"201_key", 689, 562},     {"201_lens", 620, 314},  {"group1", 406, 166},
                     {"group1", 568, 564},      {"group1", 142, 486}};

TEST_F(ScenesTest, TheAtticSearchHintsPunishesMissesSurvivesARestartAndWinsThePrize) {
  PlayToAttic();
  const Frame attic = game_->Shot();
  // The list area of the hidden-object strip is light parchment with the objects' names in ink;
  // the cup (china dimmed to the attic's dusk, half behind a jar) lies on the picture.
  EXPECT_GT(Channel(attic.At(205, 680), 16), 180);
  EXPECT_GT(Dark(attic, 180, 660, 560, 760, 80), 200);
  EXPECT_LT(attic.CountDiffering(310, 468, 322, 480, 0x777271, 40), 72);

  // The list asks for every thing the attic hides, not a pick of them.
  for (const auto& [entry, name] : std::vector<std::pair<std::string, std::string>>{
           {"201_cup", "Cup"}, {"201_book", "Book"}, {"201_bell", "Bell"}, {"201_feather", "Feather"},
           {"201_skull", "Candlestick"}, {"201_cranium", "Skull"}, {"201_key", "Iron key"}, {"201_lens", "Lens"},
           {"group1", "3 Coins 3/3"}})
    EXPECT_EQ(game_->Send("box? " + entry), name) << entry;

  // A hit strikes the cup from the list.
  Click(329, 477);
  EXPECT_EQ(game_->Send("visible 201_cup"), "no");
  game_->Settle(20);
  const std::string scored = game_->Send("score");

  // The hint circles an object still missing; used, it stays empty until its refill time passed.
  game_->Send("config hintrefilltime 1000");
  Click(969, 651);
  std::istringstream centre(game_->Send("hint"));
  int hx = 0, hy = 0;
  ASSERT_TRUE(centre >> hx >> hy) << "no hint";
  bool onMissing = false;
  for (const auto& o : kAtticObjects)
    onMissing |= std::string(o.id) != "201_cup" && std::abs(o.x - hx) < 8 && std::abs(o.y - hy) < 8;
  EXPECT_TRUE(onMissing) << hx << " " << hy;
  ASSERT_TRUE(game_->WaitFor("hint", "-", 20000));
  Click(969, 651);
  EXPECT_EQ(game_->Send("hint"), "-");
  game_->Send("config hintrefilltime 1");
  Click(969, 651);
  EXPECT_NE(game_->Send("hint"), "-");
  ASSERT_TRUE(game_->WaitFor("hint", "-", 20000));

  // Misclicks in quick succession start the penalty, which ends by itself; misses cost no points.
  for (int i = 0; i < 6; ++i) game_->Send("click " + std::to_string(700 + i * 10) + " 600");
  EXPECT_TRUE(game_->WaitFor("penalty", "yes", 5000));
  EXPECT_EQ(game_->Send("scene"), "201");
  ASSERT_TRUE(game_->WaitFor("penalty", "no", 60000));
  EXPECT_EQ(game_->Send("score"), scored);

  // Saved and started again: the same search, the cup still struck, the score kept.
  QuitAndResume("201");
  EXPECT_EQ(game_->Send("visible 201_cup"), "no");
  EXPECT_EQ(game_->Send("score"), scored);

  // The list holds four names at a time; a struck name makes room for the next.
  for (int pass = 0; pass < 3 && game_->Send("visible takeitem") != "yes"; ++pass)
    for (const auto& o : kAtticObjects) {
      if (game_->Send(std::string("visible ") + o.id) != "yes") continue;
      Click(o.x, o.y);
      if (std::string(o.id) != "group1") EXPECT_EQ(game_->Send(std::string("visible ") + o.id), "no") << o.id;
    }
  // All found: the prize is held and shown, and closing its window leads back to the hall.
  ASSERT_TRUE(game_->WaitFor("visible takeitem", "yes")) << game_->ReadLog();
  // The three coins' line is struck like every other found line, its count at nothing left.
  EXPECT_EQ(game_->Send("box? group1strikeOut"), "<u>3</u> <u>Coins</u> <u>0/3</u>");
  EXPECT_NE(game_->Send("held").find("relic_item"), std::string::npos);
  game_->ClickWindow("takeitem");
  WaitForScene("103");
}

TEST_F(ScenesTest, TheDiaryPagesBackAndForthAndASavedSceneComesBackAfterARestart) {
  PlayToVillage();
  Click(320, 580);
  ASSERT_TRUE(game_->WaitFor("visible takeitem", "yes"));
  game_->ClickWindow("takeitem");
  ASSERT_TRUE(game_->WaitFor("visible takeitem", "no"));
  // A second spread: two site ends move the diary's writing on by one spread.
  ASSERT_EQ(game_->Send("lua AddDiarySiteEnd() AddDiarySiteEnd() "
                        "AddDiaryText('DIARY_2', 16, 'fonts/default.mvec', GetDiaryCurrentSitePosX() + 100, 100)"),
            "ok");
  // The diary button in the sidebar opens the book where it is written last: a way back, none on.
  const std::string parked = "-2000 -2000 -1920 -1944";
  Click(60, 680);
  ASSERT_TRUE(game_->WaitFor("visible goBack", "yes")) << game_->ReadLog();
  game_->Settle(10);
  EXPECT_EQ(game_->Send("rect goForward"), parked);
  EXPECT_NE(game_->Send("rect goBack"), parked);
  const Frame newest = game_->Shot();
  ASSERT_TRUE(game_->ClickUntil("goBack", "rect goBack", parked)) << game_->Send("rect goBack");
  EXPECT_NE(game_->Send("rect goForward"), parked);
  game_->Settle(5);
  const Frame first = game_->Shot();
  ASSERT_TRUE(game_->ClickUntil("goForward", "rect goForward", parked)) << game_->Send("rect goForward");
  game_->Settle(5);
  // Each spread shows its own line in ink on the paper.
  EXPECT_GT(Dark(first, 100, 148, 480, 168, 90), 100);
  EXPECT_EQ(Dark(newest, 100, 148, 480, 168, 90), 0);
  EXPECT_GT(Dark(newest, 110, 95, 480, 125, 90), 100);
  game_->Send("move 60 680");  // the drawn pointer where it was for the first picture
  game_->Settle(5);
  EXPECT_EQ(game_->Shot().pixels, newest.pixels);
  ASSERT_TRUE(game_->ClickWindow("back"));
  ASSERT_TRUE(game_->WaitFor("visible goBack", "no"));

  // Saved through the pause screen's way out, then started again: the village with the key held.
  QuitAndResume("101");
  EXPECT_EQ(game_->Send("held"), "key_item");
}

}  // namespace
