// The configurator's window arithmetic in pixels: the page area a filter's
// pages need, where the main window's controls go for a client size, and
// how far the window may grow to fit the shown panel.
#pragma once

#include <string>
#include <vector>

namespace configurator {

struct PixelSize {
  int cx = 0;
  int cy = 0;
};

inline bool operator==(PixelSize a, PixelSize b) { return a.cx == b.cx && a.cy == b.cy; }

struct PixelRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
};

inline bool operator==(const PixelRect& a, const PixelRect& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// "Ondra K4 4.5.1 Configurator": the product string and the program's word.
std::string ConfiguratorTitle();

// Extra height a page gets below itself each time it sets a new tallest.
constexpr int kPageHeightAllowance = 26;

// The widest page's width, and a height that becomes page height plus the
// allowance whenever a page is taller than the height recorded so far (the
// recorded height includes the allowance).
PixelSize PageAreaSize(const std::vector<PixelSize>& pages);

// A panel's preferred size: its page area plus the tab control's frame.
inline PixelSize PanelSize(PixelSize pageArea, PixelSize tabFrame) {
  return {pageArea.cx + tabFrame.cx, pageArea.cy + tabFrame.cy};
}

// What the layout keeps of the controls as they are now.
struct DialogMetrics {
  int frameTop = 0;         // the hidden frame's top
  int treeLeft = 0;         // the tree's left and top
  int treeTop = 0;
  int separatorHeight = 0;  // the etched line's height
  PixelSize ok;             // the buttons' sizes
  PixelSize cancel;
};

// Fixed distances of the layout, in pixels.
constexpr int kPanelLeft = 164;
constexpr int kRightMargin = 4;
constexpr int kPanelBottomMargin = 48;
constexpr int kSeparatorBottomMargin = 40;
constexpr int kTreeWidth = 149;
constexpr int kButtonRightMargin = 10;
constexpr int kButtonTopFromBottom = 30;
constexpr int kButtonGap = 5;

struct DialogLayout {
  PixelRect frame;      // the hidden frame, and the area the panel fills
  PixelRect separator;
  PixelRect tree;
  PixelRect ok;
  PixelRect cancel;
  PixelSize missing;    // how much the window must grow (0, 0 when it fits)
  bool Fits() const { return missing.cx == 0 && missing.cy == 0; }
};

// Places the controls for a client area of cx by cy pixels. hasPanel says
// whether a panel is shown; only then can the area be too small, and
// `missing` says by how much. Rectangles never have negative sizes.
DialogLayout LayoutDialog(int cx, int cy, const DialogMetrics& metrics, bool hasPanel, PixelSize preferred);

// The window rectangle after growing `window` by `missing`: never smaller
// than before, no larger than the work area where it can help it, and moved
// back inside the work area when growing pushed it out.
PixelRect GrowWindow(const PixelRect& window, PixelSize missing, const PixelRect& workArea);

}  // namespace configurator
