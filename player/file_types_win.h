#pragma once
// File types under the real classes root.
#include <string>

// Registers the player's file types for `program`. `*agreed` set means the
// user counts as having agreed to take over other programs' types; unset,
// the first such type asks ("Reclaim File Types?"). The shell is told when
// anything changed.
void RegisterFileTypes(const std::string& program, bool* agreed);
