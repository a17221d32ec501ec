#include "base/ref_object.h"

LONG CRefObject::AddRef() {
  LONG current = count_.load(std::memory_order_relaxed);
  while (current != 0) {
    if (count_.compare_exchange_weak(current, current + 1, std::memory_order_acq_rel,
                                     std::memory_order_relaxed))
      return current + 1;
  }
  return 0;
}

LONG CRefObject::Release() {
  LONG now = count_.fetch_sub(1, std::memory_order_acq_rel) - 1;
  if (now == 0)
    delete this;
  return now;
}
