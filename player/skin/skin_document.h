#pragma once
// A loaded skin description: the parsed XML, the numbered bitmap table and
// the element build that turns a "Form" into a tree of skinned windows.

#include <windows.h>

#include <msxml2.h>

#include "player/skin/skin_controls.h"
#include "player/skin/skin_element.h"

namespace skin {

constexpr int kBitmapSlots = 100;
// Forms nested deeper than this are not built (the window manager and the
// recursive operations of the tree both have their limits).
constexpr int kMaxFormDepth = 32;
// Position bars get at most this many sprite states.
constexpr int kMaxStates = 10000;

class SkinDocument {
 public:
  SkinDocument() = default;
  SkinDocument(const SkinDocument&) = delete;
  SkinDocument& operator=(const SkinDocument&) = delete;
  // Releases the parsed description, deletes every bitmap of the table and
  // destroys the tooltip window.
  ~SkinDocument();

  // Creates the XML parser; false if the platform has none.
  HRESULT CreateParser();
  // Loads and parses the description; shows the loader's messages itself.
  HRESULT LoadDescription(const char* path);
  // Fills the bitmap table from the description's "Bitmap" elements.
  HRESULT LoadBitmaps(const char* folder);

  CommandCallback elementHandler = nullptr;  // always none
  CommandCallback mainHandler = nullptr;     // given to elements of Type "Main"
  CommandCallback commandCallback = nullptr; // the player's command handler
  HWND tooltipWindow = nullptr;
  IXMLDOMDocument* dom = nullptr;
  HBITMAP bitmaps[kBitmapSlots] = {};
  bool loaded = false;

  // What the elements need from the player.
  HINSTANCE instance = nullptr;
  const PlaylistStyle* playlistStyle = nullptr;
  const PlaylistEntries* playlist = nullptr;
};

// Builds every "Form" named `name` (anywhere in the description) as a tree
// without parent and returns the last one built; null if none matched. The
// caller owns the tree and deletes it.
SkinElement* FindForm(SkinDocument* document, const char* name);

// Builds one element (and its nested forms) from a "Form" node.
SkinElement* BuildElement(SkinDocument* document, IXMLDOMNode* node, SkinElement* parent, int depth = 0);

// The window message an event name of a "Message" child binds; 0 if unknown.
UINT LookupEventName(const wchar_t* name);
// The event name of a bound message code; null if none names it.
const wchar_t* EventNameOf(UINT message);

}  // namespace skin
