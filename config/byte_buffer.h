// A byte vector whose growth leaves new bytes uninitialised.
//
// Containers and payloads are overwritten right after they are sized (by read, inflate or
// deflate), so zero-filling them would be wasted work; for a header that claims a large
// container it would also touch memory that the data never reaches.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace config {

template <class T>
class DefaultInitAllocator : public std::allocator<T> {
 public:
  template <class U>
  struct rebind {
    using other = DefaultInitAllocator<U>;
  };
  using std::allocator<T>::allocator;

  template <class U>
  void construct(U* p) noexcept {
    ::new (static_cast<void*>(p)) U;
  }
  template <class U, class... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
};

using ByteBuffer = std::vector<std::uint8_t, DefaultInitAllocator<std::uint8_t>>;

}  // namespace config
