// help_viewer.h - where a dialog program's help pages are, and the window that shows them.
#pragma once

#include <QDialog>
#include <QString>
#include <QUrl>

QT_BEGIN_NAMESPACE
class QTextBrowser;
QT_END_NAMESPACE

/// The start page of program's help: index.html in the installed help folder
/// (<executable folder>/../share/gedtools/help/<program>/) when that folder exists, else the
/// copy compiled into the program (qrc:/help/<program>/index.html).
QUrl HelpStartPage(const QString& program);

/// A modeless window showing the help pages; links between them are followed inside it.
class HelpViewer : public QDialog {
  Q_OBJECT

 public:
  HelpViewer(const QString& title, const QUrl& startPage, QWidget* parent);

  /// The page on show.
  QUrl Page() const;
  /// The text of the page on show, for tests.
  QString PageText() const;

 private:
  QTextBrowser* browser = nullptr;
};
