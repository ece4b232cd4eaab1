// The MediaEngine COM object: one graph engine, its decoder enumerator and
// subtitle track, reached through six dual interfaces.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "common/com/dispatch.h"
#include "common/com/server.h"
#include "engine/decoder_enumerator.h"
#include "engine/engine_subtitles.h"
#include "engine/graph_engine.h"
#include "tessel.h"

namespace tessel {

class MediaEngine final : public zelvo::com::UnknownBase,
                          public zelvo::com::DualDispatch<IMediaEngine, IID_IMediaEngine>,
                          public zelvo::com::DualDispatch<IDecoderSelector, IID_IDecoderSelector>,
                          public zelvo::com::DualDispatch<IPropertyPages, IID_IPropertyPages>,
                          public zelvo::com::DualDispatch<IMediaStreams, IID_IMediaStreams>,
                          public zelvo::com::DualDispatch<IOverlayBmp, IID_IOverlayBmp>,
                          public zelvo::com::DualDispatch<ISubtitles, IID_ISubtitles> {
 public:
  static HRESULT Create(IUnknown* outer, REFIID iid, void** out);

  ZELVO_DELEGATING_IUNKNOWN
  HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID iid, void** out) override;

  // IMediaEngine
  HRESULT STDMETHODCALLTYPE get_FileName(BSTR* pVal) override;
  HRESULT STDMETHODCALLTYPE put_FileName(BSTR newVal) override;
  HRESULT STDMETHODCALLTYPE Play() override;
  HRESULT STDMETHODCALLTYPE Stop() override;
  HRESULT STDMETHODCALLTYPE Pause() override;
  HRESULT STDMETHODCALLTYPE get_Duration(LONGLONG* pVal) override;
  HRESULT STDMETHODCALLTYPE get_CurrentPosition(LONGLONG* pVal) override;
  HRESULT STDMETHODCALLTYPE put_CurrentPosition(LONGLONG newVal) override;
  HRESULT STDMETHODCALLTYPE get_RewindUponComplete(VARIANT_BOOL* pVal) override;
  HRESULT STDMETHODCALLTYPE put_RewindUponComplete(VARIANT_BOOL newVal) override;
  HRESULT STDMETHODCALLTYPE get_Rate(double* pVal) override;
  HRESULT STDMETHODCALLTYPE put_Rate(double newVal) override;
  HRESULT STDMETHODCALLTYPE PlayBackwards() override;
  HRESULT STDMETHODCALLTYPE CanFrameStep(LONG nFrames, VARIANT_BOOL* pCan) override;
  HRESULT STDMETHODCALLTYPE FrameStep(LONG nFrames) override;
  HRESULT STDMETHODCALLTYPE PutCallback(IUnknown* pCallback) override;
  HRESULT STDMETHODCALLTYPE get_Repeat(VARIANT_BOOL* pVal) override;
  HRESULT STDMETHODCALLTYPE put_Repeat(VARIANT_BOOL newVal) override;
  HRESULT STDMETHODCALLTYPE get_Initialized(VARIANT_BOOL* pVal) override;
  HRESULT STDMETHODCALLTYPE Reset() override;
  HRESULT STDMETHODCALLTYPE UseVideoEffects(LONG bUse) override;

  // IDecoderSelector
  HRESULT STDMETHODCALLTYPE get_EnableManualSelection(LONG stream, VARIANT_BOOL* pVal) override;
  HRESULT STDMETHODCALLTYPE put_EnableManualSelection(LONG stream, VARIANT_BOOL newVal) override;
  HRESULT STDMETHODCALLTYPE CountSuitableDecoders(LONG stream, LONG* count) override;
  HRESULT STDMETHODCALLTYPE GetDecoderNames(LONG stream, BSTR* names) override;
  HRESULT STDMETHODCALLTYPE UseDecoder(LONG stream, BSTR name) override;
  HRESULT STDMETHODCALLTYPE LoadDecoders(LONG stream) override;

