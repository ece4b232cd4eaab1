#include "effects/filter/video_effects_filter.h"

#include <dvdmedia.h>

#include <algorithm>
#include <cstring>
#include <cstdlib>
#include <new>

namespace effects {

using dshow::MediaType;

namespace {

const GUID* const kConversionSubtypes[] = {&MEDIASUBTYPE_YUY2, &MEDIASUBTYPE_RGB32, &MEDIASUBTYPE_RGB24,
                                           &MEDIASUBTYPE_RGB565, &MEDIASUBTYPE_RGB555};

// Subtypes whose bitmaps are bottom-up unless biHeight is negative.
const GUID* const kRgbSubtypes[] = {&MEDIASUBTYPE_ARGB32, &MEDIASUBTYPE_RGB32, &MEDIASUBTYPE_RGB24,
                                    &MEDIASUBTYPE_RGB565, &MEDIASUBTYPE_RGB555, &MEDIASUBTYPE_RGB8};

// The offered output types, by position.
struct Candidate {
  const GUID* subtype;
  bool videoInfo2;
  WORD bitCount;
  DWORD compression;
};
const Candidate kCandidates[] = {
    {&MEDIASUBTYPE_YUY2, true, 16, MAKEFOURCC('Y', 'U', 'Y', '2')},
    {&MEDIASUBTYPE_YUY2, false, 16, MAKEFOURCC('Y', 'U', 'Y', '2')},
    {&MEDIASUBTYPE_RGB32, true, 32, BI_RGB},
    {&MEDIASUBTYPE_RGB32, false, 32, BI_RGB},
    {&MEDIASUBTYPE_RGB24, true, 24, BI_RGB},
    {&MEDIASUBTYPE_RGB24, false, 24, BI_RGB},
    {&MEDIASUBTYPE_RGB565, true, 16, BI_BITFIELDS},
    {&MEDIASUBTYPE_RGB565, false, 16, BI_BITFIELDS},
    {&MEDIASUBTYPE_RGB555, true, 16, BI_RGB},
    {&MEDIASUBTYPE_RGB555, false, 16, BI_RGB},
};
constexpr int kCandidateCount = 10;
const DWORD kRgb565Masks[3] = {0xF800, 0x07E0, 0x001F};

// The first 48 bytes (rectangles, rates, frame time) are shared by
// VIDEOINFOHEADER and VIDEOINFOHEADER2.
constexpr size_t kCommonVideoBytes = 48;
static_assert(offsetof(VIDEOINFOHEADER, bmiHeader) == kCommonVideoBytes, "VIDEOINFOHEADER layout");
static_assert(offsetof(VIDEOINFOHEADER2, bmiHeader) == kCommonVideoBytes + 24, "VIDEOINFOHEADER2 layout");

const RECT* TargetRect(const AM_MEDIA_TYPE& type) {
  if (!dshow::VideoBitmapHeader(type)) return nullptr;
  return &reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat)->rcTarget;
}

// Bytes of one bitmap row: whole-byte pixels padded to a 32-bit word; other
// depths count one byte a pixel.
int64_t BitmapRowBytes(int64_t width, int32_t bitCount) {
  if (bitCount == 0 || bitCount % 8 != 0) return width;
  return ((bitCount / 8) * width + 3) & ~int64_t{3};
}

bool IsRgbBitmapSubtype(REFGUID subtype) {
  for (const GUID* g : kRgbSubtypes)
    if (IsEqualGUID(*g, subtype)) return true;
  return false;
}

}  // namespace

int ConversionKindOf(REFGUID subtype) {
  for (int i = 0; i < 5; ++i)
    if (IsEqualGUID(*kConversionSubtypes[i], subtype)) return i;
  return -1;
}

bool ReadOutputGeometry(const AM_MEDIA_TYPE& type, OutputGeometry* geometry) {
  const BITMAPINFOHEADER* header = dshow::VideoBitmapHeader(type);
  if (!header) return false;
  const RECT& target = *TargetRect(type);
  const int32_t rowBytes = static_cast<int32_t>(BitmapRowBytes(header->biWidth, header->biBitCount));
  if (IsRectEmpty(&target)) {
    geometry->width = header->biWidth;
    geometry->height = std::abs(header->biHeight);
  } else {
    geometry->width = target.right - target.left;
    geometry->height = target.bottom - target.top;
  }
  const bool topDown = header->biHeight < 0;
  geometry->stride = (topDown || !IsRgbBitmapSubtype(type.subtype)) ? rowBytes : -rowBytes;
  geometry->outputTopDown = topDown ? 1 : 0;
  return true;
}

