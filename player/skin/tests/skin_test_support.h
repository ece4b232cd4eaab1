#pragma once
// Helpers for the skin engine's tests: skins written on the fly (XML and
// generated bitmaps), a command callback that records what elements send,
// real mouse input and message pumping.

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "player/skin/skin_element.h"
#include "player/skin/skin_loader.h"

#include <gtest/gtest.h>

#include "player/skin/skin_element.h"

namespace skintest {

// Tells Wine (in the test prefix) not to wait for a window manager for the
// windows of the named program; done for every test program at start.
void KeepWindowsUnmanaged(const char* program);

// A fresh, empty folder under the temporary folder, ending in a backslash.
std::string FreshFolder(const char* name);

bool WriteFile(const std::string& path, const std::string& text);

// A 24-bit bitmap file whose pixel (x, y) is colour(x, y).
bool WriteBitmap(const std::string& path, int width, int height, const std::function<COLORREF(int, int)>& colour);

struct Command {
  HWND window;
  UINT message;
  WPARAM id;
  LPARAM value;
};

// Every call of the recording callbacks, in order.
std::vector<Command>& Recorded();
LRESULT CALLBACK RecordCommand(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
// Ids only, in order.
std::vector<int> RecordedIds();

// What the loader needs, for tests: a hidden stand-in for the player's
// command window (the caller destroys it), `commands` for every command
// of every element and `windows` as the handler of every form and bar.
skin::SkinSetup TestSetup(CommandCallback commands, CommandCallback windows);

// Messages of the player's message routine, collected instead of shown.
std::vector<std::string>& CollectedMessages();
void CollectMessages();

// Dispatches the thread's messages for `ms` milliseconds.
void Pump(int ms);

// Real mouse input through the system's input queue.
void MoveMouse(int x, int y);
// Moves the mouse to `at` (screen coordinates) over `window` and waits until
// the window has seen the pointer: the X server maps a new window some time
// after Wine reports it shown, and input sent before that is lost. False
// after two seconds.
bool AimMouse(HWND window, POINT at);
void PressLeft();
void ReleaseLeft();
// Screen position of a point of a window's client area.
POINT ScreenPoint(HWND window, int x, int y);

// Colour of a window's screen pixel, read back from the window.
COLORREF WindowPixel(HWND window, int x, int y);

// The folder of the running test program, ending in a backslash.
std::string ProgramFolder();

// Runs a program of the test build; fills the exit code, standard output and
// error, and the texts of the message boxes it showed (each closed with OK).
struct ChildRun {
  DWORD exitCode = 0;
  std::string out;
  std::string err;
  std::vector<std::string> boxes;
  std::vector<std::string> captions;
  bool finished = false;
};
ChildRun RunChild(const std::string& commandLine, int timeoutMs = 20000);

// Gives a test-made element its place and size, creates its window with
// `style` and shows it.
template <typename T>
T* Place(T* element, int x, int y, int width, int height, DWORD style) {
  element->x = x;
  element->y = y;
  element->width = width;
  element->height = height;
  element->RegisterWindowClass();
  EXPECT_TRUE(element->Create(style));
  element->Show();
  return element;
}

// A top-level form made by a test, with an optional handler.
inline skin::SkinElement* Form(const char* name, int x, int y, int width, int height,
                               CommandCallback handler = nullptr) {
  return Place(new skin::SkinElement(1, handler, name, GetModuleHandleA(nullptr), nullptr, nullptr), x, y, width,
               height, WS_POPUP);
}

}  // namespace skintest
