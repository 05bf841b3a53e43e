// Global script variables and their "gamestate" statements.
#include "model/globals.h"

#include <memory>

#include "core/log.h"
#include "model/modelscript.h"
#include "model/savetext.h"

CGlobalInformationSystem* CGlobalInformationSystem::CreateInstance() {
  ModelSingleton<CGlobalInformationSystem>().reset();
  ModelSingleton<CGlobalInformationSystem>().reset(new CGlobalInformationSystem());
  return ModelSingleton<CGlobalInformationSystem>().get();
}

CGlobalInformationSystem* CGlobalInformationSystem::GetInstance() { return ModelSingleton<CGlobalInformationSystem>().get(); }

void CGlobalInformationSystem::DestroyInstance() { ModelSingleton<CGlobalInformationSystem>().reset(); }

CGlobalInformationSystem::CGlobalInformationSystem() {
  lua_State* L = GetModelScriptState();
  if (!L) {
    LogPrintf("Global variables: no window script, their functions are not bound\n");
    return;
  }
  using C = CGlobalInformationSystem;
  mBindings.Bind(L, "GetGlobalString", this, &C::GetGlobalString);
  mBindings.Bind(L, "GetGlobalNumber", this, &C::GetGlobalNumber);
  mBindings.Bind(L, "GetGlobalBool", this, &C::GetGlobalBool);
  mBindings.Bind(L, "SetGlobalString", this, &C::SetGlobalString);
  mBindings.Bind(L, "SetGlobalNumber", this, &C::SetGlobalNumber);
  mBindings.Bind(L, "SetGlobalBool", this, &C::SetGlobalBool);
}

CGlobalInformationSystem::~CGlobalInformationSystem() = default;

TString CGlobalInformationSystem::GetGlobalString(TString key) {
  auto it = mStrings.find(key);
  return it == mStrings.end() ? TString() : it->second;
}

double CGlobalInformationSystem::GetGlobalNumber(TString key) {
  auto it = mNumbers.find(key);
  return it == mNumbers.end() ? 0.0 : it->second;
}

bool CGlobalInformationSystem::GetGlobalBool(TString key) {
  auto it = mBools.find(key);
  return it != mBools.end() && it->second;
}

void CGlobalInformationSystem::SetGlobalString(TString key, TString value) {
  mStrings[key] = value;
}

void CGlobalInformationSystem::SetGlobalNumber(TString key, double value) { mNumbers[key] = value; }

void CGlobalInformationSystem::SetGlobalBool(TString key, bool value) { mBools[key] = value; }

static void Statement(std::string& out, const char* function, const TString& key) {
  out += function;
  out += '(';
  savetext::AppendQuoted(out, std::string_view(key.CStr(), size_t(key.Length())));
  out += ", ";
}

void CGlobalInformationSystem::Serialize(std::string& out) const {
  out += "\n";
  for (const auto& [key, value] : mStrings) {
    Statement(out, "SetGlobalString", key);
    savetext::AppendQuoted(out, std::string_view(value.CStr(), size_t(value.Length())));
    out += ");";
  }
  for (const auto& [key, value] : mNumbers) {
    Statement(out, "SetGlobalNumber", key);
    savetext::AppendNumber(out, value);
    out += ");";
  }
  for (const auto& [key, value] : mBools) {
    Statement(out, "SetGlobalBool", key);
    out += value ? "true" : "false";
    out += ");";
  }
}
