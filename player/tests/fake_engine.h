#pragma once
// FakeEngine: a recording stand-in for Tessel's MediaEngine object, so the
// player's tests can drive EngineClient without DirectShow or real media.
//
// One COM object with IMediaEngine, IDecoderSelector, IPropertyPages,
// IMediaStreams, IOverlayBmp and ISubtitles (plus IUnknown and IDispatch,
// both answered by the IMediaEngine side). Only the vtable side works: the
// four IDispatch methods give E_NOTIMPL. A new FakeEngine starts with one
// reference owned by its creator; it deletes itself when the last one goes.
//
// Call log. Every interface call except QueryInterface/AddRef/Release and
// IDispatch appends one line to `calls`:
//   method without arguments      "Play", "Stop", "Pause", "Reset", "GetCount"
//   method with arguments         "Name(a,b,...)":  "UseVideoEffects(1)",
//                                 "UseDecoder(0,ffdshow)", "SetRect(0,0,320,40)",
//                                 "LoadDecoders(1)", "ShowVideoWindow(0,-1)"
//   engine property put / get     "FileName=C:\a.avi", "CurrentPosition=500000000",
//                                 "Rate=1.5", "Repeat=-1" / "Duration?", "FileName?"
//   stream property put / get     "Volume(1)=-10000", "EnableStream(2)=0" /
//                                 "Volume(1)?", "VideoWidth(0)?"
//   PutCallback                   "PutCallback", or "PutCallback(null)"
// Values are logged as passed (before any clamping or quote stripping).
// Numbers are decimal, doubles as printf "%g"; window handles, device
// contexts, bitmaps, fonts and colours are hex as FakeEngine::Hex gives
// ("0x0001002A"), e.g. "VwOwner(0)=0x0001002A". Strings are UTF-8, a null
// BSTR is logged as empty (UseDecoder: "<null>"); SetText's text is quoted.
//
// Results. `results` maps a call name to the HRESULT it returns: methods by
// their name ("Play", "UseDecoder", "SetFile"), properties as "<Name> get"
// and "<Name> put" ("Brightness put", "FileName put"). put FileName falls back
// to `open_result`. A stream number that names no stream always gives
// E_POINTER (as the real engine does) and touches nothing. Values are stored
// only when the call returns S_OK: a failing or S_FALSE put is logged but
// changes nothing (the real engine answers S_FALSE for a disabled stream or
// one of the wrong type and stores nothing); a get that does not return S_OK
// leaves its output untouched. A null out pointer gives E_POINTER.
//
// Engine rules (`engine_rules`, on by default) make the fake answer as the
// real engine does where the player must cope with it: until put FileName
// succeeds (and after Reset) GetCount is 0, there are no streams, and Play,
// Stop, Pause, Duration, CurrentPosition, Rate and put RateFPS give
// E_INVALIDARG; an empty file name gives E_INVALIDARG and one pair of
// surrounding double quotes is stripped; members for "Video" or "Audio"
// streams give S_FALSE on a stream of another type, and those that need an
// enabled stream give S_FALSE while it is disabled; put Volume and Balance
// clamp to -10000..0 and -10000..10000; UseDecoder with a name not in the
// stream's `decoders` gives E_FAIL. A configured result overrides these.
//
// Threads: all calls, the helpers and FireComplete are serialised by one
// mutex. Configure the public fields before handing the object over, or
// hold Lock() while touching them during a run.
#include <windows.h>
#include <ole2.h>

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "tessel.h"

struct FakeStream {
  std::wstring type = L"Video";  // L"Video", L"Audio", or anything else
  long width = 320, height = 240;
  long brightness = 0, contrast = 0, volume = 0, balance = 0, enabled = 1, overlay = 0;
  long vw_left = 0, vw_top = 0, vw_right = 0, vw_bottom = 0;
  long vw_owner = 0, vw_drain = 0;
  long aspect_ratio = 0;
  double custom_x = 2.35, custom_y = 1.0;
  double rate_fps = 25.0, rate_default_fps = 25.0;
  LONGLONG frames_played = 0;
  long bitrate = 1000;
  long window_visible = 0, fullscreen = 0, cursor_shown = 1;
  // Decoder selection: the candidates' friendly names in list order, the
  // chosen one (UseDecoder) and the manual-selection flag.
  std::vector<std::wstring> decoders;
  std::wstring chosen_decoder;
  VARIANT_BOOL manual_selection = 0;
};