VideoEffectsFilter::VideoEffectsFilter(IUnknown* outer) : TransformFilter(outer, CLSID_VideoEffects) {
  effects_.SetFilterDefaults();
}

HRESULT VideoEffectsFilter::Create(IUnknown* outer, REFIID iid, void** out) {
  auto* filter = new (std::nothrow) VideoEffectsFilter(outer);
  if (!filter) return E_OUTOFMEMORY;
  return zelvo::com::FinishCreate(filter, iid, out);
}

HRESULT STDMETHODCALLTYPE VideoEffectsFilter::NonDelegatingQueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (IsEqualIID(iid, IID_IVideoEffects)) return GetInterface(static_cast<IVideoEffects*>(this), out);
  if (IsEqualIID(iid, IID_IFrameCounter)) return GetInterface(static_cast<IFrameCounter*>(this), out);
  if (IsEqualIID(iid, IID_IVideoOverlay)) return GetInterface(static_cast<IVideoOverlay*>(this), out);
  if (IsEqualIID(iid, IID_ISpecifyPropertyPages)) return GetInterface(static_cast<ISpecifyPropertyPages*>(this), out);
  return TransformFilter::NonDelegatingQueryInterface(iid, out);
}

// ------------------------------------------------------------ IVideoEffects

#define ZELVO_EFFECT_ACCESSORS(Name)                                                   \
  HRESULT STDMETHODCALLTYPE VideoEffectsFilter::Set##Name(int value) {                 \
    effects_.Set##Name(value);                                                         \
    return S_OK;                                                                       \
  }                                                                                    \
  HRESULT STDMETHODCALLTYPE VideoEffectsFilter::Get##Name(int* value) {                \
    if (!value) return E_POINTER;                                                      \
    *value = effects_.Get##Name();                                                     \
    return S_OK;                                                                       \
  }

ZELVO_EFFECT_ACCESSORS(BrightnessEnabled)
ZELVO_EFFECT_ACCESSORS(Brightness)
ZELVO_EFFECT_ACCESSORS(ContrastEnabled)
ZELVO_EFFECT_ACCESSORS(Contrast)
ZELVO_EFFECT_ACCESSORS(SaturationEnabled)
ZELVO_EFFECT_ACCESSORS(Saturation)
ZELVO_EFFECT_ACCESSORS(HueEnabled)
ZELVO_EFFECT_ACCESSORS(Hue)
#undef ZELVO_EFFECT_ACCESSORS

HRESULT STDMETHODCALLTYPE VideoEffectsFilter::GetFrameCount(int* count) {
  if (!count) return E_POINTER;
  *count = frameCount_;
  return S_OK;
}

// ------------------------------------------------------------ IVideoOverlay

