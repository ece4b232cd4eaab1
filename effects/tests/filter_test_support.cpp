#include "effects/tests/filter_test_support.h"

#include <dvdmedia.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "video_effects.h"

namespace effects::testing {

namespace {

const CLSID kSeekingPassThruClass = {0x060af76c, 0x68dd, 0x11d0, {0x8f, 0xc1, 0x00, 0xc0, 0x4f, 0xd9, 0x18, 0x9d}};
const IID kSeekingPassThruIid = {0x36b73883, 0xc2c8, 0x11cf, {0x8b, 0x46, 0x00, 0x80, 0x5f, 0x6c, 0xef, 0x60}};
const CLSID kSinkClass = {0x7b1e5c10, 0x3f0d, 0x4a55, {0x9a, 0x61, 0x2c, 0x4e, 0x8d, 0x11, 0x70, 0x01}};

void Put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void Put16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void PutFourCc(std::vector<uint8_t>& out, const char* code) { out.insert(out.end(), code, code + 4); }
void Patch32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
// Starts a chunk; returns the position of its size field.
size_t BeginChunk(std::vector<uint8_t>& out, const char* id, const char* listType = nullptr) {
  PutFourCc(out, id);
  size_t at = out.size();
  Put32(out, 0);
  if (listType) PutFourCc(out, listType);
  return at;
}
void EndChunk(std::vector<uint8_t>& out, size_t at) {
  Patch32(out, at, static_cast<uint32_t>(out.size() - at - 4));
  if (out.size() & 1) out.push_back(0);
}

}  // namespace

std::vector<uint8_t> PatternFrame(int width, int height, int index) {
  std::vector<uint8_t> frame(static_cast<size_t>(width) * height * 2);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; x += 2) {
      uint8_t* p = &frame[(static_cast<size_t>(y) * width + x) * 2];
      p[0] = static_cast<uint8_t>(16 + (x * 3 + y * 2 + index * 9) % 224);
      p[1] = static_cast<uint8_t>(60 + (x + index * 5) % 136);
      p[2] = static_cast<uint8_t>(16 + (x * 3 + 3 + y * 2 + index * 9) % 224);
      p[3] = static_cast<uint8_t>(60 + (y * 2 + index * 7) % 136);
    }
  }
  return frame;
}

bool WriteYuy2Avi(const std::wstring& path, int width, int height, int frames) {
  const uint32_t frameBytes = static_cast<uint32_t>(width * height * 2);
  std::vector<uint8_t> out;
  size_t riff = BeginChunk(out, "RIFF", "AVI ");
  size_t hdrl = BeginChunk(out, "LIST", "hdrl");
  size_t avih = BeginChunk(out, "avih");
  Put32(out, 40000);                 // microseconds per frame
  Put32(out, frameBytes * 25);       // max bytes per second
  Put32(out, 0);                     // padding granularity
  Put32(out, 0x10);                  // AVIF_HASINDEX
  Put32(out, static_cast<uint32_t>(frames));
  Put32(out, 0);                     // initial frames
  Put32(out, 1);                     // streams
  Put32(out, frameBytes);            // suggested buffer size
  Put32(out, static_cast<uint32_t>(width));
  Put32(out, static_cast<uint32_t>(height));
  for (int i = 0; i < 4; ++i) Put32(out, 0);
  EndChunk(out, avih);
  size_t strl = BeginChunk(out, "LIST", "strl");
  size_t strh = BeginChunk(out, "strh");
  PutFourCc(out, "vids");
  PutFourCc(out, "YUY2");
  Put32(out, 0);   // flags
  Put16(out, 0);   // priority
  Put16(out, 0);   // language
  Put32(out, 0);   // initial frames
  Put32(out, 1);   // scale
  Put32(out, 25);  // rate
  Put32(out, 0);   // start
  Put32(out, static_cast<uint32_t>(frames));
  Put32(out, frameBytes);
  Put32(out, 0xFFFFFFFF);  // quality
  Put32(out, 0);           // sample size
  Put16(out, 0);
  Put16(out, 0);
  Put16(out, static_cast<uint16_t>(width));
  Put16(out, static_cast<uint16_t>(height));
  EndChunk(out, strh);
  size_t strf = BeginChunk(out, "strf");
  Put32(out, 40);
  Put32(out, static_cast<uint32_t>(width));
  Put32(out, static_cast<uint32_t>(height));
  Put16(out, 1);
  Put16(out, 16);
  PutFourCc(out, "YUY2");
  Put32(out, frameBytes);
  for (int i = 0; i < 4; ++i) Put32(out, 0);
  EndChunk(out, strf);
  EndChunk(out, strl);
  EndChunk(out, hdrl);

  size_t movi = BeginChunk(out, "LIST", "movi");
  const size_t moviStart = movi + 4;  // offsets count from the 'movi' code
  std::vector<uint32_t> offsets;
  for (int i = 0; i < frames; ++i) {
    offsets.push_back(static_cast<uint32_t>(out.size() - moviStart));
    size_t chunk = BeginChunk(out, "00dc");
    std::vector<uint8_t> frame = PatternFrame(width, height, i);
    out.insert(out.end(), frame.begin(), frame.end());
    EndChunk(out, chunk);
  }
  EndChunk(out, movi);
  size_t idx1 = BeginChunk(out, "idx1");
  for (int i = 0; i < frames; ++i) {
    PutFourCc(out, "00dc");
    Put32(out, 0x10);  // key frame
    Put32(out, offsets[i]);
    Put32(out, frameBytes);
  }
  EndChunk(out, idx1);
  EndChunk(out, riff);

  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  BOOL ok = WriteFile(file, out.data(), static_cast<DWORD>(out.size()), &written, nullptr);
  CloseHandle(file);
  return ok && written == out.size();
}

