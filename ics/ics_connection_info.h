// CIcsConnectionInfo: an immutable snapshot of one connection-table entry for code outside the
// sharing manager: GUID, names and the five sharing flags.
//
// Reference-counted (CRefObject); safe to read and release from any thread.
#pragma once

#include <string>

#include "base/guid.h"
#include "base/ref_object.h"

namespace ics {

class CIcsConnection;

class CIcsConnectionInfo : public CRefObject {
 public:
  // Copies the entry; throws std::bad_alloc when the texts cannot be copied.
  explicit CIcsConnectionInfo(const CIcsConnection& connection);

  const GUID& guid() const { return guid_; }
  const std::u16string& name() const { return name_; }
  const std::u16string& device_name() const { return device_name_; }
  bool enabled() const { return enabled_; }
  bool is_public() const { return public_; }
  bool is_private() const { return private_; }
  bool sharable() const { return sharable_; }
  bool connected() const { return connected_; }

 protected:
  ~CIcsConnectionInfo() override;

 private:
  const GUID guid_;
  const std::u16string name_;
  const std::u16string device_name_;
  const bool enabled_;
  const bool public_;
  const bool private_;
  const bool sharable_;
  const bool connected_;
};

}  // namespace ics
