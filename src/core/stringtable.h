// TStringTable: every text the player sees, looked up by label. Filled from spreadsheets saved as
// XML ("strings.xml", plain or "ZXML"-compressed) whose rows hold a label and a text; texts refer
// to other labels ("%label%") and to up to five arguments ("%1%" .. "%5%"). In "stringtest" mode
// every visible character comes out as "x", so layouts can be reviewed without the texts.
#pragma once
#include <utility>
#include <vector>

#include "core/string.h"
#include "core/stringkeymap.h"

class TStringTable {
public:
  TStringTable() = default;
  ~TStringTable();

  // Adds the rows of one file on top of what is there (a later row replaces an earlier label).
  // False when the file cannot be opened or its compressed form is damaged; nothing changes then.
  bool Load(const TString& path);
  // Empties the table, then loads the file.
  bool Reload(const TString& path);

  // The label's text with its references expanded, or "#####" (logged unless quiet) when the label
  // or one of its references is missing.
  TString GetString(const TString& label, const TString& arg1 = TString(), const TString& arg2 = TString(),
                    const TString& arg3 = TString(), const TString& arg4 = TString(),
                    const TString& arg5 = TString()) const;

  using Entry = std::pair<TString, TString>;
  // The entries handed to movies: labels beginning with "FLASH_", or when there are none, labels
  // that read as "flash<n>_<m>"; in label order.
  void GetFlashStrings(std::vector<Entry>& list) const;

  // Suppresses the missing-string log line.
  void SetQuiet(bool quiet) { mQuiet = quiet; }
  bool IsQuiet() const { return mQuiet; }
  // The stored (unexpanded) text of a label, or null.
  const TString* Find(const TString& label) const;
  size_t Size() const { return mStrings.size(); }

private:
  // Appends the expansion of one reference (the text between two "%"); false when it fails.
  bool AppendReference(TString& out, const TString& reference, const TString* args[5]) const;
  void ParseRows(const char* text, size_t size);

  StringKeyMap<TString> mStrings;
  bool mQuiet = false;
};

// Start-up loading: "strings.xml", then every file of the "user:" folder and then of the "common:"
// folder whose name begins with "string" and contains ".xml", each on top of the last. Answers
// whether "strings.xml" itself loaded.
bool LoadStartupStringTables(TStringTable& table);
