// TScriptCode: compiles a script file once (through the file layer, so packs and virtual roots
// apply) and keeps the precompiled chunk for every state that runs it.
#include "script/scriptcode.h"

#include "core/file.h"
#include "render/assetmanager.h"
#include "script/lua/lauxlib.h"

namespace {

struct ChunkReader {
  const char* bytes;
  size_t size;
};

const char* ReadChunk(lua_State*, void* data, size_t* size) {
  auto* reader = static_cast<ChunkReader*>(data);
  *size = reader->size;
  reader->size = 0;
  return *size ? reader->bytes : nullptr;
}

int WriteChunk(lua_State*, const void* p, size_t size, void* data) {
  auto* out = static_cast<std::vector<char>*>(data);
  out->insert(out->end(), static_cast<const char*>(p), static_cast<const char*>(p) + size);
  return 0;
}

// Runs a small text in the state; errors are ignored (it only sets a global).
void RunSnippet(lua_State* L, const TString& text) {
  if (luaL_loadbuffer(L, text.CStr(), static_cast<size_t>(text.Length()), text.CStr()) == 0)
    lua_pcall(L, 0, 0, 0);
  lua_settop(L, 0);
}

}  // namespace

TScriptCode::TScriptCode(const char* bytes, int32_t length)
    : mBytes(bytes, bytes + (length > 0 ? length : 0)) {}

TScriptCode::~TScriptCode() = default;

bool ReadScriptFile(const TString& path, std::vector<char>& bytes) {
  TFile file;
  if (!file.Open(path, kFileReadBinary)) return false;
  long size = file.GetSize();
  if (size < 0) return false;
  bytes.resize(static_cast<size_t>(size));
  return size == 0 || file.Read(bytes.data(), size) == size;
}

std::shared_ptr<TScriptCode> TScriptCode::Get(const TString& name, const TString& searchPath,
                                              TString* error) {
  if (name.IsEmpty()) return nullptr;
  TAssetManager* manager = TAssetManager::GetInstance();
  if (manager) {
    if (std::shared_ptr<TScriptCode> found = KindCast<TScriptCode>(manager->Find(name)))
      return found;
  }

  std::vector<char> source;
  if (!ReadScriptFile(name, source)) {
    if (error) *error = TString::Format("cannot read %s", name.CStr());
    return nullptr;
  }
  // A first line starting with '#' (an interpreter line) is skipped, keeping its line break so
  // line numbers stay right.
  size_t start = 0;
  if (!source.empty() && source[0] == '#') {
    while (start < source.size() && source[start] != '\n') ++start;
  }

  lua_State* S = lua_open();
  if (!S) {
    if (error) *error = "not enough memory";
    return nullptr;
  }
  RunSnippet(
      S, "LUA_PATH='" + (searchPath.IsEmpty() ? TString("assets/?;../?;?") : searchPath) + "' ;");
  ChunkReader reader{source.data() + start, source.size() - start};
  TString chunkName = "@" + name;
  if (lua_load(S, &ReadChunk, &reader, chunkName.CStr()) != 0) {
    if (error) *error = lua_tostring(S, -1) ? lua_tostring(S, -1) : "cannot load";
    lua_close(S);
    return nullptr;
  }
  std::vector<char> chunk;
  chunk.reserve(source.size() + 256);
  lua_dump(S, &WriteChunk, &chunk);
  lua_close(S);
  // A binary chunk starts with ESC. Should the runtime write none, the checked source serves as
  // the chunk: it then compiles at each load instead of once.
  if (chunk.empty() || chunk[0] != '\x1b') chunk.assign(source.begin() + start, source.end());
  auto code = std::make_shared<TScriptCode>(chunk.data(), static_cast<int32_t>(chunk.size()));
  if (manager) manager->Register(name, code);
  return code;
}

int TScriptCode::Load(lua_State* L, const TString& chunkName) const {
  ChunkReader reader{mBytes.data(), mBytes.size()};
  return lua_load(L, &ReadChunk, &reader, chunkName.CStr());
}
