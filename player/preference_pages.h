#pragma once
// The Preferences dialog's pages: each one a child dialog that reads its
// controls from the settings (and the engine), keeps the user's edits until
// they are applied, checks them, and stores them.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "player/player_settings.h"

class EngineClient;
class StreamObject;

namespace preferences {

// Resource numbers of the page dialogs.
enum PageResource : int {
  kAboutResource = 103,
  kPlaybackResource = 184,
  kUserInterfaceResource = 185,
  kVideoResource = 181,
  kAudioResource = 182,
  kSubtitlesResource = 204,
  kVideoStreamsResource = 200,
  kAudioStreamsResource = 201,
};

class Page;

// What every page works with.
struct PageContext {
  HINSTANCE instance = nullptr;
  PlayerSettings* settings = nullptr;
  EngineClient* engine = nullptr;
  std::function<void(int)> post_command;
  std::function<void(bool)> block_screen_saver;
  // Opens a web address in the user's browser.
  std::function<void(const char*)> open_link;
  // Brings a page to view, so that a warning about it shows beside it.
  std::function<void(Page*)> show_page;
};

// The title of the pages' warnings.
constexpr const char* kWarningCaption = "Zelvo Vantor Player Preferences";

class Page {
 public:
  Page(PageContext& context, int resource);
  virtual ~Page();
  Page(const Page&) = delete;
  Page& operator=(const Page&) = delete;

  // The page's window, a hidden child of `parent`.
  bool Create(HWND parent);
  HWND window() const { return window_; }
  int resource() const { return resource_; }

  // The controls from the settings and the engine; the page then holds no
  // edits of its own.
  void Fill();
  // True when the user changed a control since the last fill or apply.
  bool changed() const { return changed_; }
  // Checks the user's input, saying what is wrong; false keeps it unapplied.
  virtual bool Validate() { return true; }
  // Stores the controls (after Validate). False when the engine refused a
  // step the user has to know about; the page then stays changed.
  bool Apply();
  // The page was placed and shown, or hidden.
  virtual void OnShown() {}
  virtual void OnHidden() {}
  // Controls that mirror what changes outside the dialog are read again.
  virtual void RefreshOutside() {}

 protected:
  virtual void OnInit() {}
  virtual void OnFill() {}
  virtual bool OnApply() { return true; }
  virtual void OnCommand(int id, int code) {}
  virtual bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, INT_PTR* result) { return false; }

  PlayerSettings& settings() const { return *context_.settings; }
  EngineClient* engine() const { return context_.engine; }
  void Post(int command) const {
    if (context_.post_command) context_.post_command(command);
  }

  HWND Item(int id) const { return GetDlgItem(window_, id); }
  bool Checked(int id) const { return IsDlgButtonChecked(window_, id) == BST_CHECKED; }
  void SetChecked(int id, bool on) const { CheckDlgButton(window_, id, on ? BST_CHECKED : BST_UNCHECKED); }
  std::string Text(int id) const;
  // Written without counting as the user's edit.
  void SetText(int id, const std::string& text);
  void Enable(int id, bool on) const { EnableWindow(Item(id), on ? TRUE : FALSE); }
  // A warning owned by the page; the control `focus` (when not 0) gets the
  // focus and its text is selected, ready for correcting.
  void Warn(const std::string& text, int focus = 0) const;

  HBRUSH background() const { return background_; }

  PageContext& context_;
  int resource_;
  HWND window_ = nullptr;
  bool filling_ = false;
  bool changed_ = false;

 private:
  static INT_PTR CALLBACK PageProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  INT_PTR Dispatch(UINT message, WPARAM wparam, LPARAM lparam);

  HBRUSH background_ = nullptr;
};

// A page with no controls: the "Video Streams" and "Audio Streams" items.
class EmptyPage : public Page {
 public:
  using Page::Page;
};

class AboutPage : public Page {
 public:
  static constexpr int kFirstLink = 1061;
  static constexpr int kLinkCount = 3;
  static const char* const kLinkAddresses[kLinkCount];
  explicit AboutPage(PageContext& context) : Page(context, kAboutResource) {}
  ~AboutPage() override;

