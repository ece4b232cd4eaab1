#include "player/core/command_line.h"

#include <cstring>

CommandLineOptions ParseCommandLine(const char* line) {
  CommandLineOptions options;
  if (!line) return options;
  const char* p = line;
  for (;;) {
    while (*p == ' ') ++p;
    if (*p != '-' && *p != '/') break;
    const char* word = ++p;
    while (*p && *p != ' ') ++p;
    const size_t length = static_cast<size_t>(p - word);
    auto is = [&](const char* name) {
      return length == std::strlen(name) && std::strncmp(word, name, length) == 0;
    };
    if (is("fullscreen")) options.fullscreen = true;
    else if (is("tray")) options.tray = true;
    else if (is("autoclose")) options.autoclose = true;
    else if (is("autoplay")) options.autoplay = true;
  }
  options.file_name = p;
  return options;
}
