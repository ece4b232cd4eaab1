#include "player/file_types_win.h"

#include <windows.h>
// After windows.h.
#include <shlobj.h>

#include "player/core/file_types.h"

namespace {

class ClassesRoot : public file_types::Registry {
 public:
  Key Read(const std::string& key, std::string* value) override {
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ | KEY_WRITE, &opened) != ERROR_SUCCESS) {
      return Key::kMissing;
    }
    char text[1024];
    DWORD type = 0, size = sizeof text - 1;
    LONG result = RegQueryValueExA(opened, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(text), &size);
    RegCloseKey(opened);
    if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return Key::kNoDefault;
    text[size < sizeof text ? size : sizeof text - 1] = '\0';
    *value = text;
    return Key::kHasDefault;
  }

  bool Write(const std::string& key, const std::string& name, const std::string& value) override {
    HKEY created = nullptr;
    if (RegCreateKeyA(HKEY_CLASSES_ROOT, key.c_str(), &created) != ERROR_SUCCESS) return false;
    LONG result = RegSetValueExA(created, name.empty() ? nullptr : name.c_str(), 0, REG_SZ,
                                 reinterpret_cast<const BYTE*>(value.c_str()), static_cast<DWORD>(value.size() + 1));
    RegCloseKey(created);
    return result == ERROR_SUCCESS;
  }
};

}  // namespace

void RegisterFileTypes(const std::string& program, bool* agreed) {
  ClassesRoot registry;
  file_types::Outcome outcome = file_types::Register(registry, program, agreed, [] {
    return MessageBoxA(nullptr, "Assign multimedia files to Zelvo Player?", "Reclaim File Types?",
                       MB_YESNO | MB_ICONQUESTION) == IDYES;
  });
  if (outcome.changed) SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
}
