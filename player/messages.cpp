#include "player/messages.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>

const char kMessageCaption[] = "PlayWnd Sample";

namespace {
MessageSink g_sink = nullptr;
}

MessageSink SetMessageSink(MessageSink sink) {
  MessageSink previous = g_sink;
  g_sink = sink;
  return previous;
}

void ShowMessageText(const char* text) {
  if (g_sink) {
    g_sink(text);
    return;
  }
  MessageBoxA(nullptr, text, kMessageCaption, MB_OK);
}

void ShowMessage(const char* format, ...) {
  char text[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  ShowMessageText(text);
}
