// TScriptCode: one script file compiled to a precompiled chunk, kept as an asset so that a file
// is compiled once and shared while anybody holds it. The asset manager remembers it by file name
// without keeping it alive.
#pragma once
#include <memory>
#include <vector>

#include "core/string.h"
#include "render/asset.h"
#include "script/lua/lua.h"

class TScriptCode : public TAsset {
  TM_CLASS(TScriptCode, TAsset)

 public:
  // Keeps a copy of the chunk bytes (which may contain zero bytes).
  TScriptCode(const char* bytes, int32_t length);
  ~TScriptCode() override;

  // The shared compiled script of a file: found by name with the asset manager, else compiled in
  // a scratch state with LUA_PATH set to the search path (empty: "assets/?;../?;?") and
  // registered. A compile error is copied into `error` (when given); empty name or failure give
  // an empty pointer.
  static std::shared_ptr<TScriptCode> Get(const TString& name, const TString& searchPath,
                                          TString* error);

  // Loads the chunk into the state as a function on the stack top; on failure the loader's
  // message is pushed instead. Answers lua_load's code.
  int Load(lua_State* L, const TString& chunkName) const;

  const char* GetBytes() const { return mBytes.data(); }
  int32_t GetLength() const { return static_cast<int32_t>(mBytes.size()); }

 private:
  std::vector<char> mBytes;
};

// Reads a whole file through the file layer; false when it cannot be opened or read.
bool ReadScriptFile(const TString& path, std::vector<char>& bytes);