HRESULT STDMETHODCALLTYPE VideoEffectsFilter::SetEnableOverlay(int enabled) {
  overlay_.SetEnabled(enabled);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE VideoEffectsFilter::GetEnableOverlay(int* enabled) {
  if (!enabled) return E_POINTER;
  *enabled = overlay_.Enabled();
  return S_OK;
}

HRESULT STDMETHODCALLTYPE VideoEffectsFilter::SetOverlayFirst(int first) {
  overlayFirst_ = first;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE VideoEffectsFilter::SetBitmap(int left, int top, LONGLONG start, LONGLONG end, HDC dc,
                                                        HBITMAP bitmap, COLORREF transparent) {
  return overlay_.SetBitmap(left, top, start, end, dc, bitmap, transparent);
}

HRESULT STDMETHODCALLTYPE VideoEffectsFilter::SetText(int left, int top, int width, int height, LONGLONG start,
                                                      LONGLONG end, const char* text, int length, COLORREF colour,
                                                      HFONT font) {
  return overlay_.SetText(left, top, width, height, start, end, text, length, colour, font);
}

HRESULT STDMETHODCALLTYPE VideoEffectsFilter::GetPages(CAUUID* pages) {
  if (!pages) return E_POINTER;
  pages->cElems = 0;
  pages->pElems = static_cast<GUID*>(CoTaskMemAlloc(sizeof(GUID)));
  if (!pages->pElems) return E_OUTOFMEMORY;
  pages->pElems[0] = CLSID_VideoEffectsPage;
  pages->cElems = 1;
  return S_OK;
}

// ------------------------------------------------------- media negotiation

HRESULT VideoEffectsFilter::CheckInputType(const AM_MEDIA_TYPE& type) {
  if (IsEqualGUID(type.majortype, MEDIATYPE_Video) && IsEqualGUID(type.subtype, MEDIASUBTYPE_YUY2)) return S_OK;
  return VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT VideoEffectsFilter::CheckTransform(const AM_MEDIA_TYPE& input, const AM_MEDIA_TYPE& output) {
  const int inputKind = ConversionKindOf(input.subtype);
  const int outputKind = ConversionKindOf(output.subtype);
  if (inputKind < 0 || outputKind < 0) return VFW_E_TYPE_NOT_ACCEPTED;
  // The output geometry is read from the type's video header. The kind is
  // stored when the type is set, not here: a check changes nothing.
  if (!dshow::VideoBitmapHeader(output)) return VFW_E_TYPE_NOT_ACCEPTED;
  return S_OK;
}

// Every value comes from a copy of the input's type: the enumerator may ask
// from any thread while the streaming thread changes the input's format.
HRESULT VideoEffectsFilter::GetMediaType(int position, MediaType* type) {
  if (position < 0) return E_INVALIDARG;
  dshow::TransformInputPin* input = InputPin();
  MediaType in;
  if (!input || FAILED(input->CopyMediaType(&in)) || in.Empty()) return VFW_S_NO_MORE_ITEMS;
  if (position >= kCandidateCount) return VFW_S_NO_MORE_ITEMS;
  const BITMAPINFOHEADER* inputHeader = dshow::VideoBitmapHeader(in);
  if (!inputHeader) return VFW_S_NO_MORE_ITEMS;
  const int32_t width = inputHeader->biWidth;
  const int32_t height = std::abs(inputHeader->biHeight);

  // The input's frame time and picture aspect, as a VideoInfo2 sees them.
  int32_t aspectX = inputHeader->biWidth;
  int32_t aspectY = inputHeader->biHeight;
  double avgTimePerFrame = 0;
  if (IsEqualGUID(in.formattype, FORMAT_VideoInfo2)) {
    const auto* info = reinterpret_cast<const VIDEOINFOHEADER2*>(in.pbFormat);
    aspectX = static_cast<int32_t>(info->dwPictAspectRatioX);
    aspectY = static_cast<int32_t>(info->dwPictAspectRatioY);
    avgTimePerFrame = static_cast<double>(info->AvgTimePerFrame);
  } else {
    avgTimePerFrame = static_cast<double>(reinterpret_cast<const VIDEOINFOHEADER*>(in.pbFormat)->AvgTimePerFrame);
  }

  const Candidate& c = kCandidates[position];
  const bool bitfields = c.compression == BI_BITFIELDS;
  const ULONG headerBytes = c.videoInfo2 ? sizeof(VIDEOINFOHEADER2) : sizeof(VIDEOINFOHEADER);
  const ULONG formatBytes = headerBytes + (bitfields ? sizeof(kRgb565Masks) : 0);
  type->Clear();
  BYTE* format = type->AllocFormat(formatBytes);
  if (!format) return E_OUTOFMEMORY;

  const REFERENCE_TIME frameTime = static_cast<REFERENCE_TIME>(avgTimePerFrame);
  // Whole rows, each padded to a 32-bit word as in any bitmap.
  const DWORD imageBytes = static_cast<DWORD>(BitmapRowBytes(width, c.bitCount) * std::abs(height));
  DWORD bitRate = 0;
  if (frameTime > 0 && frameTime <= MAXLONG) bitRate = static_cast<DWORD>(MulDiv(static_cast<int>(imageBytes), 80000000, static_cast<int>(frameTime)));

  // Shared leading part: rectangles, rates and frame time.
  auto* common = reinterpret_cast<VIDEOINFOHEADER*>(format);
  SetRect(&common->rcSource, 0, 0, width, height);
  SetRect(&common->rcTarget, 0, 0, width, height);
  common->dwBitRate = bitRate;
  common->dwBitErrorRate = 0;
  common->AvgTimePerFrame = frameTime;

  BITMAPINFOHEADER* header;
  if (c.videoInfo2) {
    auto* info2 = reinterpret_cast<VIDEOINFOHEADER2*>(format);
    info2->dwInterlaceFlags = 0x80;
    info2->dwCopyProtectFlags = 1;
    info2->dwPictAspectRatioX = static_cast<DWORD>(aspectX);
    info2->dwPictAspectRatioY = static_cast<DWORD>(aspectY);
    header = &info2->bmiHeader;
  } else {
    header = &common->bmiHeader;
  }
  header->biSize = sizeof(BITMAPINFOHEADER);
  header->biWidth = width;
  header->biHeight = height;
  header->biPlanes = 1;
  header->biBitCount = c.bitCount;
  header->biCompression = c.compression;
  header->biSizeImage = imageBytes;
  if (bitfields) std::memcpy(format + headerBytes, kRgb565Masks, sizeof(kRgb565Masks));

  type->majortype = MEDIATYPE_Video;
  type->subtype = *c.subtype;
  type->formattype = c.videoInfo2 ? FORMAT_VideoInfo2 : FORMAT_VideoInfo;
  type->bTemporalCompression = FALSE;
  type->bFixedSizeSamples = TRUE;
  type->lSampleSize = imageBytes;
  return S_OK;
}

HRESULT VideoEffectsFilter::SetMediaType(PIN_DIRECTION direction, const AM_MEDIA_TYPE& type) {
  if (direction == PINDIR_OUTPUT) {
    OutputGeometry geometry;
    if (ReadOutputGeometry(type, &geometry)) {
      width_ = geometry.width;
      height_ = geometry.height;
      stride_ = geometry.stride;
      outputTopDown_ = geometry.outputTopDown;
    }
    const int kind = ConversionKindOf(type.subtype);
    if (kind >= 0) conversionKind_ = kind;
  } else if (const BITMAPINFOHEADER* header = dshow::VideoBitmapHeader(type)) {
    height_ = std::abs(header->biHeight);
    width_ = header->biWidth;
  }
  HRESULT hr = TransformFilter::SetMediaType(direction, type);
  ApplyGeometry();
  return hr;
}

void VideoEffectsFilter::ApplyGeometry() {
  converter_.Initialise(stride_, width_, height_, conversionKind_, outputTopDown_);
  overlay_.SetFrameSize(width_, height_);
  effects_.SetPixelCount(static_cast<int64_t>(width_) * height_);
}

HRESULT VideoEffectsFilter::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) {
  if (!allocator || !request) return E_POINTER;
  ALLOCATOR_PROPERTIES input = {1, 1, 1, 0};
  dshow::TransformInputPin* inputPin = InputPin();
  zelvo::com::ComPtr<IMemAllocator> inputAllocator = inputPin ? inputPin->Allocator() : nullptr;
  if (inputAllocator && inputPin->IsConnected()) {
    HRESULT hr = inputAllocator->GetProperties(&input);
    if (FAILED(hr)) return hr;
  }
  long frameBytes = 0;
  dshow::TransformOutputPin* outputPin = OutputPin();
  MediaType output;
  if (outputPin && SUCCEEDED(outputPin->CopyMediaType(&output))) {
    if (const BITMAPINFOHEADER* header = dshow::VideoBitmapHeader(output)) {
      // Rows padded to 32-bit words (RGB24 at a width that is not a
      // multiple of 4) need more than width x height x depth.
      const int64_t width = std::abs(static_cast<int64_t>(header->biWidth));
      const int64_t height = std::abs(static_cast<int64_t>(header->biHeight));
      const int64_t bytes = std::max(width * height * header->biBitCount / 8,
                                     BitmapRowBytes(width, header->biBitCount) * height);
      frameBytes = bytes > MAXLONG ? MAXLONG : static_cast<long>(bytes);
    }
  }
  request->cBuffers = std::max(input.cBuffers, 1L);
  request->cbBuffer = std::max(input.cbBuffer, frameBytes);
  ALLOCATOR_PROPERTIES actual = {};
  HRESULT hr = allocator->SetProperties(request, &actual);
  if (FAILED(hr)) return hr;
  if (actual.cBuffers < request->cBuffers || actual.cbBuffer < request->cbBuffer || actual.cbAlign < input.cbAlign)
    return E_FAIL;
  return S_OK;
}

HRESULT VideoEffectsFilter::CompleteConnect(PIN_DIRECTION direction, IPin* pin) {
  HRESULT hr = TransformFilter::CompleteConnect(direction, pin);
  // The input offers its types afresh now that the output format is known.
  if (SUCCEEDED(hr) && direction == PINDIR_OUTPUT && InputPin() && InputPin()->IsConnected())
    ReconnectPin(InputPin());
  return hr;
}

HRESULT VideoEffectsFilter::StartStreaming() {
  HRESULT hr = TransformFilter::StartStreaming();
  ApplyGeometry();
  frameCount_ = 0;
  // Room for a read-only input's copy, made before the first frame.
  if (InputPin()->ReadOnly()) {
    ALLOCATOR_PROPERTIES input = {};
    zelvo::com::ComPtr<IMemAllocator> allocator = InputPin()->Allocator();
    if (allocator && SUCCEEDED(allocator->GetProperties(&input)) && input.cbBuffer > 0)
      readOnlyCopy_.reserve(static_cast<size_t>(input.cbBuffer));
  }
  return hr;
}

HRESULT VideoEffectsFilter::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  HRESULT hr = TransformFilter::NewSegment(start, stop, rate);
  // Sample times count from the segment's start, the overlay's window from
  // the stream's. A segment at 0 (back to the beginning) resets the offset
  // too, or a window would stay shifted by an earlier seek.
  if (SUCCEEDED(hr)) overlay_.SetTimeOffset(start);
  return hr;
}

// --------------------------------------------------------------- streaming

void VideoEffectsFilter::CopySampleProperties(IMediaSample* input, IMediaSample* output) {
  REFERENCE_TIME start = 0, stop = 0;
  HRESULT hr = input->GetTime(&start, &stop);
  if (hr == S_OK)
    output->SetTime(&start, &stop);
  else if (hr == VFW_S_NO_STOP_TIME)
    output->SetTime(&start, nullptr);
  LONGLONG mediaStart = 0, mediaStop = 0;
  if (input->GetMediaTime(&mediaStart, &mediaStop) == S_OK) output->SetMediaTime(&mediaStart, &mediaStop);

  // A flag query that answers neither yes nor no ends the flag copy.
  [&] {
    HRESULT flag = input->IsSyncPoint();
    if (flag != S_OK && flag != S_FALSE) return;
    output->SetSyncPoint(flag == S_OK);
    flag = input->IsPreroll();
    if (flag != S_OK && flag != S_FALSE) return;
    output->SetPreroll(flag == S_OK);
    flag = input->IsDiscontinuity();
    if (flag != S_OK && flag != S_FALSE) return;
    output->SetDiscontinuity(flag == S_OK);
  }();
  output->SetActualDataLength(output->GetSize());
}

HRESULT VideoEffectsFilter::Transform(IMediaSample* input, IMediaSample* output) {
  BYTE* source = nullptr;
  BYTE* destination = nullptr;
  input->GetPointer(&source);
  output->GetPointer(&destination);

  // Downstream may announce a new format (for example a new stride).
  AM_MEDIA_TYPE* changed = nullptr;
  if (output->GetMediaType(&changed) == S_OK && changed) {
    OutputGeometry geometry;
    if (ReadOutputGeometry(*changed, &geometry)) {
      width_ = geometry.width;
      height_ = geometry.height;
      stride_ = geometry.stride;
      outputTopDown_ = geometry.outputTopDown;
    }
    OutputPin()->ChangeMediaTypeInStream(*changed);
    const int kind = ConversionKindOf(changed->subtype);
    if (kind >= 0 && ConversionKindOf(InputPin()->MediaSubtype()) >= 0) conversionKind_ = kind;
    dshow::DeleteMediaTypeCopy(changed);
    ApplyGeometry();
  }

  CopySampleProperties(input, output);

  const size_t sourceBytes = static_cast<size_t>(std::max(input->GetActualDataLength(), 0L));
  const size_t destinationBytes = static_cast<size_t>(std::max(output->GetSize(), 0L));
  REFERENCE_TIME start = 0, stop = 0;
  const bool timed = SUCCEEDED(input->GetTime(&start, &stop));
  if (source && timed && start > 0 && InputPin()->ReadOnly() && !overlay_.Enabled()) {
    // A read-only sample with no overlay to draw needs no copy: the effects
    // go into the conversion in one pass and the sample keeps its bytes.
    effects_.ApplyAndConvert(converter_, source, sourceBytes, destination, destinationBytes);
    InterlockedIncrement(&frameCount_);
    return S_OK;
  }
  if (source && timed && start > 0) {
    // Upstream's read-only samples (shared with another reader) keep their
    // bytes: the effects and the overlay go into the filter's own copy.
    if (InputPin()->ReadOnly()) {
      readOnlyCopy_.assign(source, source + sourceBytes);
      source = readOnlyCopy_.data();
    }
    // The overlay needs the whole frame; a short sample gets effects only.
    const bool wholeFrame = sourceBytes >= static_cast<size_t>(width_) * static_cast<size_t>(height_) * 2;
    if (overlayFirst_ && wholeFrame) overlay_.Draw(source, start);
    effects_.Apply(source, sourceBytes);
    if (!overlayFirst_ && wholeFrame) overlay_.Draw(source, start);
  }
  // Sizes are checked, so a short or odd sample converts nothing instead
  // of reading or writing outside its buffer.
  converter_.Convert(source, sourceBytes, destination, destinationBytes);
  InterlockedIncrement(&frameCount_);
  return S_OK;
}

}  // namespace effects
