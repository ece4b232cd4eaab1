// The playlist: the ".m3u" reader and writer, path names, and the rules
// of next, previous, add, delete and skipping files that do not open.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "player/core/m3u.h"
#include "player/core/path_names.h"
#include "player/core/playlist.h"

namespace {

using Lines = std::vector<std::string>;
using Names = std::vector<std::wstring>;

Playlist ListOf(const Names& names) {
  Playlist list;
  for (const std::wstring& n : names) list.Append(n);
  return list;
}

}  // namespace

// --- Reading ".m3u" --------------------------------------------------------

TEST(M3uRead, AnyLineBreak) {
  const Lines expected{"C:\\a.avi", "C:\\b.avi", "C:\\c.avi"};
  EXPECT_EQ(expected, ParseM3u("C:\\a.avi\r\nC:\\b.avi\r\nC:\\c.avi\r\n"));
  EXPECT_EQ(expected, ParseM3u("C:\\a.avi\nC:\\b.avi\nC:\\c.avi\n"));
  EXPECT_EQ(expected, ParseM3u("C:\\a.avi\rC:\\b.avi\rC:\\c.avi\r"));
  EXPECT_EQ(expected, ParseM3u("C:\\a.avi\n\rC:\\b.avi\r\r\n\nC:\\c.avi"));
}

TEST(M3uRead, ExtendedFormatLoadsOnlyThePaths) {
  const std::string text =
      "#EXTM3U\r\n"
      "#EXTINF:123,Artist - Title\r\n"
      "D:\\music\\one.mp3\r\n"
      "\r\n"
      "# a comment\r\n"
      "#EXTINF:-1,Second\r\n"
      "D:\\music\\two.mp3\r\n";
  EXPECT_EQ((Lines{"D:\\music\\one.mp3", "D:\\music\\two.mp3"}), ParseM3u(text));
  // A "#" only counts at the start of a line.
  EXPECT_EQ((Lines{"C:\\#1.avi", " #x"}), ParseM3u("C:\\#1.avi\n #x\n"));
}

TEST(M3uRead, LastLineWithoutBreakAndEmptyFiles) {
  EXPECT_EQ((Lines{"C:\\a.avi", "C:\\last one.avi"}), ParseM3u("C:\\a.avi\r\nC:\\last one.avi"));
  EXPECT_TRUE(ParseM3u("").empty());
  EXPECT_TRUE(ParseM3u("\r\n\r\n\n").empty());
  EXPECT_TRUE(ParseM3u("#EXTM3U").empty());
}

TEST(M3uRead, LongLinesStayOneEntry) {
  const std::string long_name = "C:\\" + std::string(1022, 'x');  // 1025 characters
  ASSERT_EQ(1025u, long_name.size());
  EXPECT_EQ((Lines{long_name, "C:\\b.avi"}), ParseM3u(long_name + "\r\nC:\\b.avi\r\n"));

  const std::string longest(kM3uMaxLine, 'y');
  EXPECT_EQ((Lines{longest}), ParseM3u(longest));
  // Beyond any path: skipped whole, with nothing of it left over.
  const std::string too_long(kM3uMaxLine + 1, 'z');
  EXPECT_EQ((Lines{"a", "b"}), ParseM3u("a\n" + too_long + "\nb"));
}

TEST(M3uRead, MarkCtrlZAndNul) {
  EXPECT_EQ((Lines{"C:\\a.avi"}), ParseM3u("\xEF\xBB\xBF#EXTM3U\r\nC:\\a.avi\r\n"));
  // Two UTF-8 playlists joined: the second mark goes as well.
  EXPECT_EQ((Lines{"C:\\a.avi", "C:\\b.avi"}),
            ParseM3u("C:\\a.avi\r\n\xEF\xBB\xBF#EXTM3U\r\n\xEF\xBB\xBF" "C:\\b.avi"));
  EXPECT_EQ((Lines{"C:\\a.avi"}), ParseM3u("C:\\a.avi\r\n\x1A"));
  EXPECT_EQ((Lines{"C:\\a.avi"}), ParseM3u("C:\\a.avi\r\n\x1A" "C:\\after.avi\r\n"));
  EXPECT_EQ((Lines{"C:\\b.avi"}), ParseM3u(std::string("C:\\a\0.avi\nC:\\b.avi\n", 19)));
  // Bytes above 127 pass unchanged; their conversion is the code page's.
  EXPECT_EQ((Lines{"C:\\\xE9t\xE9.avi"}), ParseM3u("C:\\\xE9t\xE9.avi\n"));
}