  // IPropertyPages
  HRESULT STDMETHODCALLTYPE ShowPages(LONG stream, LONG hWnd) override;

  // IMediaStreams
  HRESULT STDMETHODCALLTYPE GetCount(LONG* pStreams) override;
  HRESULT STDMETHODCALLTYPE GetStreamType(LONG stream, BSTR* type) override;
  HRESULT STDMETHODCALLTYPE get_Brightness(LONG stream, LONG* pVal) override;
  HRESULT STDMETHODCALLTYPE put_Brightness(LONG stream, LONG newVal) override;
  HRESULT STDMETHODCALLTYPE get_VwDrain(LONG stream, LONG* pVal) override;
  HRESULT STDMETHODCALLTYPE put_VwDrain(LONG stream, LONG newVal) override;
  HRESULT STDMETHODCALLTYPE get_VwOwner(LONG stream, LONG* pVal) override;
  HRESULT STDMETHODCALLTYPE put_VwOwner(LONG stream, LONG newVal) override;
  HRESULT STDMETHODCALLTYPE get_VwRight(LONG stream, LONG* pVal) override;
  HRESULT STDMETHODCALLTYPE put_VwRight(LONG stream, LONG newVal) override;
  HRESULT STDMETHODCALLTYPE get_VwLeft(LONG stream, LONG* pVal) override;
  HRESULT STDMETHODCALLTYPE put_VwLeft(LONG stream, LONG newVal) override;
  HRESULT STDMETHODCALLTYPE get_VwTop(LONG stream, LONG* pVal) override;
  HRESULT STDMETHODCALLTYPE put_VwTop(LONG stream, LONG newVal) override;
  HRESULT STDMETHODCALLTYPE get_VwBottom(LONG stream, LONG* pVal) override;
  HRESULT STDMETHODCALLTYPE put_VwBottom(LONG stream, LONG newVal) override;
  HRESULT STDMETHODCALLTYPE get_VideoHeight(LONG stream, LONG* pVal) override;
  HRESULT STDMETHODCALLTYPE get_VideoWidth(LONG stream, LONG* pVal) override;
  HRESULT STDMETHODCALLTYPE get_Volume(LONG stream, LONG* pVal) override;
  HRESULT STDMETHODCALLTYPE put_Volume(LONG stream, LONG newVal) override;
  HRESULT STDMETHODCALLTYPE get_Balance(LONG stream, LONG* pVal) override;
  HRESULT STDMETHODCALLTYPE put_Balance(LONG stream, LONG newVal) override;
  HRESULT STDMETHODCALLTYPE ShowVideoWindow(LONG stream, VARIANT_BOOL bShow) override;
  HRESULT STDMETHODCALLTYPE get_RateFPS(LONG stream, double* pVal) override;
  HRESULT STDMETHODCALLTYPE put_RateFPS(LONG stream, double newVal) override;
  HRESULT STDMETHODCALLTYPE NotifyOwnerMessage(LONG stream, LONG hWnd, LONG lMessage, LONG wParam,
                                               LONG lParam) override;
  HRESULT STDMETHODCALLTYPE get_FramesPlayed(LONG stream, LONGLONG* pVal) override;
  HRESULT STDMETHODCALLTYPE get_AspectRatio(LONG stream, LONG* pVal) override;
  HRESULT STDMETHODCALLTYPE put_AspectRatio(LONG stream, LONG newVal) override;
  HRESULT STDMETHODCALLTYPE ResizeVideoWindow(LONG stream) override;
  HRESULT STDMETHODCALLTYPE get_CustomXAspect(LONG stream, double* pVal) override;
  HRESULT STDMETHODCALLTYPE put_CustomXAspect(LONG stream, double newVal) override;
  HRESULT STDMETHODCALLTYPE get_CustomYAspect(LONG stream, double* pVal) override;
  HRESULT STDMETHODCALLTYPE put_CustomYAspect(LONG stream, double newVal) override;
  HRESULT STDMETHODCALLTYPE get_Bitrate(LONG stream, LONG* pVal) override;
  HRESULT STDMETHODCALLTYPE get_EnableStream(LONG stream, LONG* pVal) override;
  HRESULT STDMETHODCALLTYPE put_EnableStream(LONG stream, LONG newVal) override;
  HRESULT STDMETHODCALLTYPE SetFullscreen(LONG stream, LONG hWnd) override;
  HRESULT STDMETHODCALLTYPE ResetFullscreen(LONG stream) override;
  HRESULT STDMETHODCALLTYPE SetWindowZOrder(LONG stream, LONG hWndInsertAfter) override;
  HRESULT STDMETHODCALLTYPE get_Contrast(LONG stream, LONG* pVal) override;
  HRESULT STDMETHODCALLTYPE put_Contrast(LONG stream, LONG newVal) override;
  HRESULT STDMETHODCALLTYPE RebuildStream(LONG stream) override;
  HRESULT STDMETHODCALLTYPE ShowCursor(LONG stream, LONG bShow) override;
  HRESULT STDMETHODCALLTYPE get_RateDefaultFPS(LONG stream, double* pVal) override;

