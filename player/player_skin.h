#pragma once
// The skin as the player wears it: the default pair at start-up, its forms,
// and the handlers through which its elements reach the player.
#include "player/skin_host.h"
#include "player/skin/archive/skin_archive.h"
#include "player/skin/skin_controls.h"

class PlayerSkin : public SkinHost {
 public:
  PlayerSkin() = default;
  ~PlayerSkin() override;
  PlayerSkin(const PlayerSkin&) = delete;
  PlayerSkin& operator=(const PlayerSkin&) = delete;

  int Load(const SkinLoadContext& context) override;
  void Destroy() override;
  HWND MainWindow() const override;
  HWND PlaylistWindow() const override;
  void RouteCommand(WPARAM wparam, LPARAM lparam) override;
  void ShowPlaylist(bool show) override;
  void ShowButtonsBar(bool show) override;
  bool HasText(TextLine line) const override;
  void SetText(TextLine line, const std::wstring& text) override;
  void ShowStatus(const std::wstring& text, int* text_width, int* element_width) override;
  void ScrollStatus(int offset) override;
  void LayoutFileList() override;
  void RedrawWindows() override;
  HWND TooltipWindow() const override;
  HWND ButtonsBarWindow() const override;
  void DeleteMainForm() override;
  HWND BuildMainForm(const char* form_name, int x, int y) override;

  const ExtractReport& last_unpack() const { return last_unpack_; }

 private:
  skin::PlaylistStyle style_;
  skin::VectorPlaylist* entries_ = nullptr;
  ExtractReport last_unpack_;
};
