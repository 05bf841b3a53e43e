// Scripted commands and action maps: a command holds a short Lua text from the game data and runs
// it in the window script's state; an action map keys such commands by target name ("OnPickedUp",
// the id of the thing an item is used on). The holder of a map owns its commands.
#pragma once
#include <map>
#include <memory>
#include <string>

#include "model/modelbase.h"

class CCommand : public ISerializable {
 public:
  virtual void Execute() = 0;
};

class CCommandLua : public CCommand {
 public:
  CCommandLua() = default;
  explicit CCommandLua(std::string text) : mText(std::move(text)) {}

  // Runs the text as one chunk in the window script; errors are reported by the script runtime.
  void Execute() override;
  // Appends the text as it is; the action map's writer quotes it.
  void Serialize(std::string& out) const override;

  void SetText(std::string text) { mText = std::move(text); }
  const std::string& GetText() const { return mText; }

 private:
  std::string mText;
};

// Target name -> command, ordered byte-wise.
using ActionMap = std::map<std::string, std::unique_ptr<CCommandLua>>;

namespace actionmap {
// Runs the command stored for exactly this target: true when there was one.
bool Run(const ActionMap& map, const std::string& target);
// The "MakeActionMap" record, or nothing for an empty map.
void Serialize(const ActionMap& map, std::string& out);
// Moves every pair of `from` into `into`, replacing commands stored under the same target.
void MergeInto(ActionMap& into, ActionMap&& from);
}  // namespace actionmap
