#include "support_qt/qt_input.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QTest>
#include <QTimer>

namespace testing_qt {

namespace {

constexpr int kRecheckMs = 5;

}  // namespace

void Click(QWidget* w, QPoint pos, Qt::MouseButton button) {
  QTest::mouseClick(w, button, Qt::NoModifier, pos);
}

void DoubleClick(QWidget* w, QPoint pos) {
  QTest::mouseDClick(w, Qt::LeftButton, Qt::NoModifier, pos);
}

void Press(QWidget* w, QPoint pos, Qt::MouseButton button) {
  QTest::mousePress(w, button, Qt::NoModifier, pos);
}

void Release(QWidget* w, QPoint pos, Qt::MouseButton button) {
  QTest::mouseRelease(w, button, Qt::NoModifier, pos);
}

void MoveMouse(QWidget* w, QPoint pos) {
  QTest::mouseMove(w, pos);
}

void Key(QWidget* w, Qt::Key key, Qt::KeyboardModifiers mods) {
  QTest::keyClick(w, key, mods);
}

void Type(QWidget* w, const QString& text) {
  QTest::keyClicks(w, text);
}

bool WaitUntil(const std::function<bool()>& done, int timeout_ms) {
  const QDeadlineTimer deadline(timeout_ms);
  // Wakes the loop now and then: a condition that another thread changes comes with no event.
  QTimer recheck;
  recheck.start(kRecheckMs);
  while (!done()) {
    if (deadline.hasExpired())
      return done();
    QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  return true;
}

void Pump() {
  for (int i = 0; i < 3; ++i) {
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
}

}  // namespace testing_qt
