// test::NetnsPair: two network namespaces of the test's own, "hotspot" and "phone", joined by a
// veth pair (ap0 with 10.42.0.1/24 in the first, ph0 with a fixed MAC in the second), and the
// processes started in them. Everything is removed when the object goes away, also after a
// failed assertion.
//
// Thread affinity: the test's thread. Ownership: owns the namespaces, processes and folder.
// Failure: MissingTools() names what keeps the test from running (not root, a missing tool);
// Make() returns false with error() when the namespaces cannot be made.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "support/scoped_temp_dir.h"

namespace test {

class NetnsPair {
 public:
  static constexpr char kApAddress[] = "10.42.0.1";
  static constexpr char kPhoneMac[] = "b6:77:92:36:40:db";

  // Empty when the test can run.
  static std::string MissingTools();

  NetnsPair();
  ~NetnsPair();
  NetnsPair(const NetnsPair&) = delete;
  NetnsPair& operator=(const NetnsPair&) = delete;

  bool Make();
  // Whether the namespaces themselves could be made (false: the system does not allow them).
  bool made_namespaces() const { return made_hotspot_ && made_phone_; }
  const std::string& error() const { return error_; }
  const std::string& hotspot() const { return hotspot_; }
  const std::string& phone() const { return phone_; }
  const ScopedTempDir& dir() const { return dir_; }

  // Runs `argv` to its end; true when it exited 0.
  bool Run(const std::vector<std::string>& argv);
  // Starts `argv` in the background; it is ended (SIGTERM, then SIGKILL) with the object.
  pid_t Spawn(const std::vector<std::string>& argv);

  // Moves the calling thread into the hotspot namespace until the object (or LeaveHotspot)
  // brings it back. Threads it starts meanwhile stay there.
  bool EnterHotspot();
  void LeaveHotspot();

 private:
  ScopedTempDir dir_;
  std::string hotspot_, phone_;
  bool made_hotspot_ = false, made_phone_ = false;
  std::vector<pid_t> children_;
  int home_ = -1;  // the thread's own namespace while it is in the hotspot's
  std::string error_;
};

}  // namespace test
