// platform::OuiTable: the makers' address blocks (MA-L, 24-bit prefixes) from a CSV file in
// the layout of the IEEE registry that Debian's ieee-data ships as
// /usr/share/ieee-data/oui.csv: "Registry,Assignment,Organization Name,Organization Address",
// fields quoted where they hold commas or quotes.
//
// Thread affinity: a built table is immutable; Lookup and MakerOf may be called from any
// thread. Shared() loads the system's file once, on first use, whichever thread asks first.
// Ownership: Shared()'s table lives until the process ends.
// Failure: a file that is missing, unreadable, too large or without the registry's header
// gives an empty table; a record that is malformed (no six-digit assignment, a name that is
// not UTF-8, an unterminated quote at the end) is skipped and the rest kept. Nothing throws.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/device_makers.h"

namespace platform {

class OuiTable final : public DeviceMakers {
 public:
  static constexpr char kSystemPath[] = "/usr/share/ieee-data/oui.csv";
  // Larger files are not the registry (today's is 3 MB).
  static constexpr std::uintmax_t kMaxFileBytes = 64u << 20;

  OuiTable() = default;
  static OuiTable Load(const std::filesystem::path& path);
  static OuiTable Parse(std::string_view csv);
  // kSystemPath, loaded on first use.
  static const OuiTable& Shared();

  // The maker of the block that `mac` belongs to; nullopt when unknown or when the address is
  // locally administered or a group address. The view lives as long as the table.
  std::optional<std::string_view> Lookup(const std::array<uint8_t, 6>& mac) const;
  std::string MakerOf(const std::array<uint8_t, 6>& mac) const override;

  size_t size() const { return entries_.size(); }
  // Bytes the table holds on the heap.
  size_t MemoryBytes() const;

 private:
  class Builder;

  struct Entry {
    uint32_t prefix;  // the first three bytes, big-endian
    uint32_t offset;  // into names_
    uint32_t length;
  };

  std::vector<Entry> entries_;  // sorted by prefix, unique
  std::string names_;
};

}  // namespace platform
