#include "player/skin/skin_element.h"

#include <algorithm>
#include <cstring>

#include "player/skin/skin_geometry.h"

namespace skin {
namespace {

// Process-wide state of the skin window procedure.
std::vector<SkinElement*> g_registry;  // newest first
HWND g_lastMouseWindow = nullptr;
UINT g_lastMouseMessage = 0;
bool g_dragSwallow = false;
CommandCallback g_commandHandler = nullptr;
SkinAlertSink g_alertSink = nullptr;

SkinElement* RegistryFind(HWND hwnd) {
  if (!hwnd) return nullptr;
  for (SkinElement* element : g_registry) {
    if (element->GetWindow() == hwnd) return element;
  }
  return nullptr;
}

void RegistryRemove(SkinElement* element) {
  g_registry.erase(std::remove(g_registry.begin(), g_registry.end(), element), g_registry.end());
}

LRESULT Dispatch(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_COMMAND && g_commandHandler) g_commandHandler(hwnd, message, wparam, lparam);
  // Looked up after the player's handler ran: it may have deleted the element.
  if (SkinElement* element = RegistryFind(hwnd)) return element->HandleMessage(hwnd, message, wparam, lparam);
  return DefWindowProcA(hwnd, message, wparam, lparam);
}

// The click that a press and release of one button on one window make.
UINT ClickOf(UINT previous, UINT current) {
  if (previous == WM_LBUTTONDOWN && current == WM_LBUTTONUP) return kLeftClick;
  if (previous == WM_RBUTTONDOWN && current == WM_RBUTTONUP) return kRightClick;
  if (previous == WM_MBUTTONDOWN && current == WM_MBUTTONUP) return kMiddleClick;
  return 0;
}

bool IsPopup(HWND hwnd) { return (GetWindowLongA(hwnd, GWL_STYLE) & WS_CHILD) == 0; }

}  // namespace

CommandCallback SetSkinCommandHandler(CommandCallback handler) {
  CommandCallback previous = g_commandHandler;
  g_commandHandler = handler;
  return previous;
}

SkinElement* ElementFromWindow(HWND hwnd) { return RegistryFind(hwnd); }

SkinAlertSink SetSkinAlertSink(SkinAlertSink sink) {
  SkinAlertSink previous = g_alertSink;
  g_alertSink = sink;
  return previous;
}

void ShowSkinAlert(HWND owner, const char* text) {
  if (g_alertSink) {
    g_alertSink(owner, text);
    return;
  }
  MessageBoxA(owner, text, nullptr, MB_OK);
}

LRESULT CALLBACK SkinWindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CREATE: {
      auto* create = reinterpret_cast<CREATESTRUCTA*>(lparam);
      auto* element = static_cast<SkinElement*>(create->lpCreateParams);
      if (!element) break;
      g_registry.insert(g_registry.begin(), element);
      if (element->handler) return element->HandleMessage(hwnd, message, wparam, lparam);
      return 0;
    }
    case WM_DESTROY: {
      SkinElement* element = RegistryFind(hwnd);
      if (!element) break;
      RegistryRemove(element);
      LRESULT result = 0;
      if (element->handler) result = element->HandleMessage(hwnd, message, wparam, lparam);
      element->window = nullptr;  // never used again, whoever destroyed it
      return result;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP: {
      const UINT click = g_lastMouseWindow == hwnd ? ClickOf(g_lastMouseMessage, message) : 0;
      if (click) Dispatch(hwnd, click, wparam, lparam);
      g_lastMouseWindow = hwnd;
      g_lastMouseMessage = message;
      return Dispatch(hwnd, message, wparam, lparam);
    }
    default:
      return Dispatch(hwnd, message, wparam, lparam);
  }
  return DefWindowProcA(hwnd, message, wparam, lparam);
}

void CommandNotifier::Init(CommandCallback callback, int command, HWND window) {
  callback_ = callback;
  command_ = command;
  window_ = window;
}

LRESULT CommandNotifier::Send(int command, LPARAM value) const {
  if (!callback_ || command == 0) return 0;
  return callback_(window_, WM_COMMAND, static_cast<WPARAM>(command), value);
}

