#pragma once
// Pictures and descriptions of element trees, for the skin preview tool and
// for tests: a form drawn into a bitmap the way its windows draw themselves,
// and its tree as text.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "player/skin/skin_element.h"

namespace skin {

// A 24-bit picture, rows top to bottom, 3 bytes a pixel (blue, green, red).
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;
  COLORREF At(int x, int y) const;
};

// Largest picture RenderTree makes, in either direction.
constexpr int kMaxPictureSide = 8192;

// Draws the element and its visible child windows (not its pop-ups) as they
// appear in its window, over black. False when the element has no area.
bool RenderTree(SkinElement* root, Picture* picture);

// The pop-up elements inside a tree ("NoParent" elements), which appear in
// windows of their own.
std::vector<SkinElement*> PopupsOf(SkinElement* root);

// Writes a 24-bit BMP file.
bool WriteBmp(const Picture& picture, const char* path);

// The skin type an element was built for ("Main", "Button", ...).
const char* TypeName(const SkinElement* element);

// One line per element (indented by depth) with its name, type, position,
// size, state, visibility, window kind and commands, then one line per
// binding.
std::string DescribeTree(const SkinElement* root);

}  // namespace skin
