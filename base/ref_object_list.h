// CRefObjectList: a list of CRefObject-derived records that holds one reference per entry
// and releases every entry when it is emptied or destroyed.
//
// Not thread-safe: the owner guards it with its own lock.
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

#include "base/ref_object.h"

template <class T>
class CRefObjectList {
 public:
  CRefObjectList() = default;
  CRefObjectList(const CRefObjectList&) = delete;
  CRefObjectList& operator=(const CRefObjectList&) = delete;
  CRefObjectList(CRefObjectList&& other) noexcept : items_(std::move(other.items_)) {
    other.items_.clear();
  }
  CRefObjectList& operator=(CRefObjectList&& other) noexcept {
    if (this != &other) {
      RemoveAll();
      items_ = std::move(other.items_);
      other.items_.clear();
    }
    return *this;
  }
  ~CRefObjectList() { RemoveAll(); }

  // Takes over the caller's reference.
  void AddTail(T* item) { items_.push_back(item); }
  // Adds a reference of the list's own; false when the record was already dying.
  bool AddShared(T* item) {
    if (!item || item->AddRef() == 0)
      return false;
    items_.push_back(item);
    return true;
  }
  // Removes the entry and releases the list's reference.
  void RemoveAt(size_t index) {
    T* item = items_[index];
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
    item->Release();
  }
  // Removes the entry and hands its reference to the caller.
  T* DetachAt(size_t index) {
    T* item = items_[index];
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
    return item;
  }
  void RemoveAll() {
    std::vector<T*> items;
    items.swap(items_);
    for (T* item : items)
      item->Release();
  }

  size_t GetCount() const { return items_.size(); }
  bool IsEmpty() const { return items_.empty(); }
  T* GetAt(size_t index) const { return items_[index]; }
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

 private:
  std::vector<T*> items_;
};
