#pragma once
// Making the player the program that opens video files: the extensions it
// takes, the values it writes under the classes root, and the decisions of
// a registration run over any registry.
#include <functional>
#include <string>
#include <vector>

namespace file_types {

constexpr char kProgramId[] = "ZelvoFile";

struct Extension {
  const char* name;          // ".avi"
  const char* content_type;  // written only when the extension is new
};

// The extensions the player registers, in order. ".asf" and ".wmv" are not
// among them: the player refuses to play those.
const std::vector<Extension>& Extensions();

// "\"<program>\" \"%1\"": what the shell runs to open a file.
std::string OpenCommand(const std::string& program);
// The program's own icon, the first in its resources.
std::string IconValue(const std::string& program);

// The registry as the registration sees it: keys by their path under the
// classes root ("ZelvoFile\\shell\\open\\command").
class Registry {
 public:
  enum class Key { kMissing, kNoDefault, kHasDefault };
  virtual ~Registry() = default;
  // Whether the key exists and has a readable default value (then given).
  virtual Key Read(const std::string& key, std::string* default_value) = 0;
  // Creates the key if needed and writes one string value ("" is the
  // default value); false on failure.
  virtual bool Write(const std::string& key, const std::string& name, const std::string& value) = 0;
};

struct Outcome {
  bool changed = false;  // something was written
  bool refused = false;  // the user said No, and the run stopped there
  int questions = 0;
};

// One registration run. An association of another program is taken over
// only when `*agreed` is already set or `ask` says yes, which then holds
// for the rest of the run and for later runs through the same flag; No
// stops the run, leaving that row and the rest alone.
Outcome Register(Registry& registry, const std::string& program, bool* agreed, const std::function<bool()>& ask);

}  // namespace file_types