// --- Writing ".m3u" --------------------------------------------------------

TEST(M3uWrite, EntriesWithCrLfInOrder) {
  EXPECT_EQ("C:\\a.avi\r\nD:\\b c.mp3\r\n", FormatM3u({"C:\\a.avi", "D:\\b c.mp3"}));
  EXPECT_EQ("", FormatM3u({}));
}

TEST(M3uWrite, SaveThenLoadGivesTheSameList) {
  const Lines list{"C:\\Videos\\one.avi", "\\\\server\\share\\two.mpg", "D:\\x\\\xC4\xD6.wav",
                   "C:\\Videos\\one.avi", "C:\\" + std::string(2000, 'n') + ".avi"};
  EXPECT_EQ(list, ParseM3u(FormatM3u(list)));
}

TEST(M3uWrite, LeavesOutWhatCouldNotReadBack) {
  const Lines list{"",
                   "#not a name",
                   "\xEF\xBB\xBF" "C:\\marked.avi",
                   "two\nlines",
                   std::string("nul\0", 4),
                   "ctrl\x1Az",
                   std::string(kM3uMaxLine + 1, 'q'),
                   "C:\\kept.avi"};
  EXPECT_EQ("C:\\kept.avi\r\n", FormatM3u(list));
  for (const std::string& entry : list) {
    EXPECT_EQ(IsWritableM3uEntry(entry), ParseM3u(entry) == Lines{entry}) << entry.substr(0, 20);
  }
}

// --- Path names ------------------------------------------------------------

TEST(PathNames, AbsoluteNames) {
  for (const wchar_t* name : {L"C:\\x", L"c:/x", L"C:x", L"\\\\server\\x", L"\\x", L"/x", L"//server/x",
                              L"http://host/a.mp3", L"mms://host/x"}) {
    EXPECT_TRUE(IsAbsolutePath(std::wstring(name))) << name;
  }
  for (const wchar_t* name : {L"", L"x", L"x\\y", L"..\\x", L".\\x", L"1:\\x", L"C", L"a.avi:stream", L"ab:/x"}) {
    EXPECT_FALSE(IsAbsolutePath(std::wstring(name))) << name;
  }
  EXPECT_TRUE(IsAbsolutePath(std::string("C:\\x")));
  EXPECT_FALSE(IsAbsolutePath(std::string("x")));
}

TEST(PathNames, FolderOfAPath) {
  EXPECT_EQ(L"C:\\a", FolderOf(std::wstring(L"C:\\a\\list.m3u")));
  EXPECT_EQ(L"C:\\", FolderOf(std::wstring(L"C:\\list.m3u")));
  EXPECT_EQ(L"C:/a/b", FolderOf(std::wstring(L"C:/a/b/list.m3u")));
  EXPECT_EQ(L"\\\\server\\share", FolderOf(std::wstring(L"\\\\server\\share\\list.m3u")));
  EXPECT_EQ(L"\\", FolderOf(std::wstring(L"\\list.m3u")));
  EXPECT_EQ(L"C:", FolderOf(std::wstring(L"C:list.m3u")));
  EXPECT_EQ(L"", FolderOf(std::wstring(L"list.m3u")));
  EXPECT_EQ(L"a", FolderOf(std::wstring(L"a\\\\list.m3u")));
  EXPECT_EQ("dir", FolderOf(std::string("dir/x")));
}

