// Global script variables: named texts, numbers and flags that outlive a scene, shared by game
// scripts and screens, and written into the profile's "gamestate" as setter calls that restore
// every value when run again.
#pragma once
#include <map>
#include <string>

#include "core/string.h"
#include "model/modelbase.h"
#include "script/scriptbinding.h"

class CGlobalInformationSystem : public ISerializable {
 public:
  // Replaces any existing instance with an empty one.
  static CGlobalInformationSystem* CreateInstance();
  static CGlobalInformationSystem* GetInstance();
  static void DestroyInstance();

  ~CGlobalInformationSystem() override;
  CGlobalInformationSystem(const CGlobalInformationSystem&) = delete;
  CGlobalInformationSystem& operator=(const CGlobalInformationSystem&) = delete;

  // Getters never insert: an absent key reads "", 0 or false.
  TString GetGlobalString(TString key);
  double GetGlobalNumber(TString key);
  bool GetGlobalBool(TString key);
  void SetGlobalString(TString key, TString value);
  void SetGlobalNumber(TString key, double value);
  void SetGlobalBool(TString key, bool value);

  // "\n" followed by one setter statement per variable: texts, then numbers, then flags.
  void Serialize(std::string& out) const override;

 private:
  CGlobalInformationSystem();

  std::map<TString, TString> mStrings;
  std::map<TString, double> mNumbers;
  std::map<TString, bool> mBools;
  TScriptBindings mBindings;
};
