#pragma once
// The playlist: full file names with the current index, and the rules of
// next, previous, add, delete, and walking on past files that do not open.
// The index follows IDM_PLAYLIST_SETITEM: the navigation rules say which
// index comes next and the player sets it through that command.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The shuffle's generator: state = state x 214013 + 2531011 (mod 2^32),
// each draw (state >> 16) & 0x7FFF. It starts at 1 with the program and is
// never reseeded, so a run's shuffle order repeats from run to run.
class ShuffleRandom {
 public:
  int32_t Draw();
  uint32_t State() const { return state_; }

 private:
  uint32_t state_ = 1;
};

enum class NextAction {
  kPlay,           // set the index to `index`, then play the current item
  kReplayCurrent,  // the list is empty: play the current file again
  kStop,           // nothing more to play; playback stays stopped
  kFail,           // the list is empty and "Repeat" is off: E_FAIL
};

struct NextStep {
  NextAction action = NextAction::kStop;
  int32_t index = 0;  // for kPlay
};

class Playlist {
 public:
  const std::vector<std::wstring>& Entries() const { return entries_; }
  int32_t Count() const { return static_cast<int32_t>(entries_.size()); }
  bool Empty() const { return entries_.empty(); }

  // IDM_PLAYLIST_SETITEM: any value is stored as it is; only an index
  // inside the list selects an item.
  void SetIndex(int32_t index) { index_ = index; }
  int32_t Index() const { return index_; }
  bool IsInside(int32_t index) const { return index >= 0 && index < Count(); }
  // The entry at the current index, or nullptr when the index is outside.
  const std::wstring* Current() const;

  void Append(const std::wstring& name);
  // Several names from one add dialog, given in the order the dialog
  // returned them: appended in the reverse order. Gives the index of the
  // last one appended (the one to play), or nothing for no names.
  std::optional<int32_t> AppendSelection(const std::vector<std::wstring>& dialog_order);
  // Removes the entry at `index`; false (and nothing changes) outside the list.
  bool Remove(int32_t index);
  // IDM_PLAYLIST_DELETEITEM: removes the current entry and moves the index
  // to max(index - 1, 0). An index outside the list (the list's down key
  // reaches index == count) removes nothing and keeps the index.
  bool DeleteCurrent();
  // Empties the list; the index goes back to 0.
  void Clear();
  // A loaded playlist file: its entries replace the list; index 0.
  void Replace(std::vector<std::wstring> entries);

  // IDM_PLAYNEXT: the step after the current item. A shuffle draws from the
  // generator (and may give the same item again).
  NextStep Next(bool repeat, bool shuffle);
  // IDM_PLAYPREVIOUS: index - 1, or nothing at the first item (no wrap).
  std::optional<int32_t> Previous() const;

  // A file of the list did not open: the step to the next one to try. After
  // as many failures in a row as the list has entries (or at once for an
  // empty list, whose replay would fail again) it stops instead, so a list
  // of files none of which opens ends rather than cycling for ever.
  NextStep NextAfterFailedOpen(bool repeat, bool shuffle);
  // A file opened: the run of failures is over.
  void NoteOpened() { failed_in_a_row_ = 0; }
  int32_t FailedInARow() const { return failed_in_a_row_; }

 private:
  void Changed() { failed_in_a_row_ = 0; }

  std::vector<std::wstring> entries_;
  int32_t index_ = 0;
  int32_t failed_in_a_row_ = 0;
  ShuffleRandom random_;
};

// The names an open dialog with multiple selection returned in `buffer`
// (`size` characters at most; the text need not be terminated inside it):
// either one full name followed by an empty string, or a folder followed by
// names. Gives full names in the dialog's order.
std::vector<std::wstring> SelectedFiles(const wchar_t* buffer, size_t size);
std::vector<std::string> SelectedFiles(const char* buffer, size_t size);