struct FakeSubtitles {
  std::wstring file, font_name;
  long left = 0, top = 0, width = 0, height = 0;
  VARIANT_BOOL enabled = 0, italic = 0, bold = 0;
  long font_size = 0;
  long text_color = 0xFFFFFF;
};

class FakeEngine : public IMediaEngine,
                   public IDecoderSelector,
                   public IPropertyPages,
                   public IMediaStreams,
                   public IOverlayBmp,
                   public ISubtitles {
 public:
  enum class Transport { Stopped, Playing, Paused };

  FakeEngine();
  FakeEngine(const FakeEngine&) = delete;
  FakeEngine& operator=(const FakeEngine&) = delete;

  // --- configuration and recorded state (see the notes above) ---
  std::vector<FakeStream> streams;
  std::map<std::string, HRESULT> results;
  bool engine_rules = true;
  HRESULT open_result = S_OK;
  std::wstring file_name;
  LONGLONG duration = 1000000000;  // 100 s in 100 ns units
  LONGLONG position = 0;
  bool initialized = false;  // a file name was put with S_OK, no Reset since
  Transport transport = Transport::Stopped;
  bool backwards = false;
  VARIANT_BOOL rewind_upon_complete = 0, repeat = 0;
  VARIANT_BOOL can_frame_step = 1;
  double rate = 1.0;
  long use_video_effects = 0;
  FakeSubtitles subtitles;

  // --- call log ---
  std::vector<std::string> calls;
  bool Called(const std::string& exact) const;
  int Count(const std::string& prefix) const;
  std::vector<std::string> CallsWithPrefix(const std::string& prefix) const;
  void ClearCalls();
  static std::string Hex(long value);  // "0x%08lX", as the log writes handles

  // Holds the object's mutex (for touching the fields while calls run).
  std::unique_lock<std::mutex> Lock() const { return std::unique_lock<std::mutex>(mutex_); }

  // Calls OnComplete on the sink given to PutCallback, from whatever thread
  // calls this; E_POINTER when there is none, else OnComplete's result.
  HRESULT FireComplete();
  bool HasCallback() const;
  void DropCallback();  // releases the sink (PutCallback(null) does not)

  // Objects alive now, over all FakeEngine instances (leak checks).
  static long LiveObjects();

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  // IDispatch: not implemented.
  STDMETHODIMP GetTypeInfoCount(UINT* count) override;
  STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
  STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
  STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                      EXCEPINFO* excep, UINT* arg_err) override;

  // IMediaEngine
  STDMETHODIMP get_FileName(BSTR* pVal) override;
  STDMETHODIMP put_FileName(BSTR newVal) override;
  STDMETHODIMP Play() override;
  STDMETHODIMP Stop() override;
  STDMETHODIMP Pause() override;
  STDMETHODIMP get_Duration(LONGLONG* pVal) override;
  STDMETHODIMP get_CurrentPosition(LONGLONG* pVal) override;
  STDMETHODIMP put_CurrentPosition(LONGLONG newVal) override;
  STDMETHODIMP get_RewindUponComplete(VARIANT_BOOL* pVal) override;
  STDMETHODIMP put_RewindUponComplete(VARIANT_BOOL newVal) override;
  STDMETHODIMP get_Rate(double* pVal) override;
  STDMETHODIMP put_Rate(double newVal) override;
  STDMETHODIMP PlayBackwards() override;
  STDMETHODIMP CanFrameStep(LONG nFrames, VARIANT_BOOL* pCan) override;
  STDMETHODIMP FrameStep(LONG nFrames) override;
  STDMETHODIMP PutCallback(IUnknown* pCallback) override;
  STDMETHODIMP get_Repeat(VARIANT_BOOL* pVal) override;
  STDMETHODIMP put_Repeat(VARIANT_BOOL newVal) override;
  STDMETHODIMP get_Initialized(VARIANT_BOOL* pVal) override;
  STDMETHODIMP Reset() override;
  STDMETHODIMP UseVideoEffects(LONG bUse) override;

  // IDecoderSelector. GetDecoderNames fills the caller's array, which has
  // room for CountSuitableDecoders BSTRs, with new BSTRs the caller frees.
  STDMETHODIMP get_EnableManualSelection(LONG n, VARIANT_BOOL* pVal) override;
  STDMETHODIMP put_EnableManualSelection(LONG n, VARIANT_BOOL newVal) override;
  STDMETHODIMP CountSuitableDecoders(LONG n, LONG* pDecodersNumber) override;
  STDMETHODIMP GetDecoderNames(LONG n, BSTR* pbstrNames) override;
  STDMETHODIMP UseDecoder(LONG n, BSTR bstrDecoder) override;
  STDMETHODIMP LoadDecoders(LONG n) override;

  // IPropertyPages
  STDMETHODIMP ShowPages(LONG n, LONG hWnd) override;

  // IMediaStreams
  STDMETHODIMP GetCount(LONG* pStreams) override;
  STDMETHODIMP GetStreamType(LONG n, BSTR* pbstrStreamType) override;
  STDMETHODIMP get_Brightness(LONG n, LONG* pVal) override;
  STDMETHODIMP put_Brightness(LONG n, LONG newVal) override;
  STDMETHODIMP get_VwDrain(LONG n, LONG* pVal) override;
  STDMETHODIMP put_VwDrain(LONG n, LONG newVal) override;
  STDMETHODIMP get_VwOwner(LONG n, LONG* pVal) override;
  STDMETHODIMP put_VwOwner(LONG n, LONG newVal) override;
  STDMETHODIMP get_VwRight(LONG n, LONG* pVal) override;
  STDMETHODIMP put_VwRight(LONG n, LONG newVal) override;
  STDMETHODIMP get_VwLeft(LONG n, LONG* pVal) override;
  STDMETHODIMP put_VwLeft(LONG n, LONG newVal) override;
  STDMETHODIMP get_VwTop(LONG n, LONG* pVal) override;
  STDMETHODIMP put_VwTop(LONG n, LONG newVal) override;
  STDMETHODIMP get_VwBottom(LONG n, LONG* pVal) override;
  STDMETHODIMP put_VwBottom(LONG n, LONG newVal) override;
  STDMETHODIMP get_VideoHeight(LONG n, LONG* pVal) override;
  STDMETHODIMP get_VideoWidth(LONG n, LONG* pVal) override;
  STDMETHODIMP get_Volume(LONG n, LONG* pVal) override;
  STDMETHODIMP put_Volume(LONG n, LONG newVal) override;
  STDMETHODIMP get_Balance(LONG n, LONG* pVal) override;
  STDMETHODIMP put_Balance(LONG n, LONG newVal) override;
  STDMETHODIMP ShowVideoWindow(LONG n, VARIANT_BOOL bShow) override;
  STDMETHODIMP get_RateFPS(LONG n, double* pVal) override;
  STDMETHODIMP put_RateFPS(LONG n, double newVal) override;
  STDMETHODIMP NotifyOwnerMessage(LONG n, LONG hWnd, LONG lMessage, LONG wParam, LONG lParam) override;
  STDMETHODIMP get_FramesPlayed(LONG n, LONGLONG* pVal) override;
  STDMETHODIMP get_AspectRatio(LONG n, LONG* pVal) override;
  STDMETHODIMP put_AspectRatio(LONG n, LONG newVal) override;
  STDMETHODIMP ResizeVideoWindow(LONG n) override;
  STDMETHODIMP get_CustomXAspect(LONG n, double* pVal) override;
  STDMETHODIMP put_CustomXAspect(LONG n, double newVal) override;
  STDMETHODIMP get_CustomYAspect(LONG n, double* pVal) override;
  STDMETHODIMP put_CustomYAspect(LONG n, double newVal) override;
  STDMETHODIMP get_Bitrate(LONG n, LONG* pVal) override;
  STDMETHODIMP get_EnableStream(LONG n, LONG* pVal) override;
  STDMETHODIMP put_EnableStream(LONG n, LONG newVal) override;
  STDMETHODIMP SetFullscreen(LONG n, LONG hWnd) override;
  STDMETHODIMP ResetFullscreen(LONG n) override;
  STDMETHODIMP SetWindowZOrder(LONG n, LONG hWndInsertAfter) override;
  STDMETHODIMP get_Contrast(LONG n, LONG* pVal) override;
  STDMETHODIMP put_Contrast(LONG n, LONG newVal) override;
  STDMETHODIMP RebuildStream(LONG n) override;
  STDMETHODIMP ShowCursor(LONG n, LONG bShow) override;
  STDMETHODIMP get_RateDefaultFPS(LONG n, double* pVal) override;

  // IOverlayBmp
  STDMETHODIMP get_EnableOverlay(LONG n, LONG* pVal) override;
  STDMETHODIMP put_EnableOverlay(LONG n, LONG newVal) override;
  STDMETHODIMP SetBitmap(LONG n, LONG lLeft, LONG lTop, LONGLONG llStart, LONGLONG llEnd, LONG hdc, LONG lBitmap,
                         LONG lclTransparent) override;
  STDMETHODIMP SetText(LONG n, LONG lLeft, LONG lTop, LONG lWidth, LONG lHeight, LONGLONG llStart, LONGLONG llEnd,
                       unsigned char* strText, LONG lSize, LONG lColor, LONG lFont) override;

  // ISubtitles
  STDMETHODIMP SetFile(BSTR bstrFile) override;
  STDMETHODIMP SetRect(LONG lLeft, LONG lTop, LONG lWidth, LONG lHeight) override;
  STDMETHODIMP SetFontName(BSTR bstrFontName) override;
  STDMETHODIMP Enable(VARIANT_BOOL bEnable) override;
  STDMETHODIMP SetFontSize(LONG lFontSize) override;
  STDMETHODIMP SetFontItalic(VARIANT_BOOL bItalic) override;
  STDMETHODIMP SetFontBold(VARIANT_BOOL bBold) override;
  STDMETHODIMP SetTextColor(LONG lTextColor) override;

 private:
  enum class Kind { Any, Video, Audio, VideoOrAudio };
  enum class Format { Decimal, Hex };

  virtual ~FakeEngine();

  // All below run with mutex_ held.
  void Log(std::string line);
  HRESULT Configured(const std::string& key, HRESULT fallback) const;
  HRESULT NeedsGraph(const std::string& key) const;
  HRESULT Guard(const std::string& key, long n, Kind kind, bool needs_enabled, FakeStream** stream);
  HRESULT GetLong(const char* name, long n, long FakeStream::*field, Kind kind, bool needs_enabled, LONG* out);
  HRESULT PutLong(const char* name, long n, long FakeStream::*field, Kind kind, bool needs_enabled, LONG value,
                  Format format = Format::Decimal);
  HRESULT GetDouble(const char* name, long n, double FakeStream::*field, Kind kind, double* out);
  HRESULT PutDouble(const char* name, long n, double FakeStream::*field, Kind kind, double value);
  HRESULT PutLevel(const char* name, long n, long FakeStream::*field, LONG value, long low, long high);
  HRESULT StreamMethod(const std::string& line, const char* key, long n, Kind kind, bool needs_enabled,
                       FakeStream** stream);

  mutable std::mutex mutex_;
  std::atomic<ULONG> refs_{1};
  EngineNotify* notify_ = nullptr;
};

// A class factory handing out FakeEngine objects, as Tessel's
// DllGetClassObject would. It keeps a reference to the last object created
// (released with the factory or by ForgetLast). `prepare`, when set, runs on
// each new object before it is returned. A new factory has one reference.
class FakeEngineFactory : public IClassFactory {
 public:
  FakeEngineFactory() = default;
  FakeEngineFactory(const FakeEngineFactory&) = delete;
  FakeEngineFactory& operator=(const FakeEngineFactory&) = delete;

  std::function<void(FakeEngine&)> prepare;
  HRESULT create_result = S_OK;  // a failure here makes CreateInstance fail
  int created = 0;

  FakeEngine* last() const { return last_; }
  void ForgetLast();

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  // Aggregation is refused with CLASS_E_NOAGGREGATION.
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override;
  STDMETHODIMP LockServer(BOOL lock) override;

 private:
  virtual ~FakeEngineFactory();

  std::atomic<ULONG> refs_{1};
  FakeEngine* last_ = nullptr;
};
