// helper::ApService: the helper's access point: writes hostapd's configuration into the state
// folder, starts hostapd on it and stops it again. Like sharing, every hostapd is recorded
// before it starts ("hostapd PID:CONFIG", "hostapd 0:CONFIG" while its pid is not yet known), so
// UndoAll also ends the hostapd of an earlier helper that died, but only a process whose command
// line names our configuration file: a pid reused by another program is never touched.
//
// Thread affinity: one thread (the AccessPoint inside has its own reader thread, the only one
// that reaps hostapd). Ownership: borrows the Record, which must outlive it; owns the running
// AccessPoint. Failure: Start answers "error ..." and leaves nothing running or recorded; undo
// steps that fail stay in the record for the next start.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "helper/ap/access_point.h"
#include "helper/record.h"
#include "helper/request.h"

namespace helper {

class ApService {
 public:
  static constexpr char kDefaultProgram[] = "/usr/sbin/hostapd";

  // `program` is hostapd's absolute path.
  ApService(Record* record, std::string program);
  ~ApService();
  ApService(const ApService&) = delete;
  ApService& operator=(const ApService&) = delete;

  // One answer line without its newline: "ok" or "error NAME ...".
  std::string Start(const ApRequest& request);
  // "ok" also when none runs.
  std::string Stop();
  // Stops the running access point and every recorded one; true when none is left recorded.
  bool UndoAll();
  // Whether `entry` is an access point's.
  static bool Owns(const RecordEntry& entry);

  std::filesystem::path config_path() const { return record_->folder() / "hostapd.conf"; }

 private:
  bool Undo(const RecordEntry& entry);

  Record* record_;
  std::string program_;
  std::unique_ptr<ap::AccessPoint> running_;
};

// `why` made fit for one answer line after "error failed ": newlines become "; ", other control
// bytes spaces, bytes that are not UTF-8 "?"; the oldest lines are dropped (then the end cut at a
// character boundary) to keep it within `limit` bytes.
std::string OneAnswerLine(const std::string& why, std::size_t limit);

}  // namespace helper
