#include "player/core/file_types.h"

#include <cctype>

namespace file_types {

namespace {

bool SameText(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

// Takes over a key whose default value belongs to someone else, if the
// user agrees; false when the run must stop.
bool MayTakeOver(bool* agreed, const std::function<bool()>& ask, Outcome* outcome) {
  if (*agreed) return true;
  ++outcome->questions;
  if (!ask()) {
    outcome->refused = true;
    return false;
  }
  *agreed = true;
  return true;
}

}  // namespace

const std::vector<Extension>& Extensions() {
  static const std::vector<Extension> extensions = {
      {".avi", "avifile"}, {".mpe", "mpegfile"}, {".mpeg", "mpegfile"}, {".mpg", "mpegfile"}, {".dat", "datfile"},
  };
  return extensions;
}

std::string OpenCommand(const std::string& program) { return "\"" + program + "\" \"%1\""; }

std::string IconValue(const std::string& program) { return program + ",0"; }

Outcome Register(Registry& registry, const std::string& program, bool* agreed, const std::function<bool()>& ask) {
  Outcome outcome;
  const std::string command_key = std::string(kProgramId) + "\\shell\\open\\command";
  const std::string command = OpenCommand(program);
  auto write = [&](const std::string& key, const std::string& name, const std::string& value) {
    if (registry.Write(key, name, value)) outcome.changed = true;
  };
  for (const Extension& extension : Extensions()) {
    std::string value;
    switch (registry.Read(extension.name, &value)) {
      case Registry::Key::kHasDefault:
        if (SameText(value, kProgramId)) break;
        if (!MayTakeOver(agreed, ask, &outcome)) return outcome;
        write(extension.name, "", kProgramId);
        break;
      case Registry::Key::kNoDefault:
        write(extension.name, "", kProgramId);
        break;
      case Registry::Key::kMissing:
        write(extension.name, "", kProgramId);
        write(extension.name, "Content Type", extension.content_type);
        break;
    }
    switch (registry.Read(command_key, &value)) {
      case Registry::Key::kHasDefault:
        if (SameText(value, command)) break;
        if (!MayTakeOver(agreed, ask, &outcome)) return outcome;
        write(command_key, "", command);
        break;
      case Registry::Key::kNoDefault:
        write(command_key, "", command);
        break;
      case Registry::Key::kMissing:
        write(kProgramId, "", kProgramId);
        write(std::string(kProgramId) + "\\DefaultIcon", "", IconValue(program));
        write(command_key, "", command);
        break;
    }
  }
  return outcome;
}

}  // namespace file_types
