#pragma once
// The player's one connection to the media engine: it loads Tessel.dll,
// keeps the engine's six interfaces, holds one stream object per stream of
// the open file, and is the engine's end-of-file sink. Everything but
// OnComplete runs on the user-interface thread.
#include <windows.h>
#include <ole2.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tessel.h"

struct PlayerSettings;
class EngineClient;
class VideoStream;

// One stream of the open file, as the player sees it.
class StreamObject {
 public:
  StreamObject(const char* type_name, const char* display_name, long number, PlayerSettings* settings,
               EngineClient* client);
  virtual ~StreamObject();
  StreamObject(const StreamObject&) = delete;
  StreamObject& operator=(const StreamObject&) = delete;

  virtual HRESULT Init() = 0;
  virtual void ReleaseWindow() {}
  // The file closes: an active stream keeps what the user set on it.
  virtual void Close() {}
  virtual void Activate(bool active) { active_ = active; }
  virtual HRESULT OnPlay() { return S_OK; }
  virtual HRESULT OnPause() { return S_OK; }
  virtual HRESULT OnStop() { return S_OK; }
  virtual const char* TypeName() const { return type_name_.c_str(); }
  virtual const std::wstring& GetText() const { return text_; }
  virtual void SetText(const std::wstring& text) { text_ = text; }
  virtual VideoStream* AsVideo() { return nullptr; }

  long Number() const { return number_; }
  bool Active() const { return active_; }
  bool Initialised() const { return initialised_; }
  const std::string& DisplayName() const { return display_name_; }

 protected:
  IMediaStreams* Streams() const;

  std::string type_name_;
  std::string display_name_;
  long number_;
  PlayerSettings* settings_;
  EngineClient* client_;
  bool active_ = false;
  bool initialised_ = false;
  std::wstring text_;
};

class AudioStream : public StreamObject {
 public:
  AudioStream(long number, PlayerSettings* settings, EngineClient* client);
  // The stream starts at the stored volume (silent while muted) and balance.
  HRESULT Init() override;
  // Keeps the stream's balance. The volume is never read back: while muted
  // the stream holds the silent level, not the user's volume.
  void Close() override;
};

class EngineClient : public EngineNotify {
 public:
  // Gives the engine's class factory (AddRef'd) and the library handle to
  // free at unload (may be null). The default loads "Tessel.dll".
  using FactorySource = std::function<HRESULT(IClassFactory** factory, HINSTANCE* library)>;

  EngineClient();
  explicit EngineClient(FactorySource source);
  virtual ~EngineClient();
  EngineClient(const EngineClient&) = delete;
  EngineClient& operator=(const EngineClient&) = delete;

  // EngineNotify. The object is not reference counted: it outlives the
  // engine, whose references do not own it.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return 0; }
  ULONG STDMETHODCALLTYPE Release() override { return 0; }
  // Called on the engine's thread at the end of a file: only posts the end
  // of media to the command window, which outlives every form of the skin.
  HRESULT STDMETHODCALLTYPE OnComplete() override;

  HRESULT Load(PlayerSettings* settings);
  void Unload();
  bool Loaded() const { return engine_ != nullptr; }

  HRESULT Open(const std::wstring& file_name);
  void Close();
  HRESULT Play();
  HRESULT Pause();
  HRESULT Stop();
  int64_t Duration();
  int64_t Position();
  void Seek(int64_t position);
  bool IsInitialised();
  bool MediaLoaded() const { return media_loaded_; }

  long StreamCount();
  bool IsVideo(long stream);
  bool IsAudio(long stream);
  bool HasVideo() const;
  // The whole stream list, in engine order.
  const std::vector<StreamObject*>& StreamList() const { return streams_list_; }

  HRESULT SetVolume(long stream, long volume);
  HRESULT SetBalance(long stream, long balance);
  // Every audio stream, when the engine has a file.
  void ApplyVolume(long volume);
  // The first audio stream only.
  void ApplyBalance(long balance);

  // One step of brightness or contrast on every active video stream;
  // `up` false steps down. The setting changes only when the engine took
  // the new value.
  HRESULT StepBrightness(bool up);
  HRESULT StepContrast(bool up);

  HRESULT Zoom(int percent);
  HRESULT ToggleFullscreen();
  HRESULT SetFullscreen(bool on);
  bool IsFullscreen() const;

  HRESULT SelectVideoStream(int index);
  HRESULT SelectAudioStream(int index);
  VideoStream* FirstActiveVideo() const;
  VideoStream* FirstVideo() const;

  double RateFPS();
  double DefaultRateFPS();
  HRESULT SetRateFPS(double rate);

  IMediaEngine* engine() const { return engine_; }
  IMediaStreams* streams() const { return streams_; }
  IPropertyPages* property_pages() const { return pages_; }
  IDecoderSelector* decoders() const { return decoders_; }
  IOverlayBmp* overlay() const { return overlay_; }
  ISubtitles* subtitles() const { return subtitles_; }
  PlayerSettings* settings() const { return settings_; }

  // The stream objects, built after a file name was given to the engine.
  HRESULT BuildStreamObjects();
  void DestroyStreamObjects();

 private:
  HRESULT StepPicture(bool brightness, bool up);
  template <typename Select>
  HRESULT SelectStream(int index, Select is_kind);

  FactorySource source_;
  bool com_initialised_ = false;
  HINSTANCE library_ = nullptr;
  IMediaEngine* engine_ = nullptr;
  IMediaStreams* streams_ = nullptr;
  IPropertyPages* pages_ = nullptr;
  IDecoderSelector* decoders_ = nullptr;
  IOverlayBmp* overlay_ = nullptr;
  ISubtitles* subtitles_ = nullptr;
  PlayerSettings* settings_ = nullptr;
  bool media_loaded_ = false;
  std::vector<StreamObject*> streams_list_;
  // Read on the engine's thread by OnComplete.
  std::atomic<HWND> notify_window_{nullptr};
};
