// Running and writing scripted commands.
#include "model/command.h"

#include "core/log.h"
#include "model/modelscript.h"
#include "model/savetext.h"
#include "script/script.h"

void CCommandLua::Execute() {
  TScript* script = GetModelScript();
  if (!script) {
    LogPrintf("Command not run: no window script\n");
    return;
  }
  script->DoLuaString(TString(mText.data(), static_cast<ptrdiff_t>(mText.size())), -1, 0);
}

void CCommandLua::Serialize(std::string& out) const { out += mText; }

namespace actionmap {

bool Run(const ActionMap& map, const std::string& target) {
  auto it = map.find(target);
  if (it == map.end() || !it->second) return false;
  it->second->Execute();
  return true;
}

void Serialize(const ActionMap& map, std::string& out) {
  if (map.empty()) return;
  savetext::BeginRecord(out, "MakeActionMap");
  for (const auto& [target, command] : map) {
    out += "{";
    savetext::AppendQuoted(out, target);
    out += " ,";
    savetext::AppendQuoted(out, command ? command->GetText() : std::string());
    out += "},\n";
  }
  savetext::EndRecord(out, "MakeActionMap");
}

void MergeInto(ActionMap& into, ActionMap&& from) {
  for (auto& [target, command] : from) into[target] = std::move(command);
  from.clear();
}

}  // namespace actionmap
