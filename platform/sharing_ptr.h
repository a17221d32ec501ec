// ComPtr: holds one reference to an IUnknown-derived interface and releases it on destruction.
//
// Not thread-safe itself; the object it points to may be.
#pragma once

#include <utility>

#include "platform/sharing_types.h"

namespace platform {

template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(std::nullptr_t) {}
  // Adds a reference of its own.
  explicit ComPtr(T* object) : object_(object) {
    if (object_)
      object_->AddRef();
  }
  ComPtr(const ComPtr& other) : ComPtr(other.object_) {}
  ComPtr(ComPtr&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  ComPtr& operator=(ComPtr other) noexcept {
    std::swap(object_, other.object_);
    return *this;
  }
  ~ComPtr() { reset(); }

  // Takes over a reference the caller already owns.
  static ComPtr Adopt(T* object) {
    ComPtr p;
    p.object_ = object;
    return p;
  }

  void reset() {
    if (object_)
      std::exchange(object_, nullptr)->Release();
  }
  // Releases what is held and returns the slot for a getter to fill with a new reference.
  T** Receive() {
    reset();
    return &object_;
  }
  T* Detach() { return std::exchange(object_, nullptr); }
  T* get() const { return object_; }
  T* operator->() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }

 private:
  T* object_ = nullptr;
};

// QueryInterface into a ComPtr of the wanted type; a null source answers E_POINTER.
template <class T>
HRESULT QueryInto(IUnknown* source, REFIID iid, ComPtr<T>* target) {
  if (!source)
    return E_POINTER;
  void* object = nullptr;
  HRESULT hr = source->QueryInterface(iid, &object);
  if (SUCCEEDED(hr))
    *target = ComPtr<T>::Adopt(static_cast<T*>(object));
  return hr;
}

}  // namespace platform
