// CRefObject: the intrusive, thread-safe reference count of the records that cross threads
// (stations, devices, notifications, connection snapshots).
//
// The count starts at 1: whoever constructs a record owns that first reference. AddRef only
// succeeds while the count is non-zero, so a record that is being destroyed cannot be revived
// by another thread. Release destroys the record through its virtual destructor at zero.
// Both are safe to call from any thread.
#pragma once

#include <atomic>
#include <utility>

#include "base/win_types.h"

class CRefObject {
 public:
  CRefObject() = default;
  CRefObject(const CRefObject&) = delete;
  CRefObject& operator=(const CRefObject&) = delete;

  // Returns the new count, or 0 when the count was already zero (nothing was added).
  LONG AddRef();
  // Returns the new count; at 0 the object has been deleted and must not be touched.
  LONG Release();
  // For tests and diagnostics only: the count can change as soon as it is read.
  LONG RefCount() const { return count_.load(std::memory_order_acquire); }

 protected:
  virtual ~CRefObject() = default;

 private:
  std::atomic<LONG> count_{1};
};

namespace base {

// Owns one reference to a CRefObject-derived record; copies add a reference.
template <class T>
class RefPtr {
 public:
  RefPtr() = default;
  // Takes over a reference the caller already owns (for example a freshly constructed record).
  static RefPtr Adopt(T* object) {
    RefPtr p;
    p.object_ = object;
    return p;
  }
  // Adds a reference of its own; holds nothing when the record is already dying.
  static RefPtr Share(T* object) {
    RefPtr p;
    if (object && object->AddRef() != 0)
      p.object_ = object;
    return p;
  }
  RefPtr(const RefPtr& other) : object_(other.object_) {
    if (object_)
      object_->AddRef();
  }
  RefPtr(RefPtr&& other) noexcept : object_(other.object_) { other.object_ = nullptr; }
  RefPtr& operator=(RefPtr other) noexcept {
    std::swap(object_, other.object_);
    return *this;
  }
  ~RefPtr() { reset(); }

  void reset() {
    if (object_)
      std::exchange(object_, nullptr)->Release();
  }
  // Hands the reference to the caller.
  T* Detach() { return std::exchange(object_, nullptr); }
  T* get() const { return object_; }
  T* operator->() const { return object_; }
  T& operator*() const { return *object_; }
  explicit operator bool() const { return object_ != nullptr; }

 private:
  T* object_ = nullptr;
};

}  // namespace base