std::wstring ProgramFolder() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder = path;
  return folder.substr(0, folder.find_last_of(L"\\/") + 1);
}

std::wstring LibraryPath() { return ProgramFolder() + L"VideoEffects.dll"; }

namespace {
HMODULE Library() {
  static HMODULE library = LoadLibraryW(LibraryPath().c_str());
  return library;
}
}  // namespace

HRESULT LibraryCanUnload() {
  using CanUnloadFn = HRESULT(STDAPICALLTYPE*)();
  auto can = reinterpret_cast<CanUnloadFn>(reinterpret_cast<void*>(GetProcAddress(Library(), "DllCanUnloadNow")));
  return can ? can() : E_FAIL;
}

HRESULT CreateLibraryObject(REFCLSID clsid, REFIID iid, void** out) {
  HMODULE library = Library();
  if (!library) return HRESULT_FROM_WIN32(GetLastError());
  using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
  auto get = reinterpret_cast<GetClassObjectFn>(
      reinterpret_cast<void*>(GetProcAddress(library, "DllGetClassObject")));
  if (!get) return E_FAIL;
  ComPtr<IClassFactory> factory;
  HRESULT hr = get(clsid, IID_IClassFactory, factory.put_void());
  if (FAILED(hr)) return hr;
  return factory->CreateInstance(nullptr, iid, out);
}

HRESULT CreateEffectsFilter(IBaseFilter** filter) {
  return CreateLibraryObject(CLSID_VideoEffects, IID_IBaseFilter, reinterpret_cast<void**>(filter));
}

