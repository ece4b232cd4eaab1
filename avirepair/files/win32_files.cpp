#include <windows.h>

#include <algorithm>

#include "avirepair/files/system_files.h"

namespace avirepair {
namespace {

bool Failed(FileError* error, DWORD err) {
  if (!error) return false;
  error->code = err ? 0x80070000u | (err & 0xFFFFu) : 0x80004005u;
  char text[256] = {};
  DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, err, 0, text,
                           sizeof text, nullptr);
  while (n > 0 && (text[n - 1] == '\n' || text[n - 1] == '\r' || text[n - 1] == ' ' || text[n - 1] == '.')) text[--n] = 0;
  error->text = n ? text : "system error " + std::to_string(err);
  return false;
}

class Win32File final : public RepairFile {
 public:
  explicit Win32File(HANDLE file) : file_(file) {}
  ~Win32File() override { CloseHandle(file_); }

  // Reads and writes name their position in the call itself (a synchronous
  // handle accepts an OVERLAPPED for that), so each costs one system call.
  bool Read(uint64_t pos, void* data, size_t len, size_t* got, FileError* error) override {
    *got = 0;
    while (*got < len) {
      DWORD n = 0;
      OVERLAPPED at = At(pos + *got);
      if (!ReadFile(file_, static_cast<char*>(data) + *got, Part(len - *got), &n, &at)) {
        DWORD err = GetLastError();
        if (err == ERROR_HANDLE_EOF) break;
        return Failed(error, err);
      }
      if (n == 0) break;
      *got += n;
    }
    return true;
  }
  bool Write(uint64_t pos, const void* data, size_t len, FileError* error) override {
    size_t done = 0;
    while (done < len) {
      DWORD n = 0;
      OVERLAPPED at = At(pos + done);
      if (!WriteFile(file_, static_cast<const char*>(data) + done, Part(len - done), &n, &at))
        return Failed(error, GetLastError());
      if (n == 0) return Failed(error, ERROR_DISK_FULL);
      done += n;
    }
    return true;
  }
  bool Size(uint64_t* size, FileError* error) override {
    LARGE_INTEGER s;
    if (!GetFileSizeEx(file_, &s)) return Failed(error, GetLastError());
    *size = uint64_t(s.QuadPart);
    return true;
  }
  bool Truncate(uint64_t size, FileError* error) override {
    if (!Seek(size, error)) return false;
    if (!SetEndOfFile(file_)) return Failed(error, GetLastError());
    return true;
  }
  HANDLE handle() const { return file_; }

 private:
  static constexpr size_t kMaxCall = size_t(1) << 30;  // what one ReadFile or WriteFile is asked for at most
  static DWORD Part(size_t left) { return DWORD(std::min(left, kMaxCall)); }
  static OVERLAPPED At(uint64_t pos) {
    OVERLAPPED at = {};
    at.Offset = DWORD(pos);
    at.OffsetHigh = DWORD(pos >> 32);
    return at;
  }

  bool Seek(uint64_t pos, FileError* error) {
    LARGE_INTEGER to;
    to.QuadPart = LONGLONG(pos);
    if (!SetFilePointerEx(file_, to, nullptr, FILE_BEGIN)) return Failed(error, GetLastError());
    return true;
  }
  HANDLE file_;
};

std::unique_ptr<RepairFile> Opened(HANDLE file, FileError* error) {
  if (file == INVALID_HANDLE_VALUE) {
    Failed(error, GetLastError());
    return nullptr;
  }
  return std::make_unique<Win32File>(file);
}

bool Identify(HANDLE file, BY_HANDLE_FILE_INFORMATION* info) { return GetFileInformationByHandle(file, info) != 0; }

class Win32FileSystem final : public RepairFileSystem {
 public:
  std::unique_ptr<RepairFile> OpenInput(const std::string& path, FileError* error) override {
    return Opened(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr),
                  error);
  }
  std::unique_ptr<RepairFile> CreateOutput(const std::string& path, FileError* error) override {
    return Opened(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr),
                  error);
  }
  std::unique_ptr<RepairFile> CreateScratch(const std::string& besidePath, FileError* error) override {
    std::string::size_type cut = besidePath.find_last_of("\\/:");
    std::string dir = cut == std::string::npos ? "" : besidePath.substr(0, cut + 1);
    static volatile LONG counter = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
      std::string name = dir + "~avirepair-" + std::to_string(GetCurrentProcessId()) + "-" +
                         std::to_string(GetTickCount()) + "-" + std::to_string(InterlockedIncrement(&counter)) + ".idx";
      // Deleted by the system when closed, however the run ends.
      HANDLE file = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
      if (file != INVALID_HANDLE_VALUE) return std::make_unique<Win32File>(file);
      DWORD err = GetLastError();
      if (err != ERROR_FILE_EXISTS && err != ERROR_ALREADY_EXISTS) return Opened(INVALID_HANDLE_VALUE, error);
    }
    Failed(error, ERROR_FILE_EXISTS);
    return nullptr;
  }
  bool IsSameFile(RepairFile& opened, const std::string& path) override {
    auto* file = dynamic_cast<Win32File*>(&opened);
    if (!file) return false;
    HANDLE other = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (other == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION a, b;
    bool same = Identify(file->handle(), &a) && Identify(other, &b) && a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
                a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
    CloseHandle(other);
    return same;
  }
};

}  // namespace

RepairFileSystem& SystemFiles() {
  static Win32FileSystem files;
  return files;
}

}  // namespace avirepair
