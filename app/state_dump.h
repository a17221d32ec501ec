// StateDump: writes what the main window shows to a text file whenever it changes, so that
// scripts and end-to-end tests can observe a running program without a screen reader. Enabled
// only by the environment variable TAVLO_STATE_DUMP (the file's path); it reads, never changes.
// Beside the text it saves the window's picture as "<path>.png", except in a measurement run
// (TAVLO_PERF_LOG set), where encoding pictures on the UI thread would distort the figures.
//
// Thread affinity: UI thread. Ownership: the window is not owned and must outlive the dump.
// Failure: a file that cannot be written is skipped silently and tried again at the next change.
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <memory>

namespace app {

class CTavlo;

class StateDump final : public QObject {
 public:
  // Null unless TAVLO_STATE_DUMP names a file.
  static std::unique_ptr<StateDump> FromEnvironment(CTavlo* window);

  StateDump(CTavlo* window, QString path, bool pictures = true);

  // One "key=value" line per fact, in a fixed order. The device rows are one line,
  // "rows=NUMBER|MAC|NAME|ADDRESS,..." with \\, \| and \, inside a cell.
  static QString Describe(CTavlo& window);

 private:
  // Open popup menus: their rectangles and where their items are.
  static void DescribeMenus(QString* out);

  void Poll();

  CTavlo* window_;
  const QString path_;
  const bool pictures_;
  QString last_;
  QTimer timer_;
};

}  // namespace app
