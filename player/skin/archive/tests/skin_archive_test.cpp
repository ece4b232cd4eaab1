// Unpacking skin archives: names reduced to plain files inside the folder,
// hostile names and sizes harmless, broken archives refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <set>
#include <string>

#include "player/skin/archive/skin_archive.h"
#include "player/skin/archive/tests/zip_writer.h"

namespace fs = std::filesystem;

namespace {

// root/ holds the archive and the extraction folder root/skin/; nothing else
// may appear anywhere under root.
class ArchiveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() /
            ("zelvo-archive-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
    fs::create_directories(root_ / "skin");
  }
  void TearDown() override { fs::remove_all(root_); }

  std::string Folder() const { return (root_ / "skin").string() + static_cast<char>(fs::path::preferred_separator); }
  std::string Archive(const std::vector<ZipMember>& members) {
    std::string path = (root_ / "skin.wsz").string();
    WriteFileBytes(path, MakeZip(members));
    return path;
  }
  std::set<std::string> Everything() const {
    std::set<std::string> all;
    for (auto& e : fs::recursive_directory_iterator(root_)) all.insert(fs::relative(e.path(), root_).generic_string());
    return all;
  }

  fs::path root_;
};

}  // namespace

TEST(SafeMemberName, KeepsOnlyAPlainFileName) {
  EXPECT_EQ("main.bmp", SafeMemberName("main.bmp"));
  EXPECT_EQ("MAIN.BMP", SafeMemberName("Paper-Amp/MAIN.BMP"));
  EXPECT_EQ("main.bmp", SafeMemberName("rei1\\main.bmp"));
  EXPECT_EQ("x", SafeMemberName("../x"));
  EXPECT_EQ("x", SafeMemberName("..\\x"));
  EXPECT_EQ("x", SafeMemberName("C:\\x"));
  EXPECT_EQ("abs", SafeMemberName("/abs"));
  EXPECT_EQ("pledit.txt", SafeMemberName("a/b/c\\pledit.txt"));
}

TEST(SafeMemberName, RefusesWhatNoFileInTheFolderCanBe) {
  for (const char* bad : {"", ".", "..", "dir/", "dir\\", "a/..", "...", " . ", "C:x", "x:stream", "a?b", "a*b",
                          "a<b", "a>b", "a|b", "a\"b", "tab\there", "CON", "con", "Con.bmp", "nul.txt", "NUL ",
                          "PRN", "aux.bmp", "COM1", "com9.bmp", "LPT1", "lpt3.txt", "CONIN$", "conout$"}) {
    EXPECT_EQ("", SafeMemberName(bad)) << "'" << bad << "'";
  }
  // Near misses are ordinary names.
  for (const char* good : {"COM10", "console.bmp", "nuls.bmp", "LPT", "auxiliary.txt", ".hidden"}) {
    EXPECT_EQ(good, SafeMemberName(good));
  }
}

TEST_F(ArchiveTest, UnpacksMembersIncludingThoseInsideFolders) {
  std::string path = Archive({{"MAIN.BMP", "main", true},
                              {"skin/", ""},
                              {"skin/CBUTTONS.BMP", std::string(5000, 'c'), true},
                              {"deep\\inner\\pledit.txt", "[Text]\r\nNormal=#00FF00\r\n"}});
  ExtractReport report;
  ASSERT_TRUE(ExtractSkinArchive(path, Folder(), ArchiveLimits(), &report));
  EXPECT_EQ(3, report.written);
  EXPECT_EQ(0, report.unsafe_names);  // a folder entry is no fault
  EXPECT_EQ("main", ReadFileBytes(Folder() + "MAIN.BMP"));
  EXPECT_EQ(std::string(5000, 'c'), ReadFileBytes(Folder() + "CBUTTONS.BMP"));
  EXPECT_EQ((std::set<std::string>{"skin", "skin.wsz", "skin/MAIN.BMP", "skin/CBUTTONS.BMP", "skin/pledit.txt"}),
            Everything());
}

TEST_F(ArchiveTest, HostileNamesWriteNothingOutsideTheFolder) {
  std::string path = Archive({{"../x", "1"},
                              {"..\\y", "2"},
                              {"C:\\z", "3"},
                              {"/abs", "4"},
                              {"CON", "5"},
                              {"aux.bmp", "6"},
                              {"..", "7"},
                              {"a/../../../../escape", "8"},
                              {"C:drive", "9"}});
  ExtractReport report;
  ASSERT_TRUE(ExtractSkinArchive(path, Folder(), ArchiveLimits(), &report));
  EXPECT_EQ(5, report.written);  // x, y, z, abs, escape, each inside the folder
  EXPECT_EQ(4, report.unsafe_names);
  EXPECT_EQ((std::set<std::string>{"skin", "skin.wsz", "skin/x", "skin/y", "skin/z", "skin/abs", "skin/escape"}),
            Everything());
}

