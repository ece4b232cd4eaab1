#pragma once
// The command names a skin may use and the command ids the player's command
// handler dispatches. Platform-free.

namespace skin {

// Exact, case-sensitive lookup; an unknown name (or null) gives 0, which
// means "no command".
int LookupCommandName(const char* name);

// Command ids the skin engine itself needs to know.
enum CommandId : int {
  kCmdSetPositionRefreshCursor = 3000,
  kCmdPlaylistScroll = 175,
  kCmdPlaylistScrollUp = 171,
  kCmdPlaylistScrollDown = 172,
};

}  // namespace skin
