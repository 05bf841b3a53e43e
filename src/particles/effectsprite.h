// TFxSprite: a sprite that plays a particle effect. It embeds one scripted particle system and
// feeds it the sprite's on-screen position and up direction (the script's "dLocus" and "dUp"), so an
// effect emits from wherever the sprite is drawn in its tree. TFxSpriteAnimTask steps every playing
// effect in fixed 12 ms steps, at most four per frame.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "core/string.h"
#include "core/task.h"
#include "particles/luaparticlesystem.h"
#include "particles/particlefunction.h"
#include "render/drawspec.h"
#include "render/sprite.h"
#include "script/scriptbinding.h"

class TFxSpriteAnimTask;

class TFxSprite : public TSprite {
  TM_CLASS(TFxSprite, TSprite)

 public:
  // A sprite on the layer; with an effect path its effect is loaded and registered at once.
  static std::shared_ptr<TFxSprite> Create(int32_t layer, const TString& specPath);
  ~TFxSprite() override;

  // With reset, stops playing and prepares the particle script again. Loads the effect script and
  // registers the sprite with the task (null: the shared one); false when it cannot load.
  bool LoadSpec(const TString& effectPath, TFxSpriteAnimTask* task, bool reset);
  using TSprite::Draw;
  // Draws the tree under the parent's record (see DrawContent). Null draws it with the sprite's own
  // record alone: nothing places the sprite then, so its effect does not start.
  void Draw(const TDrawSpec* parent);

  void SetPosition(const TVec2& p) { GetSpec().transform.SetTranslation(p); }
  TVec2 GetPosition() const { return GetSpec().transform.GetTranslation(); }

  TLuaParticleSystem& GetParticleSystem() { return *mSystem; }
  bool IsPlaying() const { return mPlaying; }
  const TString& GetSpecPath() const { return mSpecPath; }
  const TString& GetSpecFolder() const { return mSpecFolder; }
  const TVec2& GetEmitterLocus() const { return mLocus->Get(); }
  const TVec2& GetEmitterUp() const { return mUp->Get(); }

 protected:
  explicit TFxSprite(int32_t layer);
  // The particles in place of a texture. A placed sprite first passes its position and up
  // direction to the effect and starts playing.
  void DrawContent(const TDrawSpec& drawSpec) override;

 private:
  // Script "CreateFx" (table): a child effect at x, y on a layer, running the effect script the table
  // names (beside ours).
  int LuaCreateFx(lua_State* L);
  void BindScript();

  std::shared_ptr<FConstVec2> mLocus;
  std::shared_ptr<FConstVec2> mUp;
  std::unique_ptr<TLuaParticleSystem> mSystem;
  TString mSpecFolder;
  TString mSpecPath;
  bool mPlaying = false;
  bool mUnplacedDraw = false;
  TScriptBindings mBindings;
};

// Steps the registered effect sprites. Made on first use and added to the platform's task list
// when a platform runs; ends (and is deleted by the list) once no sprite is registered.
class TFxSpriteAnimTask : public TTask {
 public:
  static constexpr uint32_t kStepMs = 12;
  static constexpr uint32_t kMaxSteps = 4;

  explicit TFxSpriteAnimTask(uint32_t now);
  ~TFxSpriteAnimTask() override;

  static TFxSpriteAnimTask* GetInstance();

  void Add(const std::shared_ptr<TFxSprite>& sprite);
  // One frame at the time `now`: whole 12 ms steps since the last one (at most four; the rest is
  // dropped) for every playing sprite; gone and finished sprites leave the list. True while the
  // list is not empty.
  bool Update(uint32_t now);
  bool Run() override;
  size_t GetCount() const { return mSprites.size(); }

 private:
  std::vector<std::weak_ptr<TFxSprite>> mSprites;
  uint32_t mLastStep;
};
