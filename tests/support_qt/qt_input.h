// Real input for tests: events go through Qt's window-system path (QTest), so grabs, focus
// and double-click synthesis behave as for a user. UI thread only.
#pragma once

#include <QPoint>
#include <QWidget>
#include <functional>

namespace testing_qt {

// Clicks (press + release) the left or right button at a point in widget coordinates.
void Click(QWidget* w, QPoint pos, Qt::MouseButton button = Qt::LeftButton);
void DoubleClick(QWidget* w, QPoint pos);
void Press(QWidget* w, QPoint pos, Qt::MouseButton button = Qt::LeftButton);
void Release(QWidget* w, QPoint pos, Qt::MouseButton button = Qt::LeftButton);
void MoveMouse(QWidget* w, QPoint pos);
void Key(QWidget* w, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier);
void Type(QWidget* w, const QString& text);

// Runs the event loop until `done` answers true or `timeout_ms` passes; returns done(). The
// thread sleeps in the loop between checks: `done` is asked after events and every few ms.
bool WaitUntil(const std::function<bool()>& done, int timeout_ms = 2000);
// Processes pending events (posted messages, deferred deletes).
void Pump();

}  // namespace testing_qt