TEST_F(ArchiveTest, MembersOverTheBoundsAreSkipped) {
  ArchiveLimits limits;
  limits.max_member_bytes = 1000;
  limits.max_total_bytes = 1600;
  std::string path = Archive({{"big.bmp", std::string(1001, 'b'), true},
                              {"ok1.bmp", std::string(1000, '1')},
                              {"ok2.bmp", std::string(500, '2'), true},
                              {"over-total.bmp", std::string(200, '3')}});
  ExtractReport report;
  ASSERT_TRUE(ExtractSkinArchive(path, Folder(), limits, &report));
  EXPECT_EQ(2, report.written);
  EXPECT_EQ(2, report.too_large);
  EXPECT_FALSE(fs::exists(Folder() + "big.bmp"));
  EXPECT_FALSE(fs::exists(Folder() + "over-total.bmp"));
  EXPECT_EQ(500u, fs::file_size(Folder() + "ok2.bmp"));
}

TEST_F(ArchiveTest, MemberCountIsBounded) {
  ArchiveLimits limits;
  limits.max_members = 3;
  std::vector<ZipMember> many;
  for (int i = 0; i < 10; ++i) many.push_back({"m" + std::to_string(i), "x"});
  ExtractReport report;
  ASSERT_TRUE(ExtractSkinArchive(Archive(many), Folder(), limits, &report));
  EXPECT_EQ(3, report.written);
  EXPECT_TRUE(report.member_limit);
}

TEST_F(ArchiveTest, CorruptMemberDataLeavesNoFile) {
  std::string path = Archive({{"good.bmp", "fine"}, {"bad.bmp", std::string(300, 'q'), true, true}});
  ExtractReport report;
  ASSERT_TRUE(ExtractSkinArchive(path, Folder(), ArchiveLimits(), &report));
  EXPECT_EQ(1, report.written);
  EXPECT_EQ(1, report.unreadable);
  EXPECT_FALSE(fs::exists(Folder() + "bad.bmp"));
}

TEST_F(ArchiveTest, ArchivesThatAreNotZipFilesAreRefused) {
  ExtractReport report;
  EXPECT_FALSE(ExtractSkinArchive((root_ / "missing.wsz").string(), Folder(), ArchiveLimits(), &report));

  std::string text = (root_ / "text.wsz").string();
  WriteFileBytes(text, "This is not a zip archive at all.\n");
  EXPECT_FALSE(ExtractSkinArchive(text, Folder(), ArchiveLimits(), &report));

  std::string whole = MakeZip({{"MAIN.BMP", std::string(4000, 'm')}, {"TITLEBAR.BMP", std::string(4000, 't')}});
  std::string truncated = (root_ / "cut.wsz").string();
  WriteFileBytes(truncated, whole.substr(0, whole.size() / 2));
  EXPECT_FALSE(ExtractSkinArchive(truncated, Folder(), ArchiveLimits(), &report));

  EXPECT_TRUE(fs::is_empty(root_ / "skin"));
}

TEST_F(ArchiveTest, RealWinAmpSkinsUnpackTheirMainBitmap) {
  const fs::path shared(ZELVO_SHARED_SKINS);
  if (!fs::exists(shared)) GTEST_SKIP() << "no shared skins at " << shared;
  int archives = 0;
  for (auto& e : fs::directory_iterator(shared)) {
    if (e.path().extension() != ".wsz") continue;
    ++archives;
    fs::remove_all(root_ / "skin");
    fs::create_directories(root_ / "skin");
    ExtractReport report;
    ASSERT_TRUE(ExtractSkinArchive(e.path().string(), Folder(), ArchiveLimits(), &report)) << e.path();
    bool main_found = false;
    for (auto& f : fs::directory_iterator(root_ / "skin")) {
      std::string name = f.path().filename().string();
      std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
      if (name == "main.bmp") main_found = ReadFileBytes(f.path().string()).compare(0, 2, "BM") == 0;
    }
    EXPECT_TRUE(main_found) << e.path();
    EXPECT_EQ(0, report.unreadable) << e.path();
  }
  EXPECT_GE(archives, 1);
}
