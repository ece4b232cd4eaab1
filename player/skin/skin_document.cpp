#include "player/skin/skin_document.h"

#include <commctrl.h>
#include <ole2.h>
#include <oleauto.h>

#include <algorithm>
#include <climits>
#include <cwchar>
#include <string>

#include "player/messages.h"
#include "player/skin/command_names.h"

namespace skin {
namespace {

// The MSXML 3.0 DOM document class and its interface (the import libraries
// do not define them).
const CLSID kClsidDomDocument30 = {0xF6D90F11, 0x9C73, 0x11D3, {0xB3, 0x2E, 0x00, 0xC0, 0x4F, 0x99, 0x0B, 0xB4}};
const IID kIidXmlDomDocument = {0x2933BF81, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};

// Holds one interface pointer and releases it.
template <typename T>
class Com {
 public:
  Com() = default;
  Com(const Com&) = delete;
  Com& operator=(const Com&) = delete;
  ~Com() { Reset(); }
  void Reset() {
    if (p_) p_->Release();
    p_ = nullptr;
  }
  T** Out() {
    Reset();
    return &p_;
  }
  T* operator->() const { return p_; }
  T* get() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }

 private:
  T* p_ = nullptr;
};

class Bstr {
 public:
  explicit Bstr(const wchar_t* text) : b_(SysAllocString(text)) {}
  Bstr() = default;
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  ~Bstr() { SysFreeString(b_); }
  BSTR get() const { return b_; }
  BSTR* Out() {
    SysFreeString(b_);
    b_ = nullptr;
    return &b_;
  }

