// help_window.h - the program's help pages, opened by contents or by context number.
#pragma once

#include <QDialog>
#include <QUrl>

class QTextBrowser;

/// A non-modal window over the program's HTML pages: those installed beside the program when
/// they are there, otherwise the copies compiled into it.
class HelpWindow : public QDialog {
  Q_OBJECT
 public:
  /// Help numbers of the menu commands are this base plus the command's number.
  static constexpr int kCommandHelpBase = 0x10000;

  explicit HelpWindow(QWidget* parent = nullptr);

  void ShowContents();
  /// The topic of a help context number (0x20065 the main window, 0x70000 plus a control's
  /// number for the window's and the option dialogs' controls, 0x10000 plus a command's number
  /// for the commands); the contents for any other.
  void ShowTopic(int contextNumber);
  QUrl CurrentPage() const;

  /// The page, with its anchor, that a context number leads to.
  static QUrl TopicUrl(int contextNumber);

  /// Where the pages are read from, for a program in applicationDir: the installed folder
  /// applicationDir/../share/gedtools/help/kinprune/ when it holds the pages, otherwise the
  /// compiled-in resources. Ends in a slash.
  static QUrl HelpRootFor(const QString& applicationDir);

 private:
  void ShowPage(const QUrl& page);

  QTextBrowser* browser;
};
