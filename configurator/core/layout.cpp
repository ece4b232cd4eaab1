#include "configurator/core/layout.h"

#include <algorithm>
#include <cstdio>

namespace configurator {

namespace {

const char kProduct[] = "Ondra K4 4.5.1";
const char kProgramWord[] = "Configurator";

// A rectangle from its edges, with right and bottom never left of or above
// left and top.
PixelRect Edges(int left, int top, int right, int bottom) {
  return {left, top, std::max(left, right), std::max(top, bottom)};
}

}  // namespace

std::string ConfiguratorTitle() {
  char title[128];
  std::snprintf(title, sizeof(title), "%s %s", kProduct, kProgramWord);
  return title;
}

PixelSize PageAreaSize(const std::vector<PixelSize>& pages) {
  PixelSize area;
  for (const PixelSize& page : pages) {
    area.cx = std::max(area.cx, page.cx);
    if (page.cy > area.cy) area.cy = page.cy + kPageHeightAllowance;
  }
  return area;
}

DialogLayout LayoutDialog(int cx, int cy, const DialogMetrics& m, bool hasPanel, PixelSize preferred) {
  DialogLayout layout;
  const int right = cx - kRightMargin;
  const int areaWidth = right - kPanelLeft;
  const int areaHeight = cy - kPanelBottomMargin - m.frameTop;
  if (hasPanel) {
    layout.missing.cx = std::max(0, preferred.cx - areaWidth);
    layout.missing.cy = std::max(0, preferred.cy - areaHeight);
  }
  layout.frame = Edges(kPanelLeft, m.frameTop, right, cy - kPanelBottomMargin);
  const int separatorBottom = cy - kSeparatorBottomMargin;
  layout.separator = Edges(kPanelLeft, separatorBottom - m.separatorHeight, right, separatorBottom);
  layout.tree = Edges(m.treeLeft, m.treeTop, m.treeLeft + kTreeWidth, separatorBottom);
  const int buttonTop = cy - kButtonTopFromBottom;
  const int cancelRight = cx - kButtonRightMargin;
  layout.cancel = {cancelRight - m.cancel.cx, buttonTop, cancelRight, buttonTop + m.cancel.cy};
  const int okRight = layout.cancel.left - kButtonGap;
  layout.ok = {okRight - m.ok.cx, buttonTop, okRight, buttonTop + m.ok.cy};
  return layout;
}

PixelRect GrowWindow(const PixelRect& window, PixelSize missing, const PixelRect& workArea) {
  const int width = window.Width();
  const int height = window.Height();
  // Grow towards what is missing, but not past the work area; a window that
  // is already larger than the work area keeps its size.
  const int newWidth = std::max(width, std::min(width + std::max(0, missing.cx), workArea.Width()));
  const int newHeight = std::max(height, std::min(height + std::max(0, missing.cy), workArea.Height()));
  int left = window.left;
  int top = window.top;
  if (newWidth > width && left + newWidth > workArea.right) left = std::max(workArea.left, workArea.right - newWidth);
  if (newHeight > height && top + newHeight > workArea.bottom)
    top = std::max(workArea.top, workArea.bottom - newHeight);
  return {left, top, left + newWidth, top + newHeight};
}

}  // namespace configurator