void MakeVideoType(dshow::MediaType* type, REFGUID subtype, int width, int height, int bitCount) {
  type->Clear();
  const bool bitfields = IsEqualGUID(subtype, MEDIASUBTYPE_RGB565);
  BYTE* format = type->AllocFormat(sizeof(VIDEOINFOHEADER) + (bitfields ? 12 : 0));
  auto* info = reinterpret_cast<VIDEOINFOHEADER*>(format);
  info->AvgTimePerFrame = kFrameTime;
  info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info->bmiHeader.biWidth = width;
  info->bmiHeader.biHeight = height;
  info->bmiHeader.biPlanes = 1;
  info->bmiHeader.biBitCount = static_cast<WORD>(bitCount);
  const int rowBytes = ((bitCount / 8) * width + 3) & ~3;
  info->bmiHeader.biSizeImage = static_cast<DWORD>(rowBytes * (height < 0 ? -height : height));
  if (IsEqualGUID(subtype, MEDIASUBTYPE_YUY2)) info->bmiHeader.biCompression = MAKEFOURCC('Y', 'U', 'Y', '2');
  if (bitfields) {
    info->bmiHeader.biCompression = BI_BITFIELDS;
    const DWORD masks[3] = {0xF800, 0x07E0, 0x001F};
    std::memcpy(format + sizeof(VIDEOINFOHEADER), masks, sizeof(masks));
  }
  type->majortype = MEDIATYPE_Video;
  type->subtype = subtype;
  type->formattype = FORMAT_VideoInfo;
  type->bFixedSizeSamples = TRUE;
  type->lSampleSize = info->bmiHeader.biSizeImage;
}

// ---------------------------------------------------------------- sink pin

SinkPin::SinkPin(SinkFilter* filter) : BasePin(filter, &filter->FilterLock(), L"In", PINDIR_INPUT), sink_(filter) {}

HRESULT STDMETHODCALLTYPE SinkPin::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (IsEqualIID(iid, IID_IMemInputPin)) {
    *out = static_cast<IMemInputPin*>(this);
    AddRef();
    return S_OK;
  }
  return BasePin::QueryInterface(iid, out);
}