SkinElement::SkinElement(int stateCount_, CommandCallback handler_, const char* name_, HINSTANCE instance_,
                         SkinElement* parent_, const char* title_)
    : handler(handler_),
      parent(parent_),
      instance(instance_),
      stateCount(std::max(stateCount_, 1)),
      sprites(static_cast<size_t>(stateCount)),
      name(name_ ? name_ : ""),
      title(title_ ? title_ : ""),
      hasTitle(title_ != nullptr) {
  if (name.size() > kMaxNameLength) name.resize(kMaxNameLength);
  if (parent) parent->AddChild(this);
}

SkinElement::~SkinElement() {
  life.reset();
  if (parent) parent->RemoveChild(this);
  // Each child removes itself from the list as it goes.
  while (!children.empty()) delete children.back();
  if (window && g_lastMouseWindow == window) g_lastMouseWindow = nullptr;
  if (window) DestroyWindow(window);
  RegistryRemove(this);
}

void SkinElement::SetSprite(int index, HBITMAP bitmap, int srcX, int srcY, int srcW, int srcH,
                            COLORREF transparent) {
  if (index < 0 || index >= stateCount) return;
  sprites[static_cast<size_t>(index)] = SpriteState{bitmap, srcX, srcY, srcW, srcH, transparent};
}

const SpriteState* SkinElement::Sprite(int index) const {
  if (index < 0 || index >= stateCount) return nullptr;
  return &sprites[static_cast<size_t>(index)];
}

bool SkinElement::RegisterWindowClass() {
  WNDCLASSA wc = {};
  wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_PARENTDC;
  wc.lpfnWndProc = SkinWindowProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.lpszClassName = name.c_str();
  return ::RegisterClassA(&wc) != 0;
}

bool SkinElement::Create(DWORD style) { return CreateEx(0, style); }

bool SkinElement::CreateEx(DWORD exStyle, DWORD style) {
  HWND created = CreateWindowExA(exStyle, name.c_str(), hasTitle ? title.c_str() : nullptr, style, x, y, width,
                                 height, GetParentWindow(), nullptr, instance, this);
  window = created;
  return created != nullptr;
}

void SkinElement::Show() {
  visible = 1;
  if (window) ShowWindow(window, SW_SHOW);
}

void SkinElement::Hide() {
  visible = 0;
  if (window) ShowWindow(window, SW_HIDE);
}

void SkinElement::Redraw() {
  if (!visible) return;
  if (window) {
    if (HDC dc = GetDC(window)) {
      Draw(dc, 0, 0);
      ReleaseDC(window, dc);
    }
  }
  for (size_t i = 0; i < children.size(); ++i) children[i]->Redraw();
}

void SkinElement::RedrawParent() {
  if (parent)
    parent->Redraw();
  else
    Redraw();
}

void SkinElement::ReportDrawFailure(const char* text, bool* reported) const {
  if (*reported) return;
  *reported = true;
  ShowSkinAlert(window, text);
}

namespace {

// A size in device units as a size in the logical units of `dc`.
SIZE LogicalSize(HDC dc, int cx, int cy) {
  POINT points[2] = {{0, 0}, {cx, cy}};
  DPtoLP(dc, points, 2);
  return SIZE{points[1].x - points[0].x, points[1].y - points[0].y};
}

}  // namespace

