// The tray's configuration bits and the file-type registration's decisions
// over a registry held in memory.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "player/core/file_types.h"
#include "player/core/tray_config.h"

namespace {

std::vector<int> Ids(const std::vector<tray::ControlIcon>& icons) {
  std::vector<int> ids;
  for (const tray::ControlIcon& icon : icons) ids.push_back(icon.id);
  return ids;
}

}  // namespace

TEST(TrayConfig, ShowAllThenHideAll) {
  uint32_t config = 0;
  EXPECT_TRUE(tray::ShownIcons(config).empty());
  config = tray::AfterCommand(config, 138);
  EXPECT_EQ(126u, config);
  EXPECT_EQ((std::vector<int>{2141, 2138, 2142, 2139, 2140, 2137}), Ids(tray::ShownIcons(config)));
  EXPECT_TRUE(tray::Checked(config, 138));
  config = tray::AfterCommand(config, 139);
  EXPECT_TRUE(tray::ShownIcons(config).empty());
  EXPECT_TRUE(tray::Checked(config, 139));
  EXPECT_FALSE(tray::Checked(config, 138));
  // The icons keep their bits under "hide all" and come back with it off.
  for (int command = 140; command <= 145; ++command) EXPECT_TRUE(tray::Checked(config, command));
  config = tray::AfterCommand(config, 139);
  EXPECT_EQ(6u, tray::ShownIcons(config).size());
}

TEST(TrayConfig, OneIconAtATimeInTheirOwnOrder) {
  // Stop (143) turned on before Play (141): Play is still added first.
  uint32_t config = tray::AfterCommand(tray::AfterCommand(0, 143), 141);
  EXPECT_EQ((std::vector<int>{2138, 2139}), Ids(tray::ShownIcons(config)));
  EXPECT_FALSE(tray::Checked(config, 138));
  EXPECT_TRUE(tray::Checked(config, 141));
  EXPECT_FALSE(tray::Checked(config, 142));
  config = tray::AfterCommand(config, 141);
  EXPECT_EQ((std::vector<int>{2139}), Ids(tray::ShownIcons(config)));
  EXPECT_EQ(config, tray::AfterCommand(config, 146));
  EXPECT_EQ(config, tray::AfterCommand(config, 137));
}

TEST(TrayConfig, IconClicks) {
  EXPECT_EQ(187, tray::CommandForIcon(108));
  EXPECT_EQ(129, tray::CommandForIcon(2137));
  EXPECT_EQ(130, tray::CommandForIcon(2138));
  EXPECT_EQ(132, tray::CommandForIcon(2139));
  EXPECT_EQ(159, tray::CommandForIcon(2140));
  EXPECT_EQ(160, tray::CommandForIcon(2141));
  EXPECT_EQ(133, tray::CommandForIcon(2142));
  EXPECT_EQ(0, tray::CommandForIcon(2143));
}

namespace {

// Keys by path, case-insensitively as the real registry; each holds named
// values, "" being the default one.
class MemoryRegistry : public file_types::Registry {
 public:
  static std::string Fold(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
  }
  Key Read(const std::string& key, std::string* value) override {
    auto found = keys.find(Fold(key));
    if (found == keys.end()) return Key::kMissing;
    auto named = found->second.find("");
    if (named == found->second.end()) return Key::kNoDefault;
    *value = named->second;
    return Key::kHasDefault;
  }
  bool Write(const std::string& key, const std::string& name, const std::string& value) override {
    keys[Fold(key)][name] = value;
    writes.push_back(key + "[" + name + "]=" + value);
    return true;
  }
  std::string Value(const std::string& key, const std::string& name = "") { return keys[Fold(key)][name]; }
  std::map<std::string, std::map<std::string, std::string>> keys;
  std::vector<std::string> writes;
};

const char kProgram[] = "C:\\Program Files\\Zelvo Vantor\\ZelvoPlayer.exe";

}  // namespace

