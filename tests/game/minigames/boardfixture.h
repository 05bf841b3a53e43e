// Shared set-up of the mini-game board tests: a window screen with named textures of known sizes,
// a stand-in pixel probe (every pixel inside a textured sprite is opaque), the model's singletons
// with a game text built through the compositor, and a host that records what the board asks of
// its scene window (sounds, cursor, bonus, skip, scripts).
#pragma once
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/log.h"
#include "minigames/minigameboard.h"
#include "model/compositor.h"
#include "model/game.h"
#include "model/globals.h"
#include "model/highscore.h"
#include "render/sprite.h"
#include "shell/settings.h"
#include "shell/spritewindow.h"
#include "ui/widgets_fixture.h"

class OpaqueProbe : public ISpriteHitProbe {
 public:
  bool ReadAlpha(TSprite& sprite, const TDrawSpec&, int32_t, uint8_t* alpha) override {
    *alpha = sprite.GetTexture() ? 255 : 0;
    return true;
  }
  bool IsSixteenBitMode() override { return false; }
  void ReleaseTarget() override {}
};

class BoardTest : public WidgetFixture, public IMiniGameHost {
 protected:
  void SetUp() override {
    WidgetFixture::SetUp();
    TSprite::SetHitProbe(&probe_);
    CGame::CreateInstance();
    CHighscoreSystem::CreateInstance();
    CGlobalInformationSystem::CreateInstance();
    TSettings::CreateInstance();
    sprites_ = new TSpriteWindow();
    screen_->AddChild(sprites_, false);
  }
  void TearDown() override {
    board_.reset();
    TSettings::DestroyInstance();
    CModelCompositor::ReleaseInstance();
    CGame::DestroyInstance();
    CHighscoreSystem::DestroyInstance();
    CGlobalInformationSystem::DestroyInstance();
    TSprite::SetHitProbe(nullptr);
    WidgetFixture::TearDown();
  }

  // Builds the game text (one scene, seqId 1, inside a level) and answers that scene.
  template <class T>
  T* Load(const std::string& scene, const std::string& gameKeys = "") {
    CModelCompositor::CreateInstance();
    EXPECT_EQ(Run("function require(name) end"), 0);
    const std::string text =
        "MakeGame { currentScene = 1, " + gameKeys + " MakeLevel { seqId = 1,\n" + scene + "\n} }";
    EXPECT_EQ(Run(text.c_str()), 0) << text;
    CModelCompositor::ReleaseInstance();
    CHighscoreSystem::GetInstance()->SetMiniGameTaskCompleteBonus(250);
    T* model = dynamic_cast<T*>(CGame::GetInstance()->FindScene(1));
    EXPECT_NE(model, nullptr);
    return model;
  }
  // Takes the board and builds its sprites.
  template <class B>
  B& Open(std::unique_ptr<B> board) {
    B& b = *board;
    board_ = std::move(board);
    board_->PostCreate();
    return b;
  }

  bool Click(int32_t x, int32_t y) { return board_->OnMouseDown(TPoint{x, y}); }
  bool Move(int32_t x, int32_t y) { return board_->OnMouseMove(TPoint{x, y}); }

  // The top-left corner of the last entry of the name, (-1, -1) when there is none.
  std::pair<int32_t, int32_t> At(const char* name) {
    int32_t index = -1;
    if (!sprites_->FindSprite(name, &index)) return {-1, -1};
    const TSpriteEntry e = sprites_->GetSpriteEntry(index);
    const TDrawSpec& spec = e.sprite->GetSpec();
    const TVec2 p = spec.transform.GetTranslation();
    return {static_cast<int32_t>(p.x - spec.anchor.x), static_cast<int32_t>(p.y - spec.anchor.y)};
  }
  std::string TextureOf(const char* name) {
    int32_t index = -1;
    if (!sprites_->FindSprite(name, &index)) return "<none>";
    const auto& t = sprites_->GetSpriteEntry(index).sprite->GetTexture();
    auto it = names_.find(t.get());
    return it == names_.end() ? "<unnamed>" : it->second;
  }
  // Registers a picture under its name.
  void Tex(const std::string& name, int w, int h) { names_[Texture(name.c_str(), w, h).get()] = name; }
  int CountKind(int32_t kind) {
    int n = 0;
    for (int32_t i = 0; i < sprites_->GetSpriteCount(); ++i) n += sprites_->GetSpriteEntry(i).kind == kind;
    return n;
  }

  // IMiniGameHost
  TSpriteWindow& GetSprites() override { return *sprites_; }
  TWindow& GetWindow() override { return *screen_; }
  bool AcceptsInput() const override { return live_ && !blocked_ && skips_ == 0; }
  bool IsLive() const override { return live_ && skips_ == 0; }
  void PlaySound(const char* name) override { sounds_.push_back(name); }
  int32_t GetCursor() const override { return cursor_; }
  void SetCursor(int32_t kind) override { cursor_ = kind; }
  void ShowBonus(TPoint, uint32_t bonus) override { bonus_ += bonus; }
  void Skip() override { ++skips_; }
  void RunScript(const char* text) override { scripts_.push_back(text); }
  uint32_t GetPlayClockTime() const override { return clock_; }

  std::map<const TTexture*, std::string> names_;
  OpaqueProbe probe_;
  TSpriteWindow* sprites_ = nullptr;
  std::unique_ptr<TMiniGameBoard> board_;
  bool live_ = true, blocked_ = false;
  int32_t cursor_ = 0;
  uint32_t bonus_ = 0, clock_ = 0;
  int skips_ = 0;
  std::vector<std::string> sounds_, scripts_;
};
