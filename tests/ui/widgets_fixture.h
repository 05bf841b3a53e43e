// Shared setup for the widget tests: a screen with a window script, textures registered under the
// names scripts load them by (sized, never backed by a surface), and recorders for texture and
// triangle drawing and for untargeted messages.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "render/assetmanager.h"
#include "render/drawcontext.h"
#include "render/drawspec.h"
#include "render/texture.h"
#include "render/texturedata.h"
#include "script/lua/lua.h"
#include "ui/windowscript.h"
#include "uifixture.h"

// Records untargeted messages as "type name" without consuming them.
class MessageRecorder : public TMessageListener {
 public:
  explicit MessageRecorder(std::vector<std::string>* log) : mLog(log) {}
  bool OnMessage(TMessage& m) override {
    mLog->push_back("posted " + std::to_string(m.GetType()) + " " + m.GetName().CStr());
    return false;
  }
  std::vector<std::string>* mLog;
};

struct DrawnTexture {
  TTexture* texture;
  TDrawSpec drawSpec;
};

class WidgetFixture : public UiFixture {
 protected:
  void SetUp() override {
    UiFixture::SetUp();
    previousAssets_ = TAssetManager::GetInstance();
    if (!previousAssets_) {
      assets_ = std::make_unique<TAssetManager>();
      TAssetManager::SetInstance(assets_.get());
    }
    screen_ = MakeScreen();
    manager_->InstallWindowScript(std::make_unique<TWindowScript>());
    script_ = manager_->GetWindowScript();
    TWindowDrawHooks hooks;
    hooks.beginDraw = [] { return true; };
    hooks.drawTexture = [this](const std::shared_ptr<TTexture>& t, const TDrawSpec& drawSpec) {
      textures_.push_back({t.get(), drawSpec});
    };
    hooks.drawTriangles = [this](const std::shared_ptr<TTexture>& t, const TTransformedVertex* v, int32_t n) {
      triangleTextures_.push_back(t.get());
      triangles_.insert(triangles_.end(), v, v + n);
    };
    windowdraw::SetHooks(hooks);
  }
  void TearDown() override {
    textures_.clear();
    keep_.clear();
    UiFixture::TearDown();
    if (assets_) {
      TAssetManager::SetInstance(previousAssets_);
      assets_.reset();
    }
  }

  // A texture that TTexture::Get(name, flags) finds, of the given size.
  std::shared_ptr<TTexture> Texture(const char* name, int w, int h, bool alpha = false, bool mipmap = false) {
    auto t = TTexture::Create(TTexture::MakeCacheKey(name, alpha, mipmap, false));
    Size(*t, w, h, alpha);
    keep_.push_back(t);
    return t;
  }
  // A texture known to nobody.
  std::shared_ptr<TTexture> Anonymous(int w, int h, bool alpha = false) {
    auto t = std::make_shared<TTexture>();
    Size(*t, w, h, alpha);
    return t;
  }
  static void Size(TTexture& t, int w, int h, bool alpha) {
    t.GetData()->mImageWidth = t.GetData()->mSurfaceWidth = w;
    t.GetData()->mImageHeight = t.GetData()->mSurfaceHeight = h;
    if (alpha) t.GetData()->mFlags |= kTexAlpha;
  }

  int Run(const char* text) { return manager_->DoScriptString(screen_, text); }
  std::string Global(const char* name) {
    lua_State* L = script_->GetState();
    lua_getglobal(L, name);
    std::string value = lua_isstring(L, -1) ? lua_tostring(L, -1) : "<nil>";
    lua_pop(L, 1);
    return value;
  }
  void RecordPosted() { manager_->AddListener(new MessageRecorder(&log_)); }

  TScreen* screen_ = nullptr;
  TWindowScript* script_ = nullptr;
  std::vector<DrawnTexture> textures_;
  std::vector<TTexture*> triangleTextures_;
  std::vector<TTransformedVertex> triangles_;
  std::vector<std::shared_ptr<TTexture>> keep_;
  std::unique_ptr<TAssetManager> assets_;
  TAssetManager* previousAssets_ = nullptr;
};
