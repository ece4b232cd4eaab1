#pragma once
// The player's command line: switches introduced by "-" or "/", then the
// file name, which is the whole rest of the line (spaces and quotes kept).
#include <string>

struct CommandLineOptions {
  bool fullscreen = false;  // "fullscreen"
  bool tray = false;        // "tray"
  bool autoclose = false;   // "autoclose"
  bool autoplay = false;    // "autoplay"
  std::string file_name;    // empty when the line ends after the switches
};

// Switch words are compared exactly and case-sensitively; others are ignored.
CommandLineOptions ParseCommandLine(const char* line);
