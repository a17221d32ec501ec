// helper::Record: the file that lists every change tavlo-helper has made to the system and not
// yet undone. A change is written (and synced) BEFORE it is made and removed once undone, so a
// helper that died in between leaves enough behind for the next start to clean up. Undoing a
// change that was recorded but never made must therefore be harmless.
//
// One line per change: "KIND VALUE" (e.g. "addr eth1", "forward 0", "nft tavlo",
// "dnsmasq 1234"). The folder is 0700, the file 0600.
//
// Thread affinity: one thread. Ownership: owns nothing but the path. Failure: Open/Add/Remove
// return false with errno-style text in error(); the file is never left half-written (Remove
// replaces it atomically).
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace helper {

struct RecordEntry {
  std::string kind;
  std::string value;
  bool operator==(const RecordEntry&) const = default;
};

class Record {
 public:
  static constexpr char kDefaultFolder[] = "/run/tavlo-helper";

  explicit Record(std::filesystem::path folder);

  // Makes the folder (0700) when missing and tightens an existing one.
  bool Open();
  // In the order they were added; malformed lines are skipped.
  std::vector<RecordEntry> Entries() const;
  bool Add(const RecordEntry& entry);
  // Removes the first entry equal to `entry`; true also when there was none.
  bool Remove(const RecordEntry& entry);
  // Removes the file once every change is undone.
  void Clear();

  const std::filesystem::path& folder() const { return folder_; }
  std::filesystem::path file() const { return folder_ / "record"; }
  const std::string& error() const { return error_; }

 private:
  bool WriteAll(const std::vector<RecordEntry>& entries);

  std::filesystem::path folder_;
  std::string error_;
};

}  // namespace helper
