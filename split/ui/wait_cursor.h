// wait_cursor.h - the busy cursor for the length of a command.
#pragma once

#include <QApplication>
#include <QCursor>

class WaitCursor {
 public:
  WaitCursor() { QApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
  ~WaitCursor() { QApplication::restoreOverrideCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

/// The ordinary arrow over a message box that a busy command shows.
class ArrowCursor {
 public:
  ArrowCursor() { QApplication::setOverrideCursor(QCursor(Qt::ArrowCursor)); }
  ~ArrowCursor() { QApplication::restoreOverrideCursor(); }
  ArrowCursor(const ArrowCursor&) = delete;
  ArrowCursor& operator=(const ArrowCursor&) = delete;
};