HRESULT STDMETHODCALLTYPE SinkPin::GetAllocator(IMemAllocator** allocator) {
  if (allocator) *allocator = nullptr;
  return VFW_E_NO_ALLOCATOR;
}
HRESULT STDMETHODCALLTYPE SinkPin::NotifyAllocator(IMemAllocator*, BOOL) { return S_OK; }
HRESULT STDMETHODCALLTYPE SinkPin::GetAllocatorRequirements(ALLOCATOR_PROPERTIES*) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE SinkPin::Receive(IMediaSample* sample) {
  if (flushing_) return S_FALSE;
  if (sink_->IsStopped()) return VFW_E_WRONG_STATE;
  sink_->Store(sample);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE SinkPin::ReceiveMultiple(IMediaSample** samples, long count, long* done) {
  *done = 0;
  for (long i = 0; i < count; ++i, ++*done) Receive(samples[i]);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE SinkPin::EndOfStream() {
  InterlockedIncrement(&endOfStreamCalls_);
  if (!flushing_) sink_->OnEndOfStream();
  return S_OK;
}
HRESULT STDMETHODCALLTYPE SinkPin::BeginFlush() {
  flushing_ = true;
  return S_OK;
}
HRESULT STDMETHODCALLTYPE SinkPin::EndFlush() {
  flushing_ = false;
  return S_OK;
}

HRESULT SinkPin::CheckMediaType(const AM_MEDIA_TYPE& type) {
  return dshow::SameMediaType(type, sink_->Accepted()) ? S_OK : S_FALSE;
}

HRESULT SinkPin::GetMediaType(int position, dshow::MediaType* type) {
  if (position < 0) return E_INVALIDARG;
  if (position > 0) return VFW_S_NO_MORE_ITEMS;
  return type->Set(sink_->Accepted());
}

// ------------------------------------------------------------- sink filter

SinkFilter::SinkFilter()
    : BaseFilter(nullptr, kSinkClass), pin_(this), ended_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
SinkFilter::~SinkFilter() { seeking_ = nullptr; }

HRESULT STDMETHODCALLTYPE SinkFilter::Pause() {
  if (IsStopped()) {
    ResetEvent(ended_.get());
    stopQuery_ = E_PENDING;
    stopSeen_ = -1;
  }
  return BaseFilter::Pause();
}

bool SinkFilter::WaitForEnd(DWORD timeoutMs) { return WaitForSingleObject(ended_.get(), timeoutMs) == WAIT_OBJECT_0; }

ComPtr<IBaseFilter> SinkFilter::Create(const AM_MEDIA_TYPE& accepted, SinkFilter** self) {
  auto* sink = new SinkFilter();
  sink->accepted_.Set(accepted);
  // Seeking requests go upstream from the input pin, as a renderer's do.
  ComPtr<IUnknown> inner;
  if (SUCCEEDED(CoCreateInstance(kSeekingPassThruClass, static_cast<IBaseFilter*>(sink), CLSCTX_INPROC_SERVER,
                                 IID_IUnknown, inner.put_void()))) {
    ISeekingPassThru* passThru = nullptr;
    if (SUCCEEDED(inner->QueryInterface(kSeekingPassThruIid, reinterpret_cast<void**>(&passThru)))) {
      passThru->Init(TRUE, &sink->pin_);
      passThru->Release();
      sink->seeking_ = std::move(inner);
    }
  }
  if (self) *self = sink;
  ComPtr<IBaseFilter> filter;
  filter.attach(static_cast<IBaseFilter*>(sink));
  return filter;
}

HRESULT STDMETHODCALLTYPE SinkFilter::NonDelegatingQueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (IsEqualIID(iid, IID_IAMFilterMiscFlags)) return GetInterface(static_cast<IAMFilterMiscFlags*>(this), out);
  if ((IsEqualIID(iid, IID_IMediaSeeking) || IsEqualIID(iid, IID_IMediaPosition)) && seeking_)
    return seeking_->QueryInterface(iid, out);
  return BaseFilter::NonDelegatingQueryInterface(iid, out);
}

void SinkFilter::Store(IMediaSample* sample) {
  ReceivedSample copy;
  REFERENCE_TIME stop = 0;
  copy.timed = SUCCEEDED(sample->GetTime(&copy.start, &stop));
  BYTE* data = nullptr;
  sample->GetPointer(&data);
  long length = sample->GetActualDataLength();
  if (data && length > 0) copy.bytes.assign(data, data + length);
  int index;
  {
    std::lock_guard<std::mutex> lock(samplesLock_);
    samples_.push_back(std::move(copy));
    index = static_cast<int>(samples_.size()) - 1;
  }
  if (onSample) onSample(index);
}

void SinkFilter::OnEndOfStream() {
  if (IsStopped()) return;
  SetEvent(ended_.get());
  NotifyEvent(EC_COMPLETE, S_OK, reinterpret_cast<LONG_PTR>(static_cast<IBaseFilter*>(this)));
  if (!askStopPosition) return;
  if (askDelayMs) Sleep(askDelayMs);
  ComPtr<IPin> upstream;
  ComPtr<IMediaSeeking> seeking;
  LONGLONG stop = -1;
  HRESULT hr = pin_.ConnectedTo(upstream.put());
  if (SUCCEEDED(hr)) hr = upstream->QueryInterface(IID_IMediaSeeking, seeking.put_void());
  if (SUCCEEDED(hr)) hr = seeking->GetStopPosition(&stop);
  stopSeen_ = stop;
  stopQuery_ = hr;
}

std::vector<ReceivedSample> SinkFilter::TakeSamples() {
  std::lock_guard<std::mutex> lock(samplesLock_);
  std::vector<ReceivedSample> taken;
  taken.swap(samples_);
  return taken;
}

size_t SinkFilter::SampleCount() {
  std::lock_guard<std::mutex> lock(samplesLock_);
  return samples_.size();
}

// ------------------------------------------------------------ push source

namespace {
const CLSID kPushSourceClass = {0x7b1e5c10, 0x3f0d, 0x4a55, {0x9a, 0x61, 0x2c, 0x4e, 0x8d, 0x11, 0x70, 0x02}};
}  // namespace

PushPin::PushPin(PushSource* filter)
    : BasePin(filter, &filter->FilterLock(), L"Out", PINDIR_OUTPUT), source_(filter) {}

HRESULT PushPin::CheckMediaType(const AM_MEDIA_TYPE& type) {
  return dshow::SameMediaType(type, source_->type_) ? S_OK : S_FALSE;
}

HRESULT PushPin::GetMediaType(int position, dshow::MediaType* type) {
  if (position < 0) return E_INVALIDARG;
  if (position > 0) return VFW_S_NO_MORE_ITEMS;
  return type->Set(source_->type_);
}

HRESULT PushPin::CheckConnect(IPin* pin) {
  HRESULT hr = BasePin::CheckConnect(pin);
  if (FAILED(hr)) return hr;
  return pin->QueryInterface(IID_IMemInputPin, peer_.put_void());
}

HRESULT PushPin::CompleteConnect(IPin*) {
  if (!peer_) return E_UNEXPECTED;
  HRESULT hr = peer_->GetAllocator(allocator_.put());
  if (FAILED(hr)) return hr;
  ALLOCATOR_PROPERTIES wanted = {2, static_cast<long>(source_->type_.lSampleSize), 1, 0};
  ALLOCATOR_PROPERTIES actual = {};
  hr = allocator_->SetProperties(&wanted, &actual);
  if (FAILED(hr)) return hr;
  return peer_->NotifyAllocator(allocator_.get(), source_->readOnly_ ? TRUE : FALSE);
}

void PushPin::BreakConnect() {
  allocator_ = nullptr;
  peer_ = nullptr;
}

HRESULT PushPin::Active() { return allocator_ ? allocator_->Commit() : VFW_E_NO_ALLOCATOR; }
HRESULT PushPin::Inactive() { return allocator_ ? allocator_->Decommit() : VFW_E_NO_ALLOCATOR; }

PushSource::PushSource() : BaseFilter(nullptr, kPushSourceClass), pin_(this) {}

ComPtr<IBaseFilter> PushSource::Create(const AM_MEDIA_TYPE& type, bool readOnly, PushSource** self) {
  auto* source = new PushSource();
  source->type_.Set(type);
  source->readOnly_ = readOnly;
  if (self) *self = source;
  ComPtr<IBaseFilter> filter;
  filter.attach(static_cast<IBaseFilter*>(source));
  return filter;
}

HRESULT PushSource::Deliver(const std::vector<uint8_t>& frame, REFERENCE_TIME start, const AM_MEDIA_TYPE* changed,
                            std::vector<uint8_t>* after) {
  if (!pin_.allocator_ || !pin_.peer_) return VFW_E_NOT_CONNECTED;
  ComPtr<IMediaSample> sample;
  HRESULT hr = pin_.allocator_->GetBuffer(sample.put(), nullptr, nullptr, 0);
  if (FAILED(hr)) return hr;
  BYTE* data = nullptr;
  sample->GetPointer(&data);
  const long size = sample->GetSize();
  const long length = std::min(size, static_cast<long>(frame.size()));
  std::memcpy(data, frame.data(), static_cast<size_t>(length));
  sample->SetActualDataLength(length);
  REFERENCE_TIME stop = start + kFrameTime;
  sample->SetTime(&start, &stop);
  sample->SetSyncPoint(TRUE);
  if (changed) sample->SetMediaType(const_cast<AM_MEDIA_TYPE*>(changed));
  hr = pin_.peer_->Receive(sample.get());
  if (after) after->assign(data, data + length);
  return hr;
}

HRESULT PushSource::DeliverEndOfStream() {
  ComPtr<IPin> peer;
  HRESULT hr = pin_.ConnectedTo(peer.put());
  return SUCCEEDED(hr) ? peer->EndOfStream() : hr;
}

HRESULT DirectChain::Build(IBaseFilter* effectsFilter, const AM_MEDIA_TYPE& input, const AM_MEDIA_TYPE& output,
                           bool readOnly) {
  effects = ComPtr<IBaseFilter>(effectsFilter);
  source = PushSource::Create(input, readOnly, &push);
  sink = SinkFilter::Create(output, &sinkFilter);
  ComPtr<IPin> in = FindPinByDirection(effectsFilter, PINDIR_INPUT);
  ComPtr<IPin> out = FindPinByDirection(effectsFilter, PINDIR_OUTPUT);
  if (!in || !out) return E_FAIL;
  HRESULT hr = push->OutputPin()->Connect(in.get(), &input);
  if (FAILED(hr)) return hr;
  return out->Connect(sinkFilter->GetPin(0), nullptr);
}

HRESULT DirectChain::Pause() {
  for (IBaseFilter* filter : {sink.get(), effects.get(), source.get()}) {
    if (!filter) return E_UNEXPECTED;
    HRESULT hr = filter->Pause();
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

HRESULT DirectChain::Stop() {
  HRESULT result = S_OK;
  for (IBaseFilter* filter : {sink.get(), effects.get(), source.get()}) {
    if (!filter) continue;
    HRESULT hr = filter->Stop();
    if (FAILED(hr) && SUCCEEDED(result)) result = hr;
  }
  return result;
}

void DirectChain::Disconnect() {
  for (IBaseFilter* filter : {source.get(), effects.get(), sink.get()}) {
    if (!filter) continue;
    ComPtr<IEnumPins> pins;
    if (FAILED(filter->EnumPins(pins.put()))) continue;
    ComPtr<IPin> pin;
    while (pins->Next(1, pin.put(), nullptr) == S_OK) pin->Disconnect();
  }
}

DirectChain::~DirectChain() {
  if (!effects) return;
  Stop();
  Disconnect();
}

ComPtr<IPin> DirectChain::EffectsInput() const { return FindPinByDirection(effects.get(), PINDIR_INPUT); }

// ------------------------------------------------------------------- graph

ComPtr<IPin> FindPinByDirection(IBaseFilter* filter, PIN_DIRECTION direction) {
  ComPtr<IEnumPins> pins;
  if (FAILED(filter->EnumPins(pins.put()))) return {};
  for (;;) {
    ComPtr<IPin> pin;
    if (pins->Next(1, pin.put(), nullptr) != S_OK) return {};
    PIN_DIRECTION d;
    if (SUCCEEDED(pin->QueryDirection(&d)) && d == direction) return pin;
  }
}

HRESULT EffectsGraph::Build(const std::wstring& file, IBaseFilter* effectsFilter, IBaseFilter* downstream) {
  HRESULT hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder, graph.put_void());
  if (FAILED(hr)) return hr;
  graph.query(IID_IMediaControl, control);
  graph.query(IID_IMediaEventEx, events);
  graph.query(IID_IMediaSeeking, seeking);
  effects = ComPtr<IBaseFilter>(effectsFilter);
  sinkFilter = nullptr;
  sink = ComPtr<IBaseFilter>(downstream);
  ComPtr<IBaseFilter> source;
  hr = graph->AddSourceFilter(file.c_str(), L"Source", source.put());
  if (FAILED(hr)) return hr;
  hr = graph->AddFilter(effectsFilter, L"Video Effects");
  if (FAILED(hr)) return hr;
  hr = graph->AddFilter(downstream, L"Sink");
  if (FAILED(hr)) return hr;
  ComPtr<IPin> sourceOut = FindPinByDirection(source.get(), PINDIR_OUTPUT);
  ComPtr<IPin> effectsIn = FindPinByDirection(effectsFilter, PINDIR_INPUT);
  ComPtr<IPin> effectsOut = FindPinByDirection(effectsFilter, PINDIR_OUTPUT);
  ComPtr<IPin> sinkIn = FindPinByDirection(downstream, PINDIR_INPUT);
  if (!sourceOut || !effectsIn || !effectsOut || !sinkIn) return E_FAIL;
  // The graph puts the AVI splitter between the file and the filter.
  hr = graph->Connect(sourceOut.get(), effectsIn.get());
  if (FAILED(hr)) return hr;
  return graph->Connect(effectsOut.get(), sinkIn.get());
}

long EffectsGraph::RunToCompletion(DWORD timeoutMs) {
  if (FAILED(control->Run())) return 0;
  if (sinkFilter && !sinkFilter->WaitForEnd(timeoutMs)) return 0;
  long code = 0;
  // Wine's completion signal can be left over from an earlier run, hence
  // the sink's own end-of-stream wait above.
  if (events->WaitForCompletion(static_cast<long>(timeoutMs), &code) != S_OK) return 0;
  return code;
}

void EffectsGraph::Stop() {
  if (control) control->Stop();
}

}  // namespace effects::testing
