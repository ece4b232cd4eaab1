// "Video Effects": a transform filter taking YUY2, applying the overlay and
// the four effects to the input frame in place (to a copy when upstream's
// samples are read-only), and writing the frame out as YUY2, RGB32, RGB24,
// RGB565 or RGB555. Driven through IVideoEffects,
// IFrameCounter and IVideoOverlay; its property page through
// ISpecifyPropertyPages.
#pragma once

#include <dshow.h>

#include <cstdint>
#include <vector>

#include "effects/core/effect_tables.h"
#include "effects/core/frame_converter.h"
#include "effects/dshow/transform_filter.h"
#include "effects/filter/overlay_renderer.h"
#include "video_effects.h"

namespace effects {

// Index of a video subtype in the conversion list (YUY2, RGB32, RGB24,
// RGB565, RGB555), or -1.
int ConversionKindOf(REFGUID subtype);

// Output geometry read from a VideoInfo or VideoInfo2 type.
struct OutputGeometry {
  int32_t width = 0;
  int32_t height = 0;
  int32_t stride = 0;
  int32_t outputTopDown = 0;
};
bool ReadOutputGeometry(const AM_MEDIA_TYPE& type, OutputGeometry* geometry);

class VideoEffectsFilter final : public dshow::TransformFilter,
                                 public IVideoEffects,
                                 public IFrameCounter,
                                 public IVideoOverlay,
                                 public ISpecifyPropertyPages {
 public:
  static HRESULT Create(IUnknown* outer, REFIID iid, void** out);

  ZELVO_DELEGATING_IUNKNOWN
  HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID iid, void** out) override;

  // IVideoEffects
  HRESULT STDMETHODCALLTYPE SetBrightnessEnabled(int enabled) override;
  HRESULT STDMETHODCALLTYPE GetBrightnessEnabled(int* enabled) override;
  HRESULT STDMETHODCALLTYPE SetBrightness(int value) override;
  HRESULT STDMETHODCALLTYPE GetBrightness(int* value) override;
  HRESULT STDMETHODCALLTYPE SetContrastEnabled(int enabled) override;
  HRESULT STDMETHODCALLTYPE GetContrastEnabled(int* enabled) override;
  HRESULT STDMETHODCALLTYPE SetContrast(int value) override;
  HRESULT STDMETHODCALLTYPE GetContrast(int* value) override;
  HRESULT STDMETHODCALLTYPE SetSaturationEnabled(int enabled) override;
  HRESULT STDMETHODCALLTYPE GetSaturationEnabled(int* enabled) override;
  HRESULT STDMETHODCALLTYPE SetSaturation(int value) override;
  HRESULT STDMETHODCALLTYPE GetSaturation(int* value) override;
  HRESULT STDMETHODCALLTYPE SetHueEnabled(int enabled) override;
  HRESULT STDMETHODCALLTYPE GetHueEnabled(int* enabled) override;
  HRESULT STDMETHODCALLTYPE SetHue(int value) override;
  HRESULT STDMETHODCALLTYPE GetHue(int* value) override;

  // IFrameCounter
  HRESULT STDMETHODCALLTYPE GetFrameCount(int* count) override;

  // IVideoOverlay
  HRESULT STDMETHODCALLTYPE SetEnableOverlay(int enabled) override;
  HRESULT STDMETHODCALLTYPE GetEnableOverlay(int* enabled) override;
  HRESULT STDMETHODCALLTYPE SetOverlayFirst(int first) override;
  HRESULT STDMETHODCALLTYPE SetBitmap(int left, int top, LONGLONG start, LONGLONG end, HDC dc, HBITMAP bitmap,
                                      COLORREF transparent) override;
  HRESULT STDMETHODCALLTYPE SetText(int left, int top, int width, int height, LONGLONG start, LONGLONG end,
                                    const char* text, int length, COLORREF colour, HFONT font) override;

  // ISpecifyPropertyPages
  HRESULT STDMETHODCALLTYPE GetPages(CAUUID* pages) override;

  // Transform-filter hooks.
  HRESULT CheckInputType(const AM_MEDIA_TYPE& type) override;
  HRESULT CheckTransform(const AM_MEDIA_TYPE& input, const AM_MEDIA_TYPE& output) override;
  HRESULT GetMediaType(int position, dshow::MediaType* type) override;
  HRESULT SetMediaType(PIN_DIRECTION direction, const AM_MEDIA_TYPE& type) override;
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
  HRESULT CompleteConnect(PIN_DIRECTION direction, IPin* pin) override;
  HRESULT StartStreaming() override;
  HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;
  HRESULT Transform(IMediaSample* input, IMediaSample* output) override;

 private:
  explicit VideoEffectsFilter(IUnknown* outer);
  // Converter, overlay frame size and effect pixel count from the fields.
  void ApplyGeometry();
  void CopySampleProperties(IMediaSample* input, IMediaSample* output);

  // The geometry is written while connecting (stopped) and by in-stream
  // format changes (streaming thread), and read by the streaming thread.
  int32_t height_ = 0;
  int32_t width_ = 0;
  int32_t stride_ = 0;
  int32_t outputTopDown_ = 0;
  int32_t conversionKind_ = 0;
  volatile LONG frameCount_ = 0;
  volatile LONG overlayFirst_ = 0;
  EffectTables effects_;
  FrameConverter converter_;
  OverlayRenderer overlay_;
  // The working copy of a read-only input frame (streaming thread only).
  std::vector<uint8_t> readOnlyCopy_;
};

}  // namespace effects
