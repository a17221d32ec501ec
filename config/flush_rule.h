// When a save forces the settings file to disk.
//
// The first save in the life of the process records the tick count; a save flushes once more
// than 60 s have passed since then. Saves in the first minute after start-up therefore cost
// no disk flush, and every later save flushes.
//
// Thread affinity: any thread. OnSave() may run on several threads at once; the first tick is
// recorded exactly once.
// Ownership: the rule does not own its tick source, which must outlive it.
#pragma once

#include <cstdint>
#include <mutex>

namespace config {

// Milliseconds since some fixed point, wrapping at 2^32 like the system tick count.
class ITickSource {
 public:
  virtual ~ITickSource() = default;
  virtual std::uint32_t GetTickCount() = 0;
};

// The monotonic clock of the system.
class CSystemTickSource : public ITickSource {
 public:
  std::uint32_t GetTickCount() override;
};

class CFlushRule {
 public:
  static constexpr std::uint32_t kQuietPeriodMs = 60000;

  explicit CFlushRule(ITickSource* ticks) : ticks_(ticks) {}
  CFlushRule(const CFlushRule&) = delete;
  CFlushRule& operator=(const CFlushRule&) = delete;

  // Called by every save; true when this save must flush.
  bool OnSave();

  // The rule of this process, on the system tick source; shared by every store that is not
  // given its own.
  static CFlushRule& ForProcess();

 private:
  ITickSource* ticks_;  // not owned
  std::once_flag first_save_;
  std::uint32_t first_tick_ = 0;
};

}  // namespace config