 private:
  BSTR b_ = nullptr;
};

std::wstring Widen(const char* text) {
  if (!text || !*text) return std::wstring();
  const int chars = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  if (chars <= 0) return std::wstring();
  std::wstring wide(static_cast<size_t>(chars), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text, -1, &wide[0], chars);
  wide.resize(static_cast<size_t>(chars - 1));
  return wide;
}

std::string Narrow(const std::wstring& text) {
  if (text.empty()) return std::string();
  const int length = static_cast<int>(std::min<size_t>(text.size(), INT_MAX / 4));
  const int bytes = WideCharToMultiByte(CP_ACP, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return std::string();
  std::string narrow(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.data(), length, &narrow[0], bytes, nullptr, nullptr);
  return narrow;
}

// An attribute's text; false when absent or unreadable (DOM failures are
// reported).
bool ReadAttribute(IXMLDOMNode* node, const wchar_t* attribute, std::wstring* text) {
  Com<IXMLDOMNamedNodeMap> attributes;
  HRESULT hr = node->get_attributes(attributes.Out());
  if (FAILED(hr)) {
    ShowMessage("FAILED(hr=0x%x) in DOMNodePtr->get_attributes(&DOMNamedNodeMapPtr)\n", static_cast<unsigned>(hr));
    return false;
  }
  if (!attributes) return false;
  Bstr name(attribute);
  Com<IXMLDOMNode> item;
  hr = attributes->getNamedItem(name.get(), item.Out());
  if (FAILED(hr)) {
    ShowMessage("FAILED(hr=0x%x) in DOMNamedNodeMapPtr->getNamedItem(MyStrNum.m_str,&DOMNodePtrA)\n",
                static_cast<unsigned>(hr));
    return false;
  }
  if (!item) return false;  // absent
  VARIANT value;
  VariantInit(&value);
  hr = item->get_nodeValue(&value);
  if (FAILED(hr)) {
    ShowMessage("FAILED(hr=0x%x) in DOMNodePtrA->get_nodeValue(Result)\n", static_cast<unsigned>(hr));
    return false;
  }
  bool ok = false;
  if (value.vt == VT_BSTR) {
    text->assign(value.bstrVal ? value.bstrVal : L"", value.bstrVal ? SysStringLen(value.bstrVal) : 0);
    ok = true;
  }
  VariantClear(&value);
  return ok;
}

bool HasAttribute(IXMLDOMNode* node, const wchar_t* attribute) {
  std::wstring ignored;
  return ReadAttribute(node, attribute, &ignored);
}

// The attribute as a 32-bit integer through the platform's locale-neutral
// variant conversion; false (value untouched) when absent or not a number.
// `report` shows the loader's message for that case.
bool ReadInteger(IXMLDOMNode* node, const wchar_t* attribute, int* value, bool report = false) {
  std::wstring text;
  HRESULT hr = E_FAIL;
  if (ReadAttribute(node, attribute, &text)) {
    VARIANT source, converted;
    VariantInit(&source);
    VariantInit(&converted);
    source.vt = VT_BSTR;
    source.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    hr = source.bstrVal ? VariantChangeTypeEx(&converted, &source, LOCALE_NEUTRAL, VARIANT_NOUSEROVERRIDE, VT_I4)
                        : E_OUTOFMEMORY;
    if (SUCCEEDED(hr)) *value = converted.lVal;
    VariantClear(&source);
    VariantClear(&converted);
    if (SUCCEEDED(hr)) return true;
  }
  if (report)
    ShowMessage("FAILED(hr=0x%x) in GetXMLAttributeEx( DOMNodePtr, Attribute, &VarResult,VT_I4)\n",
                static_cast<unsigned>(hr));
  return false;
}

struct BarBounds {
  int x = 0, y = 0, w = 0, h = 0;
};

// A position or scroll bar's four bounds (reported when absent), then its
// "Height" and "Width", which the bounds are applied against.
BarBounds ReadBarBounds(IXMLDOMNode* node, SkinElement* bar) {
  BarBounds b;
  ReadInteger(node, L"BoundsX", &b.x, true);
  ReadInteger(node, L"BoundsY", &b.y, true);
  ReadInteger(node, L"BoundsW", &b.w, true);
  ReadInteger(node, L"BoundsH", &b.h, true);
  ReadInteger(node, L"Height", &bar->height);
  ReadInteger(node, L"Width", &bar->width);
  return b;
}

int ReadCommand(IXMLDOMNode* node, const wchar_t* attribute) {
  std::wstring text;
  if (!ReadAttribute(node, attribute, &text)) return 0;
  // Command names are plain ASCII; anything else is no command.
  for (wchar_t c : text) {
    if (c == 0 || c > 0x7F) return 0;
  }
  return LookupCommandName(Narrow(text).c_str());
}

std::wstring NodeName(IXMLDOMNode* node) {
  Bstr name;
  if (FAILED(node->get_nodeName(name.Out())) || !name.get()) return std::wstring();
  return std::wstring(name.get(), SysStringLen(name.get()));
}

// Calls visit(child) for every child node named `name`, in document order.
template <typename Visit>
void ForEachChild(IXMLDOMNode* node, const wchar_t* name, Visit visit) {
  Com<IXMLDOMNodeList> list;
  HRESULT hr = node->get_childNodes(list.Out());
  if (FAILED(hr) || !list) {
    ShowMessage("FAILED(hr=0x%x) in DOMNodePtr->get_childNodes(&DOMNodeListPtr)\n", static_cast<unsigned>(hr));
    return;
  }
  long length = 0;
  hr = list->get_length(&length);
  if (FAILED(hr)) {
    ShowMessage("FAILED(hr=0x%x) in DOMNodeListPtr->get_length(&length)\n", static_cast<unsigned>(hr));
    return;
  }
  for (long i = 0; i < length; ++i) {
    Com<IXMLDOMNode> child;
    if (FAILED(list->get_item(i, child.Out())) || !child) continue;
    if (NodeName(child.get()) == name) visit(child.get());
  }
}

struct EventName {
  const wchar_t* name;
  UINT message;
};

const EventName kEvents[] = {
    {L"WM_LBUTTONDOWN", 0x201},   {L"WM_RBUTTONDOWN", 0x204},   {L"WM_MBUTTONDOWN", 0x207},
    {L"WM_LBUTTONDBLCLK", 0x203}, {L"WM_RBUTTONDBLCLK", 0x206}, {L"WM_MBUTTONDBLCLK", 0x209},
    {L"WM_MBUTTONCLICK", 0x40A},  {L"WM_RBUTTONCLICK", 0x40B},  {L"WM_LBUTTONCLICK", 0x40C},
    {L"WM_MOUSEHOVER", 0x2A1},    {L"WM_NCHITTEST", 0x84},      {L"WM_MOUSEMOVE", 0x200},
};

void AssignSprite(SkinDocument* document, SkinElement* element, IXMLDOMNode* bmp) {
  int slot = -1;
  if (!ReadInteger(bmp, L"Bitmap", &slot)) return;
  if (slot < 0 || slot >= kBitmapSlots || !document->bitmaps[slot]) return;
  int srcX = 0, srcY = 0, srcW = 0, srcH = 0, state = 0;
  ReadInteger(bmp, L"SrcX", &srcX);
  ReadInteger(bmp, L"SrcY", &srcY);
  ReadInteger(bmp, L"SrcW", &srcW);
  ReadInteger(bmp, L"SrcH", &srcH);
  ReadInteger(bmp, L"State", &state);
  element->SetSprite(state, document->bitmaps[slot], srcX, srcY, srcW, srcH, 0);
}

void AddMessageBinding(SkinDocument* document, SkinElement* element, IXMLDOMNode* message) {
  std::wstring capture;
  if (!ReadAttribute(message, L"Capture", &capture)) return;
  const UINT code = LookupEventName(capture.c_str());
  const int command = ReadCommand(message, L"Send");
  if (code && command) element->AddBinding(code, command, 0, document->commandCallback);
}

// Constructs the element class of a skin "Type" and reads its own
// attributes; null for a type the skin engine does not know.
SkinElement* ConstructElement(SkinDocument* document, IXMLDOMNode* node, const std::wstring& type,
                              const std::string& name, SkinElement* parent) {
  HINSTANCE instance = document->instance;
  CommandCallback handler = document->elementHandler;
  if (type == L"Main") {
    std::wstring title;
    ReadAttribute(node, L"Title", &title);
    return new SkinElement(1, document->mainHandler, name.c_str(), instance, parent, Narrow(title).c_str());
  }
  if (type == L"Button") return new SkinButton(handler, name.c_str(), instance, parent);
  if (type == L"Zone") return new SkinElement(1, handler, name.c_str(), instance, parent, nullptr);
  if (type == L"FileListZone") {
    auto* zone = new SkinElement(1, handler, name.c_str(), instance, parent, nullptr);
    zone->fillBackground = 1;
    zone->fillBrush = document->playlistStyle ? document->playlistStyle->normalBackground : nullptr;
    return zone;
  }
  if (type == L"ResizeZone") return new SkinResizeZone(handler, name.c_str(), instance, parent);
  if (type == L"List") {
    auto* list = new SkinList(handler, name.c_str(), instance, parent);
    list->notifier.Init(document->commandCallback, ReadCommand(node, L"Message"), nullptr);
    list->upCommand = ReadCommand(node, L"UpMessage");
    list->downCommand = ReadCommand(node, L"DownMessage");
    list->scrollCommand = ReadCommand(node, L"ScrollMessage");
    list->playItemCommand = ReadCommand(node, L"PlayItemMessage");
    list->SetPlaylist(document->playlist);
    list->SetStyle(document->playlistStyle);
    return list;
  }
  if (type == L"Text") return new SkinText(handler, name.c_str(), instance, parent);
  if (type == L"Number") {
    auto* number = new SkinNumber(handler, name.c_str(), instance, parent);
    number->SetCacheCommand(ReadCommand(node, L"CacheMessage"));
    int stepX = 0, stepY = 0;
    ReadInteger(node, L"SpriteDX", &stepX, true);
    ReadInteger(node, L"SpriteDY", &stepY, true);
    number->SetSpriteStep(stepX, stepY);
    return number;
  }
  if (type == L"PositionBar") {
    int states = 1;
    ReadInteger(node, L"NumberOfStates", &states, true);
    states = std::max(1, std::min(states, kMaxStates));
    auto* bar = new SkinPositionBar(states, handler, name.c_str(), instance, parent);
    const BarBounds b = ReadBarBounds(node, bar);
    bar->SetBounds(b.x, b.y, b.w, b.h);
    bar->notifier.Init(document->commandCallback, ReadCommand(node, L"Message"), nullptr);
    return bar;
  }
  if (type == L"ScrollBar") {
    auto* bar = new SkinScrollBar(handler, name.c_str(), instance, parent);
    const BarBounds b = ReadBarBounds(node, bar);
    bar->SetBounds(b.x, b.y, b.w, b.h);
    bar->notifier.Init(document->commandCallback, ReadCommand(node, L"Message"), nullptr);
    bar->finishCommand = ReadCommand(node, L"OnFinishMessage");
    bar->startCommand = ReadCommand(node, L"OnStartMessage");
    return bar;
  }
  return nullptr;
}

}  // namespace

UINT LookupEventName(const wchar_t* name) {
  if (!name) return 0;
  for (const EventName& event : kEvents) {
    if (std::wcscmp(event.name, name) == 0) return event.message;
  }
  return 0;
}

const wchar_t* EventNameOf(UINT message) {
  for (const EventName& event : kEvents) {
    if (event.message == message) return event.name;
  }
  return nullptr;
}

SkinDocument::~SkinDocument() {
  if (dom) dom->Release();
  for (HBITMAP& bitmap : bitmaps) {
    if (bitmap) DeleteObject(bitmap);
    bitmap = nullptr;
  }
  if (tooltipWindow) DestroyWindow(tooltipWindow);
}

HRESULT SkinDocument::CreateParser() {
  return CoCreateInstance(kClsidDomDocument30, nullptr, CLSCTX_INPROC_SERVER, kIidXmlDomDocument,
                          reinterpret_cast<void**>(&dom));
}

HRESULT SkinDocument::LoadDescription(const char* path) {
  // Synchronous, and no external entities: a description reads nothing but
  // itself.
  dom->put_async(VARIANT_FALSE);
  dom->put_resolveExternals(VARIANT_FALSE);
  dom->put_validateOnParse(VARIANT_FALSE);

  VARIANT source;
  VariantInit(&source);
  source.vt = VT_BSTR;
  source.bstrVal = SysAllocString(Widen(path).c_str());
  VARIANT_BOOL parsed = VARIANT_FALSE;
  HRESULT hr = source.bstrVal ? dom->load(source, &parsed) : E_OUTOFMEMORY;
  VariantClear(&source);
  if (FAILED(hr)) {
    ShowMessageText("File not found");
    return hr;
  }
  if (parsed != VARIANT_TRUE) {
    // The parser answers a missing file like a malformed one; tell them apart
    // so that neither is reported as success.
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      const DWORD error = GetLastError();
      ShowMessageText("File not found");
      return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
    }
    CloseHandle(file);
    ShowMessageText("Bad file format");
    return E_FAIL;
  }
  loaded = true;
  return S_OK;
}