TEST(PathNames, JoinUsesOneSeparator) {
  EXPECT_EQ(L"C:\\a\\b.avi", JoinPath(L"C:\\a", L"b.avi"));
  EXPECT_EQ(L"C:\\a\\b.avi", JoinPath(L"C:\\a\\", L"b.avi"));
  EXPECT_EQ(L"C:\\b.avi", JoinPath(L"C:\\", L"b.avi"));
  EXPECT_EQ(L"C:/a/b.avi", JoinPath(L"C:/a/", L"b.avi"));
  EXPECT_EQ(L"C:b.avi", JoinPath(L"C:", L"b.avi"));
  EXPECT_EQ(L"C:\\a\\sub/b.avi", JoinPath(L"C:\\a", L"sub/b.avi"));
  EXPECT_EQ(L"b.avi", JoinPath(L"", L"b.avi"));
  EXPECT_EQ(L"D:\\b.avi", JoinPath(L"C:\\a", L"D:\\b.avi"));
  EXPECT_EQ(L"\\\\s\\b.avi", JoinPath(L"C:\\a", L"\\\\s\\b.avi"));
  EXPECT_EQ(L"\\b.avi", JoinPath(L"C:\\a", L"\\b.avi"));
  EXPECT_EQ("C:\\a\\b.avi", JoinPath(std::string("C:\\a"), std::string("b.avi")));
}

TEST(PathNames, RelativePlaylistEntries) {
  const std::wstring list = L"D:\\Lists\\party.m3u";
  EXPECT_EQ(L"D:\\Lists\\song.mp3", ResolvePlaylistEntry(list, L"song.mp3"));
  EXPECT_EQ(L"D:\\Lists\\..\\Music\\a.mp3", ResolvePlaylistEntry(list, L"..\\Music\\a.mp3"));
  EXPECT_EQ(L"D:\\Lists\\sub/b.mp3", ResolvePlaylistEntry(list, L"sub/b.mp3"));
  EXPECT_EQ(L"C:\\full.avi", ResolvePlaylistEntry(list, L"C:\\full.avi"));
  EXPECT_EQ(L"\\\\server\\x.avi", ResolvePlaylistEntry(list, L"\\\\server\\x.avi"));
  EXPECT_EQ(L"D:\\x.avi", ResolvePlaylistEntry(L"D:\\root.m3u", L"x.avi"));
  EXPECT_EQ(L"x.avi", ResolvePlaylistEntry(L"here.m3u", L"x.avi"));
}

// --- The open dialog's selection -------------------------------------------

TEST(AddFiles, SelectionBuffer) {
  const wchar_t one[] = L"C:\\v\\a.avi\0\0";
  EXPECT_EQ((Names{L"C:\\v\\a.avi"}), SelectedFiles(one, sizeof(one) / sizeof(one[0])));

  const wchar_t three[] = L"C:\\v\0first.avi\0second.avi\0third.avi\0\0";
  EXPECT_EQ((Names{L"C:\\v\\first.avi", L"C:\\v\\second.avi", L"C:\\v\\third.avi"}),
            SelectedFiles(three, sizeof(three) / sizeof(three[0])));

  // A drive's root comes back with its separator: no doubled "\".
  const char root[] = "C:\\\0a.avi\0b.avi\0\0";
  EXPECT_EQ((Lines{"C:\\a.avi", "C:\\b.avi"}), SelectedFiles(root, sizeof(root)));

  // A buffer that was cut short without its terminator is read up to its end.
  const wchar_t cut[] = {L'C', L':', L'\\', L'v', 0, L'a', L'b'};
  EXPECT_EQ((Names{L"C:\\v\\ab"}), SelectedFiles(cut, 7));
  EXPECT_TRUE(SelectedFiles(static_cast<const wchar_t*>(nullptr), 10).empty());
  EXPECT_TRUE(SelectedFiles(L"", 1).empty());
}

TEST(AddFiles, AppendedInReverseAndTheFirstPlays) {
  Playlist list = ListOf({L"C:\\old.avi"});
  const std::optional<int32_t> play =
      list.AppendSelection({L"C:\\v\\first.avi", L"C:\\v\\second.avi", L"C:\\v\\third.avi"});
  EXPECT_EQ((Names{L"C:\\old.avi", L"C:\\v\\third.avi", L"C:\\v\\second.avi", L"C:\\v\\first.avi"}), list.Entries());
  ASSERT_TRUE(play.has_value());
  EXPECT_EQ(3, *play);
  EXPECT_EQ(L"C:\\v\\first.avi", list.Entries()[static_cast<size_t>(*play)]);
  EXPECT_FALSE(list.AppendSelection({}).has_value());
  EXPECT_EQ(4, list.Count());
}

