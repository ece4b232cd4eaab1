// Wearing a skin: the extraction folder emptied, the archive unpacked, the
// playlist colours of "pledit.txt" (or the defaults) and the description
// loaded over the unpacked bitmaps; broken archives refused with E_FAIL.
#include <gtest/gtest.h>

#include <ole2.h>

#include <set>
#include <string>
#include <vector>

#include "player/skin/archive/skin_apply.h"
#include "player/skin/archive/tests/zip_writer.h"
#include "player/skin/tests/skin_test_support.h"

using namespace skin;

namespace {

const char kDescription[] =
    "<?xml version=\"1.0\"?>\n<Skin>\n"
    "<Bitmap Name=\"main.bmp\" Number=\"0\" Critical=\"1\"/>\n"
    "<Form Name=\"MainSkin\" Type=\"Main\" Title=\"Zelvo\" Width=\"40\" Height=\"20\">\n"
    "  <BMP Bitmap=\"0\" SrcW=\"4\" SrcH=\"4\"/>\n"
    "</Form>\n"
    "<Form Name=\"PlayList\" Type=\"Main\" Title=\"Playlist\" Width=\"40\" Height=\"40\">\n"
    "  <Form Name=\"FileList\" Type=\"List\" Width=\"40\" Height=\"28\"/>\n"
    "  <Form Name=\"LoadPlaylistFileBar\" Type=\"Zone\" NoParent=\"1\" Width=\"20\" Height=\"10\" Hide=\"1\"/>\n"
    "</Form>\n</Skin>\n";

LRESULT CALLBACK Ignore(HWND, UINT, WPARAM, LPARAM) { return 0; }

// The files of a folder (sub-folders left out).
std::set<std::string> FilesIn(const std::string& folder) {
  std::set<std::string> files;
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((folder + "*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return files;
  do {
    if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) files.insert(entry.cFileName);
  } while (FindNextFileA(find, &entry));
  FindClose(find);
  return files;
}

class SkinApply : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }

  void SetUp() override {
    skintest::CollectMessages();
    skintest::CollectedMessages().clear();
    root_ = skintest::FreshFolder("skin-apply");
    folder_ = skintest::FreshFolder("skin-apply\\work");
    description_ = root_ + "skin.xml";
    skintest::WriteFile(description_, kDescription);
    skintest::WriteBitmap(root_ + "main.bmp", 4, 4, [](int, int) { return RGB(200, 10, 10); });
    bitmap_ = ReadFileBytes(root_ + "main.bmp");
    setup_ = skintest::TestSetup(Ignore, DefWindowProcA);
  }
  void TearDown() override {
    UnloadSkin();
    DeletePlaylistStyle(&style_);
    DestroyWindow(setup_.commandWindow);
  }

  std::string Archive(const char* name, const std::vector<ZipMember>& members) {
    const std::string path = root_ + name;
    WriteFileBytes(path, MakeZip(members));
    return path;
  }
  HRESULT Apply(const std::string& archive) {
    return ApplySkin(description_.c_str(), archive.c_str(), folder_.c_str(), &style_, setup_);
  }

  std::string root_, folder_, description_, bitmap_;
  PlaylistStyle style_;
  SkinSetup setup_;
};

}  // namespace

TEST_F(SkinApply, ArchivesThatCannotBeOpenedFailWithEFail) {
  const std::string whole = MakeZip({{"main.bmp", bitmap_}, {"pledit.txt", std::string(3000, 'p'), true}});
  const std::string truncated = root_ + "cut.wsz";
  WriteFileBytes(truncated, whole.substr(0, whole.size() / 2));
  const std::string text = root_ + "text.wsz";
  WriteFileBytes(text, "This is a description of a skin, not a zip archive.\n");
  for (const std::string& archive : {root_ + "missing.wsz", text, truncated}) {
    skintest::WriteFile(folder_ + "left-over.bmp", "from an earlier skin");
    EXPECT_EQ(Apply(archive), E_FAIL) << archive;
    EXPECT_EQ(CurrentSkin().document, nullptr) << archive;
    // The folder is emptied before the archive is opened.
    EXPECT_TRUE(FilesIn(folder_).empty()) << archive;
  }
  // The loader was never reached: nothing to tell the user but the failure.
  EXPECT_TRUE(skintest::CollectedMessages().empty());
  EXPECT_EQ(style_.font, nullptr);
}

TEST_F(SkinApply, ApplyingASkinRemovesEveryFileThePreviousOneLeft) {
  const std::string first = Archive("first.wsz", {{"main.bmp", bitmap_},
                                                  {"extra.bmp", bitmap_, true},
                                                  {"inside/readme.txt", "by the first skin"},
                                                  {"pledit.txt", "[Text]\r\nNormal=#00FF00\r\nnormalbg=#0a0b0c\r\n"}});
  ASSERT_EQ(Apply(first), S_OK);
  EXPECT_EQ(FilesIn(folder_), (std::set<std::string>{"main.bmp", "extra.bmp", "readme.txt", "pledit.txt"}));
  EXPECT_NE(CurrentSkin().mainForm, nullptr);
  // The playlist style comes from "pledit.txt"; keys it does not name are black.
  EXPECT_EQ(style_.normalText, RGB(0x00, 0xFF, 0x00));
  EXPECT_EQ(style_.currentText, RGB(0, 0, 0));
  LOGBRUSH brush = {};
  GetObjectA(style_.normalBackground, sizeof brush, &brush);
  EXPECT_EQ(brush.lbColor, RGB(0x0A, 0x0B, 0x0C));
  EXPECT_NE(style_.font, nullptr);

  UnloadSkin();
  const std::string second = Archive("second.wsz", {{"MAIN.BMP", bitmap_}, {"other.txt", "by the second skin"}});
  ASSERT_EQ(Apply(second), S_OK);
  EXPECT_EQ(FilesIn(folder_), (std::set<std::string>{"MAIN.BMP", "other.txt"}));
  // Without "pledit.txt" the default style.
  EXPECT_EQ(style_.normalText, RGB(0, 0, 0));
  EXPECT_EQ(style_.currentText, RGB(0x00, 0x78, 0xC8));
  GetObjectA(style_.normalBackground, sizeof brush, &brush);
  EXPECT_EQ(brush.lbColor, RGB(0x78, 0x78, 0x78));
  EXPECT_TRUE(skintest::CollectedMessages().empty());
}

TEST_F(SkinApply, AnArchiveWithoutItsCriticalBitmapFailsTheLoad) {
  const std::string empty = Archive("nobitmaps.wsz", {{"readme.txt", "no bitmaps here"}});
  EXPECT_EQ(Apply(empty), E_FAIL);
  EXPECT_EQ(CurrentSkin().document, nullptr);
  EXPECT_EQ(skintest::CollectedMessages(), (std::vector<std::string>{"Skin bmp not found"}));
}
