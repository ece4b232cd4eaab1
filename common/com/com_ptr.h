// A small owning pointer for COM interfaces: one reference per ComPtr,
// released when the ComPtr goes away.
#pragma once

#include <objbase.h>

#include <utility>

namespace zelvo::com {

template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(std::nullptr_t) {}
  // Takes a new reference to p.
  explicit ComPtr(T* p) : p_(p) {
    if (p_) p_->AddRef();
  }
  ComPtr(const ComPtr& other) : ComPtr(other.p_) {}
  ComPtr(ComPtr&& other) noexcept : p_(other.p_) { other.p_ = nullptr; }
  ~ComPtr() { reset(); }

  ComPtr& operator=(const ComPtr& other) {
    T* incoming = other.p_;  // read first: other may be *this
    if (incoming) incoming->AddRef();
    reset();
    p_ = incoming;
    return *this;
  }
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) {
      reset();
      p_ = other.p_;
      other.p_ = nullptr;
    }
    return *this;
  }
  ComPtr& operator=(std::nullptr_t) {
    reset();
    return *this;
  }

  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }

  // For out-parameters: drops the current reference and hands out the slot.
  T** put() {
    reset();
    return &p_;
  }
  void** put_void() { return reinterpret_cast<void**>(put()); }

  void reset() {
    if (p_) {
      T* old = p_;
      p_ = nullptr;
      old->Release();
    }
  }
  // Takes over a reference the caller already owns.
  void attach(T* p) {
    reset();
    p_ = p;
  }
  // Gives the reference to the caller.
  T* detach() {
    T* p = p_;
    p_ = nullptr;
    return p;
  }
  // Hands out a new reference (for an out-parameter of the caller's own).
  HRESULT copy_to(T** out) const {
    if (!out) return E_POINTER;
    *out = p_;
    if (p_) p_->AddRef();
    return S_OK;
  }

  template <class U>
  HRESULT query(REFIID iid, ComPtr<U>& out) const {
    if (!p_) return E_POINTER;
    return p_->QueryInterface(iid, out.put_void());
  }
  template <class U>
  HRESULT query(ComPtr<U>& out) const {
    return query(__uuidof(U), out);
  }

 private:
  T* p_ = nullptr;
};

template <class T>
bool operator==(const ComPtr<T>& a, const T* b) {
  return a.get() == b;
}
template <class T>
bool operator!=(const ComPtr<T>& a, const T* b) {
  return a.get() != b;
}

}  // namespace zelvo::com