// --- Delete, clear, load ---------------------------------------------------

TEST(PlaylistEdit, DeleteOnlyInsideTheList) {
  Playlist list = ListOf({L"a", L"b", L"c"});
  list.SetIndex(3);  // the list's down key reaches one past the end
  EXPECT_FALSE(list.DeleteCurrent());
  EXPECT_EQ(3, list.Count());
  EXPECT_EQ(3, list.Index());
  list.SetIndex(-1);
  EXPECT_FALSE(list.DeleteCurrent());
  EXPECT_FALSE(list.Remove(3));
  EXPECT_EQ(3, list.Count());

  list.SetIndex(2);
  EXPECT_TRUE(list.DeleteCurrent());
  EXPECT_EQ((Names{L"a", L"b"}), list.Entries());
  EXPECT_EQ(1, list.Index());
  list.SetIndex(0);
  EXPECT_TRUE(list.DeleteCurrent());
  EXPECT_EQ((Names{L"b"}), list.Entries());
  EXPECT_EQ(0, list.Index());
}

TEST(PlaylistEdit, DeletingTheOnlyEntry) {
  Playlist list = ListOf({L"only"});
  EXPECT_TRUE(list.DeleteCurrent());
  EXPECT_TRUE(list.Empty());
  EXPECT_EQ(0, list.Index());
  EXPECT_EQ(nullptr, list.Current());
  EXPECT_FALSE(list.DeleteCurrent());
}

TEST(PlaylistEdit, ClearAndReplaceGoBackToTheStart) {
  Playlist list = ListOf({L"a", L"b", L"c"});
  list.SetIndex(2);
  list.Replace({L"x", L"y"});
  EXPECT_EQ((Names{L"x", L"y"}), list.Entries());
  EXPECT_EQ(0, list.Index());
  ASSERT_NE(nullptr, list.Current());
  EXPECT_EQ(L"x", *list.Current());
  list.SetIndex(1);
  list.Clear();
  EXPECT_TRUE(list.Empty());
  EXPECT_EQ(0, list.Index());
}

// --- Next and previous -----------------------------------------------------

TEST(PlaylistShuffle, TheGeneratorFromStateOne) {
  ShuffleRandom random;
  EXPECT_EQ(1u, random.State());
  EXPECT_EQ(41, random.Draw());
  EXPECT_EQ(18467, random.Draw());
  EXPECT_EQ(6334, random.Draw());
  EXPECT_EQ(26500, random.Draw());
  // The state wraps modulo 2^32 and draws stay within 15 bits.
  for (int i = 0; i < 100000; ++i) {
    const int32_t r = random.Draw();
    ASSERT_GE(r, 0);
    ASSERT_LE(r, 0x7FFF);
  }
}

TEST(PlaylistShuffle, ThreeItemsFromStateOne) {
  Playlist list = ListOf({L"a", L"b", L"c"});
  std::vector<int32_t> order;
  for (int i = 0; i < 4; ++i) {
    const NextStep step = list.Next(false, true);
    ASSERT_EQ(NextAction::kPlay, step.action);
    order.push_back(step.index);
    list.SetIndex(step.index);
  }
  EXPECT_EQ((std::vector<int32_t>{2, 2, 1, 1}), order);
  // Every playlist starts from state 1 (one per program run).
  EXPECT_EQ(2, ListOf({L"a", L"b", L"c"}).Next(true, true).index);
}

