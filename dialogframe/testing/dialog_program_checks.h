// dialog_program_checks.h - what the tests of the file-pair dialog programs look at alike.
#pragma once

#include <QByteArray>
#include <QFileInfo>
#include <QString>
#include <QStringList>
#include <QTest>

class QAction;
class QWidget;

/// The sample files live beside the repository, not in it; a bare clone skips the cases that
/// need them instead of failing.
#define REQUIRE_SAMPLE(file) \
  if (!QFileInfo::exists(file)) QSKIP(qPrintable("sample file not found: " + (file)))

/// The whole of a file, or "<unreadable>".
QByteArray ReadAll(const QString& name);

/// The texts of the actions a dialog offers in its window menu, in order.
QStringList ActionTexts(const QWidget& dialog);

/// What the about box showed, as "title|version line", and what went wrong answering it.
struct AboutBoxSeen {
  QString text;
  QStringList failures;
};
/// Triggers aboutAction and closes the about box it opens with OK.
AboutBoxSeen OpenAboutBox(QAction* aboutAction);

/// Runs a program with no display of any kind to open a window on, and checks that it ends
/// normally with status 0 after printing exactly expectedOutput.
void CheckPrintsWithoutDisplay(const QString& program, const QStringList& arguments,
                               const QByteArray& expectedOutput);
