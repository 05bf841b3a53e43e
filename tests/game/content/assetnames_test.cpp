// Every asset name that the game's scripts, its text files and the program's own sources spell out
// resolves to a file under assets/, the way the program looks names up: lower case, images tried
// with .png, .jpg and .jp2, sounds with .ogg, options after "?" dropped, and name stems (the
// mini-games and the hint gauge add numbers or suffixes) matched by the files they begin.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string SourceDir() {
  const char* root = std::getenv("TM_SOURCE_DIR");
  return root ? root : TM_CONTENT_SOURCE_DIR;
}

std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  return s;
}

// The folders under assets/ that hold looked-up files; a quoted path starting with one of them is
// an asset name.
const char kFolders[] = "audio|backgrounds|cursor|diary|fonts|fx|images|menu|scenes|scripts|sounds|sprites";

// The asset index: every file under assets/, by its lower-case relative name.
class AssetIndex {
 public:
  explicit AssetIndex(const fs::path& assets) {
    for (const auto& entry : fs::recursive_directory_iterator(assets))
      if (entry.is_regular_file()) files_.insert(Lower(fs::relative(entry.path(), assets).generic_string()));
  }

  bool Resolves(std::string name) const {
    name = Lower(name);
    if (name.rfind("assets/", 0) == 0) name.erase(0, 7);
    if (const size_t q = name.find('?'); q != std::string::npos) name.erase(q);
    if (files_.count(name)) return true;
    // Pictures may also be animations, named by their description.
    for (const char* ext : {".png", ".jpg", ".jp2", ".ogg", ".lua", ".mvec", ".xml", ".anm"})
      if (files_.count(name + ext)) return true;
    // A stem: a folder and name start ("images/strip/"), a numbered series ("hinttimer_") or a
    // mix-potion picture, which takes "_" and its colour letters.
    const std::string stem = name.back() == '/' || name.back() == '_' ? name : name + "_";
    auto it = files_.lower_bound(stem);
    return it != files_.end() && it->rfind(stem, 0) == 0;
  }
  bool Has(const std::string& name) const { return files_.count(Lower(name)) > 0; }

 private:
  std::set<std::string> files_;
};

// The asset names quoted in a text (double or single quotes), each with where it was found.
void CollectNames(const std::string& text, const std::string& where, std::map<std::string, std::string>* names) {
  static const std::regex re(std::string("[\"']((") + kFolders + R"()/[A-Za-z0-9_./\-]*(\?[a-z=0-9,]*)?)["'])");
  for (std::sregex_iterator it(text.begin(), text.end(), re), end; it != end; ++it) names->emplace((*it)[1], where);
}

// The element texts of the settings file that name assets (cursor pictures, scripts).
void CollectSettings(const std::string& text, std::map<std::string, std::string>* names) {
  static const std::regex re(std::string(">((") + kFolders + R"()/[A-Za-z0-9_./\-]+)<)");
  for (std::sregex_iterator it(text.begin(), text.end(), re), end; it != end; ++it)
    names->emplace((*it)[1], "assets/settings.xml");
}

std::vector<fs::path> FilesUnder(const fs::path& root, const std::set<std::string>& extensions) {
  std::vector<fs::path> out;
  if (!fs::exists(root)) return out;
  for (const auto& entry : fs::recursive_directory_iterator(root))
    if (entry.is_regular_file() && extensions.count(entry.path().extension().string())) out.push_back(entry.path());
  return out;
}

}  // namespace

TEST(AssetNames, TheResolverFollowsTheProgramsLookUp) {
  const fs::path root = fs::temp_directory_path() / ("assetnames-" + std::to_string(::getpid()));
  fs::create_directories(root / "images/potion");
  fs::create_directories(root / "audio");
  for (const char* file : {"images/bg.jpg", "images/potion/pipe_ud_u.png", "images/strip0.png", "audio/hit.ogg"})
    std::ofstream(root / file) << "x";
  const AssetIndex index(root);
  const struct {
    const char* name;
    bool resolves;
  } cases[] = {
      {"images/bg", true},          {"images/BG.jpg", true},          {"assets/images/bg", true},
      {"images/bg?slow", true},     {"audio/hit.ogg?group=1000", true}, {"audio/hit", true},
      {"images/potion/pipe_ud", true}, {"images/strip", false},       {"images/", true},
      {"images/b", false},          {"images/bg.png", false},        {"audio/miss.ogg", false},
      {"images/potion/pipe_ur", false}, {"sounds/hit", false},
  };
  for (const auto& c : cases) EXPECT_EQ(index.Resolves(c.name), c.resolves) << c.name;
  fs::remove_all(root);
}

TEST(AssetNames, EveryNameTheGameSpellsOutResolves) {
  const fs::path source = SourceDir();
  const AssetIndex index(source / "assets");
  std::map<std::string, std::string> names;
  // The game's scripts (the game text, screens, dialogs, effects) and its string table.
  for (const fs::path& file : FilesUnder(source / "assets", {".lua", ".xml", ".txt"})) {
    const std::string rel = fs::relative(file, source).generic_string();
    if (rel == "assets/settings.xml")
      CollectSettings(Read(file), &names);
    else
      CollectNames(Read(file), rel, &names);
  }
  // The names the program itself fixes: cursors, sidebar and letterbox art, sounds, fonts, scripts.
  for (const char* folder : {"game", "src"})
    for (const fs::path& file : FilesUnder(source / folder, {".cpp", ".h"}))
      CollectNames(Read(file), fs::relative(file, source).generic_string(), &names);

  // The default of the profile's "curscene" key names a script that nothing runs.
  names.erase("scripts/scene1.lua");

  ASSERT_GT(names.size(), 100u);
  for (const auto& [name, where] : names) EXPECT_TRUE(index.Resolves(name)) << name << " (named in " << where << ")";

  // The scripts that the program opens by name are loose files.
  for (const char* script : {"scripts/game/game.lua", "scripts/game/init.lua", "scripts/game/objectives.lua",
                             "scripts/score.lua", "scripts/tutorial.lua", "scripts/briefingwindow.lua",
                             "scripts/pickupwindowdiary.lua", "scripts/pickupwindow.lua", "scripts/pause.lua",
                             "scripts/diary.lua", "scripts/credits.lua", "fx/spinshinebrasks.lua", "fx/blurfx.lua"})
    EXPECT_TRUE(index.Has(script)) << script;
}
