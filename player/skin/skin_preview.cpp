#include "player/skin/skin_preview.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "player/skin/skin_controls.h"
#include "player/skin/skin_document.h"

namespace skin {
namespace {

bool IsChildWindow(const SkinElement* element) {
  HWND window = element->GetWindow();
  return window && (GetWindowLongA(window, GWL_STYLE) & WS_CHILD) != 0;
}

void PaintElement(HDC dc, SkinElement* element, int originX, int originY) {
  if (!element->IsVisible()) return;
  const int saved = SaveDC(dc);
  SetViewportOrgEx(dc, originX, originY, nullptr);
  // GDI coordinates hold 27 bits; larger sizes are cut to what fits.
  const int limit = 1 << 26;
  IntersectClipRect(dc, 0, 0, std::min(element->width, limit), std::min(element->height, limit));
  if (auto* text = dynamic_cast<SkinText*>(element))
    text->DrawTextInto(dc);
  else
    element->Draw(dc, 0, 0);
  for (SkinElement* child : element->Children()) {
    if (IsChildWindow(child)) PaintElement(dc, child, originX + child->x, originY + child->y);
  }
  RestoreDC(dc, saved);
}

void CollectPopups(SkinElement* element, std::vector<SkinElement*>* popups, bool isRoot) {
  if (!isRoot && !IsChildWindow(element)) popups->push_back(element);
  for (SkinElement* child : element->Children()) CollectPopups(child, popups, false);
}

void Describe(const SkinElement* element, int depth, std::string* out) {
  char line[512];
  const std::string indent(static_cast<size_t>(depth) * 2, ' ');
  std::snprintf(line, sizeof line, "%s%s %s pos=%d,%d size=%dx%d state=%d/%d %s %s", indent.c_str(),
                element->Name().c_str(), TypeName(element), element->x, element->y, element->width, element->height,
                element->state, element->StateCount(), element->IsVisible() ? "visible" : "hidden",
                element->GetWindow() ? (IsChildWindow(element) ? "child" : "popup") : "nowindow");
  *out += line;
  auto command = [out](const char* what, int id) {
    if (!id) return;
    char part[64];
    std::snprintf(part, sizeof part, " %s=%d", what, id);
    *out += part;
  };
  command("show", element->showCommand);
  command("hide", element->hideCommand);
  command("catch", element->catchCommand);
  if (element->dragable == 0) *out += " dragable";
  if (auto* number = dynamic_cast<const SkinNumber*>(element)) {
    command("cache", number->CacheCommand());
  }
  if (auto* bar = dynamic_cast<const SkinPositionBar*>(element)) {
    command("message", bar->notifier.command());
    std::snprintf(line, sizeof line, " bounds=%d,%d,%d,%d %s", bar->boundsX, bar->boundsY, bar->boundsW,
                  bar->boundsH, bar->vertical ? "vertical" : "horizontal");
    *out += line;
  }
  if (auto* bar = dynamic_cast<const SkinScrollBar*>(element)) {
    command("message", bar->notifier.command());
    command("start", bar->startCommand);
    command("finish", bar->finishCommand);
    std::snprintf(line, sizeof line, " bounds=%d,%d,%d,%d %s", bar->boundsX, bar->boundsY, bar->boundsW,
                  bar->boundsH, bar->vertical ? "vertical" : "horizontal");
    *out += line;
  }
  if (auto* list = dynamic_cast<const SkinList*>(element)) {
    command("message", list->notifier.command());
    command("up", list->upCommand);
    command("down", list->downCommand);
    command("scroll", list->scrollCommand);
    command("playitem", list->playItemCommand);
    std::snprintf(line, sizeof line, " rows=%d top=%d selected=%d", list->RowCount(), list->Top(),
                  list->SelectedRow());
    *out += line;
  }
  *out += "\n";
  for (const MessageBinding& binding : element->Bindings()) {
    const wchar_t* event = EventNameOf(binding.message);
    char name[64];
    if (event)
      std::snprintf(name, sizeof name, "%ls", event);
    else
      std::snprintf(name, sizeof name, "0x%X", binding.message);
    std::snprintf(line, sizeof line, "%s  binding %s -> %d\n", indent.c_str(), name, binding.command);
    *out += line;
  }
  for (const SkinElement* child : element->Children()) Describe(child, depth + 1, out);
}

}  // namespace

COLORREF Picture::At(int x, int y) const {
  if (x < 0 || y < 0 || x >= width || y >= height) return CLR_INVALID;
  const size_t offset = (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3;
  return RGB(pixels[offset + 2], pixels[offset + 1], pixels[offset]);
}

bool RenderTree(SkinElement* root, Picture* picture) {
  *picture = Picture{};
  if (!root || root->width <= 0 || root->height <= 0) return false;
  const int width = std::min(root->width, kMaxPictureSide);
  const int height = std::min(root->height, kMaxPictureSide);

  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HDC screen = GetDC(nullptr);
  HBITMAP dib = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC dc = CreateCompatibleDC(screen);
  ReleaseDC(nullptr, screen);
  if (!dib || !dc || !bits) {
    if (dib) DeleteObject(dib);
    if (dc) DeleteDC(dc);
    return false;
  }
  HGDIOBJ previous = SelectObject(dc, dib);
  std::memset(bits, 0, static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
  // The root is drawn even when hidden: a hidden form still has a look.
  const int saved = root->visible;
  root->visible = 1;
  PaintElement(dc, root, 0, 0);
  root->visible = saved;
  GdiFlush();

  picture->width = width;
  picture->height = height;
  picture->pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
  const auto* source = static_cast<const uint8_t*>(bits);
  for (size_t i = 0, n = static_cast<size_t>(width) * static_cast<size_t>(height); i < n; ++i) {
    picture->pixels[i * 3] = source[i * 4];
    picture->pixels[i * 3 + 1] = source[i * 4 + 1];
    picture->pixels[i * 3 + 2] = source[i * 4 + 2];
  }
  SelectObject(dc, previous);
  DeleteDC(dc);
  DeleteObject(dib);
  return true;
}

std::vector<SkinElement*> PopupsOf(SkinElement* root) {
  std::vector<SkinElement*> popups;
  if (root) CollectPopups(root, &popups, true);
  return popups;
}

bool WriteBmp(const Picture& picture, const char* path) {
  if (picture.width <= 0 || picture.height <= 0) return false;
  const size_t stride = (static_cast<size_t>(picture.width) * 3 + 3) & ~static_cast<size_t>(3);
  const size_t imageBytes = stride * static_cast<size_t>(picture.height);
  BITMAPFILEHEADER file = {};
  BITMAPINFOHEADER header = {};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof file + sizeof header;
  file.bfSize = static_cast<DWORD>(file.bfOffBits + imageBytes);
  header.biSize = sizeof header;
  header.biWidth = picture.width;
  header.biHeight = picture.height;  // bottom-up, as BMP files usually are
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  header.biSizeImage = static_cast<DWORD>(imageBytes);
  FILE* out = std::fopen(path, "wb");
  if (!out) return false;
  bool ok = std::fwrite(&file, sizeof file, 1, out) == 1 && std::fwrite(&header, sizeof header, 1, out) == 1;
  std::vector<uint8_t> row(stride, 0);
  for (int y = picture.height - 1; ok && y >= 0; --y) {
    std::memcpy(row.data(), &picture.pixels[static_cast<size_t>(y) * static_cast<size_t>(picture.width) * 3],
                static_cast<size_t>(picture.width) * 3);
    ok = std::fwrite(row.data(), stride, 1, out) == 1;
  }
  ok = std::fclose(out) == 0 && ok;
  return ok;
}

const char* TypeName(const SkinElement* element) {
  if (!element->skinType.empty()) return element->skinType.c_str();
  if (dynamic_cast<const PlayListItem*>(element)) return "PlayListItem";
  if (dynamic_cast<const SkinText*>(element)) return "Text";
  if (dynamic_cast<const SkinButton*>(element)) return "Button";
  if (dynamic_cast<const SkinResizeZone*>(element)) return "ResizeZone";
  if (dynamic_cast<const SkinNumber*>(element)) return "Number";
  if (dynamic_cast<const SkinPositionBar*>(element)) return "PositionBar";
  if (dynamic_cast<const SkinScrollBar*>(element)) return "ScrollBar";
  if (dynamic_cast<const SkinList*>(element)) return "List";
  if (element->handler) return "Main";
  if (element->fillBackground) return "FileListZone";
  return "Zone";
}

std::string DescribeTree(const SkinElement* root) {
  std::string out;
  if (root) Describe(root, 0, &out);
  return out;
}

}  // namespace skin