  // IOverlayBmp
  HRESULT STDMETHODCALLTYPE get_EnableOverlay(LONG stream, LONG* pVal) override;
  HRESULT STDMETHODCALLTYPE put_EnableOverlay(LONG stream, LONG newVal) override;
  HRESULT STDMETHODCALLTYPE SetBitmap(LONG stream, LONG lLeft, LONG lTop, LONGLONG llStart, LONGLONG llEnd, LONG hdc,
                                      LONG lBitmap, LONG lclTransparent) override;
  HRESULT STDMETHODCALLTYPE SetText(LONG stream, LONG lLeft, LONG lTop, LONG lWidth, LONG lHeight, LONGLONG llStart,
                                    LONGLONG llEnd, unsigned char* strText, LONG lSize, LONG lColor,
                                    LONG lFont) override;

  // ISubtitles
  HRESULT STDMETHODCALLTYPE SetFile(BSTR bstrFile) override;
  HRESULT STDMETHODCALLTYPE SetRect(LONG lLeft, LONG lTop, LONG lWidth, LONG lHeight) override;
  HRESULT STDMETHODCALLTYPE SetFontName(BSTR bstrFontName) override;
  HRESULT STDMETHODCALLTYPE Enable(VARIANT_BOOL bEnable) override;
  HRESULT STDMETHODCALLTYPE SetFontSize(LONG lFontSize) override;
  HRESULT STDMETHODCALLTYPE SetFontItalic(VARIANT_BOOL bItalic) override;
  HRESULT STDMETHODCALLTYPE SetFontBold(VARIANT_BOOL bBold) override;
  HRESULT STDMETHODCALLTYPE SetTextColor(LONG lTextColor) override;

 private:
  explicit MediaEngine(IUnknown* outer);
  ~MediaEngine() override;
  HRESULT Init();

  // The guard every per-stream member runs first: no stream gives
  // E_POINTER, a stream of another type (or a disabled one, when asked)
  // S_FALSE; otherwise fn(branch) under the graph lock.
  template <class Branch, class Fn>
  HRESULT WithStream(LONG stream, bool needEnabled, Fn fn);
  template <class Fn>
  HRESULT WithVideo(LONG stream, bool needEnabled, Fn fn) {
    return WithStream<VideoBranch>(stream, needEnabled, fn);
  }
  template <class Fn>
  HRESULT WithAudio(LONG stream, bool needEnabled, Fn fn) {
    return WithStream<AudioBranch>(stream, needEnabled, fn);
  }
  template <class Fn>
  HRESULT WithAnyStream(LONG stream, bool needEnabled, Fn fn);
  HRESULT PrepareStreams();
  HRESULT SetRateNow(double rate);

  std::unique_ptr<DecoderEnumerator> decoders_;
  std::unique_ptr<GraphEngine> graph_;
  std::unique_ptr<EngineSubtitles> subtitles_;
  std::wstring fileName_;
};

}  // namespace tessel
