#pragma once
// Wearing a skin: a ".wsz" archive of bitmaps plus a description.
#include <windows.h>

#include "player/skin/archive/skin_archive.h"
#include "player/skin/skin_loader.h"

namespace skin {

// Empties `folder` (its files; sub-folders stay), unpacks `archive` into it,
// replaces `style` with the colours of the archive's "pledit.txt" (the
// default style without one) and loads `description` with `folder` as the
// bitmap folder. E_FAIL when the archive cannot be opened or the default
// style cannot be made; otherwise the loader's result. `report`, when given,
// says what the unpacking wrote and skipped.
HRESULT ApplySkin(const char* description, const char* archive, const char* folder, PlaylistStyle* style,
                  SkinSetup setup, ExtractReport* report = nullptr);

// Deletes every file in `folder` (which ends in a backslash).
void EmptySkinFolder(const char* folder);

}  // namespace skin