TEST(PlaylistNext, EndOfTheListWithAndWithoutRepeat) {
  Playlist list = ListOf({L"a", L"b", L"c"});
  list.SetIndex(1);
  NextStep step = list.Next(false, false);
  EXPECT_EQ(NextAction::kPlay, step.action);
  EXPECT_EQ(2, step.index);

  list.SetIndex(2);
  EXPECT_EQ(NextAction::kStop, list.Next(false, false).action);
  step = list.Next(true, false);
  EXPECT_EQ(NextAction::kPlay, step.action);
  EXPECT_EQ(0, step.index);

  // An index left past the end or before the start.
  list.SetIndex(7);
  EXPECT_EQ(NextAction::kStop, list.Next(false, false).action);
  EXPECT_EQ(0, list.Next(true, false).index);
  list.SetIndex(-9);
  step = list.Next(false, false);
  EXPECT_EQ(NextAction::kPlay, step.action);
  EXPECT_EQ(0, step.index);
}

TEST(PlaylistNext, EmptyList) {
  Playlist list;
  EXPECT_EQ(NextAction::kReplayCurrent, list.Next(true, false).action);
  EXPECT_EQ(NextAction::kReplayCurrent, list.Next(true, true).action);
  EXPECT_EQ(NextAction::kFail, list.Next(false, false).action);
  EXPECT_EQ(NextAction::kFail, list.Next(false, true).action);
}

TEST(PlaylistPrevious, NoWrapAtTheFirstItem) {
  Playlist list = ListOf({L"a", L"b", L"c"});
  list.SetIndex(0);
  EXPECT_FALSE(list.Previous().has_value());
  list.SetIndex(2);
  EXPECT_EQ(1, list.Previous());
  list.SetIndex(9);  // past the end after deletions: the last entry
  EXPECT_EQ(2, list.Previous());
  list.SetIndex(-3);
  EXPECT_FALSE(list.Previous().has_value());
  EXPECT_FALSE(Playlist().Previous().has_value());
}

// --- Files that do not open ------------------------------------------------

TEST(PlaylistSkip, WalksOnPastAFileThatDoesNotOpen) {
  Playlist list = ListOf({L"a", L"bad", L"c"});
  list.SetIndex(1);
  const NextStep step = list.NextAfterFailedOpen(false, false);
  EXPECT_EQ(NextAction::kPlay, step.action);
  EXPECT_EQ(2, step.index);
  EXPECT_EQ(1, list.FailedInARow());
  list.NoteOpened();
  EXPECT_EQ(0, list.FailedInARow());
}

TEST(PlaylistSkip, GivesUpAfterOneFullPassWhenNoneOpens) {
  for (bool shuffle : {false, true}) {
    Playlist list = ListOf({L"x", L"y", L"z", L"w"});
    list.SetIndex(2);
    int tries = 1;  // the file at index 2 failed first
    for (;;) {
      const NextStep step = list.NextAfterFailedOpen(true, shuffle);
      if (step.action != NextAction::kPlay) {
        EXPECT_EQ(NextAction::kStop, step.action);
        break;
      }
      list.SetIndex(step.index);
      ASSERT_LT(++tries, 100) << "never gave up";
    }
    EXPECT_EQ(4, tries) << shuffle;
  }
  // Sequential with repeat, the pass visits every item once.
  Playlist list = ListOf({L"x", L"y", L"z"});
  list.SetIndex(1);
  std::vector<int32_t> tried{1};
  for (NextStep s = list.NextAfterFailedOpen(true, false); s.action == NextAction::kPlay;
       s = list.NextAfterFailedOpen(true, false)) {
    tried.push_back(s.index);
    list.SetIndex(s.index);
  }
  EXPECT_EQ((std::vector<int32_t>{1, 2, 0}), tried);
}

TEST(PlaylistSkip, EmptyListDoesNotReplayAFailedFile) {
  Playlist list;
  EXPECT_EQ(NextAction::kStop, list.NextAfterFailedOpen(true, false).action);
}

TEST(PlaylistSkip, ChangingTheListStartsAFreshPass) {
  Playlist list = ListOf({L"x", L"y"});
  list.NextAfterFailedOpen(true, false);
  EXPECT_EQ(1, list.FailedInARow());
  list.Append(L"z");
  EXPECT_EQ(0, list.FailedInARow());
  list.NextAfterFailedOpen(true, false);
  list.Clear();
  EXPECT_EQ(0, list.FailedInARow());
}