 protected:
  void OnInit() override;
  void OnCommand(int id, int code) override;
  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, INT_PTR* result) override;

 private:
  HFONT link_font_ = nullptr;
  HFONT title_font_ = nullptr;
};

class PlaybackPage : public Page {
 public:
  static constexpr int kRewindLimit = 1000;
  explicit PlaybackPage(PageContext& context) : Page(context, kPlaybackResource) {}
  bool Validate() override;
  void RefreshOutside() override;

 protected:
  void OnFill() override;
  bool OnApply() override;
  void OnCommand(int id, int code) override;

 private:
  void ShowRate();
  void SetRate();
  void DefaultRate();
  int32_t rewind_ = 0;
  // The user typed a rate that is not set yet: an outside refresh keeps it.
  bool rate_typed_ = false;
};

class UserInterfacePage : public Page {
 public:
  static constexpr int kMinimumHideDelay = 1;
  static constexpr int kMaximumHideDelay = 3600;
  explicit UserInterfacePage(PageContext& context) : Page(context, kUserInterfaceResource) {}
  bool Validate() override;
  void RefreshOutside() override;

 protected:
  void OnFill() override;
  bool OnApply() override;
  void OnCommand(int id, int code) override;

 private:
  void EnableRemoteControls();
  int32_t hide_delay_ = 0;
};

class SubtitlesPage : public Page {
 public:
  static constexpr int kMinimumSize = 1;
  static constexpr int kMaximumSize = 200;
  explicit SubtitlesPage(PageContext& context) : Page(context, kSubtitlesResource) {}
  bool Validate() override;

 protected:
  void OnInit() override;
  void OnFill() override;
  bool OnApply() override;
  void OnCommand(int id, int code) override;

 private:
  void EnableFontControls();
  void SelectFont(const std::string& name);
  int32_t size_ = 0;
};

// A page for one stream of the open file, chosen by its position in the
// engine client's stream list. Stream objects are looked up on every use:
// opening a file replaces them.
class StreamPage : public Page {
 public:
  StreamPage(PageContext& context, int resource, int enabled_id, int manual_id, int combo_id);
  // The stream the page edits from now on; a different stream is read
  // afresh when the page shows.
  void SetStream(int position);
  int stream_position() const { return position_; }
  // The file's streams were built again: the page reads its stream afresh.
  void StreamsRebuilt();
  // Read the stream when the page shows, unless the user's edits of this
  // same stream wait there.
  void OnShown() override;

 protected:
  StreamObject* Stream() const;
  long Number() const;
  void OnFill() override;
  void OnCommand(int id, int code) override;
  // The combo box from the engine's list of suitable decoders, without
  // loading the list again; the last choice is selected.
  void FillDecoders();
  void ManualSelectionClicked();
  // Stream enabled, then the decoder choice: false when the chosen decoder
  // cannot play the file.
  bool ApplyStreamAndDecoder(bool video);
  virtual void OnStreamEnabledChanged(bool enabled) = 0;

  int enabled_id_, manual_id_, combo_id_;
  int position_ = -1;
  bool stale_ = true;
  std::string last_choice_;
};

class VideoPage : public StreamPage {
 public:
  static constexpr UINT_PTR kFrameTimer = 1;
  explicit VideoPage(PageContext& context);
  bool Validate() override;
  void OnShown() override;
  void OnHidden() override;

 protected:
  void OnFill() override;
  bool OnApply() override;
  void OnCommand(int id, int code) override;
  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, INT_PTR* result) override;
  void OnStreamEnabledChanged(bool enabled) override;

 private:
  bool ReadCustomAspect(double* x, double* y) const;
  void AspectClicked(int code);
  void ApplyAspect(int code);
  void ApplyPictureControl();
  void EnablePictureControls();
  void ShowFramesPlayed();
};

class AudioPage : public StreamPage {
 public:
  explicit AudioPage(PageContext& context);

 protected:
  bool OnApply() override;
  void OnStreamEnabledChanged(bool enabled) override;
};

// Text to numbers, as the pages accept them: surrounding blanks allowed,
// nothing else. A whole number too big for 32 bits reads as UINT32_MAX.
bool ParseWholeNumber(const std::string& text, uint32_t* value);
bool ParsePositiveNumber(const std::string& text, double* value);

}  // namespace preferences
