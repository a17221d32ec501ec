#include "app/perf_probe.h"

#include <QDateTime>
#include <QEvent>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "app/tavlo.h"

namespace app {

namespace {

constexpr int kHeartbeatMs = 1;

qint64 ThreadCpuNs() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<qint64>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

bool OwnVisible(DuiLib::CPaintManagerUI& pm, const char16_t* name) {
  DuiLib::CControlUI* control = pm.FindControl(name);
  return control && control->IsOwnVisible();
}

}  // namespace

std::unique_ptr<PerfProbe> PerfProbe::FromEnvironment(CTavlo* window) {
  const char* path = std::getenv("TAVLO_PERF_LOG");
  if (!path || !*path)
    return nullptr;
  auto log = std::make_unique<QFile>(QString::fromLocal8Bit(path));
  if (!log->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
    return nullptr;
  return std::make_unique<PerfProbe>(window, std::move(log));
}

PerfProbe::PerfProbe(CTavlo* window, std::unique_ptr<QFile> log)
    : window_(window), log_(std::move(log)) {
  if (QWidget* widget = DuiLib::WidgetFromHwnd(window_->GetHWND()))
    widget->installEventFilter(this);
  clock_.start();
  last_beat_ns_ = clock_.nsecsElapsed();
  last_cpu_ns_ = ThreadCpuNs();
  heartbeat_.setTimerType(Qt::PreciseTimer);
  QObject::connect(&heartbeat_, &QTimer::timeout, this, [this] { Beat(); });
  heartbeat_.start(kHeartbeatMs);
}

bool PerfProbe::eventFilter(QObject*, QEvent* event) {
  if (event->type() == QEvent::MouseButtonPress) {
    Write("press");
  } else if (event->type() == QEvent::Paint && !paint_pending_) {
    // The paint and the flush to the screen both happen before the next pass of the loop.
    paint_pending_ = true;
    QTimer::singleShot(0, this, [this] { AfterPaint(); });
  }
  return false;
}

void PerfProbe::AfterPaint() {
  paint_pending_ = false;
  if (!painted_) {
    painted_ = true;
    Write("first_paint");
  }
  Write("paint");
}

void PerfProbe::Beat() {
  const qint64 now = clock_.nsecsElapsed();
  const qint64 cpu = ThreadCpuNs();
  const qint64 gap_us = (now - last_beat_ns_) / 1000;
  const qint64 cpu_us = (cpu - last_cpu_ns_) / 1000;
  last_beat_ns_ = now;
  last_cpu_ns_ = cpu;
  if (gap_us >= kStallLogUs) {
    char line[96];
    std::snprintf(line, sizeof line, "stall %lld %lld %lld\n",
                  static_cast<long long>(QDateTime::currentMSecsSinceEpoch()),
                  static_cast<long long>(gap_us), static_cast<long long>(cpu_us));
    log_->write(line);
  }

  if (!DuiLib::IsWindow(window_->GetHWND()))
    return;
  DuiLib::CPaintManagerUI& pm = window_->GetPaintManager();
  const int state = (OwnVisible(pm, u"Btn_Run") ? 4 : 0) | (OwnVisible(pm, u"Btn_Close") ? 2 : 0) |
                    (OwnVisible(pm, u"Static_init") ? 1 : 0);
  if (state != last_state_) {
    last_state_ = state;
    char line[64];
    std::snprintf(line, sizeof line, "state %lld %d %d %d\n",
                  static_cast<long long>(QDateTime::currentMSecsSinceEpoch()), (state >> 2) & 1,
                  (state >> 1) & 1, state & 1);
    log_->write(line);
  }
}

void PerfProbe::Write(const char* event, qint64 value) {
  char line[96];
  const long long now = QDateTime::currentMSecsSinceEpoch();
  if (value >= 0)
    std::snprintf(line, sizeof line, "%s %lld %lld\n", event, now, static_cast<long long>(value));
  else
    std::snprintf(line, sizeof line, "%s %lld\n", event, now);
  log_->write(line);
}

}  // namespace app