HRESULT SkinDocument::LoadBitmaps(const char* folder) {
  Com<IXMLDOMNodeList> list;
  Bstr tag(L"Bitmap");
  HRESULT hr = dom->getElementsByTagName(tag.get(), list.Out());
  if (FAILED(hr) || !list) return FAILED(hr) ? hr : E_FAIL;
  long length = 0;
  hr = list->get_length(&length);
  if (FAILED(hr)) return hr;
  for (long i = 0; i < length; ++i) {
    Com<IXMLDOMNode> node;
    if (FAILED(list->get_item(i, node.Out())) || !node) continue;
    std::wstring name;
    ReadAttribute(node.get(), L"Name", &name);
    int number = 0;
    if (!ReadInteger(node.get(), L"Number", &number)) return E_FAIL;
    if (number < 0 || number >= kBitmapSlots || bitmaps[number]) continue;  // the first declaration wins
    const std::string path = std::string(folder ? folder : "") + Narrow(name);
    bitmaps[number] =
        static_cast<HBITMAP>(LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
    if (!bitmaps[number] && HasAttribute(node.get(), L"Critical")) {
      ShowMessageText("Skin bmp not found");
      return E_FAIL;
    }
  }
  return S_OK;
}

SkinElement* BuildElement(SkinDocument* document, IXMLDOMNode* node, SkinElement* parent, int depth) {
  if (depth > kMaxFormDepth) return nullptr;
  std::wstring type, wideName;
  if (!ReadAttribute(node, L"Type", &type) || !ReadAttribute(node, L"Name", &wideName)) return nullptr;
  // The name is also the window class name: it must fit and be usable.
  const std::string name = Narrow(wideName);
  if (name.empty() || name.size() > static_cast<size_t>(kMaxNameLength) || wideName.find(L'\0') != std::wstring::npos)
    return nullptr;

  SkinElement* element = ConstructElement(document, node, type, name, parent);
  if (!element) return nullptr;
  element->skinType = Narrow(type);
  element->RegisterWindowClass();

  ReadInteger(node, L"XCoord", &element->x);
  ReadInteger(node, L"YCoord", &element->y);
  ReadInteger(node, L"Height", &element->height);
  ReadInteger(node, L"Width", &element->width);
  ReadInteger(node, L"VAlign", &element->vAlign);
  ReadInteger(node, L"HAlign", &element->hAlign);
  ReadInteger(node, L"HScale", &element->hScale);
  ReadInteger(node, L"VScale", &element->vScale);
  ReadInteger(node, L"DHeight", &element->dHeight);
  ReadInteger(node, L"DWidth", &element->dWidth);
  // The steps divide sizes: a step below 1 means 1.
  element->dHeight = std::max(element->dHeight, 1);
  element->dWidth = std::max(element->dWidth, 1);
  ReadInteger(node, L"MinHeight", &element->minHeight);
  ReadInteger(node, L"MinWidth", &element->minWidth);
  element->showCommand = ReadCommand(node, L"ShowMessage");
  element->hideCommand = ReadCommand(node, L"HideMessage");
  element->SetCatchCommand(ReadCommand(node, L"CatchMessage"));
  if (HasAttribute(node, L"Dragable")) element->dragable = 0;
  const bool noParent = HasAttribute(node, L"NoParent");
  std::wstring tooltip;
  const bool hasTooltip = ReadAttribute(node, L"ToolTip", &tooltip);
  const bool onTop = HasAttribute(node, L"OnTop");

  const DWORD style = !parent || noParent ? WS_POPUP : WS_CHILD;
  if (!element->Create(style)) {
    delete element;  // also leaves the parent's child list
    return nullptr;
  }
  const HWND window = element->GetWindow();
  if (auto* bar = dynamic_cast<SkinPositionBar*>(element)) bar->notifier.SetWindow(window);
  if (auto* bar = dynamic_cast<SkinScrollBar*>(element)) bar->notifier.SetWindow(window);
  if (auto* list = dynamic_cast<SkinList*>(element)) list->notifier.SetWindow(window);

  if (hasTooltip && document->tooltipWindow) {
    const std::string text = Narrow(tooltip);
    TOOLINFOA tool = {};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS | TTF_TRANSPARENT;
    tool.hwnd = GetParent(window);
    tool.uId = reinterpret_cast<UINT_PTR>(window);
    tool.lpszText = const_cast<char*>(text.c_str());
    SendMessageA(document->tooltipWindow, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
  }
  if (onTop) SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);

  const std::weak_ptr<int> alive = element->LifeToken();
  ForEachChild(node, L"BMP", [&](IXMLDOMNode* child) { AssignSprite(document, element, child); });
  ForEachChild(node, L"Message", [&](IXMLDOMNode* child) { AddMessageBinding(document, element, child); });
  ForEachChild(node, L"Form", [&](IXMLDOMNode* child) { BuildElement(document, child, element, depth + 1); });
  if (alive.expired()) return nullptr;

  int hide = 0;
  ReadInteger(node, L"Hide", &hide);
  if (hide == 0) element->Show();
  return element;
}

SkinElement* FindForm(SkinDocument* document, const char* name) {
  if (!document || !document->dom || !name) return nullptr;
  Com<IXMLDOMNodeList> list;
  Bstr tag(L"Form");
  if (FAILED(document->dom->getElementsByTagName(tag.get(), list.Out())) || !list) return nullptr;
  long length = 0;
  if (FAILED(list->get_length(&length))) return nullptr;
  const std::wstring wanted = Widen(name);
  SkinElement* form = nullptr;
  for (long i = 0; i < length; ++i) {
    Com<IXMLDOMNode> node;
    if (FAILED(list->get_item(i, node.Out())) || !node) continue;
    std::wstring formName;
    if (!ReadAttribute(node.get(), L"Name", &formName) || formName != wanted) continue;
    SkinElement* built = BuildElement(document, node.get(), nullptr);
    if (!built) continue;
    // Only the last form of the name is kept; earlier ones would be
    // windows nobody owns.
    delete form;
    form = built;
  }
  return form;
}

}  // namespace skin