void SkinElement::Draw(HDC dc, int x0, int y0) {
  if (fillBackground && fillBrush) {
    RECT area = {0, 0, width, height};
    FillRect(dc, &area, fillBrush);
  }
  const SpriteState* sprite = Sprite(state);
  if (!sprite || !sprite->bitmap) return;
  HDC memory = CreateCompatibleDC(dc);
  if (!memory) return;
  HGDIOBJ previous = SelectObject(memory, sprite->bitmap);
  SetMapMode(memory, GetMapMode(dc));

  const SIZE area = LogicalSize(dc, width, height);
  // Converted as distances, so that an origin set on the target (a preview
  // drawing a whole tree into one context) does not move the source.
  const SIZE sourceOffset = LogicalSize(dc, sprite->srcX, sprite->srcY);
  const POINT source = {sourceOffset.cx, sourceOffset.cy};
  const SIZE tile = LogicalSize(memory, sprite->srcW, sprite->srcH);

  // A sprite without area cannot be tiled: nothing is drawn.
  if (tile.cx > 0 && tile.cy > 0) {
    int64_t columns = TileCount(area.cx, tile.cx);
    int64_t rows = TileCount(area.cy, tile.cy);
    if (columns == 0 || rows == 0 || drawMode == kDrawStretch) columns = rows = 1;
    // Only the tiles that can reach the visible part are copied, so a huge
    // element over a tiny sprite costs no more than the visible area.
    int64_t firstColumn = 0, lastColumn = columns, firstRow = 0, lastRow = rows;
    RECT clip;
    const int clipKind = GetClipBox(dc, &clip);
    if (clipKind == NULLREGION) lastColumn = lastRow = 0;
    if (clipKind == SIMPLEREGION || clipKind == COMPLEXREGION) {
      firstColumn = std::max<int64_t>(0, (static_cast<int64_t>(clip.left) - x0) / tile.cx);
      lastColumn = std::min<int64_t>(columns, TileCount(static_cast<int64_t>(clip.right) - x0, tile.cx));
      firstRow = std::max<int64_t>(0, (static_cast<int64_t>(clip.top) - y0) / tile.cy);
      lastRow = std::min<int64_t>(rows, TileCount(static_cast<int64_t>(clip.bottom) - y0, tile.cy));
    }
    bool reported = false;
    for (int64_t i = firstColumn; i < lastColumn; ++i) {
      for (int64_t j = firstRow; j < lastRow; ++j) {
        const int tileW = ClampToInt(std::min<int64_t>(tile.cx, area.cx - i * tile.cx));
        const int tileH = ClampToInt(std::min<int64_t>(tile.cy, area.cy - j * tile.cy));
        const int dx = ClampToInt(x0 + i * tile.cx);
        const int dy = ClampToInt(y0 + j * tile.cy);
        BOOL ok = FALSE;
        switch (drawMode) {
          case kDrawTransparentBlt:
            ok = TransparentBlt(dc, dx, dy, tileW, tileH, memory, source.x, source.y, tile.cx, tile.cy,
                                sprite->transparent);
            break;
          case kDrawMcTransparentBlt:
            ok = McTransparentBlt(dc, dx, dy, tileW, tileH, memory, source.x, source.y, tile.cx, tile.cy,
                                  sprite->transparent);
            break;
          case kDrawStretch:
            ok = StretchBlt(dc, dx, dy, tileW, tileH, memory, source.x, source.y, tile.cx, tile.cy, SRCCOPY);
            break;
          default:
            ok = BitBlt(dc, dx, dy, tileW, tileH, memory, source.x, source.y, SRCCOPY);
            break;
        }
        if (!ok) ReportDrawFailure("Failed to draw control element", &reported);
      }
    }
  }
  SelectObject(memory, previous);
  DeleteDC(memory);
}

void SkinElement::AddChild(SkinElement* child) { children.push_back(child); }

void SkinElement::RemoveChild(SkinElement* child) {
  children.erase(std::remove(children.begin(), children.end(), child), children.end());
}

void SkinElement::AddBinding(UINT message, int command, LPARAM value, CommandCallback callback) {
  bindings.push_back(MessageBinding{message, command, value, callback});
}