TEST(FileTypes, ACleanRegistryGetsEveryExtensionWithoutAQuestion) {
  MemoryRegistry registry;
  bool agreed = false;
  int asked = 0;
  file_types::Outcome outcome = file_types::Register(registry, kProgram, &agreed, [&] { return ++asked, true; });
  EXPECT_EQ(0, asked);
  EXPECT_TRUE(outcome.changed);
  EXPECT_FALSE(outcome.refused);
  for (const char* extension : {".avi", ".mpe", ".mpeg", ".mpg", ".dat"}) {
    EXPECT_EQ("ZelvoFile", registry.Value(extension)) << extension;
  }
  EXPECT_EQ("avifile", registry.Value(".avi", "Content Type"));
  EXPECT_EQ("mpegfile", registry.Value(".mpg", "Content Type"));
  EXPECT_EQ("datfile", registry.Value(".dat", "Content Type"));
  // The player refuses Windows Media files and leaves them to their owner.
  EXPECT_EQ(0u, registry.keys.count(".asf"));
  EXPECT_EQ(0u, registry.keys.count(".wmv"));
  // A path with spaces is quoted, and so is the file.
  EXPECT_EQ("\"C:\\Program Files\\Zelvo Vantor\\ZelvoPlayer.exe\" \"%1\"",
            registry.Value("ZelvoFile\\shell\\open\\command"));
  EXPECT_EQ("C:\\Program Files\\Zelvo Vantor\\ZelvoPlayer.exe,0", registry.Value("ZelvoFile\\DefaultIcon"));
  EXPECT_EQ("ZelvoFile", registry.Value("ZelvoFile"));

  // A second run finds everything in place and writes nothing, even with
  // the names in other letter cases.
  registry.keys[".avi"][""] = "zelvofile";
  registry.writes.clear();
  outcome = file_types::Register(registry, kProgram, &agreed, [&] { return ++asked, true; });
  EXPECT_FALSE(outcome.changed);
  EXPECT_TRUE(registry.writes.empty());
  EXPECT_EQ(0, asked);
}

TEST(FileTypes, AnotherProgramsAssociationIsTakenOverOnlyWithOneYes) {
  auto foreign = [] {
    MemoryRegistry registry;
    registry.keys[".avi"][""] = "OtherPlayer.avi";
    registry.keys[".avi"]["Content Type"] = "video/avi";
    registry.keys[".mpg"][""] = "OtherPlayer.mpg";
    return registry;
  };
  {
    SCOPED_TRACE("Yes");
    MemoryRegistry registry = foreign();
    bool agreed = false;
    int asked = 0;
    file_types::Outcome outcome = file_types::Register(registry, kProgram, &agreed, [&] { return ++asked, true; });
    EXPECT_EQ(1, asked);
    EXPECT_EQ(1, outcome.questions);
    EXPECT_TRUE(agreed);
    EXPECT_EQ("ZelvoFile", registry.Value(".avi"));
    EXPECT_EQ("ZelvoFile", registry.Value(".mpg"));
    // An existing extension keeps its own content type.
    EXPECT_EQ("video/avi", registry.Value(".avi", "Content Type"));
    // The answer holds for later runs of the same session.
    registry.keys[".mpe"][""] = "Someone";
    file_types::Register(registry, kProgram, &agreed, [&] { return ++asked, true; });
    EXPECT_EQ(1, asked);
    EXPECT_EQ("ZelvoFile", registry.Value(".mpe"));
  }
  {
    SCOPED_TRACE("No");
    MemoryRegistry registry = foreign();
    bool agreed = false;
    file_types::Outcome outcome = file_types::Register(registry, kProgram, &agreed, [] { return false; });
    EXPECT_TRUE(outcome.refused);
    EXPECT_FALSE(agreed);
    // No stops at the first row: nothing after it is touched either.
    EXPECT_EQ("OtherPlayer.avi", registry.Value(".avi"));
    EXPECT_EQ("OtherPlayer.mpg", registry.Value(".mpg"));
    EXPECT_TRUE(registry.writes.empty());
  }
  {
    SCOPED_TRACE("silent");
    MemoryRegistry registry = foreign();
    bool agreed = true;
    int asked = 0;
    file_types::Register(registry, kProgram, &agreed, [&] { return ++asked, false; });
    EXPECT_EQ(0, asked);
    EXPECT_EQ("ZelvoFile", registry.Value(".avi"));
  }
}

TEST(FileTypes, AnOldOpenCommandIsAskedAboutAndAKeyWithoutDefaultIsFilledIn) {
  MemoryRegistry registry;
  registry.keys["zelvofile\\shell\\open\\command"][""] = "\"D:\\old\\ZelvoPlayer.exe\" \"%1\"";
  registry.keys[".mpeg"]["Content Type"] = "video/mpeg";  // no default value
  bool agreed = false;
  int asked = 0;
  file_types::Register(registry, kProgram, &agreed, [&] { return ++asked, true; });
  EXPECT_EQ(1, asked);
  EXPECT_EQ(file_types::OpenCommand(kProgram), registry.Value("ZelvoFile\\shell\\open\\command"));
  EXPECT_EQ("ZelvoFile", registry.Value(".mpeg"));
  EXPECT_EQ("video/mpeg", registry.Value(".mpeg", "Content Type"));
}
