#pragma once
// The skinned window: the base of every element of a skin. An element is a
// native window whose look comes from bitmap sprites and whose mouse events
// become player commands. Elements form trees; the root is a form (a
// top-level pop-up), nested elements are child windows or owned pop-ups.

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

using CommandCallback = LRESULT(CALLBACK*)(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

namespace skin {

constexpr int kMaxNameLength = 99;  // longest element (and window class) name

// Messages the skin window procedure synthesises from a press and a release
// of one button on one window.
constexpr UINT kMiddleClick = 0x40A;
constexpr UINT kRightClick = 0x40B;
constexpr UINT kLeftClick = 0x40C;

// Draw modes: how a sprite tile reaches the window.
enum DrawMode : int {
  kDrawTransparentBlt = 0,   // the system's transparent copy
  kDrawMcTransparentBlt = 1, // McTransparentBlt
  kDrawCopy = 2,             // BitBlt SRCCOPY (what every element uses)
  kDrawStretch = 3,          // StretchBlt SRCCOPY, one tile
};

struct SpriteState {
  HBITMAP bitmap = nullptr;  // not owned: the skin document's bitmap table owns it
  int srcX = 0;
  int srcY = 0;
  int srcW = 0;
  int srcH = 0;
  COLORREF transparent = 0;
};

struct MessageBinding {
  UINT message = 0;
  int command = 0;
  LPARAM value = 0;
  CommandCallback callback = nullptr;
};

// Sends a control's notifications to the player.
class CommandNotifier {
 public:
  void Init(CommandCallback callback, int command, HWND window);
  void SetWindow(HWND window) { window_ = window; }
  // callback(window, WM_COMMAND, command, value)
  LRESULT Notify(LPARAM value) const { return Send(command_, value); }
  // callback(window, WM_COMMAND, command, value) with a given command
  LRESULT Send(int command, LPARAM value) const;
  int command() const { return command_; }

 private:
  CommandCallback callback_ = nullptr;
  int command_ = 0;
  HWND window_ = nullptr;
};

class SkinElement {
 public:
  SkinElement(int stateCount, CommandCallback handler, const char* name, HINSTANCE instance,
              SkinElement* parent, const char* title);
  SkinElement(const SkinElement&) = delete;
  SkinElement& operator=(const SkinElement&) = delete;

  // Deleting an element removes it from its parent, deletes its children and
  // destroys its window.
  virtual ~SkinElement();
  virtual void SetSprite(int state, HBITMAP bitmap, int srcX, int srcY, int srcW, int srcH,
                         COLORREF transparent);
  // Registers the window class named after the element (a second element of
  // the same name shares the class).
  virtual bool RegisterWindowClass();
  virtual bool Create(DWORD style);
  virtual bool CreateEx(DWORD exStyle, DWORD style);
  virtual void Show();
  virtual void Hide();
  virtual void Redraw();
  virtual void RedrawParent();
  virtual void Draw(HDC dc, int x, int y);
  virtual void AddChild(SkinElement* child);
  virtual void RemoveChild(SkinElement* child);
  virtual HWND GetWindow() const { return window; }
  virtual HWND GetParentWindow() const { return parent ? parent->window : nullptr; }
  virtual int GetX() const { return x; }
  virtual int GetY() const { return y; }
  virtual void SetX(int value) { x = value; }
  virtual void SetY(int value) { y = value; }
  virtual void SetState(int value) { state = value; }
  virtual LRESULT HandleMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  virtual LRESULT DefaultHandler(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  virtual void AddBinding(UINT message, int command, LPARAM value, CommandCallback callback);
  virtual void Resize(int width, int height);
  virtual void SetCatchCommand(int id) { catchCommand = id; }
  virtual void OnCatch(WPARAM wparam, LPARAM lparam) {}
  virtual bool IsVisible() const { return visible != 0; }

  // Moves a form's window to X, Y (keeping its size).
  void MoveToPosition();
  const std::string& Name() const { return name; }
  const std::vector<SkinElement*>& Children() const { return children; }
  const std::vector<MessageBinding>& Bindings() const { return bindings; }
  const SpriteState* Sprite(int index) const;
  int StateCount() const { return stateCount; }
  // True while the element has not been deleted; elements hand this to code
  // that calls out to the player, which may delete the tree meanwhile.
  std::weak_ptr<int> LifeToken() const { return life; }

  // Skin data, set by the loader.
  int vAlign = 0;
  int hAlign = 0;
  int vScale = 0;
  int hScale = 0;
  int minWidth = 0;
  int minHeight = 0;
  int dWidth = 1;
  int dHeight = 1;
  int showCommand = 0;
  int hideCommand = 0;
  CommandCallback handler = nullptr;
  int dragable = 1;  // 1: left-button moves are swallowed; 0: passed to the parent chain
  int fillBackground = 0;
  HBRUSH fillBrush = nullptr;  // not owned
  int catchCommand = 0;
  int x = 0;
  int y = 0;
  int visible = 0;
  int width = 0;
  int height = 0;
  int drawMode = kDrawCopy;
  int state = 0;
  std::string skinType;  // the skin "Type" the loader built this element for

 protected:
  // A tile copy failed: tells the user once per drawing pass.
  void ReportDrawFailure(const char* text, bool* reported) const;

  std::vector<SkinElement*> children;
  std::vector<MessageBinding> bindings;  // in the order added
  HWND window = nullptr;
  SkinElement* parent = nullptr;
  HINSTANCE instance = nullptr;
  int stateCount = 1;
  std::vector<SpriteState> sprites;
  std::string name;
  std::string title;
  bool hasTitle = false;
  std::shared_ptr<int> life = std::make_shared<int>(0);

  friend LRESULT CALLBACK SkinWindowProc(HWND, UINT, WPARAM, LPARAM);
};

// The one window procedure of every skinned window.
LRESULT CALLBACK SkinWindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

// The player's command handler: every WM_COMMAND that reaches a skin window
// goes to it first. Returns the previous handler.
CommandCallback SetSkinCommandHandler(CommandCallback handler);

// The element whose window this is, or null.
SkinElement* ElementFromWindow(HWND hwnd);

// The element itself if its name matches exactly, else the first match in
// its children, depth-first in child order; null if none.
SkinElement* FindElement(SkinElement* element, const char* name);

// Where drawing failures go ("Failed to draw control element", "Failed to
// draw"): a message box owned by the element's window, unless a sink is set
// (tools that run without a user).
using SkinAlertSink = void (*)(HWND owner, const char* text);
SkinAlertSink SetSkinAlertSink(SkinAlertSink sink);
void ShowSkinAlert(HWND owner, const char* text);

}  // namespace skin

// The player's exported transparent copy: copies the source rectangle to the
// destination rectangle (stretching when the sizes differ), leaving the
// destination untouched where the source has the transparent colour.
// Returns nonzero on success.
extern "C" __declspec(dllexport) int __cdecl McTransparentBlt(HDC destination, int dx, int dy, int dw,
                                                              int dh, HDC source, int sx, int sy, int sw,
                                                              int sh, unsigned int transparent);
