#pragma once
// The "Video Fixing" dialog: a modeless window that drives Skarn, the AVI
// repair library, through its ISkarner COM class. It names an input and an
// output file, starts and cancels a repair and shows its progress and
// outcome. It needs only the module that holds its template (resource 203)
// and the settings record that keeps its position.
#include <windows.h>

#include <string>

#include "player/player_settings.h"

struct ISkarner;
struct ISkarnerResult;

class VideoFixDialog {
 public:
  static constexpr int kDialogId = 203;
  static constexpr int kInputEdit = 1044;
  static constexpr int kOutputEdit = 1045;
  static constexpr int kInputBrowse = 1056;
  static constexpr int kOutputBrowse = 1057;
  static constexpr int kProgressBar = 1058;
  static constexpr int kStatusText = 1038;
  static constexpr int kStartButton = 1011;
  static constexpr int kCancelButton = 1010;
  static constexpr UINT_PTR kTimerId = 0;
  static constexpr UINT kTimerMilliseconds = 100;

  static constexpr const wchar_t* kDefaultProgId = L"Skarn.Skarner.1";
  static constexpr const wchar_t* kNoFixerText = L"There is no Avi fixer COM object. Avi fixing feature is not avaible";

  VideoFixDialog(HINSTANCE instance, PlayerSettings& settings, const wchar_t* prog_id = kDefaultProgId);
  ~VideoFixDialog();
  VideoFixDialog(const VideoFixDialog&) = delete;
  VideoFixDialog& operator=(const VideoFixDialog&) = delete;

  // Creates the dialog hidden and the repair object. Without the object
  // (its class is not registered) the user is told so once and the dialog
  // stays unavailable. False when the window itself could not be made.
  bool Create(HWND owner);
  // At the stored position, with empty names and status; only when available.
  void Show();
  // Keeps the position in the settings and hides the window.
  void Hide();
  // Keeps the position, releases the repair object (a run still going is
  // stopped) and destroys the window.
  void Destroy();

  HWND window() const { return window_; }
  bool available() const { return skarner_ != nullptr; }

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  INT_PTR HandleCommand(WORD id, WORD code);

  void Browse(const wchar_t* title, DWORD flags, bool save, int edit);
  void StartRepair();
  void CancelRepair();
  void OnTimer();
  // A run has ended (completed, failed or cancelled): says how, once.
  void FinishRun();

  std::wstring ItemText(int id) const;
  void SetStatus(const std::wstring& text);
  void SetProgress(int percent);
  void EnableStart(bool enable);
  void StorePosition();
  void Warn(const wchar_t* text);

  HINSTANCE instance_;
  PlayerSettings& settings_;
  std::wstring prog_id_;
  HWND window_ = nullptr;
  ISkarner* skarner_ = nullptr;
  ISkarnerResult* result_ = nullptr;
  bool running_ = false;           // a run this dialog started has not ended yet
  bool cancel_requested_ = false;  // the user pressed Cancel during that run
};
