// CWlanDevice: a station as the user interface shows it, with its MAC address as text.
//
// Thread affinity: immutable after construction; the reference count may change on any thread.
// Ownership: reference-counted (CRefObject); the creator owns the first reference.
#pragma once

#include <string>

#include "base/ref_object.h"
#include "base/win_types.h"

class CWlanDevice final : public CRefObject {
 public:
  explicit CWlanDevice(const BYTE (&mac)[6]);

  const BYTE (&mac() const)[6] { return mac_; }
  // "00-1A-2B-3C-4D-5E": bytes 0 to 5, upper-case hexadecimal, hyphens between them.
  const std::u16string& mac_text() const { return mac_text_; }
  // Two devices are the same device when all six address bytes are equal.
  bool SameDevice(const CWlanDevice& other) const;

 private:
  ~CWlanDevice() override = default;

  BYTE mac_[6];
  std::u16string mac_text_;
};