LRESULT SkinElement::HandleMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  // A bound message is consumed by its bindings.
  std::vector<MessageBinding> bound;
  for (const MessageBinding& binding : bindings) {
    if (binding.message == message) bound.push_back(binding);
  }
  if (!bound.empty()) {
    const std::weak_ptr<int> alive = life;
    const HWND own = window;
    LRESULT result = 0;
    for (const MessageBinding& binding : bound) {
      if (alive.expired()) break;  // the player deleted this element
      if (binding.callback)
        result = binding.callback(own, WM_COMMAND, static_cast<WPARAM>(binding.command), binding.value);
    }
    return result;
  }

  if (message == WM_COMMAND) {
    const int id = static_cast<int>(wparam);
    if (showCommand && showCommand == id) Show();
    if (hideCommand && hideCommand == id) Hide();
    if (catchCommand && catchCommand == id) OnCatch(wparam, lparam);
  }

  switch (message) {
    case WM_MOVE:
      if (window) {
        RECT rect;
        GetWindowRect(window, &rect);
        POINT corner = {rect.left, rect.top};
        // Child windows live in their parent's client coordinates.
        if (!IsPopup(window)) ScreenToClient(::GetParent(window), &corner);
        x = corner.x;
        y = corner.y;
      }
      break;
    case WM_SIZE:
      Resize(static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam)));
      break;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      BeginPaint(hwnd, &paint);
      Redraw();
      EndPaint(hwnd, &paint);
      return 0;
    }
    case WM_COMMAND: {
      const std::weak_ptr<int> alive = life;
      for (size_t i = 0; i < children.size(); ++i) {
        children[i]->HandleMessage(hwnd, message, wparam, lparam);
        if (alive.expired()) break;
      }
      return 0;
    }
    case WM_MOUSEMOVE:
      if ((wparam & MK_LBUTTON) && dragable == 1) {
        g_dragSwallow = true;
        return 0;
      }
      if (!(wparam & MK_LBUTTON)) g_dragSwallow = false;
      if (g_dragSwallow) return 0;
      break;
    case WM_SIZING: {
      auto* rect = reinterpret_cast<RECT*>(lparam);
      Resize(rect->right - rect->left, rect->bottom - rect->top);
      rect->right = ClampToInt(static_cast<int64_t>(rect->left) + width);
      rect->bottom = ClampToInt(static_cast<int64_t>(rect->top) + height);
      break;
    }
    default:
      break;
  }
  if (handler) return handler(hwnd, message, wparam, lparam);
  return DefaultHandler(hwnd, message, wparam, lparam);
}

LRESULT SkinElement::DefaultHandler(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  // A pop-up answers its own hit tests: its parent's window may lie anywhere
  // on the screen, and its answer there would make the pop-up unclickable.
  if (parent && !(message == WM_NCHITTEST && window && IsPopup(window)))
    return parent->HandleMessage(parent->window, message, wparam, lparam);
  return DefWindowProcA(hwnd, message, wparam, lparam);
}

void SkinElement::Resize(int newWidthRequest, int newHeightRequest) {
  const int newWidth = SnapWidth(newWidthRequest, minWidth, dWidth);
  const int newHeight = SnapHeight(newHeightRequest, minHeight, dHeight);
  const int oldWidth = width;
  const int oldHeight = height;
  width = newWidth;
  height = newHeight;
  if (window) SetWindowPos(window, HWND_TOP, x, y, newWidth, newHeight, SWP_NOOWNERZORDER);
  const int64_t dw = static_cast<int64_t>(newWidth) - oldWidth;
  const int64_t dh = static_cast<int64_t>(newHeight) - oldHeight;
  for (size_t i = 0; i < children.size(); ++i) {
    SkinElement* child = children[i];
    const int64_t childWidth = child->width + (child->hScale == 1 ? dw : 0);
    const int64_t childHeight = child->height + (child->vScale == 1 ? dh : 0);
    if (child->hAlign == 1 && dw != 0) child->x = ClampToInt(child->x + dw);
    if (child->vAlign == 1 && dh != 0) child->y = ClampToInt(child->y + dh);
    child->Resize(ClampToInt(childWidth), ClampToInt(childHeight));
  }
}

void SkinElement::MoveToPosition() {
  if (window) SetWindowPos(window, HWND_TOP, x, y, 0, 0, SWP_NOSIZE | SWP_NOOWNERZORDER);
}

SkinElement* FindElement(SkinElement* element, const char* name) {
  if (!element || !name) return nullptr;
  if (element->Name() == name) return element;
  for (SkinElement* child : element->Children()) {
    if (SkinElement* found = FindElement(child, name)) return found;
  }
  return nullptr;
}

}  // namespace skin
