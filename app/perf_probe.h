// PerfProbe: timing hooks for measuring the real program, on only when the environment
// variable TAVLO_PERF_LOG names a file. It appends one line per event, times in wall-clock
// milliseconds since the epoch (comparable with `date +%s%3N`):
//   first_paint T     the main window's first frame has been painted and flushed
//   press T           a mouse button went down on the main window
//   state T RUN CLOSE BUSY   the visibility of "Btn_Run", "Btn_Close", "Static_init" changed
//   paint T           a frame of the main window was painted and flushed
//   stall T GAP_US CPU_US   the UI thread's 1 ms heartbeat came GAP_US microseconds after the
//                     last one (logged from kStallLogUs); CPU_US is the CPU time the thread
//                     used in between, so a gap with little CPU was the scheduler's, not ours
// The heartbeat itself costs CPU, so idle figures are taken without the probe.
//
// Thread affinity: UI thread. Ownership: the window is watched, not owned, and must outlive
// the probe. Failure: a file that cannot be opened leaves the probe off.
#pragma once

#include <QElapsedTimer>
#include <QFile>
#include <QObject>
#include <QTimer>
#include <memory>

namespace app {

class CTavlo;

class PerfProbe final : public QObject {
 public:
  static constexpr qint64 kStallLogUs = 2000;

  // Null unless TAVLO_PERF_LOG names a file that can be written.
  static std::unique_ptr<PerfProbe> FromEnvironment(CTavlo* window);

  PerfProbe(CTavlo* window, std::unique_ptr<QFile> log);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Beat();
  void Write(const char* event, qint64 value = -1);
  void AfterPaint();

  CTavlo* window_;
  std::unique_ptr<QFile> log_;
  QTimer heartbeat_;
  QElapsedTimer clock_;
  qint64 last_beat_ns_ = 0;
  qint64 last_cpu_ns_ = 0;
  int last_state_ = -1;
  bool painted_ = false;
  bool paint_pending_ = false;
};

}  // namespace app
